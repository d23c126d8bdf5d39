// Double bookings of a resource: the overlap rule as a table, the check over a real database
// (hidden rows, series, the row being rewritten), the question's text and the import's check.
#include <algorithm>

#include "address/resource.h"
#include "calendar/booking_check.h"
#include "calendar_support.h"

using namespace velk;
using namespace velk::caltest;

namespace {

TEST(BookingOverlap, RuleRowByRow)
{
    struct Row {
        tDateTime aFrom, aTill, cFrom, cTill;
        bool overlap;
        const char *why;
    } rows[] = {
        {at(3, 6, 2024, 9), at(3, 6, 2024, 11), at(3, 6, 2024, 10), at(3, 6, 2024, 12), true,
         "partly"},
        {at(3, 6, 2024, 9), at(3, 6, 2024, 11), at(3, 6, 2024, 11), at(3, 6, 2024, 12), false,
         "end == other's start"},
        {at(3, 6, 2024, 11), at(3, 6, 2024, 12), at(3, 6, 2024, 9), at(3, 6, 2024, 11), false,
         "start == other's end"},
        {at(3, 6, 2024, 9), at(3, 6, 2024, 11), at(3, 6, 2024, 10, 59), at(3, 6, 2024, 12), true,
         "one minute"},
        {at(3, 6, 2024, 9), at(5, 6, 2024, 11), at(4, 6, 2024, 0), at(4, 6, 2024, 1), true,
         "inside a span of days"},
        {at(3, 6, 2024, 9), at(3, 6, 2024, 11), at(4, 6, 2024, 9), at(4, 6, 2024, 11), false,
         "next day"},
        {at(3, 6, 2024, 10), at(3, 6, 2024, 10), at(3, 6, 2024, 9), at(3, 6, 2024, 11), true,
         "no length, inside"},
        {at(3, 6, 2024, 10), at(3, 6, 2024, 10), at(3, 6, 2024, 10), at(3, 6, 2024, 10), true,
         "both without length, same minute"},
        {at(3, 6, 2024, 11), at(3, 6, 2024, 11), at(3, 6, 2024, 9), at(3, 6, 2024, 11), false,
         "no length, at the other's end"},
        {at(3, 6, 2024, 23, 59), at(3, 6, 2024, 23, 59), at(4, 6, 2024), at(4, 6, 2024, 1), false,
         "no length, the minute before midnight"},
    };
    for (const Row &r : rows) {
        EXPECT_EQ(bookingsOverlap(r.aFrom, r.aTill, r.cFrom, r.cTill), r.overlap) << r.why;
        EXPECT_EQ(bookingsOverlap(r.cFrom, r.cTill, r.aFrom, r.aTill), r.overlap)
            << r.why << " (swapped)";
    }
}

class BookingTest : public CalendarTest {
protected:
    void SetUp() override
    {
        CalendarTest::SetUp();
        for (auto [id, title] : {std::pair{"beamer", "Beamer"}, std::pair{"raum1", "Raum 1"}}) {
            tResource r;
            r.setId(id);
            r.setTitle(title);
            ASSERT_EQ(r.insert(), tStoreStatus::Stored);
        }
    }
    tTermin booking(const char *title, tDateTime from, tDateTime till,
                    const char *resource = "beamer", const char *read = "")
    {
        tTermin t = termin(title, from, till, read);
        t.setResource(resource);
        return t;
    }
    std::vector<std::string> conflictTitles(const tTermin &t)
    {
        std::vector<std::string> out;
        for (const tBookingConflict &c : bookingConflicts(store, t))
            out.push_back(c.visible ? std::string(c.other.TITLE)
                                    : "(" + std::string(c.other.TITLE) + ")");
        return out;
    }
};

TEST_F(BookingTest, WhatIsFoundForOneAppointment)
{
    add("anna", booking("Früh", at(3, 6, 2024, 8), at(3, 6, 2024, 9)));
    add("anna", booking("Sitzung", at(3, 6, 2024, 9), at(3, 6, 2024, 11)));
    add("anna", booking("Raum", at(3, 6, 2024, 9), at(3, 6, 2024, 11), "raum1"));
    add("anna", booking("Geheim", at(3, 6, 2024, 12), at(3, 6, 2024, 13), "beamer", "Panna"));
    add("anna", booking("Team", at(3, 6, 2024, 14), at(3, 6, 2024, 15), "beamer", "Gteam"));
    add("anna", booking("Tage", at(1, 6, 2024, 0), at(2, 6, 2024, 23, 59)));
    add("anna", termin("ohne", at(3, 6, 2024, 9), at(3, 6, 2024, 18)));
    setCurrentUser("carl");
    struct Row {
        tTermin t;
        std::vector<std::string> found;
    } rows[] = {
        {booking("a", at(3, 6, 2024, 10), at(3, 6, 2024, 10, 30)), {"Sitzung"}},
        {booking("b", at(3, 6, 2024, 11), at(3, 6, 2024, 12)), {}},
        {booking("c", at(3, 6, 2024, 7), at(3, 6, 2024, 8)), {}},
        {booking("d", at(3, 6, 2024, 8, 59), at(3, 6, 2024, 9, 1)), {"Früh", "Sitzung"}},
        {booking("e", at(3, 6, 2024, 10), at(3, 6, 2024, 12, 1)), {"Sitzung", "(Geheim)"}},
        {booking("f", at(3, 6, 2024, 10), at(3, 6, 2024, 11), "raum1"), {"Raum"}},
        {booking("g", at(3, 6, 2024, 10), at(3, 6, 2024, 11), ""), {}},
        {booking("h", at(3, 6, 2024, 14), at(3, 6, 2024, 14)), {"(Team)"}},
        {booking("i", at(2, 6, 2024, 23), at(3, 6, 2024, 8, 30)), {"Tage", "Früh"}},
    };
    for (const Row &r : rows) EXPECT_EQ(conflictTitles(r.t), r.found) << r.t.TITLE;
    // Bert is in the team: the team's booking is no longer hidden from him.
    setCurrentUser("bert");
    EXPECT_EQ(conflictTitles(rows[7].t), std::vector<std::string>{"Team"});
}

TEST_F(BookingTest, TheRowBeingRewrittenIsNotReported)
{
    tTermin own = add("carl", booking("eigener", at(3, 6, 2024, 9), at(3, 6, 2024, 11)));
    add("carl", booking("anderer", at(3, 6, 2024, 12), at(3, 6, 2024, 13)));
    setCurrentUser("carl");
    tTermin moved = own;
    moved.till = at(3, 6, 2024, 10);
    EXPECT_TRUE(bookingConflicts(store, moved).empty()) << "its own old time is not a booking";
    moved.till = at(3, 6, 2024, 12, 30);
    EXPECT_EQ(conflictTitles(moved), std::vector<std::string>{"anderer"});
    tTermin fresh = own;
    fresh.ID[0] = 0;
    EXPECT_EQ(conflictTitles(fresh), std::vector<std::string>{"eigener"}) << "a new copy of it";
}

TEST_F(BookingTest, ASeriesIsCheckedWithEveryRepetitionAndListsEachBookingOnce)
{
    add("anna", booking("Mo", at(10, 6, 2024, 9), at(10, 6, 2024, 12)));
    add("anna", booking("Di", at(18, 6, 2024, 10), at(18, 6, 2024, 11)));
    add("anna", booking("lang", at(24, 6, 2024, 0), at(30, 6, 2024, 0)));
    add("anna", booking("geheim", at(2, 7, 2024, 9), at(2, 7, 2024, 10), "beamer", "Panna"));
    setCurrentUser("carl");
    // Daily 9:30 to 10:30 from 10.06. for 30 days; the long one meets six repetitions.
    tTermin series = booking("Kurs", at(10, 6, 2024, 9, 30), at(10, 6, 2024, 10, 30));
    tRepeat daily;
    daily.count = 30;
    series.attachRepeat(daily);
    EXPECT_EQ(conflictTitles(series), (std::vector<std::string>{"Mo", "Di", "lang", "(geheim)"}));
    // A series whose repetitions overlap each other does not report them.
    tTermin wide = booking("breit", at(1, 8, 2024, 0), at(3, 8, 2024, 0));
    wide.attachRepeat(daily);
    EXPECT_TRUE(bookingConflicts(store, wide).empty());
}

TEST(BookingQuestion, TextForOneAndForMany)
{
    tTermin a = termin("Sitzung", at(3, 6, 2024, 9), at(3, 6, 2024, 11));
    tTermin b = termin("Messe", at(3, 6, 2024, 9), at(5, 6, 2024, 18, 30));
    EXPECT_EQ(bookingLine(b), "03.06.2024 09:00-05.06.2024 18:30 Messe");
    EXPECT_EQ(bookingQuestion("Beamer", {}), "");
    EXPECT_EQ(bookingQuestion("Beamer", {{a, true}}),
              "Die Ressource Beamer ist in dieser Zeit schon belegt (03.06.2024 09:00-11:00 "
              "Sitzung). Trotzdem speichern?");
    EXPECT_EQ(bookingQuestion("Raum \xE4", {{a, false}}),
              "Die Ressource Raum \xE4 ist in dieser Zeit schon belegt (belegt). Trotzdem "
              "speichern?");
    EXPECT_EQ(bookingQuestion("Beamer", {{a, true}, {b, false}, {a, false}}),
              "Die Ressource Beamer ist in dieser Zeit schon belegt (3 Termine):\n"
              "03.06.2024 09:00-11:00 Sitzung\n2-mal belegt\nTrotzdem speichern?");
    std::vector<tBookingConflict> many;
    for (int d = 1; d <= kBookingLines + 3; d++)
        many.push_back({termin("T", at(d, 7, 2024, 9), at(d, 7, 2024, 10)), true});
    many.push_back({a, false});
    std::string text = bookingQuestion("Beamer", many);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), kBookingLines + 2);
    EXPECT_NE(text.find("(12 Termine):\n01.07.2024 09:00-10:00 T\n"), std::string::npos);
    EXPECT_NE(text.find("\n08.07.2024 09:00-10:00 T\nund 4 weitere\nTrotzdem speichern?"),
              std::string::npos)
        << text;
}

