// date_pick.h - what the calendar beside a dialog's date fields opens on, writes and marks.
//
// A date is typed into three fields: day, month and year.  The calendar opens on the date the
// fields hold, read as the dialog's OK reads them (a year "96" is the year 96, a birthday may
// have the year 0); where the fields hold no date the calendar can show, it opens on today.  A
// picked day goes back into the fields as the user would type it: day and month without a
// leading zero, the year with four digits.  The calendar shows Sundays and German holidays in
// red, a holiday with its name.
#ifndef VELK_SHELL_CORE_DATE_PICK_H
#define VELK_SHELL_CORE_DATE_PICK_H

#include "base/date.h"

#include <string>
#include <string_view>

namespace velk {

// The years the calendar can show.
constexpr int kPickFirstYear = 1;
constexpr int kPickLastYear = 9999;

// The day the calendar opens on for the fields' texts.  A valid day and month with the year 0 (a
// birthday without a year) open on that day in today's year, 29 February then on the 28th.
tDate pickStartDate(std::string_view day, std::string_view month, std::string_view year,
                    const tDate &today);

struct tPickFields {
    std::string day;
    std::string month;
    std::string year;
};

// The texts for the three fields of a picked day.
tPickFields pickedFields(const tDate &picked);

// How the calendar marks a day.
struct tPickDayLook {
    bool red = false;     // a Sunday or a holiday
    bool today = false;   // the day is today
    std::string holidays; // the names of its holidays (UTF-8), joined by ", "; empty if none
};

tPickDayLook pickDayLook(const tDate &day, const tDate &today);

} // namespace velk

#endif
