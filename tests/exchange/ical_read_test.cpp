// The iCalendar reader on texts of the kinds calendar programs, phones and servers write: the
// tolerance for damaged files (nothing left out silently), the zones of the times, the rules of
// the series; and the import's notes on what was skipped or repaired, by reason.
#include "exchange/ical.h"
#include "exchange/ical_time.h"
#include "tests/calendar/calendar_support.h"

#include <fstream>
#include <string>
#include <vector>

using namespace velk;
using namespace velk::caltest;

namespace {

std::string calendar(const std::string &body, const char *end = "\r\n")
{
    std::string text =
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//t//t//EN\r\n" + body + "END:VCALENDAR\r\n";
    std::string out;
    for (size_t p = 0, q; p < text.size(); p = q + 2) {
        q = text.find("\r\n", p);
        out += text.substr(p, q - p) + end;
    }
    return out;
}

std::string vevent(const std::string &body, const std::string &uid = "e@t")
{
    return "BEGIN:VEVENT\r\nUID:" + uid + "\r\nDTSTAMP:20260101T000000Z\r\n" + body +
           "END:VEVENT\r\n";
}

std::string fmt(const tDateTime &d)
{
    char b[40];
    snprintf(b, sizeof b, "%d.%d.%04d %02d:%02d", d.day, d.month, d.year, d.hour, d.minute);
    return b;
}

// The starts of all rows of all events, in order.
std::vector<std::string> starts(const tIcsReadout &r)
{
    std::vector<std::string> out;
    for (const tIcsEvent &e : r.events)
        for (const tTermin &t : e.rows) out.push_back(fmt(t.from));
    return out;
}

// The counters that are not zero, as "name=n ...".
std::string counters(const tIcsReadout &r)
{
    std::string out;
    auto add = [&](const char *name, long n) {
        if (n) out += std::string(out.empty() ? "" : " ") + name + "=" + std::to_string(n);
    };
    add("broken", r.broken);
    add("noStart", r.noStart);
    add("outside", r.outside);
    add("unreadable", r.unreadable);
    add("unknownEnds", r.unknownEnds);
    add("nested", r.nestedCalendars);
    add("cut", r.seriesCut);
    add("unsupported", r.unsupported);
    add("unknownZones", r.unknownZones);
    add("sameUid", r.sameUid);
    add("emptySeries", r.emptySeries);
    return out;
}

std::string events(int n)
{
    std::string s;
    for (int i = 1; i <= n; i++)
        s += vevent("DTSTART:202603" + std::string(i < 10 ? "0" : "") + std::to_string(i) +
                        "T100000\r\nSUMMARY:T\r\n",
                    "e" + std::to_string(i) + "@t");
    return s;
}

const char *kNewYork =
    "BEGIN:VTIMEZONE\r\nTZID:%s\r\n"
    "BEGIN:STANDARD\r\nDTSTART:19701101T020000\r\n"
    "RRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\r\n"
    "TZOFFSETFROM:-0400\r\nTZOFFSETTO:-0500\r\nEND:STANDARD\r\n"
    "BEGIN:DAYLIGHT\r\nDTSTART:19700308T020000\r\n"
    "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU\r\n"
    "TZOFFSETFROM:-0500\r\nTZOFFSETTO:-0400\r\nEND:DAYLIGHT\r\nEND:VTIMEZONE\r\n";

// Outlook's definitions: the rule since 1601.
std::string outlookZone(const std::string &name, const char *standard, const char *daylight,
                        const char *stdRule, const char *dayRule)
{
    return "BEGIN:VTIMEZONE\r\nTZID:" + name +
           "\r\nBEGIN:STANDARD\r\nDTSTART:16010101T030000\r\nTZOFFSETFROM:" + daylight +
           "\r\nTZOFFSETTO:" + standard + "\r\nRRULE:FREQ=YEARLY;INTERVAL=1;" + stdRule +
           "\r\nEND:STANDARD\r\nBEGIN:DAYLIGHT\r\nDTSTART:16010101T020000\r\nTZOFFSETFROM:" +
           standard + "\r\nTZOFFSETTO:" + daylight + "\r\nRRULE:FREQ=YEARLY;INTERVAL=1;" + dayRule +
           "\r\nEND:DAYLIGHT\r\nEND:VTIMEZONE\r\n";
}

std::string zoneNamed(const char *rules, const std::string &name)
{
    char b[2048];
    snprintf(b, sizeof b, rules, name.c_str());
    return b;
}

struct tCase {
    const char *name;
    std::string text;
    std::vector<std::string> starts;
    std::string counters;
};

void check(const std::vector<tCase> &cases)
{
    for (const tCase &c : cases) {
        SCOPED_TRACE(c.name);
        tIcsReadout r = readICalendarText(c.text, tDate{1, 1, 2026});
        EXPECT_EQ(starts(r), c.starts);
        EXPECT_EQ(counters(r), c.counters);
    }
}

} // namespace

