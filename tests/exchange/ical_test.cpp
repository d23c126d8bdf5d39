// iCalendar and vCard: the text layer and the time rule; the files read by khal, khard,
// python3-icalendar and python3-vobject; their files and khal's read back; round trips into an
// empty database; bad input; the same event imported twice; letters outside Windows-1252.
#include "address/resource.h"
#include "calendar/alarm.h"
#include "exchange/ical.h"
#include "exchange/ical_time.h"
#include "exchange/vcard_text.h"
#include "exchange/termin_exchange.h"
#include "exchange/uid_register.h"
#include "exchange/vcard.h"
#include "tests/calendar/calendar_support.h"
#include "tests/exchange/exchange_support.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

using namespace velk;
using namespace velk::caltest;
using namespace velk::exchangetest;

namespace {

std::string readAll(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

void writeAll(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string peer(const std::string &mode, const std::string &file)
{
    std::string python = systemProgram("python3"), out;
    EXPECT_FALSE(python.empty()) << "no python3 (scripts/install-deps)";
    EXPECT_EQ(runProgram({python, VELK_EXCHANGE_TEST_DIR "/ical_peer.py", mode, file}, &out), 0)
        << mode << " " << file << "\n"
        << out;
    return out;
}

// "title|from|till" of every visible appointment, sorted; dates as d.m.yyyy hh:mm.
std::vector<std::string> visibleRows()
{
    std::vector<std::string> out;
    tTermin t;
    auto fmt = [](const tDateTime &d) {
        char b[40];
        snprintf(b, sizeof b, "%d.%d.%04d %02d:%02d", d.day, d.month, d.year, d.hour, d.minute);
        return std::string(b);
    };
    for (long p = tTerminStore::instance().first(0, t); p;
         p = tTerminStore::instance().next(0, p, t))
        if (!t.isCounter())
            out.push_back(std::string(t.TITLE) + "|" + fmt(t.from) + "|" + fmt(t.till) + "|" +
                          t.RESOURCE + "|" + t.WITH + "|" + (t.READ[0] == 'P' ? "privat" : ""));
    std::sort(out.begin(), out.end());
    return out;
}

std::string calendar(const std::string &events)
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//t//t//EN\r\n" + events +
           "END:VCALENDAR\r\n";
}

std::string vevent(const std::string &uid, const std::string &body)
{
    return "BEGIN:VEVENT\r\nUID:" + uid + "\r\nDTSTAMP:20260101T000000Z\r\n" + body +
           "END:VEVENT\r\n";
}

class IcalTest : public CalendarTest {
protected:
    void SetUp() override
    {
        CalendarTest::SetUp();
        // khal keeps a cache of its calendars under XDG_DATA_HOME: one of this test's own.
        for (const char *var : {"XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"})
            setenv(var, file("xdg").c_str(), 1);
        tResource r;
        r.setId("R1");
        r.setTitle("Raum 1, gro\xDF");
        ASSERT_EQ(r.insert(), tStoreStatus::Stored);
    }

    // Timed, all-day, over days with resource and group, private with an alarm, a title with the
    // signs iCalendar escapes, and umlauts.
    void addAppointments()
    {
        add("carl",
            termin("Besprechung", at(5, 3, 2026, 9, 30), at(5, 3, 2026, 11, 0), "", "Panna"));
        add("carl", termin("Heiligabend", at(24, 12, 2026), at(24, 12, 2026)));
        add("carl", termin("Sommerfest", at(1, 7, 2026), at(3, 7, 2026)));
        tTermin t = termin("\xDC"
                           "bergabe \xE4\xF6\xFC\xDF",
                           at(1, 2, 2027, 8, 5), at(3, 2, 2027, 17, 45), "", "Gteam");
        t.setResource("R1");
        add("dora", t);
        tTermin p = add("carl", termin("Arzt; Zahn, \\oben", at(26, 10, 2026, 10, 0),
                                       at(26, 10, 2026, 11, 0), "Pcarl"));
        add("carl", termin("Nur Beginn", at(6, 3, 2026, 14, 0), at(6, 3, 2026, 0, 0)));
        add("anna", termin("Geheim", at(7, 3, 2026, 8, 0), at(7, 3, 2026, 9, 0), "Panna"));
        setCurrentUser("carl");
        tAlarm a;
        a.when = at(26, 10, 2026, 9, 45);
        a.setMessage("Zum Arzt");
        a.setWith(std::string("T") + p.ID);
        ASSERT_EQ(tAlarmStore::instance().send(a).status, tStoreStatus::Stored);
    }

    void switchToSecondDatabase()
    {
        closeDatabase();
        ASSERT_TRUE(openDatabase((second_.path() + "/datadict").c_str()));
        setCurrentUser("carl");
    }

    velk::apptest::TempDir second_;
};

} // namespace

// ---- the text layer and the time rule ----

TEST(VCardText, FoldingKeepsLinesWithin75OctetsAndCharactersWhole)
{
    std::string value;
    for (int i = 0; i < 60; i++) value += i % 3 ? "a\xC3\xA4" : "\xE2\x82\xAC"; // a, ä, €
    std::string folded = vcfFold("NOTE:" + value);
    std::vector<std::string> notes;
    scanVCards("BEGIN:VCARD\r\nVERSION:3.0\r\n" + folded + "END:VCARD\r\n",
               [&](const tVcfRaw &card) {
                   for (const tVcfLine *l : card.all("NOTE")) notes.push_back(l->value);
               });
    EXPECT_EQ(notes, std::vector<std::string>{value});
    size_t pos = 0, lines = 0;
    while (pos < folded.size()) {
        size_t end = folded.find("\r\n", pos);
        ASSERT_NE(end, std::string::npos);
        std::string line = folded.substr(pos, end - pos);
        EXPECT_LE(line.size(), 75u);
        long lost = 0;
        utf8ToCp1252(lines ? line.substr(1) : line, &lost);
        EXPECT_EQ(lost, 0) << "a character split at a fold: " << line;
        if (lines) {
            EXPECT_EQ(line[0], ' ');
        }
        pos = end + 2;
        lines++;
    }
    EXPECT_GE(lines, 3u);
}

TEST(IcalText, CharacterSets)
{
    struct {
        const char *utf8, *cp1252;
        long lost;
    } texts[] = {
        {"Gr\xC3\xBC\xC3\x9F"
         "e",
         "Gr\xFC\xDF"
         "e",
         0},
        {"\xC5\x81\xC3\xB3"
         "d\xC5\xBA",
         "?\xF3"
         "d?",
         2},                                                             // Łódź
        {"\xE2\x82\xAC \xE2\x80\x93 \xE2\x80\xA6", "\x80 \x96 \x85", 0}, // € – …
        {"a\xC3", "a?", 1},                                              // cut sequence
        {"\xED\xA0\x80x", "?x", 1},   // a surrogate is no character
        {"\xF0\x9F\x98\x80", "?", 1}, // outside the BMP
        {"a\tb", "a b", 0},
    };
    for (auto &t : texts) {
        long lost = 0;
        EXPECT_EQ(utf8ToCp1252(t.utf8, &lost), t.cp1252) << t.utf8;
        EXPECT_EQ(lost, t.lost) << t.utf8;
    }
    for (int b = 0x20; b < 0x100; b++) {
        if (b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) continue;
        std::string one(1, char(b));
        long lost = 0;
        EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(one), &lost), one) << b;
        EXPECT_EQ(lost, 0);
    }
}

