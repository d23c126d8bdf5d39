// termin.h - one appointment (a TERMIN row) in memory, and who may see it.
//
// An appointment is a titled span from `from` to `till` (to the minute, possibly several days),
// optionally booking one resource and involving a person or a group.  Its fields:
//
//   field     width  meaning
//   ID        8      issued by the table's counter when the appointment is first stored
//   TITLE     40     the text shown everywhere
//   TYPE      1      kind marker: stored and carried unchanged, read by nothing (new: blank)
//   RESOURCE  8      the booked resource's ID, or empty
//   WITH      9      the participants: "P" + person ID, "G" + group ID, or empty
//   OWNER     9      the user who first stored it (set by the store, never by a dialog)
//   READ      9      who may see it (terminVisible below)
//
// The recurrence rule rides along only until the appointment is inserted (repeat.h).
#ifndef VELK_CALENDAR_TERMIN_H
#define VELK_CALENDAR_TERMIN_H

#include "base/date.h"
#include "calendar/repeat.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace velk {

struct tTermin {
    tDateTime from; // FROMDATE, FROMTIME
    tDateTime till; // TILLDATE, TILLTIME
    char TYPE[2] = "";
    char ID[9] = "";
    char OWNER[10] = "";
    char READ[10] = "";
    char WITH[10] = "";
    char TITLE[41] = "";
    char RESOURCE[9] = "";
    // The recurrence rule and a copy of its count, non-zero exactly while a rule is attached.
    tRepeat repeat;
    int32_t repeatCount = 0;

    // Each setter keeps at most the field's width; false when the text was cut.
    bool setTitle(std::string_view text);
    bool setResource(std::string_view id); // trailing blanks removed
    bool setWith(std::string_view reference);
    bool setRead(std::string_view read);
    bool setType(std::string_view type);

    // Attaches a copy of rule (a count of 0 attaches nothing); detach drops it.
    void attachRepeat(const tRepeat &rule);
    void detachRepeat() { repeatCount = 0; }
    bool hasRepeat() const { return repeatCount != 0; }

    // The table's ID counter row ("########"), which the walk over index 0 returns first.
    bool isCounter() const;
};

// The whole days from the start date to the end date; 0 when the end lies before the start or a
// date is not valid.
long terminSpanDays(const tTermin &t);

// Answers whether user `user` is a member of group `gid`, false when the group does not exist.
using tGroupMembership = std::function<bool(std::string_view gid, std::string_view user)>;

// The visibility rule.  The author (OWNER equal to the user) always sees the appointment; for
// everyone else READ decides:
//
//   READ begins with        visible to
//   nothing, or a blank     everybody
//   "G"                     the members of the group whose ID follows; nobody when there is no
//                           such group
//   "P"                     only the user whose name follows
//   any other character     everybody
bool terminVisible(std::string_view read, std::string_view owner, std::string_view user,
                   const tGroupMembership &inGroup);

// The membership the store uses: the group exists in GROUP and names the user in MEMBER.
bool storedGroupMembership(std::string_view gid, std::string_view user);

// The three choices of "Sichtbarkeit" in the appointment dialog.
enum class tVisibility {
    All,      // "alle": READ empty
    Involved, // "alle Beteiligten": READ a copy of WITH
    Private,  // "privat": READ "P" + the current user
};

// The READ a choice writes.
std::string readForVisibility(tVisibility choice, std::string_view with, std::string_view user);

// The choice the dialog shows for a stored READ: a "G" equal to WITH is Involved (another "G"
// selects nothing); "P" + the user is Private, else a "P" equal to WITH is Involved; the rest All.
std::optional<tVisibility> visibilityOfRead(std::string_view read, std::string_view with,
                                            std::string_view user);

} // namespace velk

#endif
