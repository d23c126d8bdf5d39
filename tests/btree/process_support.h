// process_support.h - forked children for the multi-process tests: a child runs a function and
// reports through its exit status (0 = all as expected); Signal lets one process wait for another.
#ifndef VELK_TESTS_BTREE_PROCESS_SUPPORT_H
#define VELK_TESTS_BTREE_PROCESS_SUPPORT_H

#include <cstdio>
#include <functional>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace velk::apptest {

inline pid_t spawn(const std::function<int()> &f)
{
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        int rc = 99;
        try {
            rc = f();
        } catch (...) {
        }
        _exit(rc);
    }
    return pid;
}

inline int waitFor(pid_t pid)
{
    int st = 0;
    if (waitpid(pid, &st, 0) != pid) return -1;
    return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
}

// One-shot signal between processes; wait() gives up after 30 s.
class Signal {
public:
    Signal() { EXPECT_EQ(pipe(fds_), 0); }
    ~Signal()
    {
        close(fds_[0]);
        close(fds_[1]);
    }
    void post() { EXPECT_EQ(write(fds_[1], "x", 1), 1); }
    bool wait()
    {
        struct pollfd p = {fds_[0], POLLIN, 0};
        char c;
        return poll(&p, 1, 30000) == 1 && read(fds_[0], &c, 1) == 1;
    }

private:
    int fds_[2];
};

} // namespace velk::apptest

#endif
