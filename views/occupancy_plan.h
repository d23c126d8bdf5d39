// occupancy_plan.h - what the occupancy plan draws and what a click on it means: one year, all
// resources, twelve month blocks one below the other.
//
// Month m (1 to 12) owns the rows b to b + N + 2, b = (m - 1)(N + 3), N resources: a row above
// the month label, the label "m/year", the day numbers, then one row per resource in ID order.
// The left margin is 5U wide and holds the resources' IDs; day d covers x = 5U + 2U(d - 1) to
// 5U + 2Ud.  Every visible appointment that books a known resource and touches the year is drawn
// as one bar per month on that resource's row, with its title on it.
//
// The view scrolls by whole cells (U across, H down); shapes are given unscrolled, so the widget
// paints them shifted by -jahrPlanOffset and hit-tests with its scroll position.
#ifndef VELK_VIEWS_OCCUPANCY_PLAN_H
#define VELK_VIEWS_OCCUPANCY_PLAN_H

#include "views/holiday_cache.h"
#include "views/view_types.h"

#include <string>
#include <vector>

namespace velk {

// What one drawing of the plan rests on, read afresh at every redraw.
struct tJahrPlanData {
    int year = 0;
    std::vector<std::string> resources; // the IDs in RESOURCE, in ID order
    std::vector<tTermin> bookings;      // visible, with a RESOURCE, touching the year
};

tJahrPlanData jahrPlanData(int year);
// "Belegung %4d".
std::string jahrPlanCaption(int year);

// The row (1 to N) of a resource, by exact comparison of the IDs; 0 when it is not in the list.
int resourceRow(const std::vector<std::string> &resources, const char *id);

// One month's stretch of a booking: days and the appointment's hours.
struct tBookingPiece {
    int month = 0;
    int fromDay = 0, fromHour = 0;
    int tillDay = 0, tillHour = 0;
};

// The pieces of a booking within `year`, one per month from its first to its last month in that
// year: a piece after the first starts on day 1, one before the last ends on its month's last
// day, all keep the appointment's hours.  A booking across a year's end is cut at the end of the
// year, so that each year's plan draws its part.
std::vector<tBookingPiece> bookingPieces(const tTermin &t, int year);

// Everything to draw, in painting order: for each month its frame, the resource IDs and lines,
// the lines between the days, the day numbers and the month label; then the bookings, each a
// bar and its title.  Resource IDs and titles that do not fit their box are cut with "..."; the
// day numbers take the size that keeps them apart (view_zoom.h).  Today, in this year, has a
// tinted box behind its number (before the number) and a frame around its number and its day
// on every resource's row (last).
std::vector<tShape> jahrPlanShapes(const tJahrPlanData &data, const tViewMetrics &m,
                                   tHolidayCache &holidays, const tTodayMark &today = {});

// The pixels across a month block takes, to its label's end (the height is left free: the year
// scrolls).
tPoint jahrPlanExtent(const tViewMetrics &m);
// The scroll position down (in rows) at which `month`'s block begins.
int jahrPlanMonthRow(int month, int resources);

// A scroll position or range in cells: x in steps of U, y in steps of H.
struct tPlanScroll {
    int x = 0;
    int y = 0;
    friend bool operator==(const tPlanScroll &, const tPlanScroll &) = default;
};

// The scroll ranges for N resources: 36 steps across, 12(N + 3) down.
tPlanScroll jahrPlanScrollRange(int resources);
// The same for a window `width` pixels wide at `m`: across, as far as the month's end needs
// when the cells are too large for 36 steps to reach it.
tPlanScroll jahrPlanScrollRange(int resources, const tViewMetrics &m, int width);
// A position moved by steps and kept within 0 and the range.
tPlanScroll jahrPlanScrolled(tPlanScroll position, int dx, int dy, int resources);
// The pixels the content is shifted by at a scroll position.
tPoint jahrPlanOffset(const tViewMetrics &m, tPlanScroll position);

struct tPlanHit {
    bool inside = false;
    tDate date;
    int resource = -1;      // 0 to N - 1 on a resource's row; -1 on a month's top rows
    std::string resourceId; // the resource's ID, empty on the top rows
};

// What lies under a point of the window at a scroll position: nothing left of the days, beyond
// a month's last day or below December.
tPlanHit jahrPlanHit(const tJahrPlanData &data, const tViewMetrics &m, tPoint p,
                     tPlanScroll scroll);

// A drag with the left button from `down` to `up` (both window points): a new appointment from
// the first day at 0:00 to the second day at 0:00, booking the first point's resource (none
// when the drag began on a month's top rows).  Nothing when there are no resources, the drag
// did not move (dragMoved) or either end hits nothing.
tViewAction jahrPlanDragAction(const tJahrPlanData &data, const tViewMetrics &m, tPlanScroll scroll,
                               tPoint down, tPoint up);
// A double click: on the top rows the selection list of the day; on a resource's row the
// appointment when exactly one booking of it touches the day, the selection list when several.
tViewAction jahrPlanDoubleClickAction(const tPlanHit &hit);
// "Ändern" (112) and "Löschen" (111): the selection list of the whole day in `mode`.
tViewAction jahrPlanMenuAction(const tPlanHit &hit, int mode);

} // namespace velk

#endif
