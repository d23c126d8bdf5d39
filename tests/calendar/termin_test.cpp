// Appointments: the visibility rule as a table, the store's operations and walks as several
// users on a real database.
#include "calendar/termin_span.h"
#include "calendar_support.h"
#include "model/tables.h"

#include <set>

using namespace velk;
using namespace velk::caltest;

namespace {

// Group "team" holds anna and bert; group "empty" exists without members; no other group exists.
bool stubMembership(std::string_view gid, std::string_view user)
{
    return gid == "team" && (user == "anna" || user == "bert");
}

TEST(TerminVisibility, RuleRowByRow)
{
    struct Row {
        const char *read, *owner, *user;
        bool visible;
    } rows[] = {
        {"", "carl", "anna", true},       {" ", "carl", "anna", true},
        {" Gx", "carl", "dora", true},    {"Gteam", "carl", "anna", true},
        {"Gteam", "carl", "dora", false}, {"Gempty", "carl", "anna", false},
        {"Ggone", "carl", "anna", false}, {"Panna", "carl", "anna", true},
        {"Panna", "carl", "bert", false}, {"Panna    ", "carl", "anna", true},
        {"Pann", "carl", "anna", false},  {"X", "carl", "dora", true},
        {"#", "carl", "dora", true},      {"Pbert", "anna", "anna", true},
        {"Ggone", "dora", "dora", true},  {"Pbert", "anna  ", "anna", true},
        {"Pbert", "", "", false},         {"P", "anna", "", true},
    };
    for (const Row &r : rows)
        EXPECT_EQ(terminVisible(r.read, r.owner, r.user, stubMembership), r.visible)
            << "READ '" << r.read << "' by " << r.owner << " for '" << r.user << "'";
}

TEST(TerminVisibility, DialogChoicesWriteAndReadBack)
{
    EXPECT_EQ(readForVisibility(tVisibility::All, "Pbert", "anna"), "");
    EXPECT_EQ(readForVisibility(tVisibility::Involved, "Gteam", "anna"), "Gteam");
    EXPECT_EQ(readForVisibility(tVisibility::Involved, "", "anna"), "") << "visible to everybody";
    EXPECT_EQ(readForVisibility(tVisibility::Private, "Pbert", "anna"), "Panna");
    struct Row {
        const char *read, *with;
        std::optional<tVisibility> shown;
    } rows[] = {
        {"", "Pbert", tVisibility::All},
        {"Gteam", "Gteam", tVisibility::Involved},
        {"Gteam", "Pbert", std::nullopt},
        {"Panna", "Pbert", tVisibility::Private},
        {"Pbert", "Pbert", tVisibility::Involved},
        {"Pdora", "Pbert", tVisibility::All},
        {"Z", "Z", tVisibility::All},
    };
    for (const Row &r : rows)
        EXPECT_EQ(visibilityOfRead(r.read, r.with, "anna"), r.shown) << r.read << " / " << r.with;
}

using TerminStoreTest = CalendarTest;

TEST_F(TerminStoreTest, EachUserSeesWhatReadAllows)
{
    const tDateTime day = at(3, 6, 2024, 9);
    const std::pair<const char *, const char *> reads[] = {
        {"", "empty"},     {" ", "blank"},    {"Gteam", "team"}, {"Ggone", "gone"},
        {"Gnone", "none"}, {"Panna", "anna"}, {"Pbert", "bert"}, {"Xyz", "other"},
    };
    int minute = 0;
    for (auto [read, title] : reads) {
        tDateTime from = day;
        from.minute = minute++;
        add("carl", termin(title, from, from, read));
    }
    struct Row {
        const char *user;
        std::vector<std::string> seen;
    } rows[] = {
        {"anna", {"empty", "blank", "team", "anna", "other"}},
        {"bert", {"empty", "blank", "team", "bert", "other"}},
        {"dora", {"empty", "blank", "other"}},
        {"carl", {"empty", "blank", "team", "gone", "none", "anna", "bert", "other"}},
    };
    for (const Row &r : rows) {
        setCurrentUser(r.user);
        EXPECT_EQ(titles(store.ofDay(day)), r.seen) << r.user << ", by day";
        EXPECT_EQ(titles(store.touching(at(1, 6, 2024), at(30, 6, 2024, 23, 59))), r.seen)
            << r.user << ", touching";
        std::vector<tTermin> byIndex;
        tTermin t;
        for (long p = store.first(tTerminStore::ByStart, t); p;
             p = store.next(tTerminStore::ByStart, p, t))
            if (!t.isCounter()) byIndex.push_back(t);
        EXPECT_EQ(titles(byIndex), r.seen) << r.user << ", by index 1";
    }
}

TEST_F(TerminStoreTest, PrivateNeverReachesAnotherUserInAnyWalk)
{
    tTermin mine = add("anna", termin("Arzt", at(3, 6, 2024, 8), at(5, 6, 2024, 9),
                                      readForVisibility(tVisibility::Private, "", "anna").c_str()));
    EXPECT_STREQ(mine.READ, "Panna");
    for (const char *user : {"anna", "bert", "root"}) {
        setCurrentUser(user);
        bool own = std::string(user) == "anna";
        std::set<std::string> seen;
        tTermin t;
        for (int index : {tTerminStore::ById, tTerminStore::ByStart})
            for (long p = store.first(index, t); p; p = store.next(index, p, t))
                seen.insert(t.TITLE);
        for (const tTermin &x : store.ofDay({3, 6, 2024})) seen.insert(x.TITLE);
        for (const tTermin &x : store.touching(at(4, 6, 2024), at(4, 6, 2024, 23, 59)))
            seen.insert(x.TITLE);
        EXPECT_EQ(seen.count("Arzt"), own ? 1u : 0u) << user;
    }
}

TEST_F(TerminStoreTest, TheAuthorSeesAppointmentsForOtherParticipants)
{
    const char *read = "Pbert"; // "alle Beteiligten" with bert as participant
    add("anna", termin("Besprechung", at(3, 6, 2024, 10), at(3, 6, 2024, 11), read, "Pbert"));
    add("anna", termin("Team", at(3, 6, 2024, 12), at(3, 6, 2024, 13), "Gteam", "Gteam"));
    add("dora", termin("Fremd", at(3, 6, 2024, 14), at(3, 6, 2024, 15), "Gteam", "Gteam"));
    std::pair<const char *, std::vector<std::string>> rows[] = {
        {"anna", {"Besprechung", "Team", "Fremd"}},
        {"bert", {"Besprechung", "Team", "Fremd"}},
        {"carl", {}},
        {"dora", {"Fremd"}},
    };
    for (auto &[user, seen] : rows) {
        setCurrentUser(user);
        EXPECT_EQ(titles(store.ofDay({3, 6, 2024})), seen) << user;
    }
}

TEST_F(TerminStoreTest, InsertFindUpdateDelete)
{
    tTermin t = termin("Zahnarzt", at(3, 6, 2024, 9), at(3, 6, 2024, 10), "", "Pbert");
    t.setResource("R1   ");
    EXPECT_STREQ(t.RESOURCE, "R1") << "trailing blanks removed";
    setCurrentUser("anna");
    ASSERT_EQ(store.insert(t).status, tStoreStatus::Stored);
    EXPECT_STREQ(t.ID, "00000000");
    EXPECT_STREQ(t.OWNER, "anna");

    tTermin read;
    ASSERT_TRUE(store.find("00000000", read));
    EXPECT_STREQ(read.TITLE, "Zahnarzt");
    EXPECT_STREQ(read.RESOURCE, "R1");
    EXPECT_STREQ(read.WITH, "Pbert");
    EXPECT_STREQ(read.OWNER, "anna");
    EXPECT_STREQ(read.TYPE, "") << "stored as a blank";
    EXPECT_EQ(read.from, t.from);
    EXPECT_EQ(read.till, t.till);
    EXPECT_FALSE(read.hasRepeat());
    EXPECT_FALSE(store.find("00000009", read));

    tTermin second = termin("Kino", at(4, 6, 2024, 20), at(4, 6, 2024, 22));
    ASSERT_EQ(store.insert(second).status, tStoreStatus::Stored);
    EXPECT_STREQ(second.ID, "00000001");

    read.setTitle("Zahnarzt verschoben");
    read.setType("K");
    read.till = at(3, 6, 2024, 11);
    EXPECT_EQ(store.update(read.ID, read), tStoreStatus::Stored);
    tTermin again;
    ASSERT_TRUE(store.find(read.ID, again));
    EXPECT_STREQ(again.TITLE, "Zahnarzt verschoben");
    EXPECT_STREQ(again.TYPE, "K") << "carried when rewritten";
    EXPECT_EQ(again.till.hour, 11);
    EXPECT_EQ(store.update("00000077", read), tStoreStatus::NotFound);
    tTermin clash = second;
    clash.setTitle("Zahnarzt verschoben");
    clash.from = again.from;
    clash.setResource("R1");
    EXPECT_EQ(store.update(second.ID, clash), tStoreStatus::Duplicate)
        << "same start, title, resource and owner as the first";
    ASSERT_TRUE(store.find(second.ID, read));
    EXPECT_STREQ(read.TITLE, "Kino") << "a refused rewrite leaves the row";

    EXPECT_EQ(store.remove(second), 0);
    EXPECT_FALSE(store.find(second.ID, read));
    EXPECT_EQ(store.remove(second), 0) << "a missing row answers 0";
}

TEST_F(TerminStoreTest, TheSameStartTitleResourceAndOwnerIsRefused)
{
    tTermin a = termin("Sitzung", at(3, 6, 2024, 9), at(3, 6, 2024, 10));
    tTermin b = a, c = a, d = a;
    setCurrentUser("anna");
    ASSERT_EQ(store.insert(a).status, tStoreStatus::Stored);
    EXPECT_EQ(store.insert(b).status, tStoreStatus::Duplicate);
    EXPECT_STREQ(b.ID, "") << "no ID for what was not stored";
    c.setResource("R2");
    EXPECT_EQ(store.insert(c).status, tStoreStatus::Stored) << "another resource";
    setCurrentUser("bert");
    EXPECT_EQ(store.insert(d).status, tStoreStatus::Stored) << "another owner";
    EXPECT_EQ(store.ofDay({3, 6, 2024}).size(), 3u);
}

TEST_F(TerminStoreTest, ADayInStartOrderPastHiddenRowsAndDeletions)
{
    add("dora", termin("Privat früh", at(3, 6, 2024, 7), at(3, 6, 2024, 8), "Pdora"));
    add("carl", termin("B", at(3, 6, 2024, 14), at(3, 6, 2024, 15)));
    add("carl", termin("Z", at(3, 6, 2024, 9), at(3, 6, 2024, 10)));
    add("carl", termin("A", at(3, 6, 2024, 9), at(3, 6, 2024, 10)));
    add("carl", termin("C", at(3, 6, 2024, 16), at(3, 6, 2024, 17)));
    add("carl", termin("Vortag", at(2, 6, 2024, 23), at(3, 6, 2024, 1)));
    add("carl", termin("Folgetag", at(4, 6, 2024), at(4, 6, 2024)));
    setCurrentUser("carl");
    EXPECT_EQ(titles(store.ofDay({3, 6, 2024})), (std::vector<std::string>{"A", "Z", "B", "C"}));
    EXPECT_TRUE(store.ofDay({5, 6, 2024}).empty());

    // Another walk, a find and a delete of the row the walk stands on, between two steps.
    std::vector<std::string> seen;
    tTermin t, other;
    for (long p = store.firstOfDay({3, 6, 2024}, t); p; p = store.nextOfDay({3, 6, 2024}, p, t)) {
        seen.push_back(t.TITLE);
        EXPECT_EQ(store.ofDay({4, 6, 2024}).size(), 1u);
        if (seen.back() == "Z") {
            EXPECT_EQ(store.remove(t), 0);
        }
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"A", "Z", "B", "C"}));
}

