#include "widgets/calendar/calendar_frame.h"

#include <cstdlib>

#include "shell/core/commands.h"
#include "base/session.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/mdi_client.h"
#include "widgets/calendar/alarm_list_win.h"
#include "widgets/calendar/dia_msg_alarm.h"
#include "widgets/calendar/dia_termin.h"

namespace velk {

void calendarFrameSetup(tMainFrame &frame, TMyMDIClient &client)
{
    client.registerView(ViewAlarmList, [](const tViewArgs &) { return new tAlarmListWin; });
    frame.registerViewCommand(CmAlarmList, ViewAlarmList);
    frame.registerDialogCommand(
        CmNewAppointment,
        [](QWidget *parent) {
            tDate today = tDate::today();
            return tDiaTermin::runNew(parent, today.day, today.month, today.year);
        },
        NoticeAppointments);
    client.setDueCheck([](QWidget *parent) { runDueCheck(parent, tDateTime::now()); });
    if (const char *period = std::getenv("VELK_ALARM_PERIOD_MS"))
        client.setAlarmPeriod(std::atoi(period));
}

} // namespace velk
