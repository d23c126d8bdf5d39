// What the appointment, recurrence and alarm dialogs check on OK and report after a store,
// without a window: table-driven.
#include "calendar/termin_rules.h"

#include <gtest/gtest.h>

using namespace velk;

namespace {

tTerminFields fields(int fd, int fm, int fy, int fh, int fmin, int td, int tm, int ty, int th,
                     int tmin)
{
    return {fd, fm, fy, fh, fmin, td, tm, ty, th, tmin};
}

TEST(TerminRules, AppointmentOkStepsInOrder)
{
    struct Case {
        const char *what;
        tTerminFields in;
        tTerminCheck expected;
        tDate till; // the end date given when Ok
    };
    const Case cases[] = {
        {"29.02.1900 is no date",
         fields(29, 2, 1900, 10, 0, 1, 3, 1900, 11, 0),
         tTerminCheck::BadStartDate,
         {}},
        {"29.02.2000 is one",
         fields(29, 2, 2000, 10, 0, 29, 2, 2000, 11, 0),
         tTerminCheck::Ok,
         {29, 2, 2000}},
        {"empty end takes the start's date",
         fields(5, 6, 2024, 9, 0, 0, 0, 0, 10, 0),
         tTerminCheck::Ok,
         {5, 6, 2024}},
        {"only the end day typed",
         fields(5, 6, 2024, 9, 0, 7, 0, 0, 10, 0),
         tTerminCheck::Ok,
         {7, 6, 2024}},
        {"10:00 to 09:00 on one day passes",
         fields(5, 6, 2024, 10, 0, 5, 6, 2024, 9, 0),
         tTerminCheck::Ok,
         {5, 6, 2024}},
        {"start date before anything else",
         fields(31, 4, 2024, 25, 0, 40, 1, 2024, 99, 99),
         tTerminCheck::BadStartDate,
         {}},
        {"end date before the order of dates",
         fields(1, 5, 2024, 25, 0, 31, 4, 2024, 9, 0),
         tTerminCheck::BadEndDate,
         {}},
        {"end before start before the times",
         fields(2, 5, 2024, 25, 0, 1, 5, 2024, 9, 0),
         tTerminCheck::EndBeforeStart,
         {}},
        {"end in an earlier year",
         fields(1, 1, 2025, 9, 0, 31, 12, 2024, 9, 0),
         tTerminCheck::EndBeforeStart,
         {}},
        {"start time before the end time",
         fields(1, 5, 2024, 24, 0, 1, 5, 2024, 9, 60),
         tTerminCheck::BadStartTime,
         {}},
        {"start minute",
         fields(1, 5, 2024, 9, 60, 1, 5, 2024, 9, 0),
         tTerminCheck::BadStartTime,
         {}},
        {"end time", fields(1, 5, 2024, 9, 0, 1, 5, 2024, 9, 60), tTerminCheck::BadEndTime, {}},
        {"negative end hour",
         fields(1, 5, 2024, 9, 0, 1, 5, 2024, -1, 0),
         tTerminCheck::BadEndTime,
         {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        tDateTime from, till;
        EXPECT_EQ(checkTerminFields(c.in, from, till), c.expected);
        if (c.expected != tTerminCheck::Ok) continue;
        EXPECT_EQ(tDate(till), c.till);
        EXPECT_EQ(till.hour, c.in.tillHour);
        EXPECT_EQ(from.day, c.in.fromDay);
        EXPECT_EQ(from.minute, c.in.fromMinute);
    }
}

TEST(TerminRules, RecurrenceOkTakesOverTheControls)
{
    struct Case {
        const char *what;
        tRepeatFields in;
        bool ok;
        tRepeat expected; // the rule after OK, from the default rule
    };
    auto rule = [](char rhythm, char unit, char scope, int n, int count) {
        tRepeat r;
        r.rhythm = rhythm;
        r.unit = unit;
        r.scope = scope;
        r.ordinal = int16_t(n);
        r.count = count;
        return r;
    };
    const Case cases[] = {
        {"weekly, 3", {'W', false, "7", 'W', 'E', "3"}, true, rule('W', 0, 'A', 1, 3)},
        {"every 2nd weekday each month",
         {'X', false, "2", 'W', 'E', "4"},
         true,
         rule('X', 'W', 'E', 2, 4)},
        {"the last day", {'X', true, "99", 'D', 'T', "1"}, true, rule('X', 'D', 'T', 0, 1)},
        {"no unit chosen keeps the byte",
         {'X', false, "31", 0, 0, "2"},
         true,
         rule('X', 0, 'A', 31, 2)},
        {"N 0 refused", {'X', false, "0", 'D', 'E', "9"}, false, rule('X', 0, 'A', 1, 1)},
        {"N 32 refused", {'X', false, "32", 'D', 'E', "9"}, false, rule('X', 0, 'A', 1, 1)},
        {"N not a number refused",
         {'X', false, "x", 'D', 'E', "9"},
         false,
         rule('X', 0, 'A', 1, 1)},
        {"N read from 4 characters",
         {'X', false, "  12", 'D', 'A', "1"},
         true,
         rule('X', 'D', 'A', 12, 1)},
        {"count not a number is 0", {'D', false, "", 0, 0, "ab"}, true, rule('D', 0, 'A', 1, 0)},
        {"negative count kept", {'Y', false, "", 0, 0, "-2"}, true, rule('Y', 0, 'A', 1, -2)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        tRepeat r;
        EXPECT_EQ(applyRepeatFields(c.in, r), c.ok);
        // The rule is packed: its fields are compared as copies.
        EXPECT_EQ(int(r.rhythm), int(c.expected.rhythm));
        EXPECT_EQ(int(r.unit), int(c.expected.unit));
        EXPECT_EQ(int(r.scope), int(c.expected.scope));
        EXPECT_EQ(int(r.ordinal), int(c.expected.ordinal));
        EXPECT_EQ(int(r.count), int(c.expected.count));
    }
}

TEST(TerminRules, AlarmOkChecksTimeThenDate)
{
    tDateTime when;
    EXPECT_EQ(checkAlarmFields(30, 2, 2024, 24, 0, when), tAlarmCheck::BadTime);
    EXPECT_EQ(checkAlarmFields(30, 2, 2024, 10, 0, when), tAlarmCheck::BadDate);
    EXPECT_EQ(checkAlarmFields(0, 0, 0, 10, 0, when), tAlarmCheck::BadDate);
    EXPECT_EQ(checkAlarmFields(29, 2, 2024, 23, 59, when), tAlarmCheck::Ok);
    EXPECT_EQ(when.day, 29);
    EXPECT_EQ(when.minute, 59);

    EXPECT_FALSE(alarmSendsFurther("", "anna"));
    EXPECT_FALSE(alarmSendsFurther("Panna", "anna"));
    EXPECT_TRUE(alarmSendsFurther("Pbert", "anna"));
    EXPECT_TRUE(alarmSendsFurther("Gteam", "anna"));
    EXPECT_FALSE(alarmSendsFurther("anna", "anna"));

    tAlarm a;
    EXPECT_TRUE(alarmNeedsDialog(a)) << "no date";
    a.when.set(2024, 5, 6);
    a.when.hour = 10;
    EXPECT_FALSE(alarmNeedsDialog(a));
}

TEST(TerminRules, StoresThatFailedAreNamed)
{
    tInsertResult series{tStoreStatus::Stored, 5, 3};
    EXPECT_EQ(terminStoreMessage(series), "Von 5 Wiederholungen wurden 2 nicht gespeichert");
    EXPECT_EQ(terminStoreMessage({tStoreStatus::Stored, 5, 5}), "");
    EXPECT_NE(terminStoreMessage({tStoreStatus::Duplicate, 0, 0}), "");
    EXPECT_NE(terminStoreMessage({tStoreStatus::Failed, 0, 0}), "");
    EXPECT_EQ(terminUpdateMessage(tStoreStatus::Stored), "");
    EXPECT_NE(terminUpdateMessage(tStoreStatus::NoTable), "");

    EXPECT_EQ(alarmSendMessage({tStoreStatus::Stored, 3, 3}), "");
    EXPECT_EQ(alarmSendMessage({tStoreStatus::Failed, 3, 1}),
              "Der Alarm wurde für 2 von 3 Empfängern nicht gespeichert");
    EXPECT_NE(alarmSendMessage({tStoreStatus::NoDate, 0, 0}), "");
    EXPECT_NE(alarmSendMessage({tStoreStatus::NoTable, 0, 0}), "");
    EXPECT_NE(alarmUpdateMessage(tStoreStatus::NotFound), "");
}

} // namespace
