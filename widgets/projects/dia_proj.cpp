#include "widgets/projects/dia_proj.h"

#include <QComboBox>

#include "widgets/address/dia_pers_grp.h"
#include "shell/ui/dialog_fields.h"
#include "shell/core/help_keywords.h"
#include "shell/ui/dialog_base.h"
#include "shell/ui/dialog_help.h"
#include "shell/ui/shell_host.h"
#include "projects/codes.h"
#include "projects/dialog_rules.h"
#include "widgets/projects/project_fields.h"
#include "ui_dia_proj.h"

namespace velk {

tDiaProj::tDiaProj(QWidget *parent, const tProject *project, int mode)
    : QDialog(parent), ui_(std::make_unique<Ui::tDiaProj>()), isNew_(!project || mode != Edit)
{
    ui_->setupUi(this);
    installDialogHelp(this, QString::fromUtf8(help::ProjectDialog));
    digitsOnly({ui_->editMaxTime, ui_->editDay, ui_->editMonth, ui_->editYear});
    fillCodes(ui_->comboBill, billingCodes(), 0);
    fillCodes(ui_->comboStatus, projectStatusCodes(), 0);
    if (!isNew_) {
        project_ = *project;
        oldId_ = project->ID;
        showField(ui_->editId, project_.ID);
        ui_->editId->setEnabled(false);
        showField(ui_->editTitle, project_.TITLE);
        costumer_ = tPersonOrGroup::parse(project_.COSTUMER);
        ShowPersonOrGroup(costumer_, ui_->labelCostumer, ui_->listCostumer);
        ui_->comboBill->setCurrentIndex(codePosition(billingCodes(), project_.BILL));
        ui_->comboStatus->setCurrentIndex(codePosition(projectStatusCodes(), project_.STATUS));
        ui_->editMaxTime->setText(numberText("%ld", long(project_.MAXTIME)));
        showDate(project_.ENDDATE, ui_->editDay, ui_->editMonth, ui_->editYear);
        ui_->editTitle->setFocus();
    }
    connect(ui_->buttonCostumer, &QPushButton::clicked, this, [this] {
        ChoosePersonOrGroup(this, costumer_, ui_->labelCostumer, ui_->listCostumer);
    });
    connect(ui_->buttonOk, &QPushButton::clicked, this, &tDiaProj::okPressed);
    connect(ui_->buttonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

tDiaProj::~tDiaProj() = default;

void tDiaProj::okPressed()
{
    tProjectFields f;
    f.id = isNew_ ? fieldText(ui_->editId).substr(0, 8) : oldId_;
    if (!acceptId(this, ui_->editId, checkProjectId(isNew_, f.id))) return;
    f.title = fieldText(ui_->editTitle);
    f.costumer = costumer_.format();
    f.bill = ui_->comboBill->currentIndex();
    f.status = ui_->comboStatus->currentIndex();
    f.maxTime = fieldText(ui_->editMaxTime);
    f.day = fieldText(ui_->editDay);
    f.month = fieldText(ui_->editMonth);
    f.year = fieldText(ui_->editYear);
    tProject p = projectFromDialog(f);
    if (storeProject(p, isNew_, oldId_) != tStoreStatus::Stored) {
        reportStoreFailure(this);
        return;
    }
    project_ = p;
    accept();
}

bool tDiaProj::run(QWidget *parent, tProject *project, int mode)
{
    tDiaProj dialog(parent, project, mode);
    if (shellHost().runDialog(dialog) != QDialog::Accepted) return false;
    if (project) *project = dialog.project();
    return true;
}

} // namespace velk
