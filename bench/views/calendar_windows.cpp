// calendar_windows.cpp - the week calendar and the appointment list as windows (offscreen): what
// the item views add to the lines that calendar_views.cpp measures.  N appointments over three
// years by 20 users, N / 10 persons with birthdays, N / 2 tasks; the week filled on opening, the
// lists refilled on a notice, the week moved forward 52 times, the appointment list opened.
#include "bench/views/bench_views.h"

#include <QApplication>

#include "base/session.h"
#include "calendar/termin_store.h"
#include "address/person.h"
#include "widgets/calendar/list_box.h"
#include "widgets/calendar/term_list_win.h"
#include "widgets/calendar/week_view_win.h"
#include "shell/core/commands.h"
#include "projects/project.h"

#include <cstdio>
#include <memory>
#include <random>

namespace velk::bench {

namespace {

void fill(long n)
{
    std::mt19937 rng(4711);
    bool ok = true;
    for (long i = 0; i < n / 10; i++) {
        tPerson p;
        p.setId(numbered("P", i));
        p.setName("Name" + std::to_string(i));
        p.setChrName("Vor" + std::to_string(i));
        p.BIRTH = dayTime(int(rng() % 365), 0);
        p.BIRTH.year = 1940 + int(rng() % 60);
        ok = p.insert() == tStoreStatus::Stored && ok;
    }
    for (long i = 0; i < n / 2; i++) {
        tTask k;
        k.setId(numbered("T", i));
        k.setTitle("Aufgabe " + std::to_string(i));
        k.setProject("PRJ");
        if (rng() % 20) k.ENDDATE = dayTime(int(rng() % 1096), 0);
        ok = k.insert() == tStoreStatus::Stored && ok;
    }
    for (long i = 0; i < n; i++) {
        int owner = int(rng() % 20), day = int(rng() % 1096), start = 7 * 60 + int(rng() % 48) * 15;
        tTermin t;
        t.from = dayTime(day, start);
        t.till = dayTime(day, start + 60);
        t.setTitle("Termin " + std::to_string(i));
        setCurrentUser(numbered("u", owner));
        ok = tTerminStore::instance().insert(t).status == tStoreStatus::Stored && ok;
    }
    if (!ok) {
        std::fprintf(stderr, "calendar windows: a record was not stored\n");
        std::exit(2);
    }
}

QApplication &application()
{
    static int argc = 1;
    static char name[] = "bench_views";
    static char *argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

void runSize(long n)
{
    application();
    tBenchDatabase db("calendar-windows");
    fill(n);
    setCurrentUser("u00000");
    const tDate today{12, 6, 2024};
    char comment[160];

    std::unique_ptr<tWeekWin> week;
    double v = timeMs([&] { week = std::make_unique<tWeekWin>(today); });
    report({"week window: open", n, v, 0, 30, "content, headings and seven item views"});

    tDataChangedEvent notice(NoticeAppointments);
    v = timeMs([&] { QApplication::sendEvent(week.get(), &notice); });
    report({"week window: refill on a notice", n, v, 0, 30, "the seven lists"});

    v = timeMs(
        [&] {
            for (int i = 0; i < 52; i++) week->command(CmForward);
        },
        3);
    std::snprintf(comment, sizeof comment, "per move; 52 moves %.0f ms", v);
    report({"week window: 52 moves forward", n, v / 52, 0, 30, comment});

    std::unique_ptr<tTermListWin> list;
    v = timeMs([&] { list = std::make_unique<tTermListWin>(today, today); });
    std::snprintf(comment, sizeof comment, "%d lines, today's overdue tasks included",
                  list->list()->count());
    report({"appointment list window: open", n, v, 0, 30, comment});
}

} // namespace

VELK_BENCH_SECTION("calendar windows", [](const std::vector<long> &sizes) {
    for (long n : sizes) runSize(n);
});

} // namespace velk::bench
