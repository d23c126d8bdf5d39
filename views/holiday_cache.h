// holiday_cache.h - the holiday lists of the years a view shows.
//
// A view that runs over a year's end (a week from 29 December, ten days from 25 December, the
// plan of another year after a move) asks each day's own year for its holidays; the cache builds
// each year's tJahr on first use and keeps the last few.
#ifndef VELK_VIEWS_HOLIDAY_CACHE_H
#define VELK_VIEWS_HOLIDAY_CACHE_H

#include "base/holidays.h"

#include <memory>
#include <string>
#include <vector>

namespace velk {

class tHolidayCache {
public:
    // The list of `year`.  It stays valid until a further year is asked for.
    const tJahr &year(int year);

    // The holidays of exactly this date, from the list of the date's year.
    std::vector<const tTag *> holidaysOf(const tDate &date)
    {
        return year(date.year).holidaysOf(date);
    }
    // The date's holiday kind in the list of its own year.
    int kindOf(const tDate &date) { return year(date.year).kindOf(date); }

private:
    static constexpr std::size_t kKept = 4;
    std::vector<std::unique_ptr<tJahr>> years_; // the most recently used last
};

// A holiday's name as Windows-1252 text.
std::string holidayName(const tTag &holiday);

} // namespace velk

#endif
