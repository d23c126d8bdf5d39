#include "exchange/ical_item.h"

#include "base/date.h"
#include "exchange/ical_parts.h"
#include "exchange/ical_time.h"
#include "exchange/ical_zone.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <libical/ical.h>
#include <memory>

namespace velk {

namespace {

constexpr const char *kZone = "Europe/Berlin";

void removeAll(icalcomponent *c, icalproperty_kind kind)
{
    while (icalproperty *p = icalcomponent_get_first_property(c, kind)) {
        icalcomponent_remove_property(c, p);
        icalproperty_free(p);
    }
}

std::vector<icalcomponent *> events(icalcomponent *cal, const std::string &uid)
{
    std::vector<icalcomponent *> out;
    for (icalcomponent *c = icalcomponent_get_first_component(cal, ICAL_VEVENT_COMPONENT); c;
         c = icalcomponent_get_next_component(cal, ICAL_VEVENT_COMPONENT)) {
        const char *u = icalcomponent_get_uid(c);
        if (u && uid == u) out.push_back(c);
    }
    return out;
}

// A local time of the calendar as a property value with TZID (or a date).
icaltimetype localValue(long long minutes, bool date)
{
    icaltimetype t = icalOfMinutes(minutes);
    if (date) {
        t.is_date = 1;
        t.hour = t.minute = t.second = 0;
    }
    return t;
}

void addTzid(icalproperty *p, bool date)
{
    if (!date) icalproperty_add_parameter(p, icalparameter_new_tzid(kZone));
}

// The local start (minutes) of a DATE or DATE-TIME property, in the calendar's zone.
bool localOf(icalproperty *p, tZones &zones, long long *out)
{
    icaltimetype t = icalvalue_get_datetime(icalproperty_get_value(p));
    if (icaltime_is_null_time(t)) return false;
    long long wall = minutesOfIcal(t);
    if (t.is_date) {
        *out = wall;
        return true;
    }
    if (icaltime_is_utc(t)) {
        *out = berlinOfUtc(wall);
        return true;
    }
    icalparameter *tz = icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER);
    const char *id = tz ? icalparameter_get_tzid(tz) : nullptr;
    std::optional<tZone> zone = id ? zones.find(id) : std::nullopt;
    *out = zone && !isBerlin(*zone) ? berlinOfUtc(utcOfWall(wall, *zone)) : wall;
    return true;
}

bool allDay(const tTermin &t)
{
    const tDate &from = t.from, &till = t.till;
    return t.from.hour == 0 && t.from.minute == 0 && t.till.hour == 0 && t.till.minute == 0 &&
           t.till.valid() && t.from.valid() && from.before(till);
}

// Replaces the values VELK keeps of an event by the appointment's, as the export writes them.
void setValues(icalcomponent *ev, const tIcsItemRow &r,
               const std::map<std::string, std::string> &resources)
{
    const std::string uid = icalcomponent_get_uid(ev) ? icalcomponent_get_uid(ev) : "";
    tComponentPtr fresh(
        icalcomponent_new_from_string(icsEventText(r.row, uid, r.alarm, resources).c_str()));
    if (!fresh) return;
    for (icalproperty_kind k :
         {ICAL_DTSTART_PROPERTY, ICAL_DTEND_PROPERTY, ICAL_DURATION_PROPERTY, ICAL_SUMMARY_PROPERTY,
          ICAL_LOCATION_PROPERTY, ICAL_CLASS_PROPERTY, ICAL_DTSTAMP_PROPERTY})
        removeAll(ev, k);
    for (icalproperty *p = icalcomponent_get_first_property(ev, ICAL_ATTENDEE_PROPERTY); p;) {
        icalproperty *next = icalcomponent_get_next_property(ev, ICAL_ATTENDEE_PROPERTY);
        const char *v = icalproperty_get_attendee(p);
        if (v && !strncmp(v, "urn:x-velk:", 11)) {
            icalcomponent_remove_property(ev, p);
            icalproperty_free(p);
        }
        p = next;
    }
    while (icalcomponent *a = icalcomponent_get_first_component(ev, ICAL_VALARM_COMPONENT)) {
        icalcomponent_remove_component(ev, a);
        icalcomponent_free(a);
    }
    for (icalproperty *p = icalcomponent_get_first_property(fresh.get(), ICAL_ANY_PROPERTY); p;
         p = icalcomponent_get_next_property(fresh.get(), ICAL_ANY_PROPERTY))
        if (icalproperty_isa(p) != ICAL_UID_PROPERTY)
            icalcomponent_add_property(ev, icalproperty_new_clone(p));
    for (icalcomponent *a = icalcomponent_get_first_component(fresh.get(), ICAL_VALARM_COMPONENT);
         a; a = icalcomponent_get_next_component(fresh.get(), ICAL_VALARM_COMPONENT))
        icalcomponent_add_component(ev, icalcomponent_new_clone(a));
}

// The item made anew from its appointments.
std::string fresh(const std::string &uid, const std::vector<tIcsItemRow> &rows,
                  const std::map<std::string, std::string> &resources)
{
    std::vector<const tIcsItemRow *> live;
    for (const tIcsItemRow &r : rows)
        if (!r.gone && icsWritable(r.row)) live.push_back(&r);
    if (live.empty()) return {};
    std::sort(live.begin(), live.end(), [](const tIcsItemRow *a, const tIcsItemRow *b) {
        return minutesOf(a->row.from) < minutesOf(b->row.from);
    });
    int fromYear = live.front()->row.from.year;
    std::vector<std::string> texts;
    if (live.size() == 1)
        return icsCalendarOf({icsEventText(live[0]->row, uid, live[0]->alarm, resources)},
                             fromYear);
    tComponentPtr first(icalcomponent_new_from_string(
        icsEventText(live[0]->row, uid, live[0]->alarm, resources).c_str()));
    if (!first) return {};
    bool date = allDay(live[0]->row);
    for (size_t i = 1; i < live.size(); i++) {
        icaldatetimeperiodtype d{};
        d.time = localValue(minutesOf(live[i]->row.from), date);
        d.period = icalperiodtype_null_period();
        icalproperty *rdate = icalproperty_new_rdate(d);
        addTzid(rdate, date);
        icalcomponent_add_property(first.get(), rdate);
    }
    texts.push_back(serialised(first.get()));
    for (size_t i = 1; i < live.size(); i++) {
        tComponentPtr ev(icalcomponent_new_from_string(
            icsEventText(live[i]->row, uid, live[i]->alarm, resources).c_str()));
        if (!ev) continue;
        icalproperty *rid =
            icalproperty_new_recurrenceid(localValue(minutesOf(live[i]->row.from), date));
        addTzid(rid, date);
        icalcomponent_add_property(ev.get(), rid);
        texts.push_back(serialised(ev.get()));
    }
    return icsCalendarOf(texts, fromYear);
}

// The occurrences of the series changed and deleted on our side, in the file's calendar.
void changeSeries(icalcomponent *cal, icalcomponent *master, const std::string &uid,
                  const std::vector<tIcsItemRow> &rows,
                  const std::map<std::string, std::string> &resources)
{
    tZones zones(cal);
    icalproperty *start = icalcomponent_get_first_property(master, ICAL_DTSTART_PROPERTY);
    bool date = start && icalvalue_get_datetime(icalproperty_get_value(start)).is_date;
    bool zoneNeeded = false;
    for (const tIcsItemRow &r : rows) {
        if (!r.gone && !r.changed) continue;
        icalcomponent *replacing = nullptr;
        for (icalcomponent *ev : events(cal, uid)) {
            icalproperty *rid = icalcomponent_get_first_property(ev, ICAL_RECURRENCEID_PROPERTY);
            long long local;
            if (rid && localOf(rid, zones, &local) && local == r.occurrence) replacing = ev;
        }
        if (r.gone) {
            if (replacing) {
                icalcomponent_remove_component(cal, replacing);
                icalcomponent_free(replacing);
            }
            icalproperty *ex = icalproperty_new_exdate(localValue(r.occurrence, date));
            addTzid(ex, date);
            icalcomponent_add_property(master, ex);
            zoneNeeded |= !date;
            continue;
        }
        if (!replacing) {
            replacing = icalcomponent_new(ICAL_VEVENT_COMPONENT);
            icalcomponent_add_property(replacing, icalproperty_new_uid(uid.c_str()));
            icalproperty *rid = icalproperty_new_recurrenceid(localValue(r.occurrence, date));
            addTzid(rid, date);
            icalcomponent_add_property(replacing, rid);
            icalcomponent_add_component(cal, replacing);
        }
        setValues(replacing, r, resources);
        zoneNeeded = true;
    }
    if (zoneNeeded && !icalcomponent_get_timezone(cal, kZone)) {
        int year = tDate::today().year;
        for (const tIcsItemRow &r : rows) year = std::min(year, r.row.from.year);
        if (icalcomponent *zone = icsBerlinZone(std::max(year, 1)))
            icalcomponent_add_component(cal, zone);
    }
}

} // namespace

