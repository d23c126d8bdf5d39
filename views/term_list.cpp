#include "views/term_list.h"

#include "base/fill_hold.h"
#include "calendar/termin_store.h"
#include "views/view_lines.h"

namespace velk {

namespace {

void addDay(std::vector<tViewLine> &lines, const tDate &day, const tDate &today,
            tHolidayCache &holidays)
{
    for (const tTag *h : holidays.holidaysOf(day)) {
        const tDate &d = h->date();
        lines.push_back(
            {tLineKind::Holiday,
             viewFormat("! %d.%d.%04d: %s", d.day, d.month, d.year, holidayName(*h).c_str()), "",
             day});
    }
    for (const tPerson &p : birthdaysOn(day)) {
        const tDate &b = p.BIRTH;
        lines.push_back(
            {tLineKind::Birthday,
             viewFormat("* %d.%d.%04d: %s %s", b.day, b.month, b.year, p.CHRNAME, p.NAME), p.ID,
             day});
    }
    for (const tTermin &t : tTerminStore::instance().ofDay(day)) {
        const tDateTime &f = t.from;
        lines.push_back({tLineKind::Termin,
                         viewFormat("> %d.%d.%04d %02d:%02d - %s", f.day, f.month, f.year, f.hour,
                                    f.minute, t.TITLE),
                         t.ID, day});
    }
    bool isToday = day.sameDay(today);
    for (const tTask &k : isToday ? tasksDue({1, 1, 0}, today) : tasksDueOn(day))
        lines.push_back({tLineKind::Task, viewFormat("# %s", k.TITLE), k.ID, day});
}

} // namespace

std::string termListCaption(const tDate &start)
{
    return viewFormat("Terminlist %d.%d.%4d", start.day, start.month, start.year);
}

std::vector<tViewLine> termListLines(const tDate &start, const tDate &today,
                                     tHolidayCache &holidays)
{
    std::vector<tViewLine> lines;
    tFillHold hold{tPersTable::instance(), tTermTable::instance(), tTaskTable::instance()};
    tDate day = start;
    for (int i = 0; i < kTermListDays; i++, day.nextDay()) addDay(lines, day, today, holidays);
    return lines;
}

bool termListCommandEnabled(const tViewLine *line)
{
    return line && (line->kind == tLineKind::Birthday || line->kind == tLineKind::Termin);
}

tViewAction termListNewAction(const tDate &today)
{
    tViewAction a;
    a.kind = tViewAction::NewOnDate;
    a.date = today;
    a.notice = NoticeAppointments;
    return a;
}

} // namespace velk
