// The reading half of ical.h: VEVENTs to appointments, with the expansion of their rules.
#include "exchange/ical.h"
#include "exchange/ical_time.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>

namespace velk {

namespace {

// A time of a property in local time; *unknownZone set when its TZID is unknown.
std::optional<tIcsTime> localTime(std::string_view value, const std::string &tzid,
                                  bool *unknownZone)
{
    std::optional<tIcsTime> t = parseIcsTime(value);
    if (!t || t->dateOnly) return t;
    if (t->utc) {
        t->t = utcToBerlin(t->t);
    } else if (!tzid.empty()) {
        if (std::optional<tDateTime> local = zoneToBerlin(t->t, tzid))
            t->t = *local;
        else
            *unknownZone = true;
    }
    t->utc = false;
    if (t->t.year < 1 || t->t.year > 9999) return std::nullopt;
    return t;
}

std::optional<tIcsTime> propTime(const tContentLine *p, bool *unknownZone)
{
    if (!p) return std::nullopt;
    return localTime(p->value, p->param("TZID"), unknownZone);
}

// ---- rules ----

struct tRule {
    enum Freq { Daily, Weekly, Monthly, Yearly } freq = Daily;
    int interval = 1;
    long count = 0;                         // 0: none
    std::optional<tIcsTime> until;          // local
    std::vector<std::pair<int, int>> byDay; // (ordinal or 0, weekday 0 Monday .. 6 Sunday)
    std::vector<int> byMonthDay, byMonth;
};

int weekdayOf(long days) { return (int)(((days % 7) + 10) % 7); }

std::optional<tRule> parseRule(std::string_view value, bool *unknownZone)
{
    tRule r;
    bool haveFreq = false;
    static const char *kDays[] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};
    for (const std::string &part : splitValue(value, ';')) {
        size_t eq = part.find('=');
        if (eq == std::string::npos) return std::nullopt;
        std::string key = part.substr(0, eq), val = part.substr(eq + 1);
        std::vector<std::string> list = splitValue(val, ',');
        if (key == "FREQ") {
            static const char *kFreq[] = {"DAILY", "WEEKLY", "MONTHLY", "YEARLY"};
            haveFreq = false;
            for (int k = 0; k < 4; k++)
                if (val == kFreq[k]) r.freq = tRule::Freq(k), haveFreq = true;
            if (!haveFreq) return std::nullopt;
        } else if (key == "INTERVAL") {
            r.interval = std::atoi(val.c_str());
            if (r.interval < 1 || r.interval > 10000) return std::nullopt;
        } else if (key == "COUNT") {
            r.count = std::atol(val.c_str());
            if (r.count < 1) return std::nullopt;
        } else if (key == "UNTIL") {
            r.until = localTime(val, "", unknownZone);
            if (!r.until) return std::nullopt;
        } else if (key == "BYDAY") {
            for (const std::string &d : list) {
                if (d.size() < 2) return std::nullopt;
                std::string name = d.substr(d.size() - 2), ord = d.substr(0, d.size() - 2);
                int wd = -1;
                for (int k = 0; k < 7; k++)
                    if (name == kDays[k]) wd = k;
                int n = ord.empty() ? 0 : std::atoi(ord.c_str());
                if (wd < 0 || n < -5 || n > 5 || (!ord.empty() && n == 0)) return std::nullopt;
                r.byDay.emplace_back(n, wd);
            }
        } else if (key == "BYMONTHDAY" || key == "BYMONTH") {
            for (const std::string &d : list) {
                int n = std::atoi(d.c_str());
                bool ok = key == "BYMONTH" ? n >= 1 && n <= 12 : n != 0 && n >= -31 && n <= 31;
                if (!ok) return std::nullopt;
                (key == "BYMONTH" ? r.byMonth : r.byMonthDay).push_back(n);
            }
        } else if (key != "WKST") {
            return std::nullopt; // BYSETPOS, BYWEEKNO, BYHOUR, ...: not understood
        }
    }
    if (!haveFreq) return std::nullopt;
    bool ordinals = std::any_of(r.byDay.begin(), r.byDay.end(), [](auto d) { return d.first; });
    if (ordinals && (r.freq == tRule::Daily || r.freq == tRule::Weekly)) return std::nullopt;
    if (r.freq == tRule::Yearly && !r.byDay.empty() && r.byMonth.empty()) return std::nullopt;
    return r;
}

// The days (since 1970) of one month that the rule's day parts give, from `first` of the series.
void monthDays(const tRule &r, int year, int month, int startDay, std::vector<long> *out)
{
    int len = tDate::daysInMonth(month, year);
    long base = daysFromCivil(year, month, 1);
    if (!r.byMonthDay.empty()) {
        for (int d : r.byMonthDay) {
            int day = d > 0 ? d : len + 1 + d;
            if (day >= 1 && day <= len) out->push_back(base + day - 1);
        }
    } else if (!r.byDay.empty()) {
        for (auto [ord, wd] : r.byDay) {
            std::vector<long> all;
            for (int day = 1; day <= len; day++)
                if (weekdayOf(base + day - 1) == wd) all.push_back(base + day - 1);
            if (ord == 0)
                out->insert(out->end(), all.begin(), all.end());
            else if (ord > 0 && ord <= (int)all.size())
                out->push_back(all[ord - 1]);
            else if (ord < 0 && -ord <= (int)all.size())
                out->push_back(all[all.size() + ord]);
        }
    } else if (startDay <= len) {
        out->push_back(base + startDay - 1);
    }
}

// The candidate days of period k of the rule.
std::vector<long> periodDays(const tRule &r, const tDate &start, long k)
{
    std::vector<long> days;
    long first = daysFromCivil(start.year, start.month, start.day);
    switch (r.freq) {
    case tRule::Daily:
        days.push_back(first + k * r.interval);
        break;
    case tRule::Weekly: {
        long monday = first - weekdayOf(first) + k * 7 * r.interval;
        if (r.byDay.empty())
            days.push_back(monday + weekdayOf(first));
        else
            for (auto [ord, wd] : r.byDay) days.push_back(monday + wd);
        break;
    }
    case tRule::Monthly: {
        long m = (long)start.month - 1 + k * r.interval;
        monthDays(r, start.year + (int)(m / 12), (int)(m % 12) + 1, start.day, &days);
        break;
    }
    case tRule::Yearly: {
        int year = start.year + (int)(k * r.interval);
        std::vector<int> months = r.byMonth.empty() ? std::vector<int>{start.month} : r.byMonth;
        for (int month : months) monthDays(r, year, month, start.day, &days);
        break;
    }
    }
    std::sort(days.begin(), days.end());
    days.erase(std::unique(days.begin(), days.end()), days.end());
    if (!r.byMonth.empty() && r.freq != tRule::Yearly)
        std::erase_if(days, [&](long d) {
            return std::find(r.byMonth.begin(), r.byMonth.end(), civilFromDays(d).month) ==
                   r.byMonth.end();
        });
    if (r.freq == tRule::Daily && !r.byDay.empty())
        std::erase_if(days, [&](long d) {
            return std::none_of(r.byDay.begin(), r.byDay.end(),
                                [&](auto bd) { return bd.second == weekdayOf(d); });
        });
    return days;
}

// The starts of the series (the first is `start`); *cut when the horizon ended it.
std::vector<long long> expand(const tRule &r, const tIcsTime &start, const tDate &today, bool *cut)
{
    long long first = minutesOf(start.t);
    int timeOfDay = start.t.hour * 60 + start.t.minute;
    // The horizon runs from the start, or from today for a series that began before.
    tDateTime horizonAt = start.t;
    if (today.valid() && start.t.before(today)) static_cast<tDate &>(horizonAt) = today;
    horizonAt.year += kSeriesYears;
    if (!horizonAt.valid()) horizonAt.day = 28; // 29 February
    long long horizon = minutesOf(horizonAt);
    long long until = LLONG_MAX;
    if (r.until) {
        tDateTime u = r.until->t;
        if (r.until->dateOnly) u.hour = 23, u.minute = 59;
        until = minutesOf(u);
    }
    std::vector<long long> out{first};
    *cut = false;
    for (long k = 0;; k++) {
        std::vector<long> days = periodDays(r, start.t, k);
        // A period past the horizon ends the walk (periods only move forward).
        long long periodStart = days.empty() ? LLONG_MIN : days.front() * 1440LL + timeOfDay;
        if (k > 1200) break; // periods without a day (31st of short months) end somewhere
        for (long d : days) {
            long long m = d * 1440LL + timeOfDay;
            if (m <= first) continue;
            if (m > until || (r.count && (long)out.size() >= r.count)) return out;
            if (m > horizon || (long)out.size() >= kSeriesMax) {
                *cut = true;
                return out;
            }
            out.push_back(m);
        }
        if (periodStart != LLONG_MIN && periodStart > horizon) {
            *cut = until > horizon && !(r.count && (long)out.size() >= r.count);
            return out;
        }
    }
    return out;
}

// ---- events ----

std::string textOf(const tComponent &ev, std::string_view name, long *lost)
{
    const tContentLine *p = ev.prop(name);
    return p ? utf8ToCp1252(unescapeText(p->value), lost) : std::string();
}

// The recurrence-ids and their replacements, per UID.
using tMoved = std::map<std::string, std::set<long long>>;

std::optional<tIcsEvent> readEvent(const tComponent &ev, const tMoved &moved, const tDate &today,
                                   tIcsReadout *out)
{
    bool unknown = false;
    std::optional<tIcsTime> start = propTime(ev.prop("DTSTART"), &unknown);
    if (!start) return std::nullopt;
    tIcsEvent e;
    tTermin t;
    static_cast<tDateTime &>(t.from) = start->t;
    std::optional<tIcsTime> end = propTime(ev.prop("DTEND"), &unknown);
    std::optional<long long> duration;
    if (const tContentLine *d = ev.prop("DURATION")) duration = parseDuration(d->value);
    long long span = 0; // minutes from start to end; -1: no end
    if (end && minutesOf(end->t) >= minutesOf(start->t))
        span = minutesOf(end->t) - minutesOf(start->t);
    else if (duration && *duration >= 0)
        span = *duration;
    else
        span = start->dateOnly ? 1440 : -1;
    if (start->dateOnly) span = std::max(0LL, span - 1440); // the end day is exclusive
    if (span > 1440LL * 366 * 10 || (span == 0 && !start->dateOnly)) span = -1; // no end time
    if (unknown) out->unknownZones++;

    std::string title = textOf(ev, "SUMMARY", &out->lost);
    if (!t.setTitle(title)) out->titlesCut++;
    e.location = textOf(ev, "LOCATION", &out->lost);
    if (const tContentLine *c = ev.prop("CLASS"))
        if (c->value == "PRIVATE" || c->value == "CONFIDENTIAL") t.setRead("P");
    for (const tContentLine *a : ev.all("ATTENDEE")) {
        std::string_view v = a->value;
        std::string id;
        if (v.starts_with("urn:x-velk:person:") && decodeUidId(v.substr(18), &id)) {
            t.setWith("P" + id);
            break;
        }
    }
    if (const tContentLine *u = ev.prop("UID")) e.uid = unescapeText(u->value);

    std::vector<long long> starts{minutesOf(start->t)};
    if (const tContentLine *rr = ev.prop("RRULE")) {
        std::optional<tRule> rule = parseRule(rr->value, &unknown);
        bool cut = false;
        if (rule)
            starts = expand(*rule, *start, today, &cut);
        else
            out->unsupported++;
        if (cut) out->seriesCut++;
        std::set<long long> drop, dropDays;
        for (const tContentLine *x : ev.all("EXDATE"))
            for (const std::string &v : splitValue(x->value, ',')) {
                bool u = false;
                if (std::optional<tIcsTime> xt = localTime(v, x->param("TZID"), &u))
                    (xt->dateOnly ? dropDays : drop).insert(minutesOf(xt->t));
            }
        if (auto it = moved.find(e.uid); it != moved.end())
            drop.insert(it->second.begin(), it->second.end());
        std::erase_if(starts, [&](long long m) {
            long long day = m >= 0 ? m - m % 1440 : m;
            return drop.count(m) || dropDays.count(day);
        });
    }
    for (long long m : starts) {
        tTermin row = t;
        static_cast<tDateTime &>(row.from) = dateTimeOfMinutes(m);
        if (span < 0) {
            static_cast<tDate &>(row.till) = row.from; // no end time: the start day at 00:00
            row.till.hour = row.till.minute = 0;
        } else {
            static_cast<tDateTime &>(row.till) = dateTimeOfMinutes(m + span);
        }
        if (row.till.year > 9999) continue;
        e.rows.push_back(row);
    }
    return e;
}

} // namespace

