#include "widgets/address/dia_person.h"

#include <cstdio>

#include "address/dialog_rules.h"
#include "widgets/address/address_fields.h"
#include "shell/ui/dialog_fields.h"
#include "widgets/address/pers_list_win.h"
#include "shell/core/help_keywords.h"
#include "shell/ui/dialog_base.h"
#include "shell/ui/date_picker.h"
#include "shell/ui/dialog_help.h"
#include "shell/ui/shell_host.h"
#include "ui_dia_person.h"

namespace velk {

static QString number(const char *format, int value)
{
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    return QString::fromLatin1(text);
}

tDiaPerson::tDiaPerson(QWidget *parent, const tPerson *person)
    : tRowDialog(parent), ui_(std::make_unique<Ui::tDiaPerson>()), isNew_(person == nullptr)
{
    ui_->setupUi(this);
    installDialogHelp(this, QString::fromUtf8(help::PersonDialog));
    digitsOnly({ui_->editDay, ui_->editMonth, ui_->editYear});
    attachDatePicker(ui_->buttonPickDate, ui_->editDay, ui_->editMonth, ui_->editYear);
    limitAddress<tPerson>(*ui_);
    if (person) {
        row_ = *person;
        oldId_ = person->ID;
        showField(ui_->editId, row_.ID);
        showField(ui_->editName, row_.NAME);
        showField(ui_->editChrName, row_.CHRNAME);
        showAddress(*ui_, row_);
        ui_->editDay->setText(number("%2d", row_.BIRTH.day));
        ui_->editMonth->setText(number("%2d", row_.BIRTH.month));
        ui_->editYear->setText(number("%04d", row_.BIRTH.year));
        ui_->editId->setReadOnly(!personIdEditable(false, oldId_));
    }
    connectButtons(ui_->buttonOk, ui_->buttonCancel);
}

tDiaPerson::~tDiaPerson() = default;

void tDiaPerson::okPressed()
{
    std::string id = fieldText(ui_->editId).substr(0, 8);
    int day = dialogNumber(fieldText(ui_->editDay));
    int month = dialogNumber(fieldText(ui_->editMonth));
    int year = dialogNumber(fieldText(ui_->editYear));
    switch (checkPersonDialog(isNew_, oldId_, id, day, month, year)) {
    case tPersonCheck::IdTaken:
        reportIdTaken(this, ui_->editId);
        return;
    case tPersonCheck::InvalidBirthday:
        ui_->editDay->setFocus();
        return;
    case tPersonCheck::Ok:
        break;
    }
    tPerson p = row_;
    p.setId(id);
    p.BIRTH = tDate{day, month, year};
    p.setName(fieldText(ui_->editName));
    p.setChrName(fieldText(ui_->editChrName));
    takeAddress(*ui_, p);
    row_ = p;
    finish(store(), p);
}

tStoreStatus tDiaPerson::store()
{
    if (!isNew_) return row_.update(oldId_);
    tStoreStatus status = row_.insert();
    if (status != tStoreStatus::Stored) return status;
    if (tPersListWin *list = tPersListWin::openList()) list->appendPerson(row_);
    return status;
}

bool tDiaPerson::run(QWidget *parent, tPerson *person)
{
    tDiaPerson dialog(parent, person);
    return runModal(dialog, person);
}

} // namespace velk
