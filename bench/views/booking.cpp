// booking.cpp - the double-booking check of the appointment dialog: one appointment of an hour,
// and a weekly series of a year, against a database of N appointments over three years (2023
// to 2025) by 20 users, a third of them booking one of 50 resources, a tenth of those private;
// a tenth of all last up to five days, one in a hundred two weeks (how far the touching walk
// looks back).
#include "bench/views/bench_views.h"

#include "address/resource.h"
#include "base/session.h"
#include "calendar/booking_check.h"
#include "calendar/termin_store.h"

#include <cstdio>
#include <random>

namespace velk::bench {

namespace {

constexpr int kUsers = 20, kResources = 50, kChecks = 200;

void fill(long n)
{
    std::mt19937 rng(815);
    bool ok = true;
    for (int i = 0; i < kResources; i++) {
        tResource r;
        r.setId(numbered("R", i));
        r.setTitle("Raum " + std::to_string(i));
        ok = r.insert() == tStoreStatus::Stored && ok;
    }
    for (long i = 0; i < n; i++) {
        int owner = 0;
        tTermin t = mixedTermin(rng, i, kUsers, owner);
        if (rng() % 3 == 0) {
            t.setResource(numbered("R", long(rng() % kResources)));
            if (rng() % 10 == 0) t.setRead("P" + numbered("u", owner));
        }
        setCurrentUser(numbered("u", owner));
        ok = tTerminStore::instance().insert(t).status == tStoreStatus::Stored && ok;
    }
    if (!ok) {
        std::fprintf(stderr, "booking: a record was not stored\n");
        std::exit(2);
    }
}

void runSize(long n)
{
    tBenchDatabase db("booking");
    fill(n);
    setCurrentUser(numbered("u", 0));
    tTerminStore &store = tTerminStore::instance();
    std::mt19937 rng(4711);
    std::vector<tTermin> checks;
    for (int i = 0; i < kChecks; i++) {
        int day = int(rng() % 1096), start = 8 * 60 + int(rng() % 40) * 15;
        tTermin t;
        t.from = dayTime(day, start);
        t.till = dayTime(day, start + 60);
        t.setResource(numbered("R", long(rng() % kResources)));
        checks.push_back(t);
    }
    long found = 0;
    double all = timeMs([&] {
        found = 0;
        for (const tTermin &t : checks) found += long(bookingConflicts(store, t).size());
    });
    char comment[160];
    std::snprintf(comment, sizeof comment,
                  "one hour on a random day and resource, mean of %d checks; %ld conflicts found",
                  kChecks, found);
    report({"double booking: check one appointment", n, all / kChecks, 0, 5, comment});

    tTermin series = checks[0];
    series.from = dayTime(400, 9 * 60);
    series.till = dayTime(400, 10 * 60);
    tRepeat weekly;
    weekly.rhythm = tRepeat::Weekly;
    weekly.count = 51;
    series.attachRepeat(weekly);
    double v = timeMs([&] { found = long(bookingConflicts(store, series).size()); });
    std::snprintf(comment, sizeof comment, "weekly, 52 appointments; %ld conflicts found", found);
    report({"double booking: check a series of a year", n, v, 0, 0, comment});
}

} // namespace

VELK_BENCH_SECTION("booking", [](const std::vector<long> &sizes) {
    for (long n : sizes) runSize(n);
});

} // namespace velk::bench
