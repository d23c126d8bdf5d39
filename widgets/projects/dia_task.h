// dia_task.h - the task dialog tDiaTask ("Aufgabe", help "Taskdialog").
//
// Mode 1 makes a new task, mode 2 changes one whose ID stays fixed (mode 0 counts as 1).  The
// dialog works on its own copy of the task it is given, so a new task can come with its PROJECT
// set; "Sehen" opens that project.  The worker ("Bearbeiter") is chosen with "Ändern"; when OK
// has stored a task whose worker changed, the task's alarm goes to the user and the new worker.
// A store the table refuses is reported and the dialog stays open.
#ifndef VELK_WIDGETS_PROJECTS_DIA_TASK_H
#define VELK_WIDGETS_PROJECTS_DIA_TASK_H

#include <memory>
#include <string>

#include "address/reference.h"
#include "projects/project.h"
#include "widgets/address/row_dialog.h"

namespace Ui {
class tDiaTask;
}

namespace velk {

class tDiaTask : public tRowDialog<tTask> {
    Q_OBJECT
public:
    enum Mode { New = 1, Edit = 2 };

    // task null: a new task without a project.
    tDiaTask(QWidget *parent, const tTask *task, int mode);
    ~tDiaTask() override;

    bool isNew() const { return isNew_; }

    // True when OK stored the task; *task (when given) then holds the stored value.
    static bool run(QWidget *parent, tTask *task, int mode);

private:
    void okPressed() override;
    void showProject();

    std::unique_ptr<Ui::tDiaTask> ui_;
    bool isNew_;
    tPersonOrGroup worker_;
    std::string loadedWorker_;
};

} // namespace velk

#endif
