// alarm_list_win.h - the alarm list tAlarmListWin (view type 6, window "Alarmliste", help
// "Alarmliste").
//
// One line per alarm of the calendar user that has a date, "* %d.%d.%04d %02d:%02d - MESSAGE",
// in date order, each carrying the alarm's ID.  Ändern (or a double click) opens the alarm
// dialog on the selected alarm and stores it; Löschen deletes it without asking.  Both are
// enabled while the list has lines.  The alarms bit (16) of the data-changed notice refills it.
#ifndef VELK_WIDGETS_CALENDAR_ALARM_LIST_WIN_H
#define VELK_WIDGETS_CALENDAR_ALARM_LIST_WIN_H

#include "shell/ui/list_win.h"

namespace velk {

class tAlarmListWin : public tTabListWin {
    Q_OBJECT
public:
    explicit tAlarmListWin(QWidget *parent = nullptr);

    void fill() override;

    bool handlesCommand(int id) const override;
    void command(int id) override;
    // Printed as a table: the lines as shown, one column.
    bool canPrint() const override { return true; }
    bool printDoc(tPrintDoc &doc) const override;
};

} // namespace velk

#endif
