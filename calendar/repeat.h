// repeat.h - the recurrence rule of an appointment and the dates it generates.
//
// A rule is chosen in the recurrence dialog and used once: when the appointment is inserted, the
// store inserts one independent appointment per repetition (tTerminStore::insert).  The rule is
// never stored.  Its 9 bytes, packed, in the machine's byte order:
//
//   byte  field    values
//   0     rhythm   'D' daily, 'W' weekly, 'M' monthly, 'Y' yearly, 'X' "jeden" (compound)
//   1     unit     'X' only: 'D' day ("Tag"), 'W' weekday ("Wochentag"); 0 unset
//   2     scope    'X' only: 'A' "immer", 'E' "jeden Monat", 'T' "immer diesen Monat"
//   3-4   ordinal  'X' only: signed 16 bits, 0 = "letzten", 1 to 31 = "am" N
//   5-8   count    signed 32 bits: repetitions to generate ("Anzahl der Termine")
//
// The first repetition lies one period after the appointment itself.  Times never change; dates
// move as follows (S start date, E end date, each pass):
//
//   'D'                      S and E one day on; 'W': seven days on
//   'M'                      month of S and E one on, again while S's day does not exist there
//   'Y'                      year of S and E one on, again while S's day does not exist there
//   'X' am N, Tag, A         N days on;  'X' am N, Wochentag, A: 7 * N days on
//   'X' am N, Tag, E         as 'M';     'X' am N, Tag or Wochentag, T: as 'Y'
//   'X' letzten, Tag, E      month one on, both days the last of their month
//   'X' letzten, Tag, T      year one on, both days the last of their month
//   'X' Wochentag, E (any N), or letzten, Wochentag, T:
//                            month (E) or year (T) one on, then S := the N-th (or the last)
//                            weekday of S's month that the first start fell on, and E := S's date
//                            (one day long).  A fifth weekday the month lacks falls into the
//                            next month, and the series goes on from there.
//   'X' letzten with A; 'X' with no unit and scope A or E; any other byte: nothing.
//
// With scope T an unset unit counts as "Tag".  An N outside 0 to 31, a count of 0 or less, or a
// start that is no valid date generate nothing.  Where 'M' or 'Y' move an end date onto a day its
// month lacks (an appointment from 28.02. to 29.02. a year on), the end becomes the month's last
// day rather than a date that does not exist.
#ifndef VELK_CALENDAR_REPEAT_H
#define VELK_CALENDAR_REPEAT_H

#include "base/date.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace velk {

#pragma pack(push, 1)
struct tRepeat {
    static constexpr char Daily = 'D', Weekly = 'W', Monthly = 'M', Yearly = 'Y', Every = 'X';
    static constexpr char Day = 'D', Weekday = 'W';
    static constexpr char Always = 'A', EveryMonth = 'E', ThisMonth = 'T';
    static constexpr int16_t Last = 0;

    // The rule the dialog starts from: daily, once.
    char rhythm = Daily;
    char unit = 0;
    char scope = Always;
    int16_t ordinal = 1;
    int32_t count = 1;
};
#pragma pack(pop)
static_assert(sizeof(tRepeat) == 9, "a rule is 9 bytes");
static_assert(offsetof(tRepeat, ordinal) == 3 && offsetof(tRepeat, count) == 5, "packed");

// One repetition: its start and end.
struct tOccurrence {
    tDateTime from;
    tDateTime till;

    friend bool operator==(const tOccurrence &, const tOccurrence &) = default;
};

// Calls emit with each repetition of the appointment from..till under rule, in order, until emit
// answers false.  Pure: reads no table.
void expandRepeat(const tRepeat &rule, const tDateTime &from, const tDateTime &till,
                  const std::function<bool(const tOccurrence &)> &emit);

// The repetitions as a list; for rules with a count of a few hundred.
std::vector<tOccurrence> repetitions(const tRepeat &rule, const tDateTime &from,
                                     const tDateTime &till);

} // namespace velk

#endif
