// calendar_frame.h - what the calendar adds to the main frame.
//
// Commands: "Termin ..." (a new appointment on today's date, then the appointments notice) and
// "Alarmliste" (the alarm list, view type 6).  The due check on the client's alarm timer: at
// every tick the calendar user's due alarms are shown in the "Alarm-Meldung".  The openers of
// the calendar's windows (view_openers.h): a person, an appointment, a new appointment and a
// task (the projects' task dialog).  The program adds it with
// TMyApp::addFrameSetup(calendarFrameSetup); the user it works for is the session's current user.
//
// The timer's period can be shortened for a tour of the program through the environment
// variable VELK_ALARM_PERIOD_MS (milliseconds); the program's period stays 60 s.
#ifndef VELK_WIDGETS_CALENDAR_CALENDAR_FRAME_H
#define VELK_WIDGETS_CALENDAR_CALENDAR_FRAME_H

namespace velk {

class tMainFrame;
class TMyMDIClient;

void calendarFrameSetup(tMainFrame &frame, TMyMDIClient &client);

} // namespace velk

#endif
