#include "shell/ui/dia_login.h"

#include <cstring>

#include "shell/ui/cp1252.h"
#include "shell/ui/dialog_base.h"
#include "shell/ui/shell_host.h"
#include "ui_dia_login.h"

namespace velk {

namespace {
// Stands in where no USERS table is known: counts nothing, finds nothing, stores nothing.
class tNoUsers : public tUserStore {
public:
    long count() override { return 0; }
    bool read(const std::string &, tLoginUser *) override { return false; }
    bool write(const tLoginUser &) override { return false; }
};
} // namespace

static tUserStore *gLoginUsers = nullptr;

void setLoginUsers(tUserStore *users) { gLoginUsers = users; }
tUserStore *loginUsers() { return gLoginUsers; }

tDiaLogin::tDiaLogin(QWidget *parent, tUserStore &users, bool newPassword)
    : QDialog(parent), ui_(std::make_unique<Ui::tDiaLogin>()), users_(users),
      newPassword_(newPassword)
{
    ui_->setupUi(this);
    ui_->editUser->clear();
    ui_->editPassword->clear();
    ui_->editConfirm->clear();
    ui_->labelConfirm->setVisible(newPassword_);
    ui_->editConfirm->setVisible(newPassword_);
    connect(ui_->buttonOk, &QPushButton::clicked, this, &tDiaLogin::okPressed);
    connect(ui_->buttonCancel, &QPushButton::clicked, this, &QDialog::reject);
    installDialogBase(this);
}

tDiaLogin::~tDiaLogin() = default;

void tDiaLogin::okPressed()
{
    tLoginInput input;
    input.name = toCp1252(ui_->editUser->text());
    input.password = toCp1252(ui_->editPassword->text());
    input.confirmation = toCp1252(ui_->editConfirm->text());
    input.newPassword = newPassword_;
    resultName_.clear();
    tLoginDecision decision = decideLogin(users_, input);
    switch (decision.outcome) {
    case tLoginOutcome::PasswordsDiffer:
        shellHost().message(this, QStringLiteral("Passwort nicht eindeutig!"), appName());
        return;
    case tLoginOutcome::NameMissing:
        ui_->editUser->setFocus();
        return;
    case tLoginOutcome::StoreFailed:
        shellHost().message(this, QStringLiteral("Das Kennwort konnte nicht gespeichert werden."),
                            appName());
        return;
    case tLoginOutcome::Close:
        resultName_ = decision.resultName;
        accept();
        return;
    }
}

bool RunLogin(QWidget *parent, char *result, bool newPassword, tUserStore &users)
{
    tDiaLogin dialog(parent, users, newPassword);
    if (shellHost().runDialog(dialog) != QDialog::Accepted) return false;
    std::string name = dialog.resultName().substr(0, kMaxUserName);
    std::memcpy(result, name.c_str(), name.size() + 1);
    return !name.empty();
}

bool RunLogin(QWidget *parent, char *result, bool newPassword)
{
    tNoUsers none;
    return RunLogin(parent, result, newPassword, gLoginUsers ? *gLoginUsers : none);
}

} // namespace velk
