// bench_sync [N]: the sync of a vdir with a database of N appointments (default 10,000) and as
// many persons, our side only: the first sync (every item written), a sync with nothing changed,
// one after 100 items changed on each side, and the first sync of a full vdir into an empty
// database.  Goals: the first sync under 10 s, one with nothing changed under 0.5 s.
#include "address/person.h"
#include "base/cp1252.h"
#include "base/session.h"
#include "calendar/termin_store.h"
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
    return 0;
}
