// shape_painter.h - paints the shapes of the drawn calendar views (month planner, occupancy
// plan) with QPainter, and measures the font they are laid out by.
//
// The font is "Arial" at 8 points, normal weight; where the system has no Arial, fontconfig puts
// a metric-compatible face in its place.  U (the width of "0") and H (the line height) come
// from the font as it is rendered on the device, so the layout grows with the screen's DPI.
// Only Qt Gui is used here, so that the views can also be painted into images and onto paper
// (print_painter.h), the same shapes the screen shows.
#ifndef VELK_PRINT_SHAPE_PAINTER_H
#define VELK_PRINT_SHAPE_PAINTER_H

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QPoint>
#include <QRect>
#include <QString>

#include <map>
#include <string>
#include <vector>

#include "views/view_types.h"

class QMouseEvent;
class QPainter;
class QPaintDevice;

namespace velk {

// At `size` percent of the 8 points (texts of a zoomed view, smaller day numbers).
QFont planFont(int size = 100);
// The same face `pixels` high (at 100 %) in the painter's own coordinates: on paper the shapes
// are laid out in screen pixels and scaled, so the font must scale with them.
QFont planFontPixels(int pixels, int size = 100);
// Stored text (Windows-1252) as a Qt string, through the table of base/cp1252.h.
QString qtText(const std::string &cp1252);
// U and H of planFont() as drawn on `device` (a widget or an image).
tViewMetrics planMetrics(QPaintDevice *device);

// The widths of texts in planFont(size) as drawn on a device, for the layout to decide what
// fits.  One font metrics per size is kept.
class tPlanTextWidths : public tTextWidths {
public:
    explicit tPlanTextWidths(QPaintDevice *device) : device_(device) {}
    int width(const std::string &cp1252, int size) const override;

private:
    QPaintDevice *device_;
    mutable std::map<int, QFontMetrics> metrics_;
};

inline QColor toColor(tRgb c) { return QColor(c.r, c.g, c.b); }

// Paints every shape in order, shifted by -offset (the scroll position in pixels), texts in
// planFont() at their shape's size.  A rectangle covers its pixels from left/top up to, not
// including, right/bottom; a line's end point is left out.  With `visible` (in the shapes' own,
// unshifted coordinates) shapes wholly outside it are skipped.  With `fontPixels` above 0 the
// texts take planFontPixels(fontPixels, size) instead of the point size.
void paintShapes(QPainter &painter, const std::vector<tShape> &shapes, QPoint offset = {},
                 const QRect *visible = nullptr, int fontPixels = 0);

// The pixels a shape may touch, in its own coordinates.
QRect shapeBounds(const tShape &shape);

// Where a mouse event happened, in the widget's pixels.
tPoint pointOf(const QMouseEvent *event);

} // namespace velk

#endif
