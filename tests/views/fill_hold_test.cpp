// Each view holds the tables it reads for its whole fill: however many rows and days it asks
// about, a fill locks each table once.  On a file server every lock request is a round trip, so
// a fill that asked per row again would show here long before anyone measured it.
#include "address/lists.h"
#include "btree/btree.h"
#include "calendar/alarm.h"
#include "calendar/due_alarms.h"
#include "projects/project_list.h"
#include "tests/views/views_support.h"
#include "views/month_planner.h"
#include "views/occupancy_plan.h"
#include "views/selection_list.h"
#include "views/term_list.h"
#include "views/week_view.h"

#include <functional>

namespace velk::caltest {
namespace {

// A held table: its data file locked and released once; its index is read under that lock.
constexpr long long kLocksPerTable = 2;

long long lockCalls(const std::function<void()> &fill)
{
    LioIoCount before, after;
    lioIoCount(&before);
    fill();
    lioIoCount(&after);
    return after.lockCalls - before.lockCalls;
}

class FillHoldTest : public ViewsTest {
protected:
    void SetUp() override
    {
        ViewsTest::SetUp();
        resource("R1");
        for (int i = 1; i <= 40; i++) {
            std::string id = "P" + std::to_string(i), name = "Name" + std::to_string(i);
            person(id.c_str(), "Vor", name.c_str(), {1 + i % 28, 6, 1970});
            std::string tid = "T" + std::to_string(i), title = "Aufgabe " + std::to_string(i);
            task(tid.c_str(), title.c_str(), {1 + i % 28, 6, 2024});
            std::string what = "Termin " + std::to_string(i);
            tTermin t =
                termin(what.c_str(), at(1 + i % 28, 6, 2024, 9), at(1 + i % 28, 6, 2024, 10));
            if (i % 3 == 0) t.setResource("R1");
            add("anna", t);
            tAlarm a;
            a.when = at(1 + i % 28, 5, 2024, 8);
            a.setMessage(what);
            setCurrentUser("anna");
            ASSERT_EQ(tAlarmStore::instance().send(a).status, tStoreStatus::Stored);
        }
        setCurrentUser("anna");
    }
};

TEST_F(FillHoldTest, ARefillLocksEachTableItReadsOnce)
{
    tHolidayCache holidays;
    const tViewMetrics m{6, 13};
    const tDate day{12, 6, 2024};
    struct Fill {
        const char *view;
        int tables;
        std::function<void()> fill;
    } fills[] = {
        {"week", 3, [&] { weekContent(weekStart(day), holidays); }},
        {"month planner", 2,
         [&] {
             planerShapes({1, 6, 2024}, m, holidays);
         }},
        {"occupancy plan", 2, [&] { jahrPlanData(2024); }},
        {"appointment list", 3, [&] { termListLines(day, day, holidays); }},
        {"selection list", 2, [&] { selectionOfDay(day, holidays); }},
        {"person list", 1, [] { personListLines(); }},
        {"resource list", 1, [] { resourceListLines(); }},
        {"project list", 2, [] { projectListLines(); }},
        {"due alarms", 1, [] { tDueAlarms().check(at(1, 6, 2024, 12)); }},
    };
    for (const Fill &f : fills) {
        SCOPED_TRACE(f.view);
        f.fill(); // the first fill opens the tables
        EXPECT_LE(lockCalls(f.fill), f.tables * kLocksPerTable);
    }
}

} // namespace
} // namespace velk::caltest
