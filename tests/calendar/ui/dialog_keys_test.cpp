// Every dialog's keyboard: the text of a field that gets the focus is selected, number fields
// take digits only, Tab walks the controls as they are laid out, Enter in a multi-line field
// makes a new line.
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <cstdlib>
#include <functional>
#include <memory>

#include "widgets/address/dia_group.h"
#include "widgets/address/dia_member.h"
#include "widgets/address/dia_pers_grp.h"
#include "widgets/address/dia_person.h"
#include "widgets/address/dia_res.h"
#include "widgets/address/dia_sel_pers.h"
#include "widgets/calendar/dia_alarm.h"
#include "widgets/calendar/dia_list.h"
#include "widgets/calendar/dia_msg_alarm.h"
#include "widgets/calendar/dia_repeat.h"
#include "widgets/calendar/dia_termin.h"
#include "widgets/projects/dia_proj.h"
#include "widgets/projects/dia_task.h"
#include "tests/calendar/ui/calendar_ui_support.h"

using namespace velk;
using namespace velk::apptest;
using namespace velk::caltest;

namespace {

using DialogKeysTest = CalendarUiTest;

using tMake = std::function<std::unique_ptr<QDialog>()>;

tTermin terminOn9July()
{
    tTermin t;
    t.from = at(9, 7, 1996, 9, 5);
    t.till = at(9, 7, 1996, 10, 0);
    return t;
}

tRepeat gRule; // the recurrence dialog works on a rule it does not own

struct tNamedDialog {
    const char *name;
    tMake make;
};

// Every dialog of the program, as the menu or another dialog opens it.
std::vector<tNamedDialog> everyDialog()
{
    return {
        {"Termin", [] { return std::make_unique<tDiaTermin>(nullptr, terminOn9July(), nullptr); }},
        {"Wiederholung",
         [] {
             return std::make_unique<tDiaRepeat>(nullptr, tDate{9, 7, 1996}, gRule);
         }},
        {"Alarm",
         [] {
             tAlarm a;
             a.when = at(9, 7, 1996, 8, 30);
             return std::make_unique<tDiaAlarm>(nullptr, a, nullptr);
         }},
        {"Auswahl", [] { return std::make_unique<tDiaList>(nullptr, tSelection{}); }},
        {"Alarm-Meldung", [] { return std::make_unique<tDiaMsgAlarm>(nullptr, tDueAlarms{}); }},
        {"Person", [] { return std::make_unique<tDiaPerson>(nullptr, nullptr); }},
        {"Gruppe", [] { return std::make_unique<TDiaGroup>(nullptr, tGroup{}, TDiaGroup::New); }},
        {"Gruppenzuordnung", [] { return std::make_unique<tDiaMember>(nullptr); }},
        {"Person oder Gruppe", [] { return std::make_unique<tDiaPersGrp>(nullptr); }},
        {"Ressource", [] { return std::make_unique<tDiaRes>(nullptr, tResource{}, tDiaRes::New); }},
        {"Personenauswahl", [] { return std::make_unique<tDiaSelPers>(nullptr); }},
        {"Projekt", [] { return std::make_unique<tDiaProj>(nullptr, nullptr, tDiaProj::New); }},
        {"Aufgabe", [] { return std::make_unique<tDiaTask>(nullptr, nullptr, tDiaTask::New); }},
    };
}

tMake dialogNamed(const char *name)
{
    for (const tNamedDialog &d : everyDialog())
        if (!std::strcmp(d.name, name)) return d.make;
    ADD_FAILURE() << "no dialog " << name;
    return [] { return std::make_unique<QDialog>(); };
}

// Shows the dialog as a modal run would and makes it the active window.
void open(QDialog &dialog)
{
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
}

QLineEdit *line(QDialog &dialog, const char *name)
{
    auto *edit = dialog.findChild<QLineEdit *>(QString::fromLatin1(name));
    EXPECT_TRUE(edit) << name;
    return edit;
}

// The controls Tab reaches from the first one, in order, up to the first again.
QStringList tabChain(QDialog &dialog)
{
    QStringList names;
    QWidget *first = nullptr;
    for (QWidget *w = dialog.nextInFocusChain(); w && w != &dialog; w = w->nextInFocusChain()) {
        if (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisibleTo(&dialog)) continue;
        if (w == first) break;
        if (!first) first = w;
        names << w->objectName();
    }
    return names;
}

// The chain against the places the layout gave: each field lies in the row of the one before it
// and right of it, or below it; the buttons come after every field, left to right.
void expectChainFollowsGeometry(QDialog &dialog, const QStringList &chain)
{
    const int tolerance = dialog.fontMetrics().height() / 2;
    QPoint before(-1, -1);
    bool buttons = false;
    for (const QString &name : chain) {
        auto *w = dialog.findChild<QWidget *>(name);
        ASSERT_TRUE(w) << name.toStdString();
        const QPoint at = w->mapTo(&dialog, QPoint(0, 0));
        const bool button =
            name == QLatin1String("buttonOk") || name == QLatin1String("buttonCancel") ||
            name == QLatin1String("buttonHelp") || name == QLatin1String("buttonClose");
        if (button && !buttons) before = QPoint(-1, -1);
        buttons = buttons || button;
        EXPECT_EQ(button, buttons) << name.toStdString() << " after a button";
        const bool sameRow = std::abs(at.y() - before.y()) <= tolerance;
        EXPECT_TRUE(sameRow ? at.x() > before.x() : at.y() > before.y())
            << name.toStdString() << " at " << at.x() << "," << at.y() << " after " << before.x()
            << "," << before.y();
        before = at;
    }
}

} // namespace

