// child_process.cpp - posix_spawnp, one pipe for the output, a socket for the input, poll with a
// deadline.
//
// The input goes through a socket pair rather than a pipe so that it can be sent with
// MSG_NOSIGNAL: a program that ends before reading its input must not kill us with SIGPIPE.
// The child gets a process group of its own, so that a time limit ends the programs it started
// too (vdirsyncer runs the password command).
#include "child_process.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace velk {

namespace {

using tClock = std::chrono::steady_clock;

std::vector<std::string> childEnvironment(const std::vector<std::string> &setEnv)
{
    std::vector<std::string> env;
    for (char **e = environ; e && *e; ++e) {
        std::string entry = *e;
        std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const std::string &s : setEnv) replaced = replaced || s.substr(0, s.find('=')) == name;
        if (!replaced) env.push_back(entry);
    }
    env.insert(env.end(), setEnv.begin(), setEnv.end());
    return env;
}

std::vector<char *> pointers(std::vector<std::string> &strings)
{
    std::vector<char *> p;
    for (std::string &s : strings) p.push_back(s.data());
    p.push_back(nullptr);
    return p;
}

// Starts the child with its input on inFd and output on outFd; the pid or -1 with errno set.
pid_t spawnChild(const tRunRequest &request, int inFd, int outFd)
{
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_adddup2(&actions, inFd, 0);
    posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    posix_spawn_file_actions_adddup2(&actions, outFd, 2);
    if (!request.workDir.empty())
        posix_spawn_file_actions_addchdir_np(&actions, request.workDir.c_str());
    sigset_t defaults, none;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGINT);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK |
                                        POSIX_SPAWN_SETPGROUP);
    std::vector<std::string> args = request.argv;
    std::vector<std::string> env = childEnvironment(request.setEnv);
    std::vector<char *> argp = pointers(args), envp = pointers(env);
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, argp[0], &actions, &attr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) {
        errno = rc;
        return -1;
    }
    return pid;
}

// Splits what arrived into lines; keeps the unfinished tail in pending.
void takeLines(std::string &pending, tRunResult &result,
               const std::function<void(const std::string &)> &onLine, bool flushAll)
{
    size_t start = 0;
    for (size_t nl; (nl = pending.find('\n', start)) != std::string::npos; start = nl + 1) {
        std::string line = pending.substr(start, nl - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(" \t") != std::string::npos) result.lastLine = line;
        if (onLine) onLine(line);
    }
    pending.erase(0, start);
    if (flushAll && !pending.empty()) {
        pending.push_back('\n');
        takeLines(pending, result, onLine, false);
    }
}

// Whether the child has ended, leaving it to be waited for.
bool hasEnded(pid_t pid)
{
    siginfo_t info;
    info.si_pid = 0;
    return waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid != 0;
}

// Ends the child's process group: SIGTERM, then SIGKILL after a second.  The group gets
// SIGKILL also when the child obeyed, for what it started: the child is not yet waited for, so
// its pid (the group's id) cannot have been given to another process.
void stopGroup(pid_t pid)
{
    kill(-pid, SIGTERM);
    for (int i = 0; i < 20 && !hasEnded(pid); ++i) usleep(50 * 1000);
    kill(-pid, SIGKILL);
}

int msLeft(tClock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - tClock::now());
    return int(std::max<long long>(0, std::min<long long>(left.count(), 200)));
}

// Reads the output until it ends or the deadline passes; sends the input on the way.
void pump(const tRunRequest &request, tClock::time_point deadline, pid_t pid, int outFd, int inFd,
          tRunResult &result, const std::function<void(const std::string &)> &onLine)
{
    std::string pending;
    size_t sent = 0;
    while (outFd >= 0) {
        if (inFd >= 0 && sent == request.input.size()) {
            shutdown(inFd, SHUT_WR);
            close(inFd);
            inFd = -1;
        }
        pollfd fds[2] = {{outFd, POLLIN, 0}, {inFd, POLLOUT, 0}};
        int waitMs = request.timeoutSeconds > 0 ? msLeft(deadline) : 200;
        if (waitMs == 0) {
            result.timedOut = true;
            stopGroup(pid);
            break;
        }
        if (poll(fds, inFd >= 0 ? 2 : 1, waitMs) < 0 && errno != EINTR) break;
        if (inFd >= 0 && (fds[1].revents & (POLLOUT | POLLERR | POLLHUP))) {
            ssize_t n = send(inFd, request.input.data() + sent, request.input.size() - sent,
                             MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0)
                sent += size_t(n);
            else if (n < 0 && errno != EAGAIN && errno != EINTR)
                sent = request.input.size();
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            char buf[4096];
            ssize_t n = read(outFd, buf, sizeof buf);
            if (n > 0) {
                pending.append(buf, size_t(n));
                takeLines(pending, result, onLine, false);
            } else if (n == 0 || errno != EINTR) {
                outFd = -1; // the end: every writer has closed
            }
        }
    }
    if (inFd >= 0) close(inFd);
    takeLines(pending, result, onLine, true);
}

} // namespace

tRunResult runProgram(const tRunRequest &request,
                      const std::function<void(const std::string &line)> &onLine)
{
    tRunResult result;
    if (request.argv.empty()) {
        result.spawnError = EINVAL;
        return result;
    }
    int out[2], in[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        result.spawnError = errno;
        return result;
    }
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, in) != 0) {
        result.spawnError = errno;
        close(out[0]);
        close(out[1]);
        return result;
    }
    pid_t pid = spawnChild(request, in[1], out[1]);
    int spawnErrno = errno;
    close(out[1]);
    close(in[1]);
    if (pid < 0) {
        result.spawnError = spawnErrno;
        close(out[0]);
        close(in[0]);
        return result;
    }
    result.started = true;
    auto deadline = tClock::now() + std::chrono::seconds(request.timeoutSeconds);
    pump(request, deadline, pid, out[0], in[0], result, onLine);
    close(out[0]);
    // A child that closed its output may still run: the time limit holds for it too.
    while (!result.timedOut && request.timeoutSeconds > 0 && !hasEnded(pid)) {
        if (msLeft(deadline) == 0) {
            result.timedOut = true;
            stopGroup(pid);
        } else {
            usleep(20 * 1000);
        }
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!result.timedOut && WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
    return result;
}

bool programInPath(const std::string &name)
{
    if (name.empty()) return false;
    auto executable = [](const std::string &path) {
        struct stat st;
        return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
               access(path.c_str(), X_OK) == 0;
    };
    if (name.find('/') != std::string::npos) return executable(name);
    const char *path = getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        if (executable((dir.empty() ? std::string(".") : dir) + "/" + name)) return true;
        start = end + 1;
    }
    return false;
}

} // namespace velk
