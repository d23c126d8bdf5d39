#include "base/date.h"

#include "base/floor_div.h"

#include <ctime>

namespace velk {

namespace {

// Gregorian years repeat every 400 years, which always hold this many days.
constexpr long long kDaysIn400Years = 146097;

// Days before month m (at index m - 1) and in the whole year (at 12); [1] for leap years.
constexpr int kDaysBeforeMonth[2][13] = {
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366},
};

tm localNow()
{
    std::time_t t = std::time(nullptr);
    tm local{};
    localtime_r(&t, &local);
    return local;
}

} // namespace

bool tDate::isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int tDate::daysInMonth(int month, int year)
{
    static const int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && isLeapYear(year) ? 29 : lengths[month - 1];
}

int tDate::daysInYear(int year) { return isLeapYear(year) ? 366 : 365; }

tDate tDate::today()
{
    tm local = localNow();
    return tDate{local.tm_mday, local.tm_mon + 1, local.tm_year + 1900};
}

void tDate::set(int year, int month, int day)
{
    this->day = day;
    this->month = month;
    this->year = year;
}

bool tDate::valid() const
{
    // Year 0 is a leap year by the rule itself, so 29.02. of a birthday without a year is valid.
    return month >= 1 && month <= 12 && day >= 1 && day <= daysInMonth();
}

int tDate::dayOfYear() const
{
    if (day == 0 || month == 0) return 0;
    // (m + 2) * 611 / 20 - 91 counts the days before month m as if February had 30 days;
    // k (0 for January and February, 1 after) takes those surplus days back off.
    int k = (month + 10) / 13;
    int n = (month + 2) * 611 / 20 + day - 2 * k - 91;
    return isLeapYear(year) ? n + k : n;
}

void tDate::setDayOfYear(int n)
{
    long long y = year;
    long long rest = n;
    if (rest < 1 || rest > daysInYear(year)) {
        long long cycles = floorDiv(rest - 1, kDaysIn400Years);
        y += 400 * cycles;
        rest -= kDaysIn400Years * cycles; // now 1 <= rest <= 146097
        while (rest > daysInYear(static_cast<int>(y))) {
            rest -= daysInYear(static_cast<int>(y));
            ++y;
        }
    }
    const int *daysBefore = kDaysBeforeMonth[isLeapYear(static_cast<int>(y))];
    // No month has 32 days, so this first guess never lies past the month that holds rest.
    int m = static_cast<int>(rest / 32) + 1;
    while (rest > daysBefore[m]) ++m;
    set(static_cast<int>(y), m, static_cast<int>(rest - daysBefore[m - 1]));
}

int tDate::weekday() const
{
    // Each year shifts the weekday by one, each leap day by one more: with y1 = 100h + r years
    // before this one that is r + r/4 + h/4 + 5h modulo 7; 1 January of year 1 is a Monday.
    long long y1 = static_cast<long long>(year) - 1;
    long long h = floorDiv(y1, 100);
    long long r = y1 - 100 * h;
    return static_cast<int>(floorMod(dayOfYear() + r + r / 4 + floorDiv(h, 4) + 5 * h + 28, 7));
}

tDate &tDate::nextDay()
{
    int n = dayOfYear() + 1;
    if (n > daysInYear(year))
        set(year + 1, 1, 1);
    else
        setDayOfYear(n);
    return *this;
}

tDate &tDate::prevDay()
{
    int n = dayOfYear() - 1;
    if (n < 1)
        set(year - 1, 12, 31);
    else
        setDayOfYear(n);
    return *this;
}

bool tDate::sameDay(const tDate &other) const
{
    return day == other.day && month == other.month && year == other.year;
}

bool tDate::before(const tDate &other) const
{
    return year < other.year || (year == other.year && dayOfYear() < other.dayOfYear());
}

tDateTime tDateTime::at(const tDate &day, int hour, int minute)
{
    tDateTime t;
    static_cast<tDate &>(t) = day;
    t.hour = hour;
    t.minute = minute;
    return t;
}

tDateTime tDateTime::now()
{
    tm local = localNow();
    tDateTime result;
    result.set(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    result.hour = local.tm_hour;
    result.minute = local.tm_min;
    return result;
}

bool tDateTime::validTime() const { return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59; }

bool tDateTime::before(const tDateTime &other) const
{
    if (!sameDay(other)) return tDate::before(other);
    return hour < other.hour || (hour == other.hour && minute < other.minute);
}

} // namespace velk
