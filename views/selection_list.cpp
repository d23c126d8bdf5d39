#include "views/selection_list.h"

#include "base/fill_hold.h"
#include "calendar/termin_store.h"
#include "views/view_lines.h"

namespace velk {

namespace {

void addBirthdays(std::vector<tViewLine> &lines, const tDate &day)
{
    for (const tPerson &p : birthdaysOn(day))
        lines.push_back({tLineKind::Birthday,
                         viewFormat("* %d.%d %s %s Tel: %s [%s]", day.day, day.month, p.CHRNAME,
                                    p.NAME, p.TEL, p.ID),
                         p.ID, day});
}

void addTermine(std::vector<tViewLine> &lines, const tDateTime &from, const tDateTime &till)
{
    for (const tTermin &t : tTerminStore::instance().touching(from, till))
        lines.push_back({tLineKind::Termin,
                         viewFormat("> %d.%d.%04d %02d:%02d-%02d:%02d %s", t.from.day, t.from.month,
                                    t.from.year, t.from.hour, t.from.minute, t.till.hour,
                                    t.till.minute, t.TITLE),
                         t.ID, t.from});
}

} // namespace

tSelection selectionOfDay(const tDate &day, tHolidayCache &holidays)
{
    tSelection s;
    s.title = viewFormat("%2d.%2d.%04d", day.day, day.month, day.year);
    std::vector<const tTag *> found = holidays.holidaysOf(day);
    if (!found.empty())
        s.lines.push_back({tLineKind::Holiday,
                           viewFormat("! %d.%d.%04d: %s", day.day, day.month, day.year,
                                      holidayName(*found.front()).c_str()),
                           "", day});
    tFillHold hold{tPersTable::instance(), tTermTable::instance()};
    addBirthdays(s.lines, day);
    addTermine(s.lines, tDateTime::at(day, 0, 0), tDateTime::at(day, 23, 59));
    return s;
}

tSelection selectionOfRange(const tDateTime &from, const tDateTime &till, int mode)
{
    tSelection s;
    s.mode = mode;
    s.title = mode == SelectDelete ? "L\xF6schen" : "\xC4ndern";
    tFillHold hold{tPersTable::instance(), tTermTable::instance()};
    if (from.hour == 0) addBirthdays(s.lines, from);
    addTermine(s.lines, from, till);
    return s;
}

tViewAction selectionAction(const tViewLine *line, int mode)
{
    tViewAction a;
    if (!line) return a;
    a.key = line->key;
    if (line->kind == tLineKind::Birthday) {
        a.kind = tViewAction::EditPerson;
    } else if (line->kind == tLineKind::Termin) {
        a.kind = mode == SelectDelete ? tViewAction::DeleteTermin : tViewAction::EditTermin;
        a.notice = NoticeAppointments;
    } else {
        a.key.clear();
    }
    return a;
}

} // namespace velk
