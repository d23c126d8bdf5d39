#include "views/print_pages.h"

#include "projects/comparator.h"
#include "views/month_planner.h"
#include "views/selection_list.h"
#include "views/shapes.h"
#include "views/term_list.h"
#include "views/view_lines.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace velk {

namespace {

constexpr int kHeadingLines = 3; // title, by-line, a line of space
constexpr int kFootLines = 2;    // a line of space, the page number
constexpr int kWeekColumns = 4;  // Monday to Thursday above, Friday to Sunday below
constexpr int kWeekPaneWidth = 36;
constexpr int kWeekMinLines = 17; // fills a landscape A4 page across and down
constexpr int kWeekMaxLines = 40;

tPrintHeading withView(tPrintHeading heading, const char *view)
{
    heading.view = view;
    return heading;
}

// The topmost pixel row a shape touches, in its own coordinates.
int shapeTop(const tShape &s)
{
    if (s.kind == tShape::Box || s.kind == tShape::Text) return s.rect.top;
    const int n = s.kind == tShape::Line ? 2 : 3;
    int top = s.points[0].y;
    for (int i = 1; i < n; i++) top = std::min(top, s.points[i].y);
    return top;
}

tRect shapeExtent(const tShape &s)
{
    if (s.kind == tShape::Box || s.kind == tShape::Text) return s.rect;
    const int n = s.kind == tShape::Line ? 2 : 3;
    tRect r{s.points[0].x, s.points[0].y, s.points[0].x + 1, s.points[0].y + 1};
    for (int i = 1; i < n; i++) {
        r.left = std::min(r.left, s.points[i].x);
        r.top = std::min(r.top, s.points[i].y);
        r.right = std::max(r.right, s.points[i].x + 1);
        r.bottom = std::max(r.bottom, s.points[i].y + 1);
    }
    return r;
}

void moveShape(tShape &s, int dy, int dx = 0)
{
    s.rect.top += dy;
    s.rect.bottom += dy;
    s.rect.left += dx;
    s.rect.right += dx;
    for (tPoint &p : s.points) {
        p.x += dx;
        p.y += dy;
    }
}

// Paper has the room the window lacks: each resource's ID whole (capitals counted half as wide
// again as a digit), its box grown to the left, and everything moved right by what the widest
// grew; answers that width, which the layout's extent grows by.
int wholeLabels(std::vector<tShape> &shapes, const tViewMetrics &m)
{
    int extra = 0;
    for (tShape &s : shapes) {
        if (s.role != tShape::ResourceLabel || s.key.empty()) continue;
        s.text = s.key;
        const int needed = int(s.key.size()) * m.U * 3 / 2 + m.U / 2;
        extra = std::max(extra, needed - s.rect.width());
    }
    for (tShape &s : shapes) {
        moveShape(s, 0, extra);
        if (s.role == tShape::ResourceLabel) s.rect.left -= extra;
    }
    return extra;
}

// The layout's extent, grown where a shape reaches beyond it (a bar on the last day of a month
// runs on into the hours of the next).
tRect grownSource(tRect source, const std::vector<tShape> &shapes)
{
    for (const tShape &s : shapes) {
        const tRect r = shapeExtent(s);
        source.left = std::min(source.left, r.left);
        source.top = std::min(source.top, r.top);
        source.right = std::max(source.right, r.right);
        source.bottom = std::max(source.bottom, r.bottom);
    }
    return source;
}

tPrintPage drawingPage(const tPrintDoc &doc, std::vector<tShape> shapes, tRect source,
                       std::string range)
{
    tPrintPage page;
    page.kind = tPrintPage::Drawing;
    page.landscape = true;
    page.range = std::move(range);
    page.shapes = std::move(shapes);
    fitShapes(page, grownSource(source, page.shapes), bodyRect(pageFormat(doc, page)));
    return page;
}

// The text of a list line without its kind character and the blank after it.
std::string lineBody(const std::string &text)
{
    std::size_t from =
        text.size() > 1 && text[1] == ' ' ? 2 : std::min<std::size_t>(1, text.size());
    return text.substr(from);
}

const char *kindName(tLineKind kind)
{
    switch (kind) {
    case tLineKind::Holiday:
        return "Feiertag";
    case tLineKind::Birthday:
        return "Geburtstag";
    case tLineKind::Termin:
        return "Termin";
    case tLineKind::Task:
        return "Aufgabe";
    }
    return "";
}

std::vector<std::string> splitTabs(const std::string &line, std::size_t columns)
{
    std::vector<std::string> cells;
    std::size_t from = 0;
    while (cells.size() + 1 < columns) {
        std::size_t tab = line.find('\t', from);
        if (tab == std::string::npos) break;
        cells.push_back(line.substr(from, tab - from));
        from = tab + 1;
    }
    cells.push_back(from <= line.size() ? line.substr(from) : std::string());
    cells.resize(columns);
    return cells;
}

} // namespace

