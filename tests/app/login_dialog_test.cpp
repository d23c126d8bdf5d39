// The login dialog driven through its widgets: both modes, the field limits, RunLogin's result.
#include <QLabel>

#include <cstring>

#include <gtest/gtest.h>

#include "shell/ui/dia_login.h"
#include "tests/app/fake_users.h"
#include "tests/app/login_dialog_helpers.h"
#include "tests/app/recorder_host.h"

using velk::RunLogin;
using velk::tDiaLogin;
using namespace velk::apptest;

TEST(LoginDialog, LoginModeHidesTheConfirmation)
{
    FakeUsers users;
    tDiaLogin dialog(nullptr, users, false);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Anmeldung"));
    EXPECT_FALSE(loginField(dialog, "editConfirm")->isVisible());
    EXPECT_FALSE(dialog.findChild<QLabel *>("labelConfirm")->isVisible());
    EXPECT_TRUE(loginField(dialog, "editUser")->text().isEmpty());
    EXPECT_EQ(loginField(dialog, "editPassword")->echoMode(), QLineEdit::Password);

    tDiaLogin second(nullptr, users, true);
    second.show();
    EXPECT_TRUE(loginField(second, "editConfirm")->isVisible());
    EXPECT_EQ(second.findChild<QLabel *>("labelConfirm")->text(), QStringLiteral("Bestätigung"));
}

TEST(LoginDialog, FieldsTakeAtMostTheirLimits)
{
    FakeUsers users;
    tDiaLogin dialog(nullptr, users, true);
    dialog.show();
    fillLogin(dialog, "abcdefghijk", QString(30, 'p'), QString(30, 'q'));
    EXPECT_EQ(loginField(dialog, "editUser")->text(), QStringLiteral("abcdefgh"));
    EXPECT_EQ(loginField(dialog, "editPassword")->text().size(), 25);
    EXPECT_EQ(loginField(dialog, "editConfirm")->text().size(), 25);
}

TEST(RunLoginTest, RootOnEmptyTableFillsTheBuffer)
{
    RecorderHost host;
    FakeUsers users;
    char result[9] = "xxxxxxxx";
    host.dialogScripts.push_back(loginScript("root", ""));
    EXPECT_TRUE(RunLogin(nullptr, result, false, users));
    EXPECT_STREQ(result, "root");
    EXPECT_TRUE(host.dialogScripts.empty());
}

TEST(RunLoginTest, RefusedLoginClosesWithOkButAnswersFalse)
{
    RecorderHost host;
    FakeUsers users;
    users.add("anna", "geheim");
    char result[9] = "vorher";
    host.dialogScripts.push_back(loginScript("anna", "falsch"));
    EXPECT_FALSE(RunLogin(nullptr, result, false, users));
    EXPECT_STREQ(result, ""); // the dialog ended with OK: its empty result is copied
    EXPECT_TRUE(host.messages.empty());

    host.dialogScripts.push_back(loginScript("anna", "geheim"));
    EXPECT_TRUE(RunLogin(nullptr, result, false, users));
    EXPECT_STREQ(result, "anna");
}

TEST(RunLoginTest, CancelLeavesTheBufferAlone)
{
    RecorderHost host;
    FakeUsers users;
    char result[9] = "vorher";
    host.dialogScripts.push_back([](QDialog &d) {
        fillLogin(d, "root", "");
        clickButton(d, "buttonCancel");
    });
    EXPECT_FALSE(RunLogin(nullptr, result, false, users));
    EXPECT_STREQ(result, "vorher");
}

TEST(RunLoginTest, DifferingPasswordsKeepTheDialogOpenAndStoreNothing)
{
    RecorderHost host;
    FakeUsers users;
    char scratch[9] = "";
    bool stillOpen = false;
    host.dialogScripts.push_back([&](QDialog &d) {
        fillLogin(d, "anna", "geheim", "geheiN");
        clickButton(d, "buttonOk");
        stillOpen = d.isVisible() && d.result() == 0;
        // The fields stay as typed; the user corrects the confirmation and tries again.
        EXPECT_EQ(loginField(d, "editConfirm")->text(), QStringLiteral("geheiN"));
        loginField(d, "editConfirm")->setText(QStringLiteral("geheim"));
        clickButton(d, "buttonOk");
    });
    RunLogin(nullptr, scratch, true, users);
    EXPECT_TRUE(stillOpen);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, QStringLiteral("Passwort nicht eindeutig!"));
    EXPECT_EQ(host.messages[0].caption, velk::appName());
    ASSERT_EQ(users.writes.size(), 1u); // only after the correction
    EXPECT_EQ(users.writes[0].id, "anna");
    EXPECT_EQ(users.writes[0].password, velk::storedPassword("geheim"));
}

TEST(RunLoginTest, NonLatinCharactersAreStoredAsWindows1252)
{
    RecorderHost host;
    FakeUsers users;
    char scratch[9] = "";
    host.dialogScripts.push_back([](QDialog &d) {
        fillLogin(d, QStringLiteral("jörg"), QStringLiteral("€uro"), QStringLiteral("€uro"));
        clickButton(d, "buttonOk");
    });
    RunLogin(nullptr, scratch, true, users);
    ASSERT_EQ(users.writes.size(), 1u);
    EXPECT_EQ(users.writes[0].id, "j\xf6rg");
    EXPECT_EQ(users.writes[0].password, velk::storedPassword("\x80uro"));
    char result[9] = "";
    host.dialogScripts.push_back(loginScript(QStringLiteral("jörg"), QStringLiteral("€uro")));
    EXPECT_TRUE(RunLogin(nullptr, result, false, users));
    EXPECT_STREQ(result, "j\xf6rg");
}

TEST(RunLoginTest, ProcessWideUsersAreUsedByThePersonListsCall)
{
    RecorderHost host;
    FakeUsers users;
    char scratch[9] = "";
    velk::setLoginUsers(&users);
    host.dialogScripts.push_back([](QDialog &d) {
        fillLogin(d, "bernd", "pw", "pw");
        clickButton(d, "buttonOk");
    });
    RunLogin(nullptr, scratch, true);
    velk::setLoginUsers(nullptr);
    EXPECT_EQ(users.records.count("bernd"), 1u);
    // Without a table nothing can be stored, and the dialog says so.
    host.dialogScripts.push_back([](QDialog &d) {
        fillLogin(d, "carla", "pw", "pw");
        clickButton(d, "buttonOk");
        clickButton(d, "buttonCancel");
    });
    EXPECT_FALSE(RunLogin(nullptr, scratch, true));
    EXPECT_EQ(host.messages.size(), 1u);
}
