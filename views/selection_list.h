// selection_list.h - what the selection list shows: everything of one day (day mode) or of one
// time range (range mode) in one list, and what confirming a line does.
//
//   kind         text                                        key
//   holiday      "! %d.%d.%04d: NAME"                        -       (day mode, the first one)
//   birthday     "* %d.%d CHRNAME NAME Tel: TEL [ID]"        person  (day and month of the day)
//   appointment  "> %d.%d.%04d %02d:%02d-%02d:%02d TITLE"    ID      (visible, touching)
//
// Day mode lists the holiday, the birthdays and the appointments touching the day from 0:00 to
// 23:59; range mode lists the birthdays of the start date only when the range starts at hour 0,
// then the appointments touching the range.
#ifndef VELK_VIEWS_SELECTION_LIST_H
#define VELK_VIEWS_SELECTION_LIST_H

#include "views/holiday_cache.h"
#include "views/view_types.h"

#include <string>
#include <vector>

namespace velk {

struct tSelection {
    std::string title; // "%2d.%2d.%04d" in day mode, "Ändern" or "Löschen" in range mode
    int mode = SelectChange;
    std::vector<tViewLine> lines;
};

tSelection selectionOfDay(const tDate &day, tHolidayCache &holidays);
// `mode` is SelectChange (10) or SelectDelete (11).
tSelection selectionOfRange(const tDateTime &from, const tDateTime &till, int mode);

// OK or a double click on the selected line (null: none): in change mode an appointment opens
// the appointment dialog, in delete mode it is deleted; a birthday opens the person dialog; a
// holiday or no line does nothing.  The dialog closes with OK whatever this comes to.
tViewAction selectionAction(const tViewLine *line, int mode);

} // namespace velk

#endif
