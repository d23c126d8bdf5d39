// print_pages.h - the printed pages of the views, as plain values: a document of pages, each with
// the heading (view, range, user, printed at), "Seite n von m" at its foot, and either a table or
// the drawn view's own shapes scaled into the page.
//
// A page is measured in abstract units (tPageFormat: tenths of a millimetre by default, A4).
// The painter (print/print_painter.h) maps the whole page onto the device's page rect, so the
// units only have to keep their proportions:
//
//   y from                     to                           what
//   margin                     margin + 2 lineHeight        the heading: title and range, then
//                                                           "Benutzer: USER  gedruckt am ..."
//   margin + 3 lineHeight      height - margin - 2 lh       the body (bodyRect)
//   height - margin - lh       height - margin              "Seite n von m", centred
//
// A table page repeats its columns' titles on the body's first line and holds rowsPerPage rows
// below it.  A drawn page carries the shapes as the view lays them out (tViewMetrics of
// printMetrics()), the rect of the layout they occupy (source: the view's extent, grown to any
// shape that reaches beyond it), and the scale and offset that fit that rect into the body,
// proportions kept, centred across and at the top:
//
//   page x = offsetX + scale * shape x,  page y = offsetY + scale * shape y
//
// Texts are Windows-1252, as everywhere in the views.
#ifndef VELK_VIEWS_PRINT_PAGES_H
#define VELK_VIEWS_PRINT_PAGES_H

#include "projects/project.h"
#include "views/occupancy_plan.h"
#include "views/view_types.h"
#include "views/week_view.h"

#include <string>
#include <vector>

