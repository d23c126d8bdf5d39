#include "widgets/address/dia_res.h"

#include "address/dialog_rules.h"
#include "shell/ui/dialog_fields.h"
#include "shell/core/help_keywords.h"
#include "shell/ui/dialog_help.h"
#include "shell/ui/shell_host.h"
#include "ui_dia_res.h"

namespace velk {

tDiaRes::tDiaRes(QWidget *parent, const tResource &resource, int mode)
    : tRowDialog(parent), ui_(std::make_unique<Ui::tDiaRes>()), mode_(mode), old_(resource)
{
    ui_->setupUi(this);
    installDialogHelp(this, QString::fromUtf8(help::Resources));
    if (mode_ == Edit) {
        showField(ui_->editId, resource.ID);
        showField(ui_->editTitle, resource.TITLE);
        ui_->editId->setReadOnly(true);
        ui_->editTitle->setFocus();
    }
    connectButtons(ui_->buttonOk, ui_->buttonCancel);
}

tDiaRes::~tDiaRes() = default;

void tDiaRes::okPressed()
{
    tResource r;
    r.setId(mode_ == Edit ? std::string(old_.ID) : fieldText(ui_->editId).substr(0, 8));
    if (mode_ == New && resourceIdTaken(r.ID)) {
        reportIdTaken(this, ui_->editId);
        return;
    }
    r.setTitle(fieldText(ui_->editTitle));
    finish(mode_ == New ? r.insert() : r.update(old_.ID), r);
}

bool tDiaRes::run(QWidget *parent, tResource &resource, int mode)
{
    tDiaRes dialog(parent, resource, mode);
    return runModal(dialog, &resource);
}

} // namespace velk
