// The dry run of an appointment import (termineOfFile): it lists exactly the rows the import
// then stores, for dBASE and iCalendar files, and stores nothing itself.
#include "address/resource.h"
#include "exchange/ical.h"
#include "exchange/termin_exchange.h"
#include "tests/calendar/calendar_support.h"

#include <filesystem>
#include <fstream>
#include <set>

using namespace velk;
using namespace velk::caltest;

namespace {

// What identifies a row for the comparison: start, end, title, resource, READ.
std::string key(const tTermin &t)
{
    char text[160];
    std::snprintf(text, sizeof text, "%04d%02d%02d %02d%02d-%04d%02d%02d %02d%02d %s|%s|%s",
                  t.from.year, t.from.month, t.from.day, t.from.hour, t.from.minute, t.till.year,
                  t.till.month, t.till.day, t.till.hour, t.till.minute, t.TITLE, t.RESOURCE,
                  t.READ);
    return text;
}

std::multiset<std::string> keys(const std::vector<tTermin> &rows)
{
    std::multiset<std::string> out;
    for (const tTermin &t : rows)
        if (!t.isCounter()) out.insert(key(t));
    return out;
}

class ImportPlanTest : public CalendarTest {
protected:
    void SetUp() override
    {
        CalendarTest::SetUp();
        tResource r;
        r.setId("beamer");
        r.setTitle("Beamer");
        ASSERT_EQ(r.insert(), tStoreStatus::Stored);
        setCurrentUser("carl");
    }
    std::vector<tTermin> stored()
    {
        std::vector<tTermin> out;
        tTermin t;
        for (long p = store.first(tTerminStore::ById, t); p;
             p = store.next(tTerminStore::ById, p, t))
            if (!t.isCounter()) out.push_back(t);
        return out;
    }
};

TEST_F(ImportPlanTest, ICalendarListsWhatTheImportStores)
{
    const std::string ics = file("a.ics");
    std::ofstream(ics) << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//t//p//DE\r\n"
                          "BEGIN:VEVENT\r\nUID:serie@t\r\nDTSTAMP:20260101T000000Z\r\n"
                          "DTSTART:20260302T090000\r\nDTEND:20260302T100000\r\n"
                          "RRULE:FREQ=WEEKLY;COUNT=3\r\nSUMMARY:Kurs\r\nLOCATION:Beamer\r\n"
                          "CLASS:PRIVATE\r\nEND:VEVENT\r\n"
                          "BEGIN:VEVENT\r\nUID:frei@t\r\nDTSTAMP:20260101T000000Z\r\n"
                          "DTSTART:20260303T090000\r\nDTEND:20260303T100000\r\n"
                          "SUMMARY:Ohne\r\nLOCATION:Kantine\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    std::vector<tTermin> planned = termineOfFile(tExchangeKind::ICalendar, ics);
    EXPECT_TRUE(stored().empty()) << "the dry run stores nothing";
    ASSERT_EQ(planned.size(), 4u);
    EXPECT_STREQ(planned[0].RESOURCE, "beamer");
    EXPECT_STREQ(planned[0].READ, "Pcarl");
    ASSERT_TRUE(importICalendar(ics).ok());
    EXPECT_EQ(keys(planned), keys(stored()));
    // Imported once, the file's events are passed over: nothing left to collide.
    EXPECT_TRUE(termineOfFile(tExchangeKind::ICalendar, ics).empty());
}

TEST_F(ImportPlanTest, AFileWithoutBookingsLeavesTheRegisterAlone)
{
    const std::string ics = file("b.ics");
    std::ofstream(ics) << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//t//p//DE\r\n"
                          "BEGIN:VEVENT\r\nUID:x@t\r\nDTSTAMP:20260101T000000Z\r\n"
                          "DTSTART:20260303T090000\r\nSUMMARY:Ohne\r\nEND:VEVENT\r\n"
                          "END:VCALENDAR\r\n";
    EXPECT_TRUE(termineOfFile(tExchangeKind::ICalendar, ics).empty());
    EXPECT_FALSE(std::filesystem::exists(file("ical.uid")));
    EXPECT_TRUE(termineOfFile(tExchangeKind::ICalendar, file("fehlt.ics")).empty());
}

TEST_F(ImportPlanTest, DbaseListsWhatTheImportStores)
{
    tTermin a = termin("Vortrag", at(2, 3, 2026, 9), at(2, 3, 2026, 11));
    a.setResource("beamer");
    add("carl", a);
    add("carl", termin("Frei", at(3, 3, 2026, 9), at(3, 3, 2026, 10)));
    ASSERT_TRUE(exportTermineDbf(file("t.dbf")).ok());
    for (const tTermin &t : stored()) ASSERT_EQ(store.remove(t), 0);

    std::vector<tTermin> planned = termineOfFile(tExchangeKind::TermineDbf, file("t.dbf"));
    EXPECT_TRUE(stored().empty());
    ASSERT_TRUE(importTermineDbf(file("t.dbf")).ok());
    EXPECT_EQ(keys(planned), keys(stored()));
    EXPECT_EQ(planned.size(), 2u);
    EXPECT_TRUE(termineOfFile(tExchangeKind::Portfolio, file("t.dbf")).empty());
    EXPECT_TRUE(termineOfFile(tExchangeKind::TermineDbf, file("fehlt.dbf")).empty());
}

} // namespace
