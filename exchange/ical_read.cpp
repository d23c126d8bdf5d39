// The reading half of ical.h: the text made readable for libical, its components walked, the
// VEVENTs to appointments, their recurrences expanded by libical's iterator.
#include "exchange/ical.h"
#include "exchange/ical_time.h"
#include "exchange/ical_zone.h"

#include <libical/ical.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <tuple>

namespace velk {

namespace {

// ---- the text before libical ----

// Markers the pass below puts into a component for the walk: its END was missing, or it held
// components nested too deep (left out).
constexpr const char *kIncomplete = "X-VELK-INCOMPLETE";
constexpr const char *kTooDeep = "X-VELK-TOO-DEEP";

struct tOpen {
    enum Kind {
        Emitted,   // its BEGIN went to libical
        Flattened, // a VCALENDAR inside another: its components go to the outer one
        Dropped    // too deep: left out with all it holds
    };
    std::string name;
    Kind kind;
};

bool isKeyword(std::string_view line, std::string_view key, std::string *value)
{
    if (line.size() <= key.size() || line[key.size()] != ':') return false;
    for (size_t i = 0; i < key.size(); i++)
        if (toupper((unsigned char)line[i]) != key[i]) return false;
    value->clear();
    for (char c : line.substr(key.size() + 1))
        if (c != ' ' && c != '\t') *value += (char)toupper((unsigned char)c);
    return !value->empty();
}

// The tolerance of the reader: the text as libical reads it.  A byte-order mark is skipped; CR,
// LF, CR LF and CR CR LF end lines; folded lines are unfolded; an over-long line is left out; an
// END that closes no open component closes the open one; an END of an outer component closes the
// inner ones (marked incomplete); a VCALENDAR inside another gives its components to the outer
// one; components deeper than kMaxDepth are left out (the one around them marked); at the end
// the open components are closed (marked incomplete).  Lines outside every component go.
class tPrepare {
public:
    explicit tPrepare(tIcsReadout *out) : out_(out) {}

    std::string run(std::string_view text)
    {
        if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
        std::string logical;
        bool have = false;
        size_t i = 0;
        while (i < text.size()) {
            size_t e = text.find_first_of("\r\n", i);
            if (e == std::string_view::npos) e = text.size();
            std::string_view line = text.substr(i, e - i);
            i = e;
            if (i < text.size() && text[i] == '\r') i++;
            if (i < text.size() && text[i] == '\n') i++;
            if (line.empty()) continue;
            if ((line[0] == ' ' || line[0] == '\t') && have) {
                if (logical.size() <= kMaxLine) logical.append(line.substr(1));
                continue;
            }
            if (have) take(logical);
            logical.assign(line.substr(0, kMaxLine + 1));
            have = true;
        }
        if (have) take(logical);
        while (!open_.empty()) close(true);
        return std::move(text_);
    }

private:
    // Whether a property read now goes to libical.
    bool emitting() const { return !open_.empty() && open_.back().kind == tOpen::Emitted; }
    // Whether a component that begins now does.
    bool nesting() const
    {
        for (auto o = open_.rbegin(); o != open_.rend(); ++o)
            if (o->kind != tOpen::Flattened) return o->kind == tOpen::Emitted;
        return true;
    }

    void emit(std::string_view line)
    {
        size_t from = text_.size();
        text_.append(line);
        std::replace(text_.begin() + (long)from, text_.end(), '\0', ' ');
        text_ += '\n';
    }

    // Closes the innermost open component, marked when its own END was not read.
    void close(bool incomplete)
    {
        if (open_.back().kind == tOpen::Emitted) {
            if (incomplete) emit(std::string(kIncomplete) + ":1");
            emit("END:" + open_.back().name);
        }
        open_.pop_back();
    }