tIcsReadout readICalendar(const std::vector<tComponent> &top, const tDate &today)
{
    tIcsReadout out;
    std::vector<const tComponent *> events;
    for (const tComponent &cal : top)
        if (cal.name == "VCALENDAR")
            for (const tComponent &c : cal.subs)
                if (c.name == "VEVENT") events.push_back(&c);
    // Occurrences that a RECURRENCE-ID event moves, by UID.
    tMoved moved;
    for (const tComponent *ev : events) {
        const tContentLine *rid = ev->prop("RECURRENCE-ID");
        const tContentLine *uid = ev->prop("UID");
        bool unknown = false;
        if (rid && uid && ev->sound())
            if (std::optional<tIcsTime> t = propTime(rid, &unknown))
                moved[unescapeText(uid->value)].insert(minutesOf(t->t));
    }
    std::set<std::string> masters;
    for (const tComponent *ev : events) {
        if (!ev->sound()) {
            out.broken++;
            continue;
        }
        std::optional<tIcsEvent> e = readEvent(*ev, moved, today, &out);
        if (!e) {
            out.broken++;
            continue;
        }
        if (!e->uid.empty() && !ev->prop("RECURRENCE-ID") && !masters.insert(e->uid).second) {
            out.sameUid++;
            continue;
        }
        out.events.push_back(std::move(*e));
    }
    return out;
}

tIcsReadout readICalendarText(std::string_view text, const tDate &today)
{
    return readICalendar(parseComponents(text), today);
}

} // namespace velk
