// Another copy's appointment shows in an open week calendar by itself: a second real program
// (tour_fill) stores appointments in the shown week, and the follow timer with its default
// period refills the view; this copy's own change is refilled by its notice alone; with nothing
// changed the timer only reads the counters, one word per table file and tick.
#include <QElapsedTimer>
#include <QProcess>

#include <cstdio>

#include "base/change_watch.h"
#include "btree/btree.h"
#include "shell/ui/my_app.h"
#include "widgets/calendar/week_view_win.h"
#include "views_ui_support.h"

using namespace velk;
using namespace velk::caltest;

namespace {

// Counts the data-changed notices that reach a view (each one refills it).
class NoticeCounter : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == tDataChangedEvent::kType) ++count;
        return false;
    }
};

class FollowWeekTest : public ViewsUiTest {
protected:
    void SetUp() override
    {
        ViewsUiTest::SetUp();
        setCurrentUser("root");
        week = open<tWeekWin>(ViewWeekCalendar, kMonday);
        ASSERT_TRUE(week);
        week->installEventFilter(&notices);
        // As the program does at its login: the watch looks once, then the timer runs.
        watch.check();
        client->setChangeCheck([this] {
            ++ticks;
            return watch.check();
        });
    }
    bool showsLine(const QString &text) const
    {
        for (int day = 0; day < kWeekDays; day++)
            for (const QString &line : shown(week->dayList(day)))
                if (line.endsWith(text)) return true;
        return false;
    }

    const tDate kMonday{28, 12, 2037};
    tWeekWin *week = nullptr;
    NoticeCounter notices;
    tChangeWatch watch;
    int ticks = 0;
};

TEST_F(FollowWeekTest, AnotherCopysAppointmentShowsWithinThreeSeconds)
{
    client->setFollowPeriod(readFollowPeriod(QString::fromStdString(file("none.ini"))));
    ASSERT_EQ(client->followPeriod(), 2000);
    ASSERT_FALSE(showsLine(QStringLiteral("Jahresabschluss")));

    QElapsedTimer clock;
    clock.start();
    ASSERT_EQ(QProcess::execute(QStringLiteral(VELK_TOUR_FILL),
                                {QString::fromStdString(dir_.path()), QStringLiteral("2037")}),
              0);
    qint64 stored = clock.elapsed();
    QTRY_VERIFY_WITH_TIMEOUT(showsLine(QStringLiteral("Jahresabschluss")), 3000);
    std::printf("[ figures  ] the other copy ran %lld ms; shown %lld ms after it ended\n",
                (long long)stored, (long long)(clock.elapsed() - stored));
    EXPECT_TRUE(showsLine(QStringLiteral("Skiurlaub")));
    EXPECT_EQ(notices.count, 1) << "one refill for the other copy's change";

    // This copy's own appointment: its notice refills the view, the watch adds nothing.
    add("root", termin("Eigenes", tDateTime::at(kMonday, 14), tDateTime::at(kMonday, 15)));
    sendNotice(client, NoticeAppointments);
    EXPECT_TRUE(showsLine(QStringLiteral("Eigenes")));
    EXPECT_EQ(notices.count, 2);
    int before = ticks;
    client->followTick();
    client->followTick();
    EXPECT_EQ(ticks, before + 2);
    EXPECT_EQ(notices.count, 2) << "no second refill by the watch";
}

TEST_F(FollowWeekTest, IdleTicksOnlyReadTheCounters)
{
    int files = 0;
    std::vector<tFileCount> counts;
    for (const std::string &name : tChangeWatch::watchedTables())
        if (tTable *t = tTable::ifOpen(name.c_str()); t && t->peekCounts(counts))
            files += int(counts.size());
    ASSERT_GT(files, 0);
    LioIoCount a, b;
    lioIoCount(&a);
    client->setFollowPeriod(100);
    QTRY_VERIFY(ticks >= 5);
    client->setFollowPeriod(0);
    lioIoCount(&b);
    std::printf("[ figures  ] %d table files open: %lld reads in %d ticks\n", files,
                b.readCalls - a.readCalls, ticks);
    EXPECT_EQ(b.readCalls - a.readCalls, (long long)ticks * files) << "one read per file and tick";
    EXPECT_EQ(b.lockCalls - a.lockCalls, 0);
    EXPECT_EQ(b.writeCalls - a.writeCalls, 0);
    EXPECT_EQ(notices.count, 0) << "nothing refilled";
}

} // namespace
