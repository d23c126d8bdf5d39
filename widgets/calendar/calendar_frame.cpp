#include "widgets/calendar/calendar_frame.h"

#include <cstdlib>

#include "address/person.h"
#include "widgets/address/dia_person.h"
#include "shell/core/commands.h"
#include "shell/core/session.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/mdi_client.h"
#include "calendar/calendar_user.h"
#include "widgets/calendar/alarm_list_win.h"
#include "widgets/calendar/dia_msg_alarm.h"
#include "widgets/calendar/dia_termin.h"
#include "widgets/calendar/view_openers.h"
#include "widgets/projects/projects_frame.h"

namespace velk {

void calendarLogin() { setCalendarUser(currentUser()); }

static bool openPerson(QWidget *parent, const std::string &id)
{
    tPerson p;
    return p.find(id) && tDiaPerson::run(parent, &p);
}

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

    tViewOpeners &open = viewOpeners();
    open.person = openPerson;
    open.termin = openTermin;
    open.newTermin = openNewTermin;
    open.task = openTaskDialog;
}

} // namespace velk
