// ical_time.h - dates and times of iCalendar files against the local time of the calendar.
//
// The calendar keeps wall-clock time of Germany (Europe/Berlin).  Its summer time follows the
// rule of the European Union, used here for every year: from the last Sunday of March 01:00 UTC
// to the last Sunday of October 01:00 UTC the clock runs UTC+2, otherwise UTC+1.  A local time
// that falls into the hour skipped in March counts as winter time (02:30 is 01:30 UTC); one of
// the doubled hour in October counts as summer time.
//
// Times of other zones (TZID) are converted with the system's time zone database.
#ifndef VELK_EXCHANGE_ICAL_TIME_H
#define VELK_EXCHANGE_ICAL_TIME_H

#include "calendar/date.h"

#include <optional>
#include <string>
#include <string_view>

namespace velk {

// Days since 1970-01-01 of a date (proleptic Gregorian), and back.
long daysFromCivil(int year, int month, int day);
tDate civilFromDays(long days);
// Minutes since 1970-01-01 00:00 of a date-time read as it stands, and back.
long long minutesOf(const tDateTime &t);
tDateTime dateTimeOfMinutes(long long minutes);

tDateTime utcToBerlin(const tDateTime &utc);
tDateTime berlinToUtc(const tDateTime &local);
// Whether summer time is in force at that local time.
bool berlinSummer(const tDateTime &local);

// Whether a TZID names the calendar's own zone (Europe/Berlin, its Windows name, or a path that
// ends in it).
bool isBerlinZone(std::string_view tzid);
// The local time of Berlin for a wall-clock time of zone tzid; none when the system does not
// know the zone.
std::optional<tDateTime> zoneToBerlin(const tDateTime &wall, std::string_view tzid);

// A parsed DATE or DATE-TIME value.
struct tIcsTime {
    tDateTime t;
    bool dateOnly = false;
    bool utc = false;
};
// "20260305" or "20260305T093000" with an optional "Z"; none when it is neither, or the date or
// time does not exist.
std::optional<tIcsTime> parseIcsTime(std::string_view value);
// A DURATION ("P1D", "-PT15M", "P1W", "PT1H30M") in minutes (seconds dropped).
std::optional<long long> parseDuration(std::string_view value);

std::string formatIcsDate(const tDate &d);         // 20260305
std::string formatIcsDateTime(const tDateTime &t); // 20260305T093000

} // namespace velk

#endif
