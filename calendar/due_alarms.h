// due_alarms.h - the due check and the list of the alarm message dialog ("Alarm-Meldung"),
// without its window.
//
// The client window's timer calls check() once a minute with the current time and opens the
// message dialog only when it answers true; the dialog shows lines() and forwards its buttons:
// "Alarm löschen" to remove(), "Neu vorlegen" (after the alarm dialog's OK) to reschedule(),
// "Info" to link(), "Schließen" to close().  Alarms neither deleted nor moved stay due and come
// back at the next check.
#ifndef VELK_CALENDAR_DUE_ALARMS_H
#define VELK_CALENDAR_DUE_ALARMS_H

#include "calendar/alarm.h"

#include <cstddef>
#include <string>
#include <vector>

namespace velk {

class tDueAlarms {
public:
    // Fills the list with the calendar user's alarms due at `now`; true when there is any.
    bool check(const tDateTime &now);
    bool empty() const { return alarms_.empty(); }
    std::size_t size() const { return alarms_.size(); }
    const tAlarm &at(std::size_t line) const { return alarms_.at(line); }
    // One "%02d.%02d.%04d %02d:%02d - MESSAGE" line per alarm.
    std::vector<std::string> lines() const;

    // "Alarm löschen": deletes the alarm of that line and fills the list again (at the time of
    // the last check); false when the line does not exist or the delete failed.
    bool remove(std::size_t line);
    // "Neu vorlegen": stores `changed` (the line's alarm as the alarm dialog left it) under the
    // line's ID, then fills the list again; an alarm moved past that time leaves it.
    tStoreStatus reschedule(std::size_t line, const tAlarm &changed);
    // "Info": what the line's alarm belongs to.
    tAlarmLink link(std::size_t line) const;
    // "Schließen": empties the list; the alarms stay due.
    void close() { alarms_.clear(); }

private:
    void fill();

    tDateTime now_;
    std::vector<tAlarm> alarms_;
};

} // namespace velk

#endif
