// The appointment, recurrence and alarm dialogs on a real database: OK's steps and focus, what
// is stored (or not), the alarm and recurrence hand-offs, and failed stores shown to the user.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "shell/ui/shell_host.h"
#include "widgets/calendar/dia_alarm.h"
#include "widgets/calendar/dia_repeat.h"
#include "widgets/calendar/dia_termin.h"
#include "tests/calendar/ui/calendar_ui_support.h"

using namespace velk;
using namespace velk::apptest;
using namespace velk::caltest;

namespace {

using DialogTest = CalendarUiTest;

// The ten date and time fields, start then end: day, month, year, hour, minute.
void typeDates(QWidget &d, const char *const (&v)[10])
{
    const char *names[] = {"editFromDay",    "editFromMonth", "editFromYear",  "editFromHour",
                           "editFromMinute", "editTillDay",   "editTillMonth", "editTillYear",
                           "editTillHour",   "editTillMinute"};
    for (int i = 0; i < 10; ++i) type(d, names[i], v[i]);
}

TEST_F(DialogTest, AppointmentOkStepsFocusAndStore)
{
    struct Case {
        const char *what;
        const char *fields[10];
        const char *message; // "" for none
        const char *focus;   // "" when the dialog closes with the appointment stored
        tDate till;
    };
    const Case cases[] = {
        {"29.02.1900", {"29", "2", "1900", "10", "0", "", "", "", "11", "0"}, "", "editFromDay"},
        {"end 31.04.",
         {"1", "4", "2024", "10", "0", "31", "4", "2024", "11", "0"},
         "",
         "editTillDay"},
        {"end before start, times wrong too",
         {"2", "4", "2024", "25", "0", "1", "4", "2024", "11", "0"},
         "Ende liegt vor Anfang des Termins",
         "editTillDay"},
        {"start hour 24",
         {"1", "4", "2024", "24", "0", "1", "4", "2024", "11", "0"},
         "",
         "editFromHour"},
        {"end minute 60",
         {"1", "4", "2024", "9", "0", "1", "4", "2024", "11", "60"},
         "",
         "editTillHour"},
        {"29.02.2000",
         {"29", "2", "2000", "10", "0", "29", "2", "2000", "9", "0"},
         "",
         "",
         {29, 2, 2000}},
        {"empty end date",
         {"3", "5", "2024", "10", "0", "", "", "", "11", "30"},
         "",
         "",
         {3, 5, 2024}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        host.messages.clear();
        size_t before = allTermine().size();
        tDiaTermin dialog(nullptr, tTermin{}, nullptr);
        dialog.show();
        typeDates(dialog, c.fields);
        type(dialog, "editTitle", c.what);
        press(dialog, "buttonOk");
        if (*c.message) {
            ASSERT_EQ(host.messages.size(), 1u);
            EXPECT_EQ(host.messages[0].text, QString::fromUtf8(c.message));
            EXPECT_EQ(host.messages[0].caption, appName());
        } else {
            EXPECT_TRUE(host.messages.empty());
        }
        if (*c.focus) {
            EXPECT_NE(dialog.result(), QDialog::Accepted);
            EXPECT_EQ(focusOf(dialog), QString::fromLatin1(c.focus));
            EXPECT_EQ(allTermine().size(), before) << "nothing stored";
            continue;
        }
        ASSERT_EQ(dialog.result(), QDialog::Accepted);
        tTermin stored;
        ASSERT_TRUE(store.find(dialog.termin().ID, stored));
        EXPECT_STREQ(stored.TITLE, c.what);
        EXPECT_STREQ(stored.OWNER, "carl");
        EXPECT_EQ(tDate(stored.till), c.till);
        EXPECT_EQ(stored.till.hour, std::atoi(c.fields[8]));
    }
}

TEST_F(DialogTest, VisibilityButtonsOnOpeningAndWhatOkWrites)
{
    struct Case {
        const char *read, *with;
        const char *shown;   // the radio button checked on opening, "" for none
        const char *press;   // the button pressed before OK ("" keeps the shown one)
        const char *written; // READ after OK
    };
    const Case cases[] = {
        {"", "", "radioAll", "radioPrivate", "Pcarl"},
        {" ", "Pbert", "radioAll", "radioInvolved", "Pbert"},
        {"Gteam", "Gteam", "radioInvolved", "", "Gteam"},
        {"Gteam", "", "", "", "Gteam"}, // no button: READ stays
        {"Pcarl", "Pbert", "radioPrivate", "radioAll", ""},
        {"Pbert", "Pbert", "radioInvolved", "", "Pbert"},
        {"Pdora", "Pbert", "radioAll", "", ""},
        {"X", "", "radioAll", "radioInvolved", ""}, // nobody involved: visible to all
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.read) + "/" + c.with);
        tTermin t = termin("sichtbar", at(6, 5, 2024, 9), at(6, 5, 2024, 10), c.read, c.with);
        tDiaTermin dialog(nullptr, t, nullptr);
        dialog.show();
        for (const char *radio : {"radioAll", "radioInvolved", "radioPrivate"})
            EXPECT_EQ(child<QRadioButton>(dialog, radio)->isChecked(),
                      std::string(radio) == c.shown)
                << radio;
        if (*c.press) click(dialog, c.press);
        press(dialog, "buttonOk");
        ASSERT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_STREQ(dialog.termin().READ, c.written);
        // Whatever READ says, the author still sees (and so can change) the appointment.
        EXPECT_EQ(titles(store.ofDay(tDate{6, 5, 2024})), std::vector<std::string>{"sichtbar"});
        EXPECT_TRUE(store.remove(dialog.termin()) == 0);
    }
}

