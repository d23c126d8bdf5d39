#include "exchange/ical_time.h"

#include "exchange/ical_zone.h"

#include <cstdio>
#include <string>

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

tDateTime utcToBerlin(const tDateTime &utc)
{
    return dateTimeOfMinutes(berlinOfUtc(minutesOf(utc)));
}

tDateTime berlinToUtc(const tDateTime &local)
{
    return dateTimeOfMinutes(utcOfWall(minutesOf(local), berlinZone()));
}

bool berlinSummer(const tDateTime &local)
{
    return minutesOf(local) - minutesOf(berlinToUtc(local)) > 60;
}

std::optional<tDateTime> zoneToBerlin(const tDateTime &wall, std::string_view tzid)
{
    std::optional<tZone> zone = tZones().find(tzid);
    if (!zone) return std::nullopt;
    if (isBerlin(*zone)) return wall;
    return dateTimeOfMinutes(berlinOfUtc(utcOfWall(minutesOf(wall), *zone)));
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
