// views_frame.h - what the calendar's listing views add to the main frame: "Wochenkalender"
// (51701) opens a week calendar on today's week, "aktuelle Termine" (51690, view type 5) an
// appointment list from today.  Every call opens a new window.  The program adds it with
// TMyApp::addFrameSetup(calendarViewsFrameSetup).
#ifndef VELK_WIDGETS_CALENDAR_VIEWS_FRAME_H
#define VELK_WIDGETS_CALENDAR_VIEWS_FRAME_H

namespace velk {

class tMainFrame;
class TMyMDIClient;

void calendarViewsFrameSetup(tMainFrame &frame, TMyMDIClient &client);

} // namespace velk

#endif
