// The calendar beside every dialog's date fields: the button opens it on the typed date (or
// today), a picked day goes into the three fields, Escape leaves them, Alt+Down and F4 in a field
// open it, holidays carry their names.
#include <QApplication>
#include <QCalendarWidget>
#include <QLineEdit>
#include <QTableView>
#include <QToolButton>

#include <functional>
#include <memory>

#include "shell/ui/date_picker.h"
#include "widgets/address/dia_person.h"
#include "widgets/calendar/dia_alarm.h"
#include "widgets/calendar/dia_termin.h"
#include "widgets/projects/dia_proj.h"
#include "widgets/projects/dia_task.h"
#include "tests/calendar/ui/calendar_ui_support.h"

using namespace velk;
using namespace velk::caltest;

namespace {

using DatePickerTest = CalendarUiTest;

struct PickerCase {
    const char *what;
    std::function<std::unique_ptr<QDialog>()> make;
    const char *button, *day, *month, *year;
    QDate start; // invalid: today
};

std::vector<PickerCase> pickerCases()
{
    auto termin = [] {
        tTermin t;
        t.from = at(9, 7, 1996, 9, 5);
        t.till = at(11, 7, 1996, 10, 0);
        return std::make_unique<tDiaTermin>(nullptr, t, nullptr);
    };
    auto alarm = [] {
        tAlarm a;
        a.when = at(3, 10, 2027, 8, 30);
        return std::make_unique<tDiaAlarm>(nullptr, a, nullptr);
    };
    auto person = [] {
        tPerson p;
        p.setId("eva");
        p.BIRTH = tDate{29, 2, 1988};
        return std::make_unique<tDiaPerson>(nullptr, &p);
    };
    return {
        {"Termin von", termin, "buttonPickFrom", "editFromDay", "editFromMonth", "editFromYear",
         QDate(1996, 7, 9)},
        {"Termin bis", termin, "buttonPickTill", "editTillDay", "editTillMonth", "editTillYear",
         QDate(1996, 7, 11)},
        {"Alarm", alarm, "buttonPickDate", "editDay", "editMonth", "editYear", QDate(2027, 10, 3)},
        {"Person", person, "buttonPickDate", "editDay", "editMonth", "editYear",
         QDate(1988, 2, 29)},
        {"neue Person", [] { return std::make_unique<tDiaPerson>(nullptr, nullptr); },
         "buttonPickDate", "editDay", "editMonth", "editYear", QDate()},
        {"Projekt", [] { return std::make_unique<tDiaProj>(nullptr, nullptr, tDiaProj::New); },
         "buttonPickDate", "editDay", "editMonth", "editYear", QDate()},
        {"Aufgabe", [] { return std::make_unique<tDiaTask>(nullptr, nullptr, tDiaTask::New); },
         "buttonPickDate", "editDay", "editMonth", "editYear", QDate()},
    };
}

void open(QDialog &dialog)
{
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
}

QTableView *daysOf(QCalendarWidget *calendar)
{
    return calendar->findChild<QTableView *>(QStringLiteral("qt_calendar_calendarview"));
}

// The cell of the shown month's day `day` (15 never shows twice in the grid).
QModelIndex cellOf(QTableView *view, int day)
{
    QAbstractItemModel *model = view->model();
    for (int row = 1; row < model->rowCount(); ++row)
        for (int column = 0; column < model->columnCount(); ++column) {
            QModelIndex at = model->index(row, column);
            if (model->data(at).toInt() == day) return at;
        }
    return {};
}

QString texts(QDialog &d, const PickerCase &c)
{
    return child<QLineEdit>(d, c.day)->text() + QLatin1Char('|') +
           child<QLineEdit>(d, c.month)->text() + QLatin1Char('|') +
           child<QLineEdit>(d, c.year)->text();
}

} // namespace