// The alarm dialog's script: checks the preset it shows, then types a time and a message.
std::function<void(QDialog &)> alarmScript(const char *shownDay, const char *hour,
                                           const char *message, const char *button = "buttonOk")
{
    return [=](QDialog &d) {
        EXPECT_EQ(child<QLineEdit>(d, "editDay")->text(), QString::fromLatin1(shownDay));
        type(d, "editHour", hour);
        type(d, "editMinute", "15");
        type(d, "editMessage", message);
        press(d, button);
    };
}

TEST_F(DialogTest, AlarmTickOpensTheAlarmDialogWheneverTheAlarmHasNoDate)
{
    tTermin t = termin("Zahnarzt", at(6, 5, 2024, 10), at(6, 5, 2024, 11));
    tDiaTermin dialog(nullptr, t, nullptr);
    dialog.show();
    auto *tick = child<QCheckBox>(dialog, "checkAlarm");
    auto *change = child<QPushButton>(dialog, "buttonAlarm");
    EXPECT_FALSE(change->isEnabled());

    // Cancelled: the box clears again, for no alarm without a date may stay ticked.
    host.dialogScripts.push_back(alarmScript("6", "9", "nie", "buttonCancel"));
    tick->click();
    EXPECT_FALSE(tick->isChecked());
    EXPECT_FALSE(change->isEnabled());
    // The second tick in the same run asks again, and the preset is the start as typed now.
    type(dialog, "editFromDay", "7");
    type(dialog, "editTillDay", "7");
    host.dialogScripts.push_back(alarmScript("7", "9", "Zahnarzt anrufen"));
    tick->click();
    EXPECT_TRUE(tick->isChecked());
    EXPECT_TRUE(change->isEnabled());
    // With a date set, clearing and ticking again opens nothing.
    tick->click();
    EXPECT_FALSE(change->isEnabled());
    tick->click();
    EXPECT_EQ(host.eventsOf("dialog:tDiaAlarm").size(), 2);

    press(dialog, "buttonOk");
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    std::vector<tAlarm> rows = alarmsOf("carl");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_STREQ(rows[0].MESSAGE, "Zahnarzt anrufen");
    EXPECT_EQ(rows[0].when, at(7, 5, 2024, 9, 15));
    EXPECT_EQ(std::string(rows[0].WITH), std::string("T") + dialog.termin().ID);
}