TEST(IcalRead, DamagedFilesAreReadWithoutLosingAnythingSilently)
{
    std::string one = vevent("DTSTART:20260301T100000\r\nSUMMARY:Eins\r\n");
    std::string folded = vevent("DTSTART:20260301T100000\r\nSUMMARY:Ei\r\n ns\r\n");
    std::vector<std::string> fifteen;
    for (int i = 1; i <= 15; i++) fifteen.push_back(std::to_string(i) + ".3.2026 10:00");
    check({
        {"byte-order mark", "\xEF\xBB\xBF" + calendar(one), {"1.3.2026 10:00"}, ""},
        {"CR CR LF", calendar(folded, "\r\r\n"), {"1.3.2026 10:00"}, ""},
        {"CR alone", calendar(folded, "\r"), {"1.3.2026 10:00"}, ""},
        {"LF alone", calendar(folded, "\n"), {"1.3.2026 10:00"}, ""},
        {"END:VTOOD closes the task, 15 events follow",
         calendar("BEGIN:VTODO\r\nSUMMARY:Aufgabe\r\nEND:VTOOD\r\n" + events(15)), fifteen,
         "unknownEnds=1"},
        {"misspelt END of an event",
         calendar("BEGIN:VEVENT\r\nUID:a@t\r\nDTSTART:20260302T100000\r\nEND:VEVNT\r\n" + one),
         {"2.3.2026 10:00", "1.3.2026 10:00"},
         "unknownEnds=1"},
        {"nested VCALENDAR",
         calendar(one + "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n" +
                  vevent("DTSTART:20260302T100000\r\n", "n@t") + "END:VCALENDAR\r\n"),
         {"1.3.2026 10:00", "2.3.2026 10:00"},
         "nested=1"},
        {"malformed ATTENDEE keeps its event",
         calendar(vevent("DTSTART:20260301T100000\r\nATTENDEE;RSVP:mailto:a@b.de\r\n")),
         {"1.3.2026 10:00"},
         "unreadable=1"},
        {"empty values lose nothing",
         calendar(vevent("DTSTART:20260301T100000\r\nLOCATION:\r\nDESCRIPTION:\r\n")),
         {"1.3.2026 10:00"},
         ""},
        {"a line that is no property keeps its event",
         calendar(vevent("DTSTART:20260301T100000\r\nkaputt\r\n")),
         {"1.3.2026 10:00"},
         "unreadable=1"},
        {"END of the calendar closes an event without END",
         calendar(one + "BEGIN:VEVENT\r\nUID:o@t\r\nDTSTART:20260302T100000\r\n"),
         {"1.3.2026 10:00"},
         "broken=1"},
        {"one UID in two calendars of a file",
         calendar(one) + calendar(one),
         {"1.3.2026 10:00"},
         "sameUid=1"},
        {"an event without a start, one outside the calendar",
         calendar(one + vevent("SUMMARY:ohne\r\n", "s@t")) +
             vevent("DTSTART:20260303T100000\r\n", "x@t"),
         {"1.3.2026 10:00"},
         "noStart=1 outside=1"},
    });
}

