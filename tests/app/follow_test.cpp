// The client's follow timer: it runs the change check, sends the bits it answers to every open
// view, waits while a modal dialog is open, and runs only with a check and a period above 0; the
// period comes from VELK.INI.
#include <QApplication>
#include <QDialog>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "shell/ui/mdi_client.h"
#include "shell/ui/my_app.h"
#include "tests/app/views_test_support.h"
#include "tests/btree/files_support.h"

using namespace velk;
using namespace velk::apptest;

namespace {

class FollowTest : public ::testing::Test {
protected:
    FollowTest()
    {
        client.resize(600, 400);
        client.show();
        client.setChangeCheck([this] {
            ++checks;
            return answer;
        });
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
    int checks = 0;
    int answer = 0;
};

TEST_F(FollowTest, TickSendsTheAnsweredBitsToEveryView)
{
    open("week", NoticeAppointments | NoticePersons);
    open("projects", NoticeProjects);
    open("alarms", NoticeAlarms);
    struct Row {
        int answer;
        QStringList notices;
    } rows[] = {
        {0, {}},
        {NoticeAppointments, {"week:1"}},
        {NoticePersons | NoticeProjects, {"week:4", "projects:8"}},
        {NoticeAll, {"week:5", "projects:8", "alarms:16"}},
    };
    for (const Row &r : rows) {
        log.clear();
        answer = r.answer;
        int before = checks;
        client.followTick();
        EXPECT_EQ(checks, before + 1);
        EXPECT_EQ(log, r.notices) << r.answer;
    }
}

TEST_F(FollowTest, TimerRunsOnlyWithCheckAndPeriod)
{
    EXPECT_FALSE(client.followTimerActive()) << "no period yet";
    client.setFollowPeriod(20);
    EXPECT_TRUE(client.followTimerActive());
    QTRY_VERIFY(checks >= 2);
    client.setFollowPeriod(0);
    EXPECT_FALSE(client.followTimerActive());
    client.setFollowPeriod(20);
    client.setChangeCheck(nullptr);
    EXPECT_FALSE(client.followTimerActive());
    client.followTick(); // without a check: nothing
    client.setFollowPeriod(-5);
    EXPECT_EQ(client.followPeriod(), 0);
}

// While a modal dialog is open the check is not run; the first tick after it runs it.
TEST_F(FollowTest, ModalDialogPostponesTheCheck)
{
    open("week", NoticeAppointments);
    answer = NoticeAppointments;
    QDialog dialog(&client);
    int during = -1;
    QTimer::singleShot(0, &dialog, [&] {
        client.followTick();
        during = checks;
        dialog.reject();
    });
    dialog.exec();
    EXPECT_EQ(during, 0);
    EXPECT_TRUE(log.isEmpty());
    client.followTick();
    EXPECT_EQ(checks, 1);
    EXPECT_EQ(log, QStringList{"week:1"});
}

TEST(FollowSetting, PeriodFromTheIniFile)
{
    TempDir dir;
    const QString ini = QString::fromStdString(dir.file("VELK.INI"));
    struct Row {
        const char *value; // nullptr: no key
        int ms;
    } rows[] = {
        {nullptr, 2000},     {"2", 2000},     {"5", 5000},           {"0", 0},      {" 3 ", 3000},
        {"", 2000},          {"abc", 2000},   {"-1", 2000},          {"1.5", 2000}, {"2s", 2000},
        {"86400", 86400000}, {"86401", 2000}, {"99999999999", 2000},
    };
    for (const Row &r : rows) {
        {
            QSettings s(ini, QSettings::IniFormat);
            s.clear();
            s.setValue(QStringLiteral("V.E.L.K/Path"), QStringLiteral("/somewhere/datadict"));
            if (r.value) s.setValue(QStringLiteral("V.E.L.K/Abgleich"), QString::fromUtf8(r.value));
        }
        EXPECT_EQ(readFollowPeriod(ini), r.ms) << (r.value ? r.value : "(none)");
        EXPECT_EQ(readConfiguredPath(ini), QStringLiteral("/somewhere/datadict"));
        TMyMDIClient client;
        client.setChangeCheck([] { return 0; });
        client.setFollowPeriod(readFollowPeriod(ini));
        EXPECT_EQ(client.followTimerActive(), r.ms > 0) << (r.value ? r.value : "(none)");
    }
}

} // namespace
