// view_lines.h - what the listing views (week calendar, appointment list, selection list) share:
// the records of one day, text formatting, and what opening or deleting a line comes to.
#ifndef VELK_VIEWS_VIEW_LINES_H
#define VELK_VIEWS_VIEW_LINES_H

#include "address/person.h"
#include "views/view_types.h"
#include "projects/project.h"

#include <string>
#include <string_view>
#include <vector>

namespace velk {

// The persons whose birthday has this day and month, any year, in the order of the birthday key.
std::vector<tPerson> birthdaysOn(const tDate &day);
// The tasks whose ENDDATE is this day, in the order of the ENDDATE key.
std::vector<tTask> tasksDueOn(const tDate &day);

// printf into a string.
std::string viewFormat(const char *format, ...) __attribute__((format(printf, 1, 2)));

// The date a listing view keeps as its desk state: "%02d.%02d.%04d".
std::string deskDate(const tDate &date);
// Reads such a line back: day and month of one or two digits, a year of four, nothing else
// around them, and a date that exists.  False, `date` unchanged, for anything else.
bool readDeskDate(std::string_view text, tDate &date);

// A double click on a line or "Ändern" (125): a task opens the task dialog in change mode, a
// birthday the person dialog, an appointment the appointment dialog; a holiday or no line
// (null) nothing.
tViewAction openLineAction(const tViewLine *line);
// "Löschen" (126): an appointment is deleted without a question; a birthday opens the person
// dialog, since persons are not deleted from a calendar view; anything else does nothing.
tViewAction deleteLineAction(const tViewLine *line);

} // namespace velk

#endif
