// projects_frame.h - what the projects add to the main frame, and how other windows open a task.
//
// Views: the project list (type 7) and the task list, one window each at most.  Commands:
// "Projekt..." (a new project, then the notice with the projects bit), "Projekte" and
// "Aufgaben" in "Ansicht".  The program adds it with TMyApp::addFrameSetup(projectsFrameSetup).
#ifndef VELK_WIDGETS_PROJECTS_PROJECTS_FRAME_H
#define VELK_WIDGETS_PROJECTS_PROJECTS_FRAME_H

#include <string>

class QWidget;

namespace velk {

class tMainFrame;
class TMyMDIClient;

void projectsFrameSetup(tMainFrame &frame, TMyMDIClient &client);

// The task of this ID in the task dialog (to be changed); false when it does not exist or the
// dialog did not store it.  The caller sends the notice.
bool openTaskDialog(QWidget *parent, const std::string &taskId);
// A new task in the task dialog, of the project `projectId` (may be empty); true when stored.
bool newTaskDialog(QWidget *parent, const std::string &projectId);

} // namespace velk

#endif