TEST_F(DialogTest, AlarmToAPersonGivesTheirRowToo)
{
    tTermin t = termin("Besprechung", at(6, 5, 2024, 10), at(6, 5, 2024, 11));
    tDiaTermin dialog(nullptr, t, nullptr);
    dialog.show();
    host.dialogScripts.push_back([](QDialog &d) {
        EXPECT_TRUE(child<QRadioButton>(d, "radioOnlyMe")->isChecked());
        click(d, "radioAlso");
        click(d, "buttonRecipients");
        EXPECT_EQ(child<QListWidget>(d, "listRecipients")->count(), 1);
        type(d, "editMessage", "gleich");
        press(d, "buttonOk");
    });
    host.dialogScripts.push_back([](QDialog &d) { press(d, "buttonPerson"); });
    host.dialogScripts.push_back([](QDialog &d) {
        auto *list = child<QListWidget>(d, "listPersons");
        auto found = list->findItems(QStringLiteral("[bert]"), Qt::MatchContains);
        ASSERT_EQ(found.size(), 1);
        list->setCurrentItem(found[0]);
        press(d, "buttonOk");
    });
    child<QCheckBox>(dialog, "checkAlarm")->click();
    press(dialog, "buttonOk");
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(alarmsOf("carl").size(), 1u);
    ASSERT_EQ(alarmsOf("bert").size(), 1u);
    EXPECT_STREQ(alarmsOf("bert")[0].MESSAGE, "gleich");
    EXPECT_STREQ(dialog.alarm().SENDTO, "Pbert") << "the recipients stay with the dialog's alarm";
}

TEST_F(DialogTest, CancelStoresNeitherAppointmentNorSeriesNorAlarm)
{
    tTermin t = termin("verworfen", at(6, 5, 2024, 10), at(6, 5, 2024, 11));
    tDiaTermin dialog(nullptr, t, nullptr);
    dialog.show();
    host.dialogScripts.push_back(fillAndPress({{"editCount", "4"}}));
    child<QCheckBox>(dialog, "checkRepeat")->click();
    host.dialogScripts.push_back(alarmScript("6", "9", "weg"));
    child<QCheckBox>(dialog, "checkAlarm")->click();
    press(dialog, "buttonCancel");
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(allTermine().empty());
    EXPECT_TRUE(alarmsOf("carl").empty());
}

TEST_F(DialogTest, ANewSeriesIsExpandedAnEditedOneNot)
{
    // New, weekly 3 times: four rows.
    tTermin t = termin("Sport", at(6, 5, 2024, 18), at(6, 5, 2024, 19));
    host.dialogScripts.push_back([](QDialog &d) {
        child<QCheckBox>(d, "checkRepeat")->click(); // opens the rule's dialog at once
        click(d, "buttonRepeat");                    // and again through "Ändern"
        press(d, "buttonOk");
    });
    host.dialogScripts.push_back([](QDialog &d) {
        EXPECT_EQ(child<QLabel>(d, "labelStartDay")->text(), QStringLiteral("6"));
        click(d, "radioWeekly");
        type(d, "editCount", "3");
        press(d, "buttonOk");
    });
    host.dialogScripts.push_back([](QDialog &d) {
        EXPECT_TRUE(child<QRadioButton>(d, "radioWeekly")->isChecked()) << "the rule kept";
        EXPECT_EQ(child<QLineEdit>(d, "editCount")->text(), QStringLiteral("3"));
        press(d, "buttonCancel");
    });
    ASSERT_TRUE(tDiaTermin::runEdit(nullptr, t));
    ASSERT_EQ(allTermine().size(), 4u);
    EXPECT_EQ(allTermine()[3].from, at(27, 5, 2024, 18));

    // Edited with "Wiederholung" ticked: the changes stored, no repetition made.
    host.dialogScripts.push_back([](QDialog &d) {
        type(d, "editTitle", "Sport und Spiel");
        child<QCheckBox>(d, "checkRepeat")->click();
        press(d, "buttonOk");
    });
    host.dialogScripts.push_back(fillAndPress({{"editCount", "5"}}));
    ASSERT_TRUE(tDiaTermin::runEdit(nullptr, t));
    std::vector<tTermin> rows = allTermine();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_STREQ(rows[0].TITLE, "Sport und Spiel");
    EXPECT_STREQ(rows[0].ID, t.ID);
}

TEST_F(DialogTest, EditingAnAppointmentWhoseIdIsGoneInsertsItAnew)
{
    tTermin t = add("carl", termin("verschwunden", at(6, 5, 2024, 10), at(6, 5, 2024, 11)));
    std::string oldId = t.ID;
    ASSERT_EQ(store.remove(t), 0);
    host.dialogScripts.push_back(fillAndPress({}));
    ASSERT_TRUE(tDiaTermin::runEdit(nullptr, t));
    EXPECT_NE(std::string(t.ID), oldId);
    tTermin found;
    EXPECT_TRUE(store.find(t.ID, found));
    EXPECT_STREQ(found.TITLE, "verschwunden");
}