TEST(IcalRead, SeriesOfEveryRulePartWithDatesAddedAndLeftOut)
{
    auto ev = [](const std::string &body) { return calendar(vevent(body + "SUMMARY:S\r\n")); };
    // A daily series without end from 1.1.2026 10:00, 2.1. left out: 500 appointments still.
    std::vector<std::string> daily;
    for (long long m = minutesOf(at(1, 1, 2026, 10, 0)); daily.size() < (size_t)kSeriesMax;
         m += 1440)
        if (m != minutesOf(at(2, 1, 2026, 10, 0))) daily.push_back(fmt(dateTimeOfMinutes(m)));
    check({
        {"EXDATEs do not shorten the bound",
         ev("DTSTART:20260101T100000\r\nRRULE:FREQ=DAILY\r\nEXDATE:20260102T100000\r\n"), daily,
         "cut=1"},
        {"an event replacing an occurrence is that one only, the rule left in it or not",
         calendar(vevent("DTSTART:20260302T100000\r\nRRULE:FREQ=DAILY;COUNT=3\r\n", "r@t") +
                  vevent("RECURRENCE-ID:20260303T100000\r\nDTSTART:20260303T120000\r\n"
                         "RRULE:FREQ=DAILY;COUNT=3\r\n",
                         "r@t")),
         {"2.3.2026 10:00", "4.3.2026 10:00", "3.3.2026 12:00"},
         ""},
        {"a series whose every occurrence is left out or moved is counted, the moved one read",
         calendar(vevent("DTSTART:20260302T100000\r\nRRULE:FREQ=DAILY;COUNT=2\r\n"
                         "EXDATE:20260303T100000\r\n",
                         "m@t") +
                  vevent("RECURRENCE-ID:20260302T100000\r\nDTSTART:20260302T150000\r\n", "m@t")),
         {"2.3.2026 15:00"},
         "emptySeries=1"},
        {"moved occurrences whose series is not in the file are appointments of their own",
         calendar(vevent("RECURRENCE-ID:20260310T100000\r\nDTSTART:20260311T100000\r\n", "o@t") +
                  vevent("RECURRENCE-ID:20260317T100000\r\nDTSTART:20260317T100000\r\n", "o@t")),
         {"11.3.2026 10:00", "17.3.2026 10:00"},
         ""},
        {"RDATE of three dates, the start among them",
         ev("DTSTART:20260301T100000\r\n"
            "RDATE:20260301T100000,20260305T100000\r\nRDATE;VALUE=PERIOD:20260310T100000/PT1H\r\n"),
         {"1.3.2026 10:00", "5.3.2026 10:00", "10.3.2026 10:00"},
         ""},
        {"RDATE of days on a series with a time of day: those days at its time",
         ev("DTSTART;TZID=America/New_York:20260301T180000\r\n"
            "RDATE;VALUE=DATE:20260301,20260305\r\nRDATE;VALUE=PERIOD:20260310/20260311\r\n"),
         {"2.3.2026 00:00", "6.3.2026 00:00", "10.3.2026 23:00"},
         ""},
        {"a RECURRENCE-ID of a day replaces the occurrence on that day",
         calendar(
             vevent("DTSTART:20260302T120000Z\r\nRRULE:FREQ=DAILY;COUNT=3\r\n", "d@t") +
             vevent("RECURRENCE-ID;VALUE=DATE:20260303\r\nDTSTART:20260303T140000Z\r\n", "d@t")),
         {"2.3.2026 13:00", "4.3.2026 13:00", "3.3.2026 15:00"},
         ""},
        {"a RECURRENCE-ID with a time replaces the occurrence of that day of a series of days",
         calendar(vevent("DTSTART;VALUE=DATE:20260302\r\nRRULE:FREQ=WEEKLY;COUNT=3\r\n", "w@t") +
                  vevent("RECURRENCE-ID;TZID=America/New_York:20260309T000000\r\n"
                         "DTSTART;VALUE=DATE:20260310\r\n",
                         "w@t")),
         {"2.3.2026 00:00", "16.3.2026 00:00", "10.3.2026 00:00"},
         ""},
        {"RDATE of days of an all-day event",
         ev("DTSTART;VALUE=DATE:20260301\r\nRDATE;VALUE=DATE:20260401,20260501\r\n"),
         {"1.3.2026 00:00", "1.4.2026 00:00", "1.5.2026 00:00"},
         ""},
        {"BYSETPOS: the last working day of the month",
         ev("DTSTART:20260130T090000\r\n"
            "RRULE:FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1;COUNT=3\r\n"),
         {"30.1.2026 09:00", "27.2.2026 09:00", "31.3.2026 09:00"},
         ""},
        {"BYWEEKNO",
         ev("DTSTART:20260511T080000\r\nRRULE:FREQ=YEARLY;BYWEEKNO=20;BYDAY=MO;COUNT=2\r\n"),
         {"11.5.2026 08:00", "17.5.2027 08:00"},
         ""},
        {"BYYEARDAY",
         ev("DTSTART:20260101T120000\r\nRRULE:FREQ=YEARLY;BYYEARDAY=1,-1;COUNT=3\r\n"),
         {"1.1.2026 12:00", "31.12.2026 12:00", "1.1.2027 12:00"},
         ""},
        {"BYHOUR",
         ev("DTSTART:20260302T090000\r\nRRULE:FREQ=DAILY;BYHOUR=9,14;COUNT=4\r\n"),
         {"2.3.2026 09:00", "2.3.2026 14:00", "3.3.2026 09:00", "3.3.2026 14:00"},
         ""},
        {"a weekly New York meeting stays 09:00 in New York",
         ev("DTSTART;TZID=America/New_York:20260302T090000\r\nRRULE:FREQ=WEEKLY;COUNT=5\r\n"),
         {"2.3.2026 15:00", "9.3.2026 14:00", "16.3.2026 14:00", "23.3.2026 14:00",
          "30.3.2026 15:00"},
         ""},
        {"UNTIL in UTC against a start in New York",
         ev("DTSTART;TZID=America/New_York:20260302T090000\r\n"
            "RRULE:FREQ=DAILY;UNTIL=20260304T140000Z\r\n"),
         {"2.3.2026 15:00", "3.3.2026 15:00", "4.3.2026 15:00"},
         ""},
        {"EXDATE in the event's zone and in UTC",
         ev("DTSTART;TZID=America/New_York:20260302T090000\r\nRRULE:FREQ=WEEKLY;COUNT=5\r\n"
            "EXDATE;TZID=America/New_York:20260316T090000\r\nEXDATE:20260323T130000Z\r\n"),
         {"2.3.2026 15:00", "9.3.2026 14:00", "30.3.2026 15:00"},
         ""},
        {"EXDATE of a day of the event's own zone",
         ev("DTSTART;TZID=America/New_York:20260302T200000\r\nRRULE:FREQ=WEEKLY;COUNT=3\r\n"
            "EXDATE;VALUE=DATE:20260309\r\n"),
         {"3.3.2026 02:00", "17.3.2026 01:00"},
         ""},
        {"EXDATE of an RDATE",
         ev("DTSTART:20260301T100000\r\nRDATE:20260302T100000,20260303T100000\r\n"
            "EXDATE:20260302T100000\r\n"),
         {"1.3.2026 10:00", "3.3.2026 10:00"},
         ""},
        {"a rule libical refuses: the first appointment only",
         ev("DTSTART:20260301T100000\r\nRRULE:FREQ=MONTHLY;BYYEARDAY=100\r\n"),
         {"1.3.2026 10:00"},
         "unsupported=1"},
    });
}

