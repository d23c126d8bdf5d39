// The writing half of ical.h: the appointments the calendar user may see as VEVENTs.  Each
// event is built as a libical component and written as libical serialises it (folding, escaping,
// UTF-8), one after the other, between the calendar's head with the zone and its end.
#include "exchange/ical.h"

#include "address/group.h"
#include "address/person.h"
#include "address/resource.h"
#include "calendar/alarm.h"
#include "base/fill_hold.h"
#include "base/session.h"
#include "calendar/termin_store.h"
#include "exchange/ical_parts.h"
#include "exchange/ical_zone.h"
#include "exchange/termin_exchange.h"
#include "exchange/text_out.h"
#include "exchange/uid_register.h"
#include "model/tables.h"

#include <algorithm>
#include <ctime>
#include <libical/ical.h>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace velk {

namespace {

constexpr const char *kTermine = "Termine";
constexpr const char *kZone = "Europe/Berlin";

// ---- the zone ----
//
// libical gives the zone database's rules as a VTIMEZONE of many observances: the historic ones,
// and the rules in force split where the database's explicit transitions end (2037).  Written
// are the rules in force as one observance each, every bounded rule as its dates (readers such as
// python3-icalendar fail on a rule's UNTIL there), and of the historic ones only those that the
// file's appointments need.

constexpr int kMaxOnsets = 1000; // of one rule, as a guard

std::vector<icalproperty *> properties(icalcomponent *c, icalproperty_kind kind)
{
    std::vector<icalproperty *> out;
    for (icalproperty *p = icalcomponent_get_first_property(c, kind); p;
         p = icalcomponent_get_next_property(c, kind))
        out.push_back(p);
    return out;
}

std::vector<icalcomponent *> observances(icalcomponent *zone)
{
    std::vector<icalcomponent *> out;
    for (icalcomponent *c = icalcomponent_get_first_component(zone, ICAL_ANY_COMPONENT); c;
         c = icalcomponent_get_next_component(zone, ICAL_ANY_COMPONENT))
        out.push_back(c);
    return out;
}

void removeProperty(icalcomponent *c, icalproperty *p)
{
    icalcomponent_remove_property(c, p);
    icalproperty_free(p);
}

void removeComponent(icalcomponent *parent, icalcomponent *c)
{
    icalcomponent_remove_component(parent, c);
    icalcomponent_free(c);
}

std::string valueText(icalproperty *p)
{
    if (!p) return {};
    char *text = icalproperty_get_value_as_string_r(p);
    std::string out = text ? text : "";
    icalmemory_free_buffer(text);
    return out;
}

std::string ruleText(icalrecurrencetype rule)
{
    char *text = icalrecurrencetype_as_string_r(&rule);
    std::string out = text ? text : "";
    icalmemory_free_buffer(text);
    return out;
}

// The rule without its end.
icalrecurrencetype unbounded(icalrecurrencetype rule)
{
    rule.until = icaltime_null_time();
    rule.count = 0;
    return rule;
}

// The end of a rule in the observance's local time (UNTIL is in UTC, the onsets are local times
// of the offset before them).
icaltimetype localUntil(icalcomponent *observance, icalrecurrencetype rule)
{
    icaltimetype until = rule.until;
    if (icaltime_is_utc(until)) {
        until.zone = nullptr;
        icalproperty *from =
            icalcomponent_get_first_property(observance, ICAL_TZOFFSETFROM_PROPERTY);
        icaltime_adjust(&until, 0, 0, 0, from ? icalproperty_get_tzoffsetfrom(from) : 0);
    }
    return until;
}

// Calls f with each onset of the rule from the observance's start on, while f says so.
template <class F>
void eachOnset(icalcomponent *observance, icalrecurrencetype rule, F f)
{
    icalrecur_iterator *it = icalrecur_iterator_new(rule, icalcomponent_get_dtstart(observance));
    if (!it) return;
    int n = 0;
    for (icaltimetype t = icalrecur_iterator_next(it); !icaltime_is_null_time(t) && n < kMaxOnsets;
         t = icalrecur_iterator_next(it), n++)
        if (!f(t)) break;
    icalrecur_iterator_free(it);
}

// Same kind, offsets and name.
bool sameObservance(icalcomponent *a, icalcomponent *b)
{
    if (icalcomponent_isa(a) != icalcomponent_isa(b)) return false;
    for (icalproperty_kind k :
         {ICAL_TZOFFSETFROM_PROPERTY, ICAL_TZOFFSETTO_PROPERTY, ICAL_TZNAME_PROPERTY})
        if (valueText(icalcomponent_get_first_property(a, k)) !=
            valueText(icalcomponent_get_first_property(b, k)))
            return false;
    return true;
}

// An observance whose rule ends where a later one of the same rule begins: the two as one.
void joinSplitRules(icalcomponent *zone)
{
    std::vector<icalcomponent *> all = observances(zone);
    for (icalcomponent *a : all) {
        std::vector<icalproperty *> rules = properties(a, ICAL_RRULE_PROPERTY);
        if (rules.size() != 1) continue;
        icalrecurrencetype rule = icalproperty_get_rrule(rules[0]);
        if (icaltime_is_null_time(rule.until) || rule.count) continue;
        icaltimetype until = localUntil(a, rule), next = icaltime_null_time();
        eachOnset(a, unbounded(rule), [&](icaltimetype t) {
            if (icaltime_compare(t, until) <= 0) return true;
            next = t;
            return false;
        });
        for (icalcomponent *b : all) {
            std::vector<icalproperty *> more = properties(b, ICAL_RRULE_PROPERTY);
            if (b == a || more.size() != 1 || !sameObservance(a, b) ||
                icalcomponent_get_first_property(b, ICAL_RDATE_PROPERTY) ||
                ruleText(icalproperty_get_rrule(more[0])) != ruleText(unbounded(rule)) ||
                icaltime_is_null_time(next) ||
                icaltime_compare(icalcomponent_get_dtstart(b), next) != 0)
                continue;
            icalproperty_set_rrule(rules[0], unbounded(rule));
            removeComponent(zone, b);
            break;
        }
        if (icaltime_is_null_time(icalproperty_get_rrule(rules[0]).until))
            return joinSplitRules(zone);
    }
}

// Every rule with an end as the dates it gives.
void boundedRulesAsDates(icalcomponent *zone)
{
    for (icalcomponent *c : observances(zone)) {
        icaltimetype start = icalcomponent_get_dtstart(c);
        for (icalproperty *p : properties(c, ICAL_RRULE_PROPERTY)) {
            icalrecurrencetype rule = icalproperty_get_rrule(p);
            if (icaltime_is_null_time(rule.until) && !rule.count) continue;
            icaltimetype until = localUntil(c, rule);
            int left = rule.count ? rule.count : kMaxOnsets;
            eachOnset(c, unbounded(rule), [&](icaltimetype t) {
                if (left-- <= 0 ||
                    (!icaltime_is_null_time(until) && icaltime_compare(t, until) > 0))
                    return false;
                if (icaltime_compare(t, start) != 0) {
                    icaldatetimeperiodtype date{};
                    date.time = t;
                    date.period = icalperiodtype_null_period();
                    icalcomponent_add_property(c, icalproperty_new_rdate(date));
                }
                return true;
            });
            removeProperty(c, p);
        }
    }
}

// The onsets of an observance: the last before `limit` (null when none), and whether one is at
// or after it.
std::pair<icaltimetype, bool> onsetsAround(icalcomponent *observance, icaltimetype limit)
{
    icaltimetype before = icaltime_null_time();
    bool later = false;
    auto take = [&](icaltimetype t) {
        if (icaltime_is_null_time(t)) return;
        if (icaltime_compare(t, limit) >= 0)
            later = true;
        else if (icaltime_is_null_time(before) || icaltime_compare(t, before) > 0)
            before = t;
    };
    take(icalcomponent_get_dtstart(observance));
    for (icalproperty *p : properties(observance, ICAL_RDATE_PROPERTY))
        take(icalproperty_get_rdate(p).time);
    for (icalproperty *p : properties(observance, ICAL_RRULE_PROPERTY)) {
        icalrecurrencetype rule = icalproperty_get_rrule(p);
        later |= icaltime_is_null_time(rule.until) && !rule.count; // it never ends
        eachOnset(observance, rule, [&](icaltimetype t) {
            take(t);
            return icaltime_compare(t, limit) < 0;
        });
    }
    return {before, later};
}

// The zone database's Europe/Berlin as libical has it, named "Europe/Berlin" (without libical's
// X-LIC-LOCATION, which stricter readers refuse), with the observances that matter from the
// beginning of `fromYear` on: the one in force then and those that begin later.  Null when
// libical does not know the zone.
tComponentPtr berlinZone(int fromYear)
{
    icaltimezone *zone = icaltimezone_get_builtin_timezone(kZone);
    icalcomponent *full = zone ? icaltimezone_get_component(zone) : nullptr;
    if (!full) return nullptr;
    tComponentPtr out(icalcomponent_new_clone(full));
    if (icalproperty *id = icalcomponent_get_first_property(out.get(), ICAL_TZID_PROPERTY))
        icalproperty_set_tzid(id, kZone);
    for (icalproperty *p : properties(out.get(), ICAL_X_PROPERTY)) removeProperty(out.get(), p);
    joinSplitRules(out.get());
    boundedRulesAsDates(out.get());
    icaltimetype from = icaltime_from_day_of_year(1, fromYear), inForceSince = icaltime_null_time();
    std::vector<icalcomponent *> past;
    icalcomponent *inForce = nullptr;
    for (icalcomponent *c : observances(out.get())) {
        auto [before, later] = onsetsAround(c, from);
        if (!icaltime_is_null_time(before) &&
            (!inForce || icaltime_compare(before, inForceSince) > 0)) {
            inForce = c;
            inForceSince = before;
        }
        if (!later) past.push_back(c);
    }
    for (icalcomponent *c : past)
        if (c != inForce) removeComponent(out.get(), c);
    return out;
}

// "BEGIN:VCALENDAR ... " up to the first event, and the "END:VCALENDAR" after the last one.
std::pair<std::string, std::string> calendarFrame(int fromYear)
{
    tComponentPtr cal(icalcomponent_new(ICAL_VCALENDAR_COMPONENT));
    icalcomponent_add_property(cal.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(cal.get(), icalproperty_new_prodid("-//VELK//Kalender//DE"));
    icalcomponent_add_property(cal.get(), icalproperty_new_calscale("GREGORIAN"));
    if (tComponentPtr zone = berlinZone(fromYear))
        icalcomponent_add_component(cal.get(), zone.release());
    std::string text = serialised(cal.get());
    size_t end = text.rfind("END:VCALENDAR");
    if (end == std::string::npos) end = text.size();
    return {text.substr(0, end), text.substr(end)};
}

icalproperty *attendee(const tTermin &t)
{
    std::string_view with = t.WITH;
    if (with.size() < 2 || (with[0] != 'P' && with[0] != 'G')) return nullptr;
    std::string id(with.substr(1)), name;
    bool group = with[0] == 'G';
    if (group) {
        tGroup g;
        name = g.find(id) ? g.TITLE : id;
    } else {
        tPerson p;
        name = p.find(id) ? std::string(p.CHRNAME) + " " + p.NAME : id;
        while (!name.empty() && name[0] == ' ') name.erase(0, 1);
    }
    std::string uri =
        std::string(group ? "urn:x-velk:group:" : "urn:x-velk:person:") + encodeUidId(id);
    icalproperty *a = icalproperty_new_attendee(uri.c_str());
    if (group) icalproperty_add_parameter(a, icalparameter_new_cutype(ICAL_CUTYPE_GROUP));
    icalproperty_add_parameter(a, icalparameter_new_cn(cp1252ToUtf8(name).c_str()));
    return a;
}

icalcomponent *alarmOf(const tTermin &t, const tAlarm &a)
{
    icalcomponent *alarm = icalcomponent_new(ICAL_VALARM_COMPONENT);
    icalcomponent_add_property(alarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
    icaltriggertype trigger{};
    trigger.time = icaltime_null_time();
    trigger.duration = icaltime_subtract(icalDateTime(a.when), icalDateTime(t.from));
    icalcomponent_add_property(alarm, icalproperty_new_trigger(trigger));
    std::string message = a.MESSAGE[0] ? a.MESSAGE : t.TITLE;
    icalcomponent_add_property(alarm, icalproperty_new_description(cp1252ToUtf8(message).c_str()));
    return alarm;
}

// The VEVENTs of one export.  One component is filled anew for each appointment: its UID,
// DTSTAMP, DTSTART, DTEND and SUMMARY stay and take the appointment's values, what not every
// appointment has is added and taken away again (a component built from nothing for each one
// takes half as long again).
class tEventWriter {
public:
    tEventWriter(const std::string &identity, icaltimetype stamp,
                 const std::map<std::string, std::string> &resources,
                 const std::map<std::string, tAlarm> &alarms)
        : identity_(identity), resources_(resources), alarms_(alarms),
          event_(icalcomponent_new(ICAL_VEVENT_COMPONENT))
    {
        icalcomponent *e = event_.get();
        icalcomponent_add_property(e, uid_ = icalproperty_new_uid(""));
        icalcomponent_add_property(e, icalproperty_new_dtstamp(stamp));
        icalcomponent_add_property(e, start_ = icalproperty_new_dtstart(icaltime_null_time()));
        icalcomponent_add_property(e, end_ = icalproperty_new_dtend(icaltime_null_time()));
        icalcomponent_add_property(e, summary_ = icalproperty_new_summary(""));
    }

    // The appointment as a VEVENT.
    std::string text(const tTermin &t, const std::string *uid = nullptr)
    {
        icalcomponent *e = event_.get();
        icalproperty_set_uid(uid_, uid ? uid->c_str() : ownUid(t.ID, identity_).c_str());
        // All-day only for a span of whole days: 00:00 to 00:00 of a later day.  00:00 to 00:00
        // of the same day is an appointment at midnight without an end.
        const tDate &fromDay = t.from, &tillDay = t.till;
        bool allDay = t.from.hour == 0 && t.from.minute == 0 && t.till.hour == 0 &&
                      t.till.minute == 0 && t.till.valid() && t.from.valid() &&
                      fromDay.before(tillDay);
        bool hasEnd = t.till.valid() && t.till.validTime() && t.till.year >= 1 &&
                      t.till.year <= 9999 && t.from.before(t.till);
        setLocal(!allDay);
        if (allDay) {
            tDate after = t.till;
            icalproperty_set_dtstart(start_, icalDate(t.from));
            icalproperty_set_dtend(end_, icalDate(after.nextDay()));
        } else {
            // Without an end time (or with one before the start) the event lasts no time.
            icalproperty_set_dtstart(start_, icalDateTime(t.from));
            icalproperty_set_dtend(end_, icalDateTime(hasEnd ? t.till : t.from));
        }
        icalproperty_set_summary(summary_, cp1252ToUtf8(t.TITLE).c_str());
        std::vector<icalproperty *> added;
        auto add = [&](icalproperty *p) {
            icalcomponent_add_property(e, p);
            added.push_back(p);
        };
        if (auto r = resources_.find(t.RESOURCE); t.RESOURCE[0] && r != resources_.end())
            add(icalproperty_new_location(cp1252ToUtf8(r->second).c_str()));
        if (t.READ[0] == 'P' && std::string_view(t.READ + 1) == t.OWNER)
            add(icalproperty_new_class(ICAL_CLASS_PRIVATE));
        if (icalproperty *a = attendee(t)) add(a);
        icalcomponent *alarm = nullptr;
        if (auto a = alarms_.find(t.ID); a != alarms_.end())
            icalcomponent_add_component(e, alarm = alarmOf(t, a->second));
        std::string out = serialised(e);
        for (icalproperty *p : added) removeProperty(e, p);
        if (alarm) removeComponent(e, alarm);
        return out;
    }

private:
    // DTSTART and DTEND as local times of the zone, or as dates.
    void setLocal(bool local)
    {
        if (local == local_) return;
        for (icalproperty *p : {start_, end_}) {
            if (local)
                icalproperty_add_parameter(p, icalparameter_new_tzid(kZone));
            else
                icalproperty_remove_parameter_by_kind(p, ICAL_TZID_PARAMETER);
        }
        local_ = local;
    }

    const std::string &identity_;
    const std::map<std::string, std::string> &resources_;
    const std::map<std::string, tAlarm> &alarms_;
    tComponentPtr event_;
    icalproperty *uid_, *start_, *end_, *summary_;
    bool local_ = false;
};

} // namespace

// The calendar user's first alarm of each appointment, by appointment ID.
std::map<std::string, tAlarm> alarmsOfUser()
{
    std::map<std::string, tAlarm> out;
    tAlarmStore &store = tAlarmStore::instance();
    tFillHold hold{tAlarmTable::instance()};
    tAlarm a;
    for (long pos = store.firstOfUser(a); pos; pos = store.nextOfUser(pos, a)) {
        tAlarmLink link = alarmLink(a.WITH);
        if (link.kind == tAlarmLink::Termin && a.storable()) out.emplace(link.id, a);
    }
    return out;
}

namespace {

// A row without a valid start date and time no calendar can take.
bool writable(const tTermin &t)
{
    return t.from.valid() && t.from.validTime() && t.from.year >= 1 && t.from.year <= 9999;
}

} // namespace

tExchangeResult exportICalendar(const std::string &fileName, const tExchangeProgress &progress)
{
    std::vector<tTermin> list = visibleAppointments();
    if (list.empty()) return nothingToWrite(kTermine);
    std::string identity = tUidRegister::databaseIdentity();
    std::map<std::string, std::string> resources;
    for (const tResource &res : allResources()) resources[res.ID] = res.TITLE;
    std::map<std::string, tAlarm> alarms = alarmsOfUser();
    // The zone is given from the year of the earliest appointment on.
    int fromYear = tDate::today().year;
    for (const tTermin &t : list)
        if (writable(t)) fromYear = std::min(fromYear, t.from.year);
    tTextOut out;
    if (!out.open(fileName)) return notStarted(kTermine, "Die Datei kann nicht angelegt werden");
    auto [head, tail] = calendarFrame(fromYear);
    out.write(head);
    icaltimetype stamp =
        icaltime_from_timet_with_zone(time(nullptr), 0, icaltimezone_get_utc_timezone());
    tEventWriter events(identity, stamp, resources, alarms);
    tExchangeResult r = writeEach(
        kTermine, (long)list.size(), progress,
        [&](long i) {
            const tTermin &t = list[i];
            if (!writable(t)) return tWritten::Skipped; // no calendar can take it
            return out.write(events.text(t)) ? tWritten::Yes : tWritten::Failed;
        },
        [&] { out.discard(); },
        [&] {
            out.write(tail);
            return out.commit();
        });
    if (r.outcome == tExchangeResult::Done)
        addNotes(r.notes, {{r.skipped, "Termin ohne g\xFCltigen Beginn nicht geschrieben",
                            "Termine ohne g\xFCltigen Beginn nicht geschrieben"}});
    return r;
}

// ---- the parts of one item of a vdir (ical_parts.h) ----

std::string serialised(icalcomponent *c)
{
    char *text = icalcomponent_as_ical_string_r(c);
    std::string out = text ? text : "";
    icalmemory_free_buffer(text);
    return out;
}

std::string icsCalendarOf(const std::vector<std::string> &events, int fromYear)
{
    // The frame (with the zone from that year on) is the same for every item of a year.
    static std::map<int, std::pair<std::string, std::string>> frames;
    auto frame = frames.find(fromYear);
    if (frame == frames.end()) frame = frames.emplace(fromYear, calendarFrame(fromYear)).first;
    const auto &[head, tail] = frame->second;
    std::string out = head;
    for (const std::string &e : events) out += e;
    return out + tail;
}

std::string icsEventText(const tTermin &t, const std::string &uid, const tAlarm *alarm,
                         const std::map<std::string, std::string> &resources)
{
    std::map<std::string, tAlarm> alarms;
    if (alarm) alarms.emplace(t.ID, *alarm);
    static const std::string unused;
    icaltimetype stamp =
        icaltime_from_timet_with_zone(time(nullptr), 0, icaltimezone_get_utc_timezone());
    tEventWriter writer(unused, stamp, resources, alarms);
    return writer.text(t, &uid);
}

icalcomponent *icsBerlinZone(int fromYear) { return berlinZone(fromYear).release(); }
icalproperty *icsAttendee(const tTermin &t) { return attendee(t); }
icalcomponent *icsAlarm(const tTermin &t, const tAlarm &a) { return alarmOf(t, a); }
bool icsWritable(const tTermin &t) { return writable(t); }

} // namespace velk
