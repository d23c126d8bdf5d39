// date.h - the calendar's date and date-time values.
//
// Every view and rule of the calendar computes with tDate: day, month and full year as plain
// integers, in the proleptic Gregorian calendar without a lower limit (year 0 is a leap year,
// years before it count on as -1, -2, ...).  A component of 0 marks an incomplete date: a cleared
// tDate is 0.0.0, and a birthday without a known year carries year 0.
//
// Day-of-year numbers run from 1 (1 January) to 365 or 366; an incomplete date (day or month 0)
// has number 0.  Weekdays are 0 = Sunday, 1 = Monday, ..., 6 = Saturday.
#ifndef VELK_BASE_DATE_H
#define VELK_BASE_DATE_H

namespace velk {

struct tDate {
    int day = 0;
    int month = 0;
    int year = 0;

    static bool isLeapYear(int year);
    static int daysInMonth(int month, int year); // 0 for a month outside 1 to 12
    static int daysInYear(int year);
    static tDate today(); // the local date

    void clear() { *this = tDate{}; }
    void set(int year, int month, int day);

    bool valid() const;
    int daysInMonth() const { return daysInMonth(month, year); }

    int dayOfYear() const;
    // Sets the date of this year with day-of-year number n.  A number outside the year carries
    // over into the following or preceding years (366 in a common year is 1 January of the next).
    void setDayOfYear(int n);
    int weekday() const;

    tDate &nextDay();
    // Steps back one day; an incomplete date steps to 31 December of the previous year.
    tDate &prevDay();

    bool sameDay(const tDate &other) const;
    bool before(const tDate &other) const;

    friend bool operator==(const tDate &, const tDate &) = default;
};

// A tDate followed by the time of day, to the minute.
struct tDateTime : tDate {
    int hour = 0;
    int minute = 0;

    static tDateTime now(); // the local date and time
    // The day at hour:minute.
    static tDateTime at(const tDate &day, int hour = 0, int minute = 0);

    bool validTime() const;

    using tDate::before;
    // Earlier to the minute; the same minute is not before.
    bool before(const tDateTime &other) const;

    friend bool operator==(const tDateTime &, const tDateTime &) = default;
};

} // namespace velk

#endif