TEST_F(DatePickerTest, TheButtonOpensTheCalendarAndAPickedDayFillsTheFields)
{
    for (const PickerCase &c : pickerCases()) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<QDialog> d = c.make();
        open(*d);
        auto *button = child<QToolButton>(*d, c.button);
        ASSERT_TRUE(button);
        EXPECT_EQ(button->toolTip(), QStringLiteral("Kalender"));
        EXPECT_EQ(openDatePicker(button), nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
        QCalendarWidget *calendar = openDatePicker(button);
        ASSERT_TRUE(calendar);
        EXPECT_EQ(calendar->selectedDate(), c.start.isValid() ? c.start : QDate::currentDate());
        EXPECT_EQ(calendar->firstDayOfWeek(), Qt::Monday);
        EXPECT_EQ(calendar->locale().language(), QLocale::German);

        // A month on, then a click on its 15th.
        calendar->setCurrentPage(2030, 12);
        QTableView *view = daysOf(calendar);
        ASSERT_TRUE(view);
        const QModelIndex cell = cellOf(view, 15);
        ASSERT_TRUE(cell.isValid());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(cell).center());
        EXPECT_EQ(texts(*d, c), QStringLiteral("15|12|2030"));
        EXPECT_EQ(openDatePicker(button), nullptr) << "closed after the pick";
    }
}

TEST_F(DatePickerTest, EscapeLeavesTheFieldsAndKeysOpenIt)
{
    for (const PickerCase &c : pickerCases()) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<QDialog> d = c.make();
        open(*d);
        auto *button = child<QToolButton>(*d, c.button);
        const QString was = texts(*d, c);
        const std::pair<Qt::Key, Qt::KeyboardModifiers> keys[] = {{Qt::Key_F4, Qt::NoModifier},
                                                                  {Qt::Key_Down, Qt::AltModifier}};
        for (const char *field : {c.day, c.month, c.year}) {
            for (auto [key, modifiers] : keys) {
                auto *edit = child<QLineEdit>(*d, field);
                edit->setFocus();
                QTest::keyClick(edit, key, modifiers);
                QCalendarWidget *calendar = openDatePicker(button);
                ASSERT_TRUE(calendar) << field << " key " << key;
                calendar->setSelectedDate(QDate(2001, 2, 3));
                QTest::keyClick(daysOf(calendar), Qt::Key_Escape);
                EXPECT_EQ(openDatePicker(button), nullptr) << field;
                EXPECT_EQ(texts(*d, c), was) << field;
            }
        }
        // Return takes the day the keys moved to.
        QTest::mouseClick(button, Qt::LeftButton);
        QCalendarWidget *calendar = openDatePicker(button);
        ASSERT_TRUE(calendar);
        calendar->setSelectedDate(QDate(2001, 2, 3));
        QTest::keyClick(daysOf(calendar), Qt::Key_Right);
        QTest::keyClick(daysOf(calendar), Qt::Key_Return);
        EXPECT_EQ(texts(*d, c), QStringLiteral("4|2|2001"));
        EXPECT_EQ(openDatePicker(button), nullptr);
    }
}

// Sundays and holidays red, a holiday's name as its tooltip.
TEST_F(DatePickerTest, HolidaysCarryTheirNames)
{
    std::unique_ptr<QDialog> d = pickerCases().front().make();
    open(*d);
    auto *button = child<QToolButton>(*d, "buttonPickFrom");
    QTest::mouseClick(button, Qt::LeftButton);
    QCalendarWidget *calendar = openDatePicker(button);
    ASSERT_TRUE(calendar);
    calendar->setCurrentPage(2026, 12);
    const QTextCharFormat christmas = calendar->dateTextFormat(QDate(2026, 12, 25));
    EXPECT_EQ(christmas.toolTip(), QStringLiteral("1. Weihnachtstag"));
    EXPECT_EQ(christmas.foreground().color(), QColor(Qt::red));
    EXPECT_TRUE(calendar->dateTextFormat(QDate(2026, 12, 23)).toolTip().isEmpty());
    EXPECT_EQ(calendar->weekdayTextFormat(Qt::Sunday).foreground().color(), QColor(Qt::red));
    QTableView *view = daysOf(calendar);
    const QModelIndex cell = cellOf(view, 25);
    EXPECT_EQ(view->model()->data(cell, Qt::ToolTipRole).toString(),
              QStringLiteral("1. Weihnachtstag"));
    // The next year's holidays once its page shows.
    calendar->setCurrentPage(2027, 1);
    EXPECT_EQ(calendar->dateTextFormat(QDate(2027, 1, 1)).toolTip(), QStringLiteral("Neujahr"));
}
