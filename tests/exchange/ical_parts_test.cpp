// The properties the iCalendar reader takes, and the IDs a vCard import gives
// persons without one.
#include "address/person.h"
#include "exchange/exchange.h"
#include "exchange/ical.h"
#include "exchange/vcard.h"
#include "tests/calendar/calendar_support.h"

#include <fstream>
#include <string>
#include <vector>

using namespace velk;
using namespace velk::caltest;

namespace {

using VCardIds = CalendarTest;

} // namespace

TEST(IcalText, PropertiesAreFoundByTheirWholeNameInAnyCase)
{
    // The first SUMMARY in any case, not one whose name only begins so; a folded value whole.
    const struct {
        const char *lines, *title, *location;
    } cases[] = {
        {"SUMMARYX:nein\r\nsummary;LANGUAGE=de:ja\r\nSUMMARY:zweite\r\n", "ja", ""},
        {"X-SUMMARY:nein\r\nSummary:ja\r\nLOCATIONS:nein\r\nlocation:Raum 1\r\n", "ja", "Raum 1"},
        {"SUMMARY;X-P=\"q:r\":lang\r\n  gefaltet\r\n", "lang gefaltet", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.lines);
        tIcsReadout in = readICalendarText(
            std::string("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:1\r\n"
                        "DTSTART:20260305T093000\r\n") +
                c.lines + "END:VEVENT\r\nEND:VCALENDAR\r\n",
            tDate{1, 3, 2026});
        ASSERT_EQ(in.events.size(), 1u);
        ASSERT_EQ(in.events[0].rows.size(), 1u);
        EXPECT_STREQ(in.events[0].rows[0].TITLE, c.title);
        EXPECT_EQ(in.events[0].location, c.location);
    }
}

TEST_F(VCardIds, CardsWithoutIdNumberOnFromTheirSurname)
{
    // WEBER and WEBER2 are taken before; the stem of "Schneiderin" is cut for longer numbers;
    // the letters of "\xD8\xE5" are transliterated.
    for (const char *id : {"WEBER", "WEBER2"}) {
        tPerson p;
        p.setId(id);
        ASSERT_EQ(p.insert(), tStoreStatus::Stored);
    }
    std::vector<std::string> names = {"Weber", "Weber", "Weber"};
    for (int i = 0; i < 11; i++) names.push_back("Schneiderin");
    for (const char *n : {"\xC3\x98\xC3\xA5", "\xC3\x98\xC3\xA5", "Weber"}) names.push_back(n);
    std::string text;
    for (const std::string &n : names)
        text += "BEGIN:VCARD\r\nVERSION:3.0\r\nN:" + n + ";;;;\r\nFN:" + n + "\r\nEND:VCARD\r\n";
    std::ofstream(file("same.vcf"), std::ios::binary) << text;
    tExchangeResult r = importVCard(file("same.vcf"));
    ASSERT_TRUE(r.ok()) << describeImport(r);
    EXPECT_EQ(r.done, (long)names.size());
    std::vector<std::string> got;
    for (const tPerson &x : allPersons(PersonById))
        if (std::string_view(x.ID).find_first_of("abcdefghijklmnopqrstuvwxyz") ==
            std::string_view::npos)
            got.push_back(x.ID);
    EXPECT_EQ(got, (std::vector<std::string>{
                       "OA", "OA1", "SCHNEI10", "SCHNEID1", "SCHNEID2", "SCHNEID3", "SCHNEID4",
                       "SCHNEID5", "SCHNEID6", "SCHNEID7", "SCHNEID8", "SCHNEID9", "SCHNEIDE",
                       "WEBER", "WEBER1", "WEBER2", "WEBER3", "WEBER4", "WEBER5"}));
}
