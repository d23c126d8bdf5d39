// address_ui_support.h - the address book's widget tests: a database in a temporary directory,
// the recorder as shell host, a current user, and small helpers to fill and press a dialog.
#ifndef VELK_TESTS_ADDRESS_ADDRESS_UI_SUPPORT_H
#define VELK_TESTS_ADDRESS_ADDRESS_UI_SUPPORT_H

#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <cstring>
#include <map>

#include "address/person.h"
#include "base/session.h"
#include "model/users.h"
#include "tests/app/recorder_host.h"
#include "tests/model/model_support.h"

namespace velk::apptest {

class AddressUiTest : public velk::ModelTest {
protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        setUser("root");
    }
    void setUser(const char *name) { setCurrentUser(name); }

    static tPerson person(const char *id, const char *name, const char *chr, tDate birth = {},
                          const char *tel = "0711 1")
    {
        tPerson p;
        p.setId(id);
        p.setName(name);
        p.setChrName(chr);
        p.setTel(tel);
        p.BIRTH = birth;
        return p;
    }
    static void makeUser(const char *id)
    {
        tUser u = newUser();
        std::strcpy(u.ID, id);
        ASSERT_TRUE(writeUser(u));
    }

    RecorderHost host;
};

// Key presses for each character, also those beyond ASCII (which QTest::keyClicks refuses).
inline void keys(QWidget *widget, const QString &text)
{
    for (QChar ch : text) {
        if (ch.unicode() < 0x80) {
            QTest::keyClick(widget, char(ch.unicode()));
        } else {
            QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, QString(ch),
                                Qt::NoModifier);
        }
    }
}

// Types into the named line or multi-line edit of a dialog (UTF-8 text), as a user who clicked
// into the field.
inline void type(QWidget &dialog, const char *field, const char *text)
{
    if (auto *line = dialog.findChild<QLineEdit *>(QString::fromLatin1(field))) {
        line->setFocus();
        line->clear();
        keys(line, QString::fromUtf8(text));
    } else if (auto *multi = dialog.findChild<QPlainTextEdit *>(QString::fromLatin1(field))) {
        multi->setFocus();
        multi->selectAll();
        const QStringList lines = QString::fromUtf8(text).split(QLatin1Char('\n'));
        for (int i = 0; i < lines.size(); ++i) {
            if (i > 0) QTest::keyClick(multi, Qt::Key_Return);
            keys(multi, lines[i]);
        }
    } else {
        ADD_FAILURE() << "no field " << field;
    }
}

inline void press(QWidget &dialog, const char *button)
{
    auto *b = dialog.findChild<QPushButton *>(QString::fromLatin1(button));
    ASSERT_TRUE(b) << button;
    ASSERT_TRUE(b->isEnabled()) << button;
    b->click();
}

// A dialog script that types the fields, in order, then presses a button.
using tFields = std::vector<std::pair<const char *, const char *>>;
inline std::function<void(QDialog &)> fillAndPress(tFields fields, const char *button = "buttonOk")
{
    return [fields, button](QDialog &d) {
        for (auto [field, text] : fields) type(d, field, text);
        press(d, button);
    };
}

} // namespace velk::apptest

#endif
