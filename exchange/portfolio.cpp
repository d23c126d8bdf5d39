#include "exchange/portfolio.h"

#include "exchange/file_access.h"

#include <cstdio>
#include <iterator>

namespace velk {

namespace {

// Larger numbers make no date or time; the cap keeps the century arithmetic in range.
constexpr int kNumberCap = 99999999;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Blanks and control characters, bytes 1 to 32.
bool isFiller(char c) { return (unsigned char)c >= 1 && (unsigned char)c <= 32; }

void skipFiller(std::string_view s, size_t &pos)
{
    while (pos < s.size() && isFiller(s[pos])) pos++;
}

// Skips everything that is no digit, then reads the digits; 0 when none is left.
int readNumber(std::string_view s, size_t &pos)
{
    while (pos < s.size() && !isDigit(s[pos])) pos++;
    int value = 0;
    for (; pos < s.size() && isDigit(s[pos]); pos++)
        value = value > kNumberCap / 10 ? kNumberCap : value * 10 + (s[pos] - '0');
    return value;
}

bool validTime(int hour, int minute) { return hour <= 23 && minute <= 59; }

std::string oneLine(std::string_view title)
{
    std::string out(title);
    for (char &c : out)
        if (c == '\r' || c == '\n' || c == '\0') c = ' ';
    return out;
}

std::string printed(const char *format, int a, int b, int c = 0, int d = 0)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, format, a, b, c, d);
    return buf;
}

std::string dateText(const tDate &date)
{
    return printed("   %02d/%02d/%02d", date.day, date.month, (date.year % 100 + 100) % 100);
}

void parseDateLine(std::string_view s, int currentYear, tDryLine &line)
{
    size_t pos = 0;
    line.date.day = readNumber(s, pos);
    line.date.month = readNumber(s, pos);
    line.date.year = dryYear(readNumber(s, pos), currentYear);
    skipFiller(s, pos);
    line.kind = pos < s.size() ? tDryKind::AllDay : tDryKind::Date;
    line.title = std::string(s.substr(pos));
    if (!line.date.valid()) line.kind = tDryKind::Invalid;
}

void parseTimedLine(std::string_view s, tDryLine &line)
{
    size_t pos = 0;
    line.fromHour = readNumber(s, pos);
    line.fromMinute = readNumber(s, pos);
    skipFiller(s, pos);
    line.kind = tDryKind::Timed;
    if (pos < s.size() && s[pos] == '-') {
        line.tillHour = readNumber(s, pos);
        line.tillMinute = readNumber(s, pos);
        skipFiller(s, pos);
        line.kind = tDryKind::TimedWithEnd;
    }
    line.title = std::string(s.substr(pos));
    if (!validTime(line.fromHour, line.fromMinute) || !validTime(line.tillHour, line.tillMinute))
        line.kind = tDryKind::Invalid;
}

} // namespace

std::vector<std::string> splitDryLines(std::string_view content)
{
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < content.size()) {
        size_t end = content.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = content.size();
        std::string_view line = content.substr(pos, end - pos);
        do {
            lines.emplace_back(line.substr(0, kDryPieceLength));
            line.remove_prefix(std::min(line.size(), kDryPieceLength));
        } while (!line.empty());
        pos = end;
        if (pos < content.size() && content[pos] == '\r') pos++;
        if (pos < content.size() && content[pos] == '\n') pos++;
    }
    return lines;
}

bool readDryFile(const std::string &fileName, std::vector<std::string> *lines)
{
    std::string content;
    if (readForImport(fileName, kMaxDryFile, &content) != tFileStatus::Ok) return false;
    *lines = splitDryLines(content);
    return true;
}

int dryYear(int twoDigitYear, int currentYear)
{
    int year = twoDigitYear + currentYear / 100 * 100;
    return year < currentYear - 20 ? year + 100 : year;
}

tDryLine parseDryLine(std::string_view line, int currentYear)
{
    line = line.substr(0, line.find_first_of(std::string_view("\r\n\0", 3)));
    tDryLine parsed;
    if (line.size() < 4) return parsed;
    if (line[3] != ' ')
        parseDateLine(line, currentYear, parsed);
    else
        parseTimedLine(line, parsed);
    return parsed;
}

tDryReader::Step tDryReader::feed(std::string_view text, tDryEntry *entry)
{
    tDryLine line = parseDryLine(text, currentYear_);
    switch (line.kind) {
    case tDryKind::Skipped:
        return Nothing;
    case tDryKind::Invalid:
        return Error;
    case tDryKind::Date:
    case tDryKind::AllDay:
        date_ = line.date;
        dateSeen_ = true;
        if (line.kind == tDryKind::Date) return Nothing;
        *entry = tDryEntry{date_, 0, 0, 0, 0, line.title};
        return Store;
    case tDryKind::Timed:
    case tDryKind::TimedWithEnd:
        if (!dateSeen_) return Error;
        *entry = tDryEntry{date_,         line.fromHour,   line.fromMinute,
                           line.tillHour, line.tillMinute, line.title};
        return Store;
    }
    return Error;
}

std::string formatDryAllDay(const tDate &date, std::string_view title)
{
    return dateText(date) + " " + oneLine(title) + "\r\n";
}

std::string formatDryDate(const tDate &date) { return dateText(date) + "\r\n"; }

std::string formatDryTimed(int fromHour, int fromMinute, int tillHour, int tillMinute,
                           std::string_view title)
{
    std::string times =
        tillHour == 0 && tillMinute == 0
            ? printed("    %02d:%02d", fromHour, fromMinute)
            : printed("    %02d:%02d - %02d:%02d", fromHour, fromMinute, tillHour, tillMinute);
    return times + " " + oneLine(title) + "\r\n";
}

std::string formatDryEntry(const tDryEntry &e)
{
    if (e.fromHour == 0 && e.fromMinute == 0) return formatDryAllDay(e.date, e.title);
    return formatDryDate(e.date) +
           formatDryTimed(e.fromHour, e.fromMinute, e.tillHour, e.tillMinute, e.title);
}

} // namespace velk
