#include "views/month_planner.h"

#include "base/fill_hold.h"
#include "base/floor_div.h"
#include "calendar/termin_store.h"
#include "views/shapes.h"
#include "views/view_lines.h"
#include "views/view_zoom.h"

#include <algorithm>

namespace velk {

namespace {

constexpr int kGridRows = kPlanerLastHour - kPlanerFirstHour; // 15
constexpr int kTopRows = 3; // above the hours: a margin, the day numbers, the birthdays

int leftMargin(const tViewMetrics &m) { return 2 * m.U + 1; }

// The hour row's y for a time of day, the grid starting at 7:00 in row kTopRows.
int yOf(const tViewMetrics &m, int hour, int minute)
{
    return (hour - kPlanerFirstHour + kTopRows) * m.H + minute * m.H / 60;
}

void addGrid(std::vector<tShape> &shapes, const tDate &month, const tViewMetrics &m,
             tHolidayCache &holidays, const tTodayMark &today)
{
    const int L = leftMargin(m), U = m.U, H = m.H, D = month.daysInMonth();
    const int right = L + 2 * U * D, top = 2 * H + 2, bottom = (kGridRows + kTopRows) * H + 2;
    tShape frame;
    frame.rect = {L, top, right, bottom};
    shapes.push_back(frame);
    int weekday = month.weekday();
    const tDayNumberStyle style = dayNumberStyle(m, 2 * U);
    for (int i = 0; i < D; i++) {
        tDate day{i + 1, month.month, month.year};
        bool red = (weekday + i) % 7 == 0 || holidays.kindOf(day) != 0;
        int x = L + 2 * U * i;
        if (day.sameDay(today.day)) {
            shapes.push_back(todayHeading({x, H + 1, x + 2 * U, 2 * H + 1}, today));
            shapes.back().date = day;
        }
        tRect box = dayNumberBox(m, style, i + 1, x, 2 * U, H + 1, 2 * H + 1);
        if (box.width() > 0) {
            shapes.push_back(
                textShape(tShape::DayNumber, box, std::to_string(i + 1), red ? kRed : kBlack));
            shapes.back().date = day;
            shapes.back().textSize = style.size;
        }
        shapes.push_back(lineShape({x + 2 * U, top}, {x + 2 * U, bottom}, kBlack));
    }
    for (int r = 0; r < kGridRows; r++) {
        int y = (r + kTopRows) * H;
        shapes.push_back(textShape(tShape::HourLabel, {0, y, 2 * U, y + H},
                                   viewFormat("%02d", kPlanerFirstHour + r), kBlack));
        shapes.back().textSize = m.zoom;
        shapes.push_back(lineShape({L, y}, {right, y}, kLightGrey));
    }
}

} // namespace

tDate planerMonth(const tDate &date) { return {1, date.month, date.year}; }

tDate planerMonthMoved(const tDate &month, int months)
{
    long long index = 12LL * month.year + (month.month - 1) + months;
    return {1, int(floorMod(index, 12)) + 1, int(floorDiv(index, 12))};
}

std::string planerOpenCaption(const tDate &month)
{
    return viewFormat("Planer %d %4d", month.month, month.year);
}

std::string planerCaption(const tDate &month)
{
    return viewFormat("Planer %d/%4d", month.month, month.year);
}

std::vector<tPlanerPiece> planerPieces(const tTermin &t, const tDate &month)
{
    std::vector<tPlanerPiece> pieces;
    const tDate first = planerMonth(month);
    const tDate last{first.daysInMonth(), first.month, first.year};
    if (!t.from.valid() || !t.till.valid()) return pieces;
    tDate day = t.from.before(first) ? first : static_cast<const tDate &>(t.from);
    for (; !last.before(day) && !t.till.before(day); day.nextDay()) {
        tPlanerPiece p{day, 0, 0, 23, 59};
        bool isFirst = day.sameDay(t.from), isLast = day.sameDay(t.till);
        if (isFirst) {
            p.fromHour = t.from.hour;
            p.fromMinute = t.from.minute;
        }
        if (isLast) {
            p.tillHour = t.till.hour;
            p.tillMinute = t.till.minute;
            if (!isFirst && p.tillHour == 0 && p.tillMinute == 0) break;
        }
        pieces.push_back(p);
    }
    return pieces;
}

void addPlanerPiece(std::vector<tShape> &shapes, const tViewMetrics &m, const tPlanerPiece &p,
                    const std::string &key)
{
    const int H = m.H;
    const int x1 = leftMargin(m) + 2 * m.U * (p.day.day - 1) + 2, x2 = x1 + 2 * m.U - 4;
    const int gridTop = kTopRows * H, gridBottom = (kTopRows + kGridRows) * H;
    const bool endsAtMidnight = p.tillHour == 0 && p.tillMinute == 0;
    const bool clippedTop = p.fromHour < kPlanerFirstHour;
    const bool clippedBottom = endsAtMidnight || p.tillHour > kPlanerLastHour ||
                               (p.tillHour == kPlanerLastHour && p.tillMinute >= 1);
    int top = clippedTop ? gridTop : yOf(m, p.fromHour, p.fromMinute);
    int bottom = clippedBottom ? gridBottom : yOf(m, p.tillHour, p.tillMinute);
    if ((p.tillHour >= kPlanerFirstHour || endsAtMidnight) && p.fromHour < kPlanerLastHour) {
        // An end before the start on the same day is drawn from the earlier time, as a GDI
        // rectangle with swapped corners was.
        shapes.push_back(
            barShape({x1, std::min(top, bottom), x2, std::max(top, bottom)}, key, p.day));
    }
    const int middle = (x1 + x2 - 1) / 2;
    if (clippedBottom) {
        shapes.push_back(triangleShape(tShape::TriangleDown, {x1, gridBottom - 1},
                                       {x2 - 1, gridBottom - 1}, {middle, gridBottom + H - 1}));
        shapes.back().key = key;
        shapes.back().date = p.day;
    }
    if (clippedTop) {
        shapes.push_back(triangleShape(tShape::TriangleUp, {x1, gridTop}, {x2 - 1, gridTop},
                                       {middle, gridTop - H}));
        shapes.back().key = key;
        shapes.back().date = p.day;
    }
}

tPoint planerExtent(const tViewMetrics &m)
{
    // 31 columns and the triangles below the grid, with a cell to spare.
    return {(2 * 31 + 3) * m.U + 2, 20 * m.H};
}

int planerColumnX(const tViewMetrics &m, int day) { return leftMargin(m) + 2 * m.U * (day - 1); }

std::vector<tShape> planerShapes(const tDate &month, const tViewMetrics &m, tHolidayCache &holidays,
                                 const tTodayMark &today)
{
    const tDate first = planerMonth(month);
    const int D = first.daysInMonth();
    std::vector<tShape> shapes;
    tFillHold hold{tPersTable::instance(), tTermTable::instance()};
    addGrid(shapes, first, m, holidays, today);
    const tDate last{D, first.month, first.year};
    // Resources are booked in the occupancy plan and drawn there.
    for (const tTermin &t :
         tTerminStore::instance().touching(tDateTime::at(first, 0, 0), tDateTime::at(last, 23, 59)))
        if (!t.RESOURCE[0])
            for (const tPlanerPiece &p : planerPieces(t, first)) addPlanerPiece(shapes, m, p, t.ID);
    const int L = leftMargin(m), U = m.U, H = m.H;
    for (int i = 0; i < D; i++) {
        tDate day{i + 1, first.month, first.year};
        if (birthdaysOn(day).empty()) continue;
        tShape mark;
        mark.role = tShape::Birthday;
        mark.rect = {L + 2 * U * i + 2, 2 * H + 4, L + 2 * U * (i + 1) - 2, 3 * H};
        mark.filled = true;
        mark.outlined = false;
        mark.fill = kGreen;
        mark.date = day;
        shapes.push_back(mark);
    }
    if (today.day.month == first.month && today.day.year == first.year && today.day.day >= 1 &&
        today.day.day <= D) {
        const int x = L + 2 * U * (today.day.day - 1);
        addTodayFrames(shapes, {x, H + 1, x + 2 * U + 1, (kGridRows + kTopRows) * H + 2}, today,
                       m.zoom);
    }
    return shapes;
}

tPlanerHit planerHit(const tViewMetrics &m, const tDate &month, tPoint p)
{
    tPlanerHit hit;
    if (m.U <= 0 || m.H <= 0) return hit;
    const tDate first = planerMonth(month);
    long long day = floorDiv(p.x - leftMargin(m), 2LL * m.U) + 1;
    long long row = floorDiv(p.y - 2, m.H) - 2;
    if (day < 1 || day > first.daysInMonth() || row < -1 || row > kGridRows) return hit;
    hit.date = {int(day), first.month, first.year};
    if (row == -1) {
        hit.area = tPlanerHit::DayNumbers;
    } else if (row == 0) {
        hit.area = tPlanerHit::Birthdays;
    } else {
        hit.area = tPlanerHit::Hours;
        hit.hour = int(row) + kPlanerFirstHour - 1;
    }
    return hit;
}

bool dragMoved(tPoint down, tPoint up)
{
    long long dx = up.x - down.x, dy = up.y - down.y;
    return dx * dx >= 20 || dy * dy >= 20;
}

tViewAction planerDragAction(const tViewMetrics &m, const tDate &month, tPoint down, tPoint up)
{
    tViewAction a;
    if (!dragMoved(down, up)) return a;
    tPlanerHit from = planerHit(m, month, down), till = planerHit(m, month, up);
    if (from.area == tPlanerHit::Outside || till.area == tPlanerHit::Outside) return a;
    a.kind = tViewAction::NewTermin;
    a.termin.from = tDateTime::at(from.date, from.hour, 0);
    a.termin.till = tDateTime::at(till.date, till.hour + 1, 0);
    a.notice = NoticeAppointments;
    return a;
}

tViewAction planerDoubleClickAction(const tPlanerHit &hit)
{
    tViewAction a;
    a.date = hit.date;
    switch (hit.area) {
    case tPlanerHit::Outside:
        break;
    case tPlanerHit::DayNumbers:
        a.kind = tViewAction::SelectDay;
        a.notice = NoticeAppointments;
        break;
    case tPlanerHit::Birthdays: {
        std::vector<tPerson> persons = birthdaysOn(hit.date);
        if (persons.empty()) break;
        a.kind = persons.size() == 1 ? tViewAction::EditPerson : tViewAction::SelectDay;
        if (persons.size() == 1) a.key = persons.front().ID;
        a.notice = NoticePersons;
        break;
    }
    case tPlanerHit::Hours: {
        tTermin t;
        if (!tTerminStore::instance().firstTouching(tDateTime::at(hit.date, hit.hour, 0),
                                                    tDateTime::at(hit.date, hit.hour + 1, 0), t))
            break;
        a.kind = tViewAction::EditTermin;
        a.key = t.ID;
        a.notice = NoticeAppointments;
        break;
    }
    }
    return a;
}

tViewAction planerMenuAction(const tPlanerHit &hit, int mode)
{
    tViewAction a;
    if (hit.area == tPlanerHit::Outside) return a;
    a.kind = tViewAction::SelectRange;
    a.mode = mode;
    a.notice = NoticeAppointments;
    if (hit.area == tPlanerHit::DayNumbers) {
        a.termin.from = tDateTime::at(hit.date, 0, 0);
        a.termin.till = tDateTime::at(hit.date, 23, 59);
    } else {
        a.termin.from = tDateTime::at(hit.date, hit.hour, 0);
        a.termin.till = tDateTime::at(hit.date, hit.hour + 1, 0);
    }
    return a;
}

} // namespace velk
