// child_process.h - runs another program with a time limit and hands its output on line by line.
//
// The program is started with posix_spawnp (searched in PATH), its standard output and standard
// error go into one pipe that is read as it comes, its standard input is a pipe that receives a
// given text and is then closed.  When the time limit passes, the program gets SIGTERM and, a
// second later, SIGKILL; it is always waited for.  No shell is involved anywhere.
#ifndef VELK_EXCHANGE_CHILD_PROCESS_H
#define VELK_EXCHANGE_CHILD_PROCESS_H

#include <functional>
#include <string>
#include <vector>

namespace velk {

struct tRunResult {
    bool started = false;  // false: the program could not be started (spawnError says why)
    int spawnError = 0;    // errno of the failed start (ENOENT: not installed)
    bool timedOut = false; // killed when the time limit passed
    int exitStatus = -1;   // the exit status; -1 when killed by a signal or not started
    std::string lastLine;  // the last non-empty line of its output
    std::string errorLine; // the last line that looks like an error (see sync_server.h)
    std::string message;   // German, one line; empty when the program succeeded
    bool ok() const { return started && !timedOut && exitStatus == 0; }
};

struct tRunRequest {
    std::vector<std::string> argv;   // argv[0] is looked up in PATH
    std::string input;               // written to its standard input, which is then closed
    std::vector<std::string> setEnv; // "NAME=value" entries put over this process's environment
    std::string workDir;             // "" keeps this process's working directory
    int timeoutSeconds = 60;         // <= 0: no limit
};

// Runs request; every line of output (without its '\n') goes to onLine, which may be empty.
// message stays empty; the callers give it their own words.
tRunResult runProgram(const tRunRequest &request,
                      const std::function<void(const std::string &line)> &onLine);

// Whether an executable named name is found in PATH (or, with a '/', at that path).
bool programInPath(const std::string &name);

} // namespace velk

#endif // VELK_EXCHANGE_CHILD_PROCESS_H
