#include "base/date.h"

#include "date_test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

using namespace velk;

namespace {

using namespace std::chrono;

TEST(DateKnownDays, WeekdayAndDayOfYear)
{
    EXPECT_EQ((tDate{1, 1, 2001}.weekday()), 1);
    EXPECT_EQ((tDate{25, 12, 1996}.weekday()), 3);
    EXPECT_EQ((tDate{1, 3, 1996}.dayOfYear()), 61);
    EXPECT_EQ((tDate{1, 3, 1997}.dayOfYear()), 60);
    EXPECT_EQ((tDate{31, 12, 1996}.dayOfYear()), 366);
}

TEST(DateKnownDays, StepsAcrossTheYearEnd)
{
    tDate d{31, 12, 1996};
    EXPECT_EQ(d.nextDay(), (tDate{1, 1, 1997}));
    EXPECT_EQ(d.prevDay(), (tDate{31, 12, 1996}));
    EXPECT_EQ(d.prevDay(), (tDate{30, 12, 1996}));
}

TEST(DateKnownDays, Validity)
{
    EXPECT_FALSE((tDate{29, 2, 1900}.valid()));
    EXPECT_TRUE((tDate{29, 2, 2000}.valid()));
    EXPECT_FALSE((tDate{0, 5, 1996}.valid()));
    EXPECT_FALSE((tDate{32, 1, 1996}.valid()));
    EXPECT_TRUE((tDate{29, 2, 0}.valid())); // a birthday without a year
    EXPECT_FALSE((tDate{30, 2, 0}.valid()));
    EXPECT_FALSE((tDate{-1, 1, 1996}.valid()));
}

TEST(DateValidity, AgreesWithChronoOverFourCenturies)
{
    for (int y = -400; y <= 2400; ++y)
        for (int m = 0; m <= 13; ++m)
            for (int d = 0; d <= 32; ++d) {
                bool expected = (year{y} / month{unsigned(m)} / day{unsigned(d)}).ok();
                ASSERT_EQ((tDate{d, m, y}.valid()), expected) << d << "." << m << "." << y;
            }
}

TEST(DateIncomplete, HasNoDayNumberAndStepsBackToTheYearBefore)
{
    EXPECT_EQ((tDate{0, 5, 1996}.dayOfYear()), 0);
    EXPECT_EQ((tDate{7, 0, 1996}.dayOfYear()), 0);
    tDate cleared{3, 4, 5};
    cleared.clear();
    EXPECT_EQ(cleared, (tDate{0, 0, 0}));
    EXPECT_EQ(tDate(cleared).prevDay(), (tDate{31, 12, -1}));
    EXPECT_EQ((tDate{0, 3, 1996}.prevDay()), (tDate{31, 12, 1995}));
    EXPECT_EQ((tDate{0, 0, 1996}.nextDay()), (tDate{1, 1, 1996}));
}

TEST(DateYearZero, IsAnOrdinaryLeapYear)
{
    EXPECT_EQ((tDate{1, 3, 0}.dayOfYear()), 61);
    EXPECT_EQ((tDate{28, 2, 0}.nextDay()), (tDate{29, 2, 0}));
    EXPECT_EQ((tDate{31, 12, -1}.nextDay()), (tDate{1, 1, 0}));
    EXPECT_TRUE((tDate{5, 5, 0}.before(tDate{6, 5, 0})));
}

struct DayNumberCase {
    tDate start;
    int n;
    tDate expected;
};

class DateSetDayOfYear : public testing::TestWithParam<DayNumberCase> {};

TEST_P(DateSetDayOfYear, CarriesIntoNeighbouringYears)
{
    tDate d = GetParam().start;
    d.setDayOfYear(GetParam().n);
    EXPECT_EQ(d, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, DateSetDayOfYear,
    testing::Values(DayNumberCase{{5, 6, 1996}, 60, {29, 2, 1996}},
                    DayNumberCase{{5, 6, 1997}, 60, {1, 3, 1997}},
                    DayNumberCase{{5, 6, 1997}, 366, {1, 1, 1998}},
                    DayNumberCase{{5, 6, 1997}, 0, {31, 12, 1996}},
                    DayNumberCase{{5, 6, 1997}, -365, {1, 1, 1996}},
                    DayNumberCase{{1, 1, 2000}, 2 * 146097 + 1, {1, 1, 2800}},
                    DayNumberCase{{1, 1, 2000},
                                  10'000'000,
                                  fromChrono(sys_days{2000y / 1 / 1} + days{9'999'999})},
                    DayNumberCase{{1, 1, 2000},
                                  -10'000'000,
                                  fromChrono(sys_days{2000y / 1 / 1} - days{10'000'001})}));

struct DateTimeCase {
    tDateTime a;
    tDateTime b;
    bool before;
};

class DateTimeBefore : public testing::TestWithParam<DateTimeCase> {};

TEST_P(DateTimeBefore, ComparesToTheMinute)
{
    EXPECT_EQ(GetParam().a.before(GetParam().b), GetParam().before);
}

INSTANTIATE_TEST_SUITE_P(
    Times, DateTimeBefore,
    testing::Values(DateTimeCase{{{1, 2, 2000}, 10, 15}, {{1, 2, 2000}, 10, 15}, false},
                    DateTimeCase{{{1, 2, 2000}, 10, 15}, {{1, 2, 2000}, 10, 16}, true},
                    DateTimeCase{{{1, 2, 2000}, 9, 59}, {{1, 2, 2000}, 10, 0}, true},
                    DateTimeCase{{{1, 2, 2000}, 11, 0}, {{1, 2, 2000}, 10, 59}, false},
                    DateTimeCase{{{1, 2, 2000}, 23, 59}, {{2, 2, 2000}, 0, 0}, true},
                    // a later day is never before, whatever its time
                    DateTimeCase{{{2, 2, 2000}, 10, 14}, {{1, 2, 2000}, 10, 15}, false},
                    DateTimeCase{{{31, 12, 1999}, 10, 30}, {{1, 1, 2000}, 10, 0}, true}));

TEST(DateTime, ValidTime)
{
    EXPECT_TRUE((tDateTime{{}, 0, 0}.validTime()));
    EXPECT_TRUE((tDateTime{{}, 23, 59}.validTime()));
    EXPECT_FALSE((tDateTime{{}, 24, 0}.validTime()));
    EXPECT_FALSE((tDateTime{{}, 12, 60}.validTime()));
    EXPECT_FALSE((tDateTime{{}, -1, 0}.validTime()));
    EXPECT_FALSE((tDateTime{{}, 0, -1}.validTime()));
}

tDateTime localDateTime(std::time_t t)
{
    std::tm tm{};
    localtime_r(&t, &tm);
    return tDateTime{{tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900}, tm.tm_hour, tm.tm_min};
}

TEST(DateClock, TodayAndNowAreTheLocalDateAndTime)
{
    // The clock may pass a minute (or midnight) during the calls: accept either side of it.
    tDateTime before = localDateTime(std::time(nullptr));
    tDate today = tDate::today();
    tDateTime now = tDateTime::now();
    tDateTime after = localDateTime(std::time(nullptr));
    EXPECT_TRUE(today.sameDay(before) || today.sameDay(after)) << testing::PrintToString(today);
    EXPECT_TRUE(now == before || now == after) << testing::PrintToString(now);
    EXPECT_TRUE(now.valid() && now.validTime());
}

// Walks every day of the years [first, last] and compares with std::chrono's proleptic Gregorian
// calendar, which supplies each month's length and first day.  Failures are counted rather than
// asserted one by one, and dates are never converted back from chrono, to keep the walk fast.
class DateAgainstChrono : public testing::TestWithParam<std::pair<int, int>> {};

TEST_P(DateAgainstChrono, EveryDay)
{
    auto [firstYear, lastYear] = GetParam();
    tDate previous{31, 12, firstYear - 1};
    long failures = 0;
    auto check = [&](bool ok, const char *what, const tDate &d) {
        if (!ok && ++failures <= 10)
            ADD_FAILURE() << what << " wrong for " << testing::PrintToString(d);
    };
    for (int y = firstYear; y <= lastYear; ++y) {
        sys_days yearStart{year{y} / 1 / 1};
        for (unsigned m = 1; m <= 12; ++m) {
            sys_days monthStart{year{y} / month{m} / 1};
            int length = static_cast<int>(unsigned{(year{y} / month{m} / last).day()});
            tDate d{1, static_cast<int>(m), y};
            check(d.daysInMonth() == length && !tDate{length + 1, d.month, y}.valid(), "length", d);
            unsigned wd = weekday{monthStart}.c_encoding();
            int number = static_cast<int>((monthStart - yearStart).count()) + 1;
            for (; d.day <= length; ++d.day, ++number, wd = (wd + 1) % 7) {
                check(d.valid(), "valid", d);
                check(d.dayOfYear() == number, "day of year", d);
                check(d.weekday() == static_cast<int>(wd), "weekday", d);
                tDate fromNumber{1, 1, y};
                fromNumber.setDayOfYear(number);
                check(fromNumber == d, "set day of year", d);
                check(tDate(previous).nextDay() == d, "next day", previous);
                check(tDate(d).prevDay() == previous, "previous day", d);
                check(previous.before(d) && !d.before(previous) && !d.before(d), "before", d);
                previous = d;
            }
        }
    }
    EXPECT_EQ(failures, 0);
}

INSTANTIATE_TEST_SUITE_P(Years, DateAgainstChrono,
                         testing::Values(std::pair{1, 9999}, std::pair{-800, 0}));

} // namespace
