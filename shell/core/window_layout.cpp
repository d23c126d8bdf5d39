#include "shell/core/window_layout.h"

namespace velk {

// Splits `total` into `count` runs, the first `total % count` one longer; (start, length) pairs.
static std::vector<std::pair<int, int>> split(int total, int count)
{
    std::vector<std::pair<int, int>> runs;
    if (count <= 0) return runs;
    int base = total / count;
    int extra = total % count;
    int start = 0;
    for (int i = 0; i < count; ++i) {
        int length = base + (i < extra ? 1 : 0);
        runs.emplace_back(start, length);
        start += length;
    }
    return runs;
}

std::vector<tRect> sideBySideLayout(int areaWidth, int areaHeight, int count)
{
    std::vector<tRect> rects;
    for (auto [x, width] : split(areaWidth, count)) rects.push_back({x, 0, width, areaHeight});
    return rects;
}

std::vector<tRect> stackedLayout(int areaWidth, int areaHeight, int count)
{
    std::vector<tRect> rects;
    for (auto [y, height] : split(areaHeight, count)) rects.push_back({0, y, areaWidth, height});
    return rects;
}

std::vector<tRect> iconLayout(int areaWidth, int areaHeight, int count, int iconWidth,
                              int iconHeight)
{
    std::vector<tRect> rects;
    if (iconWidth <= 0 || iconHeight <= 0) return rects;
    int perRow = areaWidth / iconWidth;
    if (perRow < 1) perRow = 1;
    for (int i = 0; i < count; ++i) {
        int row = i / perRow;
        int column = i % perRow;
        rects.push_back(
            {column * iconWidth, areaHeight - (row + 1) * iconHeight, iconWidth, iconHeight});
    }
    return rects;
}

} // namespace velk
