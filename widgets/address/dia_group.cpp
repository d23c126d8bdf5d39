#include "widgets/address/dia_group.h"

#include "address/dialog_rules.h"
#include "widgets/address/address_fields.h"
#include "shell/ui/dialog_fields.h"
#include "shell/core/help_keywords.h"
#include "shell/ui/cp1252.h"
#include "shell/ui/dialog_help.h"
#include "shell/ui/shell_host.h"
#include "ui_dia_group.h"

namespace velk {

TDiaGroup::TDiaGroup(QWidget *parent, const tGroup &group, int mode)
    : tRowDialog(parent), ui_(std::make_unique<Ui::TDiaGroup>()), mode_(mode), oldId_(group.ID)
{
    row_ = group;
    ui_->setupUi(this);
    installDialogHelp(this, QString::fromUtf8(help::Groups));
    limitAddress<tGroup>(*ui_);
    if (mode_ == Edit) {
        showField(ui_->editId, row_.ID);
        showField(ui_->editTitle, row_.TITLE);
        showField(ui_->editFax, row_.FAX);
        showAddress(*ui_, row_);
        showMultiLine(ui_->editComment, row_.COMMENT.text);
        ui_->editId->setEnabled(false);
    } else {
        row_ = tGroup();
    }
    ui_->editComment->document()->setModified(false);
    connectButtons(ui_->buttonOk, ui_->buttonCancel);
}

TDiaGroup::~TDiaGroup() = default;

void TDiaGroup::okPressed()
{
    tGroup g = row_;
    g.setId(mode_ == Edit ? oldId_ : fieldText(ui_->editId).substr(0, 8));
    if (mode_ == New && groupIdTaken(g.ID)) {
        reportIdTaken(this, ui_->editId);
        return;
    }
    g.setTitle(fieldText(ui_->editTitle));
    takeAddress(*ui_, g);
    g.setFax(fieldText(ui_->editFax));
    if (ui_->editComment->document()->isModified()) g.setComment(multiLineText(ui_->editComment));
    finish(mode_ == New ? g.insert() : g.update(oldId_), g);
}

bool TDiaGroup::run(QWidget *parent, tGroup &group, int mode)
{
    TDiaGroup dialog(parent, group, mode);
    return runModal(dialog, &group);
}

} // namespace velk