TEST(IcalTime, BerlinRuleAgreesWithTheSystemZoneDatabase)
{
    const char *old = getenv("TZ");
    std::string saved = old ? old : "";
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    long checked = 0;
    for (time_t t = 946684800; t < 1924992000; t += 7 * 3600 + 13 * 60 + 11) { // 2000 to 2031
        struct tm lt {};
        localtime_r(&t, &lt);
        tDateTime utc = dateTimeOfMinutes((long long)(t / 60));
        tDateTime local = utcToBerlin(utc);
        ASSERT_EQ(
            std::make_tuple(local.year, local.month, local.day, local.hour, local.minute),
            std::make_tuple(lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday, lt.tm_hour, lt.tm_min))
            << t;
        bool doubled = lt.tm_mon == 9 && lt.tm_hour == 2 && lt.tm_wday == 0 && lt.tm_mday > 24;
        if (!doubled) {
            ASSERT_EQ(berlinSummer(local), lt.tm_isdst > 0) << t;
        }
        checked++;
    }
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    EXPECT_GT(checked, 30000);
    struct {
        tDateTime utc, local;
    } edges[] = {
        {at(29, 3, 2026, 0, 59), at(29, 3, 2026, 1, 59)},
        {at(29, 3, 2026, 1, 0), at(29, 3, 2026, 3, 0)},
        {at(25, 10, 2026, 0, 59), at(25, 10, 2026, 2, 59)},
        {at(25, 10, 2026, 1, 0), at(25, 10, 2026, 2, 0)},
        {at(15, 1, 2026, 8, 15), at(15, 1, 2026, 9, 15)},
        {at(1, 7, 2026, 8, 15), at(1, 7, 2026, 10, 15)},
        {at(31, 12, 2026, 23, 30), at(1, 1, 2027, 0, 30)},
    };
    for (auto &e : edges) EXPECT_EQ(utcToBerlin(e.utc), e.local) << e.local.day;
    EXPECT_EQ(berlinToUtc(at(29, 3, 2026, 2, 30)), at(29, 3, 2026, 1, 30));   // the skipped hour
    EXPECT_EQ(berlinToUtc(at(25, 10, 2026, 2, 30)), at(25, 10, 2026, 0, 30)); // doubled: summer
    EXPECT_EQ(zoneToBerlin(at(10, 6, 2026, 9, 0), "America/New_York"), at(10, 6, 2026, 15, 0));
    EXPECT_EQ(zoneToBerlin(at(10, 1, 2026, 9, 0), "America/New_York"), at(10, 1, 2026, 15, 0));
    EXPECT_EQ(zoneToBerlin(at(10, 6, 2026, 9, 0), "../../etc/passwd"), std::nullopt);
    EXPECT_EQ(zoneToBerlin(at(10, 6, 2026, 9, 0), "Mars/Olympus"), std::nullopt);
}

