#include "widgets/projects/dia_proj.h"

#include <QComboBox>

#include "widgets/address/dia_pers_grp.h"
#include "shell/ui/dialog_fields.h"
#include "shell/core/help_keywords.h"
#include "shell/ui/dialog_base.h"
#include "shell/ui/date_picker.h"
#include "shell/ui/dialog_help.h"
#include "shell/ui/shell_host.h"
#include "projects/codes.h"
#include "projects/dialog_rules.h"
#include "widgets/projects/project_fields.h"
#include "ui_dia_proj.h"

namespace velk {

tDiaProj::tDiaProj(QWidget *parent, const tProject *project, int mode)
    : tRowDialog(parent), ui_(std::make_unique<Ui::tDiaProj>()), isNew_(!project || mode != Edit)
{
    ui_->setupUi(this);
    installDialogHelp(this, QString::fromUtf8(help::ProjectDialog));
    digitsOnly({ui_->editMaxTime, ui_->editDay, ui_->editMonth, ui_->editYear});
    attachDatePicker(ui_->buttonPickDate, ui_->editDay, ui_->editMonth, ui_->editYear);
    fillCodes(ui_->comboBill, billingCodes(), 0);
    fillCodes(ui_->comboStatus, projectStatusCodes(), 0);
    if (!isNew_) {
        row_ = *project;
        oldId_ = project->ID;
        showField(ui_->editId, row_.ID);
        ui_->editId->setEnabled(false);
        showField(ui_->editTitle, row_.TITLE);
        costumer_ = tPersonOrGroup::parse(row_.COSTUMER);
        ShowPersonOrGroup(costumer_, ui_->labelCostumer, ui_->listCostumer);
        ui_->comboBill->setCurrentIndex(codePosition(billingCodes(), row_.BILL));
        ui_->comboStatus->setCurrentIndex(codePosition(projectStatusCodes(), row_.STATUS));
        ui_->editMaxTime->setText(numberText("%ld", long(row_.MAXTIME)));
        showDate(row_.ENDDATE, ui_->editDay, ui_->editMonth, ui_->editYear);
        ui_->editTitle->setFocus();
    }
    connect(ui_->buttonCostumer, &QPushButton::clicked, this, [this] {
        ChoosePersonOrGroup(this, costumer_, ui_->labelCostumer, ui_->listCostumer);
    });
    connectButtons(ui_->buttonOk, ui_->buttonCancel);
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
    finish(storeProject(p, isNew_, oldId_), p);
}

bool tDiaProj::run(QWidget *parent, tProject *project, int mode)
{
    tDiaProj dialog(parent, project, mode);
    return runModal(dialog, project);
}

} // namespace velk