    void take(const std::string &line)
    {
        std::string name;
        if (isKeyword(line, "BEGIN", &name)) {
            bool inCalendar = std::any_of(open_.begin(), open_.end(),
                                          [](const tOpen &o) { return o.name == "VCALENDAR"; });
            if ((int)open_.size() >= kMaxDepth) {
                if (emitting()) emit(std::string(kTooDeep) + ":1");
                open_.push_back({name, tOpen::Dropped});
            } else if (name == "VCALENDAR" && inCalendar) {
                out_->nestedCalendars++;
                open_.push_back({name, tOpen::Flattened});
            } else if (nesting()) {
                if (open_.empty() && name == "VCALENDAR") out_->calendars++;
                emit("BEGIN:" + name);
                open_.push_back({name, tOpen::Emitted});
            } else {
                open_.push_back({name, tOpen::Dropped});
            }
            return;
        }
        if (isKeyword(line, "END", &name)) {
            if (open_.empty()) return;
            auto match = std::find_if(open_.rbegin(), open_.rend(),
                                      [&](const tOpen &o) { return o.name == name; });
            if (match == open_.rend()) {
                out_->unknownEnds++;
                close(false);
                return;
            }
            while (open_.back().name != name) close(true);
            close(false);
            return;
        }
        // The properties of a nested VCALENDAR (VERSION, PRODID) are the outer one's already;
        // the markers are this pass's own.
        if (!emitting() || line.starts_with(kIncomplete) || line.starts_with(kTooDeep)) return;
        if (line.size() > kMaxLine) {
            out_->unreadable++;
            return;
        }
        emit(line);
    }

    tIcsReadout *out_;
    std::vector<tOpen> open_;
    std::string text_;
};

// ---- times ----

// A date (is_date, 00:00) or a date-time of minutes since 1970.
icaltimetype icalOfMinutes(long long m, bool date)
{
    icaltimetype t = velk::icalOfMinutes(m);
    if (date) t.hour = t.minute = 0, t.is_date = 1;
    return t;
}

bool storable(const icaltimetype &t)
{
    tDateTime d;
    d.year = t.year;
    d.month = t.month;
    d.day = t.day;
    d.hour = t.hour;
    d.minute = t.minute;
    return !icaltime_is_null_time(t) && t.year >= 1 && t.year <= 9999 && d.valid() &&
           (t.is_date || (d.validTime() && t.second <= 60));
}

// Where the wall-clock time of a value counts: UTC, a zone, or local (floating, or a zone
// nobody knows).
struct tFrame {
    bool utc = false;
    std::optional<tZone> zone;

    long long toBerlin(long long wall) const
    {
        if (utc) return berlinOfUtc(wall);
        if (zone && !isBerlin(*zone)) return berlinOfUtc(utcOfWall(wall, *zone));
        return wall;
    }
    long long fromUtc(long long utcMinutes) const
    {
        if (utc) return utcMinutes;
        if (zone) return wallOfUtc(utcMinutes, *zone);
        return berlinOfUtc(utcMinutes);
    }
};

std::string tzidOf(icalproperty *p)
{
    icalparameter *tz = icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER);
    const char *id = tz ? icalparameter_get_tzid(tz) : nullptr;
    return id ? id : "";
}

// A time as read: its wall-clock minutes, where they count, and the local time.
struct tWhen {
    long long wall = 0, local = 0;
    bool date = false;
    tFrame frame;
};

// ---- events ----

// An occurrence of a series that a RECURRENCE-ID event replaces: its UID and local start.
struct tMovedKey {
    std::string uid;
    long long local;
    bool operator<(const tMovedKey &o) const
    {
        return std::tie(uid, local) < std::tie(o.uid, o.local);
    }
};

class tReader {
public:
    tReader(icalcomponent *calendar, const tDate &today, tIcsReadout *out)
        : zones_(calendar), today_(today), out_(out)
    {}

    // A DATE or DATE-TIME value of property p (with its TZID) in local time.
    std::optional<tWhen> when(icalproperty *p, icaltimetype t, bool *unknownZone)
    {
        if (!storable(t)) return std::nullopt;
        tWhen w;
        w.wall = minutesOfIcal(t);
        w.date = t.is_date;
        if (w.date) {
            w.local = w.wall;
            return w;
        }
        if (icaltime_is_utc(t)) {
            w.frame.utc = true;
        } else if (std::string tzid = tzidOf(p); !tzid.empty()) {
            w.frame.zone = zones_.find(tzid);
            if (!w.frame.zone) *unknownZone = true;
        }
        w.local = w.frame.toBerlin(w.wall);
        if (w.local < kMinMinutes || w.local > kMaxMinutes) return std::nullopt;
        return w;
    }

