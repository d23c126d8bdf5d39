#include "views/holiday_cache.h"

#include <algorithm>

namespace velk {

const tJahr &tHolidayCache::year(int year)
{
    auto it = std::find_if(years_.begin(), years_.end(),
                           [year](const std::unique_ptr<tJahr> &j) { return j->year() == year; });
    if (it != years_.end()) {
        std::rotate(it, it + 1, years_.end());
        return *years_.back();
    }
    if (years_.size() >= kKept) years_.erase(years_.begin());
    years_.push_back(std::make_unique<tJahr>(year));
    return *years_.back();
}

std::string holidayName(const tTag &holiday)
{
    // The names hold only Latin-1 letters ("Hl. 3 Könige"): two-byte UTF-8 sequences become one
    // byte, which Windows-1252 shares with Latin-1 outside 0x80..0x9F.
    const std::string &name = holiday.name();
    std::string out;
    for (std::size_t i = 0; i < name.size(); i++) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if ((c & 0xE0) == 0xC0 && i + 1 < name.size()) {
            unsigned code = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(name[++i]) & 0x3Fu);
            out += code >= 0xA0 && code <= 0xFF ? static_cast<char>(code) : '?';
        } else if (c >= 0x80) {
            if ((c & 0xC0) != 0x80) out += '?'; // a longer sequence: one mark for it
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

} // namespace velk
