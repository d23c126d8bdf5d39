// Running other programs: output line by line, input, exit status, the time limit, a missing
// program; and the messages of failed vdirsyncer runs, from lines vdirsyncer 0.19 writes.
#include "exchange/child_process.h"
#include "exchange/sync_server.h"
#include "tests/sync/radicale_fixture.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <signal.h>

namespace velk {
namespace {

tRunResult runShell(const std::string &script, std::vector<std::string> *lines,
                    const std::string &input = "", int timeout = 20)
{
    tRunRequest request;
    request.argv = {"sh", "-c", script};
    request.input = input;
    request.timeoutSeconds = timeout;
    request.setEnv = {"VELK_PROBE=eins"};
    return runProgram(request, [&](const std::string &line) { lines->push_back(line); });
}

TEST(RunProgram, OutputInputAndStatus)
{
    struct {
        const char *script, *input;
        int status;
        std::vector<std::string> lines;
    } rows[] = {
        {"echo a; echo b >&2; printf c", "", 0, {"a", "b", "c"}},
        {"cat; exit 3", "x\ny\n", 3, {"x", "y"}},
        {"read a; read b; echo \"$b$a\"", "1\n2\n", 0, {"21"}},
        {"echo $VELK_PROBE", "", 0, {"eins"}},
        {"printf 'r\\r\\n\\n'", "", 0, {"r", ""}},
        {"exit 0", "much input that nobody reads\n", 0, {}},
    };
    for (const auto &row : rows) {
        std::vector<std::string> lines;
        tRunResult r = runShell(row.script, &lines, row.input);
        EXPECT_TRUE(r.started) << row.script;
        EXPECT_FALSE(r.timedOut) << row.script;
        EXPECT_EQ(r.exitStatus, row.status) << row.script;
        EXPECT_EQ(lines, row.lines) << row.script;
        EXPECT_EQ(r.ok(), row.status == 0) << row.script;
    }
}

TEST(RunProgram, LastLineSkipsEmptyOnes)
{
    std::vector<std::string> lines;
    tRunResult r = runShell("echo erste; echo letzte; echo; echo '  '", &lines);
    EXPECT_EQ(r.lastLine, "letzte");
}

TEST(RunProgram, TimeLimitEndsTheProgramAndWhatItStarted)
{
    synctest::tTempDir tmp;
    std::vector<std::string> lines;
    auto start = std::chrono::steady_clock::now();
    // The grandchild keeps the output open; the limit must end it too.  (3 s: time enough for
    // the shell to write its line on a busy machine.)
    tRunResult r = runShell("sleep 30 & echo $! > " + tmp.sub("pid") + "; echo gestartet; wait",
                            &lines, "", 3);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_TRUE(r.started);
    EXPECT_TRUE(r.timedOut);
    EXPECT_EQ(r.exitStatus, -1);
    EXPECT_FALSE(r.ok());
    EXPECT_LT(seconds, 10.0);
    EXPECT_EQ(lines, std::vector<std::string>{"gestartet"});
    pid_t grandchild = std::atoi(synctest::readTextFile(tmp.sub("pid")).c_str());
    ASSERT_GT(grandchild, 0);
    for (int i = 0; i < 100 && kill(grandchild, 0) == 0; ++i) usleep(20 * 1000);
    EXPECT_NE(kill(grandchild, 0), 0) << "the sleep of the killed shell still runs";
}

TEST(RunProgram, ProgramThatClosesItsOutputStillHasATimeLimit)
{
    std::vector<std::string> lines;
    tRunResult r = runShell("exec >/dev/null 2>&1; sleep 30", &lines, "", 1);
    EXPECT_TRUE(r.timedOut);
    EXPECT_FALSE(r.ok());
}

TEST(RunProgram, MissingProgram)
{
    tRunRequest request;
    request.argv = {"velk-no-such-program-here"};
    tRunResult r = runProgram(request, {});
    EXPECT_FALSE(r.started);
    EXPECT_EQ(r.spawnError, ENOENT);
    EXPECT_FALSE(programInPath("velk-no-such-program-here"));
    EXPECT_TRUE(programInPath("sh"));
    EXPECT_TRUE(programInPath("/bin/sh"));
}

TEST(RunVdirsyncer, MissingVdirsyncerIsNamed)
{
    synctest::tTempDir tmp;
    std::string oldPath = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", tmp.path().c_str(), 1);
    tRunResult r = runSync(syncPlaces(tmp.path(), "anna"), {}, {}, 10);
    setenv("PATH", oldPath.c_str(), 1);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.message, "vdirsyncer ist nicht installiert");
}

TEST(SyncFailureMessage, FromWhatVdirsyncerWrote)
{
    tRunResult failed;
    failed.started = true;
    failed.exitStatus = 1;
    struct {
        std::vector<std::string> lines;
        const char *message;
    } rows[] = {
        {{"Discovering collections for pair velk_termine",
          "error: Unknown error occurred: Cannot connect to host 127.0.0.1:52119 ssl:default "
          "[Connect call failed ('127.0.0.1', 52119)]",
          "error: Use `-vdebug` to see the full traceback."},
         "Der Server ist nicht erreichbar"},
        {{"Copying (uploading) item x to velk_termine_server/velk-termine",
          "error: Unknown error occurred: Server disconnected"},
         "Der Server ist nicht erreichbar"},
        {{"error: Unknown error occurred: [Errno 32] Broken pipe"},
         "Der Server ist nicht erreichbar"},
        {{"error: Unknown error occurred: Cannot connect to host dav.example.org:443 ssl:default "
          "[Name or service not known]"},
         "Der Server ist nicht erreichbar"},
        {{"error: Unknown error occurred: 401, message='Unauthorized', "
          "url=URL('http://127.0.0.1:52111/')",
          "error: Use `-vdebug` to see the full traceback."},
         "Der Server hat die Anmeldung abgelehnt (Benutzername oder Passwort falsch)"},
        {{"critical: Please run `vdirsyncer discover velk_termine`  before synchronization."},
         "Der Abgleich ist noch nicht eingerichtet: die Kalender und Adressbücher des Servers "
         "wurden noch nicht ermittelt"},
        {{"Syncing velk_termine/velk-termine",
          "error: velk_termine/velk-termine: Storage "
          "is read-only",
          "error: Use `-vdebug` to see the full traceback."},
         "Abgleich fehlgeschlagen: error: velk_termine/velk-termine: Storage is read-only"},
        {{"Traceback (most recent call last):", "KeyError: 'x'"},
         "Abgleich fehlgeschlagen: KeyError: 'x'"},
    };
    for (const auto &row : rows) {
        failed.lastLine = row.lines.back();
        EXPECT_EQ(syncFailureMessage(failed, row.lines, 60), row.message) << row.lines.back();
    }
    tRunResult timedOut;
    timedOut.started = true;
    timedOut.timedOut = true;
    EXPECT_EQ(syncFailureMessage(timedOut, {}, 60),
              "vdirsyncer hat nach 60 Sekunden nicht geendet und wurde abgebrochen");
    tRunResult silent = failed;
    silent.lastLine.clear();
    EXPECT_EQ(syncFailureMessage(silent, {}, 60), "Abgleich fehlgeschlagen (Status 1)");
}

} // namespace
} // namespace velk
