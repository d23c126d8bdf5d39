// exchange_run.h - velk-exchange and velk-check run as real processes for the tests of the tool:
// as root or as the user nobody, with a password on standard input, captured or killed by a
// signal part-way.
#ifndef VELK_TESTS_TOOLS_EXCHANGE_RUN_H
#define VELK_TESTS_TOOLS_EXCHANGE_RUN_H

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <grp.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace velk::tooltest {

constexpr uid_t kNobody = 65534;

struct tRun {
    int status = -1; // as waitpid gives it
    std::string output;
    std::string errors; // standard error, when it was asked for apart from the output
    int code() const { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }
};

// Whether this process can run a child as nobody (it runs as root).
inline bool canDropToNobody() { return geteuid() == 0; }

// Runs argv with `input` on standard input, standard output and error captured together in
// `output`, or standard error apart in `errors` when separateErrors; as nobody when asked (group
// and user 65534, no other groups).  killAfterUs >= 0 sends `sig` that many microseconds after
// the start.
inline tRun runProcess(const std::vector<std::string> &argv, const std::string &input,
                       bool asNobody = false, long killAfterUs = -1, int sig = SIGTERM,
                       bool separateErrors = false)
{
    tRun r;
    int in[2], out[2];
    if (pipe(in) != 0) return r;
    if (pipe(out) != 0) {
        close(in[0]), close(in[1]);
        return r;
    }
    // A file, not a pipe: a child filling one pipe cannot block while the other is read.
    FILE *err = separateErrors ? std::tmpfile() : nullptr;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err ? fileno(err) : out[1], 2);
        close(in[0]), close(in[1]), close(out[0]), close(out[1]);
        if (asNobody &&
            (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
            _exit(125);
        unsetenv("PROCFILE");
        alarm(60); // a child that hangs is ended (SIGALRM) instead of the whole test

        std::vector<char *> args;
        for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(126);
    }
    close(in[0]);
    close(out[1]);
    signal(SIGPIPE, SIG_IGN);
    if (!input.empty()) (void)!write(in[1], input.data(), input.size());
    close(in[1]);
    if (killAfterUs >= 0) {
        usleep((useconds_t)killAfterUs);
        kill(pid, sig);
    }
    char buf[4096];
    for (ssize_t n; (n = read(out[0], buf, sizeof buf)) != 0;)
        if (n > 0)
            r.output.append(buf, (size_t)n);
        else if (errno != EINTR)
            break;
    close(out[0]);
    while (waitpid(pid, &r.status, 0) < 0 && errno == EINTR) {
    }
    if (err) {
        std::rewind(err);
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, err)) > 0;) r.errors.append(buf, n);
        std::fclose(err);
    }
    return r;
}

// velk-exchange as root (the database user) with password "x" on standard input.
inline tRun runExchange(const std::vector<std::string> &args, bool asNobody = false,
                        long killAfterUs = -1, int sig = SIGTERM)
{
    std::vector<std::string> argv = {VELK_EXCHANGE_BIN, "--password-stdin"};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProcess(argv, "x\n", asNobody, killAfterUs, sig);
}

// velk-check on the directory: true when it finds it clean; *report gets what it says.
inline bool checkClean(const std::string &dir, std::string *report)
{
    tRun r = runProcess({VELK_CHECK_BIN, dir}, "");
    *report = r.output;
    return r.code() == 0 && r.output.find(": in Ordnung") != std::string::npos;
}

} // namespace velk::tooltest

#endif
