// dia_termin.h - the appointment dialog tDiaTermin ("Termin", help "Termindialog").
//
// It edits a copy of one appointment: start and end, title, the booked resource ("Belegung"),
// the participants (the address book's person-or-group choice; a double click on one opens the
// person dialog), visibility, an alarm and a recurrence.  Ticking "Alarm" opens the alarm dialog
// whenever the alarm has no date yet; cancelling it there clears the box again, so that no alarm
// without a date is ever sent.  Ticking "Wiederholung" the first time creates the default rule
// and opens the recurrence dialog.
//
// OK checks the fields (checkTerminFields) and, where the resource is booked by another
// appointment at that time (booking_check.h), asks whether to store anyway ("Nein" keeps the
// dialog open with nothing stored); then it stores at once: the row with the appointment's
// ID is rewritten, or, where there is none, the appointment is inserted (a new ID, and its series
// when "Wiederholung" is ticked).  A refused store is reported and the dialog stays open; a series
// that lost repetitions, or an alarm not stored, is reported after the appointment was stored.
// The alarm is sent when "Alarm" is ticked, with WITH "T" + the appointment's ID, and the open
// views are told that alarms changed.  The caller sends the appointments notice after an OK.
#ifndef VELK_WIDGETS_CALENDAR_DIA_TERMIN_H
#define VELK_WIDGETS_CALENDAR_DIA_TERMIN_H

#include <QDialog>

#include <memory>
#include <optional>
#include <string>

#include "address/reference.h"
#include "calendar/alarm.h"
#include "calendar/termin.h"

class QListWidgetItem;

namespace Ui {
class tDiaTermin;
}

namespace velk {

struct tResource;

class tDiaTermin : public QDialog {
    Q_OBJECT
public:
    // resource: preselected and "Belegung" ticked; null: the appointment's own resource if it
    // exists.
    tDiaTermin(QWidget *parent, const tTermin &termin, const tResource *resource);
    ~tDiaTermin() override;

    // The appointment as stored by OK (with its ID and OWNER).
    const tTermin &termin() const { return termin_; }
    const tAlarm &alarm() const { return alarm_; }

    // Edits t (an empty or vanished ID: a new appointment); true after OK, t then holding the
    // stored values.
    static bool runEdit(QWidget *parent, tTermin &t, const tResource *resource = nullptr);
    // A new appointment on that day, from 00:00 to 00:00.
    static bool runNew(QWidget *parent, int day, int month, int year);

private:
    void showTermin(const tResource *resource);
    tDateTime typedStart() const;
    void alarmToggled(bool on);
    bool openAlarm();
    void repeatToggled(bool on);
    void openRepeat();
    void chooseWith();
    void openParticipant(QListWidgetItem *item);
    void okPressed();
    bool bookingAccepted(const tTermin &t);
    bool store(tTermin &t);
    void sendAlarm();

    std::unique_ptr<Ui::tDiaTermin> ui_;
    tTermin termin_;
    tAlarm alarm_;
    std::optional<tRepeat> rule_;
    tPersonOrGroup with_;
    std::string preselected_; // the resource preselected on opening
};

// What the calendar's windows call through viewOpeners(): the appointment with this ID (false
// when it is gone), and a new appointment over from..till booking `resource` (empty: none).
bool openTermin(QWidget *parent, const std::string &id);
bool openNewTermin(QWidget *parent, const tDateTime &from, const tDateTime &till,
                   const std::string &resource);

} // namespace velk

#endif
