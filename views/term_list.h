// term_list.h - what the appointment list shows: ten days from a start date, each day's entries
// one line each, in this order within a day:
//
//   kind         text                                   key
//   holiday      "! %d.%d.%04d: NAME"                   -        (the day's own year's list)
//   birthday     "* %d.%d.%04d: CHRNAME NAME"           person   (the full birth date, year of
//                                                                 birth included)
//   appointment  "> %d.%d.%04d %02d:%02d - TITLE"       ID       (visible, starting that day)
//   task         "# TITLE"                              task ID  (ENDDATE that day; on today's
//                                                                 entry every task due up to
//                                                                 today, the overdue included)
//
// A task without a possible ENDDATE is never listed.  The widget carries out openLineAction and
// deleteLineAction (view_lines.h); "Ändern" and "Löschen" are enabled as termListCommandEnabled
// says, "Neu" always (termListNewAction).
#ifndef VELK_VIEWS_TERM_LIST_H
#define VELK_VIEWS_TERM_LIST_H

#include "views/holiday_cache.h"
#include "views/view_types.h"

#include <string>
#include <vector>

namespace velk {

inline constexpr int kTermListDays = 10;

// "Terminlist %d.%d.%4d".
std::string termListCaption(const tDate &start);

// The lines of the ten days from `start`; `today` decides which entry gathers the overdue tasks.
std::vector<tViewLine> termListLines(const tDate &start, const tDate &today,
                                     tHolidayCache &holidays);

// Whether "Ändern" (125) and "Löschen" (126) are enabled for the selected line (null: none).
bool termListCommandEnabled(const tViewLine *line);
// "Neu" (124): a new appointment on today's date.
tViewAction termListNewAction(const tDate &today);

} // namespace velk

#endif
