// Fuzz target of the Portfolio line reader: any bytes as a diary file.  Every line stays within
// 255 characters, every stored entry has a calendar date and times of the day, and an entry the
// export can write unambiguously reads back as itself.  Violations abort.
#include "exchange/portfolio.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace velk;

namespace {

constexpr int kYear = 2026;

void check(bool ok)
{
    if (!ok) abort();
}

bool validTimes(const tDryEntry &e)
{
    return e.fromHour >= 0 && e.fromHour <= 23 && e.fromMinute >= 0 && e.fromMinute <= 59 &&
           e.tillHour >= 0 && e.tillHour <= 23 && e.tillMinute >= 0 && e.tillMinute <= 59;
}

// Whether the export's lines for e can only be read as e: a start of 00:00 makes an all-day
// line that drops the end (and without a title only sets the date); a title beginning with
// "-" after a start time reads as an end time; a line over 255 characters is cut.
bool writableUnambiguously(const tDryEntry &e, const std::string &lines)
{
    bool allDay = e.fromHour == 0 && e.fromMinute == 0;
    if (allDay && (e.tillHour || e.tillMinute || e.title.empty())) return false;
    if (!allDay && !e.tillHour && !e.tillMinute && !e.title.empty() && e.title[0] == '-')
        return false;
    if (e.date.year < kYear - 20 || e.date.year > kYear + 79) return false;
    for (const std::string &line : splitDryLines(lines))
        if (line.size() >= kDryPieceLength) return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string_view content(reinterpret_cast<const char *>(data), size);
    tDryReader reader(kYear);
    tDryEntry entry;
    for (const std::string &line : splitDryLines(content)) {
        check(line.size() <= kDryPieceLength);
        check(line.find_first_of("\r\n") == std::string::npos);
        tDryReader::Step step = reader.feed(line, &entry);
        if (step == tDryReader::Error) break;
        if (step != tDryReader::Store) continue;
        check(entry.date.valid() && validTimes(entry));
        std::string written = formatDryEntry(entry);
        if (!writableUnambiguously(entry, written)) continue;
        tDryReader again(kYear);
        tDryEntry back;
        tDryReader::Step last = tDryReader::Nothing;
        for (const std::string &l : splitDryLines(written)) last = again.feed(l, &back);
        check(last == tDryReader::Store && back == entry);
    }
    return 0;
}
