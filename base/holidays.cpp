#include "base/holidays.h"

#include "base/floor_div.h"

#include <utility>

namespace velk {

namespace {

// Cuts a UTF-8 text after at most max characters, never inside a character ("Hl. 3 Könige").
std::string cutToCharacters(std::string_view text, std::size_t max)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool startsCharacter = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        if (startsCharacter && ++count > max) return std::string(text.substr(0, i));
    }
    return std::string(text);
}

struct EasterHoliday {
    const char *name;
    int offset; // days after Easter Sunday
    int kind;
};

struct FixedHoliday {
    const char *name;
    int day;
    int month;
    int kind;
};

// The order of adding decides which of two holidays on one day is named first (in 2008
// "Tag der Arbeit" before "Himmelfahrt"), so it is kept as it is.
const EasterHoliday kEasterHolidays[] = {
    {"Ostern", 0, tTag::Nationwide},      {"Ostermontag", 1, tTag::Nationwide},
    {"Pfingsten", 49, tTag::Nationwide},  {"Pfingstmontag", 50, tTag::Nationwide},
    {"Karfreitag", -2, tTag::Nationwide}, {"Himmelfahrt", 39, tTag::Nationwide},
    {"Fronleichnam", 60, tTag::Regional},
};

const FixedHoliday kFixedHolidays[] = {
    {"Neujahr", 1, 1, tTag::Nationwide},
    {"Tag der Arbeit", 1, 5, tTag::Nationwide},
    {"Hl. 3 Könige", 6, 1, tTag::Regional},
    {"T.d.dt.Einheit", 3, 10, tTag::Nationwide},
    {"Reformationstag", 31, 10, tTag::Regional},
    {"Allerheiligen", 1, 11, tTag::Regional},
    {"1. Weihnachtstag", 25, 12, tTag::Nationwide},
    {"2. Weihnachtstag", 26, 12, tTag::Nationwide},
};

} // namespace

tTag::tTag(const tDate &date, int kind, std::string_view name)
    : date_(date), kind_(kind), name_(cutToCharacters(name, kMaxNameLength))
{}

tTag::tTag(const tTag &other)
    : date_(other.date_), kind_(other.kind_), flag_(other.flag_), name_(other.name_)
{}

tTag &tTag::operator=(const tTag &other)
{
    // The link stays: assigning changes what an entry holds, not where it sits.
    date_ = other.date_;
    kind_ = other.kind_;
    flag_ = other.flag_;
    name_ = other.name_;
    return *this;
}

tJahr::tJahr(int year) : year_(year)
{
    int easter = easterSunday(year).dayOfYear();
    for (const EasterHoliday &h : kEasterHolidays) addDayOfYear(easter + h.offset, h.kind, h.name);
    add(tTag(busstag(year), tTag::Regional, "Busstag"));
    for (const FixedHoliday &h : kFixedHolidays)
        add(tTag(tDate{h.day, h.month, year}, h.kind, h.name));
}

tJahr::~tJahr()
{
    // Unlink one by one: letting the chain of owners go at once would recurse once per entry.
    while (first_) first_ = std::move(first_->next_);
}

tJahr::tJahr(tJahr &&other) noexcept : year_(other.year_), first_(std::move(other.first_)) {}

tJahr &tJahr::operator=(tJahr &&other) noexcept
{
    std::swap(year_, other.year_);
    std::swap(first_, other.first_);
    return *this;
}

void tJahr::addDayOfYear(int n, int kind, std::string_view name)
{
    tDate date{1, 1, year_};
    date.setDayOfYear(n);
    add(tTag(date, kind, name));
}

void tJahr::add(const tTag &entry)
{
    auto node = std::make_unique<tTag>(entry);
    int n = node->date_.dayOfYear();
    if (!first_ || n < first_->date_.dayOfYear()) {
        node->next_ = std::move(first_);
        first_ = std::move(node);
        return;
    }
    tTag *behind = first_.get();
    while (behind->next_ && behind->next_->date_.dayOfYear() < n) behind = behind->next_.get();
    node->next_ = std::move(behind->next_);
    behind->next_ = std::move(node);
}

std::vector<const tTag *> tJahr::holidaysOf(const tDate &date) const
{
    std::vector<const tTag *> found;
    for (const tTag *t = first(); t; t = t->next()) {
        if (t->date().sameDay(date)) found.push_back(t);
    }
    return found;
}

int tJahr::kindOf(const tDate &date) const
{
    int n = date.dayOfYear();
    for (const tTag *t = first(); t && t->date().dayOfYear() <= n; t = t->next()) {
        if (t->date().dayOfYear() == n && t->kind() != tTag::None) return t->kind();
    }
    return tTag::None;
}

tDate tJahr::easterSunday(int year)
{
    // Gauss's formula with the lunar correction p = Y div 300, which matches the Gregorian
    // computus from 1583 to 4199.  Floor division keeps it a Sunday in March or April for years
    // below 1 as well.
    long long y = year;
    long long n = floorDiv(y, 100) - floorDiv(y, 400) + 4;
    long long m = n - floorDiv(y, 300) + 11;
    long long d = floorMod(19 * floorMod(y, 19) + m, 30);
    long long e = floorMod(2 * floorMod(y, 4) + 4 * y + 6 * d + n, 7);
    long long april = d + e - 9;
    if (april <= 0) return tDate{static_cast<int>(d + e + 22), 3, year};
    if (april == 26)
        april = 19;
    else if (april == 25 && d == 28 && floorMod(11 * m + 11, 30) < 19)
        april = 18;
    return tDate{static_cast<int>(april), 4, year};
}

tDate tJahr::busstag(int year)
{
    // 24 December minus its weekday is the fourth Sunday of Advent; 32 days earlier lies the
    // Wednesday before the last Sunday of the church year.
    tDate christmasEve{24, 12, year};
    tDate result{1, 1, year};
    result.setDayOfYear(christmasEve.dayOfYear() - christmasEve.weekday() - 32);
    return result;
}

} // namespace velk