TEST_F(TerminStoreTest, TouchingFindsEveryOverlapAndNothingElse)
{
    // The range: June 2024.  Hidden rows at the very start of the walk do not end it.
    const tDateTime from = at(1, 6, 2024), till = at(30, 6, 2024, 23, 59);
    for (int h = 0; h < 5; h++)
        add("dora", termin("dora privat", at(1, 6, 2024, h), at(1, 6, 2024, h), "Pdora"));
    add("carl", termin("Mitte", at(15, 6, 2024, 10), at(15, 6, 2024, 11)));
    setCurrentUser("carl");
    EXPECT_EQ(titles(store.touching(from, till)), (std::vector<std::string>{"Mitte"}));

    add("carl", termin("seit 2022", at(15, 3, 2022, 8), at(31, 12, 2025, 18)));
    add("carl", termin("Mai bis Juni", at(28, 5, 2024, 8), at(2, 6, 2024, 12)));
    add("carl", termin("endet 31.05. 23:59", at(30, 5, 2024, 8), at(31, 5, 2024, 23, 59)));
    add("carl", termin("endet 01.06. 00:00", at(31, 5, 2024, 8), at(1, 6, 2024, 0, 0)));
    add("carl", termin("letzte Minute", at(30, 6, 2024, 23, 59), at(1, 7, 2024, 1)));
    add("carl", termin("Juli", at(1, 7, 2024), at(1, 7, 2024, 1)));
    add("carl", termin("2021", at(1, 1, 2021), at(2, 1, 2021)));
    setCurrentUser("carl");
    const std::vector<std::string> june{"seit 2022", "Mai bis Juni", "endet 01.06. 00:00", "Mitte",
                                        "letzte Minute"};
    EXPECT_EQ(titles(store.touching(from, till)), june);

    // A year, and a single day inside the long one.
    EXPECT_EQ(titles(store.touching(at(1, 1, 2025), at(31, 12, 2025, 23, 59))),
              (std::vector<std::string>{"seit 2022"}));
    EXPECT_EQ(titles(store.touching(at(1, 1, 2021), at(1, 1, 2021, 23, 59))),
              (std::vector<std::string>{"2021"}));

    // The bound the walk looks back by: the longest span stored.
    tTermTable *t = tTermTable::instance();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(longestTerminSpan(*t), 1387) << "15.03.2022 to 31.12.2025";
}

