#include "base/holidays.h"

#include "date_test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

using namespace velk;

namespace {

using namespace std::chrono;

std::vector<const tTag *> entriesNamed(const tJahr &jahr, const std::string &name)
{
    std::vector<const tTag *> found;
    for (const tTag *t = jahr.first(); t; t = t->next())
        if (t->name() == name) found.push_back(t);
    return found;
}

std::vector<std::string> names(const std::vector<const tTag *> &entries)
{
    std::vector<std::string> result;
    for (const tTag *t : entries) result.push_back(t->name());
    return result;
}

struct KnownHoliday {
    int year;
    const char *name;
    int day;
    int month;
};

class HolidayKnownDates : public testing::TestWithParam<KnownHoliday> {};

TEST_P(HolidayKnownDates, FallOnTheirDay)
{
    const KnownHoliday &h = GetParam();
    tJahr jahr(h.year);
    auto found = entriesNamed(jahr, h.name);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]->date(), (tDate{h.day, h.month, h.year}));
}

INSTANTIATE_TEST_SUITE_P(
    Years, HolidayKnownDates,
    testing::Values(KnownHoliday{1996, "Ostern", 7, 4}, KnownHoliday{1996, "Karfreitag", 5, 4},
                    KnownHoliday{1996, "Ostermontag", 8, 4},
                    KnownHoliday{1996, "Himmelfahrt", 16, 5},
                    KnownHoliday{1996, "Pfingsten", 26, 5},
                    KnownHoliday{1996, "Pfingstmontag", 27, 5},
                    KnownHoliday{1996, "Fronleichnam", 6, 6}, KnownHoliday{1996, "Busstag", 20, 11},
                    KnownHoliday{2000, "Ostern", 23, 4}, KnownHoliday{2008, "Ostern", 23, 3},
                    KnownHoliday{2008, "Himmelfahrt", 1, 5},
                    KnownHoliday{1981, "Ostern", 19, 4}, // would be 26 April
                    KnownHoliday{1954, "Ostern", 18, 4}, // would be 25 April
                    KnownHoliday{1997, "Hl. 3 Könige", 6, 1}));

// The anonymous Gregorian algorithm (Meeus, Jones, Butcher), kept apart from Gauss's formula.
tDate computusEaster(int y)
{
    int a = y % 19, b = y / 100, c = y % 100, d = b / 4, e = b % 4;
    int f = (b + 8) / 25, g = (b - f + 1) / 3;
    int h = (19 * a + b - d - g + 15) % 30;
    int i = c / 4, k = c % 4;
    int l = (32 + 2 * e + 2 * i - h - k) % 7;
    int m = (a + 11 * h + 22 * l) / 451;
    int n = h + l - 7 * m + 114;
    return tDate{n % 31 + 1, n / 31, y};
}

TEST(HolidayEaster, MatchesTheGregorianComputus)
{
    for (int y = 1583; y <= 4199; ++y) ASSERT_EQ(tJahr::easterSunday(y), computusEaster(y)) << y;
}

TEST(HolidayEaster, IsASundayInSpringForAnyYear)
{
    for (int y = -2000; y <= 9999; ++y) {
        tDate easter = tJahr::easterSunday(y);
        ASSERT_TRUE(easter.valid()) << y;
        ASSERT_EQ(easter.weekday(), 0) << y;
        ASSERT_FALSE(easter.before(tDate{22, 3, y})) << y;
        ASSERT_FALSE((tDate{25, 4, y}.before(easter))) << y;
    }
}

// Where each holiday lies: days after Easter Sunday, or a fixed day and month (Busstag apart).
struct Expected {
    int kind;
    int afterEaster;
    int day = 0;
    int month = 0;
};

const std::map<std::string, Expected> kExpected = {
    {"Ostern", {1, 0}},
    {"Ostermontag", {1, 1}},
    {"Pfingsten", {1, 49}},
    {"Pfingstmontag", {1, 50}},
    {"Karfreitag", {1, -2}},
    {"Himmelfahrt", {1, 39}},
    {"Fronleichnam", {2, 60}},
    {"Busstag", {2, 0, -1, 11}},
    {"Neujahr", {1, 0, 1, 1}},
    {"Tag der Arbeit", {1, 0, 1, 5}},
    {"Hl. 3 Könige", {2, 0, 6, 1}},
    {"T.d.dt.Einheit", {1, 0, 3, 10}},
    {"Reformationstag", {2, 0, 31, 10}},
    {"Allerheiligen", {2, 0, 1, 11}},
    {"1. Weihnachtstag", {1, 0, 25, 12}},
    {"2. Weihnachtstag", {1, 0, 26, 12}},
};

void checkEntry(const tTag &t, int y)
{
    SCOPED_TRACE(t.name());
    ASSERT_TRUE(kExpected.count(t.name()));
    const Expected &e = kExpected.at(t.name());
    EXPECT_EQ(t.kind(), e.kind);
    EXPECT_EQ(t.flag(), 1);
    ASSERT_TRUE(t.date().valid());
    EXPECT_EQ(t.date().year, y);
    if (e.day > 0) {
        EXPECT_EQ(t.date(), (tDate{e.day, e.month, y}));
    } else if (e.day < 0) {
        EXPECT_EQ(t.date().weekday(), 3);
        EXPECT_EQ(t.date().month, 11);
        EXPECT_TRUE(t.date().day >= 16 && t.date().day <= 22) << t.date().day;
    } else {
        auto easter = toChrono(tJahr::easterSunday(y));
        EXPECT_EQ((toChrono(t.date()) - easter).count(), e.afterEaster);
    }
}

