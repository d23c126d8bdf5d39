// ical_time.h - dates and times of iCalendar files against the local time of the calendar.
//
// The calendar keeps wall-clock time of Germany (Europe/Berlin), converted with the zone
// database (ical_zone.h).  A local time that falls into the hour skipped in March counts as
// winter time (02:30 is 01:30 UTC); one of the doubled hour in October counts as summer time.
#ifndef VELK_EXCHANGE_ICAL_TIME_H
#define VELK_EXCHANGE_ICAL_TIME_H

#include "base/date.h"

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

// The local time of Berlin for a wall-clock time of zone tzid (ical_zone.h, no VTIMEZONE of a
// file); none when the zone is unknown.
std::optional<tDateTime> zoneToBerlin(const tDateTime &wall, std::string_view tzid);

std::string formatIcsDate(const tDate &d);         // 20260305
std::string formatIcsDateTime(const tDateTime &t); // 20260305T093000

} // namespace velk

#endif