// ---- peers read what we write ----

TEST_F(IcalTest, ExportIsReadByPythonIcalendarVobjectAndKhal)
{
    addAppointments();
    std::string path = file("k.ics");
    tExchangeResult r = exportICalendar(path);
    ASSERT_TRUE(r.ok()) << describeExport(r);
    EXPECT_EQ(r.done, 6); // anna's private one is not carl's to see
    std::string text = readAll(path);
    for (size_t pos = 0; pos < text.size();) {
        size_t end = text.find("\r\n", pos);
        ASSERT_NE(end, std::string::npos) << "line without CR LF at " << pos;
        ASSERT_LE(end - pos, 75u);
        ASSERT_EQ(text.substr(pos, end - pos).find('\n'), std::string::npos);
        pos = end + 2;
    }

    EXPECT_EQ(peer("dump-ics", path),
              "Arzt; Zahn, \\oben|2026-10-26 10:00|2026-10-26 11:00||PRIVATE|-1 day, 23:45:00|\n"
              "Besprechung|2026-03-05 09:30|2026-03-05 11:00||||anna\n"
              "Heiligabend|2026-12-24 00:00|2026-12-24 00:00||||\n" // at midnight, no end
              "Nur Beginn|2026-03-06 14:00|2026-03-06 14:00||||\n"
              "Sommerfest|2026-07-01|2026-07-04||||\n"
              "Übergabe äöüß|2027-02-01 08:05|2027-02-03 17:45|Raum 1, groß|||Team\n"
              "vobject events 6\n");

    // khal takes the file into a calendar of its own and lists the events by day.
    std::string khal = systemProgram("khal");
    ASSERT_FALSE(khal.empty()) << "no khal (scripts/install-deps)";
    std::string cal = file("khalcal"), conf = file("khal.conf");
    std::filesystem::create_directory(cal);
    writeAll(conf, "[calendars]\n[[velk]]\npath = " + cal +
                       "\ntype = calendar\n[locale]\ntimeformat = %H:%M\ndateformat = %Y-%m-%d\n"
                       "longdateformat = %Y-%m-%d\ndatetimeformat = %Y-%m-%d %H:%M\n"
                       "longdatetimeformat = %Y-%m-%d %H:%M\nlocal_timezone = Europe/Berlin\n"
                       "default_timezone = Europe/Berlin\n[default]\ndefault_calendar = velk\n");
    std::string out;
    ASSERT_EQ(runProgram({khal, "-c", conf, "import", "--batch", path}, &out), 0) << out;
    out.clear();
    ASSERT_EQ(runProgram({khal, "-c", conf, "list", "--day-format", "", "--format",
                          "{start}|{end}|{title}|{location}", "2026-01-01", "800d"},
                         &out),
              0);
    std::erase(out, '\r');
    for (size_t p; (p = out.find("\n\n")) != std::string::npos;) out.erase(p, 1);
    if (out.starts_with("\n")) out.erase(0, 1);
    // khal gives an event that lasts no time its default length of an hour.
    EXPECT_EQ(out, "2026-03-05 09:30|2026-03-05 11:00|Besprechung|\n"
                   "2026-03-06 14:00|2026-03-06 15:00|Nur Beginn|\n"
                   "2026-07-01|2026-07-03|Sommerfest|\n"
                   "2026-07-01|2026-07-03|Sommerfest|\n"
                   "2026-07-01|2026-07-03|Sommerfest|\n"
                   "2026-10-26 10:00|2026-10-26 11:00|Arzt; Zahn, \\oben|\n"
                   "2026-12-24 00:00|2026-12-24 01:00|Heiligabend|\n"
                   "2027-02-01 08:05|2027-02-03 17:45|\xC3\x9C"
                   "bergabe \xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F|Raum 1, gro\xC3\x9F\n"
                   "2027-02-01 08:05|2027-02-03 17:45|\xC3\x9C"
                   "bergabe \xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F|Raum 1, gro\xC3\x9F\n"
                   "2027-02-01 08:05|2027-02-03 17:45|\xC3\x9C"
                   "bergabe \xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F|Raum 1, gro\xC3\x9F\n");

    // A second export keeps every UID; another database gives others.
    auto uids = [](const std::string &t) {
        std::set<std::string> out;
        for (size_t p = t.find("\nUID:"); p != std::string::npos; p = t.find("\nUID:", p + 1))
            out.insert(t.substr(p + 5, t.find('\r', p) - p - 5));
        return out;
    };
    ASSERT_TRUE(exportICalendar(file("k2.ics")).ok());
    EXPECT_EQ(uids(readAll(file("k2.ics"))), uids(text));
    EXPECT_EQ(uids(text).size(), 6u);
    switchToSecondDatabase();
    add("carl", termin("Besprechung", at(5, 3, 2026, 9, 30), at(5, 3, 2026, 11, 0)));
    ASSERT_TRUE(exportICalendar(file("k3.ics")).ok());
    for (const std::string &u : uids(readAll(file("k3.ics")))) EXPECT_EQ(uids(text).count(u), 0u);
}

