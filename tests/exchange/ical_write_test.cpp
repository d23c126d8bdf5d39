// The iCalendar writer: UIDs that no reader can take for one another, UIDs of earlier versions
// still known, texts that python3-icalendar reads back as they were, and the time zone written
// giving a reader of its own rules the right instants.
#include "address/person.h"
#include "address/resource.h"
#include "calendar/alarm.h"
#include "exchange/ical.h"
#include "exchange/termin_exchange.h"
#include "exchange/uid_register.h"
#include "tests/calendar/calendar_support.h"
#include "tests/exchange/exchange_support.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <string>
#include <vector>

using namespace velk;
using namespace velk::caltest;
using namespace velk::exchangetest;

namespace {

using IcalWrite = CalendarTest;

std::string readAll(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

void writeAll(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// Runs a python3-icalendar script on the file; what it prints.
std::string python(const std::string &script, const std::string &path)
{
    std::string py = systemProgram("python3"), out;
    EXPECT_FALSE(py.empty()) << "no python3 (scripts/install-deps)";
    EXPECT_EQ(runProgram({py, "-c", script, path}, &out), 0) << out;
    return out;
}

// The lines of a text, sorted.
std::vector<std::string> sortedLines(const std::string &text)
{
    std::vector<std::string> out;
    for (size_t p = 0, e; p < text.size(); p = e + 1) {
        e = text.find('\n', p);
        if (e == std::string::npos) e = text.size();
        out.push_back(text.substr(p, e - p));
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::string folded(std::string s)
{
    for (char &c : s) c = (char)std::tolower((unsigned char)c);
    return s;
}

// What a reader that decodes "%XX" makes of a UID.
std::string percentDecoded(const std::string &s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); i++) {
        if (s[i] == '%' && i + 2 < s.size() && isxdigit((unsigned char)s[i + 1]) &&
            isxdigit((unsigned char)s[i + 2])) {
            out += (char)std::stoi(s.substr(i + 1, 2), nullptr, 16);
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

} // namespace

TEST(IcalUid, NoTwoIdsGiveUidsAReaderTakesForTheSame)
{
    // Each group held IDs whose UIDs one kind of reader could not tell apart.
    const std::vector<std::vector<std::string>> groups = {
        {"000000\\N", "000000\\n", "0\\N", "0\\n", "0%5CN", "0%5Cn", "0%5cn"},
        {"anna", "ANNA", "Anna", "%61nna", "%41NNA"},
        {"j\xFC", "j\xDC", "J\xFC", "j%FC", "j%fc"},
        {"a b", "A B", "a%20b", "a+b", "a_b", "a-b", "a.b"},
        {"%", "%25", "%2525", "x-25", "X-25", "x", "25"},
        {"\xFF\xFE", "\xFE\xFF", "%FF%FE", "ffFE"},
    };
    std::string identity(32, 'a');
    for (const auto &ids : groups) {
        SCOPED_TRACE(ids[0]);
        std::vector<std::string> uids;
        for (const std::string &id : ids) uids.push_back(ownUid(id, identity));
        for (size_t i = 0; i < uids.size(); i++) {
            // Each reads back as its ID, also from a reader that changed the case.
            for (const std::string &uid : {uids[i], folded(uids[i])}) {
                std::string id;
                EXPECT_TRUE(ownIdOfUid(uid, identity, &id)) << uid;
                EXPECT_EQ(id, ids[i]) << uid;
            }
            for (size_t j = 0; j < i; j++) {
                EXPECT_NE(folded(uids[i]), folded(uids[j])) << ids[i] << " / " << ids[j];
                EXPECT_NE(percentDecoded(uids[i]), percentDecoded(uids[j]))
                    << ids[i] << " / " << ids[j];
                EXPECT_NE(folded(percentDecoded(uids[i])), folded(percentDecoded(uids[j])))
                    << ids[i] << " / " << ids[j];
            }
        }
    }
}

TEST(IcalUid, BothFormsDecodeAndNothingElse)
{
    const struct {
        const char *encoded;
        const char *id; // nullptr: refused
    } cases[] = {
        // Written by earlier versions.
        {"000001", "000001"},
        {"000000%5CN", "000000\\N"},
        {"000000%5cn", "000000\\n"},
        {"j%FC%2Ek%201", "j\xFC.k 1"},
        {"AB%2F1", "AB/1"},
        {"x", "x"},
        {"X", "X"},
        {"x2D41", "x2D41"},
        // Written now.
        {"x-303030303031", "000001"},
        {"X-6A6B", "jk"},
        {"x-6a6b", "jk"},
        {"x-FF", "\xFF"},
        {"x-2D", "-"},
        {"x-2541", "%A"},
        // Neither.
        {"", nullptr},
        {"x-", nullptr},
        {"x-4", nullptr},
        {"x-4G", nullptr},
        {"x-0041", nullptr},
        {"x-414243444546474849", nullptr}, // nine bytes
        {"x+41", nullptr},
        {"y-41", nullptr},
        {"%4", nullptr},
        {"%G1", nullptr},
        {"%00", nullptr},
        {"a-b", nullptr},
        {"a.b", nullptr},
        {"ABCDEFGHI", nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.encoded);
        std::string id;
        EXPECT_EQ(decodeUidId(c.encoded, &id), c.id != nullptr);
        if (c.id) {
            EXPECT_EQ(id, c.id);
        }
    }
    EXPECT_EQ(encodeUidId("000000\\N"), "x-3030303030305C4E");
    EXPECT_EQ(ownUid("a", "0123"), "x-61-0123@velk");
}

TEST_F(IcalWrite, FilesOfEarlierVersionsAreRecognisedAsThisDatabasesOwn)
{
    tPerson o;
    o.setId("j\xFC.k 1");
    o.setName("Kurz");
    ASSERT_EQ(o.insert(), tStoreStatus::Stored);
    tTermin a = add("carl", termin("Alt", at(5, 3, 2026, 9, 0), at(5, 3, 2026, 10, 0)));
    tTermin b = add("carl", termin("Neu", at(6, 3, 2026, 9, 0), at(6, 3, 2026, 10, 0)));
    tTermin c = add("carl", termin("Gross", at(7, 3, 2026, 9, 0), at(7, 3, 2026, 10, 0)));
    std::string identity = tUidRegister::databaseIdentity();
    std::string lower = folded(ownUid(b.ID, identity)), upper = ownUid(c.ID, identity);
    for (char &ch : upper) ch = (char)std::toupper((unsigned char)ch);
    auto event = [](const std::string &uid, const std::string &title, const std::string &with) {
        return "BEGIN:VEVENT\r\nUID:" + uid +
               "\r\nDTSTAMP:20260101T000000Z\r\nDTSTART;TZID=Europe/Berlin:20260310T090000\r\n"
               "DTEND;TZID=Europe/Berlin:20260310T100000\r\nSUMMARY:" +
               title + "\r\nATTENDEE;CN=Kurz:urn:x-velk:person:" + with + "\r\nEND:VEVENT\r\n";
    };
    // An export of an earlier version (letters and digits as they stand), new ones that programs
    // wrote back in lower and in upper case, and two events of elsewhere naming the person in
    // either form.
    writeAll(file("alt.ics"),
             "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//VELK//Kalender//DE\r\n" +
                 event(std::string(a.ID) + "-" + identity + "@velk", "Alt", "j%FC%2Ek%201") +
                 event(lower, "Neu", "x-6afc2e6b2031") + event(upper, "Gross", "j%FC%2Ek%201") +
                 event("fremd1@example.org", "Fremd alt", "j%FC%2Ek%201") +
                 event("fremd2@example.org", "Fremd neu", "X-6AFC2E6B2031") + "END:VCALENDAR\r\n");
    tExchangeResult r = importICalendar(file("alt.ics"));
    ASSERT_TRUE(r.ok()) << r.notes;
    EXPECT_EQ(r.done, 2);
    EXPECT_EQ(r.skipped, 3);
    EXPECT_NE(r.notes.find("3 Termine schon fr\xFCher importiert"), std::string::npos) << r.notes;
    std::vector<std::string> with;
    for (const tTermin &t : visibleAppointments())
        if (std::string_view(t.TITLE).starts_with("Fremd"))
            with.push_back(std::string(t.TITLE) + "|" + t.WITH);
    std::sort(with.begin(), with.end());
    EXPECT_EQ(with, (std::vector<std::string>{"Fremd alt|Pj\xFC.k 1", "Fremd neu|Pj\xFC.k 1"}));
}

// Every text of an event as python3-icalendar reads it: summary|location|alarm text|CN, one line
// per event in file order, newlines shown as "\n".
constexpr const char *kReadTexts = R"(
import sys, icalendar
cal = icalendar.Calendar.from_ical(open(sys.argv[1], 'rb').read())
show = lambda v: str(v).replace('\n', '\\n')
for ev in cal.walk('VEVENT'):
    alarm = [str(a.get('DESCRIPTION')) for a in ev.walk('VALARM')]
    att = ev.get('ATTENDEE')
    print('|'.join(show(v) for v in [ev.get('SUMMARY'), ev.get('LOCATION', ''),
                                      alarm[0] if alarm else '',
                                      att.params.get('CN', '') if att else '']))
)";

TEST_F(IcalWrite, TextsAreReadBackByPythonIcalendarAsTheyWere)
{
    const struct {
        const char *title, *resource, *message, *chrName, *name;
        const char *read; // UTF-8, as the peer prints it
    } cases[] = {
        {"Arzt; Zahn, \\oben", "Raum 1, gro\xDF", "Zum Arzt; jetzt", "J\xFCrgen", "M\xFCller; Sohn",
         "Arzt; Zahn, \\oben|Raum 1, gro\xC3\x9F|Zum Arzt; jetzt|J\xC3\xBCrgen M\xC3\xBCller; "
         "Sohn"},
        {"zwei\nZeilen", "a:b;c,d\\e", "eins\nzwei", "Anne", "Doe, Jr.",
         "zwei\\nZeilen|a:b;c,d\\e|eins\\nzwei|Anne Doe, Jr."},
        {"\xC4\xD6\xDC\xE4\xF6\xFC\xDF\xC4\xD6\xDC\xE4\xF6\xFC\xDF\xC4\xD6\xDC\xE4\xF6\xFC\xDF\xC4"
         "\xD6\xDC\xE4\xF6\xFC\xDF\xC4\xD6\xDC\xE4\xF6\xFC\xDF\xC4\xD6\xDC\xE4\xF6",
         "Stra\xDF"
         "e;Gro\xDF"
         ",Ma\xDF\\Mu\xDF Stra\xDF"
         "e;Gro\xDF"
         ",Ma\xDF\\Mu\xDF",
         "\x80 \x84 \x93Zitat\x94 \x96 \x85 \xE9t\xE9 \xE9t\xE9 \xE9t\xE9 \xE9t\xE9 \xE9t\xE9 "
         "\xE9t\xE9 "
         "\xE9t\xE9 \xE9t\xE9 \xE9t\xE9 \xE9t\xE9 \xE9t\xE9 \xE9t\xE9",
         "\xC9mile", "Z\xFCrcher:Sch\xF6n",
         "\xC3\x84\xC3\x96\xC3\x9C\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F\xC3\x84\xC3\x96\xC3\x9C\xC3\xA4"
         "\xC3\xB6\xC3\xBC\xC3\x9F\xC3\x84\xC3\x96\xC3\x9C\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F\xC3\x84"
         "\xC3\x96\xC3\x9C\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F\xC3\x84\xC3\x96\xC3\x9C\xC3\xA4\xC3\xB6"
         "\xC3\xBC\xC3\x9F\xC3\x84\xC3\x96\xC3\x9C\xC3\xA4\xC3\xB6|"
         "Stra\xC3\x9F"
         "e;Gro\xC3\x9F,Ma\xC3\x9F\\Mu\xC3\x9F Stra\xC3\x9F"
         "e;Gro\xC3\x9F,Ma\xC3\x9F\\Mu\xC3\x9F|"
         "\xE2\x82\xAC \xE2\x80\x9E \xE2\x80\x9CZitat\xE2\x80\x9D \xE2\x80\x93 \xE2\x80\xA6 "
         "\xC3\xA9t\xC3\xA9 \xC3\xA9t\xC3\xA9 \xC3\xA9t\xC3\xA9 \xC3\xA9t\xC3\xA9 "
         "\xC3\xA9t\xC3\xA9 "
         "\xC3\xA9t\xC3\xA9 \xC3\xA9t\xC3\xA9 \xC3\xA9t\xC3\xA9 \xC3\xA9t\xC3\xA9 "
         "\xC3\xA9t\xC3\xA9 "
         "\xC3\xA9t\xC3\xA9 \xC3\xA9t\xC3\xA9|"
         "\xC3\x89mile Z\xC3\xBCrcher:Sch\xC3\xB6n"},
    };
    int n = 0;
    std::string expected;
    for (const auto &c : cases) {
        std::string id = "p" + std::to_string(++n), res = "R" + std::to_string(n);
        tPerson p;
        p.setId(id);
        ASSERT_TRUE(p.setChrName(c.chrName));
        ASSERT_TRUE(p.setName(c.name));
        ASSERT_EQ(p.insert(), tStoreStatus::Stored);
        tResource r;
        r.setId(res);
        ASSERT_TRUE(r.setTitle(c.resource));
        ASSERT_EQ(r.insert(), tStoreStatus::Stored);
        // One a day, so that the file's order is this one.
        tTermin t = termin("", at(n, 3, 2026, 9, 0), at(n, 3, 2026, 10, 0), "", ("P" + id).c_str());
        ASSERT_TRUE(t.setTitle(c.title));
        t.setResource(res);
        t = add("carl", t);
        tAlarm a;
        a.when = at(n, 3, 2026, 8, 30);
        ASSERT_TRUE(a.setMessage(c.message));
        a.setWith(std::string("T") + t.ID);
        ASSERT_EQ(tAlarmStore::instance().send(a).status, tStoreStatus::Stored);
        expected += std::string(c.read) + "\n";
    }
    setCurrentUser("carl");
    ASSERT_TRUE(exportICalendar(file("t.ics")).ok());
    std::string text = readAll(file("t.ics"));
    for (size_t pos = 0; pos < text.size();) {
        size_t end = text.find("\r\n", pos);
        ASSERT_NE(end, std::string::npos) << "line without CR LF at " << pos;
        ASSERT_LE(end - pos, 75u) << text.substr(pos, end - pos);
        pos = end + 2;
    }
    EXPECT_EQ(python(kReadTexts, file("t.ics")), expected) << text;
}

// Each event's start as UTC through the file's own VTIMEZONE, read once by python3-icalendar and
// once by dateutil: summary|icalendar ("-" after 2037)|dateutil.  Then the TZIDs the file names.
constexpr const char *kZoneInstants = R"(
import sys, icalendar
from datetime import timezone
from dateutil import tz
data = open(sys.argv[1], 'rb').read()
cal = icalendar.Calendar.from_ical(data)
zones = {str(z['TZID']): z for z in cal.walk('VTIMEZONE')}
byDateutil = tz.tzical(open(sys.argv[1], encoding='utf-8', newline=''))
for ev in cal.walk('VEVENT'):
    start = ev['DTSTART']
    wall = start.dt.replace(tzinfo=None)
    zone = zones[start.params['TZID']].to_tz()
    local = zone.localize(wall) if hasattr(zone, 'localize') else wall.replace(tzinfo=zone)
    other = wall.replace(tzinfo=byDateutil.get(start.params['TZID']))
    fmt = lambda t: t.astimezone(timezone.utc).strftime('%Y-%m-%d %H:%M')
    # python3-icalendar's zones know no transitions after 2038.
    print('|'.join([str(ev['SUMMARY']), fmt(local) if wall.year < 2038 else '-', fmt(other)]))
print('zones', ' '.join(sorted(zones)), 'of', ' '.join(byDateutil.keys()))
)";

TEST_F(IcalWrite, TheZoneWrittenGivesReadersOfItsRulesTheRightInstants)
{
    const struct {
        tDateTime at;
        const char *utc;
    } cases[] = {
        {at(15, 1, 2026, 12, 0), "2026-01-15 11:00"},  {at(15, 7, 2026, 12, 0), "2026-07-15 10:00"},
        {at(29, 3, 2026, 3, 30), "2026-03-29 01:30"},  // just after the change to summer time
        {at(28, 3, 2026, 3, 30), "2026-03-28 02:30"},  // the day before
        {at(25, 10, 2026, 3, 30), "2026-10-25 02:30"}, // just after the change back
        {at(24, 10, 2026, 12, 0), "2026-10-24 10:00"}, // the day before
        {at(10, 10, 1990, 12, 0), "1990-10-10 11:00"}, // summer time ended in September then
        {at(20, 9, 1990, 12, 0), "1990-09-20 10:00"},  {at(15, 7, 2040, 12, 0), "2040-07-15 10:00"},
        {at(15, 1, 2040, 12, 0), "2040-01-15 11:00"},
    };
    std::string expected;
    for (const auto &c : cases) {
        char title[40];
        snprintf(title, sizeof title, "%04d-%02d-%02d %02d:%02d", c.at.year, c.at.month, c.at.day,
                 c.at.hour, c.at.minute);
        tDateTime till = c.at;
        till.hour++;
        add("carl", termin(title, c.at, till));
        expected +=
            std::string(title) + "|" + (c.at.year < 2038 ? c.utc : "-") + "|" + c.utc + "\n";
    }
    setCurrentUser("carl");
    ASSERT_TRUE(exportICalendar(file("z.ics")).ok());
    std::string out = python(kZoneInstants, file("z.ics"));
    std::string last = out.substr(out.rfind("zones "));
    EXPECT_EQ(last, "zones Europe/Berlin of Europe/Berlin\n");
    out.erase(out.rfind("zones "));
    EXPECT_EQ(sortedLines(out), sortedLines(expected)) << readAll(file("z.ics"));

    // Without the old appointments the zone keeps only the rules in force since then.
    for (const tTermin &t : visibleAppointments())
        if (t.from.year < 2026) {
            ASSERT_EQ(store.remove(t), 0);
        }
    ASSERT_TRUE(exportICalendar(file("y.ics")).ok());
    std::string text = readAll(file("y.ics"));
    size_t begin = text.find("BEGIN:VTIMEZONE"), end = text.find("END:VTIMEZONE");
    ASSERT_NE(end, std::string::npos) << text;
    std::string zone = text.substr(begin, end - begin);
    long observances = 0;
    for (size_t p = zone.find("BEGIN:"); p != std::string::npos; p = zone.find("BEGIN:", p + 1))
        observances++;
    EXPECT_LE(observances - 1, 4) << zone;
    EXPECT_EQ(zone.find("DTSTART:19"), zone.find("DTSTART:1981")) << zone;
    EXPECT_EQ(text.find("BEGIN:VTIMEZONE", begin + 1), std::string::npos);
    std::string y = python(kZoneInstants, file("y.ics"));
    EXPECT_NE(y.find("2026-10-25 03:30|2026-10-25 02:30|2026-10-25 02:30\n"), std::string::npos)
        << y;
}
