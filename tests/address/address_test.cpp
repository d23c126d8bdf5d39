// Persons, groups, members and resources on a real database in a temporary directory.
#include "address/dialog_rules.h"
#include "address/group.h"
#include "address/lists.h"
#include "address/person.h"
#include "address/reference.h"
#include "address/resource.h"
#include "model/blob.h"
#include "model/tables.h"
#include "model/users.h"
#include "tests/model/model_support.h"

#include <cstring>
#include <string>
#include <vector>

using namespace velk;

namespace {

tPerson person(const char *id, const char *name, const char *chr, tDate birth = {})
{
    tPerson p;
    p.setId(id);
    p.setName(name);
    p.setChrName(chr);
    p.setTel("0711 123");
    p.BIRTH = birth;
    return p;
}

std::vector<std::string> ids(const std::vector<tPerson> &persons)
{
    std::vector<std::string> out;
    for (const tPerson &p : persons) out.push_back(p.ID);
    return out;
}

std::vector<std::string> birthdays(int day, int month)
{
    std::vector<std::string> out;
    tPerson p;
    for (long c = p.findByBirthday(0, day, month, 2026); c;
         c = p.findByBirthday(c, day, month, 2026))
        out.push_back(p.ID);
    return out;
}

using AddressTest = ModelTest;

} // namespace

TEST_F(AddressTest, PersonsRoundTripAndWalkInNameOrder)
{
    tPerson full = person("mm", "Müller", "Maria", {29, 2, 0});
    full.setStreet(std::string(80, 'S'));
    full.setCity("Stuttgart");
    full.setZip("70173");
    full.setCountry("Deutschland");
    EXPECT_FALSE(full.setName(std::string(26, 'x'))) << "a 26th character does not fit";
    full.setName("Müller");
    ASSERT_EQ(full.insert(), tStoreStatus::Stored);
    ASSERT_EQ(person("ab", "Berg", "Zoe").insert(), tStoreStatus::Stored);
    ASSERT_EQ(person("zz", "Berg", "Anna").insert(), tStoreStatus::Stored);
    EXPECT_NE(person("ab", "Other", "Id").insert(), tStoreStatus::Stored) << "the ID is unique";

    tPerson read;
    ASSERT_TRUE(read.find("mm"));
    EXPECT_STREQ(read.STREET, full.STREET) << "80 characters whole";
    EXPECT_STREQ(read.CITY, "Stuttgart") << "the city after a full street unchanged";
    EXPECT_EQ(read.BIRTH, (tDate{29, 2, 0}));
    EXPECT_STREQ(read.NAME, "Müller");
    EXPECT_FALSE(read.find("nobody"));

    EXPECT_EQ(ids(allPersons(PersonByName)), (std::vector<std::string>{"zz", "ab", "mm"}));
    EXPECT_EQ(ids(allPersons(PersonById)), (std::vector<std::string>{"ab", "mm", "zz"}));
    EXPECT_EQ(personListLine(read), "mm\tMaria Müller\t29. 2.0000\t0711 123");
    EXPECT_EQ(personSelectionLine(read), "* Maria Müller Tel: 0711 123 [mm]");
    EXPECT_EQ(personListLine(person("x", "N", "V")), "x\tV N\t 0. 0.0000\t0711 123");
    EXPECT_EQ(lineId("mm\tMaria Müller"), "mm");
}

TEST_F(AddressTest, AWalkSurvivesFindsAndDeletionsBetweenItsSteps)
{
    for (const char *id : {"a", "b", "c", "d"})
        ASSERT_EQ(person(id, id, "x").insert(), tStoreStatus::Stored);
    std::vector<std::string> seen;
    tPerson p, other;
    for (long c = p.first(PersonByName); c; c = p.next(c)) {
        seen.push_back(p.ID);
        EXPECT_TRUE(other.find("d")) << "a find by ID between two steps";
        if (seen.back() == "b") {
            tPerson gone;
            ASSERT_TRUE(gone.find("b"));
            ASSERT_EQ(gone.remove(), tStoreStatus::Stored) << "the record the walk stands on";
        }
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "b", "c", "d"}));
}

