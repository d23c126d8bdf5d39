// alarm.h - alarms: reminders with a date, a time and a message, one ALARM row per recipient.
//
//   field    width  meaning
//   ID       9      issued by the table's counter on every insert (8 characters used)
//   DATE     date   when the alarm is due, with TIME to the minute
//   TIME     time
//   MESSAGE  80     the text shown
//   SENDTO   8      the user (person ID) who receives this row
//   WITH     9      what it belongs to: "T" + appointment ID, "J" + task ID, or empty
//   OWNER    8      stored empty (only the counter row uses it)
//
// While an alarm is edited, its SENDTO carries the chosen recipients as a person-or-group
// reference instead ("P" + person, "G" + group, or empty); sending turns that into rows.  Every
// operation works for the calendar user (calendar_user.h).  Walks answer positions as the
// appointment store's do: a record number, 0 at the end; a next-step takes the position and the
// tAlarm the previous step filled.
#ifndef VELK_CALENDAR_ALARM_H
#define VELK_CALENDAR_ALARM_H

#include "base/date.h"
#include "base/store_status.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velk {

class tAlarmTable;

struct tAlarm {
    char ID[10] = "";
    tDateTime when; // DATE and TIME; 0.0.0 when no time is set
    char MESSAGE[81] = "";
    char SENDTO[10] = ""; // a user; the recipients' reference while edited
    char WITH[10] = "";
    char OWNER[9] = "";

    bool setMessage(std::string_view text); // false when cut to 80 characters
    bool setSendTo(std::string_view text);
    bool setWith(std::string_view text);

    // Day, month and year all non-zero: the due walk considers only such alarms.
    bool dateSet() const { return when.day != 0 && when.month != 0 && when.year != 0; }
    // A date that exists and a time of day: what send and update require.
    bool storable() const { return when.valid() && when.validTime(); }
};

// Whether the alarm is due for `user` at `now`: addressed to the user, its date set, and its
// date-time before now to the minute (an alarm for 10:15 is due from 10:16).
bool alarmDue(const tAlarm &a, std::string_view user, const tDateTime &now);

// The users that sending to `recipients` stores a row for, the sender first: the sender; a
// person other than the sender ("P"); every member other than the sender of a group ("G"),
// as membersOfGroup names them (nobody when the group does not exist).
std::vector<std::string> alarmRecipients(
    std::string_view recipients, std::string_view sender,
    const std::function<std::vector<std::string>(std::string_view gid)> &membersOfGroup);

// What an alarm's WITH leads to ("Info" in the message dialog).
struct tAlarmLink {
    enum Kind { None, Termin, Task };
    Kind kind = None;
    std::string id;
};
tAlarmLink alarmLink(std::string_view with);

// A line of the message dialog: "%02d.%02d.%04d %02d:%02d - MESSAGE".
std::string alarmMessageLine(const tAlarm &a);
// A line of the alarm list: "* %d.%d.%04d %02d:%02d - MESSAGE".
std::string alarmListLine(const tAlarm &a);

// The result of a send: the rows it meant to store and those stored.
struct tSendResult {
    tStoreStatus status = tStoreStatus::NoTable; // Stored only when every row was stored
    int rows = 0;
    int stored = 0;
};

class tAlarmStore {
public:
    static tAlarmStore &instance();
    bool isOpen();

    // Stores one row for the calendar user and one for each further recipient in a's SENDTO
    // (alarmRecipients), each with its own ID and the same date, time, message and WITH.  An
    // alarm without a valid date and time is refused (NoDate, nothing stored).  a keeps its
    // recipients and receives the ID of the calendar user's row.
    tSendResult send(tAlarm &a);

    // The calendar user's alarms that are due at `now` (alarmDue), in date order.
    long firstDue(const tDateTime &now, tAlarm &a);
    long nextDue(const tDateTime &now, long position, tAlarm &a);

    // Every alarm addressed to the calendar user, in date order (those without a date first).
    long firstOfUser(tAlarm &a);
    long nextOfUser(long position, tAlarm &a);
    // The lines of the alarm list: the user's alarms whose year is not 0, with their IDs.
    std::vector<tAlarm> listed();

    bool find(std::string_view id, tAlarm &a);
    // Rewrites the row with a's ID from a; NoDate for an alarm without a valid date and time.
    tStoreStatus update(const tAlarm &a);
    // Deletes the row with a's ID: 0 when deleted, or when there was no such row or no table; -1
    // when the row stays because the delete failed.
    int remove(const tAlarm &a);
    // Stores a deleted row again as it was read (its one recipient in SENDTO, OWNER as given),
    // under its ID where that is free, else under a new one (a receives it).
    tStoreStatus restore(tAlarm &a);

private:
    tAlarmStore() = default;
    long dueStep(tAlarmTable &t, const tDateTime &now, long position, tAlarm &a);
    long userStep(tAlarmTable &t, long position, tAlarm &a);
};

} // namespace velk

#endif