namespace velk {

struct tSelection;

// The page in abstract units, portrait; landscape pages swap width and height.
struct tPageFormat {
    int width = 2100; // A4 in tenths of a millimetre
    int height = 2970;
    int margin = 150;
    int lineHeight = 50; // one line of the heading, the foot and a table
};

// The format turned to landscape (width and height swapped), margins and lines kept.
tPageFormat landscapeOf(const tPageFormat &format);
// The rect of the body between heading and foot.
tRect bodyRect(const tPageFormat &format);
// The rows of a table below its repeated column heading on one page (at least 1).
int rowsPerPage(const tPageFormat &format);

// What every page's heading says besides its own range.
struct tPrintHeading {
    std::string view;      // "Wochenkalender", "Personenliste", ...
    std::string user;      // the logged-in user
    std::string printedAt; // "10.12.2026 17:05"
};

struct tPrintColumn {
    std::string title;
    int width = 0; // in page units
};

struct tPrintPage {
    enum Kind { Table, Drawing };
    Kind kind = Table;
    bool landscape = false;
    std::string range; // "07.12.2026 - 13.12.2026", "1. Quartal 2026"; may be empty
    // Table
    std::vector<tPrintColumn> columns;
    std::vector<std::vector<std::string>> rows; // one text per column
    // Drawing
    std::vector<tShape> shapes;
    tRect source; // the part of the layout the shapes occupy
    double scale = 1.0;
    int offsetX = 0;
    int offsetY = 0;
};

struct tPrintDoc {
    std::string title; // the document's title (the PDF's), "Wochenkalender 07.12.2026"
    tPrintHeading heading;
    tPageFormat format; // portrait; a landscape page uses landscapeOf(format)
    std::vector<tPrintPage> pages;
};

// The format of one page of the document.
tPageFormat pageFormat(const tPrintDoc &doc, const tPrintPage &page);
// The heading's two lines: "VIEW  RANGE" (the range left out when empty) and
// "Benutzer: USER  gedruckt am PRINTED".
std::string headingTitle(const tPrintDoc &doc, const tPrintPage &page);
std::string headingByLine(const tPrintDoc &doc);
// "Seite n von m", n counted from 1.
std::string pageNumberText(int number, int count);
// "TT.MM.JJJJ".
std::string printDate(const tDate &date);
// "TT.MM.JJJJ hh:mm", the heading's "printed at".
std::string printStamp(const tDateTime &at);

// The metrics the drawn views are laid out by for paper: the views' own font at 96 dpi, every
// character counted as wide as a digit (no device to measure on).
tViewMetrics printMetrics();
// Fits `source` into `body`: the largest scale that keeps both sides inside, centred across,
// at the top.  Sets page.source, scale, offsetX and offsetY.
void fitShapes(tPrintPage &page, tRect source, tRect body);
// The rect a shape covers on the page after the page's scale and offset.
tRect shapeOnPage(const tPrintPage &page, const tShape &shape);

// Table pages: the rows split into pages of rowsPerPage(format) rows, each with the columns.
// Widths of 0 share the width the others leave.  No rows give one page with the heading only.
std::vector<tPrintPage> tablePages(const tPageFormat &format, std::vector<tPrintColumn> columns,
                                   const std::vector<std::vector<std::string>> &rows,
                                   bool landscape = false, const std::string &range = {});

// The builders.  Each fills title, heading and pages; `heading.view` is set by the builder.
// The week: one landscape page, seven panes (Monday to Sunday) with each day's heading
// (holidays in it), its birthdays, appointments and tasks; today's heading tinted.  The panes
// hold as many lines as the fullest day has, from 17 to 40; a day with more ends on "...".
tPrintDoc weekPrintDoc(const tWeek &week, tPrintHeading heading, const tTodayMark &today = {},
                       const tPageFormat &format = {});
// The shapes of the week's panes in the layout of `m`, and the extent they take.
std::vector<tShape> weekPrintShapes(const tWeek &week, const tViewMetrics &m,
                                    const tTodayMark &today, tPoint *extent = nullptr);
// The month planner of `month`: one landscape page of planerShapes.
tPrintDoc planerPrintDoc(const tDate &month, tPrintHeading heading, tHolidayCache &holidays,
                         const tTodayMark &today = {}, const tPageFormat &format = {});
// The occupancy plan: one landscape page per three months from `firstMonth` (1 to 12) for
// `months` months (the last page may hold fewer), each from jahrPlanShapes' month blocks.
tPrintDoc jahrPlanPrintDoc(const tJahrPlanData &data, int firstMonth, int months,
                           tPrintHeading heading, tHolidayCache &holidays,
                           const tTodayMark &today = {}, const tPageFormat &format = {});
// The shapes of months firstMonth .. firstMonth + count - 1 out of the year's shapes, moved up
// so that the first month's block starts at y 0.
std::vector<tShape> jahrPlanMonthShapes(const std::vector<tShape> &year, const tViewMetrics &m,
                                        int resources, int firstMonth, int count);
// The appointment list: columns Datum, Art, Eintrag, from termListLines' lines.
tPrintDoc termListPrintDoc(const std::vector<tViewLine> &lines, const tDate &start,
                           tPrintHeading heading, const tPageFormat &format = {});
// Any list whose lines carry their columns separated by tabs (resources "ID\tTITLE", projects,
// alarms, the selection list): one column per title, a line with fewer tabs leaves the last
// cells empty, one with more keeps the rest in its last cell.  `view` names the list.
tPrintDoc linesPrintDoc(const std::string &view, std::vector<tPrintColumn> columns,
                        const std::vector<std::string> &lines, tPrintHeading heading,
                        const std::string &range = {}, const tPageFormat &format = {});
// The selection list: columns Art, Eintrag, through linesPrintDoc; the range is the dialog's
// title (the day, or "Ändern" / "Löschen" of a range), leading blanks left out.
tPrintDoc selectionPrintDoc(const tSelection &selection, tPrintHeading heading,
                            const tPageFormat &format = {});
// The person list: columns ID, Name, Geburtstag, Telefon from personListLine's tab columns.
tPrintDoc personPrintDoc(const std::vector<std::string> &lines, tPrintHeading heading,
                         const tPageFormat &format = {});
// The task list in its current order: columns ID, Bezeichnung, Prio, Fertig (taskColumnText).
tPrintDoc taskPrintDoc(const std::vector<tTask> &tasks, tPrintHeading heading,
                       const tPageFormat &format = {});

} // namespace velk

#endif
