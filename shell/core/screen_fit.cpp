#include "shell/core/screen_fit.h"

#include <algorithm>

namespace velk {

// One axis: the frame's start and length moved into [areaStart, areaStart + areaLength).
static void fitAxis(int &start, int &length, int before, int after, int areaStart, int areaLength)
{
    const int outer = std::min(length + before + after, std::max(areaLength, 0));
    length = std::max(1, outer - before - after);
    const int outerLength = length + before + after;
    int outerStart = start - before;
    outerStart = std::min(outerStart, areaStart + areaLength - outerLength);
    outerStart = std::max(outerStart, areaStart);
    start = outerStart + before;
}

tRect fitInside(const tRect &window, const tMargins &frame, const tRect &area)
{
    tRect r = window;
    fitAxis(r.x, r.width, frame.left, frame.right, area.x, area.width);
    fitAxis(r.y, r.height, frame.top, frame.bottom, area.y, area.height);
    return r;
}

bool liesInside(const tRect &inner, const tRect &outer)
{
    return inner.x >= outer.x && inner.y >= outer.y &&
           inner.x + inner.width <= outer.x + outer.width &&
           inner.y + inner.height <= outer.y + outer.height;
}

} // namespace velk
