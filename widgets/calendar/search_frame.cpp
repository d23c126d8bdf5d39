#include "address/group.h"
#include "address/resource.h"
#include "projects/project.h"
#include "shell/core/commands.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/mdi_client.h"
#include "widgets/address/dia_group.h"
#include "widgets/address/dia_res.h"
#include "widgets/calendar/search_win.h"
#include "widgets/calendar/view_openers.h"
#include "widgets/projects/dia_proj.h"

namespace velk {

namespace {

// A result whose record has gone meanwhile opens nothing.
bool openGroup(QWidget *parent, const std::string &id)
{
    tGroup g;
    return g.find(id) && TDiaGroup::run(parent, g, TDiaGroup::Edit);
}

bool openResource(QWidget *parent, const std::string &id)
{
    tResource r;
    return r.find(id) && tDiaRes::run(parent, r, tDiaRes::Edit);
}

bool openProject(QWidget *parent, const std::string &id)
{
    tProject p;
    return p.find(id) && tDiaProj::run(parent, &p, tDiaProj::Edit);
}

} // namespace

void searchFrameSetup(tMainFrame &frame, TMyMDIClient &client)
{
    tViewOpeners &open = viewOpeners();
    if (!open.group) open.group = openGroup;
    if (!open.resource) open.resource = openResource;
    if (!open.project) open.project = openProject;
    client.registerView(ViewSearch, [](const tViewArgs &) -> tView * {
        if (tSearchWin *win = tSearchWin::openWindow()) return win;
        return new tSearchWin;
    });
    frame.registerCommand(CmSearch, [&client] {
        tViewArgs args;
        args.today = tDate::today();
        args.year = args.today.year;
        auto *win = qobject_cast<tSearchWin *>(client.createView(ViewSearch, args));
        if (win) win->focusWord();
    });
}

} // namespace velk
