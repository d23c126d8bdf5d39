// The recurrence rule and its expansion, table-driven: each row a rule, a first appointment and
// the repetitions it must give.
#include "calendar/repeat.h"

#include "date_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace velk;

namespace {

tRepeat rule(char rhythm, int count, char unit = 0, char scope = tRepeat::Always, int n = 1)
{
    tRepeat r;
    r.rhythm = rhythm;
    r.unit = unit;
    r.scope = scope;
    r.ordinal = int16_t(n);
    r.count = count;
    return r;
}

tRepeat every(int n, char unit, char scope, int count) { return rule('X', count, unit, scope, n); }

tDateTime at(int d, int m, int y, int hour = 10, int minute = 0)
{
    tDateTime t;
    t.set(y, m, d);
    t.hour = hour;
    t.minute = minute;
    return t;
}

std::string date(const tDate &d)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d", d.day, d.month, d.year);
    return text;
}

// "dd.mm.yyyy" for a repetition within one day, "dd.mm.yyyy-dd.mm.yyyy" for a longer one.
std::vector<std::string> shown(const std::vector<tOccurrence> &list)
{
    std::vector<std::string> out;
    for (const tOccurrence &o : list)
        out.push_back(o.from.sameDay(o.till) ? date(o.from) : date(o.from) + "-" + date(o.till));
    return out;
}

struct Case {
    const char *what;
    tRepeat rule;
    tDateTime from, till;
    std::vector<std::string> expected;
};

const tRepeat kDefault;
constexpr char D = tRepeat::Day, W = tRepeat::Weekday;
constexpr char A = tRepeat::Always, E = tRepeat::EveryMonth, T = tRepeat::ThisMonth;

const Case kCases[] = {
    {"default rule: the next day", kDefault, at(10, 3, 1997), at(10, 3, 1997), {"11.03.1997"}},
    {"daily across the year end",
     rule('D', 2),
     at(31, 12, 1996),
     at(31, 12, 1996),
     {"01.01.1997", "02.01.1997"}},
    {"weekly from Monday 30.12.1996",
     rule('W', 3),
     at(30, 12, 1996),
     at(30, 12, 1996),
     {"06.01.1997", "13.01.1997", "20.01.1997"}},
    {"weekly keeps a three-day length",
     rule('W', 2),
     at(30, 12, 1996),
     at(1, 1, 1997, 12),
     {"06.01.1997-08.01.1997", "13.01.1997-15.01.1997"}},
    {"monthly from the 31st skips short months",
     rule('M', 3),
     at(31, 1, 1997),
     at(31, 1, 1997),
     {"31.03.1997", "31.05.1997", "31.07.1997"}},
    {"monthly across the year end",
     rule('M', 3),
     at(15, 11, 1996),
     at(15, 11, 1996),
     {"15.12.1996", "15.01.1997", "15.02.1997"}},
    {"yearly 29 February waits for leap years",
     rule('Y', 2),
     at(29, 2, 1996),
     at(29, 2, 1996),
     {"29.02.2000", "29.02.2004"}},
    {"yearly 29 February past 2100, no leap year",
     rule('Y', 1),
     at(29, 2, 2096),
     at(29, 2, 2096),
     {"29.02.2104"}},
    {"yearly: an end on 29 February becomes the 28th",
     rule('Y', 1),
     at(28, 2, 1996),
     at(29, 2, 1996),
     {"28.02.1997"}},
    {"last Friday of each month",
     every(0, W, E, 2),
     at(26, 7, 1996),
     at(26, 7, 1996),
     {"30.08.1996", "27.09.1996"}},
    {"second Tuesday of each month",
     every(2, W, E, 1),
     at(9, 7, 1996),
     at(9, 7, 1996),
     {"13.08.1996"}},
    {"fifth Tuesday: a month without one gives the next month's first, and goes on from there",
     every(5, W, E, 3),
     at(30, 7, 1996),
     at(30, 7, 1996),
     {"03.09.1996", "29.10.1996", "03.12.1996"}},
    {"a three-day appointment by a weekday rule lasts one day",
     every(2, W, E, 1),
     at(9, 7, 1996),
     at(11, 7, 1996, 12),
     {"13.08.1996"}},
    {"last Monday of May each year",
     every(0, W, T, 2),
     at(31, 5, 1999),
     at(31, 5, 1999),
     {"29.05.2000", "28.05.2001"}},
    {"last day of each month across a leap February",
     every(0, D, E, 4),
     at(30, 11, 1999),
     at(30, 11, 1999),
     {"31.12.1999", "31.01.2000", "29.02.2000", "31.03.2000"}},
    {"last day of each month across a common February",
     every(0, D, E, 2),
     at(31, 1, 1997),
     at(31, 1, 1997),
     {"28.02.1997", "31.03.1997"}},
    {"last day of this month each year",
     every(0, D, T, 3),
     at(28, 2, 1999),
     at(28, 2, 1999),
     {"29.02.2000", "28.02.2001", "28.02.2002"}},
    {"every third day",
     every(3, D, A, 2),
     at(30, 1, 1997),
     at(30, 1, 1997),
     {"02.02.1997", "05.02.1997"}},
    {"every second week", every(2, W, A, 1), at(30, 1, 1997), at(30, 1, 1997), {"13.02.1997"}},
    {"day N each month is monthly",
     every(10, D, E, 2),
     at(31, 1, 1997),
     at(31, 1, 1997),
     {"31.03.1997", "31.05.1997"}},
    {"day or weekday N in this month is yearly",
     every(3, W, T, 1),
     at(15, 3, 1997),
     at(15, 3, 1997),
     {"15.03.1998"}},
    {"no unit with this month is yearly",
     every(3, 0, T, 1),
     at(15, 3, 1997),
     at(15, 3, 1997),
     {"15.03.1998"}},
    {"no unit, always", every(3, 0, A, 2), at(15, 3, 1997), at(15, 3, 1997), {}},
    {"no unit, each month", every(3, 0, E, 2), at(15, 3, 1997), at(15, 3, 1997), {}},
    {"last day, always", every(0, D, A, 2), at(15, 3, 1997), at(15, 3, 1997), {}},
    {"last weekday, always", every(0, W, A, 2), at(15, 3, 1997), at(15, 3, 1997), {}},
    {"count 0", rule('D', 0), at(15, 3, 1997), at(15, 3, 1997), {}},
    {"negative count", rule('W', -3), at(15, 3, 1997), at(15, 3, 1997), {}},
    {"N beyond 31", every(32, D, A, 2), at(15, 3, 1997), at(15, 3, 1997), {}},
    {"negative N", every(-1, W, E, 2), at(15, 3, 1997), at(15, 3, 1997), {}},
    {"unknown rhythm", rule('Q', 2), at(15, 3, 1997), at(15, 3, 1997), {}},
    {"a start that is no date", rule('M', 2), at(31, 2, 1997), at(31, 2, 1997), {}},
};