tPageFormat landscapeOf(const tPageFormat &format)
{
    tPageFormat f = format;
    std::swap(f.width, f.height);
    return f;
}

tRect bodyRect(const tPageFormat &f)
{
    return {f.margin, f.margin + kHeadingLines * f.lineHeight, f.width - f.margin,
            f.height - f.margin - kFootLines * f.lineHeight};
}

int rowsPerPage(const tPageFormat &format)
{
    const tRect body = bodyRect(format);
    if (format.lineHeight <= 0) return 1;
    // The first line of the body repeats the column titles.
    return std::max(1, body.height() / format.lineHeight - 1);
}

tPageFormat pageFormat(const tPrintDoc &doc, const tPrintPage &page)
{
    return page.landscape ? landscapeOf(doc.format) : doc.format;
}

std::string headingTitle(const tPrintDoc &doc, const tPrintPage &page)
{
    return page.range.empty() ? doc.heading.view : doc.heading.view + "  " + page.range;
}

std::string headingByLine(const tPrintDoc &doc)
{
    return "Benutzer: " + doc.heading.user + "  gedruckt am " + doc.heading.printedAt;
}

std::string pageNumberText(int number, int count)
{
    return viewFormat("Seite %d von %d", number, count);
}

std::string printDate(const tDate &date)
{
    return viewFormat("%02d.%02d.%04d", date.day, date.month, date.year);
}

std::string printStamp(const tDateTime &at)
{
    return printDate(at) + viewFormat(" %02d:%02d", at.hour, at.minute);
}

tViewMetrics printMetrics()
{
    // "0" of Arial at 8 points on a screen of 96 dpi, and its line height.
    return {6, 13, 100, nullptr};
}

void fitShapes(tPrintPage &page, tRect source, tRect body)
{
    page.source = source;
    if (source.width() <= 0 || source.height() <= 0) {
        page.scale = 1.0;
        page.offsetX = body.left;
        page.offsetY = body.top;
        return;
    }
    page.scale =
        std::min(double(body.width()) / source.width(), double(body.height()) / source.height());
    const double used = page.scale * source.width();
    page.offsetX =
        int(std::floor(body.left + (body.width() - used) / 2 - page.scale * source.left));
    page.offsetY = int(std::floor(body.top - page.scale * source.top));
}

tRect shapeOnPage(const tPrintPage &page, const tShape &shape)
{
    const tRect r = shapeExtent(shape);
    auto x = [&page](int v) { return page.offsetX + int(std::lround(page.scale * v)); };
    auto y = [&page](int v) { return page.offsetY + int(std::lround(page.scale * v)); };
    return {x(r.left), y(r.top), x(r.right), y(r.bottom)};
}

std::vector<tPrintPage> tablePages(const tPageFormat &format, std::vector<tPrintColumn> columns,
                                   const std::vector<std::vector<std::string>> &rows,
                                   bool landscape, const std::string &range)
{
    const tPageFormat f = landscape ? landscapeOf(format) : format;
    int fixed = 0, shared = 0;
    for (const tPrintColumn &c : columns) c.width > 0 ? fixed += c.width : shared++;
    if (shared > 0) {
        const int rest = std::max(0, bodyRect(f).width() - fixed) / shared;
        for (tPrintColumn &c : columns)
            if (c.width <= 0) c.width = rest;
    }
    const std::size_t perPage = std::size_t(rowsPerPage(f));
    std::vector<tPrintPage> pages;
    std::size_t at = 0;
    do {
        tPrintPage page;
        page.kind = tPrintPage::Table;
        page.landscape = landscape;
        page.range = range;
        page.columns = columns;
        const std::size_t end = std::min(rows.size(), at + perPage);
        page.rows.assign(rows.begin() + long(at), rows.begin() + long(end));
        pages.push_back(std::move(page));
        at = end;
    } while (at < rows.size());
    return pages;
}

