// bench_share - what each view costs on a file server, counted rather than timed: the lock
// requests and read calls of the engine (lioIoCount) for the first fill of a view after the
// database was opened, and for a refill right after it with nothing changed.  On a network share
// every one of them is a round trip; the last columns give the time at 0.5 ms a round trip.
//
//   bench_share [N] [-d directory]      default N: 10000 appointments
//
// The database: N appointments over three years (2023 to 2025) by 20 users, a third of them
// booking one of 50 resources; N / 10 persons; N / 2 tasks in N / 50 projects; N / 5 alarms.
// Each view is filled in a freshly opened database, so that nothing another view read is at
// hand; the database is opened in shared mode, as the program opens it.
#include "bench/views/bench_views.h"

#include "address/lists.h"
#include "address/person.h"
#include "address/resource.h"
#include "base/session.h"
#include "btree/btree.h"
#include "calendar/alarm.h"
#include "calendar/due_alarms.h"
#include "calendar/termin_store.h"
#include "exchange/ical.h"
#include "model/blob.h"
#include "projects/project.h"
#include "projects/project_list.h"
#include "views/month_planner.h"
#include "views/occupancy_plan.h"
#include "views/search.h"
#include "views/term_list.h"
#include "views/week_view.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace velk::bench {

namespace {

constexpr int kUsers = 20, kResources = 50;
constexpr double kRoundTripMs = 0.5;
const tViewMetrics kMetrics{6, 13};

void stored(bool ok, const char *what)
{
    if (ok) return;
    std::fprintf(stderr, "bench_share: %s not stored\n", what);
    std::exit(2);
}

void fillMasterData(long n, std::mt19937 &rng)
{
    for (int i = 0; i < kResources; i++) {
        tResource r;
        r.setId(numbered("R", i));
        r.setTitle("Raum " + std::to_string(i));
        stored(r.insert() == tStoreStatus::Stored, "resource");
    }
    for (long i = 0; i < n / 10; i++) {
        tPerson p;
        p.setId(numbered("P", i));
        p.setName("Name" + std::to_string(rng() % 331));
        p.setChrName("Vor" + std::to_string(i));
        p.BIRTH = dayTime(int(rng() % 365), 0);
        p.BIRTH.year = 1940 + int(rng() % 60);
        stored(p.insert() == tStoreStatus::Stored, "person");
    }
    long projects = std::max(1L, n / 50);
    for (long i = 0; i < projects; i++) {
        tProject p;
        p.setId(numbered("J", i));
        p.setTitle("Projekt " + std::to_string(i));
        stored(p.insert() == tStoreStatus::Stored, "project");
    }
    for (long i = 0; i < n / 2; i++) {
        tTask k;
        k.setId(numbered("T", i));
        k.setTitle("Aufgabe " + std::to_string(i));
        k.setProject(numbered("J", (i * 7919) % projects));
        if (rng() % 20) k.ENDDATE = dayTime(int(rng() % 1096), 0);
        stored(k.insert() == tStoreStatus::Stored, "task");
    }
}

void fill(long n)
{
    std::mt19937 rng(2812);
    fillMasterData(n, rng);
    for (long i = 0; i < n; i++) {
        int owner = int(rng() % kUsers), day = int(rng() % 1096);
        int start = 7 * 60 + int(rng() % 48) * 15, kind = int(rng() % 100);
        int days = kind < 90 ? 0 : kind < 99 ? 1 + int(rng() % 4) : 14;
        tTermin t;
        t.from = dayTime(day, start);
        t.till = dayTime(day + days, start + 60 + int(rng() % 4) * 30);
        t.setTitle("Termin " + std::to_string(i));
        if (rng() % 3 == 0) t.setResource(numbered("R", long(rng() % kResources)));
        setCurrentUser(numbered("u", owner));
        stored(tTerminStore::instance().insert(t).status == tStoreStatus::Stored, "appointment");
    }
    for (long i = 0; i < n / 5; i++) {
        tAlarm a;
        a.when = dayTime(int(rng() % 1096), 7 * 60 + int(rng() % 600));
        a.setMessage("Alarm " + std::to_string(i));
        setCurrentUser(numbered("u", int(rng() % kUsers)));
        stored(tAlarmStore::instance().send(a).status == tStoreStatus::Stored, "alarm");
    }
}

LioIoCount counted(const std::function<void()> &fn)
{
    LioIoCount before, after;
    lioIoCount(&before);
    fn();
    lioIoCount(&after);
    return {after.lockCalls - before.lockCalls, after.readCalls - before.readCalls,
            after.readBytes - before.readBytes, after.writeCalls - before.writeCalls,
            after.writeBytes - before.writeBytes};
}

double atShare(const LioIoCount &c)
{
    return double(c.lockCalls + c.readCalls + c.writeCalls) * kRoundTripMs;
}

struct tView {
    const char *name;
    std::function<long()> fill; // answers what it showed (lines, shapes, rows)
};

void open(const std::string &dir)
{
    if (!openDatabase((dir + "/datadict").c_str())) {
        std::fprintf(stderr, "bench_share: cannot open the database in %s\n", dir.c_str());
        std::exit(2);
    }
    setCurrentUser(numbered("u", 0));
}

void measure(const std::string &dir, const tView &v)
{
    open(dir);
    long shown = 0;
    LioIoCount first = counted([&] { shown = v.fill(); });
    LioIoCount again = counted([&] { v.fill(); });
    closeDatabase();
    std::printf("%-28s %7ld %8lld %8lld %9.1f %8lld %8lld %9.1f\n", v.name, shown, first.lockCalls,
                first.readCalls, atShare(first), again.lockCalls, again.readCalls, atShare(again));
    std::fflush(stdout);
}

long walkAll()
{
    long rows = 0;
    tTermin t;
    tTerminStore &store = tTerminStore::instance();
    for (long p = store.first(1, t); p; p = store.next(1, p, t)) rows++;
    return rows;
}

std::vector<tView> views(const std::string &files)
{
    static tHolidayCache holidays;
    const tDate day{12, 6, 2024};
    return {
        {"week", [=] { return long(weekContent(weekStart(day), holidays).days.size()); }},
        {"month planner",
         [=] {
             return long(planerShapes({1, 6, 2024}, kMetrics, holidays).size());
         }},
        {"year plan",
         [] { return long(jahrPlanShapes(jahrPlanData(2024), kMetrics, holidays).size()); }},
        {"appointment list", [=] { return long(termListLines(day, day, holidays).size()); }},
        {"all appointments by start", walkAll},
        {"person list", [] { return long(personListLines().size()); }},
        {"resource list", [] { return long(resourceListLines().size()); }},
        {"project list", [] { return long(projectListLines().size()); }},
        {"task list", [] { return long(taskListRows().size()); }},
        {"alarm check",
         [] {
             tDueAlarms due;
             due.check(dayTime(540, 12 * 60));
             return long(due.lines().size());
         }},
        {"alarm list", [] { return long(tAlarmStore::instance().listed().size()); }},
        {"export (iCalendar)", [=] { return long(exportICalendar(files + "/x.ics").done); }},
        {"search (new index)", [] { return long(searchStores("termin 12").size()); }},
        // The search window keeps its index: a search again reads only the files' counters.
        {"search (index kept)",
         [index = std::make_shared<tSearchIndex>()] {
             return long(index->find("termin 12").size());
         }},
    };
}

} // namespace

} // namespace velk::bench