TEST(IcalRead, ZonesOfTheFileTheDatabaseAndWindowsComeToBerlinTime)
{
    auto at = [](const std::string &tzid, const char *when, const std::string &zones = "") {
        return calendar(zones + vevent("DTSTART;TZID=" + tzid + ":" + when + "\r\n"));
    };
    std::string outlookBerlin = "(UTC+01:00) Amsterdam, Berlin, Bern, Rom, Stockholm, Wien";
    std::string eu = outlookZone(outlookBerlin, "+0100", "+0200", "BYDAY=-1SU;BYMONTH=10",
                                 "BYDAY=-1SU;BYMONTH=3");
    std::string pacific = outlookZone("Pacific Standard Time", "-0800", "-0700",
                                      "BYDAY=1SU;BYMONTH=11", "BYDAY=2SU;BYMONTH=3");
    std::string umlaut = "\xC3\x96stliche Zeit (USA)";
    check({
        {"own VTIMEZONE of a name of its own",
         at("Meine Zone", "20260710T090000", zoneNamed(kNewYork, "Meine Zone")),
         {"10.7.2026 15:00"},
         ""},
        {"own VTIMEZONE, a name with 8-bit characters",
         at(umlaut, "20260115T090000", zoneNamed(kNewYork, umlaut)),
         {"15.1.2026 15:00"},
         ""},
        {"Outlook's (UTC+01:00) name, quoted",
         at("\"" + outlookBerlin + "\"", "20260710T090000", eu),
         {"10.7.2026 09:00"},
         ""},
        {"W. Europe Standard Time",
         at("W. Europe Standard Time", "20260115T090000"),
         {"15.1.2026 09:00"},
         ""},
        {"Pacific Standard Time without VTIMEZONE",
         at("Pacific Standard Time", "20260710T090000"),
         {"10.7.2026 18:00"},
         ""},
        {"Pacific Standard Time with VTIMEZONE",
         at("Pacific Standard Time", "20260115T090000", pacific),
         {"15.1.2026 18:00"},
         ""},
        {"a database name behind a path",
         at("/freeassociation.sourceforge.net/Tzfile/America/New_York", "20260710T090000"),
         {"10.7.2026 15:00"},
         ""},
        {"a database name behind Mozilla's path",
         at("/mozilla.org/20050126_1/Asia/Tokyo", "20260710T090000"),
         {"10.7.2026 02:00"},
         ""},
        {"the database's zone goes before a file's copy of it",
         at("Asia/Tokyo", "20260710T090000", zoneNamed(kNewYork, "Asia/Tokyo")),
         {"10.7.2026 02:00"},
         ""},
        {"a Windows name goes before a file's VTIMEZONE of it",
         at("Tokyo Standard Time", "20260710T090000", zoneNamed(kNewYork, "Tokyo Standard Time")),
         {"10.7.2026 02:00"},
         ""},
        {"UTC", calendar(vevent("DTSTART:20260115T081500Z\r\n")), {"15.1.2026 09:15"}, ""},
        {"floating", calendar(vevent("DTSTART:20260710T090000\r\n")), {"10.7.2026 09:00"}, ""},
        {"unknown zone: local time, counted",
         at("Mars/Olympus", "20260710T090000"),
         {"10.7.2026 09:00"},
         "unknownZones=1"},
    });
}

