// The writing half of ical.h: the appointments the calendar user may see as VEVENTs.
#include "exchange/ical.h"

#include "address/group.h"
#include "address/person.h"
#include "address/resource.h"
#include "calendar/alarm.h"
#include "calendar/calendar_user.h"
#include "calendar/termin_store.h"
#include "exchange/batch_hold.h"
#include "exchange/ical_time.h"
#include "exchange/termin_exchange.h"
#include "exchange/text_out.h"
#include "exchange/uid_register.h"
#include "model/tables.h"

#include <cstdio>
#include <ctime>
#include <map>
#include <set>

namespace velk {

namespace {

constexpr const char *kTermine = "Termine";

constexpr const char *kTimezone = "BEGIN:VTIMEZONE\r\n"
                                  "TZID:Europe/Berlin\r\n"
                                  "BEGIN:DAYLIGHT\r\n"
                                  "TZOFFSETFROM:+0100\r\n"
                                  "TZOFFSETTO:+0200\r\n"
                                  "TZNAME:CEST\r\n"
                                  "DTSTART:19700329T020000\r\n"
                                  "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\n"
                                  "END:DAYLIGHT\r\n"
                                  "BEGIN:STANDARD\r\n"
                                  "TZOFFSETFROM:+0200\r\n"
                                  "TZOFFSETTO:+0100\r\n"
                                  "TZNAME:CET\r\n"
                                  "DTSTART:19701025T030000\r\n"
                                  "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\n"
                                  "END:STANDARD\r\n"
                                  "END:VTIMEZONE\r\n";

std::string text(std::string_view cp1252) { return escapeText(cp1252ToUtf8(cp1252)); }

// A parameter value: quoted, without the quotes it cannot hold.
std::string paramValue(std::string_view cp1252)
{
    std::string v = cp1252ToUtf8(cp1252);
    for (char &c : v)
        if (c == '"' || (unsigned char)c < 0x20) c = '\'';
    return "\"" + v + "\"";
}

std::string nowStamp()
{
    time_t now = time(nullptr);
    struct tm tm {};
    gmtime_r(&now, &tm);
    char buf[24];
    strftime(buf, sizeof buf, "%Y%m%dT%H%M%SZ", &tm);
    return buf;
}

std::string attendees(const tTermin &t)
{
    std::string_view with = t.WITH;
    if (with.size() < 2) return {};
    std::string id(with.substr(1));
    if (with[0] == 'P') {
        tPerson p;
        std::string name = p.find(id) ? std::string(p.CHRNAME) + " " + p.NAME : id;
        while (!name.empty() && name[0] == ' ') name.erase(0, 1);
        return foldLine("ATTENDEE;CN=" + paramValue(name) +
                        ":urn:x-velk:person:" + encodeUidId(id));
    }
    if (with[0] == 'G') {
        tGroup g;
        std::string name = g.find(id) ? g.TITLE : id;
        return foldLine("ATTENDEE;CUTYPE=GROUP;CN=" + paramValue(name) +
                        ":urn:x-velk:group:" + encodeUidId(id));
    }
    return {};
}

std::string duration(long long minutes)
{
    return (minutes < 0 ? "-PT" : "PT") + std::to_string(minutes < 0 ? -minutes : minutes) + "M";
}

std::string event(const tTermin &t, const std::string &identity, const std::string &stamp,
                  const std::map<std::string, std::string> &resources,
                  const std::map<std::string, tAlarm> &alarms)
{
    std::string out = "BEGIN:VEVENT\r\n";
    out += foldLine("UID:" + escapeText(ownUid(t.ID, identity)));
    out += "DTSTAMP:" + stamp + "\r\n";
    // All-day only for a span of whole days: 00:00 to 00:00 of a later day.  00:00 to 00:00 of
    // the same day is an appointment at midnight without an end.
    bool allDay = t.from.hour == 0 && t.from.minute == 0 && t.till.hour == 0 &&
                  t.till.minute == 0 && t.till.valid() && t.from.valid() &&
                  daysFromCivil(t.till.year, t.till.month, t.till.day) >
                      daysFromCivil(t.from.year, t.from.month, t.from.day);
    bool hasEnd = t.till.valid() && t.till.validTime() && t.till.year >= 1 && t.till.year <= 9999 &&
                  minutesOf(t.till) > minutesOf(t.from);
    if (allDay) {
        out += "DTSTART;VALUE=DATE:" + formatIcsDate(t.from) + "\r\n";
        out +=
            "DTEND;VALUE=DATE:" +
            formatIcsDate(civilFromDays(daysFromCivil(t.till.year, t.till.month, t.till.day) + 1)) +
            "\r\n";
    } else {
        out += "DTSTART;TZID=Europe/Berlin:" + formatIcsDateTime(t.from) + "\r\n";
        // Without an end time (or with one before the start) the event lasts no time.
        out += "DTEND;TZID=Europe/Berlin:" + formatIcsDateTime(hasEnd ? t.till : t.from) + "\r\n";
    }
    out += foldLine("SUMMARY:" + text(t.TITLE));
    if (auto r = resources.find(t.RESOURCE); t.RESOURCE[0] && r != resources.end())
        out += foldLine("LOCATION:" + text(r->second));
    if (t.READ[0] == 'P' && std::string_view(t.READ + 1) == t.OWNER) out += "CLASS:PRIVATE\r\n";
    out += attendees(t);
    if (auto a = alarms.find(t.ID); a != alarms.end()) {
        out += "BEGIN:VALARM\r\nACTION:DISPLAY\r\n";
        out += "TRIGGER:" + duration(minutesOf(a->second.when) - minutesOf(t.from)) + "\r\n";
        std::string message = a->second.MESSAGE[0] ? a->second.MESSAGE : t.TITLE;
        out += foldLine("DESCRIPTION:" + text(message));
        out += "END:VALARM\r\n";
    }
    return out + "END:VEVENT\r\n";
}

// The calendar user's first alarm of each appointment, by appointment ID.
std::map<std::string, tAlarm> alarmsOfUser()
{
    std::map<std::string, tAlarm> out;
    tAlarmStore &store = tAlarmStore::instance();
    tAlarm a;
    for (long pos = store.firstOfUser(a); pos; pos = store.nextOfUser(pos, a)) {
        tAlarmLink link = alarmLink(a.WITH);
        if (link.kind == tAlarmLink::Termin && a.storable()) out.emplace(link.id, a);
    }
    return out;
}

// Adds "n what" to the notes, in the singular for one.
void note(std::string &notes, long n, const char *one, const char *more)
{
    if (n <= 0) return;
    if (!notes.empty()) notes += "; ";
    notes += counted(n, n == 1 ? one : more);
}

} // namespace

tExchangeResult exportICalendar(const std::string &fileName, const tExchangeProgress &progress)
{
    std::vector<tTermin> list = visibleAppointments();
    if (list.empty()) return nothingToWrite(kTermine);
    std::string identity = tUidRegister::databaseIdentity();
    std::map<std::string, std::string> resources;
    for (const tResource &res : allResources()) resources[res.ID] = res.TITLE;
    std::map<std::string, tAlarm> alarms = alarmsOfUser();
    tTextOut out;
    if (!out.open(fileName)) return notStarted(kTermine, "Die Datei kann nicht angelegt werden");
    out.write("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//VELK//Kalender//DE\r\n"
              "CALSCALE:GREGORIAN\r\n");
    out.write(kTimezone);
    std::string stamp = nowStamp();
    tExchangeResult r = writeEach(
        kTermine, (long)list.size(), progress,
        [&](long i) {
            const tTermin &t = list[i];
            if (!t.from.valid() || !t.from.validTime() || t.from.year < 1 || t.from.year > 9999)
                return tWritten::Skipped; // a row without a start date no calendar can take
            return out.write(event(t, identity, stamp, resources, alarms)) ? tWritten::Yes
                                                                           : tWritten::Failed;
        },
        [&] { out.discard(); },
        [&] {
            out.write("END:VCALENDAR\r\n");
            return out.commit();
        });
    if (r.outcome == tExchangeResult::Done)
        note(r.notes, r.skipped, "Termin ohne g\xFCltigen Beginn nicht geschrieben",
             "Termine ohne g\xFCltigen Beginn nicht geschrieben");
    return r;
}

} // namespace velk
