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

std::string date(const tDate &d)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d", d.day, d.month, d.year);
    return text;
}

tDateTime at(const char *ddmmyyyy, int hour)
{
    tDateTime t;
    std::sscanf(ddmmyyyy, "%d.%d.%d", &t.day, &t.month, &t.year);
    t.hour = hour;
    return t;
}

// Repetitions as "dd.mm.yyyy" (within one day) or "dd.mm.yyyy-dd.mm.yyyy", space-separated.
std::string shown(const std::vector<tOccurrence> &list)
{
    std::string out;
    for (const tOccurrence &o : list) {
        out += out.empty() ? "" : " ";
        out += o.from.sameDay(o.till) ? date(o.from) : date(o.from) + "-" + date(o.till);
    }
    return out;
}

// A row: the rule, the first appointment from 10:00 on its first day to 12:00 on its last
// ("dd.mm.yyyy" or "dd.mm.yyyy-dd.mm.yyyy"), and the repetitions.
struct Case {
    const char *what;
    tRepeat rule;
    const char *first;
    const char *expected;
};

const tRepeat kDefault;
constexpr char D = tRepeat::Day, W = tRepeat::Weekday;
constexpr char A = tRepeat::Always, E = tRepeat::EveryMonth, T = tRepeat::ThisMonth;

const Case kCases[] = {
    {"default rule: the next day", kDefault, "10.03.1997", "11.03.1997"},
    {"daily across the year end", rule('D', 2), "31.12.1996", "01.01.1997 02.01.1997"},
    {"weekly from Monday", rule('W', 3), "30.12.1996", "06.01.1997 13.01.1997 20.01.1997"},
    {"weekly keeps a three-day length", rule('W', 2), "30.12.1996-01.01.1997",
     "06.01.1997-08.01.1997 13.01.1997-15.01.1997"},
    {"monthly from the 31st skips short months", rule('M', 3), "31.01.1997",
     "31.03.1997 31.05.1997 31.07.1997"},
    {"monthly across the year end", rule('M', 3), "15.11.1996", "15.12.1996 15.01.1997 15.02.1997"},
    {"yearly 29 February waits for leap years", rule('Y', 2), "29.02.1996",
     "29.02.2000 29.02.2004"},
    {"yearly 29 February past 2100, no leap year", rule('Y', 1), "29.02.2096", "29.02.2104"},
    {"yearly: an end on 29 February becomes the 28th", rule('Y', 1), "28.02.1996-29.02.1996",
     "28.02.1997"},
    {"last Friday of each month", every(0, W, E, 2), "26.07.1996", "30.08.1996 27.09.1996"},
    {"second Tuesday of each month", every(2, W, E, 1), "09.07.1996", "13.08.1996"},
    {"fifth Tuesday: one the month lacks falls into the next, and the series goes on from there",
     every(5, W, E, 3), "30.07.1996", "03.09.1996 29.10.1996 03.12.1996"},
    {"a three-day appointment by a weekday rule lasts one day", every(2, W, E, 1),
     "09.07.1996-11.07.1996", "13.08.1996"},
    {"last Monday of May each year", every(0, W, T, 2), "31.05.1999", "29.05.2000 28.05.2001"},
    {"last day of each month across a leap February", every(0, D, E, 4), "30.11.1999",
     "31.12.1999 31.01.2000 29.02.2000 31.03.2000"},
    {"last day of each month across a common February", every(0, D, E, 2), "31.01.1997",
     "28.02.1997 31.03.1997"},
    {"last day of this month each year", every(0, D, T, 3), "28.02.1999",
     "29.02.2000 28.02.2001 28.02.2002"},
    {"every third day", every(3, D, A, 2), "30.01.1997", "02.02.1997 05.02.1997"},
    {"every second week", every(2, W, A, 1), "30.01.1997", "13.02.1997"},
    {"day N each month is monthly", every(10, D, E, 2), "31.01.1997", "31.03.1997 31.05.1997"},
    {"weekday N in this month is yearly", every(3, W, T, 1), "15.03.1997", "15.03.1998"},
    {"no unit with this month is yearly", every(3, 0, T, 1), "15.03.1997", "15.03.1998"},
    {"no unit, always", every(3, 0, A, 2), "15.03.1997", ""},
    {"no unit, each month", every(3, 0, E, 2), "15.03.1997", ""},
    {"last day, always", every(0, D, A, 2), "15.03.1997", ""},
    {"last weekday, always", every(0, W, A, 2), "15.03.1997", ""},
    {"count 0", rule('D', 0), "15.03.1997", ""},
    {"negative count", rule('W', -3), "15.03.1997", ""},
    {"N beyond 31", every(32, D, A, 2), "15.03.1997", ""},
    {"negative N", every(-1, W, E, 2), "15.03.1997", ""},
    {"unknown rhythm", rule('Q', 2), "15.03.1997", ""},
    {"a start that is no date", rule('M', 2), "31.02.1997", ""},
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
    EXPECT_EQ(int(kDefault.ordinal), 1);
    EXPECT_EQ(int(kDefault.count), 1);
}

TEST(Repeat, ExpandsEveryRule)
{
    for (const Case &c : kCases) {
        std::string first = c.first, last = first.substr(first.find('-') + 1);
        tDateTime from = at(first.c_str(), 10), till = at(last.c_str(), 12);
        std::vector<tOccurrence> got = repetitions(c.rule, from, till);
        EXPECT_EQ(shown(got), c.expected) << c.what;
        for (const tOccurrence &o : got) {
            EXPECT_TRUE(o.from.hour == 10 && o.till.hour == 12) << c.what << ": times stay";
            EXPECT_TRUE(o.from.valid() && o.till.valid()) << c.what;
        }
    }
}

TEST(Repeat, StopsWhenAsked)
{
    int seen = 0;
    expandRepeat(rule('D', 1000000), at("01.01.2000", 10), at("01.01.2000", 12),
                 [&](const tOccurrence &) { return ++seen < 3; });
    EXPECT_EQ(seen, 3);
}

} // namespace
