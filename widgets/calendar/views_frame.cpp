#include "widgets/calendar/views_frame.h"

#include "address/person.h"
#include "widgets/address/dia_person.h"
#include "shell/core/commands.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/mdi_client.h"
#include "widgets/calendar/term_list_win.h"
#include "widgets/calendar/view_openers.h"
#include "widgets/calendar/week_view_win.h"

namespace velk {

void calendarViewsFrameSetup(tMainFrame &frame, TMyMDIClient &client)
{
    client.registerView(ViewWeekCalendar,
                        [](const tViewArgs &args) -> tView * { return new tWeekWin(args.today); });
    client.registerView(ViewAppointmentList, [](const tViewArgs &args) -> tView * {
        return new tTermListWin(args.today, args.today);
    });
    // A birthday line opens the person dialog, unless the calendar's setup opens persons itself.
    if (!viewOpeners().person)
        viewOpeners().person = [](QWidget *parent, const std::string &id) {
            tPerson p;
            return p.find(id) && tDiaPerson::run(parent, &p);
        };
    frame.registerViewCommand(CmWeekCalendar, ViewWeekCalendar);
    frame.registerViewCommand(CmAppointmentList, ViewAppointmentList);
}

} // namespace velk
