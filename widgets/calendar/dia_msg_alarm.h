// dia_msg_alarm.h - the alarm message dialog tDiaMsgAlarm ("Alarm-Meldung") and the due check.
//
// The list shows the calendar user's due alarms, one "%02d.%02d.%04d %02d:%02d - MESSAGE" line
// each.  "Alarm löschen" deletes the selected one, "Neu vorlegen" opens the alarm dialog on it
// and stores the new time, "Info" (or a double click) opens what it belongs to: an appointment
// in the appointment dialog, a task through viewOpeners().task.  "Schließen" closes; what was
// neither deleted nor moved comes back at the next check.  Each change goes out as a notice
// (alarms 16, appointments 1, tasks 8) to the open views.
#ifndef VELK_WIDGETS_CALENDAR_DIA_MSG_ALARM_H
#define VELK_WIDGETS_CALENDAR_DIA_MSG_ALARM_H

#include <QDialog>

#include <memory>

#include "calendar/due_alarms.h"

namespace Ui {
class tDiaMsgAlarm;
}

namespace velk {

class tDiaMsgAlarm : public QDialog {
    Q_OBJECT
public:
    // due: the alarms of the check that opens the dialog.
    tDiaMsgAlarm(QWidget *parent, tDueAlarms due);
    ~tDiaMsgAlarm() override;

    const tDueAlarms &due() const { return due_; }

private:
    void fill();
    int selected() const;
    void deleteAlarm();
    void reschedule();
    void changed(const QString &failure);
    void info();
    void closePressed();

    std::unique_ptr<Ui::tDiaMsgAlarm> ui_;
    tDueAlarms due_;
};

// The due check the client's timer runs: when the calendar user has alarms due at `now`, the
// message dialog shows them.  Answers whether it was shown.
bool runDueCheck(QWidget *parent, const tDateTime &now);

} // namespace velk

#endif
