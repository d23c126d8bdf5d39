#include "print/shape_painter.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>

#include <algorithm>

#include "base/cp1252.h"

namespace velk {

QString qtText(const std::string &cp1252)
{
    QString out;
    out.reserve(static_cast<qsizetype>(cp1252.size()));
    for (unsigned char b : cp1252) out.append(QChar(cp1252Char(b)));
    return out;
}

namespace {

QPen thinPen(tRgb c)
{
    // One pixel of the layout: two device pixels on a screen of twice the density.
    return QPen(toColor(c), 1);
}

void paintBox(QPainter &p, const tShape &s)
{
    const tRect &r = s.rect;
    if (r.width() <= 0 || r.height() <= 0) return;
    if (s.filled) p.fillRect(QRect(r.left, r.top, r.width(), r.height()), toColor(s.fill));
    if (s.outlined) {
        p.setPen(thinPen(s.pen));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(r.left, r.top, r.width() - 1, r.height() - 1));
    }
}

// The line without its end point, as the views' geometry counts it.
void paintLine(QPainter &p, const tShape &s)
{
    QPoint a(s.points[0].x, s.points[0].y), b(s.points[1].x, s.points[1].y);
    if (a == b) return;
    QPoint step((b.x() > a.x()) - (b.x() < a.x()), (b.y() > a.y()) - (b.y() < a.y()));
    p.setPen(thinPen(s.pen));
    p.drawLine(a, b - step);
}

void paintText(QPainter &p, const tShape &s)
{
    const tRect &r = s.rect;
    if (r.width() <= 0 || r.height() <= 0 || s.text.empty()) return;
    p.setPen(toColor(s.pen));
    int flags = Qt::AlignVCenter | Qt::TextSingleLine | (s.centred ? Qt::AlignHCenter : 0);
    p.drawText(QRect(r.left, r.top, r.width(), r.height()), flags, qtText(s.text));
}

void paintTriangle(QPainter &p, const tShape &s)
{
    QPolygon polygon;
    for (const tPoint &pt : s.points) polygon << QPoint(pt.x, pt.y);
    p.setPen(thinPen(s.pen));
    p.setBrush(s.filled ? QBrush(toColor(s.fill)) : QBrush(Qt::NoBrush));
    p.drawPolygon(polygon);
}

} // namespace

QFont planFont(int size)
{
    QFont font(QStringLiteral("Arial"));
    if (size == 100)
        font.setPointSize(8);
    else
        font.setPointSizeF(8.0 * std::max(size, 1) / 100.0);
    // Below the views' own size strokes snap to whole pixels: thin smoothed stems of small
    // digits would come out pale.
    if (size < 100) font.setHintingPreference(QFont::PreferFullHinting);
    font.setWeight(QFont::Normal);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

tViewMetrics planMetrics(QPaintDevice *device)
{
    QFontMetrics fm(planFont(), device);
    return {fm.horizontalAdvance(QLatin1Char('0')), fm.height()};
}

int tPlanTextWidths::width(const std::string &cp1252, int size) const
{
    auto it = metrics_.find(size);
    if (it == metrics_.end())
        it = metrics_.emplace(size, QFontMetrics(planFont(size), device_)).first;
    return it->second.horizontalAdvance(qtText(cp1252));
}

QRect shapeBounds(const tShape &s)
{
    if (s.kind == tShape::Box || s.kind == tShape::Text)
        return QRect(QPoint(s.rect.left, s.rect.top), QPoint(s.rect.right, s.rect.bottom));
    const int n = s.kind == tShape::Line ? 2 : 3;
    QRect bounds(QPoint(s.points[0].x, s.points[0].y), QSize(1, 1));
    for (int i = 1; i < n; i++) bounds |= QRect(QPoint(s.points[i].x, s.points[i].y), QSize(1, 1));
    return bounds;
}

QFont planFontPixels(int pixels, int size)
{
    QFont font = planFont(size);
    font.setPixelSize(std::max(1, pixels * std::max(size, 1) / 100));
    return font;
}

void paintShapes(QPainter &painter, const std::vector<tShape> &shapes, QPoint offset,
                 const QRect *visible, int fontPixels)
{
    auto fontOf = [fontPixels](int size) {
        return fontPixels > 0 ? planFontPixels(fontPixels, size) : planFont(size);
    };
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setFont(fontOf(100));
    int fontSize = 100;
    painter.translate(-offset);
    for (const tShape &s : shapes) {
        if (visible && !visible->intersects(shapeBounds(s))) continue;
        switch (s.kind) {
        case tShape::Box:
            paintBox(painter, s);
            break;
        case tShape::Line:
            paintLine(painter, s);
            break;
        case tShape::Text:
            if (s.textSize != fontSize) painter.setFont(fontOf(fontSize = s.textSize));
            paintText(painter, s);
            break;
        case tShape::Triangle:
            paintTriangle(painter, s);
            break;
        }
    }
    painter.restore();
}

tPoint pointOf(const QMouseEvent *event)
{
    QPoint p = event->position().toPoint();
    return {p.x(), p.y()};
}

} // namespace velk
