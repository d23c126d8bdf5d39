// The calendar beside a dialog's date fields: the day it opens on, what a picked day writes into
// the fields, how it marks Sundays, holidays and today.
#include <gtest/gtest.h>

#include "shell/core/date_pick.h"

using namespace velk;

namespace {

const tDate kToday{10, 12, 2026};

} // namespace

TEST(DatePick, OpensOnTheTypedDateElseToday)
{
    struct Case {
        const char *day, *month, *year;
        tDate start;
    };
    const Case cases[] = {
        {"9", "7", "1996", {9, 7, 1996}},
        {" 9", " 7", "1996", {9, 7, 1996}},   // as the person dialog shows it
        {"09", "07", "2031", {9, 7, 2031}},   //
        {"9", "7", "96", {9, 7, 96}},         // a two-digit year is the year 96, as OK reads it
        {"29", "2", "2024", {29, 2, 2024}},   //
        {"29", "2", "2023", kToday},          // no such day
        {"31", "4", "2026", kToday},          //
        {"", "", "", kToday},                 // nothing typed
        {"0", "0", "0", kToday},              // a birthday not known
        {"9", "13", "1996", kToday},          //
        {"9", "7", "0", {9, 7, 2026}},        // a birthday without a year: this year's
        {"29", "2", "0", {28, 2, 2026}},      // ... the 28th where this year has no 29th
        {"1", "1", "10000", kToday},          // beyond what the calendar shows
        {"1", "1", "9999", {1, 1, 9999}},     //
        {"x", "7", "1996", kToday},           // no number: 0
        {"12abc", "7", "1996", {12, 7, 1996}} // digits up to the first other character
    };
    for (const Case &c : cases)
        EXPECT_EQ(pickStartDate(c.day, c.month, c.year, kToday), c.start)
            << c.day << "." << c.month << "." << c.year;
}

TEST(DatePick, APickedDayIsWrittenAsTyped)
{
    struct Case {
        tDate picked;
        const char *day, *month, *year;
    };
    const Case cases[] = {
        {{9, 7, 1996}, "9", "7", "1996"},
        {{31, 12, 2026}, "31", "12", "2026"},
        {{1, 1, 96}, "1", "1", "0096"},
        {{5, 10, 1}, "5", "10", "0001"},
    };
    for (const Case &c : cases) {
        const tPickFields f = pickedFields(c.picked);
        EXPECT_EQ(f.day, c.day);
        EXPECT_EQ(f.month, c.month);
        EXPECT_EQ(f.year, c.year);
    }
}

TEST(DatePick, SundaysAndHolidaysRedTodayMarked)
{
    struct Case {
        tDate day;
        bool red, today;
        const char *holidays;
    };
    const Case cases[] = {
        {{13, 12, 2026}, true, false, ""},                          // a Sunday
        {{14, 12, 2026}, false, false, ""},                         // a Monday
        {{12, 12, 2026}, false, false, ""},                         // a Saturday
        {{10, 12, 2026}, false, true, ""},                          // today, a Thursday
        {{25, 12, 2026}, true, false, "1. Weihnachtstag"},          // a Friday
        {{3, 10, 2026}, true, false, "T.d.dt.Einheit"},             //
        {{5, 4, 2026}, true, false, "Ostern"},                      // Easter Sunday
        {{6, 1, 2026}, true, false, "Hl. 3 K\xc3\xb6nige"},         // a regional holiday, UTF-8
        {{1, 5, 2008}, true, false, "Tag der Arbeit, Himmelfahrt"}, // two on one day
    };
    for (const Case &c : cases) {
        const tPickDayLook look = pickDayLook(c.day, kToday);
        EXPECT_EQ(look.red, c.red) << c.day.day << "." << c.day.month << "." << c.day.year;
        EXPECT_EQ(look.today, c.today) << c.day.day << "." << c.day.month;
        EXPECT_EQ(look.holidays, c.holidays) << c.day.day << "." << c.day.month;
    }
}
