#include "widgets/projects/projects_frame.h"

#include "shell/core/commands.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/mdi_client.h"
#include "widgets/projects/dia_proj.h"
#include "widgets/projects/dia_task.h"
#include "widgets/projects/prj_list_win.h"
#include "widgets/projects/task_list_win.h"

namespace velk {

void projectsFrameSetup(tMainFrame &frame, TMyMDIClient &client)
{
    client.registerView(ViewProjectList, [](const tViewArgs &) -> tView * {
        if (tPrjListWin *open = tPrjListWin::openList()) return open;
        return new tPrjListWin;
    });
    client.registerView(ViewTaskList, [](const tViewArgs &) -> tView * {
        if (tTaskListWin *open = tTaskListWin::openList()) return open;
        return new tTaskListWin;
    });
    frame.registerViewCommand(CmProjectList, ViewProjectList);
    frame.registerViewCommand(CmTaskList, ViewTaskList);
    frame.registerDialogCommand(
        CmNewProject, [](QWidget *parent) { return tDiaProj::run(parent, nullptr, tDiaProj::New); },
        NoticeProjects);
}

bool openTaskDialog(QWidget *parent, const std::string &taskId)
{
    tTask k;
    if (!k.find(taskId)) return false;
    return tDiaTask::run(parent, &k, tDiaTask::Edit);
}

bool newTaskDialog(QWidget *parent, const std::string &projectId)
{
    tTask k;
    k.setProject(projectId);
    return tDiaTask::run(parent, &k, tDiaTask::New);
}

} // namespace velk