TEST_F(TerminStoreTest, TouchingOnADatabaseWithoutTheKeptSpan)
{
    add("carl", termin("lang", at(1, 1, 2020), at(31, 12, 2024)));
    add("carl", termin("kurz", at(10, 6, 2024), at(10, 6, 2024)));
    // As a database written before the span was kept: the counter row's WRITE blank.
    tTermTable *t = tTermTable::instance();
    ASSERT_NE(t, nullptr);
    ASSERT_TRUE(t->selectIndex(0));
    t->rec.clear();
    t->ID.setText("########");
    ASSERT_TRUE(t->rec.find());
    EXPECT_STREQ(t->WRITE.getText(), "000001826");
    EXPECT_STREQ(t->RESOURCE.getText(), "00000001") << "the counter untouched";
    t->WRITE.setText("");
    ASSERT_GT(t->rewrite(t->rec), 0);

    EXPECT_EQ(titles(store.touching(at(1, 6, 2024), at(30, 6, 2024, 23, 59))),
              (std::vector<std::string>{"lang", "kurz"}));
    ASSERT_TRUE(t->selectIndex(0));
    t->rec.clear();
    t->ID.setText("########");
    ASSERT_TRUE(t->rec.find());
    EXPECT_STREQ(t->WRITE.getText(), "000001826") << "found by reading the table, kept again";

    add("carl", termin("kürzer", at(1, 1, 2023), at(2, 1, 2023)));
    EXPECT_EQ(longestTerminSpan(*t), 1826) << "a shorter one leaves it";
}