TEST(IcalTime, BerlinTimeAgreesWithTheSystemZoneDatabaseAtItsChanges)
{
    // Each change of 1980 to 2040: the minute before and the minute of it, in UTC, against the
    // local time the C library gives for TZ=Europe/Berlin.
    const char *old = getenv("TZ");
    std::string saved = old ? old : "";
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    long changes = 0;
    time_t from = 315532800, till = 2208988800; // 1980 to 2040
    auto offset = [](time_t t) {
        struct tm lt {};
        localtime_r(&t, &lt);
        return lt.tm_gmtoff;
    };
    for (time_t t = from; t < till; t += 3600)
        if (offset(t) != offset(t + 3600)) {
            changes++;
            for (time_t s : {t + 3600 - 60, t + 3600, t + 3600 + 60}) {
                struct tm lt {};
                localtime_r(&s, &lt);
                tDateTime local = utcToBerlin(dateTimeOfMinutes((long long)(s / 60)));
                ASSERT_EQ(fmt(local), fmt(at(lt.tm_mday, lt.tm_mon + 1, lt.tm_year + 1900,
                                             lt.tm_hour, lt.tm_min)))
                    << s;
                ASSERT_EQ(utcToBerlin(berlinToUtc(local)), local) << s;
            }
        }
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    EXPECT_EQ(changes, 2 * 60);
}

namespace {

class IcalReadImport : public CalendarTest {};

} // namespace

TEST_F(IcalReadImport, NotesSayWhatWasSkippedOrRepairedByReason)
{
    std::string text =
        "\xEF\xBB\xBF" +
        calendar("BEGIN:VTODO\r\nEND:VTOOD\r\n" +
                     vevent("DTSTART:20260301T100000\r\nATTENDEE;RSVP:mailto:a@b.de\r\n", "a@t") +
                     vevent("SUMMARY:ohne Beginn\r\n", "b@t") +
                     vevent("DTSTART;TZID=Mars/Olympus:20260302T100000\r\n", "c@t") +
                     vevent("DTSTART:20260303T070000\r\nRRULE:FREQ=DAILY\r\n", "d@t") +
                     vevent("DTSTART:20260306T100000\r\nRDATE:20260306T100000\r\n"
                            "EXDATE:20260306T100000\r\n",
                            "g@t") +
                     "BEGIN:VCALENDAR\r\n" + vevent("DTSTART:20260304T100000\r\n", "e@t") +
                     "END:VCALENDAR\r\n" + "BEGIN:VEVENT\r\nUID:f@t\r\nDTSTART:20260305T100000\r\n",
                 "\r\r\n");
    std::string path = file("n.ics");
    std::ofstream(path, std::ios::binary) << text;
    tExchangeResult r = importICalendar(path);
    ASSERT_TRUE(r.ok()) << r.message << r.detail;
    EXPECT_EQ(r.done, 1 + 1 + 500 + 1);
    EXPECT_EQ(r.skipped, 3);
    for (const char *says : {
             "1 Angabe nicht lesbar, \xFC"
             "bersprungen",
             "1 Termin ohne lesbaren Beginn \xFC"
             "bersprungen",
             "1 fehlerhafter oder unvollst\xE4ndiger Termin \xFC"
             "bersprungen",
             "1 unbekanntes END als Ende des offenen Teils gelesen",
             "1 verschachtelter Kalender mitgelesen",
             "1 Termin mit unbekannter Zeitzone als Ortszeit gelesen",
             "1 Serie nach 2 Jahren oder 500 Terminen abgeschnitten",
             "1 Serie ohne Termine \xFC"
             "bersprungen (alle ausgenommen oder verschoben)",
         })
        EXPECT_NE(r.notes.find(says), std::string::npos) << says << "\n" << r.notes;
}
