// view_zoom.h - the zoom of the drawn views (month planner, occupancy plan) and what the layout
// needs to keep its texts readable at every size: the zoom steps, the metrics at a zoom, the
// largest zoom at which a drawing fits a window, texts cut with "..." where they do not fit, the
// size and spacing of the day numbers, and the line of text a view keeps for the desk.
//
// Zoom is a whole percentage from 50 to 400; 100 draws exactly as the views always have.
#ifndef VELK_VIEWS_VIEW_ZOOM_H
#define VELK_VIEWS_VIEW_ZOOM_H

#include "views/view_types.h"

#include <functional>
#include <string>
#include <vector>

namespace velk {

inline constexpr int kMinZoom = 50;
inline constexpr int kMaxZoom = 400;
inline constexpr int kOwnZoom = 100;

// The steps of "Vergrößern" and "Verkleinern" (and of Ctrl with the wheel).
const std::vector<int> &zoomSteps();
int clampZoom(int zoom);
// The next step above or below `zoom` (which need not be a step itself); the ends stay.
int zoomedIn(int zoom);
int zoomedOut(int zoom);
// A zoom as kept in the settings: a whole number from 50 to 400, anything else is 100.
int zoomFromSetting(const std::string &text);

// The metrics measured at 100 % (`own`) multiplied by `zoom`: U and H rounded, at least 1.
tViewMetrics zoomedMetrics(const tViewMetrics &own, int zoom);

// The largest zoom at which `extent` (the pixels a drawing takes at some metrics) fits into
// width x height; a height of 0 leaves the height free.  kMinZoom when nothing fits.
int fitZoom(const tViewMetrics &own, int width, int height,
            const std::function<tPoint(const tViewMetrics &)> &extent);

// What a drawing `extent` pixels large needs to be seen in a window of width x height whose
// scroll bars are `bar` pixels thick: which bars, the part left to show it in, and how far each
// bar moves (0 without it).  A bar across takes height, which may call for the other one.
struct tScrollNeed {
    bool across = false, down = false;
    int width = 0, height = 0; // what is left to draw in
    int rangeX = 0, rangeY = 0;
    friend bool operator==(const tScrollNeed &, const tScrollNeed &) = default;
};
tScrollNeed scrollNeed(tPoint extent, int width, int height, int bar);

// The width of a text at the font size `size` (percent of the views' own font).
int textWidth(const tViewMetrics &m, const std::string &cp1252, int size);
// `text` when it fits into `width` pixels at `size`; else the longest beginning of it followed
// by "..." (the one character 0x85 of Windows-1252) that fits; "" when not even that fits.
std::string elidedText(const tViewMetrics &m, const std::string &cp1252, int size, int width);

// How the day numbers over columns `column` pixels wide are written: the font size (percent)
// and every how many days a number stands (1; 2, 4 or 8 when even the smallest size is too wide
// for every day: the number then stands centred over its own day's column and may reach into
// the columns of the days without a number).
struct tDayNumberStyle {
    int size = 100;
    int every = 1;
    friend bool operator==(const tDayNumberStyle &, const tDayNumberStyle &) = default;
};
// The pixels kept free between two day numbers.
int dayNumberGap(int column);
tDayNumberStyle dayNumberStyle(const tViewMetrics &m, int column);
// The box of day `day`'s number over the column starting at x: as wide as the number, centred
// over its column; an empty box for a day without number.
tRect dayNumberBox(const tViewMetrics &m, const tDayNumberStyle &style, int day, int x, int column,
                   int top, int bottom);

// Light tint of a colour for a filled background (a quarter of it over white).
tRgb tinted(tRgb colour);

// The desk lines: "Monat 3/2024 Zoom 150" and "Jahr 2024 Zoom 150".  Reading answers false
// (changing nothing) for a line that is not one of them or whose values are out of range.
std::string planerDeskLine(const tDate &month, int zoom);
bool readPlanerDeskLine(const std::string &line, tDate &month, int &zoom);
std::string jahrPlanDeskLine(int year, int zoom);
bool readJahrPlanDeskLine(const std::string &line, int &year, int &zoom);

} // namespace velk

#endif
