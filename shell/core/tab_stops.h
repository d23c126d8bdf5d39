// tab_stops.h - list boxes with tab stops, as item views with columns.
//
// A list line is stored text (Windows-1252) whose tab-separated parts are the columns.  The tab
// stops are given in dialog units; a horizontal dialog unit is a quarter of the average
// character width of the dialog font.  A sorting list box orders its lines by their text
// without regard to case.
#ifndef VELK_SHELL_CORE_TAB_STOPS_H
#define VELK_SHELL_CORE_TAB_STOPS_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velk {

// The tab-separated parts of a line; a line without a tab is one part.
std::vector<std::string> splitTabs(std::string_view line);

// Dialog units to pixels for a font of this average character width, rounded to the nearest.
int dialogUnitsToPixels(int units, int averageCharWidth);

// The widths in pixels of the columns the stops close: the first from 0 to the first stop, each
// further one from a stop to the next.  The column after the last stop has no width of its own.
std::vector<int> tabColumnWidths(const std::vector<int> &stops, int averageCharWidth);

// The order of a sorting list box: by text, letters (also the accented ones) without regard to
// case; equal texts in the order they arrived.
bool listBoxLess(std::string_view a, std::string_view b);

// Where a sorting list box puts a new line among lines already in its order: after every line
// not greater than it.
std::size_t sortedPosition(const std::vector<std::string> &lines, std::string_view line);

} // namespace velk

#endif
