#include "widgets/projects/dia_task.h"

#include <QComboBox>

#include "widgets/address/dia_pers_grp.h"
#include "shell/ui/dialog_fields.h"
#include "shell/core/help_keywords.h"
#include "base/session.h"
#include "shell/ui/cp1252.h"
#include "shell/ui/dialog_base.h"
#include "shell/ui/date_picker.h"
#include "shell/ui/dialog_help.h"
#include "shell/ui/shell_host.h"
#include "projects/codes.h"
#include "projects/dialog_rules.h"
#include "widgets/projects/dia_proj.h"
#include "widgets/projects/project_fields.h"
#include "ui_dia_task.h"

namespace velk {

tDiaTask::tDiaTask(QWidget *parent, const tTask *task, int mode)
    : tRowDialog(parent), ui_(std::make_unique<Ui::tDiaTask>()), isNew_(!task || mode != Edit)
{
    ui_->setupUi(this);
    installDialogHelp(this, QString::fromUtf8(help::TaskDialog));
    digitsOnly({ui_->editTime, ui_->editDay, ui_->editMonth, ui_->editYear});
    attachDatePicker(ui_->buttonPickDate, ui_->editDay, ui_->editMonth, ui_->editYear);
    if (task) row_ = *task;
    ui_->labelProject->setText(fromCp1252(row_.PROJECT));
    fillCodes(ui_->comboStatus, taskStatusCodes(), 0);
    if (isNew_) {
        // A new task keeps only its preset PROJECT (and what the caller set besides).
        row_.ID[0] = 0;
        row_.TITLE[0] = 0;
        row_.WORKER[0] = 0;
    } else {
        showField(ui_->editId, row_.ID);
        ui_->editId->setEnabled(false);
        showField(ui_->editTitle, row_.TITLE);
        loadedWorker_ = row_.WORKER;
        worker_ = tPersonOrGroup::parse(row_.WORKER);
        ShowPersonOrGroup(worker_, ui_->labelWorker, ui_->listWorker);
        ui_->comboStatus->setCurrentIndex(codePosition(taskStatusCodes(), row_.STATUS));
        ui_->editTime->setText(numberText("%ld", long(row_.TIME)));
        showMultiLine(ui_->editComment, row_.COMMENT.text);
        showDate(row_.ENDDATE, ui_->editDay, ui_->editMonth, ui_->editYear);
        showField(ui_->editPrio, row_.PRIO);
        ui_->editTitle->setFocus();
    }
    ui_->editComment->document()->setModified(false);
    connect(ui_->buttonWorker, &QPushButton::clicked, this,
            [this] { ChoosePersonOrGroup(this, worker_, ui_->labelWorker, ui_->listWorker); });
    connect(ui_->buttonSee, &QPushButton::clicked, this, &tDiaTask::showProject);
    connectButtons(ui_->buttonOk, ui_->buttonCancel);
}

tDiaTask::~tDiaTask() = default;

// "Sehen": the task's project in its dialog, to be changed from here; nothing when it is gone.
void tDiaTask::showProject()
{
    tProject p;
    if (p.find(row_.PROJECT)) tDiaProj::run(this, &p, tDiaProj::Edit);
}

void tDiaTask::okPressed()
{
    tTaskFields f;
    f.id = isNew_ ? fieldText(ui_->editId).substr(0, 8) : std::string(row_.ID);
    if (!acceptId(this, ui_->editId, checkTaskId(isNew_, f.id))) return;
    f.title = fieldText(ui_->editTitle);
    f.worker = worker_.format();
    f.status = ui_->comboStatus->currentIndex();
    f.time = fieldText(ui_->editTime).substr(0, 40);
    f.commentModified = ui_->editComment->document()->isModified();
    f.comment = multiLineText(ui_->editComment);
    f.day = fieldText(ui_->editDay);
    f.month = fieldText(ui_->editMonth);
    f.year = fieldText(ui_->editYear);
    f.prio = fieldText(ui_->editPrio).substr(0, 8);
    tTask k = taskFromDialog(row_, f);
    finish(storeTask(k, isNew_, loadedWorker_, tDateTime::now()).stored, k);
}

bool tDiaTask::run(QWidget *parent, tTask *task, int mode)
{
    tDiaTask dialog(parent, task, mode);
    return runModal(dialog, task);
}

} // namespace velk
