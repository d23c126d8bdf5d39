#include "print/print_painter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>

#include "print/shape_painter.h"

namespace velk {

namespace {

// The drawn views' font in their layout's pixels (printMetrics: 8 points at 96 dpi).
constexpr int kShapeFontPixels = 11;

QFont pageFont(const tPageFormat &f, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, f.lineHeight * 7 / 10));
    font.setBold(bold);
    return font;
}

QRectF unitRect(int left, int top, int width, int height)
{
    return QRectF(left, top, width, height);
}

// `text` in the box, vertically centred, cut with "..." where it does not fit.
void drawCell(QPainter &p, const QRectF &box, const std::string &text, int align)
{
    const QString s = p.fontMetrics().elidedText(qtText(text), Qt::ElideRight, int(box.width()));
    p.drawText(box, align | Qt::AlignVCenter | Qt::TextSingleLine, s);
}

void paintHeading(QPainter &p, const tPrintDoc &doc, const tPrintPage &page, const tPageFormat &f,
                  int index)
{
    const int lh = f.lineHeight, w = f.width - 2 * f.margin;
    p.setPen(Qt::black);
    p.setFont(pageFont(f, true));
    drawCell(p, unitRect(f.margin, f.margin, w, lh), headingTitle(doc, page), Qt::AlignLeft);
    p.setFont(pageFont(f, false));
    drawCell(p, unitRect(f.margin, f.margin + lh, w, lh), headingByLine(doc), Qt::AlignLeft);
    p.setPen(QPen(Qt::black, std::max(1, lh / 20)));
    const int rule = f.margin + 2 * lh + lh / 4;
    p.drawLine(f.margin, rule, f.width - f.margin, rule);
    p.setPen(Qt::black);
    drawCell(p, unitRect(f.margin, f.height - f.margin - lh, w, lh),
             pageNumberText(index + 1, int(doc.pages.size())), Qt::AlignHCenter);
}

void paintTable(QPainter &p, const tPrintPage &page, const tPageFormat &f)
{
    const tRect body = bodyRect(f);
    const int lh = f.lineHeight, pad = lh / 5;
    auto paintRow = [&](const std::vector<std::string> &cells, int top) {
        int x = body.left;
        for (std::size_t c = 0; c < page.columns.size(); c++) {
            const int w = page.columns[c].width;
            if (c < cells.size()) drawCell(p, unitRect(x + pad, top, w - 2 * pad, lh), cells[c], 0);
            x += w;
        }
    };
    std::vector<std::string> titles;
    for (const tPrintColumn &c : page.columns) titles.push_back(c.title);
    p.setPen(Qt::black);
    p.setFont(pageFont(f, true));
    paintRow(titles, body.top);
    p.setPen(QPen(Qt::black, std::max(1, lh / 25)));
    p.drawLine(body.left, body.top + lh, body.right, body.top + lh);
    p.setPen(Qt::black);
    p.setFont(pageFont(f, false));
    for (std::size_t r = 0; r < page.rows.size(); r++)
        paintRow(page.rows[r], body.top + int(r + 1) * lh);
}

void paintDrawing(QPainter &p, const tPrintPage &page)
{
    p.save();
    p.translate(page.offsetX, page.offsetY);
    p.scale(page.scale, page.scale);
    paintShapes(p, page.shapes, {}, nullptr, kShapeFontPixels);
    p.restore();
}

QPageLayout::Orientation orientationOf(const tPrintPage &page)
{
    return page.landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
}

} // namespace

void paintPrintPage(QPainter &painter, const QRectF &target, const tPrintDoc &doc, int index)
{
    if (index < 0 || index >= int(doc.pages.size())) return;
    const tPrintPage &page = doc.pages[std::size_t(index)];
    const tPageFormat f = pageFormat(doc, page);
    if (f.width <= 0 || f.height <= 0) return;
    const double s = std::min(target.width() / f.width, target.height() / f.height);
    painter.save();
    painter.translate(target.left() + (target.width() - s * f.width) / 2,
                      target.top() + (target.height() - s * f.height) / 2);
    painter.scale(s, s);
    paintHeading(painter, doc, page, f, index);
    if (page.kind == tPrintPage::Table)
        paintTable(painter, page, f);
    else
        paintDrawing(painter, page);
    painter.restore();
}

bool paintPrintDoc(QPagedPaintDevice &device, const tPrintDoc &doc)
{
    if (doc.pages.empty()) return false;
    device.setPageOrientation(orientationOf(doc.pages.front()));
    QPainter painter;
    if (!painter.begin(&device)) return false;
    for (std::size_t i = 0; i < doc.pages.size(); i++) {
        if (i > 0) {
            // Takes effect on the page newPage() begins.
            device.setPageOrientation(orientationOf(doc.pages[i]));
            if (!device.newPage()) return false;
        }
        const QRectF target(QPointF(0, 0),
                            device.pageLayout().paintRectPixels(device.logicalDpiX()).size());
        paintPrintPage(painter, target, doc, int(i));
    }
    return painter.end();
}

bool writePdf(const tPrintDoc &doc, const std::string &path, const std::string &title)
{
    QPdfWriter writer(QString::fromStdString(path));
    writer.setTitle(qtText(title));
    writer.setCreator(QStringLiteral("VELK"));
    writer.setResolution(300);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    return paintPrintDoc(writer, doc);
}

} // namespace velk
