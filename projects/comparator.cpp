#include "projects/comparator.h"

#include <cstdio>
#include <cstring>

namespace velk {

namespace {

// Valid: month 1 to 12, day 1 to the month's length; year 0 is a leap year.
bool validDate(const tDate &d)
{
    return d.month >= 1 && d.month <= 12 && d.day >= 1 &&
           d.day <= tDate::daysInMonth(d.month, d.year);
}

int sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

} // namespace

int TMyLwComparator::operator()(const tTask &a, const tTask &b, int column) const
{
    switch (column) {
    case TaskColumnId:
        return sign(std::strcoll(a.ID, b.ID));
    case TaskColumnTitle:
        return sign(std::strcoll(a.TITLE, b.TITLE));
    case TaskColumnPrio: {
        long pa = leadingNumber(a.PRIO), pb = leadingNumber(b.PRIO);
        return pb < pa ? -1 : pb > pa ? 1 : 0;
    }
    case TaskColumnDone: {
        bool va = validDate(a.ENDDATE), vb = validDate(b.ENDDATE);
        if (!va) return vb ? 1 : 0;
        if (!vb) return -1;
        if (a.ENDDATE.year != b.ENDDATE.year) return a.ENDDATE.year < b.ENDDATE.year ? -1 : 1;
        int da = a.ENDDATE.dayOfYear(), db = b.ENDDATE.dayOfYear();
        return da < db ? -1 : da > db ? 1 : 0;
    }
    default:
        return 0;
    }
}

std::string taskColumnText(const tTask &task, int column)
{
    switch (column) {
    case TaskColumnId:
        return task.ID;
    case TaskColumnTitle:
        return task.TITLE;
    case TaskColumnPrio:
        return task.PRIO;
    case TaskColumnDone: {
        char text[48];
        std::snprintf(text, sizeof text, "%d.%d.%4d", task.ENDDATE.day, task.ENDDATE.month,
                      task.ENDDATE.year);
        return text;
    }
    default:
        return {};
    }
}

} // namespace velk
