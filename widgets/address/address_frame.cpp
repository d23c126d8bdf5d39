#include "widgets/address/address_frame.h"

#include "address/resource.h"
#include "widgets/address/dia_member.h"
#include "widgets/address/dia_person.h"
#include "widgets/address/dia_res.h"
#include "widgets/address/pers_list_win.h"
#include "widgets/address/res_list_win.h"
#include "shell/core/commands.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/mdi_client.h"

namespace velk {

void addressFrameSetup(tMainFrame &frame, TMyMDIClient &client)
{
    client.registerView(ViewPersonList, [](const tViewArgs &) -> tView * {
        if (tPersListWin *open = tPersListWin::openList()) return open;
        return new tPersListWin;
    });
    client.registerView(ViewResourceList, [](const tViewArgs &) -> tView * {
        if (tResListWin *open = tResListWin::openList()) return open;
        return new tResListWin;
    });
    frame.registerViewCommand(CmPersonList, ViewPersonList);
    frame.registerViewCommand(CmResourceList, ViewResourceList);
    frame.registerDialogCommand(
        CmNewPerson, [](QWidget *parent) { return tDiaPerson::run(parent, nullptr); },
        NoticePersons);
    frame.registerDialogCommand(
        CmGroups,
        [](QWidget *parent) {
            tDiaMember::run(parent);
            return false;
        },
        tNotices());
    frame.registerDialogCommand(
        CmNewResource,
        [](QWidget *parent) {
            tResource r;
            return tDiaRes::run(parent, r, tDiaRes::New);
        },
        NoticeResources);
}

} // namespace velk