TEST_F(BookingTest, AnImportIsCheckedAgainstTheStoreAndItself)
{
    add("anna", booking("Sitzung", at(3, 6, 2024, 9), at(3, 6, 2024, 11)));
    add("anna", booking("geheim", at(3, 6, 2024, 14), at(3, 6, 2024, 15), "raum1", "Panna"));
    add("carl", booking("schon da", at(4, 6, 2024, 9), at(4, 6, 2024, 10)));
    setCurrentUser("carl");
    std::vector<tTermin> file = {
        booking("frei", at(3, 6, 2024, 11), at(3, 6, 2024, 12)),
        booking("drin", at(3, 6, 2024, 10), at(3, 6, 2024, 12)),
        booking("Raum", at(3, 6, 2024, 14, 30), at(3, 6, 2024, 16), "raum1"),
        booking("schon da", at(4, 6, 2024, 9), at(4, 6, 2024, 10)), // skipped by the import
        termin("ohne", at(3, 6, 2024, 9), at(3, 6, 2024, 18)),
        booking("zweimal", at(3, 6, 2024, 15, 30), at(3, 6, 2024, 17), "raum1"),
    };
    std::vector<tImportConflict> found = importConflicts(store, file);
    ASSERT_EQ(found.size(), 4u);
    EXPECT_STREQ(found[0].entry.TITLE, "drin");
    EXPECT_STREQ(found[0].with.other.TITLE, "Sitzung");
    EXPECT_STREQ(found[1].with.other.TITLE, "frei") << "an earlier entry of the file";
    EXPECT_FALSE(found[2].with.visible);
    EXPECT_STREQ(found[3].entry.TITLE, "zweimal");
    EXPECT_STREQ(found[3].with.other.TITLE, "Raum");
    EXPECT_EQ(importQuestion(found),
              "Die Datei belegt Ressourcen, die in dieser Zeit schon belegt sind:\n"
              "Beamer: 03.06.2024 09:00-11:00 Sitzung\n"
              "Beamer: 03.06.2024 11:00-12:00 frei\n"
              "Raum 1: 03.06.2024 14:30-16:00 Raum\n"
              "Raum 1: belegt\n"
              "Trotzdem importieren?");
    EXPECT_EQ(importQuestion({}), "");
}

} // namespace
