#include "views/occupancy_plan.h"

#include "address/resource.h"
#include "base/fill_hold.h"
#include "base/floor_div.h"
#include "calendar/termin_store.h"
#include "views/month_planner.h"
#include "views/shapes.h"
#include "views/view_lines.h"
#include "views/view_zoom.h"

#include <algorithm>
#include <cstring>

namespace velk {

namespace {

constexpr int kMargin = 5;   // cells of U left of the days
constexpr int kTopRows = 3;  // rows of a month block above its resources
constexpr int kScrollX = 36; // horizontal scroll steps

tRgb dayColour(const tDate &day, tHolidayCache &holidays)
{
    int kind = holidays.kindOf(day), weekday = day.weekday();
    if (weekday == 0 || kind == tTag::Nationwide) return kRed;
    if (kind == tTag::Regional) return kMagenta;
    if (weekday == 6) return kLightGrey;
    return kBlack;
}

// The tinted box behind today's number and, last of all, the frame around its day in the month.
void addToday(std::vector<tShape> &shapes, const tJahrPlanData &data, const tViewMetrics &m,
              const tTodayMark &today, bool heading)
{
    if (today.day.year != data.year || today.day.month < 1 || today.day.month > 12 ||
        today.day.day < 1 || today.day.day > today.day.daysInMonth())
        return;
    const int U = m.U, H = m.H, N = int(data.resources.size());
    const int b = (today.day.month - 1) * (N + kTopRows);
    const int x = kMargin * U + 2 * U * (today.day.day - 1), top = (b + kTopRows) * H;
    if (heading)
        shapes.push_back(todayHeading({x, top - H, x + 2 * U, top}, today));
    else
        addTodayFrames(shapes, {x, top - H, x + 2 * U + 1, top + N * H}, today, m.zoom);
}

void addMonth(std::vector<tShape> &shapes, const tJahrPlanData &data, int month,
              const tViewMetrics &m, tHolidayCache &holidays, const tTodayMark &today)
{
    const int U = m.U, H = m.H, N = int(data.resources.size());
    const int D = tDate::daysInMonth(month, data.year);
    const int b = (month - 1) * (N + kTopRows);
    const int left = kMargin * U, right = left + 2 * U * D;
    const int top = (b + kTopRows) * H, bottom = (b + kTopRows + N) * H;
    if (N > 0) {
        tShape frame;
        frame.rect = {left, top, right, bottom};
        frame.filled = true;
        shapes.push_back(frame);
    }
    for (int j = 0; j < N; j++) {
        int y = top + j * H;
        shapes.push_back(textShape(tShape::ResourceLabel, {0, y, left - 1, y + H},
                                   elidedText(m, data.resources[j], m.zoom, left - 1), kBlack,
                                   false));
        shapes.back().key = data.resources[j];
        shapes.back().textSize = m.zoom;
        if (j + 1 < N) shapes.push_back(lineShape({left, y + H}, {right, y + H}, kBlack));
    }
    if (N > 0)
        for (int i = 1; i < D; i++)
            shapes.push_back(
                lineShape({left + 2 * U * i, top}, {left + 2 * U * i, bottom}, kLightGrey));
    if (today.day.month == month) addToday(shapes, data, m, today, true);
    const tDayNumberStyle style = dayNumberStyle(m, 2 * U);
    for (int d = 1; d <= D; d++) {
        tDate day{d, month, data.year};
        tRect box = dayNumberBox(m, style, d, left + 2 * U * (d - 1), 2 * U, top - H, top);
        if (box.width() <= 0) continue;
        shapes.push_back(
            textShape(tShape::DayNumber, box, std::to_string(d), dayColour(day, holidays), true));
        shapes.back().date = day;
        shapes.back().textSize = style.size;
    }
    // (b + 1)H - 1.2H with the fraction dropped, in integers.
    const int T = ((b + 1) * 10 * H - 12 * H) / 10;
    shapes.push_back(textShape(tShape::MonthLabel, {left, T + H, 67 * U, T + 2 * H},
                               viewFormat("%d/%d", month, data.year), kBlue, true));
    shapes.back().textSize = m.zoom;
}

void addBooking(std::vector<tShape> &shapes, const tJahrPlanData &data, const tTermin &t, int k,
                const tViewMetrics &m)
{
    const int U = m.U, H = m.H, N = int(data.resources.size());
    for (const tBookingPiece &p : bookingPieces(t, data.year)) {
        const int b = (p.month - 1) * (N + kTopRows);
        tRect rect;
        rect.left = U * (2 * (p.fromDay - 1) + kMargin) + 1 + U * p.fromHour / 24;
        rect.right = U * (2 * p.tillDay + kMargin) - 1 + U * p.tillHour / 24;
        rect.top = (b + kTopRows + k - 1) * H + 1;
        rect.bottom = rect.top + H - 2;
        const tDate date{p.fromDay, p.month, data.year};
        shapes.push_back(barShape(rect, t.ID, date));
        // The title whole where it fits on the bar, inside its outline; else cut with "...".
        shapes.push_back(textShape(tShape::BarTitle, rect,
                                   elidedText(m, t.TITLE, m.zoom, rect.width() - 2), kBlack,
                                   false));
        shapes.back().textSize = m.zoom;
        shapes.back().key = t.ID;
        shapes.back().date = date;
    }
}

} // namespace

tJahrPlanData jahrPlanData(int year)
{
    tJahrPlanData data;
    data.year = year;
    tFillHold hold{tResTable::instance(), tTermTable::instance()};
    for (const tResource &r : allResources()) data.resources.push_back(r.ID);
    for (tTermin &t : tTerminStore::instance().touching(tDateTime::at({1, 1, year}, 0, 0),
                                                        tDateTime::at({31, 12, year}, 23, 59)))
        if (t.RESOURCE[0]) data.bookings.push_back(std::move(t));
    return data;
}

std::string jahrPlanCaption(int year) { return viewFormat("Belegung %4d", year); }

int resourceRow(const std::vector<std::string> &resources, const char *id)
{
    for (std::size_t i = 0; i < resources.size(); i++)
        if (resources[i] == id) return int(i) + 1;
    return 0;
}

std::vector<tBookingPiece> bookingPieces(const tTermin &t, int year)
{
    std::vector<tBookingPiece> pieces;
    if (!t.from.valid() || !t.till.valid() || t.from.year > year || t.till.year < year ||
        t.till.tDate::before(t.from))
        return pieces;
    // Cut at the ends of the year; the hours stay, as they do for the months in between.
    int fromMonth = t.from.month, fromDay = t.from.day;
    int tillMonth = t.till.month, tillDay = t.till.day;
    if (t.from.year < year) fromMonth = fromDay = 1;
    if (t.till.year > year) tillMonth = 12, tillDay = 31;
    for (int month = fromMonth; month <= tillMonth; month++) {
        tBookingPiece p;
        p.month = month;
        p.fromDay = month == fromMonth ? fromDay : 1;
        p.tillDay = month == tillMonth ? tillDay : tDate::daysInMonth(month, year);
        p.fromHour = t.from.hour;
        p.tillHour = t.till.hour;
        pieces.push_back(p);
    }
    return pieces;
}

std::vector<tShape> jahrPlanShapes(const tJahrPlanData &data, const tViewMetrics &m,
                                   tHolidayCache &holidays, const tTodayMark &today)
{
    std::vector<tShape> shapes;
    for (int month = 1; month <= 12; month++) addMonth(shapes, data, month, m, holidays, today);
    for (const tTermin &t : data.bookings) {
        int k = resourceRow(data.resources, t.RESOURCE);
        if (k > 0) addBooking(shapes, data, t, k, m);
    }
    addToday(shapes, data, m, today, false);
    return shapes;
}

tPoint jahrPlanExtent(const tViewMetrics &m) { return {67 * m.U + 1, 0}; }

int jahrPlanMonthRow(int month, int resources)
{
    return (std::clamp(month, 1, 12) - 1) * (std::max(resources, 0) + kTopRows);
}

tPlanScroll jahrPlanScrollRange(int resources)
{
    return {kScrollX, 12 * (std::max(resources, 0) + kTopRows)};
}

tPlanScroll jahrPlanScrollRange(int resources, const tViewMetrics &m, int width)
{
    tPlanScroll range = jahrPlanScrollRange(resources);
    if (m.U > 0) range.x = std::max(range.x, jahrPlanExtent(m).x / m.U + 1 - width / m.U);
    return range;
}

tPlanScroll jahrPlanScrolled(tPlanScroll position, int dx, int dy, int resources)
{
    tPlanScroll range = jahrPlanScrollRange(resources);
    return {std::clamp(position.x + dx, 0, range.x), std::clamp(position.y + dy, 0, range.y)};
}

tPoint jahrPlanOffset(const tViewMetrics &m, tPlanScroll position)
{
    return {position.x * m.U, position.y * m.H};
}

tPlanHit jahrPlanHit(const tJahrPlanData &data, const tViewMetrics &m, tPoint p, tPlanScroll scroll)
{
    tPlanHit hit;
    if (m.U <= 0 || m.H <= 0) return hit;
    const int N = int(data.resources.size());
    tPoint offset = jahrPlanOffset(m, scroll);
    long long x = p.x + offset.x, y = p.y + offset.y;
    long long r = floorDiv(y, m.H), c = floorDiv(x, m.U) - kMargin;
    if (r < 0 || c < 0) return hit;
    long long month = r / (N + kTopRows) + 1, row = r % (N + kTopRows), day = c / 2 + 1;
    if (month > 12 || day > tDate::daysInMonth(int(month), data.year)) return hit;
    hit.inside = true;
    hit.date = {int(day), int(month), data.year};
    if (row >= kTopRows) {
        hit.resource = int(row) - kTopRows;
        hit.resourceId = data.resources[hit.resource];
    }
    return hit;
}

tViewAction jahrPlanDragAction(const tJahrPlanData &data, const tViewMetrics &m, tPlanScroll scroll,
                               tPoint down, tPoint up)
{
    tViewAction a;
    if (data.resources.empty() || !dragMoved(down, up)) return a;
    tPlanHit from = jahrPlanHit(data, m, down, scroll), till = jahrPlanHit(data, m, up, scroll);
    if (!from.inside || !till.inside) return a;
    a.kind = tViewAction::NewTermin;
    a.termin.from = tDateTime::at(from.date, 0, 0);
    a.termin.till = tDateTime::at(till.date, 0, 0);
    a.termin.setResource(from.resourceId);
    a.notice = NoticeAppointments;
    a.redraw = true;
    return a;
}

tViewAction jahrPlanDoubleClickAction(const tPlanHit &hit)
{
    tViewAction a;
    if (!hit.inside) return a;
    a.date = hit.date;
    a.redraw = true;
    if (hit.resource < 0) {
        a.kind = tViewAction::SelectDay;
        return a;
    }
    int count = 0;
    for (const tTermin &t : tTerminStore::instance().touching(tDateTime::at(hit.date, 0, 0),
                                                              tDateTime::at(hit.date, 23, 59))) {
        if (hit.resourceId != t.RESOURCE) continue;
        if (++count == 1) a.key = t.ID;
    }
    if (count == 1) {
        a.kind = tViewAction::EditTermin;
        a.notice = NoticeAppointments;
    } else if (count > 1) {
        a.kind = tViewAction::SelectDay;
        a.key.clear();
    }
    return a;
}

tViewAction jahrPlanMenuAction(const tPlanHit &hit, int mode)
{
    tViewAction a;
    if (!hit.inside) return a;
    a.kind = tViewAction::SelectRange;
    a.mode = mode;
    a.termin.from = tDateTime::at(hit.date, 0, 0);
    a.termin.till = tDateTime::at(hit.date, 23, 59);
    a.redraw = true;
    return a;
}

} // namespace velk