void checkList(int y)
{
    SCOPED_TRACE(y);
    tJahr jahr(y);
    EXPECT_EQ(jahr.year(), y);
    std::map<std::string, int> seen;
    int lastNumber = 0;
    for (const tTag *t = jahr.first(); t; t = t->next()) {
        ++seen[t->name()];
        checkEntry(*t, y);
        EXPECT_GE(t->date().dayOfYear(), lastNumber) << t->name();
        lastNumber = t->date().dayOfYear();
    }
    EXPECT_EQ(seen.size(), 16u);
    for (auto &[name, count] : seen) EXPECT_EQ(count, 1) << name;

    EXPECT_EQ(names(jahr.holidaysOf(tDate{3, 10, y})), std::vector<std::string>{"T.d.dt.Einheit"});
}

TEST(HolidayList, SixteenInOrderEveryYear)
{
    for (int y = 1583; y <= 4199; ++y) {
        checkList(y);
        if (HasFailure()) return;
    }
}

TEST(HolidayList, TwoHolidaysOnOneDayAreBothYielded)
{
    tJahr jahr(2008);
    EXPECT_EQ(names(jahr.holidaysOf(tDate{1, 5, 2008})),
              (std::vector<std::string>{"Tag der Arbeit", "Himmelfahrt"}));
    EXPECT_EQ(jahr.kindOf(tDate{1, 5, 2008}), 1);
    EXPECT_TRUE(jahr.holidaysOf(tDate{1, 5, 2007}).empty()); // the year must match
    EXPECT_TRUE(jahr.holidaysOf(tDate{2, 5, 2008}).empty());
}

struct KindCase {
    tDate date;
    int kind;
};

class HolidayKind : public testing::TestWithParam<KindCase> {};

TEST_P(HolidayKind, OfADate) { EXPECT_EQ(tJahr(1997).kindOf(GetParam().date), GetParam().kind); }

INSTANTIATE_TEST_SUITE_P(
    Days, HolidayKind,
    testing::Values(KindCase{{25, 12, 1997}, 1}, KindCase{{1, 11, 1997}, 2},
                    KindCase{{1, 1, 1997}, 1}, KindCase{{26, 12, 1997}, 1},
                    KindCase{{2, 1, 1997}, 0}, KindCase{{24, 12, 1997}, 0}, KindCase{{0, 0, 0}, 0},
                    // only the day number counts: 1 November of a common year in any other
                    KindCase{{1, 11, 2005}, 2}, KindCase{{31, 10, 1996}, 2}));

TEST(HolidayInsertion, KeepsDayOrderAndPlacesNewcomersAsDescribed)
{
    tJahr jahr(1997);
    jahr.add(tTag({0, 0, 1997}, 1, "vorne"));        // below the first: new first
    jahr.add(tTag({0, 0, 1997}, 1, "gleich vorne")); // equal to the first: behind it
    jahr.add(tTag({6, 1, 1997}, 1, "Dreikönig"));    // in front of the day's entry
    jahr.add(tTag({31, 12, 1997}, 1, "Silvester"));  // the end
    std::vector<std::string> all;
    for (const tTag *t = jahr.first(); t; t = t->next()) all.push_back(t->name());
    ASSERT_EQ(all.size(), 20u);
    EXPECT_EQ((std::vector<std::string>(all.begin(), all.begin() + 5)),
              (std::vector<std::string>{"vorne", "gleich vorne", "Neujahr", "Dreikönig",
                                        "Hl. 3 Könige"}));
    EXPECT_EQ(all.back(), "Silvester");
}

TEST(HolidayInsertion, KindSkipsEntriesWithoutKind)
{
    tJahr jahr(1997);
    jahr.add(tTag({2, 1, 1997}, tTag::Regional, "regional"));
    jahr.add(tTag({2, 1, 1997}, tTag::None, "ohne"));
    EXPECT_EQ(names(jahr.holidaysOf(tDate{2, 1, 1997})),
              (std::vector<std::string>{"ohne", "regional"}));
    EXPECT_EQ(jahr.kindOf(tDate{2, 1, 1997}), 2);
}

TEST(HolidayEntry, NameIsCutToFortyCharacters)
{
    EXPECT_EQ(tTag({}, 1, std::string(50, 'x')).name(), std::string(40, 'x'));
    std::string umlauts;
    for (int i = 0; i < 41; ++i) umlauts += "ö";
    std::string forty = umlauts.substr(0, 80);
    EXPECT_EQ(tTag({}, 1, umlauts).name(), forty);
    EXPECT_EQ(tTag({}, 1, std::string(39, 'x') + "ö").name(), std::string(39, 'x') + "ö");
}

TEST(HolidayEntry, CopiesOutliveTheirListAndCarryNoLink)
{
    auto jahr = std::make_unique<tJahr>(1996);
    tTag copy(*jahr->first());
    ASSERT_NE(jahr->first()->next(), nullptr);
    jahr.reset();
    EXPECT_EQ(copy.next(), nullptr);
    EXPECT_EQ(copy.name(), "Neujahr");
    EXPECT_EQ(copy.date(), (tDate{1, 1, 1996}));
}

TEST(HolidayList, MovesToANewYear)
{
    tJahr jahr(1996);
    jahr = tJahr(2008);
    EXPECT_EQ(jahr.year(), 2008);
    EXPECT_EQ(jahr.first()->date(), (tDate{1, 1, 2008}));
    tJahr moved(std::move(jahr));
    EXPECT_EQ(moved.year(), 2008);
    EXPECT_EQ(names(moved.holidaysOf(tDate{25, 12, 2008})),
              std::vector<std::string>{"1. Weihnachtstag"});
}

} // namespace
