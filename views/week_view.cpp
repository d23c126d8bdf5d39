#include "views/week_view.h"

#include "base/fill_hold.h"
#include "calendar/termin_store.h"
#include "views/view_lines.h"

namespace velk {

namespace {

tDate plusDays(tDate date, int days)
{
    for (; days > 0; days--) date.nextDay();
    for (; days < 0; days++) date.prevDay();
    return date;
}

} // namespace

tDate weekStart(const tDate &date)
{
    tDate d = date;
    while (d.weekday() > 1) d.prevDay();
    if (d.weekday() == 0) d.nextDay();
    return d;
}

tDate weekMoved(const tDate &start, int weeks) { return plusDays(start, 7 * weeks); }

tDate weekOf(const tDate &date)
{
    tDate d = date;
    while (d.weekday() != 1) d.prevDay();
    return d;
}

int todayPane(const tDate &start, const tDate &today)
{
    tDate day = start;
    for (int i = 0; i < kWeekDays; i++, day.nextDay())
        if (day.sameDay(today)) return i;
    return -1;
}

std::string weekCaption(const tDate &start)
{
    return viewFormat("Wochenkalender %d.%d.%4d", start.day, start.month, start.year);
}

std::string weekHeading(const tDate &day, tHolidayCache &holidays)
{
    std::string heading = viewFormat("%02d.%02d.%04d", day.day, day.month, day.year);
    for (const tTag *h : holidays.holidaysOf(day)) heading += ' ' + holidayName(*h);
    return heading;
}

std::vector<tViewLine> weekDayLines(const tDate &day)
{
    std::vector<tViewLine> lines;
    for (const tPerson &p : birthdaysOn(day))
        lines.push_back({tLineKind::Birthday, viewFormat("* %s %s", p.CHRNAME, p.NAME), p.ID, day});
    for (const tTermin &t : tTerminStore::instance().ofDay(day))
        lines.push_back({tLineKind::Termin,
                         viewFormat("> %02d:%02d - %s", t.from.hour, t.from.minute, t.TITLE), t.ID,
                         day});
    for (const tTask &k : tasksDueOn(day))
        lines.push_back({tLineKind::Task, viewFormat("# %s", k.TITLE), k.ID, day});
    return lines;
}

tWeek weekContent(const tDate &start, tHolidayCache &holidays)
{
    tWeek week;
    week.start = start;
    tDate day = start;
    for (tWeekDay &d : week.days) {
        d.date = day;
        d.heading = weekHeading(day, holidays);
        day.nextDay();
    }
    refillWeekLines(week);
    return week;
}

void refillWeekLines(tWeek &week)
{
    tFillHold hold{tPersTable::instance(), tTermTable::instance(), tTaskTable::instance()};
    for (tWeekDay &d : week.days) d.lines = weekDayLines(d.date);
}

tViewAction weekNewAction(const tDate &start, int focusedDay, const tDate &today)
{
    tViewAction a;
    a.kind = tViewAction::NewOnDate;
    a.date = focusedDay >= 0 && focusedDay < kWeekDays ? plusDays(start, focusedDay) : today;
    a.notice = NoticeAppointments;
    return a;
}

} // namespace velk
