#include "shell/core/date_pick.h"

#include <cstdio>

#include "base/dialog_number.h"
#include "base/holidays.h"

namespace velk {

tDate pickStartDate(std::string_view day, std::string_view month, std::string_view year,
                    const tDate &today)
{
    tDate typed{dialogNumber(day), dialogNumber(month), dialogNumber(year)};
    if (typed.year == 0 && typed.valid()) {
        typed.year = today.year;
        if (!typed.valid()) typed.day = typed.daysInMonth();
        return typed;
    }
    if (typed.year < kPickFirstYear || typed.year > kPickLastYear || !typed.valid()) return today;
    return typed;
}

tPickFields pickedFields(const tDate &picked)
{
    char year[16];
    std::snprintf(year, sizeof year, "%04d", picked.year);
    return {std::to_string(picked.day), std::to_string(picked.month), year};
}

tPickDayLook pickDayLook(const tDate &day, const tDate &today)
{
    tPickDayLook look;
    look.today = day == today;
    look.red = day.weekday() == 0;
    const tJahr year(day.year);
    for (const tTag *holiday : year.holidaysOf(day)) {
        look.red = true;
        if (!look.holidays.empty()) look.holidays += ", ";
        look.holidays += holiday->name();
    }
    return look;
}

} // namespace velk
