// plan_frame.h - what the month planner and the occupancy plan add to the main frame: the views
// of type 1 (month planner, on today's month) and 2 (occupancy plan, on today's year), opened by
// "Monatsplan" (51684) and "Belegung" (51683) in "Ansicht"; several of each may be open.  The
// program adds it with TMyApp::addFrameSetup(calendarPlanFrameSetup).
#ifndef VELK_WIDGETS_CALENDAR_PLAN_FRAME_H
#define VELK_WIDGETS_CALENDAR_PLAN_FRAME_H

class QString;

namespace velk {

class tMainFrame;
class TMyMDIClient;

void calendarPlanFrameSetup(tMainFrame &frame, TMyMDIClient &client);
// After the login: the two views keep their zoom in the program's VELK.INI (plan_view.h).  The
// program adds it with TMyApp::addLoginSetup(calendarPlanLoginSetup).
void calendarPlanLoginSetup(tMainFrame &frame, TMyMDIClient &client, const QString &iniPath);

} // namespace velk

#endif
