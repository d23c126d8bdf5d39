// week_view.h - what the week calendar shows: one week, Monday to Sunday, as seven headings and
// seven lists.
//
// A heading is the date "%02d.%02d.%04d" followed by a blank and the name of each holiday of that
// date, taken from the date's own year.  A day's list holds, in this order:
//
//   kind         text                  key
//   birthday     "* CHRNAME NAME"      the person's ID   (birthday key order)
//   appointment  "> %02d:%02d - TITLE" the appointment's ID (the visible ones starting that day,
//                                                          in start order, equal starts by title)
//   task         "# TITLE"             the task's ID     (ENDDATE that day, ENDDATE key order)
//
// The widget shows day i (0 = Monday) in pane i and carries out what openLineAction and
// deleteLineAction (view_lines.h) answer for the focused pane's selected line.
#ifndef VELK_VIEWS_WEEK_VIEW_H
#define VELK_VIEWS_WEEK_VIEW_H

#include "views/holiday_cache.h"
#include "views/view_types.h"

#include <array>
#include <string>
#include <vector>

namespace velk {

inline constexpr int kWeekDays = 7;
inline constexpr const char *kWeekTitle = "Wochenkalender"; // the caption until the first move

struct tWeekDay {
    tDate date;
    std::string heading;
    std::vector<tViewLine> lines;
};

struct tWeek {
    tDate start; // a Monday
    std::array<tWeekDay, kWeekDays> days;
};

// The Monday of the week shown for `date`: the week it lies in, but a Sunday opens the week
// that follows it.
tDate weekStart(const tDate &date);
// The start moved by whole weeks (tool bar 1001: -1, 1002: +1).
tDate weekMoved(const tDate &start, int weeks);
// The Monday of the week `date` lies in, a Sunday included: where "Heute" (1003) goes.
tDate weekOf(const tDate &date);
// The pane (0 = Monday) that shows `today` in the week from `start`; -1 when it is not shown.
int todayPane(const tDate &start, const tDate &today);
// "Wochenkalender %d.%d.%4d", the caption after a move.
std::string weekCaption(const tDate &start);

std::string weekHeading(const tDate &day, tHolidayCache &holidays);
std::vector<tViewLine> weekDayLines(const tDate &day);

// The whole content of the week starting at `start` (a Monday, see weekStart).
tWeek weekContent(const tDate &start, tHolidayCache &holidays);
// Refills only the lists, as the data-changed notice with bit 1 or 4 asks.
void refillWeekLines(tWeek &week);

// "Neu" (124): a new appointment on the focused pane's day (0 to 6), or on today's date when no
// pane has the focus (-1).
tViewAction weekNewAction(const tDate &start, int focusedDay, const tDate &today);

} // namespace velk

#endif
