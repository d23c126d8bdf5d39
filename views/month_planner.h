// month_planner.h - what the month planner draws and what a click on it means: one month as a
// time grid, one column 2U wide per day, one row H high per hour from 7 to 22 o'clock.
//
// Layout (L = 2U + 1, D days, in the unscrolled client area):
//
//   y from      to        what
//   H + 1       2H + 1    day numbers, red on Sundays and holidays
//   2H + 4      3H        a green marker over each day with a birthday
//   3H          18H       the hour rows 7 to 21 ("07" to "21" at x 0 to 2U), the grid framed
//                         from (L, 2H + 2) to (L + 2UD, 18H + 2)
//   2H / 19H - 1          the tips of the triangles of appointments that go on above or below
//
// Every visible appointment without a resource that touches the month is drawn as one bar per
// day, also on the days of this month of one that began earlier.
#ifndef VELK_VIEWS_MONTH_PLANNER_H
#define VELK_VIEWS_MONTH_PLANNER_H

#include "views/holiday_cache.h"
#include "views/view_types.h"

#include <string>
#include <vector>

namespace velk {

inline constexpr int kPlanerFirstHour = 7;
inline constexpr int kPlanerLastHour = 22;

// The 1st of the month `date` lies in.
tDate planerMonth(const tDate &date);
// The month moved by `months` (tool bar 1001: -1, 1002: +1), across year ends.
tDate planerMonthMoved(const tDate &month, int months);
// "Planer %d %4d" when the window opens; "Planer %d/%4d" after a move.
std::string planerOpenCaption(const tDate &month);
std::string planerCaption(const tDate &month);

// One day of an appointment: its times on that day.
struct tPlanerPiece {
    tDate day;
    int fromHour = 0, fromMinute = 0;
    int tillHour = 0, tillMinute = 0;
};

// The pieces of an appointment that fall into `month`: the first day from the start time to
// 23:59, middle days from 0:00 to 23:59, the last day from 0:00 to the end time.  An end at 0:00
// on a later day than the start gives that day no piece: the appointment ended as it began.
std::vector<tPlanerPiece> planerPieces(const tTermin &t, const tDate &month);
// The bar and the triangles of one piece; `key` is the appointment's ID.
void addPlanerPiece(std::vector<tShape> &shapes, const tViewMetrics &m, const tPlanerPiece &piece,
                    const std::string &key);

// Everything to draw for `month`, in painting order: the frame, the day numbers and the lines
// between the days, the hour labels and lines, the appointments, the birthday markers.  The day
// numbers take the size (and, when small, the spacing) that keeps them apart (view_zoom.h).
// Today, when it lies in the month, has a tinted box behind its number (before the number) and
// a frame around its number and column (last).
std::vector<tShape> planerShapes(const tDate &month, const tViewMetrics &m, tHolidayCache &holidays,
                                 const tTodayMark &today = {});

// The pixels the planner takes at `m`: 31 columns, the triangles below the grid, a cell to spare.
tPoint planerExtent(const tViewMetrics &m);
// The left edge of day `day`'s column.
int planerColumnX(const tViewMetrics &m, int day);

struct tPlanerHit {
    enum Area { Outside, DayNumbers, Birthdays, Hours };
    Area area = Outside;
    tDate date;   // the day of the column
    int hour = 0; // Hours: 7 to 21
};

// The day and row under a point.  The rows are counted from y = 2, the top of the frame: y from
// H + 2 to 2H + 1 is the day-number row, up to 3H + 1 the birthday row, then the hours.
tPlanerHit planerHit(const tViewMetrics &m, const tDate &month, tPoint p);

// Whether a drag from `down` to `up` moved far enough to mean something: 5 pixels or more in
// one direction (the square of the distance 20 or more).
bool dragMoved(tPoint down, tPoint up);

// A drag over the grid: a new appointment from the first corner's day at its hour:00 to the
// second corner's day at the hour after its own; the rows above the hours count as hour 0.
// Nothing when the drag did not move or a corner lies outside the grid.
tViewAction planerDragAction(const tViewMetrics &m, const tDate &month, tPoint down, tPoint up);
// A double click: the selection list of the day on the day-number row; on the birthday row the
// person dialog when one person has a birthday, else the selection list; on an hour the first
// appointment touching that hour.
tViewAction planerDoubleClickAction(const tPlanerHit &hit);
// "Ändern" (112) and "Löschen" (111) at the point of the right click: the selection list of that
// hour in `mode` (the birthday row counts as hour 0); on the day-number row of the whole day.
tViewAction planerMenuAction(const tPlanerHit &hit, int mode);

} // namespace velk

#endif