    std::optional<tWhen> when(icalcomponent *ev, icalproperty_kind kind, bool *unknownZone)
    {
        icalproperty *p = icalcomponent_get_first_property(ev, kind);
        if (!p) return std::nullopt;
        icalvalue *v = icalproperty_get_value(p);
        if (!v) return std::nullopt;
        icalvalue_kind vk = icalvalue_isa(v);
        if (vk != ICAL_DATE_VALUE && vk != ICAL_DATETIME_VALUE) return std::nullopt;
        return when(p, icalvalue_get_datetime(v), unknownZone);
    }

    // The local starts of the occurrences a RECURRENCE-ID event of the calendar replaces.
    void noteMoved(icalcomponent *ev)
    {
        bool unknown = false;
        const char *uid = icalcomponent_get_uid(ev);
        if (!uid || !sound(ev)) return;
        std::optional<tWhen> rid = when(ev, ICAL_RECURRENCEID_PROPERTY, &unknown);
        if (!rid) return;
        (rid->date ? movedDays_ : moved_).insert({uid, rid->local});
        // Of a series of days, the day of its own wall clock (as Outlook writes them).
        if (!rid->date)
            movedWallDays_.insert({uid, rid->wall - ((rid->wall % 1440) + 1440) % 1440});
    }

    static bool sound(icalcomponent *ev)
    {
        for (icalproperty *p = icalcomponent_get_first_property(ev, ICAL_X_PROPERTY); p;
             p = icalcomponent_get_next_property(ev, ICAL_X_PROPERTY)) {
            const char *name = icalproperty_get_x_name(p);
            if (name && (!strcmp(name, kIncomplete) || !strcmp(name, kTooDeep))) return false;
        }
        return true;
    }

    std::optional<tIcsEvent> event(icalcomponent *ev);

private:
    static constexpr long long kMinMinutes = -719162LL * 1440; // 1.1.0001
    static constexpr long long kMaxMinutes = 2932896LL * 1440; // 1.1.10000

    std::vector<long long> starts(icalcomponent *ev, const tWhen &start, const std::string &uid,
                                  bool *unknownZone);
    void expandRule(icalproperty *rule, const tWhen &start, std::vector<tWhen> *out, bool *cut);
    long long horizonOf(const tWhen &start) const;

