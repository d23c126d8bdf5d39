#include "calendar/ui/shape_painter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>

#include "app/ui/cp1252.h"

namespace velk {

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
    p.drawText(QRect(r.left, r.top, r.width(), r.height()), flags, fromCp1252(s.text));
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

QFont planFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(8);
    font.setWeight(QFont::Normal);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

tViewMetrics planMetrics(QPaintDevice *device)
{
    QFontMetrics fm(planFont(), device);
    return {fm.horizontalAdvance(QLatin1Char('0')), fm.height()};
}

void paintShapes(QPainter &painter, const std::vector<tShape> &shapes, QPoint offset)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setFont(planFont());
    painter.translate(-offset);
    for (const tShape &s : shapes) {
        switch (s.kind) {
        case tShape::Box:
            paintBox(painter, s);
            break;
        case tShape::Line:
            paintLine(painter, s);
            break;
        case tShape::Text:
            paintText(painter, s);
            break;
        case tShape::Triangle:
            paintTriangle(painter, s);
            break;
        }
    }
    painter.restore();
}

} // namespace velk
