#include "exchange/ical_zone.h"
#include "exchange/ical_time.h"

#include <libical/ical.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

namespace velk {

namespace {

icaltimetype withDate(icaltimetype t, const tDate &d)
{
    t.year = d.year;
    t.month = d.month;
    t.day = d.day;
    return t;
}

// Abbreviations that some writers give as TZID (python-icalendar with zoneinfo zones): a fixed
// offset from UTC, in minutes.
const std::pair<const char *, int> kFixed[] = {
    {"Z", 0},      {"WET", 0},    {"WEST", 60},  {"BST", 60},   {"MEZ", 60},
    {"CEST", 120}, {"MESZ", 120}, {"EEST", 180}, {"EDT", -240}, {"CDT", -300},
    {"CST", -360}, {"MDT", -360}, {"PST", -480}, {"PDT", -420}, {"EET", 120},
    {"EST", -300}, {"MST", -420}, {"CET", 60},   {"GMT", 0},    {"UTC", 0}};

// A zone of the database by its name, or by a path that ends in one; the longest such end.
icaltimezone *builtinZone(std::string_view name)
{
    for (size_t from = 0; from < name.size();) {
        std::string part(name.substr(from));
        if (!part.empty())
            if (icaltimezone *z = icaltimezone_get_builtin_timezone(part.c_str())) return z;
        size_t slash = name.find('/', from);
        if (slash == std::string_view::npos) break;
        from = slash + 1;
    }
    return nullptr;
}

icaltimezone *windowsZone(std::string_view name)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString id;
    icu::TimeZone::getIDForWindowsID(
        icu::UnicodeString::fromUTF8(icu::StringPiece(name.data(), (int32_t)name.size())), "001",
        id, status);
    if (U_FAILURE(status) || id.isEmpty()) return nullptr;
    std::string iana;
    id.toUTF8String(iana);
    return icaltimezone_get_builtin_timezone(iana.c_str());
}

} // namespace

icaltimetype icalDate(const tDate &d) { return withDate(icaltime_null_date(), d); }

icaltimetype icalDateTime(const tDateTime &d)
{
    icaltimetype t = withDate(icaltime_null_time(), d);
    t.hour = d.hour;
    t.minute = d.minute;
    return t;
}

icaltimetype icalOfMinutes(long long minutes) { return icalDateTime(dateTimeOfMinutes(minutes)); }

long long minutesOfIcal(const icaltimetype &t)
{
    return (long long)daysFromCivil(t.year, t.month, t.day) * 1440 + t.hour * 60 + t.minute;
}

tZone berlinZone()
{
    static icaltimezone *berlin = icaltimezone_get_builtin_timezone("Europe/Berlin");
    return tZone{berlin, 60};
}

bool isBerlin(const tZone &zone) { return zone.zone && zone.zone == berlinZone().zone; }

long long wallOfUtc(long long utcMinutes, const tZone &zone)
{
    icaltimezone *utc = icaltimezone_get_utc_timezone();
    if (!zone.zone) return utcMinutes + zone.offset;
    if (zone.zone == utc) return utcMinutes;
    icaltimetype t = icalOfMinutes(utcMinutes);
    icaltimezone_convert_time(&t, utc, zone.zone);
    return minutesOfIcal(t);
}

long long berlinOfUtc(long long utcMinutes) { return wallOfUtc(utcMinutes, berlinZone()); }

long long utcOfWall(long long wallMinutes, const tZone &zone)
{
    // The offsets a day before and a day after: one of them is in force at that wall time,
    // both when the clock does not change around it.
    long long before = wallOfUtc(wallMinutes - 1440, zone) - (wallMinutes - 1440);
    long long after = wallOfUtc(wallMinutes + 1440, zone) - (wallMinutes + 1440);
    long long first = wallMinutes - before;
    if (before == after) return first;
    auto holds = [&](long long utc) { return wallOfUtc(utc, zone) == wallMinutes; };
    if (holds(first)) return first;
    long long second = wallMinutes - after;
    return holds(second) ? second : first; // skipped: the offset before the change
}

std::optional<tZone> tZones::find(std::string_view tzid)
{
    if (auto it = known_.find(tzid); it != known_.end()) return it->second;
    std::string name(tzid);
    std::optional<tZone> zone;
    // A name the database knows is its zone, even where the file gives a VTIMEZONE of that name:
    // such copies are often cut short or out of date.
    if (!name.empty())
        if (icaltimezone *z = icaltimezone_get_builtin_timezone(name.c_str())) zone = tZone{z};
    if (!zone && !name.empty())
        if (icaltimezone *z = windowsZone(name)) zone = tZone{z};
    if (!zone && calendar_)
        if (icaltimezone *z = icalcomponent_get_timezone(calendar_, name.c_str())) zone = tZone{z};
    if (!zone && !name.empty())
        if (icaltimezone *z = builtinZone(name)) zone = tZone{z};
    if (!zone)
        for (auto [abbreviation, offset] : kFixed)
            if (name == abbreviation) zone = tZone{nullptr, offset};
    known_.emplace(name, zone);
    return zone;
}

} // namespace velk