std::vector<tShape> weekPrintShapes(const tWeek &week, const tViewMetrics &m,
                                    const tTodayMark &today, tPoint *extent)
{
    const int U = m.U, H = m.H, W = kWeekPaneWidth * U;
    std::size_t most = 0;
    for (const tWeekDay &d : week.days) most = std::max(most, d.lines.size());
    const int lines = std::clamp(int(most), kWeekMinLines, kWeekMaxLines);
    const int P = (lines + 1) * H + 4;
    std::vector<tShape> shapes;
    for (int i = 0; i < kWeekDays; i++) {
        const tWeekDay &day = week.days[std::size_t(i)];
        const int x = (i % kWeekColumns) * W, y = (i / kWeekColumns) * P;
        tShape frame;
        frame.rect = {x, y, x + W + 1, y + P + 1};
        shapes.push_back(frame);
        if (today.day.valid() && today.day == day.date)
            shapes.push_back(todayHeading({x + 1, y + 1, x + W, y + H + 3}, today));
        // A heading longer than its date names holidays: red, as on a holiday's day number.
        const tRgb colour = day.heading.size() > 10 ? kRed : kBlack;
        shapes.push_back(textShape(tShape::DayNumber, {x + U / 2, y + 1, x + W - U / 2, y + H + 3},
                                   day.heading, colour, false));
        shapes.back().date = day.date;
        shapes.push_back(lineShape({x, y + H + 3}, {x + W, y + H + 3}, kBlack));
        for (int j = 0; j < lines && j < int(day.lines.size()); j++) {
            const tViewLine &line = day.lines[std::size_t(j)];
            const int top = y + H + 4 + j * H;
            // A day with more lines than the pane holds says so on its last line.
            const bool more = j + 1 == lines && int(day.lines.size()) > lines;
            shapes.push_back(textShape(tShape::BarTitle, {x + U / 2, top, x + W - U / 2, top + H},
                                       more ? std::string("...") : line.text, kBlack, false));
            shapes.back().key = line.key;
            shapes.back().date = day.date;
        }
    }
    if (extent) *extent = {kWeekColumns * W + 1, 2 * P + 1};
    return shapes;
}

tPrintDoc weekPrintDoc(const tWeek &week, tPrintHeading heading, const tTodayMark &today,
                       const tPageFormat &format)
{
    tPrintDoc doc;
    doc.heading = withView(std::move(heading), kWeekTitle);
    doc.format = format;
    const tDate end = week.days.back().date;
    const std::string range = printDate(week.start) + " - " + printDate(end);
    doc.title = doc.heading.view + " " + printDate(week.start);
    tPoint extent;
    std::vector<tShape> shapes = weekPrintShapes(week, printMetrics(), today, &extent);
    doc.pages.push_back(drawingPage(doc, std::move(shapes), {0, 0, extent.x, extent.y}, range));
    return doc;
}

tPrintDoc planerPrintDoc(const tDate &month, tPrintHeading heading, tHolidayCache &holidays,
                         const tTodayMark &today, const tPageFormat &format)
{
    tPrintDoc doc;
    doc.heading = withView(std::move(heading), "Planer");
    doc.format = format;
    const tDate first = planerMonth(month);
    const std::string range = viewFormat("%02d/%04d", first.month, first.year);
    doc.title = doc.heading.view + " " + range;
    const tViewMetrics m = printMetrics();
    const tPoint extent = planerExtent(m);
    doc.pages.push_back(drawingPage(doc, planerShapes(first, m, holidays, today),
                                    {0, 0, extent.x, extent.y}, range));
    return doc;
}

std::vector<tShape> jahrPlanMonthShapes(const std::vector<tShape> &year, const tViewMetrics &m,
                                        int resources, int firstMonth, int count)
{
    const int block = (resources + 3) * m.H;
    const int from = (firstMonth - 1) * block, till = from + count * block;
    std::vector<tShape> shapes;
    for (const tShape &s : year) {
        const int top = shapeTop(s);
        if (top < from || top >= till) continue;
        shapes.push_back(s);
        moveShape(shapes.back(), -from);
    }
    return shapes;
}