// A field that holds text when it gets the focus, on opening or by Tab, has it selected: typing
// replaces it.  A click places the cursor instead.
TEST_F(DialogKeysTest, TypingReplacesTheTextOfAFieldThatGetsTheFocus)
{
    struct Case {
        const char *dialog;
        const char *first; // the field with the focus on opening
        const char *next;  // the field after it
    };
    const Case cases[] = {
        {"Termin", "editFromDay", "editFromMonth"},
        {"Alarm", "editDay", "editMonth"},
        {"Wiederholung", "editCount", "radioYearly"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.dialog);
        std::unique_ptr<QDialog> dialog = dialogNamed(c.dialog)();
        open(*dialog);
        QLineEdit *first = line(*dialog, c.first);
        ASSERT_TRUE(first);
        ASSERT_EQ(QApplication::focusWidget(), first);
        const QString was = first->text();
        ASSERT_FALSE(was.isEmpty());
        EXPECT_EQ(first->selectedText(), was) << "on opening";
        QTest::keyClicks(first, "1");
        EXPECT_EQ(first->text(), QStringLiteral("1"));

        QTest::keyClick(first, Qt::Key_Tab);
        ASSERT_TRUE(QApplication::focusWidget());
        EXPECT_EQ(QApplication::focusWidget()->objectName(), QString::fromLatin1(c.next));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        EXPECT_EQ(first->selectedText(), QStringLiteral("1")) << "by Shift+Tab";

        QTest::keyClick(first, Qt::Key_Tab);
        QTest::mouseClick(first, Qt::LeftButton, {}, QPoint(first->width() - 4, 5));
        EXPECT_EQ(QApplication::focusWidget(), first);
        EXPECT_TRUE(first->selectedText().isEmpty()) << "a click places the cursor";
    }
}

