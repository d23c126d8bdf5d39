// List boxes with tab stops: columns of a line, column widths from dialog units, the order of a
// sorting list box.
#include <gtest/gtest.h>

#include "shell/core/tab_stops.h"

using namespace velk;

TEST(TabStops, ColumnsOfALine)
{
    EXPECT_EQ(splitTabs("ab\tAnna Berg\t 1. 2.1990\t0711"),
              (std::vector<std::string>{"ab", "Anna Berg", " 1. 2.1990", "0711"}));
    EXPECT_EQ(splitTabs("no tab"), std::vector<std::string>{"no tab"});
    EXPECT_EQ(splitTabs("a\t\tb\t"), (std::vector<std::string>{"a", "", "b", ""}));
    EXPECT_EQ(splitTabs(""), std::vector<std::string>{""});
}

TEST(TabStops, ColumnWidthsFromDialogUnits)
{
    // A quarter of the average character width a unit, rounded: 48 units at 7 px are 84 px.
    EXPECT_EQ(tabColumnWidths({48, 198, 252}, 7), (std::vector<int>{84, 263, 94}));
    EXPECT_EQ(tabColumnWidths({48, 198, 252}, 8), (std::vector<int>{96, 300, 108}));
    EXPECT_EQ(tabColumnWidths({48}, 6), std::vector<int>{72});
    EXPECT_EQ(dialogUnitsToPixels(198, 7), 347);
    EXPECT_EQ(tabColumnWidths({50, 40}, 4), (std::vector<int>{50, 0})) << "a stop left of the last";
}

TEST(TabStops, SortingListBoxOrder)
{
    std::vector<std::string> lines = {"Anna", "bernd", "M\xdcller", "zoe"};
    const std::pair<const char *, std::size_t> cases[] = {
        {"Bernd", 2},     // after an equal text, case aside
        {"anna", 1},      //
        {"m\xfcller", 3}, // accented capitals fold too
        {"Zz", 4},        //
        {"", 0},          //
    };
    for (auto [line, at] : cases) EXPECT_EQ(sortedPosition(lines, line), at) << line;
    EXPECT_TRUE(listBoxLess("abc", "ABD"));
    EXPECT_FALSE(listBoxLess("ABC", "abc"));
    EXPECT_TRUE(listBoxLess("ab", "abc"));
}
