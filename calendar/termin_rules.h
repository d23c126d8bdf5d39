// termin_rules.h - what the appointment, recurrence and alarm dialogs check on OK, and what they
// tell the user about a store, without a window.
//
// The dialogs read their fields as numbers (address/dialog_rules.h: a non-number is 0), hand
// them to the checks below and move the focus to the field a failed check names.
#ifndef VELK_CALENDAR_TERMIN_RULES_H
#define VELK_CALENDAR_TERMIN_RULES_H

#include "calendar/alarm.h"
#include "calendar/repeat.h"
#include "calendar/termin_store.h"

#include <string>
#include <string_view>

namespace velk {

// The ten date and time fields of the appointment dialog, as read.
struct tTerminFields {
    int fromDay = 0, fromMonth = 0, fromYear = 0, fromHour = 0, fromMinute = 0;
    int tillDay = 0, tillMonth = 0, tillYear = 0, tillHour = 0, tillMinute = 0;
};

// The appointment dialog's OK steps, in order; the first that fails ends the check.
enum class tTerminCheck {
    Ok,
    BadStartDate,   // focus to the start day
    BadEndDate,     // focus to the end day
    EndBeforeStart, // "Ende liegt vor Anfang des Termins", focus to the end day
    BadStartTime,   // focus to the start hour
    BadEndTime,     // focus to the end hour
};

// Checks the fields and, when they pass, gives start and end.  An end day, month or year of 0
// takes the start's; times are not compared with each other (10:00 to 09:00 on one day passes).
tTerminCheck checkTerminFields(const tTerminFields &in, tDateTime &from, tDateTime &till);

// What the recurrence dialog's controls say on OK.  A 0 byte means no button of that group is
// selected (the rule keeps its byte).
struct tRepeatFields {
    char rhythm = 0;     // 'Y', 'M', 'W', 'D' or 'X'
    bool last = false;   // "letzten" rather than "am"
    std::string ordinal; // the text of "am" N
    char unit = 0;       // 'D' "Tag", 'W' "Wochentag"
    char scope = 0;      // 'A', 'E', 'T'
    std::string count;   // "Anzahl der Termine"
};

// Applies the recurrence dialog's OK to rule: the rhythm; for "jeden" N (0 for "letzten", else
// 1 to 31), unit and scope; the count.  False for an N outside 1 to 31 ("Falsche Eingabe"): the
// rhythm is then already set and the rest of the rule unchanged.
bool applyRepeatFields(const tRepeatFields &in, tRepeat &rule);

// The alarm dialog's OK: the time first, then the date.
enum class tAlarmCheck {
    Ok,
    BadTime, // focus to the hour
    BadDate, // focus to the day
};
tAlarmCheck checkAlarmFields(int day, int month, int year, int hour, int minute, tDateTime &when);

// How the alarm dialog shows the recipients carried in SENDTO when it opens with a preset:
// "zusätzlich an" for a group, or for a person other than `user`; "nur an mich" otherwise.
bool alarmSendsFurther(std::string_view sendTo, std::string_view user);

// Whether ticking "Alarm" in the appointment dialog opens the alarm dialog: whenever the alarm
// has no date and time yet, so that no alarm is ever sent without one.
bool alarmNeedsDialog(const tAlarm &a);

// The message for an inserted appointment (with its series), empty when all was stored; a
// series that lost repetitions says how many.
std::string terminStoreMessage(const tInsertResult &r);
std::string terminUpdateMessage(tStoreStatus status);
// The message for a sent alarm, empty when every row was stored.
std::string alarmSendMessage(const tSendResult &r);
// The message for a rewritten or deleted alarm, empty when done.
std::string alarmUpdateMessage(tStoreStatus status);

} // namespace velk

#endif
