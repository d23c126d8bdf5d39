// The text layer's content lines as the readers ask for them, and the IDs a vCard import gives
// persons without one.
#include "address/person.h"
#include "exchange/exchange.h"
#include "exchange/ical_text.h"
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
    std::vector<tComponent> top = parseComponents(
        "BEGIN:VEVENT\r\nSUMMARYX:nein\r\nsummary;LANGUAGE=de:ja\r\nSUMMARY:zweite\r\n"
        "X-A:1\r\nx-a;P=\"q:r\":2\r\nX-AB:3\r\nDESCRIPTION:lang\r\n  gefaltet\r\nEND:VEVENT\r\n");
    ASSERT_EQ(top.size(), 1u);
    const tComponent &ev = top[0];
    ASSERT_TRUE(ev.sound());
    const struct {
        const char *name;
        std::vector<std::string> values;
    } cases[] = {
        {"SUMMARY", {"ja", "zweite"}},
        {"X-A", {"1", "2"}},
        {"X-AB", {"3"}},
        {"SUMMARYX", {"nein"}},
        {"DESCRIPTION", {"lang gefaltet"}},
        {"X", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> got;
        for (const tContentLine *l : ev.all(c.name)) got.push_back(l->value);
        EXPECT_EQ(got, c.values);
        const tContentLine *first = ev.prop(c.name);
        EXPECT_EQ(first ? first->value : "-", c.values.empty() ? "-" : c.values[0]);
    }
    EXPECT_EQ(ev.prop("SUMMARY")->param("LANGUAGE"), "de");
    EXPECT_EQ(ev.all("X-A")[1]->param("P"), "q:r");
    EXPECT_EQ(ev.prop("SUMMARY"), ev.prop("SUMMARY")) << "parsed once";
}

TEST_F(VCardIds, CardsWithoutIdNumberOnFromTheirSurname)
{
    // WEBER and WEBER2 are taken before; the stem of "Schneiderin" is cut for longer numbers;
    // the letters of "\xD8\xE5" are transliterated.
    for (const char *id : {"WEBER", "WEBER2"}) {
        tPerson p;
        p.setId(id);
        ASSERT_TRUE(p.insert());
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
