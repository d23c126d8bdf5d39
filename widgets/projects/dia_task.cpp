#include "widgets/projects/dia_task.h"

#include <QComboBox>

#include "widgets/address/dia_pers_grp.h"
#include "shell/ui/dialog_fields.h"
#include "shell/core/help_keywords.h"
#include "base/session.h"
#include "shell/ui/cp1252.h"
#include "shell/ui/dialog_base.h"
#include "shell/ui/dialog_help.h"
#include "shell/ui/shell_host.h"
#include "projects/codes.h"
#include "projects/dialog_rules.h"
#include "widgets/projects/dia_proj.h"
#include "widgets/projects/project_fields.h"
#include "ui_dia_task.h"

namespace velk {

tDiaTask::tDiaTask(QWidget *parent, const tTask *task, int mode)
    : QDialog(parent), ui_(std::make_unique<Ui::tDiaTask>()), isNew_(!task || mode != Edit)
{
    ui_->setupUi(this);
    installDialogHelp(this, QString::fromUtf8(help::TaskDialog));
    digitsOnly({ui_->editTime, ui_->editDay, ui_->editMonth, ui_->editYear});
    if (task) task_ = *task;
    ui_->labelProject->setText(fromCp1252(task_.PROJECT));
    fillCodes(ui_->comboStatus, taskStatusCodes(), 0);
    if (isNew_) {
        // A new task keeps only its preset PROJECT (and what the caller set besides).
        task_.ID[0] = 0;
        task_.TITLE[0] = 0;
        task_.WORKER[0] = 0;
    } else {
        showField(ui_->editId, task_.ID);
        ui_->editId->setEnabled(false);
        showField(ui_->editTitle, task_.TITLE);
        loadedWorker_ = task_.WORKER;
        worker_ = tPersonOrGroup::parse(task_.WORKER);
        ShowPersonOrGroup(worker_, ui_->labelWorker, ui_->listWorker);
        ui_->comboStatus->setCurrentIndex(codePosition(taskStatusCodes(), task_.STATUS));
        ui_->editTime->setText(numberText("%ld", long(task_.TIME)));
        showMultiLine(ui_->editComment, task_.COMMENT.text);
        showDate(task_.ENDDATE, ui_->editDay, ui_->editMonth, ui_->editYear);
        showField(ui_->editPrio, task_.PRIO);
        ui_->editTitle->setFocus();
    }
    ui_->editComment->document()->setModified(false);
    connect(ui_->buttonWorker, &QPushButton::clicked, this,
            [this] { ChoosePersonOrGroup(this, worker_, ui_->labelWorker, ui_->listWorker); });
    connect(ui_->buttonSee, &QPushButton::clicked, this, &tDiaTask::showProject);
    connect(ui_->buttonOk, &QPushButton::clicked, this, &tDiaTask::okPressed);
    connect(ui_->buttonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

tDiaTask::~tDiaTask() = default;

// "Sehen": the task's project in its dialog, to be changed from here; nothing when it is gone.
void tDiaTask::showProject()
{
    tProject p;
    if (p.find(task_.PROJECT)) tDiaProj::run(this, &p, tDiaProj::Edit);
}

void tDiaTask::okPressed()
{
    tTaskFields f;
    f.id = isNew_ ? fieldText(ui_->editId).substr(0, 8) : std::string(task_.ID);
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
    tTask k = taskFromDialog(task_, f);
    tTaskStored stored = storeTask(k, isNew_, loadedWorker_, tDateTime::now());
    if (stored.stored != tStoreStatus::Stored) {
        reportStoreFailure(this);
        return;
    }
    task_ = k;
    accept();
}

bool tDiaTask::run(QWidget *parent, tTask *task, int mode)
{
    tDiaTask dialog(parent, task, mode);
    if (shellHost().runDialog(dialog) != QDialog::Accepted) return false;
    if (task) *task = dialog.task();
    return true;
}

} // namespace velk