int main(int argc, char **argv)
{
    using namespace velk::bench;
    long n = 10000;
    const char *tmp = getenv("TMPDIR");
    std::string parent = tmp && *tmp ? tmp : "/tmp";
    for (int i = 1; i < argc; i++) {
        if (!std::strcmp(argv[i], "-d") && i + 1 < argc)
            parent = argv[++i];
        else
            n = std::atol(argv[i]);
    }
    std::string dir = parent + "/velk-bench-share-" + std::to_string(getpid());
    std::filesystem::create_directories(dir + "/files");
    open(dir);
    fill(n);
    velk::closeDatabase();
    LioIoCount opening = counted([&] { open(dir); });
    velk::closeDatabase();
    std::printf("bench_share: %ld appointments, %ld persons, %ld tasks, %ld alarms in %s\n", n,
                n / 10, n / 2, n / 5, dir.c_str());
    std::printf("open the database: %lld lock calls, %lld reads (%.1f ms at %.1f ms a round "
                "trip)\n\n",
                opening.lockCalls, opening.readCalls, atShare(opening), kRoundTripMs);
    std::printf("%-28s %7s %8s %8s %9s %8s %8s %9s\n", "", "", "first", "fill", "", "refill",
                "no change", "");
    std::printf("%-28s %7s %8s %8s %9s %8s %8s %9s\n", "view", "shown", "locks", "reads",
                "ms@share", "locks", "reads", "ms@share");
    for (const tView &v : views(dir + "/files")) measure(dir, v);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return 0;
}