// ---- their files read by us ----

TEST_F(IcalTest, OnlySpansOfWholeDaysAreAllDay)
{
    const struct {
        tDateTime from, till;
        const char *start, *end;
    } cases[] = {
        {at(24, 12, 2026), at(24, 12, 2026), "DTSTART;TZID=Europe/Berlin:20261224T000000",
         "DTEND;TZID=Europe/Berlin:20261224T000000"}, // at midnight without an end
        {at(1, 7, 2026), at(3, 7, 2026), "DTSTART;VALUE=DATE:20260701",
         "DTEND;VALUE=DATE:20260704"},
        {at(31, 12, 2026), at(1, 1, 2027), "DTSTART;VALUE=DATE:20261231",
         "DTEND;VALUE=DATE:20270102"},
        {at(5, 5, 2026), at(5, 5, 2026, 10, 0), "DTSTART;TZID=Europe/Berlin:20260505T000000",
         "DTEND;TZID=Europe/Berlin:20260505T100000"},
        {at(6, 5, 2026), at(5, 5, 2026), "DTSTART;TZID=Europe/Berlin:20260506T000000",
         "DTEND;TZID=Europe/Berlin:20260506T000000"}, // an end before the start
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.start);
        setCurrentUser("carl");
        for (const tTermin &old : visibleAppointments()) ASSERT_EQ(store.remove(old), 0);
        add("carl", termin("T", c.from, c.till));
        ASSERT_TRUE(exportICalendar(file("d.ics")).ok());
        std::string text = readAll(file("d.ics"));
        EXPECT_NE(text.find(std::string(c.start) + "\r\n"), std::string::npos) << text;
        EXPECT_NE(text.find(std::string(c.end) + "\r\n"), std::string::npos) << text;
    }
}

TEST_F(IcalTest, FilesOfPythonIcalendarAndKhalImport)
{
    std::string path = file("peer.ics");
    peer("write-ics", path);
    tExchangeResult r = importICalendar(path);
    ASSERT_TRUE(r.ok()) << describeImport(r);
    EXPECT_EQ(r.done, 10);
    // Łódź loses Ł and ź; the title is cut at 40 characters.
    EXPECT_NE(r.notes.find("2 Zeichen nicht \xFC"
                           "bernommen"),
              std::string::npos)
        << r.notes;
    EXPECT_NE(r.notes.find("1 Titel auf 40 Zeichen gek\xFCrzt"), std::string::npos) << r.notes;
    EXPECT_EQ(visibleRows(),
              (std::vector<std::string>{
                  "Boston|11.6.2026 15:00|11.6.2026 00:00|||", // TZID=EDT, no end
                  "Chor|14.4.2026 19:00|14.4.2026 21:00|||",   // weekly, 4 times, TZID=CEST
                  "Chor|21.4.2026 19:00|21.4.2026 21:00|||",
                  "Chor|28.4.2026 19:00|28.4.2026 21:00|||",
                  "Chor|7.4.2026 19:00|7.4.2026 21:00|||",
                  "Gr\xFC\xDF"
                  "e aus ?\xF3"
                  "d? und ein sehr langer Titel|2.5.2026 12:00|2.5.2026 13:00|||", // floating
                  "New York|10.6.2026 15:00|10.6.2026 16:00|||",
                  "Sommer UTC|1.7.2026 10:15|1.7.2026 11:00|||",
                  "Urlaub|3.8.2026 00:00|5.8.2026 00:00|||", // all-day, end exclusive
                  "Winter UTC|15.1.2026 09:15|15.1.2026 10:00|||",
              }));

    // khal writes a weekly series and an all-day event into its calendar; we read its files.
    std::string khal = systemProgram("khal");
    ASSERT_FALSE(khal.empty());
    std::string cal = file("kc"), conf = file("k.conf");
    std::filesystem::create_directory(cal);
    writeAll(conf, "[calendars]\n[[k]]\npath = " + cal +
                       "\n[locale]\ntimeformat = %H:%M\ndateformat = %d.%m.%Y\n"
                       "longdateformat = %d.%m.%Y\ndatetimeformat = %d.%m.%Y %H:%M\n"
                       "longdatetimeformat = %d.%m.%Y %H:%M\nlocal_timezone = Europe/Berlin\n"
                       "default_timezone = Europe/Berlin\n[default]\ndefault_calendar = k\n");
    std::string out;
    ASSERT_EQ(runProgram({khal, "-c", conf, "new", "--repeat", "weekly", "--until", "20.10.2026",
                          "29.9.2026", "18:30", "20:00",
                          "Khal w\xC3\xB6"
                          "chentlich"},
                         &out),
              0);
    ASSERT_EQ(runProgram({khal, "-c", conf, "new", "24.10.2026", "25.10.2026", "Khal Tage"}, &out),
              0);
    std::vector<std::string> stored;
    for (const auto &f : std::filesystem::directory_iterator(cal)) {
        tExchangeResult k = importICalendar(f.path().string());
        ASSERT_TRUE(k.ok()) << describeImport(k) << "\n" << readAll(f.path().string());
        EXPECT_TRUE(k.notes.empty()) << k.notes;
    }
    std::vector<std::string> rows = visibleRows();
    std::vector<std::string> khalRows;
    for (const std::string &row : rows)
        if (row.starts_with("Khal")) khalRows.push_back(row);
    // khal writes --until 20.10. as UNTIL=20261019T220000Z: the start of that day.
    EXPECT_EQ(khalRows, (std::vector<std::string>{
                            "Khal Tage|24.10.2026 00:00|25.10.2026 00:00|||",
                            "Khal w\xF6"
                            "chentlich|13.10.2026 18:30|13.10.2026 20:00|||",
                            "Khal w\xF6"
                            "chentlich|29.9.2026 18:30|29.9.2026 20:00|||",
                            "Khal w\xF6"
                            "chentlich|6.10.2026 18:30|6.10.2026 20:00|||",
                        }));
}