tPrintDoc jahrPlanPrintDoc(const tJahrPlanData &data, int firstMonth, int months,
                           tPrintHeading heading, tHolidayCache &holidays, const tTodayMark &today,
                           const tPageFormat &format)
{
    tPrintDoc doc;
    doc.heading = withView(std::move(heading), "Belegung");
    doc.format = format;
    doc.title = jahrPlanCaption(data.year);
    firstMonth = std::clamp(firstMonth, 1, 12);
    months = std::clamp(months, 1, 13 - firstMonth);
    const tViewMetrics m = printMetrics();
    const std::vector<tShape> year = jahrPlanShapes(data, m, holidays, today);
    const int N = int(data.resources.size());
    const int width = jahrPlanExtent(m).x;
    for (int month = firstMonth; month < firstMonth + months; month += 3) {
        const int count = std::min(3, firstMonth + months - month);
        const int last = month + count - 1;
        std::string range =
            month % 3 == 1 && count == 3
                ? viewFormat("%d. Quartal %04d", (month + 2) / 3, data.year)
                : viewFormat("%d/%04d - %d/%04d", month, data.year, last, data.year);
        std::vector<tShape> shapes = jahrPlanMonthShapes(year, m, N, month, count);
        const int extra = wholeLabels(shapes, m);
        doc.pages.push_back(drawingPage(doc, std::move(shapes),
                                        {0, 0, width + extra, count * (N + 3) * m.H},
                                        std::move(range)));
    }
    return doc;
}

tPrintDoc termListPrintDoc(const std::vector<tViewLine> &lines, const tDate &start,
                           tPrintHeading heading, const tPageFormat &format)
{
    tPrintDoc doc;
    doc.heading = withView(std::move(heading), "Terminliste");
    doc.format = format;
    tDate end = start;
    for (int i = 1; i < kTermListDays; i++) end.nextDay();
    doc.title = doc.heading.view + " " + printDate(start);
    std::vector<std::vector<std::string>> rows;
    for (const tViewLine &line : lines)
        rows.push_back({printDate(line.date), kindName(line.kind), lineBody(line.text)});
    doc.pages = tablePages(format, {{"Datum", 250}, {"Art", 250}, {"Eintrag", 0}}, rows, false,
                           printDate(start) + " - " + printDate(end));
    return doc;
}

tPrintDoc linesPrintDoc(const std::string &view, std::vector<tPrintColumn> columns,
                        const std::vector<std::string> &lines, tPrintHeading heading,
                        const std::string &range, const tPageFormat &format)
{
    tPrintDoc doc;
    doc.heading = std::move(heading);
    doc.heading.view = view;
    doc.format = format;
    doc.title = range.empty() ? view : view + " " + range;
    std::vector<std::vector<std::string>> rows;
    for (const std::string &line : lines) rows.push_back(splitTabs(line, columns.size()));
    doc.pages = tablePages(format, std::move(columns), rows, false, range);
    return doc;
}

tPrintDoc selectionPrintDoc(const tSelection &selection, tPrintHeading heading,
                            const tPageFormat &format)
{
    std::vector<std::string> lines;
    for (const tViewLine &line : selection.lines)
        lines.push_back(std::string(kindName(line.kind)) + "\t" + lineBody(line.text));
    const std::size_t first = selection.title.find_first_not_of(' ');
    const std::string range = first == std::string::npos ? "" : selection.title.substr(first);
    return linesPrintDoc("Auswahlliste", {{"Art", 250}, {"Eintrag", 0}}, lines, std::move(heading),
                         range, format);
}

tPrintDoc personPrintDoc(const std::vector<std::string> &lines, tPrintHeading heading,
                         const tPageFormat &format)
{
    return linesPrintDoc("Personenliste",
                         {{"ID", 250}, {"Name", 0}, {"Geburtstag", 300}, {"Telefon", 400}}, lines,
                         std::move(heading), {}, format);
}

tPrintDoc taskPrintDoc(const std::vector<tTask> &tasks, tPrintHeading heading,
                       const tPageFormat &format)
{
    tPrintDoc doc;
    doc.heading = withView(std::move(heading), "Aufgabenliste");
    doc.format = format;
    doc.title = doc.heading.view;
    std::vector<std::vector<std::string>> rows;
    for (const tTask &t : tasks) {
        std::vector<std::string> row;
        for (int c = 0; c < 4; c++) row.push_back(taskColumnText(t, c));
        rows.push_back(std::move(row));
    }
    doc.pages =
        tablePages(format, {{"ID", 250}, {"Bezeichnung", 0}, {"Prio", 250}, {"Fertig", 300}}, rows);
    return doc;
}

} // namespace velk
