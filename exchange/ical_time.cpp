#include "exchange/ical_time.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <sys/stat.h>

namespace velk {

long daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = (unsigned)(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + (long)doe - 719468;
}

tDate civilFromDays(long z)
{
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = (unsigned)(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    tDate d;
    d.day = (int)(doy - (153 * mp + 2) / 5 + 1);
    d.month = (int)(mp < 10 ? mp + 3 : mp - 9);
    d.year = (int)(yoe + era * 400 + (d.month <= 2));
    return d;
}

long long minutesOf(const tDateTime &t)
{
    return (long long)daysFromCivil(t.year, t.month, t.day) * 1440 + t.hour * 60 + t.minute;
}

tDateTime dateTimeOfMinutes(long long minutes)
{
    long long days = minutes >= 0 ? minutes / 1440 : -((-minutes + 1439) / 1440);
    tDateTime t;
    static_cast<tDate &>(t) = civilFromDays((long)days);
    int rest = (int)(minutes - days * 1440);
    t.hour = rest / 60;
    t.minute = rest % 60;
    return t;
}

namespace {

// The last Sunday of a month, as days since 1970.
long lastSunday(int year, int month)
{
    long last = daysFromCivil(year, month, tDate::daysInMonth(month, year));
    long weekday = ((last % 7) + 10) % 7; // 0 Monday .. 6 Sunday (1970-01-01 was a Thursday)
    return last - (weekday + 1) % 7;
}

// Summer time from/till as UTC minutes of that year.
std::pair<long long, long long> summerUtc(int year)
{
    return {lastSunday(year, 3) * 1440LL + 60, lastSunday(year, 10) * 1440LL + 60};
}

} // namespace

tDateTime utcToBerlin(const tDateTime &utc)
{
    long long m = minutesOf(utc);
    auto [from, till] = summerUtc(utc.year);
    return dateTimeOfMinutes(m + (m >= from && m < till ? 120 : 60));
}

bool berlinSummer(const tDateTime &local)
{
    // Local summer runs from 03:00 (the skipped hour counts as winter) to 03:00 of the doubled
    // hour's second pass, i.e. the doubled hour 02:00-02:59 counts as summer.
    long long m = minutesOf(local);
    auto [from, till] = summerUtc(local.year);
    return m >= from + 120 && m < till + 120;
}

tDateTime berlinToUtc(const tDateTime &local)
{
    return dateTimeOfMinutes(minutesOf(local) - (berlinSummer(local) ? 120 : 60));
}

bool isBerlinZone(std::string_view tzid)
{
    return tzid == "W. Europe Standard Time" || tzid.ends_with("Europe/Berlin");
}

std::optional<tDateTime> zoneToBerlin(const tDateTime &wall, std::string_view tzid)
{
    if (isBerlinZone(tzid)) return wall;
    // Abbreviations that some writers give as TZID (python-icalendar with zoneinfo zones): a
    // fixed offset from UTC, in minutes.
    static const std::pair<const char *, int> kFixed[] = {
        {"UTC", 0},    {"Etc/UTC", 0}, {"GMT", 0},    {"Z", 0},      {"WET", 0},
        {"WEST", 60},  {"BST", 60},    {"CET", 60},   {"MEZ", 60},   {"CEST", 120},
        {"MESZ", 120}, {"EET", 120},   {"EEST", 180}, {"EST", -300}, {"EDT", -240},
        {"CDT", -300}, {"MST", -420},  {"MDT", -360}, {"PST", -480}, {"PDT", -420}};
    for (auto [name, offset] : kFixed)
        if (tzid == name) return utcToBerlin(dateTimeOfMinutes(minutesOf(wall) - offset));
    // A zone of the system's database: letters, digits, "/", "_", "-", "+", no "..".
    if (tzid.empty() || tzid.size() > 64 || tzid.find("..") != std::string_view::npos ||
        tzid[0] == '/')
        return std::nullopt;
    for (char c : tzid)
        if (!(isalnum((unsigned char)c) || c == '/' || c == '_' || c == '-' || c == '+'))
            return std::nullopt;
    std::string zone(tzid);
    struct stat st {};
    if (stat(("/usr/share/zoneinfo/" + zone).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    const char *old = getenv("TZ");
    std::string saved = old ? old : "";
    setenv("TZ", zone.c_str(), 1);
    tzset();
    struct tm tm {};
    tm.tm_year = wall.year - 1900;
    tm.tm_mon = wall.month - 1;
    tm.tm_mday = wall.day;
    tm.tm_hour = wall.hour;
    tm.tm_min = wall.minute;
    tm.tm_isdst = -1;
    time_t utc = mktime(&tm);
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    if (utc == (time_t)-1) return std::nullopt;
    return utcToBerlin(dateTimeOfMinutes((long long)(utc / 60)));
}

namespace {

bool digits(std::string_view s)
{
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return !s.empty();
}

int num(std::string_view s) { return std::atoi(std::string(s).c_str()); }

} // namespace

std::optional<tIcsTime> parseIcsTime(std::string_view v)
{
    tIcsTime r;
    if (v.size() < 8 || !digits(v.substr(0, 8))) return std::nullopt;
    r.t.year = num(v.substr(0, 4));
    r.t.month = num(v.substr(4, 2));
    r.t.day = num(v.substr(6, 2));
    if (!r.t.valid() || r.t.year < 1) return std::nullopt;
    if (v.size() == 8) {
        r.dateOnly = true;
        return r;
    }
    if (v.size() < 15 || v[8] != 'T' || !digits(v.substr(9, 6))) return std::nullopt;
    std::string_view rest = v.substr(15);
    if (rest == "Z")
        r.utc = true;
    else if (!rest.empty())
        return std::nullopt;
    r.t.hour = num(v.substr(9, 2));
    r.t.minute = num(v.substr(11, 2));
    int sec = num(v.substr(13, 2));
    if (!r.t.validTime() || sec > 60) return std::nullopt;
    return r;
}

std::optional<long long> parseDuration(std::string_view v)
{
    int sign = 1;
    if (!v.empty() && (v[0] == '+' || v[0] == '-')) {
        sign = v[0] == '-' ? -1 : 1;
        v.remove_prefix(1);
    }
    if (v.empty() || v[0] != 'P') return std::nullopt;
    v.remove_prefix(1);
    long long minutes = 0, n = 0;
    bool inTime = false, any = false, haveNum = false;
    for (char c : v) {
        if (c >= '0' && c <= '9') {
            n = n * 10 + (c - '0');
            if (n > 100000000) return std::nullopt;
            haveNum = true;
            continue;
        }
        if (c == 'T') {
            if (inTime || haveNum) return std::nullopt;
            inTime = true;
            continue;
        }
        if (!haveNum) return std::nullopt;
        if (!inTime && c == 'W')
            minutes += n * 7 * 1440;
        else if (!inTime && c == 'D')
            minutes += n * 1440;
        else if (inTime && c == 'H')
            minutes += n * 60;
        else if (inTime && c == 'M')
            minutes += n;
        else if (inTime && c == 'S')
            minutes += n / 60;
        else
            return std::nullopt;
        n = 0;
        haveNum = false;
        any = true;
    }
    if (!any || haveNum) return std::nullopt;
    return sign * minutes;
}

std::string formatIcsDate(const tDate &d)
{
    char buf[16];
    snprintf(buf, sizeof buf, "%04d%02d%02d", d.year % 10000, d.month % 100, d.day % 100);
    return buf;
}

std::string formatIcsDateTime(const tDateTime &t)
{
    char buf[24];
    snprintf(buf, sizeof buf, "T%02d%02d00", t.hour % 100, t.minute % 100);
    return formatIcsDate(t) + buf;
}

} // namespace velk
