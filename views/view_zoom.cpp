#include "views/view_zoom.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace velk {

namespace {

// The smallest font the day numbers shrink to before they are written only every few days: six
// tenths of the views' own 8 points (at a smaller zoom, that zoom's size).
constexpr int kSmallestDayNumber = 60;
constexpr int kSizeStep = 5;

int scaled(int value, int zoom) { return std::max(1, (value * zoom + 50) / 100); }

int widestDayNumber(const tViewMetrics &m, int size)
{
    int widest = 0;
    for (int d = 1; d <= 31; d++) widest = std::max(widest, textWidth(m, std::to_string(d), size));
    return widest;
}

// The whole line was read: "%n" reached its end.
bool readAll(const std::string &line, int consumed) { return consumed == int(line.size()); }

} // namespace

const std::vector<int> &zoomSteps()
{
    static const std::vector<int> steps{50,  67,  75,  90,  100, 110, 125,
                                        150, 175, 200, 250, 300, 400};
    return steps;
}

int clampZoom(int zoom) { return std::clamp(zoom, kMinZoom, kMaxZoom); }

int zoomedIn(int zoom)
{
    for (int step : zoomSteps())
        if (step > zoom) return step;
    return kMaxZoom;
}

int zoomedOut(int zoom)
{
    const std::vector<int> &steps = zoomSteps();
    for (auto it = steps.rbegin(); it != steps.rend(); ++it)
        if (*it < zoom) return *it;
    return kMinZoom;
}

int zoomFromSetting(const std::string &text)
{
    const char *begin = text.c_str();
    while (*begin == ' ') begin++;
    char *end = nullptr;
    long value = std::strtol(begin, &end, 10);
    while (end && *end == ' ') end++;
    if (end == begin || !end || *end || value < kMinZoom || value > kMaxZoom) return kOwnZoom;
    return int(value);
}

tViewMetrics zoomedMetrics(const tViewMetrics &own, int zoom)
{
    tViewMetrics m = own;
    m.zoom = clampZoom(zoom);
    if (m.zoom == kOwnZoom) return m;
    m.U = scaled(own.U, m.zoom);
    m.H = scaled(own.H, m.zoom);
    return m;
}

int fitZoom(const tViewMetrics &own, int width, int height,
            const std::function<tPoint(const tViewMetrics &)> &extent)
{
    for (int zoom = kMaxZoom; zoom > kMinZoom; zoom--) {
        tPoint need = extent(zoomedMetrics(own, zoom));
        if (need.x <= width && (height <= 0 || need.y <= height)) return zoom;
    }
    return kMinZoom;
}

tScrollNeed scrollNeed(tPoint extent, int width, int height, int bar)
{
    tScrollNeed n;
    for (int pass = 0; pass < 2; pass++) {
        n.width = width - (n.down ? bar : 0);
        n.height = height - (n.across ? bar : 0);
        n.across = extent.x > n.width;
        n.down = extent.y > n.height;
    }
    n.width = std::max(0, width - (n.down ? bar : 0));
    n.height = std::max(0, height - (n.across ? bar : 0));
    n.rangeX = n.across ? extent.x - n.width : 0;
    n.rangeY = n.down ? extent.y - n.height : 0;
    return n;
}

int textWidth(const tViewMetrics &m, const std::string &cp1252, int size)
{
    if (m.text) return m.text->width(cp1252, size);
    const int zoom = m.zoom > 0 ? m.zoom : kOwnZoom;
    return (int(cp1252.size()) * m.U * size + zoom - 1) / zoom;
}

std::string elidedText(const tViewMetrics &m, const std::string &cp1252, int size, int width)
{
    if (textWidth(m, cp1252, size) <= width) return cp1252;
    auto cut = [&](std::size_t n) {
        std::string s = cp1252.substr(0, n);
        while (!s.empty() && s.back() == ' ') s.pop_back();
        return s + '\x85';
    };
    // The longest beginning that fits, by halving: the width grows with the characters.
    std::size_t lo = 0, hi = cp1252.size(); // cut(lo) is tried last; cut(hi) never fits
    if (textWidth(m, cut(0), size) > width) return "";
    while (hi - lo > 1) {
        std::size_t mid = (lo + hi) / 2;
        if (textWidth(m, cut(mid), size) <= width)
            lo = mid;
        else
            hi = mid;
    }
    return cut(lo);
}

int dayNumberGap(int column) { return std::max(2, column / 6); }

tDayNumberStyle dayNumberStyle(const tViewMetrics &m, int column)
{
    const int zoom = m.zoom > 0 ? m.zoom : kOwnZoom;
    const int smallest = std::min(zoom, kSmallestDayNumber);
    for (int every : {1, 2, 4, 8}) {
        const int room = every * column - dayNumberGap(column);
        for (int size = zoom; size >= smallest; size -= kSizeStep)
            if (widestDayNumber(m, size) <= room) return {size, every};
    }
    return {smallest, 8};
}

tRect dayNumberBox(const tViewMetrics &m, const tDayNumberStyle &style, int day, int x, int column,
                   int top, int bottom)
{
    if (style.every > 1 && (day - 1) % style.every != 0) return {x, top, x, bottom};
    const int w = textWidth(m, std::to_string(day), style.size);
    const int left = x + (column - w) / 2;
    return {left, top, left + w, bottom};
}

tRgb tinted(tRgb c)
{
    auto mix = [](int v) { return (v + 3 * 255 + 2) / 4; };
    return {mix(c.r), mix(c.g), mix(c.b)};
}

std::string planerDeskLine(const tDate &month, int zoom)
{
    return "Monat " + std::to_string(month.month) + "/" + std::to_string(month.year) + " Zoom " +
           std::to_string(zoom);
}

bool readPlanerDeskLine(const std::string &line, tDate &month, int &zoom)
{
    int m = 0, y = 0, z = 0, consumed = -1;
    if (std::sscanf(line.c_str(), "Monat %d/%d Zoom %d%n", &m, &y, &z, &consumed) != 3 ||
        !readAll(line, consumed) || m < 1 || m > 12 || y < 1 || y > 9999 || z < kMinZoom ||
        z > kMaxZoom)
        return false;
    month = {1, m, y};
    zoom = z;
    return true;
}

std::string jahrPlanDeskLine(int year, int zoom)
{
    return "Jahr " + std::to_string(year) + " Zoom " + std::to_string(zoom);
}

bool readJahrPlanDeskLine(const std::string &line, int &year, int &zoom)
{
    int y = 0, z = 0, consumed = -1;
    if (std::sscanf(line.c_str(), "Jahr %d Zoom %d%n", &y, &z, &consumed) != 2 ||
        !readAll(line, consumed) || y < 1 || y > 9999 || z < kMinZoom || z > kMaxZoom)
        return false;
    year = y;
    zoom = z;
    return true;
}

} // namespace velk
