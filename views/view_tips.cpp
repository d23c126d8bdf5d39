#include "views/view_tips.h"

#include "address/group.h"
#include "address/reference.h"
#include "address/resource.h"
#include "calendar/termin_store.h"
#include "views/month_planner.h"
#include "views/view_lines.h"

#include <algorithm>

namespace velk {

namespace {

std::string dateText(const tDate &d)
{
    return viewFormat("%02d.%02d.%04d", d.day, d.month, d.year);
}

std::string timeText(const tDateTime &t) { return viewFormat("%02d:%02d", t.hour, t.minute); }

// "12.03.2026 09:00 - 10:30", or both dates when it ends on another day.
std::string spanText(const tTermin &t)
{
    std::string till = timeText(t.till);
    if (!t.till.sameDay(t.from)) till = dateText(t.till) + ' ' + till;
    return dateText(t.from) + ' ' + timeText(t.from) + " - " + till;
}

std::string personName(const tPerson &p)
{
    std::string name = std::string(p.CHRNAME) + (p.CHRNAME[0] && p.NAME[0] ? " " : "") + p.NAME;
    return name.empty() ? std::string(p.ID) : name;
}

std::string resourceText(const char *id)
{
    tResource r;
    if (!r.find(id) || !r.TITLE[0] || std::string_view(r.TITLE) == id) return id;
    return viewFormat("%s (%s)", r.TITLE, id);
}

// A person's name, or a group's title and its members' names; the stored form when it names
// nobody that exists.
std::string participantsText(const char *with)
{
    tPersonOrGroup ref = tPersonOrGroup::parse(with);
    if (ref.kind() == tPersonOrGroup::Person) {
        tPerson p;
        return p.find(ref.id()) ? personName(p) : ref.id();
    }
    if (ref.kind() != tPersonOrGroup::Group) return with;
    tGroup g;
    if (!g.find(ref.id())) return ref.id();
    std::string names;
    for (const std::string &mid : membersOf(ref.id())) {
        tPerson p;
        if (!p.find(mid)) continue;
        names += (names.empty() ? "" : ", ") + personName(p);
    }
    std::string title = g.TITLE[0] ? g.TITLE : ref.id();
    return names.empty() ? title : title + " (" + names + ")";
}

void addLine(std::string &tip, const std::string &line)
{
    if (line.empty()) return;
    if (!tip.empty()) tip += '\n';
    tip += line;
}

// The tips of the appointments in `keys`, each once, a blank line between two.
std::string terminTips(const std::vector<std::string> &keys)
{
    std::vector<std::string> seen;
    std::string tip;
    for (const std::string &key : keys) {
        if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
        seen.push_back(key);
        std::string one = terminTipOf(key);
        if (one.empty()) continue;
        tip += (tip.empty() ? "" : "\n\n") + one;
    }
    return tip;
}

// The keys of the shapes of these roles under the point, in painting order.
std::vector<std::string> keysAt(const std::vector<tShape> &shapes,
                                std::initializer_list<tShape::Role> roles, tPoint p)
{
    std::vector<std::string> keys;
    for (const tShape &s : shapes) {
        if (std::find(roles.begin(), roles.end(), s.role) == roles.end()) continue;
        tRect box = s.rect;
        if (s.kind == tShape::Triangle) {
            auto [minX, maxX] = std::minmax({s.points[0].x, s.points[1].x, s.points[2].x});
            auto [minY, maxY] = std::minmax({s.points[0].y, s.points[1].y, s.points[2].y});
            box = {minX, minY, maxX + 1, maxY + 1};
        }
        if (box.contains(p)) keys.push_back(s.key);
    }
    return keys;
}

} // namespace

const char *weekdayName(int weekday)
{
    static const char *const names[] = {"Sonntag",    "Montag",  "Dienstag", "Mittwoch",
                                        "Donnerstag", "Freitag", "Samstag"};
    return weekday >= 0 && weekday < 7 ? names[weekday] : "";
}

std::string dayTip(const tDate &day, tHolidayCache &holidays)
{
    if (!day.valid()) return {};
    std::string tip = std::string(weekdayName(day.weekday())) + ", " + dateText(day);
    for (const tTag *h : holidays.holidaysOf(day)) addLine(tip, holidayName(*h));
    return tip;
}

std::string terminTip(const tTermin &t, bool visible)
{
    std::string tip = spanText(t);
    if (!visible) return tip + "\nbelegt";
    addLine(tip, t.TITLE);
    if (t.RESOURCE[0]) addLine(tip, "Ressource: " + resourceText(t.RESOURCE));
    if (t.WITH[0]) addLine(tip, "Teilnehmer: " + participantsText(t.WITH));
    return tip;
}

std::string terminTipOf(std::string_view id)
{
    tTerminStore &store = tTerminStore::instance();
    tTermin t;
    if (id.empty() || !store.find(id, t)) return {};
    return terminTip(t, store.visible(t));
}

std::string birthdayTip(const tPerson &p, const tDate &day)
{
    std::string tip = "Geburtstag: " + personName(p);
    int age = day.year - p.BIRTH.year;
    if (p.BIRTH.year != 0 && age >= 0)
        tip += viewFormat(", %d %s", age, age == 1 ? "Jahr" : "Jahre");
    return tip;
}

std::string taskTip(const tTask &k)
{
    std::string tip = std::string("Aufgabe: ") + k.TITLE;
    tProject project;
    if (k.PROJECT[0])
        addLine(tip, "Projekt: " + (project.find(k.PROJECT) && project.TITLE[0]
                                        ? viewFormat("%s (%s)", project.TITLE, k.PROJECT)
                                        : std::string(k.PROJECT)));
    if (k.ENDDATE.valid()) addLine(tip, "f\xE4llig: " + dateText(k.ENDDATE));
    return tip;
}

std::string alarmTip(const tAlarm &a)
{
    std::string tip = "Alarm: " + dateText(a.when) + ' ' + timeText(a.when);
    addLine(tip, a.MESSAGE);
    tAlarmLink link = alarmLink(a.WITH);
    if (link.kind == tAlarmLink::Termin) {
        std::string termin = terminTipOf(link.id);
        if (!termin.empty()) tip += "\n\nTermin: " + termin;
    } else if (link.kind == tAlarmLink::Task) {
        tTask k;
        if (k.find(link.id)) tip += "\n\n" + taskTip(k);
    }
    return tip;
}

std::string alarmTipOf(std::string_view id)
{
    tAlarm a;
    return tAlarmStore::instance().find(id, a) ? alarmTip(a) : std::string();
}

std::string lineTip(const tViewLine &line, tHolidayCache &holidays)
{
    switch (line.kind) {
    case tLineKind::Holiday:
        return dayTip(line.date, holidays);
    case tLineKind::Birthday: {
        tPerson p;
        return p.find(line.key) ? birthdayTip(p, line.date) : std::string();
    }
    case tLineKind::Termin:
        return terminTipOf(line.key);
    case tLineKind::Task: {
        tTask k;
        return k.find(line.key) ? taskTip(k) : std::string();
    }
    }
    return {};
}

std::string planerTip(const std::vector<tShape> &shapes, const tViewMetrics &m, const tDate &month,
                      tPoint p, tHolidayCache &holidays)
{
    std::string tip =
        terminTips(keysAt(shapes, {tShape::Bar, tShape::TriangleUp, tShape::TriangleDown}, p));
    if (!tip.empty()) return tip;
    tPlanerHit hit = planerHit(m, month, p);
    if (hit.area == tPlanerHit::Outside) return {};
    tip = dayTip(hit.date, holidays);
    if (hit.area == tPlanerHit::Birthdays)
        for (const tPerson &person : birthdaysOn(hit.date))
            addLine(tip, birthdayTip(person, hit.date));
    return tip;
}

std::string jahrPlanTip(const tJahrPlanData &data, const std::vector<tShape> &shapes,
                        const tViewMetrics &m, tPoint p, tPlanScroll scroll,
                        tHolidayCache &holidays)
{
    const tPoint offset = jahrPlanOffset(m, scroll);
    const tPoint q{p.x + offset.x, p.y + offset.y};
    std::string tip = terminTips(keysAt(shapes, {tShape::Bar, tShape::BarTitle}, q));
    if (!tip.empty()) return tip;
    std::vector<std::string> labels = keysAt(shapes, {tShape::ResourceLabel}, q);
    if (!labels.empty()) return "Ressource: " + resourceText(labels.front().c_str());
    tPlanHit hit = jahrPlanHit(data, m, p, scroll);
    if (!hit.inside) return {};
    tip = dayTip(hit.date, holidays);
    if (!hit.resourceId.empty()) addLine(tip, "Ressource: " + resourceText(hit.resourceId.c_str()));
    return tip;
}

} // namespace velk