TEST_F(DialogTest, FailedStoresAreShown)
{
    add("carl", termin("doppelt", at(6, 5, 2024, 10), at(6, 5, 2024, 11)));
    add("carl", termin("doppelt", at(20, 5, 2024, 10), at(20, 5, 2024, 11)));

    // The same appointment again: refused, said, the dialog stays open.
    tDiaTermin again(nullptr, termin("doppelt", at(6, 5, 2024, 10), at(6, 5, 2024, 11)), nullptr);
    again.show();
    press(again, "buttonOk");
    EXPECT_NE(again.result(), QDialog::Accepted);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, QStringLiteral("Fehler"));
    EXPECT_TRUE(host.messages[0].text.contains(QStringLiteral("bereits")));

    // A weekly series from 29.04. whose third repetition meets the stored 20.05.: stored, and
    // how many were not is said.
    host.messages.clear();
    tDiaTermin series(nullptr, termin("doppelt", at(29, 4, 2024, 10), at(29, 4, 2024, 11)),
                      nullptr);
    series.show();
    host.dialogScripts.push_back([](QDialog &d) {
        click(d, "radioWeekly");
        type(d, "editCount", "4");
        press(d, "buttonOk");
    });
    child<QCheckBox>(series, "checkRepeat")->click();
    press(series, "buttonOk");
    EXPECT_EQ(series.result(), QDialog::Accepted);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              QStringLiteral("Von 4 Wiederholungen wurden 2 nicht gespeichert"));
    EXPECT_EQ(allTermine().size(), 2u + 1u + 2u);

    // The table gone: the dialog says so and stays open.
    host.messages.clear();
    tDiaTermin closed(nullptr, termin("zu", at(6, 6, 2024, 10), at(6, 6, 2024, 11)), nullptr);
    closed.show();
    closeDatabase();
    press(closed, "buttonOk");
    EXPECT_NE(closed.result(), QDialog::Accepted);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, QStringLiteral("Der Termin wurde nicht gespeichert"));
    ASSERT_TRUE(openDatabase(dictPath().c_str()));
}

TEST_F(DialogTest, ResourceAndParticipants)
{
    tResource raum;
    ASSERT_TRUE(raum.find("raum1"));
    tTermin t = termin("Sitzung", at(6, 5, 2024, 10), at(6, 5, 2024, 11), "", "Gteam");
    tDiaTermin dialog(nullptr, t, &raum);
    dialog.show();
    EXPECT_TRUE(child<QCheckBox>(dialog, "checkResource")->isChecked());
    EXPECT_TRUE(child<QComboBox>(dialog, "comboResource")->isEnabled());
    EXPECT_EQ(child<QComboBox>(dialog, "comboResource")->currentText(), QStringLiteral("Raum 1"));
    EXPECT_EQ(child<QLabel>(dialog, "labelWith")->text(), QStringLiteral("Team"));
    auto *with = child<QListWidget>(dialog, "listWith");
    ASSERT_EQ(with->count(), 2);
    // A double click on a participant opens the person dialog on that person.
    host.dialogScripts.push_back([](QDialog &d) {
        EXPECT_EQ(child<QLineEdit>(d, "editId")->text(), QStringLiteral("bert"));
        press(d, "buttonCancel");
    });
    QListWidgetItem *bert = with->findItems(QStringLiteral("bert"), Qt::MatchContains).value(0);
    ASSERT_TRUE(bert);
    emit with->itemDoubleClicked(bert);
    EXPECT_EQ(host.eventsOf("dialog:tDiaPerson").size(), 1);
    press(dialog, "buttonOk");
    EXPECT_STREQ(dialog.termin().RESOURCE, "raum1");
    EXPECT_STREQ(dialog.termin().WITH, "Gteam");

    // Clearing "Belegung" books nothing; a stored resource is preselected by itself.
    tTermin stored = dialog.termin();
    tDiaTermin edit(nullptr, stored, nullptr);
    edit.show();
    EXPECT_TRUE(child<QCheckBox>(edit, "checkResource")->isChecked());
    child<QCheckBox>(edit, "checkResource")->click();
    EXPECT_FALSE(child<QComboBox>(edit, "comboResource")->isEnabled());
    press(edit, "buttonOk");
    tTermin found;
    ASSERT_TRUE(store.find(stored.ID, found));
    EXPECT_STREQ(found.RESOURCE, "");
}

