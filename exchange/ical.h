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
// Import: every sound VEVENT of the file's VCALENDARs becomes appointments through the store (new
// IDs, the calendar user as OWNER, READ "P" + user for CLASS PRIVATE or CONFIDENTIAL, the
// resource whose title equals LOCATION).  Times in UTC, with a TZID or floating (taken as local)
// come to local time (ical_time.h).  An RRULE is expanded into single appointments: up to
// kSeriesYears years past its start (or past today, for a series that began before) and at most
// kSeriesMax appointments, the EXDATEs left out, an
// occurrence moved by a RECURRENCE-ID event taken from that event.  Not imported: a VEVENT with
// a malformed or over-long line, without END or DTSTART; an event whose UID an earlier import
// stored (uid_register.h) or that this database exported and still holds; alarms and attendees
// other than this database's own persons.  The result's notes say what was cut or not kept.
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
};

// What the reading of a file found.
struct tIcsReadout {
    std::vector<tIcsEvent> events;
    long broken = 0;       // VEVENTs skipped: malformed, incomplete, no start
    long lost = 0;         // characters that Windows-1252 cannot hold
    long titlesCut = 0;    // titles longer than 40 characters
    long seriesCut = 0;    // series cut at the horizon
    long unsupported = 0;  // rules not understood: only the first appointment
    long unknownZones = 0; // times of a TZID the system does not know, read as local time
    long sameUid = 0;      // a second VEVENT of one UID in the file
};

// The VEVENTs of parsed components (only those inside a VCALENDAR).  A series runs at most
// kSeriesYears years past its start, or past `today` when it began earlier, and at most
// kSeriesMax appointments from its start.
tIcsReadout readICalendar(const std::vector<tComponent> &top, const tDate &today);
// The same on the text of a whole file.
tIcsReadout readICalendarText(std::string_view text, const tDate &today);

tExchangeResult exportICalendar(const std::string &fileName,
                                const tExchangeProgress &progress = {});
tExchangeResult importICalendar(const std::string &fileName,
                                const tExchangeProgress &progress = {});

} // namespace velk

#endif
