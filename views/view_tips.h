// view_tips.h - the tooltips of the calendar's views: what lies under the pointer, in words.
//
// A tip is Windows-1252 text, one or more lines joined by '\n'; empty means "no tip".  Dates are
// written "%02d.%02d.%04d", times "%02d:%02d".  What each thing says:
//
//   what                 lines
//   a day                "Donnerstag, 12.03.2026", then each holiday's name of that date
//   an appointment       "12.03.2026 09:00 - 10:30" (over midnight: both dates), the title,
//                        "Ressource: TITLE (ID)", "Teilnehmer: ..." (a person's name, or the
//                        group's title and its members' names), the last two where set
//   a hidden one         the time line and "belegt": nothing the user may not see
//   a birthday           "Geburtstag: CHRNAME NAME" and ", N Jahre" when the year of birth is
//                        known and not after the day's year
//   a task               "Aufgabe: TITLE", "Projekt: TITLE (ID)", "fällig: 12.03.2026"
//   an alarm             "Alarm: 12.03.2026 09:00", the message, then the tip of the
//                        appointment or task it belongs to
//
// Appointments are read by ID and shown as the calendar user may see them (termin.h): a view
// never lists a hidden one, but a shape or line may outlive a change of its READ until the next
// refill, and a tip then must not reveal it.  A record that has gone gives no tip.
#ifndef VELK_VIEWS_VIEW_TIPS_H
#define VELK_VIEWS_VIEW_TIPS_H

#include "address/person.h"
#include "calendar/alarm.h"
#include "projects/project.h"
#include "views/holiday_cache.h"
#include "views/occupancy_plan.h"
#include "views/view_types.h"

#include <string>
#include <string_view>
#include <vector>

namespace velk {

// The German name of weekday 0 (Sunday, "Sonntag") to 6 (Saturday, "Samstag").
const char *weekdayName(int weekday);

std::string dayTip(const tDate &day, tHolidayCache &holidays);
// An appointment as a user sees it who may (`visible`) or may not see it.
std::string terminTip(const tTermin &t, bool visible);
// The appointment with this ID, as the calendar user may see it.
std::string terminTipOf(std::string_view id);
// The person's birthday as it falls on `day`.
std::string birthdayTip(const tPerson &p, const tDate &day);
std::string taskTip(const tTask &k);
std::string alarmTip(const tAlarm &a);
std::string alarmTipOf(std::string_view id);

// A line of the week calendar, the appointment list or the selection list: a holiday says its
// day (line.date), a birthday the person on line.date, an appointment and a task their record.
std::string lineTip(const tViewLine &line, tHolidayCache &holidays);

// The month planner at a point: the appointments whose bars or triangles lie under it (one tip
// each, a blank line between), else the birthdays on the birthday row, else the day.
std::string planerTip(const std::vector<tShape> &shapes, const tViewMetrics &m, const tDate &month,
                      tPoint p, tHolidayCache &holidays);

// The occupancy plan at a window point and scroll position: the bookings under it, else the
// resource of the label under it, else the day and, on a resource's row, the resource.
std::string jahrPlanTip(const tJahrPlanData &data, const std::vector<tShape> &shapes,
                        const tViewMetrics &m, tPoint p, tPlanScroll scroll,
                        tHolidayCache &holidays);

} // namespace velk

#endif
