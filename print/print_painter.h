// print_painter.h - paints the printed pages of the views (views/print_pages.h) onto paper: a
// QPrinter from the window, a QPdfWriter from the tool, or an image for a preview or a test.
//
// The page's abstract units are mapped onto the device's paintable page rect by one scale for
// both directions (the format's proportions are the page's), so that the margins of the format
// lie inside what the device's own margins leave.  Texts of the heading, the foot and the tables
// are "Arial" at one line height's 70 %; drawn pages paint their shapes with shape_painter.h,
// scaled by the page's scale, fonts included.
#ifndef VELK_PRINT_PRINT_PAINTER_H
#define VELK_PRINT_PRINT_PAINTER_H

#include <QRectF>

#include <string>

#include "views/print_pages.h"

class QPagedPaintDevice;
class QPainter;

namespace velk {

// Paints page `index` of `doc` into `target` (device coordinates of the painter), the page's
// units scaled to fit.  A target of other proportions than the page leaves a margin.
void paintPrintPage(QPainter &painter, const QRectF &target, const tPrintDoc &doc, int index);

// Paints every page onto `device`, each on a page of its own, A4 portrait or landscape as the
// page says.  False when the device cannot be painted on.
bool paintPrintDoc(QPagedPaintDevice &device, const tPrintDoc &doc);

// Writes the document as a PDF to `path` (UTF-8 file name): A4, each page portrait or landscape
// as the doc says, `title` (Windows-1252) as the document's title and "VELK" as its creator.
// False when the file cannot be written.
bool writePdf(const tPrintDoc &doc, const std::string &path, const std::string &title);

} // namespace velk

#endif
