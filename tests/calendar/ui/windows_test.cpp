// The "Alarm-Meldung", the alarm list, the calendar's part of the main frame, and an alarm that
// another copy of the program sends, presented here at the next check.
#include <QAction>
#include <QLineEdit>
#include <QRadioButton>

#include <cstdlib>

#include "app/wiring.h"
#include "shell/core/commands.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/mdi_client.h"
#include "shell/ui/tab_list.h"
#include "widgets/calendar/alarm_list_win.h"
#include "widgets/calendar/calendar_frame.h"
#include "widgets/calendar/dia_msg_alarm.h"
#include "widgets/calendar/view_openers.h"
#include "tests/btree/process_support.h"
#include "tests/calendar/ui/calendar_ui_support.h"

using namespace velk;
using namespace velk::apptest;
using namespace velk::caltest;

namespace {

using AlarmWindowTest = CalendarUiTest;

QStringList linesOf(QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

// The message dialog's script: its lines, then what `act` does with it.
std::function<void(QDialog &)> presented(QStringList &lines,
                                         std::function<void(QDialog &)> act = nullptr)
{
    return [&lines, act](QDialog &d) {
        lines = linesOf(child<QListWidget>(d, "listAlarms"));
        if (act) act(d);
        click(d, "buttonClose");
    };
}

TEST_F(AlarmWindowTest, MessageDialogRescheduleDeleteAndClose)
{
    alarmAt(at(6, 5, 2024, 9, 0), "erster");
    alarmAt(at(6, 5, 2024, 10, 15), "zweiter");
    tAlarm undated;
    undated.setMessage("ohne Datum");
    EXPECT_EQ(tAlarmStore::instance().send(undated).status, tStoreStatus::NoDate);
    QStringList lines;

    // At 10:15 only the first; from 10:16 both.
    host.dialogScripts.push_back(presented(lines));
    EXPECT_TRUE(runDueCheck(nullptr, at(6, 5, 2024, 10, 15)));
    EXPECT_EQ(lines, QStringList{QStringLiteral("06.05.2024 09:00 - erster")});
    // "Schließen" brings them back at the next check; "Neu vorlegen" of the second moves the
    // second, which leaves the due set.
    host.dialogScripts.push_back(presented(lines, [&](QDialog &d) {
        child<QListWidget>(d, "listAlarms")->setCurrentRow(1);
        click(d, "buttonReschedule");
        EXPECT_EQ(linesOf(child<QListWidget>(d, "listAlarms")),
                  QStringList{QStringLiteral("06.05.2024 09:00 - erster")});
    }));
    host.dialogScripts.push_back([](QDialog &d) {
        EXPECT_FALSE(child<QRadioButton>(d, "radioAlso")->isEnabled());
        EXPECT_EQ(child<QLineEdit>(d, "editMinute")->text(), QStringLiteral("15"));
        type(d, "editHour", "12");
        press(d, "buttonOk");
    });
    EXPECT_TRUE(runDueCheck(nullptr, at(6, 5, 2024, 10, 16)));
    EXPECT_EQ(lines.size(), 2);
    std::vector<tAlarm> rows = alarmsOf("carl");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_STREQ(rows[0].MESSAGE, "erster");
    EXPECT_EQ(rows[0].when, at(6, 5, 2024, 9, 0)) << "the first stays";
    EXPECT_EQ(rows[1].when, at(6, 5, 2024, 12, 15));

    // "Alarm löschen" deletes the selected one.
    host.dialogScripts.push_back(presented(lines, [](QDialog &d) {
        click(d, "buttonDelete");
        EXPECT_EQ(child<QListWidget>(d, "listAlarms")->count(), 0);
    }));
    EXPECT_TRUE(runDueCheck(nullptr, at(6, 5, 2024, 11, 0)));
    EXPECT_EQ(lines.size(), 1);
    ASSERT_EQ(alarmsOf("carl").size(), 1u);
    EXPECT_FALSE(runDueCheck(nullptr, at(6, 5, 2024, 11, 0))) << "nothing due: no dialog";
    EXPECT_EQ(host.eventsOf("dialog:tDiaMsgAlarm").size(), 3);
}

TEST_F(AlarmWindowTest, InfoOpensTheTaskOrTheAppointment)
{
    tTermin t = add("carl", termin("Arzt", at(6, 5, 2024, 10), at(6, 5, 2024, 11)));
    alarmAt(at(6, 5, 2024, 9, 0), "Aufgabe", "Jtask1");
    alarmAt(at(6, 5, 2024, 9, 30), "Termin", (std::string("T") + t.ID).c_str());
    std::vector<std::string> tasks;
    viewOpeners().task = [&](QWidget *, const std::string &id) {
        tasks.push_back(id);
        return false;
    };
    QStringList lines;
    host.dialogScripts.push_back(presented(lines, [](QDialog &d) {
        auto *list = child<QListWidget>(d, "listAlarms");
        list->setCurrentRow(0);
        click(d, "buttonInfo");
        list->setCurrentRow(1);
        emit list->itemDoubleClicked(list->item(1));
    }));
    host.dialogScripts.push_back([](QDialog &d) {
        EXPECT_EQ(child<QLineEdit>(d, "editTitle")->text(), QStringLiteral("Arzt"));
        press(d, "buttonCancel");
    });
    EXPECT_TRUE(runDueCheck(nullptr, at(6, 5, 2024, 12, 0)));
    viewOpeners().task = nullptr;
    EXPECT_EQ(tasks, std::vector<std::string>{"task1"});
    EXPECT_EQ(host.eventsOf("dialog:tDiaTermin").size(), 1);
}

TEST_F(AlarmWindowTest, AlarmListLinesEditDeleteAndRefill)
{
    alarmAt(at(7, 5, 2024, 8, 5), "sp\xe4ter");
    alarmAt(at(6, 5, 2024, 9, 0), "fr\xfc"
                                  "her");
    setCurrentUser("bert");
    alarmAt(at(6, 5, 2024, 9, 0), "für bert");
    setCurrentUser("carl");
    tAlarmListWin list;
    list.show();
    auto lines = [&] {
        QStringList out;
        for (int i = 0; i < list.list()->lines()->count(); ++i)
            out << QString::fromLatin1(list.list()->lines()->line(i).text.c_str());
        return out;
    };
    EXPECT_EQ(lines(), (QStringList{QStringLiteral("* 6.5.2024 09:00 - fr\xfc") + "her",
                                    QStringLiteral("* 7.5.2024 08:05 - sp\xe4") + "ter"}));
    EXPECT_TRUE(list.handlesCommand(CmEdit));
    EXPECT_FALSE(list.handlesCommand(CmNew));

    list.list()->selectRow(1);
    host.dialogScripts.push_back(fillAndPress({{"editDay", "5"}}));
    list.command(CmEdit);
    EXPECT_EQ(lines().first(), QStringLiteral("* 5.5.2024 08:05 - sp\xe4") + "ter");

    list.list()->selectRow(0);
    list.command(CmDelete);
    EXPECT_EQ(lines().size(), 1);
    EXPECT_EQ(alarmsOf("carl").size(), 1u);

    // Another alarm stored elsewhere shows after the alarms notice.
    alarmAt(at(8, 5, 2024, 8, 0), "neu");
    tDataChangedEvent notice(NoticeAlarms);
    QCoreApplication::sendEvent(&list, &notice);
    EXPECT_EQ(lines().size(), 2);
    list.list()->selectRow(0);
    list.command(CmDelete);
    list.list()->selectRow(0);
    list.command(CmDelete);
    EXPECT_FALSE(list.handlesCommand(CmDelete)) << "an empty list has nothing to change";
}

TEST_F(AlarmWindowTest, TheFrameGainsCommandsDueCheckAndOpeners)
{
    qputenv("VELK_ALARM_PERIOD_MS", "1500");
    auto *client = new TMyMDIClient;
    tMainFrame frame(client);
    calendarFrameSetup(frame, *client);
    wireOpeners();
    qunsetenv("VELK_ALARM_PERIOD_MS");
    frame.updateMenus();
    EXPECT_EQ(client->alarmPeriod(), 1500);
    EXPECT_TRUE(client->alarmTimerActive());

    // "Termin ..." on today; "Alarmliste" opens the list.
    host.dialogScripts.push_back([](QDialog &d) {
        EXPECT_EQ(child<QLineEdit>(d, "editFromDay")->text(), QString::number(tDate::today().day));
        type(d, "editTitle", "heute");
        press(d, "buttonOk");
    });
    ASSERT_TRUE(frame.action(CmNewAppointment)->isEnabled());
    frame.execute(CmNewAppointment);
    ASSERT_EQ(allTermine().size(), 1u);
    EXPECT_EQ(tDate(allTermine()[0].from), tDate::today());
    frame.execute(CmAlarmList);
    ASSERT_EQ(client->views().size(), 1);
    EXPECT_TRUE(qobject_cast<tAlarmListWin *>(client->views()[0]));

    // A tick with an alarm due presents it; the list saw the new alarm through the notice.
    alarmAt(at(1, 1, 2020, 8, 0), "l\xe4ngst f\xe4llig");
    QStringList lines;
    host.dialogScripts.push_back(presented(lines));
    client->alarmTick();
    EXPECT_EQ(lines.size(), 1);
    EXPECT_TRUE(client->alarmTimerActive());

    // The openers lead to the dialogs.
    ASSERT_TRUE(viewOpeners().person && viewOpeners().termin && viewOpeners().newTermin);
    host.dialogScripts.push_back([](QDialog &d) {
        EXPECT_TRUE(child<QCheckBox>(d, "checkResource")->isChecked());
        EXPECT_EQ(child<QLineEdit>(d, "editTillHour")->text(), QStringLiteral("12"));
        press(d, "buttonOk");
    });
    EXPECT_TRUE(viewOpeners().newTermin(nullptr, at(8, 5, 2024, 10), at(8, 5, 2024, 12), "raum1"));
    host.dialogScripts.push_back([](QDialog &d) { press(d, "buttonCancel"); });
    EXPECT_FALSE(viewOpeners().termin(nullptr, allTermine()[0].ID));
    EXPECT_FALSE(viewOpeners().termin(nullptr, "nichtda")) << "no dialog for a vanished one";
    host.dialogScripts.push_back([](QDialog &d) { press(d, "buttonCancel"); });
    EXPECT_FALSE(viewOpeners().person(nullptr, "anna"));
    EXPECT_EQ(host.eventsOf("dialog:").size(), 5);
    viewOpeners() = tViewOpeners{};
}

// Another copy, working for anna, sends an alarm to bert; bert's copy shows it at its check.
TEST_F(AlarmWindowTest, AnAlarmFromAnotherCopyIsPresentedAtTheNextCheck)
{
    setCurrentUser("bert");
    QStringList lines;
    EXPECT_FALSE(runDueCheck(nullptr, at(6, 5, 2024, 10, 16)));
    closeDatabase(); // the child must not share this process's open files
    Signal sent;
    pid_t child = spawn([&] {
        if (!openDatabase(dictPath().c_str())) return 1;
        setCurrentUser("anna");
        tAlarm alarm;
        alarm.when = at(6, 5, 2024, 10, 15);
        alarm.setMessage("von anna");
        alarm.setSendTo("Gteam");
        if (tAlarmStore::instance().send(alarm).stored != 2) return 2;
        closeDatabase();
        sent.post();
        return 0;
    });
    ASSERT_TRUE(openDatabase(dictPath().c_str()));
    ASSERT_TRUE(sent.wait());
    EXPECT_EQ(waitFor(child), 0);
    EXPECT_FALSE(runDueCheck(nullptr, at(6, 5, 2024, 10, 15))) << "not in its own minute";
    host.dialogScripts.push_back(presented(lines));
    EXPECT_TRUE(runDueCheck(nullptr, at(6, 5, 2024, 10, 16)));
    EXPECT_EQ(lines, QStringList{QStringLiteral("06.05.2024 10:15 - von anna")});
}

} // namespace
