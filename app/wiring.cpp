#include "app/wiring.h"

#include "address/person.h"
#include "shell/ui/my_app.h"
#include "widgets/address/address_frame.h"
#include "widgets/address/dia_person.h"
#include "widgets/calendar/calendar_frame.h"
#include "widgets/calendar/dia_termin.h"
#include "widgets/calendar/plan_frame.h"
#include "widgets/calendar/search_win.h"
#include "widgets/calendar/undo_frame.h"
#include "widgets/calendar/view_openers.h"
#include "widgets/calendar/views_frame.h"
#include "widgets/exchange/exchange_frame.h"
#include "widgets/exchange/sync_frame.h"
#include "widgets/projects/projects_frame.h"

namespace velk {

static bool openPerson(QWidget *parent, const std::string &id)
{
    tPerson p;
    return p.find(id) && tDiaPerson::run(parent, &p);
}

void addSubsystems(TMyApp &app)
{
    app.addFrameSetup(addressFrameSetup);
    app.addFrameSetup(projectsFrameSetup);
    app.addFrameSetup(calendarFrameSetup);
    app.addFrameSetup(calendarViewsFrameSetup);
    app.addFrameSetup(calendarPlanFrameSetup);
    app.addFrameSetup(exchangeFrameSetup);
    app.addFrameSetup(undoFrameSetup);
    app.addFrameSetup(searchFrameSetup);
    app.addLoginSetup(syncLoginSetup);
    app.addLoginSetup(calendarPlanLoginSetup);
    wireOpeners();
}

void wireOpeners()
{
    tViewOpeners &open = viewOpeners();
    open.person = openPerson;
    open.termin = openTermin;
    open.newTermin = openNewTermin;
    open.task = openTaskDialog;
}

} // namespace velk