// ---- round trips, a second import ----

TEST_F(IcalTest, RoundTripIntoAnEmptyDatabaseAndNoSecondImport)
{
    addAppointments();
    tPerson p;
    p.setId("mue");
    p.setChrName("J\xFCrgen");
    p.setName("M\xFCller; Sohn");
    p.setTel("+49 711 12");
    p.BIRTH = {3, 7, 1961};
    p.setStreet("Gro\xDF"
                "e Stra\xDF"
                "e 5, Hinterhaus");
    p.setCity("K\xF6ln");
    p.setZip("50667");
    p.setCountry("Deutschland");
    ASSERT_EQ(p.insert(), tStoreStatus::Stored);
    tPerson q;
    q.setId("ohne");
    q.setName("Ohnejahr");
    q.BIRTH = {29, 2, 0};
    ASSERT_EQ(q.insert(), tStoreStatus::Stored);
    // An ID of other signs than letters and digits travels encoded in UIDs and attendees.
    tPerson o;
    o.setId("j\xFC.k 1");
    o.setName("Kurz");
    ASSERT_EQ(o.insert(), tStoreStatus::Stored);
    add("carl", termin("Mit J", at(9, 3, 2026, 8, 0), at(9, 3, 2026, 9, 0), "", "Pj\xFC.k 1"));
    std::vector<tPerson> persons = allPersons(PersonById);
    std::vector<std::string> before = visibleRows();
    ASSERT_TRUE(exportICalendar(file("a.ics")).ok());
    ASSERT_TRUE(exportVCard(file("p.vcf")).ok());

    // Our own file into our own database: everything is there already.
    tExchangeResult again = importICalendar(file("a.ics"));
    EXPECT_EQ(again.done, 0);
    EXPECT_EQ(again.skipped, 7);
    EXPECT_EQ(visibleRows(), before);

    switchToSecondDatabase();
    tResource r;
    r.setId("X9");
    r.setTitle("Raum 1, gro\xDF");
    ASSERT_EQ(r.insert(), tStoreStatus::Stored);
    tExchangeResult pr = importVCard(file("p.vcf"));
    ASSERT_TRUE(pr.ok()) << describeImport(pr);
    EXPECT_EQ(pr.done, (long)persons.size());
    std::vector<tPerson> after = allPersons(PersonById);
    ASSERT_EQ(after.size(), persons.size());
    for (size_t i = 0; i < after.size(); i++) {
        const tPerson &a = after[i], &b = persons[i];
        EXPECT_EQ(std::make_tuple(std::string(a.ID), std::string(a.NAME), std::string(a.CHRNAME),
                                  std::string(a.TEL), a.BIRTH, std::string(a.STREET),
                                  std::string(a.CITY), std::string(a.ZIP), std::string(a.COUNTRY)),
                  std::make_tuple(std::string(b.ID), std::string(b.NAME), std::string(b.CHRNAME),
                                  std::string(b.TEL), b.BIRTH, std::string(b.STREET),
                                  std::string(b.CITY), std::string(b.ZIP), std::string(b.COUNTRY)));
    }
    tExchangeResult ir = importICalendar(file("a.ics"));
    ASSERT_TRUE(ir.ok()) << describeImport(ir);
    EXPECT_EQ(ir.done, 7);
    // The same rows; the group (not exported as a person) and the resource's ID are this
    // database's; "privat" is now carl's own.
    std::vector<std::string> expected = before;
    for (std::string &row : expected) {
        if (size_t g = row.find("|R1|Gteam|"); g != std::string::npos) row.replace(g, 10, "|X9||");
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(visibleRows(), expected);

    // A second import of the same files stores nothing and says so.
    tExchangeResult twice = importICalendar(file("a.ics"));
    EXPECT_EQ(twice.done, 0);
    EXPECT_EQ(twice.skipped, 7);
    EXPECT_NE(describeImport(twice).find("7 Termine schon fr\xFCher importiert"), std::string::npos)
        << describeImport(twice);
    EXPECT_EQ(importVCard(file("p.vcf")).done, 0);
    EXPECT_EQ(visibleRows(), expected);
}

// ---- bad input ----

TEST_F(IcalTest, BadInputIsSkippedOrRefusedWithoutStoringWhatWasNotReadSoundly)
{
    std::string good = vevent("g@t", "DTSTART:20260301T100000\r\nSUMMARY:Gut\r\n");
    struct {
        const char *name;
        std::string text;
        tExchangeResult::Outcome outcome;
        long done, skipped;
        const char *says; // in the message or the notes
    } cases[] = {
        {"malformed line: left out, its event kept",
         calendar(good + vevent("b@t", "DTSTART:20260302T100000\r\nkaputt\r\n")),
         tExchangeResult::Done, 2, 0,
         "1 Angabe nicht lesbar, \xFC"
         "bersprungen"},
        {"over-long line: left out, its event kept",
         calendar(good + vevent("l@t", "DTSTART:20260302T100000\r\nSUMMARY:" +
                                           std::string(100000, 'x') + "\r\n")),
         tExchangeResult::Done, 2, 0, "1 Angabe nicht lesbar"},
        {"long folded title is fine",
         calendar(vevent("f@t", "DTSTART:20260302T100000\r\n" +
                                    vcfFold("SUMMARY:" + std::string(3000, 'y')))),
         tExchangeResult::Done, 1, 0, "1 Titel auf 40 Zeichen gek\xFCrzt"},
        {"missing END",
         "BEGIN:VCALENDAR\r\n" + good + "BEGIN:VEVENT\r\nDTSTART:20260303T100000\r\n",
         tExchangeResult::Done, 1, 1, "1 fehlerhafter"},
        {"unknown properties and components",
         calendar("BEGIN:VTODO\r\nSUMMARY:Aufgabe\r\nEND:VTODO\r\nBEGIN:X-DING\r\nX-A:1\r\n"
                  "END:X-DING\r\n" +
                  vevent("u@t", "X-FOO;X-P=1:bar\r\nDTSTART:20260304T100000\r\nSUMMARY:U\r\n"
                                "BEGIN:X-SUB\r\nEND:X-SUB\r\n")),
         tExchangeResult::Done, 1, 0, ""},
        {"a start as 2026-03-01 is read as that day",
         calendar(good + vevent("s@t", "SUMMARY:ohne\r\nDTSTART:2026-03-01\r\n")),
         tExchangeResult::Done, 2, 0, ""},
        {"no start", calendar(good + vevent("s@t", "SUMMARY:ohne\r\nDTSTART:kaputt\r\n")),
         tExchangeResult::Done, 1, 1, "1 Termin ohne lesbaren Beginn"},
        {"daily rule without end",
         calendar(vevent("d@t", "DTSTART:20260301T070000\r\nRRULE:FREQ=DAILY\r\nSUMMARY:T\r\n")),
         tExchangeResult::Done, 500, 0, "1 Serie nach 2 Jahren oder 500 Terminen abgeschnitten"},
        {"weekly rule without end, starting in the future",
         calendar(vevent("w@t", "DTSTART:20900301T070000\r\nRRULE:FREQ=WEEKLY\r\nSUMMARY:W\r\n")),
         tExchangeResult::Done, 105, 0, "abgeschnitten"}, // two years from 1.3.2090
        {"monthly on the 31st, two exceptions",
         calendar(vevent("m@t", "DTSTART:20260131T070000\r\nRRULE:FREQ=MONTHLY;COUNT=6\r\n"
                                "EXDATE:20260331T070000,20260531T070000\r\nSUMMARY:M\r\n")),
         tExchangeResult::Done, 4, 0, ""}, // Jan, Jul, Aug, Oct (no 31st in Feb, Apr, Jun, Sep)
        {"one repetition moved, one left out",
         calendar(vevent("r@t", "DTSTART:20260302T070000\r\nRRULE:FREQ=WEEKLY;COUNT=4\r\n"
                                "EXDATE;VALUE=DATE:20260316\r\nSUMMARY:R\r\n") +
                  vevent("r@t", "RECURRENCE-ID:20260309T070000\r\nDTSTART:20260310T090000\r\n"
                                "SUMMARY:R verlegt\r\n")),
         tExchangeResult::Done, 3, 0, ""}, // 2.3., 23.3. and the moved one on 10.3.
        {"yearly since 1990 without end: up to two years from today",
         calendar(vevent("y@t", "DTSTART;VALUE=DATE:19900501\r\nRRULE:FREQ=YEARLY\r\n"
                                "SUMMARY:Geburtstag\r\n")),
         tExchangeResult::Done, tDate::today().year + 2 - 1990 + (tDate::today().month < 5 ? 0 : 1),
         0, "abgeschnitten"},
        {"rule not understood",
         calendar(vevent("x@t", "DTSTART:20260301T070000\r\nRRULE:FREQ=MONTHLY;BYYEARDAY=100"
                                "\r\nSUMMARY:X\r\n")),
         tExchangeResult::Done, 1, 0, "1 Serie mit unbekannter Regel nur einmal gespeichert"},
        {"same UID twice in one file", calendar(good + good), tExchangeResult::Done, 1, 1,
         "1 Termin doppelt"},
        {"nested a hundred deep", calendar([] {
             std::string s;
             for (int i = 0; i < 100; i++) s += "BEGIN:VEVENT\r\n";
             return s;
         }()),
         tExchangeResult::Done, 0, 1, "1 fehlerhafter"},
        {"no calendar", "BEGIN:VCARD\r\nFN:x\r\nEND:VCARD\r\n", tExchangeResult::NotStarted, 0, 0,
         "keine iCalendar-Datei"},
        {"empty", "", tExchangeResult::NotStarted, 0, 0, "keine iCalendar-Datei"},
        {"binary", std::string("\0\xFF\r\n:\n;;\n BEGIN\n", 14), tExchangeResult::NotStarted, 0, 0,
         "keine iCalendar-Datei"},
    };
    int n = 0;
    for (auto &c : cases) {
        SCOPED_TRACE(c.name);
        // Each case on an empty TERMIN: what is there afterwards is what the import stored.
        for (const tTermin &t : visibleAppointments())
            ASSERT_EQ(tTerminStore::instance().remove(t), 0);
        ASSERT_TRUE(visibleRows().empty());
        // The good event's UID is new in each case, or the register would skip it.
        std::string text = c.text, tag = "UID:g" + std::to_string(n) + "@t";
        for (size_t p; (p = text.find("UID:g@t")) != std::string::npos;) text.replace(p, 7, tag);
        std::string path = file("bad" + std::to_string(n++) + ".ics");
        writeAll(path, text);
        tExchangeResult r = importICalendar(path);
        EXPECT_EQ(r.outcome, c.outcome) << describeImport(r);
        EXPECT_EQ(r.done, c.done) << describeImport(r);
        EXPECT_EQ(r.skipped, c.skipped) << describeImport(r);
        EXPECT_NE(describeImport(r).find(c.says), std::string::npos) << describeImport(r);
        EXPECT_EQ((long)visibleRows().size(), c.done);
    }

    // A file over 32 MB is refused before it is read; the vCard reader refuses it too.
    std::string huge = file("huge.ics");
    {
        std::ofstream f(huge, std::ios::binary);
        std::string block = calendar(good);
        for (long size = 0; size <= kMaxFile; size += (long)block.size()) f << block;
    }
    for (tExchangeResult r : {importICalendar(huge), importVCard(huge)}) {
        EXPECT_EQ(r.outcome, tExchangeResult::NotStarted);
        EXPECT_NE(r.detail.find("gr\xF6\xDF"
                                "er als 32 MB"),
                  std::string::npos);
    }
    EXPECT_EQ(importICalendar(file("fehlt.ics")).outcome, tExchangeResult::NotStarted);
}

// ---- vCard ----

TEST_F(IcalTest, VCardsAreReadByKhardAndVobjectAndTheirsImport)
{
    tPerson p;
    p.setId("mue");
    p.setChrName("J\xFCrgen");
    p.setName("M\xFCller");
    p.setTel("0711 12");
    p.BIRTH = {3, 7, 1961};
    p.setStreet("Gro\xDF"
                "e Str. 5; Hof");
    p.setCity("K\xF6ln");
    p.setZip("50667");
    p.setCountry("Deutschland");
    ASSERT_EQ(p.insert(), tStoreStatus::Stored);
    tPerson q;
    q.setId("ohne");
    q.setName("Ohnejahr");
    q.setChrName("Eva");
    q.BIRTH = {24, 12, 0};
    ASSERT_EQ(q.insert(), tStoreStatus::Stored);
    std::string path = file("p.vcf");
    tExchangeResult r = exportVCard(path);
    ASSERT_TRUE(r.ok()) << describeExport(r);
    EXPECT_EQ(r.done, 6); // with the fixture's anna, bert, carl and dora

    std::string dump = peer("dump-vcf", path);
    EXPECT_NE(dump.find("|J\xC3\xBCrgen M\xC3\xBCller|M\xC3\xBCller|J\xC3\xBCrgen|0711 12|"
                        "Gro\xC3\x9F"
                        "e Str. 5; Hof|K\xC3\xB6ln|50667|Deutschland|19610703\n"),
              std::string::npos)
        << dump;
    EXPECT_NE(dump.find("|Eva Ohnejahr|Ohnejahr|Eva||||||--1224\n"), std::string::npos) << dump;

    std::string khard = systemProgram("khard");
    ASSERT_FALSE(khard.empty()) << "no khard (scripts/install-deps)";
    std::string book = file("book"), conf = file("khard.conf");
    std::filesystem::create_directory(book);
    // khard's address book is a folder of one card per file, as a sync program keeps it.
    std::string cards = readAll(path);
    int k = 0;
    for (size_t pos = 0; pos < cards.size(); k++) {
        size_t end = cards.find("END:VCARD\r\n", pos) + 11;
        writeAll(book + "/" + std::to_string(k) + ".vcf", cards.substr(pos, end - pos));
        pos = end;
    }
    EXPECT_EQ(k, 6);
    writeAll(conf, "[addressbooks]\n[[velk]]\npath = " + book +
                       "\n[general]\ndefault_action = list\n[contact table]\n"
                       "display = first_name\nsort = last_name\n");
    std::string out;
    ASSERT_EQ(runProgram({khard, "-c", conf, "list", "-p"}, &out), 0);
    std::vector<std::string> names;
    for (size_t pos = 0; pos < out.size();) {
        size_t end = out.find('\n', pos);
        std::string line = out.substr(pos, end - pos);
        size_t a = line.find('\t'), b = line.find('\t', a + 1);
        names.push_back(line.substr(a + 1, b - a - 1));
        pos = end + 1;
    }
    EXPECT_EQ(names, (std::vector<std::string>{"anna", "bert", "carl", "dora",
                                               "J\xC3\xBCrgen M\xC3\xBCller", "Eva Ohnejahr"}));
    out.clear();
    ASSERT_EQ(runProgram({khard, "-c", conf, "birthdays", "-p"}, &out), 0);
    EXPECT_NE(out.find("1961.07.03\tJ\xC3\xBCrgen M\xC3\xBCller"), std::string::npos) << out;
    EXPECT_NE(out.find("12.24\tEva Ohnejahr"), std::string::npos) << out;

    // Cards of other writers: 4.0 and 3.0, names with "ł", birthdays with and without a year.
    std::string theirs =
        "BEGIN:VCARD\r\nVERSION:4.0\r\nUID:urn:uuid:1\r\nFN:Pawe\xC5\x82 Nowak\r\n"
        "N:Nowak;Pawe\xC5\x82;;;\r\nTEL;VALUE=uri;TYPE=cell:tel:+48-22-1234\r\n"
        "ADR;TYPE=work:;;ul. D\xC5\x82uga 1\\nLokal 2;Warszawa;;00-001;Polen\r\n"
        "BDAY:--0229\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:2\r\nFN:Anne-Marie Gr\xC3\xBCn\r\nBDAY:1980-02-30\r\n"
        "X-FOO:bar\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:3\r\nN:M\xC3\xBCller;Hans;;;\r\nFN:Hans "
        "M\xC3\xBCller\r\n"
        "BDAY:19700101\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:4\r\nFN:ohne Ende\r\n";
    writeAll(file("theirs.vcf"), theirs);
    tExchangeResult in = importVCard(file("theirs.vcf"));
    ASSERT_TRUE(in.ok()) << describeImport(in);
    EXPECT_EQ(in.done, 4); // the card cut off before its END too, said in the notes
    EXPECT_EQ(in.skipped, 0);
    EXPECT_NE(in.notes.find("1 unvollst\xE4ndige vCard (ohne END) gelesen"), std::string::npos)
        << in.notes;
    EXPECT_NE(in.notes.find("2 Zeichen nicht \xFC"
                            "bernommen"),
              std::string::npos)
        << in.notes;
    std::vector<std::string> got;
    for (const tPerson &x : allPersons(PersonById))
        got.push_back(std::string(x.ID) + "|" + x.CHRNAME + "|" + x.NAME + "|" + x.TEL + "|" +
                      x.STREET + "|" + x.CITY + "|" + x.ZIP + "|" + x.COUNTRY + "|" +
                      std::to_string(x.BIRTH.day) + "." + std::to_string(x.BIRTH.month) + "." +
                      std::to_string(x.BIRTH.year));
    EXPECT_EQ(got, (std::vector<std::string>{
                       "ENDE|ohne|Ende||||||0.0.0",
                       "GRUEN|Anne-Marie|Gr\xFCn||||||0.0.0", // 30 February is no birthday
                       "MUELLER|Hans|M\xFCller||||||1.1.1970",
                       "NOWAK|Pawe?|Nowak|+48-22-1234|ul. D?uga 1 Lokal 2|Warszawa|00-001|Polen|"
                       "29.2.0",
                       "anna||anna||||||0.0.0",
                       "bert||bert||||||0.0.0",
                       "carl||carl||||||0.0.0",
                       "dora||dora||||||0.0.0",
                       "mue|J\xFCrgen|M\xFCller|0711 12|Gro\xDF"
                       "e Str. 5; Hof|K\xF6ln|50667|Deutschland|3.7.1961",
                       "ohne|Eva|Ohnejahr||||||24.12.0",
                   }));
}

TEST_F(IcalTest, CopiesStartingAtOnceAgreeOnOneDatabaseIdentity)
{
    std::string reg = file("ical.uid");
    ASSERT_FALSE(std::filesystem::exists(reg));
    constexpr int kCopies = 4;
    std::vector<pid_t> pids;
    for (int i = 0; i < kCopies; i++) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            std::ofstream(file("id" + std::to_string(i))) << tUidRegister::databaseIdentity();
            _exit(0);
        }
        pids.push_back(pid);
    }
    for (pid_t pid : pids) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::string first = readAll(reg);
    ASSERT_EQ(first.size(), 33u) << first;
    for (int i = 0; i < kCopies; i++)
        EXPECT_EQ(readAll(file("id" + std::to_string(i))) + "\n", first);
    EXPECT_EQ(tUidRegister::databaseIdentity() + "\n", first);
}
