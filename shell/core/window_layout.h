// window_layout.h - where the "Fenster" commands put the views.
//
// Plain geometry on the client area: tiling side by side (each view the full height), one above
// the other (each view the full width), and the row of minimised views along the bottom edge.
// Sizes that do not divide evenly give the first views one pixel more.
#ifndef VELK_SHELL_CORE_WINDOW_LAYOUT_H
#define VELK_SHELL_CORE_WINDOW_LAYOUT_H

#include <vector>

namespace velk {

struct tRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const tRect &, const tRect &) = default;
};

std::vector<tRect> sideBySideLayout(int areaWidth, int areaHeight, int count);
std::vector<tRect> stackedLayout(int areaWidth, int areaHeight, int count);

// Icons of iconWidth x iconHeight from the bottom-left corner to the right, starting a new row
// above when a row is full; at least one icon a row.
std::vector<tRect> iconLayout(int areaWidth, int areaHeight, int count, int iconWidth,
                              int iconHeight);

} // namespace velk

#endif
