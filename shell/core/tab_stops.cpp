#include "shell/core/tab_stops.h"

#include <algorithm>

namespace velk {

std::vector<std::string> splitTabs(std::string_view line)
{
    std::vector<std::string> parts;
    for (;;) {
        std::size_t tab = line.find('\t');
        parts.emplace_back(line.substr(0, tab));
        if (tab == std::string_view::npos) return parts;
        line.remove_prefix(tab + 1);
    }
}

int dialogUnitsToPixels(int units, int averageCharWidth)
{
    return (units * averageCharWidth + 2) / 4;
}

std::vector<int> tabColumnWidths(const std::vector<int> &stops, int averageCharWidth)
{
    std::vector<int> widths;
    int left = 0;
    for (int stop : stops) {
        int right = dialogUnitsToPixels(stop, averageCharWidth);
        widths.push_back(std::max(0, right - left));
        left = std::max(left, right);
    }
    return widths;
}

// Windows-1252 upper case to lower case: ASCII, Latin-1 letters (not the multiplication sign)
// and the code page's own S, OE, Z and Y with diaeresis.
static unsigned char foldCase(unsigned char c)
{
    if (c >= 'A' && c <= 'Z') return c + 0x20;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
    switch (c) {
    case 0x8A:
        return 0x9A;
    case 0x8C:
        return 0x9C;
    case 0x8E:
        return 0x9E;
    case 0x9F:
        return 0xFF;
    default:
        return c;
    }
}

bool listBoxLess(std::string_view a, std::string_view b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return foldCase(static_cast<unsigned char>(x)) < foldCase(static_cast<unsigned char>(y));
    });
}

std::size_t sortedPosition(const std::vector<std::string> &lines, std::string_view line)
{
    auto at = std::upper_bound(
        lines.begin(), lines.end(), line,
        [](std::string_view l, const std::string &r) { return listBoxLess(l, r); });
    return std::size_t(at - lines.begin());
}

} // namespace velk
