// ical_text.h - what the iCalendar and vCard readers share: the limits of what they read, and the
// character sets (UTF-8 in the files, Windows-1252 here, converted by base/cp1252.h).
//
// A file is read whole, at most kMaxFile bytes; a logical line (unfolded) longer than kMaxLine is
// dropped and counted; components nest at most kMaxDepth deep.  The lines themselves are read by
// libical (iCalendar) and by the vCard grammar (vcard_text.h).
#ifndef VELK_EXCHANGE_ICAL_TEXT_H
#define VELK_EXCHANGE_ICAL_TEXT_H

#include <cstddef>

#include "base/cp1252.h"

namespace velk {

constexpr long kMaxFile = 32L * 1024 * 1024;
constexpr size_t kMaxLine = 64 * 1024;
constexpr int kMaxDepth = 8;

} // namespace velk

#endif