TEST_F(AddressTest, FindByBirthdayWalksOneDayInKeyOrder)
{
    ASSERT_EQ(person("leap", "L", "x", {29, 2, 0}).insert(), tStoreStatus::Stored);
    ASSERT_EQ(person("p2", "B", "x", {7, 3, 1990}).insert(), tStoreStatus::Stored);
    ASSERT_EQ(person("p1", "A", "x", {7, 3, 1960}).insert(), tStoreStatus::Stored);
    ASSERT_EQ(person("p3", "C", "x", {8, 3, 1960}).insert(), tStoreStatus::Stored);
    ASSERT_EQ(person("none", "N", "x", {0, 0, 1960}).insert(), tStoreStatus::Stored);

    EXPECT_EQ(birthdays(29, 2), (std::vector<std::string>{"leap"}));
    EXPECT_EQ(birthdays(7, 3), (std::vector<std::string>{"p2", "p1"}))
        << "one key: in the order stored, whatever the year; ends at the first other day";
    EXPECT_EQ(birthdays(6, 3), (std::vector<std::string>{}));
    EXPECT_EQ(birthdays(31, 12), (std::vector<std::string>{})) << "past every key";
}

TEST_F(AddressTest, BirthdaysAcceptedByTheDialogRule)
{
    struct Case {
        int d, m, y;
        bool ok;
    } cases[] = {{29, 2, 0, true},   {30, 2, 0, false},    {30, 2, 1996, false},
                 {0, 0, 1960, true}, {29, 2, 1900, false}, {29, 2, 2000, true},
                 {0, 5, 0, false},   {31, 4, 1999, false}, {1, 13, 1999, false}};
    for (const Case &c : cases)
        EXPECT_EQ(birthdayAcceptable(c.d, c.m, c.y), c.ok) << c.d << "." << c.m << "." << c.y;
}

TEST_F(AddressTest, MembershipsFollowTheirPersonAndGroup)
{
    for (const char *id : {"anna", "bert", "carl"})
        ASSERT_EQ(person(id, id, "x").insert(), tStoreStatus::Stored);
    tGroup team, club;
    team.setId("team");
    club.setId("club");
    ASSERT_EQ(team.insert(), tStoreStatus::Stored);
    ASSERT_EQ(club.insert(), tStoreStatus::Stored);
    ASSERT_TRUE(addMember("team", "bert"));
    ASSERT_TRUE(addMember("team", "anna"));
    EXPECT_FALSE(addMember("team", "anna")) << "a pair exists once";
    ASSERT_TRUE(addMember("club", "anna"));
    ASSERT_TRUE(addMember("club", "carl"));
    EXPECT_EQ(membersOf("team"), (std::vector<std::string>{"anna", "bert"}));
    EXPECT_TRUE(isMember("club", "carl"));

    tPerson anna;
    ASSERT_TRUE(anna.find("anna"));
    anna.setId("anne");
    ASSERT_EQ(anna.update("anna"), tStoreStatus::Stored) << "the ID of a person changes";
    EXPECT_EQ(membersOf("team"), (std::vector<std::string>{"anne", "bert"}));
    EXPECT_EQ(membersOf("club"), (std::vector<std::string>{"anne", "carl"}));
    EXPECT_NE(anna.update("anna"), tStoreStatus::Stored) << "the old ID is gone";

    ASSERT_EQ(anna.remove(), tStoreStatus::Stored);
    EXPECT_EQ(membersOf("team"), (std::vector<std::string>{"bert"}));
    EXPECT_EQ(membersOf("club"), (std::vector<std::string>{"carl"}));
    EXPECT_TRUE(removeMember("club", "carl"));
    EXPECT_FALSE(removeMember("club", "carl"));
    EXPECT_TRUE(membersOf("club").empty());

    ASSERT_EQ(team.remove(), tStoreStatus::Stored);
    tGroup again;
    again.setId("team");
    ASSERT_EQ(again.insert(), tStoreStatus::Stored);
    EXPECT_TRUE(membersOf("team").empty()) << "a new group of the same ID has no old members";
    EXPECT_EQ(tMemTable::instance()->recordCount(), 0);
}

TEST_F(AddressTest, GroupCommentRoundTripsAndAnEmptiedOneIsRemoved)
{
    std::string comment =
        "Erste Zeile mit \xe4\xf6\xfc\xdf\r\nZweite Zeile " + std::string(90, 'y');
    tGroup g;
    g.setId("g1");
    g.setTitle("Vorstand");
    g.setComment(comment);
    ASSERT_EQ(g.insert(), tStoreStatus::Stored);
    EXPECT_FALSE(g.COMMENT.modified);

    tGroup read;
    ASSERT_TRUE(read.find("g1"));
    EXPECT_EQ(read.COMMENT.text, comment);
    std::string textId = read.COMMENT.id;
    ASSERT_FALSE(textId.empty());

    read.setTitle("Vorstand neu");
    ASSERT_EQ(read.update("g1"), tStoreStatus::Stored) << "an unmodified comment stays";
    ASSERT_TRUE(read.find("g1"));
    EXPECT_EQ(read.COMMENT.text, comment);

    read.setComment("");
    ASSERT_EQ(read.update("g1"), tStoreStatus::Stored);
    ASSERT_TRUE(read.find("g1"));
    EXPECT_FALSE(read.COMMENT.hasText);
    EXPECT_STREQ(read.COMMENT.id, "");
    EXPECT_EQ(tBlob::instance().textStore()->textLength(textId.c_str()), 0) << "text removed";
}