TEST(Repeat, IsNineBytesAsLaidOut)
{
    tRepeat r = every(0x1234, 'W', 'E', 0x01020304);
    const unsigned char *b = reinterpret_cast<const unsigned char *>(&r);
    EXPECT_EQ(b[0], 'X');
    EXPECT_EQ(b[1], 'W');
    EXPECT_EQ(b[2], 'E');
    EXPECT_EQ(b[3] | b[4] << 8, 0x1234);
    EXPECT_EQ(b[5] | b[6] << 8 | b[7] << 16 | b[8] << 24, 0x01020304);
    EXPECT_EQ(kDefault.rhythm, 'D');
    EXPECT_EQ(kDefault.unit, 0);
    EXPECT_EQ(kDefault.scope, 'A');
    EXPECT_EQ(kDefault.ordinal, 1);
    EXPECT_EQ(kDefault.count, 1);
}

TEST(Repeat, ExpandsEveryRule)
{
    for (const Case &c : kCases) {
        std::vector<tOccurrence> got = repetitions(c.rule, c.from, c.till);
        EXPECT_EQ(shown(got), c.expected) << c.what;
        for (const tOccurrence &o : got) {
            EXPECT_EQ(o.from.hour, c.from.hour) << c.what << ": times stay";
            EXPECT_EQ(o.till.hour, c.till.hour) << c.what << ": times stay";
            EXPECT_TRUE(o.from.valid() && o.till.valid()) << c.what;
        }
    }
}

TEST(Repeat, StopsWhenAsked)
{
    int seen = 0;
    expandRepeat(rule('D', 1000000), at(1, 1, 2000), at(1, 1, 2000),
                 [&](const tOccurrence &) { return ++seen < 3; });
    EXPECT_EQ(seen, 3);
}

} // namespace