    tZones zones_;
    tDate today_;
    tIcsReadout *out_;
    std::set<tMovedKey> moved_;
    std::set<tMovedKey> movedDays_;     // RECURRENCE-IDs of a day: the occurrence on that day
    std::set<tMovedKey> movedWallDays_; // the days of the others, for series of days
};

// The last local time a series reaches: kSeriesYears past its start, or past today.
long long tReader::horizonOf(const tWhen &start) const
{
    tDateTime at = dateTimeOfMinutes(start.local);
    if (today_.valid() && at.before(today_)) static_cast<tDate &>(at) = today_;
    at.year += kSeriesYears;
    if (!at.valid()) at.day = 28; // 29 February
    return minutesOf(at);
}

void tReader::expandRule(icalproperty *prop, const tWhen &start, std::vector<tWhen> *out, bool *cut)
{
    icalrecurrencetype rule = icalproperty_get_rrule(prop);
    long long horizon = horizonOf(start);
    // UNTIL comes to the wall clock of the start, as the iterator compares it.
    bool capped = false;
    if (!icaltime_is_null_time(rule.until)) {
        long long until = minutesOfIcal(rule.until);
        if (start.date) {
            rule.until = icalOfMinutes(until, true);
        } else {
            if (rule.until.is_date)
                until += 1439;
            else if (icaltime_is_utc(rule.until))
                until = start.frame.fromUtc(until);
            rule.until = icalOfMinutes(until, false);
            rule.until.second = 59;
        }
    }
    // Without COUNT the iterator ends a little after the horizon (in any zone).
    if (rule.count == 0) {
        long long cap = horizon + 2 * 1440;
        if (icaltime_is_null_time(rule.until) || minutesOfIcal(rule.until) > cap) {
            rule.until = icalOfMinutes(cap, start.date);
            capped = true;
        }
    }
    icaltimetype first = icalOfMinutes(start.wall, start.date);
    icalrecur_iterator *it = icalrecur_iterator_new(rule, first);
    if (!it) {
        out_->unsupported++;
        return;
    }
    size_t rows = 1;
    bool ended = true;
    for (icaltimetype o = icalrecur_iterator_next(it); !icaltime_is_null_time(o);
         o = icalrecur_iterator_next(it)) {
        if (!storable(o)) break;
        tWhen w = start;
        w.wall = minutesOfIcal(o);
        if (w.wall <= start.wall) continue;
        w.local = start.date ? w.wall : start.frame.toBerlin(w.wall);
        // Twice the bound, for the EXDATEs and moved occurrences that leave some out.
        if (w.local > horizon || rows >= 2 * (size_t)kSeriesMax) {
            ended = false;
            break;
        }
        out->push_back(w);
        rows++;
    }
    icalrecur_iterator_free(it);
    if (!ended || capped) *cut = true;
}

// The local starts of the event: its own, the rule's, the RDATEs; without the EXDATEs and the
// occurrences other events of the file replace (RECURRENCE-ID).
std::vector<long long> tReader::starts(icalcomponent *ev, const tWhen &start,
                                       const std::string &uid, bool *unknown)
{
    std::vector<tWhen> all{start};
    bool cut = false;
    bool series = false;
    if (icalproperty *rule = icalcomponent_get_first_property(ev, ICAL_RRULE_PROPERTY)) {
        series = true;
        expandRule(rule, start, &all, &cut);
    }
    long long horizon = horizonOf(start);
    for (icalproperty *p = icalcomponent_get_first_property(ev, ICAL_RDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(ev, ICAL_RDATE_PROPERTY)) {
        series = true;
        icaldatetimeperiodtype d = icalproperty_get_rdate(p);
        icaltimetype t = icalperiodtype_is_null_period(d.period) ? d.time : d.period.start;
        std::optional<tWhen> w = when(p, t, unknown);
        if (!w) continue;
        // A day added to a series with a time of day: that day at the series' time.
        if (w->date && !start.date) {
            w->wall += ((start.wall % 1440) + 1440) % 1440;
            w->local = start.frame.toBerlin(w->wall);
            w->date = false;
            w->frame = start.frame;
        }
        if (w->local > horizon) {
            cut = true;
            continue;
        }
        // Its wall-clock time in the event's frame, for EXDATEs of whole days.
        if (!w->date && !start.date) {
            long long utc = w->frame.utc ? w->wall : utcOfWall(w->local, berlinZone());
            w->wall = start.frame.fromUtc(utc);
        }
        all.push_back(*w);
    }
    std::vector<long long> out;
    if (!series) return {start.local};
    std::set<long long> drop, dropDays;
    bool ignored = false;
    for (icalproperty *p = icalcomponent_get_first_property(ev, ICAL_EXDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(ev, ICAL_EXDATE_PROPERTY))
        if (std::optional<tWhen> x = when(p, icalproperty_get_exdate(p), &ignored))
            (x->date ? dropDays : drop).insert(x->date ? x->wall : x->local);
    std::sort(all.begin(), all.end(),
              [](const tWhen &a, const tWhen &b) { return a.local < b.local; });
    // The bound counts the occurrences that other events replace: they are appointments too.
    long moved = 0;
    for (size_t i = 0; i < all.size(); i++) {
        const tWhen &w = all[i];
        long long day = w.wall - ((w.wall % 1440) + 1440) % 1440;
        if (i > 0 && all[i - 1].local == w.local) continue;
        if (drop.count(w.local) || dropDays.count(day)) continue;
        if ((long)out.size() + moved >= kSeriesMax) {
            cut = true;
            break;
        }
        if (moved_.count({uid, w.local}) || movedDays_.count({uid, day}) ||
            (start.date && movedWallDays_.count({uid, day})))
            moved++;
        else
            out.push_back(w.local);
    }
    if (cut) out_->seriesCut++;
    return out;
}

std::optional<tIcsEvent> tReader::event(icalcomponent *ev)
{
    bool unknown = false;
    std::optional<tWhen> start = when(ev, ICAL_DTSTART_PROPERTY, &unknown);
    if (!start) {
        out_->noStart++;
        return std::nullopt;
    }
    tIcsEvent e;
    tTermin t;
    std::optional<tWhen> end = when(ev, ICAL_DTEND_PROPERTY, &unknown);
    std::optional<long long> duration;
    if (icalproperty *d = icalcomponent_get_first_property(ev, ICAL_DURATION_PROPERTY)) {
        icaldurationtype dur = icalproperty_get_duration(d);
        if (!icaldurationtype_is_bad_duration(dur))
            duration = (long long)icaldurationtype_as_int(dur) / 60;
    }
    long long span = 0; // minutes from start to end; -1: no end
    if (end && end->local >= start->local)
        span = end->local - start->local;
    else if (duration && *duration >= 0)
        span = *duration;
    else
        span = start->date ? 1440 : -1;
    if (start->date) span = std::max(0LL, span - 1440); // the end day is exclusive
    if (span > 1440LL * 366 * 10 || (span == 0 && !start->date)) span = -1; // no end time

    auto text = [&](icalproperty_kind kind) {
        icalproperty *p = icalcomponent_get_first_property(ev, kind);
        const char *v = p ? icalvalue_get_text(icalproperty_get_value(p)) : nullptr;
        return v ? utf8ToCp1252(v, &out_->lost) : std::string();
    };
    if (!t.setTitle(text(ICAL_SUMMARY_PROPERTY))) out_->titlesCut++;
    e.location = text(ICAL_LOCATION_PROPERTY);
    if (icalproperty *c = icalcomponent_get_first_property(ev, ICAL_CLASS_PROPERTY)) {
        icalproperty_class cls = icalproperty_get_class(c);
        if (cls == ICAL_CLASS_PRIVATE || cls == ICAL_CLASS_CONFIDENTIAL) t.setRead("P");
    }
    for (icalproperty *a = icalcomponent_get_first_property(ev, ICAL_ATTENDEE_PROPERTY); a;
         a = icalcomponent_get_next_property(ev, ICAL_ATTENDEE_PROPERTY)) {
        const char *value = icalproperty_get_attendee(a);
        std::string_view v = value ? value : "";
        std::string id;
        if (v.starts_with("urn:x-velk:person:") && decodeUidId(v.substr(18), &id)) {
            t.setWith("P" + id);
            break;
        }
    }
    if (const char *uid = icalcomponent_get_uid(ev)) e.uid = uid;

    // An event that replaces one occurrence of a series (RECURRENCE-ID) is that occurrence
    // only, even where its writer left the series' rule in it.
    std::vector<long long> local{start->local};
    long long occurrence = 0; // of an event of its own
    if (!icalcomponent_get_first_property(ev, ICAL_RECURRENCEID_PROPERTY)) {
        local = starts(ev, *start, e.uid, &unknown);
        e.series = icalcomponent_get_first_property(ev, ICAL_RRULE_PROPERTY) ||
                   icalcomponent_get_first_property(ev, ICAL_RDATE_PROPERTY);
    } else if (std::optional<tWhen> rid = when(ev, ICAL_RECURRENCEID_PROPERTY, &unknown)) {
        occurrence = rid->local;
        e.replaces = true;
    }
    if (unknown) out_->unknownZones++;
    for (long long m : local) {
        tTermin row = t;
        static_cast<tDateTime &>(row.from) = dateTimeOfMinutes(m);
        if (span < 0) {
            static_cast<tDate &>(row.till) = row.from; // no end time: the start day at 00:00
            row.till.hour = row.till.minute = 0;
        } else {
            static_cast<tDateTime &>(row.till) = dateTimeOfMinutes(m + span);
        }
        if (row.till.year > 9999 || row.from.year < 1) continue;
        e.rows.push_back(row);
        e.occurrences.push_back(e.series ? m : occurrence);
    }
    return e;
}

// The properties libical could not read (X-LIC-ERROR), in c and its subcomponents; an empty
// value ("LOCATION:", as Google writes it) loses nothing and does not count.
long unreadableIn(icalcomponent *c)
{
    long n = 0;
    for (icalproperty *p = icalcomponent_get_first_property(c, ICAL_XLICERROR_PROPERTY); p;
         p = icalcomponent_get_next_property(c, ICAL_XLICERROR_PROPERTY)) {
        const char *error = icalproperty_get_xlicerror(p);
        if (!error || strncmp(error, "No value for ", 13) != 0) n++;
    }
    for (icalcomponent *s = icalcomponent_get_first_component(c, ICAL_ANY_COMPONENT); s;
         s = icalcomponent_get_next_component(c, ICAL_ANY_COMPONENT))
        n += unreadableIn(s);
    return n;
}

// The events of one VCALENDAR; masters holds the UIDs of the series read before, in any of the
// file's calendars.
void readCalendar(icalcomponent *cal, const tDate &today, std::set<std::string> *masters,
                  tIcsReadout *out)
{
    tReader reader(cal, today, out);
    std::vector<icalcomponent *> events;
    for (icalcomponent *c = icalcomponent_get_first_component(cal, ICAL_VEVENT_COMPONENT); c;
         c = icalcomponent_get_next_component(cal, ICAL_VEVENT_COMPONENT))
        events.push_back(c);
    for (icalcomponent *ev : events)
        if (icalcomponent_get_first_property(ev, ICAL_RECURRENCEID_PROPERTY)) reader.noteMoved(ev);
    for (icalcomponent *ev : events) {
        if (!tReader::sound(ev)) {
            out->broken++;
            continue;
        }
        std::optional<tIcsEvent> e = reader.event(ev);
        if (!e) continue;
        bool override = icalcomponent_get_first_property(ev, ICAL_RECURRENCEID_PROPERTY);
        if (!e->uid.empty() && !override && !masters->insert(e->uid).second) {
            out->sameUid++;
            continue;
        }
        // Kept without rows: its UID still marks the moved occurrences as its own.
        if (e->rows.empty()) out->emptySeries++;
        out->events.push_back(std::move(*e));
    }
}

} // namespace

tIcsReadout readICalendarText(std::string_view text, const tDate &today)
{
    tIcsReadout out;
    if ((long)text.size() > kMaxFile) return out;
    std::string prepared = tPrepare(&out).run(text);
    if (!out.calendars) return out;
    std::unique_ptr<icalcomponent, void (*)(icalcomponent *)> root(
        icalparser_parse_string(prepared.c_str()), icalcomponent_free);
    if (!root) return out;
    out.unreadable += unreadableIn(root.get());
    std::vector<icalcomponent *> calendars;
    if (icalcomponent_isa(root.get()) == ICAL_VCALENDAR_COMPONENT) {
        calendars.push_back(root.get());
    } else {
        for (icalcomponent *c = icalcomponent_get_first_component(root.get(), ICAL_ANY_COMPONENT);
             c; c = icalcomponent_get_next_component(root.get(), ICAL_ANY_COMPONENT)) {
            if (icalcomponent_isa(c) == ICAL_VCALENDAR_COMPONENT)
                calendars.push_back(c);
            else if (icalcomponent_isa(c) == ICAL_VEVENT_COMPONENT)
                out.outside++;
        }
    }
    std::set<std::string> masters;
    for (icalcomponent *cal : calendars) readCalendar(cal, today, &masters, &out);
    return out;
}

} // namespace velk
