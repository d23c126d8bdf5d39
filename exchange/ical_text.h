// ical_text.h - the text layer under the iCalendar and vCard files: content lines, folding,
// escaping, components, and the character sets (UTF-8 in the files, Windows-1252 here).
//
// A file is read whole (at most kMaxFile bytes) into logical lines: a line that begins with a
// blank or a tab continues the one before (unfolding); CR LF and a lone LF both end a line.  A
// logical line longer than kMaxLine is kept as "too long" without its text.  Lines build a tree
// of components (BEGIN:x ... END:x), at most kMaxDepth deep.  A component that holds a line that
// is too long or no content line ("name;param=value:value"), or whose END is missing, is marked
// so; the readers skip such a component and count it.
//
// Written lines are folded at 75 octets (never inside a UTF-8 sequence) and end with CR LF.
#ifndef VELK_EXCHANGE_ICAL_TEXT_H
#define VELK_EXCHANGE_ICAL_TEXT_H

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velk {

constexpr long kMaxFile = 32L * 1024 * 1024;
constexpr size_t kMaxLine = 64 * 1024;
constexpr int kMaxDepth = 8;

struct tContentLine {
    std::string name;                                        // upper case
    std::vector<std::pair<std::string, std::string>> params; // name upper case, value unquoted
    std::string value;                                       // as it stands (still escaped)

    // The first value of the parameter, "" when absent.
    std::string param(std::string_view name) const;
};

// "NAME;P=v;Q=\"x:y\":value"; false when the line is no content line.
bool parseContentLine(std::string_view line, tContentLine *out);

// A component keeps its content lines as the text they were read from, one after the other, and
// parses a line only when it is asked for (a file of many small lines would take many times its
// size as parsed lines); what was parsed stays until the component goes.
struct tComponent {
    std::string name; // upper case
    std::vector<tComponent> subs;
    bool complete = false; // its END was read
    bool malformed = false;
    long line = 0; // where it began (1-based logical line)

    // The first content line of that name (upper case), or all of them, in file order.
    const tContentLine *prop(std::string_view name) const;
    std::vector<const tContentLine *> all(std::string_view name) const;
    // Appends a content line (one that parseContentLine takes) to the component's lines.
    void addLine(std::string_view text);
    // Frees what the lines' text holds beyond its size.
    void compact() { lines_.shrink_to_fit(); }
    // Complete, well-formed, and so are its subcomponents.
    bool sound() const;

private:
    // The line that begins at offset, parsed (once).
    const tContentLine *parsedAt(size_t offset) const;

    std::string lines_; // each line followed by "\n"
    mutable std::map<size_t, tContentLine> parsed_;
};

enum class tReadStatus { Ok, CannotOpen, TooBig };

// The top-level components of the file.
tReadStatus readComponents(const std::string &fileName, std::vector<tComponent> *out);
// The same on text in memory (the fuzz targets and tests).
std::vector<tComponent> parseComponents(std::string_view text);

// TEXT values: "\\", "\;", "\,", "\n" and "\N".
std::string escapeText(std::string_view utf8);
std::string unescapeText(std::string_view value);
// A structured value split at unescaped `sep`, each part unescaped.
std::vector<std::string> splitValue(std::string_view value, char sep);

// name[;params]:value folded at 75 octets, with CR LF after each piece.
std::string foldLine(std::string_view line);

// Windows-1252 to UTF-8 (the five bytes without a character become "?").
std::string cp1252ToUtf8(std::string_view text);
// UTF-8 to Windows-1252: every character without a place there, and every byte that is no UTF-8,
// becomes "?" and is counted in *lost; control characters become blanks.
std::string utf8ToCp1252(std::string_view text, long *lost);

} // namespace velk

#endif
