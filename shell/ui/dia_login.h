// dia_login.h - the login dialog tDiaLogin ("Anmeldung") and RunLogin.
//
// In login mode it asks for user name and password; in new-password mode (the person list's
// "Anmelden...", for root) also for a confirmation, and stores the password of the named user.
// OK applies decideLogin (shell/core/login.h); "Passwort nicht eindeutig!" keeps it open.
#ifndef VELK_SHELL_UI_DIA_LOGIN_H
#define VELK_SHELL_UI_DIA_LOGIN_H

#include <QDialog>

#include <memory>
#include <string>

#include "model/login.h"

namespace Ui {
class tDiaLogin;
}

namespace velk {

class tDiaLogin : public QDialog {
    Q_OBJECT
public:
    tDiaLogin(QWidget *parent, tUserStore &users, bool newPassword);
    ~tDiaLogin() override;

    bool newPasswordMode() const { return newPassword_; }
    // Set by OK only: who logged in ("" = nobody).
    const std::string &resultName() const { return resultName_; }

private:
    void okPressed();

    std::unique_ptr<Ui::tDiaLogin> ui_;
    tUserStore &users_;
    bool newPassword_;
    std::string resultName_;
};

// The USERS table the login works on; set by start-up.
void setLoginUsers(tUserStore *users);
tUserStore *loginUsers();

// Runs the dialog modally.  After OK copies the result name into `result` (9 bytes) and answers
// whether it is not empty; after cancel answers false and leaves `result` as it was.
bool RunLogin(QWidget *parent, char *result, bool newPassword, tUserStore &users);
bool RunLogin(QWidget *parent, char *result, bool newPassword); // on loginUsers()

} // namespace velk

#endif
