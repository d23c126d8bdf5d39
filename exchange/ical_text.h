// ical_text.h - what the iCalendar and vCard readers share: the limits of what they read, and the
// character sets (UTF-8 in the files, Windows-1252 here).
//
// A file is read whole, at most kMaxFile bytes; a logical line (unfolded) longer than kMaxLine is
// dropped and counted; components nest at most kMaxDepth deep.  The lines themselves are read by
// libical (iCalendar) and by the vCard grammar (vcard_text.h).
#ifndef VELK_EXCHANGE_ICAL_TEXT_H
#define VELK_EXCHANGE_ICAL_TEXT_H

#include <cstddef>
#include <string>
#include <string_view>

namespace velk {

constexpr long kMaxFile = 32L * 1024 * 1024;
constexpr size_t kMaxLine = 64 * 1024;
constexpr int kMaxDepth = 8;

// Windows-1252 to UTF-8 (the five bytes without a character become "?").
std::string cp1252ToUtf8(std::string_view text);
// UTF-8 to Windows-1252: every character without a place there, and every byte that is no UTF-8,
// becomes "?" and is counted in *lost; control characters become blanks.
std::string utf8ToCp1252(std::string_view text, long *lost);

} // namespace velk

#endif
