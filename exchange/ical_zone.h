// ical_zone.h - the time zones of an iCalendar file and the conversion of their times to the
// calendar's local time (Europe/Berlin, from the zone database as libical reads it).
//
// A TZID is resolved in this order: a name of the zone database ("Europe/Berlin"), a Windows name
// ("W. Europe Standard Time") mapped to the database's through ICU, a VTIMEZONE of the file's
// VCALENDAR with that TZID (any other name, Outlook's "(UTC+01:00) Amsterdam, Berlin, ..." too),
// a name of the database behind a path ("/mozilla.org/20050126_1/Europe/Berlin"), an
// abbreviation of a fixed offset that some writers give ("CEST", "EDT").  Otherwise the zone is
// unknown.  The database goes first since the VTIMEZONEs that files give of its zones are often
// cut short (one observance) or out of date (rules of years before the event).
//
// A wall-clock time that a zone's clock skips or passes twice is read as the zone database's
// readers do by default: at the offset in force before the change.
#ifndef VELK_EXCHANGE_ICAL_ZONE_H
#define VELK_EXCHANGE_ICAL_ZONE_H

#include "base/date.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>

struct icalcomponent_impl;
struct _icaltimezone;
struct icaltimetype;

namespace velk {

// A zone: a libical one or a fixed offset from UTC in minutes.
struct tZone {
    _icaltimezone *zone = nullptr;
    int offset = 0;
};

// libical's times: a DATE value; a wall-clock time without a zone (the property names the zone);
// minutes since 1970 (read as they stand) as such a time, and back.
icaltimetype icalDate(const tDate &d);
icaltimetype icalDateTime(const tDateTime &d);
icaltimetype icalOfMinutes(long long minutes);
long long minutesOfIcal(const icaltimetype &t);

// Minutes since 1970 (read as they stand): Berlin local time of a UTC time.
long long berlinOfUtc(long long utcMinutes);
// The UTC time of a wall-clock time of a zone.
long long utcOfWall(long long wallMinutes, const tZone &zone);
// The wall-clock time of a zone at a UTC time.
long long wallOfUtc(long long utcMinutes, const tZone &zone);
// The calendar's own zone, Europe/Berlin; whether a zone is that one (its times need no
// conversion).
tZone berlinZone();
bool isBerlin(const tZone &zone);

// The zones of one VCALENDAR (or of none: the database's, Windows and fixed ones only).
class tZones {
public:
    explicit tZones(icalcomponent_impl *calendar = nullptr) : calendar_(calendar) {}
    // The zone of a TZID; none when it is unknown.
    std::optional<tZone> find(std::string_view tzid);

private:
    icalcomponent_impl *calendar_;
    std::map<std::string, std::optional<tZone>, std::less<>> known_;
};

} // namespace velk

#endif
