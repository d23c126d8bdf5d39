// date_picker.h - a calendar to pick a date from, beside a dialog's day, month and year fields.
//
// attachDatePicker makes a tool button of the dialog ("…", tooltip "Kalender", reached by Tab
// after the year field) open a calendar under the fields; Alt+Down or F4 in any of the three
// fields opens it too.  The calendar starts the week on Monday, speaks German, shows Sundays and
// holidays in red (a holiday's name as its tooltip) and today in bold on a light background.  A
// click on a day, or Return, writes the day into the fields and closes it; Escape closes it and
// leaves the fields as they were.  The fields stay typeable as before (shell/core/date_pick.h).
#ifndef VELK_SHELL_UI_DATE_PICKER_H
#define VELK_SHELL_UI_DATE_PICKER_H

class QCalendarWidget;
class QLineEdit;
class QToolButton;
class QWidget;

namespace velk {

void attachDatePicker(QToolButton *button, QLineEdit *day, QLineEdit *month, QLineEdit *year);

// The calendar the button of these fields shows while it is open; null when none is open.
QCalendarWidget *openDatePicker(const QToolButton *button);

} // namespace velk

#endif
