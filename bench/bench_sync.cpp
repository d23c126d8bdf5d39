// bench_sync [N]: the sync of a vdir with a database of N appointments (default 10,000) and as
// many persons, our side only: the first sync (every item written), a sync with nothing changed,
// one after 100 items changed on each side, and the first sync of a full vdir into an empty
// database.  Goals: the first sync under 10 s, one with nothing changed under 0.5 s.
//
// Where radicale and vdirsyncer are installed, beside that: vdirsyncer's first upload of
// $VELK_BENCH_SYNC_SERVER_N appointments (default 1,000) to a Radicale started here on
// 127.0.0.1 (a free port, its storage in a temporary directory), and its sync with nothing
// changed; the server's side of a sync, which ours adds to.
#include "address/person.h"
#include "base/cp1252.h"
#include "base/session.h"
#include "calendar/termin_store.h"
#include "exchange/child_process.h"
#include "exchange/sync.h"
#include "exchange/vdir.h"
#include "model/blob.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace velk;
namespace fs = std::filesystem;

namespace {

std::string newDirectory(const char *name)
{
    std::string templ = std::string("/tmp/velk_bench_") + name + ".XXXXXX";
    if (!mkdtemp(templ.data())) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    return templ;
}

bool openIn(const std::string &dir)
{
    closeDatabase();
    return openDatabase((dir + "/datadict").c_str());
}

void fill(long n)
{
    setCurrentUser("root");
    char text[48];
    for (long i = 0; i < n; i++) {
        tPerson p;
        std::snprintf(text, sizeof text, "P%07ld", i);
        p.setId(text);
        std::snprintf(text, sizeof text, "M\xfcller%ld", i);
        p.setName(text);
        p.setCity("K\xf6ln");
        if (p.insert() != tStoreStatus::Stored) std::fprintf(stderr, "person %ld not stored\n", i);
        tTermin t;
        t.from.set(2026 + int(i / 3000), int(i / 250 % 12) + 1, int(i % 28) + 1);
        t.from.hour = 8 + int(i % 10);
        t.till = t.from;
        t.till.hour = t.from.hour + 1;
        std::snprintf(text, sizeof text, "Besprechung %ld \xfc", i);
        t.setTitle(text);
        if (tTerminStore::instance().insert(t).status != tStoreStatus::Stored)
            std::fprintf(stderr, "appointment %ld not stored\n", i);
    }
}

// Changes `count` appointments here and `count` files there.
void changeBothSides(const std::string &vdir, long count)
{
    tTerminStore &store = tTerminStore::instance();
    tTermin t;
    long changed = 0;
    for (long pos = store.first(tTerminStore::ById, t); pos && changed < count;
         pos = store.next(tTerminStore::ById, pos, t)) {
        if (t.isCounter()) continue;
        t.setTitle(std::string(t.TITLE) + " neu");
        if (store.update(t.ID, t) == tStoreStatus::Stored) changed++;
    }
    std::vector<tVdirFile> files;
    listVdir(vdir, ".ics", &files);
    for (long i = 0; i < count && i < (long)files.size(); i++) {
        const tVdirFile &f = files[files.size() - 1 - i];
        std::string text = *readVdirFile(vdir, f.name, 1 << 20);
        size_t at = text.find("SUMMARY:");
        if (at != std::string::npos) text.insert(at + 8, "Dort ");
        std::ofstream(vdir + "/" + f.name, std::ios::binary) << text;
    }
}

void report(const char *what, double ms, double goalMs, const tSyncReport &r)
{
    std::printf("%-40s %10.1f ms  %-12s %s%s\n", what, ms,
                goalMs <= 0    ? ""
                : ms <= goalMs ? "goal met"
                               : "GOAL MISSED",
                cp1252ToUtf8(describeSync(r)).c_str(), r.ok() ? "" : "  FAILED");
}

double timed(tSyncKind kind, const std::string &vdir, const std::string &state, tSyncReport *r)
{
    auto start = std::chrono::steady_clock::now();
    *r = runSync(kind, vdir, state);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// A free port of 127.0.0.1 (bound to port 0 and let go), or 0.
int freePort()
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int port = 0;
    if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    if (fd >= 0) close(fd);
    return port;
}

bool connects(int port)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(uint16_t(port));
    bool ok = fd >= 0 && connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0;
    if (fd >= 0) close(fd);
    return ok;
}

