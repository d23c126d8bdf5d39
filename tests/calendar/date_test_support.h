// Shared by the calendar tests: readable dates in failure messages, conversion to std::chrono.
#ifndef VELK_TESTS_CALENDAR_DATE_TEST_SUPPORT_H
#define VELK_TESTS_CALENDAR_DATE_TEST_SUPPORT_H

#include "base/date.h"

#include <chrono>
#include <cstdio>
#include <ostream>

namespace velk {

inline void PrintTo(const tDate &d, std::ostream *os)
{
    char text[48];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d", d.day, d.month, d.year);
    *os << text;
}

inline void PrintTo(const tDateTime &d, std::ostream *os)
{
    char text[16];
    std::snprintf(text, sizeof text, " %02d:%02d", d.hour, d.minute);
    PrintTo(static_cast<const tDate &>(d), os);
    *os << text;
}

inline tDate fromChrono(std::chrono::year_month_day ymd)
{
    return tDate{static_cast<int>(static_cast<unsigned>(ymd.day())),
                 static_cast<int>(static_cast<unsigned>(ymd.month())),
                 static_cast<int>(ymd.year())};
}

inline std::chrono::sys_days toChrono(const tDate &d)
{
    using namespace std::chrono;
    return sys_days{year{d.year} / month{static_cast<unsigned>(d.month)} /
                    day{static_cast<unsigned>(d.day)}};
}

} // namespace velk

#endif
