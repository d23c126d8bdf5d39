#include "widgets/calendar/plan_frame.h"

#include "address/person.h"
#include "widgets/address/dia_person.h"
#include "shell/core/commands.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/mdi_client.h"
#include "widgets/calendar/occupancy_plan_win.h"
#include "widgets/calendar/plan_view.h"
#include "widgets/calendar/month_planner_win.h"
#include "widgets/calendar/view_openers.h"

namespace velk {

void calendarPlanFrameSetup(tMainFrame &frame, TMyMDIClient &client)
{
    client.registerView(ViewMonthPlan, [](const tViewArgs &args) -> tView * {
        return new tCalPlanerWin(args.today);
    });
    client.registerView(ViewOccupancy, [](const tViewArgs &args) -> tView * {
        return new tJahrPlanWin(args.year);
    });
    frame.registerViewCommand(CmMonthPlan, ViewMonthPlan);
    frame.registerViewCommand(CmOccupancy, ViewOccupancy);
    // A birthday opens its person; the calendar's own setup may have put the same in place.
    if (!viewOpeners().person)
        viewOpeners().person = [](QWidget *parent, const std::string &id) {
            tPerson p;
            return p.find(id) && tDiaPerson::run(parent, &p);
        };
}

void calendarPlanLoginSetup(tMainFrame &, TMyMDIClient &, const QString &iniPath)
{
    setPlanZoomIni(iniPath);
}

} // namespace velk