void writeFile(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// Radicale on 127.0.0.1 with one user "bench" (password "bench"), storage under dir; its pid.
pid_t startRadicale(const std::string &dir, int port)
{
    writeFile(dir + "/users", "bench:bench\n");
    writeFile(dir + "/config", "[server]\nhosts = 127.0.0.1:" + std::to_string(port) +
                                   "\n[auth]\ntype = htpasswd\nhtpasswd_filename = " + dir +
                                   "/users\nhtpasswd_encryption = plain\n[rights]\n"
                                   "type = owner_only\n[storage]\nfilesystem_folder = " +
                                   dir +
                                   "/collections\n[web]\ntype = none\n"
                                   "[logging]\nlevel = warning\n");
    std::string config = dir + "/config", log = dir + "/radicale.log";
    std::fflush(nullptr); // the child's reopened streams would write what is buffered again
    pid_t pid = fork();
    if (pid == 0) {
        std::freopen("/dev/null", "r", stdin);
        std::freopen(log.c_str(), "a", stdout);
        std::freopen(log.c_str(), "a", stderr);
        execlp("radicale", "radicale", "--config", config.c_str(), (char *)nullptr);
        _exit(127);
    }
    for (int i = 0; pid > 0 && i < 200 && !connects(port); i++) usleep(50 * 1000);
    return pid;
}

double timedRun(const std::vector<std::string> &argv, const std::string &input, bool *ok)
{
    tRunRequest request;
    request.argv = argv;
    request.input = input;
    request.timeoutSeconds = 1800;
    auto start = std::chrono::steady_clock::now();
    tRunResult r = runProgram(request, {});
    double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    *ok = r.ok();
    if (!r.ok()) std::fprintf(stderr, "%s: %s\n", argv[1].c_str(), r.lastLine.c_str());
    return ms;
}

// vdirsyncer between a vdir of n appointments and a Radicale started for it.
void benchServer()
{
    if (!programInPath("radicale") || !programInPath("vdirsyncer")) {
        std::printf("\nserver side: radicale or vdirsyncer not installed, skipped\n");
        return;
    }
    const char *env = std::getenv("VELK_BENCH_SYNC_SERVER_N");
    long n = env && std::atol(env) > 0 ? std::atol(env) : 1000;
    std::string dir = newDirectory("sync_server");
    int port = freePort();
    pid_t server = startRadicale(dir, port);
    if (server <= 0 || !connects(port)) {
        std::printf("\nserver side: radicale did not start\n");
        fs::remove_all(dir);
        return;
    }
    std::string vdir = dir + "/vdir/bench";
    fs::create_directories(vdir);
    fs::create_directories(dir + "/status");
    char text[64];
    for (long i = 0; i < n; i++) {
        std::snprintf(text, sizeof text, "bench-%07ld", i);
        std::string uid = text;
        std::snprintf(text, sizeof text, "2027%02ld%02ldT%02ld0000", i / 280 % 12 + 1,
                      i / 10 % 28 + 1, 8 + i % 10);
        writeFile(vdir + "/" + uid + ".ics",
                  "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//VELK//Bench//DE\r\n"
                  "BEGIN:VEVENT\r\nUID:" +
                      uid + "\r\nDTSTAMP:20260101T000000Z\r\nDTSTART:" + text +
                      "\r\nSUMMARY:Besprechung " + uid + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    }
    std::string config = dir + "/vdirsyncer.conf";
    writeFile(config, "[general]\nstatus_path = \"" + dir +
                          "/status/\"\n\n[pair bench]\n"
                          "a = \"bench_local\"\nb = \"bench_server\"\ncollections = [\"bench\"]\n\n"
                          "[storage bench_local]\ntype = \"filesystem\"\npath = \"" +
                          dir +
                          "/vdir/\"\nfileext = \".ics\"\n\n[storage bench_server]\n"
                          "type = \"caldav\"\nurl = \"http://127.0.0.1:" +
                          std::to_string(port) +
                          "/\"\nusername = \"bench\"\npassword = \"bench\"\n");
    bool ok = false;
    std::printf("\nserver side: vdirsyncer and Radicale on 127.0.0.1, %ld appointments\n\n", n);
    timedRun({"vdirsyncer", "-c", config, "discover", "--no-list"}, "y\ny\n", &ok);
    if (ok) {
        double ms = timedRun({"vdirsyncer", "-c", config, "sync"}, "", &ok);
        std::printf("%-40s %10.1f ms  %s\n", "vdirsyncer: first upload", ms, ok ? "" : "FAILED");
        ms = timedRun({"vdirsyncer", "-c", config, "sync"}, "", &ok);
        std::printf("%-40s %10.1f ms  %s\n", "vdirsyncer: nothing changed", ms, ok ? "" : "FAILED");
    } else {
        std::printf("vdirsyncer discover FAILED\n");
    }
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    fs::remove_all(dir);
}

} // namespace

int main(int argc, char **argv)
{
    long n = argc > 1 ? std::atol(argv[1]) : 10000;
    std::string dir = newDirectory("sync"), work = newDirectory("sync_work");
    if (!openIn(dir)) return 1;
    fill(n);
    std::printf("bench_sync: %ld appointments and %ld persons (our side, vdirsyncer not run)\n\n",
                n, n);
    tSyncReport r;
    std::string vdir = work + "/termine", persons = work + "/personen";
    fs::create_directories(vdir);
    fs::create_directories(persons);
    report("appointments: first sync", timed(tSyncKind::Termine, vdir, work + "/t.state", &r),
           10000, r);
    report("appointments: nothing changed", timed(tSyncKind::Termine, vdir, work + "/t.state", &r),
           500, r);
    changeBothSides(vdir, 100);
    report("appointments: 100 changed on each side",
           timed(tSyncKind::Termine, vdir, work + "/t.state", &r), 0, r);
    report("persons: first sync", timed(tSyncKind::Personen, persons, work + "/p.state", &r), 10000,
           r);
    report("persons: nothing changed", timed(tSyncKind::Personen, persons, work + "/p.state", &r),
           500, r);

    // A full vdir into an empty database, as a second machine's first sync.
    std::string empty = newDirectory("sync_empty");
    openIn(empty);
    setCurrentUser("root");
    report("appointments: first sync into an empty db",
           timed(tSyncKind::Termine, vdir, work + "/t2.state", &r), 10000, r);
    report("appointments: then nothing changed",
           timed(tSyncKind::Termine, vdir, work + "/t2.state", &r), 500, r);
    closeDatabase();
    for (const std::string &d : {dir, work, empty}) fs::remove_all(d);
    benchServer();
    return 0;
}