TEST_F(AddressTest, ResourcesCountUpdateAndRemove)
{
    for (const char *id : {"R1", "R2", "R3"}) {
        tResource r;
        r.setId(id);
        r.setTitle(std::string("Raum ") + id);
        ASSERT_EQ(r.insert(), tStoreStatus::Stored);
    }
    EXPECT_EQ(tResource::count(), 3);
    tResource r;
    ASSERT_TRUE(r.find("R2"));
    r.setTitle("Saal");
    ASSERT_EQ(r.update("R2"), tStoreStatus::Stored);
    ASSERT_EQ(r.remove(), tStoreStatus::Stored);
    EXPECT_NE(r.update("R2"), tStoreStatus::Stored);
    std::vector<std::string> lines;
    for (const tResource &x : allResources()) lines.push_back(resourceListLine(x));
    EXPECT_EQ(lines, (std::vector<std::string>{"R1\tRaum R1", "R3\tRaum R3"}));
}

TEST_F(AddressTest, ReferencesParseFormatAndDisplay)
{
    ASSERT_EQ(person("anna", "Ahrens", "Anna").insert(), tStoreStatus::Stored);
    ASSERT_EQ(person("bert", "Brandt", "Bert").insert(), tStoreStatus::Stored);
    tGroup g;
    g.setId("team");
    g.setTitle("Team Nord");
    ASSERT_EQ(g.insert(), tStoreStatus::Stored);
    ASSERT_TRUE(addMember("team", "anna"));
    ASSERT_TRUE(addMember("team", "bert"));
    ASSERT_TRUE(addMember("team", "ghost")) << "a member whose person does not exist";

    struct Case {
        const char *stored;
        tPersonOrGroup::Kind kind;
        bool setsLabel;
        const char *label;
        std::vector<std::string> lines;
    } cases[] = {
        {"Panna", tPersonOrGroup::Person, true, "Person", {"Anna Ahrens"}},
        {"Pghost", tPersonOrGroup::Person, true, "Person", {}},
        {"Gteam", tPersonOrGroup::Group, true, "Team Nord", {"Anna Ahrens", "Bert Brandt"}},
        {"Gnone", tPersonOrGroup::Group, false, "", {}},
        {"", tPersonOrGroup::Nobody, true, "", {}},
        {"Xyz", tPersonOrGroup::Other, false, "", {}},
    };
    for (const Case &c : cases) {
        tPersonOrGroup ref = tPersonOrGroup::parse(c.stored);
        EXPECT_EQ(ref.kind(), c.kind) << c.stored;
        EXPECT_EQ(ref.format(), c.stored) << "formats back";
        tReferenceDisplay shown = describeReference(ref);
        EXPECT_EQ(shown.setsLabel, c.setsLabel) << c.stored;
        EXPECT_EQ(shown.label, c.label) << c.stored;
        std::vector<std::string> lines;
        for (const tReferenceLine &l : shown.lines) lines.push_back(l.text);
        EXPECT_EQ(lines, c.lines) << c.stored;
    }
    EXPECT_EQ(referencedPersons(tPersonOrGroup::parse("Gteam")),
              (std::vector<std::string>{"anna", "bert"}));
}

TEST_F(AddressTest, DeleteRuleProtectsUsers)
{
    ASSERT_EQ(person("user1", "U", "x").insert(), tStoreStatus::Stored);
    ASSERT_EQ(person("plain", "P", "x").insert(), tStoreStatus::Stored);
    tUser u = newUser();
    std::snprintf(u.ID, sizeof u.ID, "user1");
    ASSERT_TRUE(writeUser(u));

    EXPECT_EQ(deletePersonAs("user1", "anna").decision, tPersonDelete::RefusedForUser);
    tPerson p;
    EXPECT_TRUE(p.find("user1")) << "nothing deleted";
    EXPECT_EQ(deletePersonAs("nobody", "root").decision, tPersonDelete::Nothing);
    EXPECT_EQ(deletePersonAs("plain", "anna").decision, tPersonDelete::DeletePerson);
    EXPECT_FALSE(p.find("plain"));
    tPersonDeleteResult r = deletePersonAs("user1", "root");
    EXPECT_EQ(r.decision, tPersonDelete::DeleteUserAndPerson);
    EXPECT_TRUE(r.stored);
    EXPECT_FALSE(p.find("user1"));
    EXPECT_FALSE(personIsUser("user1"));
}