TEST_F(DialogTest, RecurrenceDialogRefusesAnOrdinalOutsideOneTo31)
{
    tRepeat rule;
    tDiaRepeat dialog(nullptr, tDate{9, 7, 1996}, rule);
    dialog.show();
    EXPECT_TRUE(child<QRadioButton>(dialog, "radioDaily")->isChecked());
    EXPECT_FALSE(child<QLineEdit>(dialog, "editOrdinal")->isEnabled()) << "only with \"jeden\"";
    click(dialog, "radioEvery");
    EXPECT_TRUE(child<QLineEdit>(dialog, "editOrdinal")->isEnabled());
    click(dialog, "radioLast");
    EXPECT_FALSE(child<QLineEdit>(dialog, "editOrdinal")->isEnabled());
    click(dialog, "radioAlways"); // "immer" selects "am"
    EXPECT_TRUE(child<QRadioButton>(dialog, "radioOn")->isChecked());
    click(dialog, "radioWeekday");
    click(dialog, "radioEveryMonth");
    // A sign or a letter cannot be typed: "-1" is typed as 1, "x" leaves the field empty.
    for (const char *bad : {"32", "0", "00", "x"}) {
        SCOPED_TRACE(bad);
        host.messages.clear();
        type(dialog, "editOrdinal", bad);
        press(dialog, "buttonOk");
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].text, QStringLiteral("Falsche Eingabe"));
        EXPECT_EQ(host.messages[0].caption, QStringLiteral("Fehler"));
        EXPECT_EQ(focusOf(dialog), QStringLiteral("editOrdinal"));
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(int(rule.rhythm), 'X') << "the rhythm is taken before the check";
        EXPECT_EQ(int(rule.unit), 0) << "the rest is not";
    }
    type(dialog, "editOrdinal", "2");
    type(dialog, "editCount", "1");
    press(dialog, "buttonOk");
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(int(rule.ordinal), 2); // packed: compared as copies
    EXPECT_EQ(int(rule.unit), 'W');
    EXPECT_EQ(int(rule.scope), 'E');
    EXPECT_EQ(repetitions(rule, at(9, 7, 1996), at(9, 7, 1996))[0].from, at(13, 8, 1996));
}

TEST_F(DialogTest, AlarmDialogChecksTimeThenDate)
{
    tAlarm a;
    a.when = at(6, 5, 2024, 10, 15);
    a.setSendTo("carl");
    tDiaAlarm dialog(nullptr, a, nullptr);
    dialog.show();
    EXPECT_FALSE(child<QRadioButton>(dialog, "radioAlso")->isEnabled()) << "no preset";
    type(dialog, "editDay", "31");
    type(dialog, "editMonth", "4");
    type(dialog, "editHour", "24");
    press(dialog, "buttonOk");
    EXPECT_EQ(focusOf(dialog), QStringLiteral("editHour"));
    type(dialog, "editHour", "23");
    press(dialog, "buttonOk");
    EXPECT_EQ(focusOf(dialog), QStringLiteral("editDay"));
    type(dialog, "editDay", "30");
    press(dialog, "buttonOk");
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.alarm().when, at(30, 4, 2024, 23, 15));
    EXPECT_STREQ(dialog.alarm().SENDTO, "carl") << "a stored row keeps its user";
}

} // namespace

namespace {

TEST_F(DialogTest, EachDialogOpensTheHelpAtItsKeyword)
{
    tRepeat rule;
    tAlarm alarm;
    tDiaTermin termin(nullptr, tTermin{}, nullptr);
    tDiaRepeat repeat(nullptr, tDate{1, 1, 2024}, rule);
    tDiaAlarm alarmDialog(nullptr, alarm, nullptr);
    const std::pair<QDialog *, const char *> cases[] = {
        {&termin, "Termindialog"}, {&repeat, "Wiederholung"}, {&alarmDialog, "Alarmdialog"}};
    for (auto [dialog, keyword] : cases) {
        SCOPED_TRACE(keyword);
        host.events.clear();
        dialog->show();
        QApplication::setActiveWindow(dialog);
        press(*dialog, "buttonHelp");
        QTest::keyClick(dialog->windowHandle(), Qt::Key_F1);
        EXPECT_EQ(host.eventsOf("help:"),
                  QStringList(2, QStringLiteral("help:keyword:") + QString::fromLatin1(keyword)));
    }
}

} // namespace