// Every field that holds a number takes digits only; its limit stays.  Text fields do not.
TEST_F(DialogKeysTest, NumberFieldsTakeDigitsOnly)
{
    struct Case {
        const char *dialog;
        std::vector<const char *> numbers;
        int maxLength;    // of the first one
        const char *text; // a text field of the dialog; "" for none
    };
    const Case cases[] = {
        {"Termin",
         {"editFromDay", "editFromMonth", "editFromYear", "editFromHour", "editFromMinute",
          "editTillDay", "editTillMonth", "editTillYear", "editTillHour", "editTillMinute"},
         2,
         "editTitle"},
        {"Wiederholung", {"editCount", "editOrdinal"}, 3, ""},
        {"Alarm", {"editDay", "editMonth", "editYear", "editHour", "editMinute"}, 2, "editMessage"},
        {"Person", {"editDay", "editMonth", "editYear"}, 2, "editZip"},
        {"Projekt", {"editMaxTime", "editDay", "editMonth", "editYear"}, 8, "editTitle"},
        {"Aufgabe", {"editTime", "editDay", "editMonth", "editYear"}, 32767, "editPrio"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.dialog);
        std::unique_ptr<QDialog> dialog = dialogNamed(c.dialog)();
        open(*dialog);
        EXPECT_EQ(line(*dialog, c.numbers.front())->maxLength(), c.maxLength);
        for (const char *name : c.numbers) {
            SCOPED_TRACE(name);
            QLineEdit *edit = line(*dialog, name);
            ASSERT_TRUE(edit);
            edit->setEnabled(true); // N works only with "jeden"
            edit->setFocus();
            edit->clear();
            QTest::keyClicks(edit, "9H");
            EXPECT_EQ(edit->text(), QStringLiteral("9"));
            edit->clear();
            QTest::keyClicks(edit, "xy1-2+");
            EXPECT_EQ(edit->text(), QStringLiteral("12"));
            edit->selectAll();
            QTest::keyClicks(edit, "Berl");
            EXPECT_EQ(edit->text(), QStringLiteral("12")) << "a refused key keeps the text";
        }
        if (*c.text) {
            QLineEdit *edit = line(*dialog, c.text);
            edit->setFocus();
            edit->clear();
            QTest::keyClicks(edit, "D-9H");
            EXPECT_EQ(edit->text(), QStringLiteral("D-9H"));
        }
    }
}