TEST(DialogRules, NumbersAsTypedIntoADialog)
{
    const std::pair<const char *, int> cases[] = {
        {"12", 12}, {" 7", 7}, {"+3", 3},  {"-4", -4},   {"  0", 0},     {"", 0},
        {"x", 0},   {"3x", 3}, {"- 4", 0}, {"0012", 12}, {"1960", 1960},
    };
    for (auto [text, value] : cases) EXPECT_EQ(dialogNumber(text), value) << '"' << text << '"';
}

TEST(DialogRules, LineEndsOfMultiLineFields)
{
    EXPECT_EQ(storedLineEnds("a\nb\n"), "a\r\nb\r\n");
    EXPECT_EQ(storedLineEnds("a\r\nb"), "a\r\nb") << "already stored form stays";
    EXPECT_EQ(shownLineEnds("a\r\nb\r\n"), "a\nb\n");
    EXPECT_EQ(shownLineEnds("a\rb\nc"), "a\rb\nc") << "a lone CR or LF as it is";
}

// What OK of the person dialog decides, by the stored persons.
TEST_F(AddressTest, PersonDialogCheck)
{
    ASSERT_EQ(person("mm", "Maier", "Max").insert(), tStoreStatus::Stored);
    ASSERT_EQ(person("ab", "Berg", "Anna").insert(), tStoreStatus::Stored);
    struct Case {
        bool isNew;
        const char *oldId, *id;
        int day, month, year;
        tPersonCheck expected;
    } cases[] = {
        {true, "", "mm", 0, 0, 0, tPersonCheck::IdTaken},
        {true, "", "neu", 0, 0, 0, tPersonCheck::Ok},
        {false, "ab", "ab", 0, 0, 0, tPersonCheck::Ok},
        {false, "ab", "mm", 0, 0, 0, tPersonCheck::IdTaken},
        {false, "ab", "anna", 0, 0, 0, tPersonCheck::Ok},
        {true, "", "mm", 30, 2, 0, tPersonCheck::IdTaken}, // the ID first
        {true, "", "neu", 30, 2, 2024, tPersonCheck::InvalidBirthday},
        {true, "", "neu", 29, 2, 0, tPersonCheck::Ok},
        {true, "", "neu", 0, 0, 1960, tPersonCheck::Ok},
    };
    for (const Case &c : cases)
        EXPECT_EQ(checkPersonDialog(c.isNew, c.oldId, c.id, c.day, c.month, c.year), c.expected)
            << c.oldId << "->" << c.id << ' ' << c.day << '.' << c.month << '.' << c.year;
    tUser u = newUser();
    std::strcpy(u.ID, "ab");
    ASSERT_TRUE(writeUser(u));
    EXPECT_FALSE(personIdEditable(false, "ab")) << "a user's ID is the login name";
    EXPECT_TRUE(personIdEditable(false, "mm"));
    EXPECT_TRUE(personIdEditable(true, "ab"));
}

// The lines the lists show: person lines in name order, the member lines of persons that still
// exist, the resources in ID order.
TEST_F(AddressTest, ListLines)
{
    ASSERT_EQ(person("zb", "Berg", "Zoe", {1, 2, 1990}).insert(), tStoreStatus::Stored);
    ASSERT_EQ(person("ab", "Berg", "Anna").insert(), tStoreStatus::Stored);
    ASSERT_TRUE(addMember("g", "zb"));
    ASSERT_TRUE(addMember("g", "gone"));
    ASSERT_TRUE(addMember("g", "ab"));
    auto texts = [](const std::vector<tListLine> &lines) {
        std::vector<std::string> out;
        for (const tListLine &l : lines) out.push_back(l.text + "|" + l.id);
        return out;
    };
    EXPECT_EQ(texts(personListLines()),
              (std::vector<std::string>{"ab\tAnna Berg\t 0. 0.0000\t0711 123|ab",
                                        "zb\tZoe Berg\t 1. 2.1990\t0711 123|zb"}));
    EXPECT_EQ(texts(personSelectionLines())[0], "* Anna Berg Tel: 0711 123 [ab]|ab");
    EXPECT_EQ(texts(memberListLines("g")),
              (std::vector<std::string>{"ab\tAnna Berg|ab", "zb\tZoe Berg|zb"}));
    for (const char *id : {"R2", "R1"}) {
        tResource r;
        r.setId(id);
        r.setTitle("Raum");
        ASSERT_EQ(r.insert(), tStoreStatus::Stored);
    }
    EXPECT_EQ(texts(resourceListLines()), (std::vector<std::string>{"R1\tRaum|R1", "R2\tRaum|R2"}));
}
