// holidays.h - the German public holidays of one year.
//
// Holidays are never stored; a view builds a tJahr for the year it shows and asks it for the
// holidays of a date (names for headings and list lines) or a date's holiday kind (for colouring
// a day).  The list is singly linked in ascending day-of-year order; entries on the same day keep
// the order described at tJahr::add.
#ifndef VELK_BASE_HOLIDAYS_H
#define VELK_BASE_HOLIDAYS_H

#include "base/date.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velk {

// One holiday.  A copy stands alone: it carries the holiday but no link into its list, so the
// appointment list can keep copies as line data after the tJahr is gone.
class tTag {
public:
    enum Kind { None = 0, Nationwide = 1, Regional = 2 };
    static constexpr std::size_t kMaxNameLength = 40; // characters, not bytes

    tTag(const tDate &date, int kind, std::string_view name);
    tTag(const tTag &other);
    tTag &operator=(const tTag &other);
    ~tTag() = default;

    const tDate &date() const { return date_; }
    int kind() const { return kind_; }
    int flag() const { return flag_; }
    const std::string &name() const { return name_; }
    const tTag *next() const { return next_.get(); }

private:
    friend class tJahr;

    tDate date_;
    int kind_;
    int flag_ = 1; // always 1; kept because list lines carry whole entries
    std::string name_;
    std::unique_ptr<tTag> next_;
};

class tJahr {
public:
    explicit tJahr(int year); // the sixteen holidays of that year
    ~tJahr();
    tJahr(const tJahr &) = delete;
    tJahr &operator=(const tJahr &) = delete;
    tJahr(tJahr &&other) noexcept;
    tJahr &operator=(tJahr &&other) noexcept;

    int year() const { return year_; }
    const tTag *first() const { return first_.get(); }

    // Inserts a copy of the entry in day-of-year order.  An entry before the first becomes the
    // first; otherwise it goes behind the first entry, in front of the first later entry on its
    // day or after it.  So an entry joining a day goes in front of that day's entries, unless
    // the day's first entry heads the list.
    void add(const tTag &entry);

    // Every entry with exactly this day, month and year, in list order.
    std::vector<const tTag *> holidaysOf(const tDate &date) const;
    // The kind of the first entry with a non-zero kind and the date's day-of-year number, or 0.
    // Only the number is compared, so the date is taken to lie in this list's year.
    int kindOf(const tDate &date) const;

    static tDate easterSunday(int year);
    static tDate busstag(int year); // the Wednesday between 16 and 22 November

private:
    void addDayOfYear(int n, int kind, std::string_view name);

    int year_;
    std::unique_ptr<tTag> first_;
};

} // namespace velk

#endif
