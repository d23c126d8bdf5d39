// portfolio.h - Atari Portfolio diary files (".dry"): appointments as plain text lines.
//
// One entry a line, each ended by CR LF.  Dates are day/month/two-digit year:
//
//   line             written as                          meaning
//   all-day entry    "   dd/mm/yy title"                  an appointment without start time
//   date line        "   dd/mm/yy"                        the date of the timed entries below
//   timed entry      "    hh:mm title"                    start time, no end time
//   timed with end   "    hh:mm - hh:mm title"            start and end time
//
// Example, an appointment on 5.3.2026 from 09:30 to 11:00 and one all day on 24.12.2026:
//   20 20 20 30 35 2F 30 33 2F 32 36 0D 0A                            "   05/03/26"
//   20 20 20 20 30 39 3A 33 30 20 2D 20 31 31 3A 30 30 20 42 ...      "    09:30 - 11:00 B..."
//   20 20 20 32 34 2F 31 32 2F 32 36 20 48 65 69 6C 69 67 ...         "   24/12/26 Heilig..."
//
// Reading is forgiving, as files come from a small machine and from hand editors:
//   - a line ends at CR, LF or CR LF (and at a zero byte), and is taken in pieces of at most
//     255 characters, a longer line as several lines;
//   - a line shorter than four characters is skipped;
//   - a line whose fourth character is not a blank is a date line; else it is timed;
//   - a number is found by skipping everything that is no digit, then reading the digits (none
//     left: 0), so "9:5" reads as 09:05;
//   - a two-digit year takes the current century, or the next one when that lies more than 20
//     years back (in 2026: 05 is 2105, 06 is 2006);
//   - blanks and control characters (bytes 1 to 32) before a title are skipped.
// A date that is no calendar date or a time outside 00:00 to 23:59 makes the line invalid; the
// import reports it like a timed entry before the first date line.  The file is in the system's
// own single-byte character set; no umlaut is converted.
#ifndef VELK_EXCHANGE_PORTFOLIO_H
#define VELK_EXCHANGE_PORTFOLIO_H

#include "base/date.h"

#include <string>
#include <string_view>
#include <vector>

namespace velk {

constexpr size_t kDryPieceLength = 255;
// A diary file larger than this is not read (a Portfolio's whole memory is far less).
constexpr long kMaxDryFile = 32L * 1024 * 1024;

// The lines of a diary file's content, as reading takes them.
std::vector<std::string> splitDryLines(std::string_view content);
// The lines of the file; false when it cannot be opened or read, is no regular file or is larger
// than kMaxDryFile.
bool readDryFile(const std::string &fileName, std::vector<std::string> *lines);

enum class tDryKind { Skipped, Date, AllDay, Timed, TimedWithEnd, Invalid };

struct tDryLine {
    tDryKind kind = tDryKind::Skipped;
    tDate date;                                                     // Date, AllDay
    int fromHour = 0, fromMinute = 0, tillHour = 0, tillMinute = 0; // Timed, TimedWithEnd
    std::string title;                                              // AllDay, Timed...
};

// The full year of a two-digit year read in currentYear.
int dryYear(int twoDigitYear, int currentYear);
tDryLine parseDryLine(std::string_view line, int currentYear);

// One appointment as a diary file holds it.  An end time of 00:00 means none; a start time of
// 00:00 makes an all-day entry.
struct tDryEntry {
    tDate date;
    int fromHour = 0, fromMinute = 0, tillHour = 0, tillMinute = 0;
    std::string title;

    friend bool operator==(const tDryEntry &, const tDryEntry &) = default;
};

// Reads a file line by line, carrying the date of the last date line to the timed entries.
class tDryReader {
public:
    enum Step {
        Nothing, // the line only set the date, or was skipped
        Store,   // the line is an appointment: store *entry
        Error,   // a timed entry before any date line, or an invalid line: "Fehler beim Lesen"
    };

    explicit tDryReader(int currentYear) : currentYear_(currentYear) {}
    Step feed(std::string_view line, tDryEntry *entry);

private:
    int currentYear_;
    bool dateSeen_ = false;
    tDate date_;
};

// The export's lines, each ended by CR LF.  A CR, LF or zero byte in a title becomes a blank,
// so that one title stays one line.
std::string formatDryAllDay(const tDate &date, std::string_view title);
std::string formatDryDate(const tDate &date);
// Without the end when it is 00:00.
std::string formatDryTimed(int fromHour, int fromMinute, int tillHour, int tillMinute,
                           std::string_view title);
// What the export writes for one appointment: an all-day line when it starts at 00:00, else a
// date line and a timed line (every timed appointment gets its own date line).
std::string formatDryEntry(const tDryEntry &entry);

} // namespace velk

#endif