std::string icsItemText(const std::string &existing, const std::string &uid,
                        const std::vector<tIcsItemRow> &rows,
                        const std::map<std::string, std::string> &resources)
{
    tComponentPtr root(existing.empty() ? nullptr : icalparser_parse_string(existing.c_str()));
    icalcomponent *cal = root.get();
    if (cal && icalcomponent_isa(cal) != ICAL_VCALENDAR_COMPONENT)
        cal = icalcomponent_get_first_component(cal, ICAL_VCALENDAR_COMPONENT);
    icalcomponent *master = nullptr;
    if (cal)
        for (icalcomponent *ev : events(cal, uid))
            if (!icalcomponent_get_first_property(ev, ICAL_RECURRENCEID_PROPERTY)) master = ev;
    if (!master) return fresh(uid, rows, resources);
    bool series = icalcomponent_get_first_property(master, ICAL_RRULE_PROPERTY) ||
                  icalcomponent_get_first_property(master, ICAL_RDATE_PROPERTY);
    if (!series) {
        // An event of its own: one appointment, or nothing left of it.
        auto live =
            std::find_if(rows.begin(), rows.end(), [](const tIcsItemRow &r) { return !r.gone; });
        if (live == rows.end() || !icsWritable(live->row)) return {};
        setValues(master, *live, resources);
        if (!icalcomponent_get_timezone(cal, kZone) && !allDay(live->row))
            if (icalcomponent *zone = icsBerlinZone(std::max(live->row.from.year, 1)))
                icalcomponent_add_component(cal, zone);
    } else {
        changeSeries(cal, master, uid, rows, resources);
    }
    return serialised(cal);
}

std::string icsWithUid(const std::string &text, const std::string &uid, const std::string &newUid)
{
    tComponentPtr root(icalparser_parse_string(text.c_str()));
    if (!root) return text;
    std::vector<icalcomponent *> cals{root.get()};
    if (icalcomponent_isa(root.get()) != ICAL_VCALENDAR_COMPONENT) {
        cals.clear();
        for (icalcomponent *c =
                 icalcomponent_get_first_component(root.get(), ICAL_VCALENDAR_COMPONENT);
             c; c = icalcomponent_get_next_component(root.get(), ICAL_VCALENDAR_COMPONENT))
            cals.push_back(c);
    }
    for (icalcomponent *cal : cals)
        for (icalcomponent *ev : events(cal, uid)) icalcomponent_set_uid(ev, newUid.c_str());
    return serialised(root.get());
}

} // namespace velk
