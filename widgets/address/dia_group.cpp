#include "widgets/address/dia_group.h"

#include "address/dialog_rules.h"
#include "shell/ui/dialog_fields.h"
#include "shell/core/help_keywords.h"
#include "shell/ui/cp1252.h"
#include "shell/ui/dialog_help.h"
#include "shell/ui/shell_host.h"
#include "ui_dia_group.h"

namespace velk {

TDiaGroup::TDiaGroup(QWidget *parent, const tGroup &group, int mode)
    : QDialog(parent), ui_(std::make_unique<Ui::TDiaGroup>()), mode_(mode), oldId_(group.ID),
      group_(group)
{
    ui_->setupUi(this);
    installDialogHelp(this, QString::fromUtf8(help::Groups));
    limitMultiLine(ui_->editStreet, sizeof group_.STREET - 1);
    if (mode_ == Edit) {
        showField(ui_->editId, group_.ID);
        showField(ui_->editTitle, group_.TITLE);
        showField(ui_->editTel, group_.TEL);
        showField(ui_->editFax, group_.FAX);
        showMultiLine(ui_->editStreet, group_.STREET);
        showField(ui_->editCountry, group_.COUNTRY);
        showField(ui_->editZip, group_.ZIP);
        showField(ui_->editCity, group_.CITY);
        showMultiLine(ui_->editComment, group_.COMMENT.text);
        ui_->editId->setEnabled(false);
    } else {
        group_ = tGroup();
    }
    ui_->editComment->document()->setModified(false);
    connect(ui_->buttonOk, &QPushButton::clicked, this, &TDiaGroup::okPressed);
    connect(ui_->buttonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TDiaGroup::~TDiaGroup() = default;

void TDiaGroup::okPressed()
{
    tGroup g = group_;
    g.setId(mode_ == Edit ? oldId_ : fieldText(ui_->editId).substr(0, 8));
    if (mode_ == New && groupIdTaken(g.ID)) {
        reportIdTaken(this, ui_->editId);
        return;
    }
    g.setTitle(fieldText(ui_->editTitle));
    g.setStreet(multiLineText(ui_->editStreet));
    g.setCity(fieldText(ui_->editCity));
    g.setZip(fieldText(ui_->editZip));
    g.setCountry(fieldText(ui_->editCountry));
    g.setTel(fieldText(ui_->editTel));
    g.setFax(fieldText(ui_->editFax));
    if (ui_->editComment->document()->isModified()) g.setComment(multiLineText(ui_->editComment));
    tStoreStatus stored = mode_ == New ? g.insert() : g.update(oldId_);
    if (stored != tStoreStatus::Stored) {
        reportStoreFailure(this);
        return;
    }
    group_ = g;
    accept();
}

bool TDiaGroup::run(QWidget *parent, tGroup &group, int mode)
{
    TDiaGroup dialog(parent, group, mode);
    if (shellHost().runDialog(dialog) != QDialog::Accepted) return false;
    group = dialog.group();
    return true;
}

} // namespace velk