// Tab walks through the controls top to bottom, left to right, the buttons last; the first one
// has the focus when the dialog opens.
TEST_F(DialogKeysTest, TabFollowsTheLayout)
{
    struct Case {
        const char *dialog;
        QStringList chain;
    };
    const QString ok = QStringLiteral("buttonOk"), cancel = QStringLiteral("buttonCancel"),
                  help = QStringLiteral("buttonHelp"), close = QStringLiteral("buttonClose");
    const Case cases[] = {
        {"Termin",
         {"editFromDay",
          "editFromMonth",
          "editFromYear",
          "buttonPickFrom",
          "editFromHour",
          "editFromMinute",
          "editTillDay",
          "editTillMonth",
          "editTillYear",
          "buttonPickTill",
          "editTillHour",
          "editTillMinute",
          "editTitle",
          "checkResource",
          "comboResource",
          "buttonWith",
          "listWith",
          "checkAlarm",
          "buttonAlarm",
          "checkRepeat",
          "buttonRepeat",
          "radioAll",
          "radioInvolved",
          "radioPrivate",
          ok,
          cancel,
          help}},
        {"Wiederholung",
         {"editCount", "radioYearly", "radioMonthly", "radioWeekly", "radioDaily", "radioEvery",
          "radioLast", "radioOn", "editOrdinal", "radioDay", "radioWeekday", "radioAlways",
          "radioEveryMonth", "radioThisMonth", ok, cancel, help}},
        {"Alarm",
         {"editDay", "editMonth", "editYear", "buttonPickDate", "editHour", "editMinute",
          "editMessage", "radioOnlyMe", "radioAlso", "buttonRecipients", "listRecipients", ok,
          cancel, help}},
        {"Auswahl", {"listLines", "buttonPrint", ok, cancel, help}},
        {"Alarm-Meldung", {"listAlarms", "buttonInfo", "buttonDelete", "buttonReschedule", close}},
        {"Person",
         {"editId", "editName", "editChrName", "editDay", "editMonth", "editYear", "buttonPickDate",
          "editTel", "editStreet", "editZip", "editCity", "editCountry", ok, cancel, help}},
        {"Gruppe",
         {"editId", "editTitle", "editTel", "editFax", "editStreet", "editZip", "editCity",
          "editCountry", "editComment", ok, cancel, help}},
        {"Gruppenzuordnung",
         {"comboGroup", "buttonGroupNew", "buttonGroupEdit", "buttonGroupDelete", "listMembers",
          "buttonMemberNew", "buttonMemberEdit", "buttonMemberDelete", close, help}},
        {"Person oder Gruppe", {"buttonPerson", "buttonGroup", "buttonClear", cancel}},
        {"Ressource", {"editId", "editTitle", ok, cancel, help}},
        {"Personenauswahl", {"listPersons", ok, cancel, help}},
        {"Projekt",
         {"editId", "editTitle", "buttonCostumer", "listCostumer", "comboBill", "comboStatus",
          "editMaxTime", "editDay", "editMonth", "editYear", "buttonPickDate", ok, cancel, help}},
        {"Aufgabe",
         {"editId", "editTitle", "buttonSee", "buttonWorker", "listWorker", "editTime",
          "comboStatus", "editComment", "editPrio", "editDay", "editMonth", "editYear",
          "buttonPickDate", ok, cancel, help}},
    };
    ASSERT_EQ(std::size(cases), everyDialog().size());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.dialog);
        std::unique_ptr<QDialog> dialog = dialogNamed(c.dialog)();
        open(*dialog);
        EXPECT_EQ(tabChain(*dialog).join(QLatin1Char(' ')).toStdString(),
                  c.chain.join(QLatin1Char(' ')).toStdString());
        ASSERT_TRUE(QApplication::focusWidget());
        EXPECT_EQ(QApplication::focusWidget()->objectName(), c.chain.front()) << "first focus";
        expectChainFollowsGeometry(*dialog, tabChain(*dialog));
    }
}

// Enter in a multi-line field makes a new line there and leaves the dialog open; nothing is
// stored.  Ctrl+Enter still presses OK.
TEST_F(DialogKeysTest, EnterInAMultiLineFieldMakesANewLine)
{
    struct Case {
        const char *dialog;
        const char *field;
    };
    const Case cases[] = {{"Person", "editStreet"},
                          {"Gruppe", "editStreet"},
                          {"Gruppe", "editComment"},
                          {"Aufgabe", "editComment"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.dialog) + " " + c.field);
        std::unique_ptr<QDialog> dialog = dialogNamed(c.dialog)();
        open(*dialog);
        auto *edit = dialog->findChild<QPlainTextEdit *>(QString::fromLatin1(c.field));
        ASSERT_TRUE(edit);
        edit->setFocus();
        QTest::keyClicks(edit, "a");
        QTest::keyClick(dialog->windowHandle(), Qt::Key_Return);
        QTest::keyClicks(edit, "b");
        QTest::keyClick(dialog->windowHandle(), Qt::Key_Enter, Qt::KeypadModifier);
        QTest::keyClicks(edit, "c");
        EXPECT_EQ(edit->toPlainText(), QStringLiteral("a\nb\nc"));
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_NE(dialog->result(), QDialog::Accepted);
    }
    tPerson none;
    EXPECT_FALSE(none.find("")) << "no person without an ID was stored";

    std::unique_ptr<QDialog> dialog = dialogNamed("Person")();
    open(*dialog);
    type(*dialog, "editId", "an");
    type(*dialog, "editStreet", "Weg 1");
    QTest::keyClick(dialog->windowHandle(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(dialog->result(), QDialog::Accepted) << "Ctrl+Enter is OK";
}
