// ical.h - appointments to and from iCalendar files (".ics"), as today's calendar programs,
// phones and servers exchange them.
//
// Export: one VEVENT for each appointment the calendar user may see, in ID order:
//
//   UID          "<ID>-<identity>@velk": the appointment ID (in hexadecimal, ical_uid.h) and the
//                database's identity (uid_register.h), so that a client updates on a second
//                export instead of doubling
//   DTSTART/END  local time with TZID=Europe/Berlin (the zone database's VTIMEZONE is given); an
//                appointment from 00:00 to 00:00 of a later day is all-day: DATE values, the end
//                the day after its last day.  An end of 00:00 on the start day (no end time, at
//                midnight too) or an end before the start writes DTEND equal to DTSTART; such an
//                event reads back without end.
//   SUMMARY      TITLE;  LOCATION the booked resource's title;  CLASS:PRIVATE for READ "P" + owner
//   ATTENDEE     the person (CN its names, "urn:x-velk:person:ID") or the group (CUTYPE=GROUP)
//   VALARM       the calendar user's first alarm on it, as a trigger relative to the start
//
// Import: the file is read by libical after a pass that makes damaged files readable without
// losing anything silently: a UTF-8 byte-order mark is skipped; CR, LF, CR LF and CR CR LF end
// lines; an END of no open component (END:VTOOD) closes the open one and the rest is read; a
// VCALENDAR inside another is read as part of it; a property libical cannot read (a malformed
// ATTENDEE) or a line over kMaxLine is skipped, its event kept; components deeper than kMaxDepth
// are left out.  Every VEVENT of the file's VCALENDARs becomes appointments through the store
// (new IDs, the calendar user as OWNER, READ "P" + user for CLASS PRIVATE or CONFIDENTIAL, the
// resource whose title equals LOCATION).  Times in UTC, with a TZID (ical_zone.h) or floating
// (taken as local) come to local time; a TZID nobody knows is read as local time.  A series
// (RRULE, expanded by libical in the zone of its start, and RDATE) becomes single appointments:
// up to kSeriesYears years past its start (or past today, for a series that began before) and
// at most kSeriesMax appointments, the EXDATEs left out, an occurrence moved by a RECURRENCE-ID
// event taken from that event.  Not imported: a VEVENT without END (closed by an outer END or
// the end of the file), without a readable DTSTART, or outside every VCALENDAR; an event whose
// UID an earlier import stored (uid_register.h) or that this database exported and still holds;
// alarms and attendees other than this database's own persons.  The result's notes say, by
// reason, what was skipped, cut, repaired or not kept.
#ifndef VELK_EXCHANGE_ICAL_H
#define VELK_EXCHANGE_ICAL_H

#include "calendar/termin.h"
#include "exchange/exchange.h"
#include "exchange/ical_text.h"
#include "exchange/ical_uid.h"

#include <string>
#include <vector>

namespace velk {

constexpr int kSeriesYears = 2;
constexpr int kSeriesMax = 500;

// One VEVENT as appointments: the first is the event itself, the rest its repetitions.
struct tIcsEvent {
    std::string uid;
    std::string location; // Windows-1252
    std::vector<tTermin> rows;
    // For each row the local start (minutes since 1970) of the occurrence it stands for: of a
    // series its own start, of an event replacing one occurrence (RECURRENCE-ID) that one's, of
    // an event of its own 0.
    std::vector<long long> occurrences;
    bool series = false;   // RRULE or RDATE
    bool replaces = false; // RECURRENCE-ID
};

// What the reading of a file found.
struct tIcsReadout {
    std::vector<tIcsEvent> events;
    long calendars = 0;       // VCALENDARs at the top (none: no iCalendar file)
    long broken = 0;          // VEVENTs skipped: without END, or nested too deep
    long noStart = 0;         // VEVENTs skipped: without a readable DTSTART
    long outside = 0;         // VEVENTs skipped: outside every VCALENDAR
    long unreadable = 0;      // properties skipped: not readable, or over-long lines
    long unknownEnds = 0;     // ENDs of no open component, taken as the open one's
    long nestedCalendars = 0; // VCALENDARs inside another, read as part of it
    long lost = 0;            // characters that Windows-1252 cannot hold
    long titlesCut = 0;       // titles longer than 40 characters
    long seriesCut = 0;       // series cut at the horizon
    long unsupported = 0;     // rules libical cannot expand: only the first appointment
    long unknownZones = 0;    // events with times of an unknown TZID, read as local time
    long sameUid = 0;         // a second VEVENT of one UID in the file
    long emptySeries = 0;     // series whose every occurrence is excluded or moved elsewhere
};

// The VEVENTs of the VCALENDARs of a file's text (at most kMaxFile bytes).  A series runs at most
// kSeriesYears years past its start, or past `today` when it began earlier, and at most
// kSeriesMax appointments from its start.
tIcsReadout readICalendarText(std::string_view text, const tDate &today);

tExchangeResult exportICalendar(const std::string &fileName,
                                const tExchangeProgress &progress = {});
tExchangeResult importICalendar(const std::string &fileName,
                                const tExchangeProgress &progress = {});
// The appointments importICalendar would store, read without storing anything (the duplicates
// the store refuses included); nothing when no event books a resource.
std::vector<tTermin> termineOfICalendar(const std::string &fileName);

} // namespace velk

#endif
