// dia_alarm.h - the alarm dialog tDiaAlarm ("Alarm", help "Alarmdialog").
//
// It edits a copy of one alarm: date, time, message and, when opened from the appointment dialog
// with a preset date-time, the recipients ("nur an mich" or "zusätzlich an" a person or group,
// carried in SENDTO as a person-or-group reference).  Without a preset (re-scheduling, the alarm
// list) it shows the alarm's own date and time and the recipients cannot be changed.  OK checks
// the time, then the date (checkAlarmFields); the alarm changes only on OK.
#ifndef VELK_WIDGETS_CALENDAR_DIA_ALARM_H
#define VELK_WIDGETS_CALENDAR_DIA_ALARM_H

#include <QDialog>

#include <memory>

#include "address/reference.h"
#include "calendar/alarm.h"

namespace Ui {
class tDiaAlarm;
}

namespace velk {

class tDiaAlarm : public QDialog {
    Q_OBJECT
public:
    tDiaAlarm(QWidget *parent, const tAlarm &alarm, const tDateTime *preset);
    ~tDiaAlarm() override;

    const tAlarm &alarm() const { return alarm_; }

    // True when the dialog ended with OK; then alarm holds what it shows.
    static bool run(QWidget *parent, tAlarm &alarm, const tDateTime *preset = nullptr);

private:
    void chooseRecipients();
    void okPressed();

    std::unique_ptr<Ui::tDiaAlarm> ui_;
    tAlarm alarm_;
    bool preset_;
    tPersonOrGroup recipients_;
};

} // namespace velk

#endif
