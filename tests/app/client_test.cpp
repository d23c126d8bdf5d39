// The client window: the data-changed notice, the view types and the due-alarm timer.
#include <QApplication>
#include <QMdiSubWindow>
#include <QTimerEvent>

#include <gtest/gtest.h>

#include "shell/ui/mdi_client.h"
#include "tests/app/views_test_support.h"

using namespace velk;
using namespace velk::apptest;

namespace {

class ClientTest : public ::testing::Test {
protected:
    ClientTest()
    {
        client.resize(600, 400);
        client.show();
    }

    TestView *open(const QString &name, int mask)
    {
        client.registerView(ViewPersonList, [=, this](const tViewArgs &) {
            return new TestView(name, mask, {}, &log);
        });
        client.setNextViewType(ViewPersonList);
        return static_cast<TestView *>(client.createView());
    }

    TMyMDIClient client;
    QStringList log;
};

} // namespace

TEST_F(ClientTest, NoticeReachesEveryViewInOrderAndEachOnlyForItsBits)
{
    open("week", NoticeAppointments | NoticePersons);
    open("persons", NoticePersons);
    open("projects", NoticeProjects);
    open("alarms", NoticeAlarms);
    open("plan", NoticeAppointments | NoticeResources);
    // Activating another view does not change the order of delivery.
    client.setActiveSubWindow(client.subWindowList().first());

    sendNotice(&client, NoticePersons);
    EXPECT_EQ(log, (QStringList{"week:4", "persons:4"}));
    log.clear();
    sendNotice(&client, NoticeAll);
    EXPECT_EQ(log, (QStringList{"week:5", "persons:4", "projects:8", "alarms:16", "plan:3"}));
    log.clear();
    sendNotice(&client, NoticeAppointments | NoticeAlarms);
    EXPECT_EQ(log, (QStringList{"week:1", "alarms:16", "plan:1"}));
    log.clear();
    sendNotice(&client, tNotices());
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(ClientTest, NoticeIsAnEventOfTypeUserPlusOne)
{
    TestView *view = open("persons", NoticePersons);
    EXPECT_EQ(int(tDataChangedEvent::kType), int(QEvent::User) + 1);
    tDataChangedEvent notice(NoticePersons | NoticeProjects);
    QApplication::sendEvent(view, &notice);
    EXPECT_EQ(log, (QStringList{"persons:4"}));
}

TEST_F(ClientTest, AViewClosingWhileItRefillsDoesNotStopTheOthers)
{
    TestView *first = open("first", NoticePersons);
    open("second", NoticePersons);
    first->closeOnNotice = true;
    sendNotice(&client, NoticePersons);
    EXPECT_EQ(log, (QStringList{"first:4", "second:4"}));
    QApplication::processEvents();
    EXPECT_EQ(client.views().size(), 1);
}

TEST_F(ClientTest, ViewTypesGetTodayOrTheYear)
{
    tViewArgs seen;
    client.registerView(ViewMonthPlan, [&](const tViewArgs &args) {
        seen = args;
        return new TestView("m", 0, {}, &log);
    });
    EXPECT_FALSE(client.canCreate(ViewOccupancy));
    client.setNextViewType(ViewOccupancy);
    EXPECT_EQ(client.createView(), nullptr);
    client.setNextViewType(ViewMonthPlan);
    ASSERT_NE(client.createView(), nullptr);
    EXPECT_EQ(seen.today, tDate::today());
    EXPECT_EQ(seen.year, tDate::today().year);
    EXPECT_EQ(client.nextViewType(), int(ViewMonthPlan));
}

TEST_F(ClientTest, AlarmTimerIsStoppedForTheWholeCheckAndStartedAfterIt)
{
    EXPECT_TRUE(client.alarmTimerActive());
    int checks = 0;
    bool activeDuringCheck = true;
    QWidget *parentSeen = nullptr;
    client.setDueCheck([&](QWidget *parent) {
        ++checks;
        activeDuringCheck = client.alarmTimerActive();
        parentSeen = parent;
        // A check that waits for the user (its dialog) runs events; no second tick may start.
        QApplication::processEvents();
    });
    int firstId = client.alarmTimerId();
    QTimerEvent tick(firstId);
    QApplication::sendEvent(&client, &tick);
    EXPECT_EQ(checks, 1);
    EXPECT_FALSE(activeDuringCheck);
    EXPECT_EQ(parentSeen, client.window());
    EXPECT_TRUE(client.alarmTimerActive());

    // The old timer is gone: its id no longer starts a check.
    QTimerEvent stale(firstId);
    if (client.alarmTimerId() != firstId) {
        QApplication::sendEvent(&client, &stale);
        EXPECT_EQ(checks, 1);
    }
    QTimerEvent next(client.alarmTimerId());
    QApplication::sendEvent(&client, &next);
    EXPECT_EQ(checks, 2);
    EXPECT_EQ(TMyMDIClient::kAlarmPeriodMs, 60000);
}

TEST_F(ClientTest, TickWithoutACheckJustRestartsTheTimer)
{
    client.alarmTick();
    EXPECT_TRUE(client.alarmTimerActive());
}