TEST_F(TerminStoreTest, ASeriesIsStoredRowByRowAndCountsWhatFailed)
{
    setCurrentUser("anna");
    tTermin t = termin("Jour fixe", at(6, 1, 1997, 9), at(6, 1, 1997, 10), "Gteam", "Gteam");
    t.setResource("R1");
    tRepeat weekly;
    weekly.rhythm = tRepeat::Weekly;
    weekly.count = 3;
    t.attachRepeat(weekly);
    tInsertResult r = store.insert(t);
    EXPECT_TRUE(r.complete());
    EXPECT_EQ(r.repetitions, 3);
    std::set<std::string> ids;
    for (int day : {6, 13, 20, 27}) {
        std::vector<tTermin> found = store.ofDay({day, 1, 1997});
        ASSERT_EQ(found.size(), 1u) << day;
        EXPECT_STREQ(found[0].OWNER, "anna");
        EXPECT_STREQ(found[0].READ, "Gteam");
        EXPECT_STREQ(found[0].RESOURCE, "R1");
        ids.insert(found[0].ID);
    }
    EXPECT_EQ(ids.size(), 4u);

    // The second repetition of a new series collides with a stored row; the third is still made.
    add("anna", termin("Kurs", at(14, 2, 1997, 18), at(14, 2, 1997, 19)));
    tTermin course = termin("Kurs", at(7, 2, 1997, 18), at(7, 2, 1997, 19));
    course.attachRepeat(weekly);
    setCurrentUser("anna");
    r = store.insert(course);
    EXPECT_EQ(r.status, tStoreStatus::Stored);
    EXPECT_EQ(r.repetitions, 3);
    EXPECT_EQ(r.repetitionsStored, 2);
    EXPECT_EQ(r.notStored(), 1);
    EXPECT_FALSE(r.complete());
    EXPECT_EQ(store.ofDay({21, 2, 1997}).size(), 1u);

    tTermin none = termin("Nie", at(1, 3, 1997), at(1, 3, 1997));
    tRepeat zero = weekly;
    zero.count = 0;
    none.attachRepeat(zero);
    EXPECT_FALSE(none.hasRepeat()) << "count 0 attaches nothing";
    r = store.insert(none);
    EXPECT_TRUE(r.complete());
    EXPECT_EQ(r.repetitions, 0);
}

TEST_F(TerminStoreTest, AClosedDatabaseAnswersFailure)
{
    add("carl", termin("da", at(1, 6, 2024), at(1, 6, 2024)));
    closeDatabase();
    tTermin t = termin("weg", at(1, 6, 2024), at(1, 6, 2024));
    EXPECT_EQ(store.insert(t).status, tStoreStatus::NoTable);
    EXPECT_EQ(store.update("00000000", t), tStoreStatus::NoTable);
    EXPECT_FALSE(store.find("00000000", t));
    EXPECT_EQ(store.remove(t), 0);
    EXPECT_EQ(store.firstOfDay({1, 6, 2024}, t), 0);
    EXPECT_EQ(store.firstTouching(at(1, 6, 2024), at(2, 6, 2024), t), 0);
    EXPECT_FALSE(store.isOpen());
    ASSERT_TRUE(openDatabase(dictPath().c_str()));
}

} // namespace
