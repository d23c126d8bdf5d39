// login_dialog_helpers.h - fills the login dialog by its widgets' object names and presses OK.
#ifndef VELK_TESTS_APP_LOGIN_DIALOG_HELPERS_H
#define VELK_TESTS_APP_LOGIN_DIALOG_HELPERS_H

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace velk::apptest {

inline QLineEdit *loginField(QDialog &dialog, const char *name)
{
    auto *edit = dialog.findChild<QLineEdit *>(QLatin1String(name));
    EXPECT_NE(edit, nullptr) << name;
    return edit;
}

// Types into a field like a user, so that its limit applies.  QTest types ASCII only; other
// text is inserted as one piece (under the same limit).
inline void typeInto(QLineEdit *edit, const QString &text)
{
    bool ascii = true;
    for (QChar c : text) ascii = ascii && c.unicode() < 0x80;
    if (ascii)
        QTest::keyClicks(edit, text);
    else
        edit->insert(text);
}

inline void fillLogin(QDialog &dialog, const QString &user, const QString &password,
                      const QString &confirmation = QString())
{
    typeInto(loginField(dialog, "editUser"), user);
    typeInto(loginField(dialog, "editPassword"), password);
    if (!confirmation.isNull()) typeInto(loginField(dialog, "editConfirm"), confirmation);
}

inline void clickButton(QDialog &dialog, const char *name)
{
    auto *button = dialog.findChild<QPushButton *>(QLatin1String(name));
    ASSERT_NE(button, nullptr) << name;
    QTest::mouseClick(button, Qt::LeftButton);
}

inline std::function<void(QDialog &)> loginScript(const QString &user, const QString &password)
{
    return [user, password](QDialog &dialog) {
        fillLogin(dialog, user, password);
        clickButton(dialog, "buttonOk");
    };
}

} // namespace velk::apptest

#endif
