// The address book's dialogs on a real database: what OK checks and stores, texts in
// Windows-1252, the group dialogs and the person-or-group choice.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>

#include <filesystem>
#include <memory>

#include "address/dialog_rules.h"
#include "address/group.h"
#include "address/resource.h"
#include "widgets/address/dia_group.h"
#include "widgets/address/dia_member.h"
#include "widgets/address/dia_pers_grp.h"
#include "widgets/address/dia_person.h"
#include "widgets/address/dia_res.h"
#include "widgets/address/dia_sel_pers.h"
#include "shell/ui/dialog_fields.h"
#include "shell/ui/tab_list.h"
#include "model/blob.h"
#include "tests/address/address_ui_support.h"

using namespace velk;
using namespace velk::apptest;

namespace {

using DialogTest = AddressUiTest;

std::string multiLineOf(QWidget &dialog)
{
    return multiLineText(dialog.findChild<QPlainTextEdit *>("editStreet"));
}

struct PersonOkCase {
    const char *what;
    bool editAb; // edit person "ab" instead of making a new one
    const char *id;
    const char *day, *month, *year;
    bool closeDatabase;
    const char *message; // "" for none
    const char *focus;   // the field that has the focus when the dialog stays open; "" closes
};

} // namespace

TEST_F(DialogTest, PersonDialogOkChecksThenStores)
{
    const PersonOkCase cases[] = {
        {"new, ID of another person", false, "mm", "1", "1", "1990", false, "ID bereits vergeben",
         "editId"},
        {"edit, ID changed to another person's", true, "mm", "", "", "", false,
         "ID bereits vergeben", "editId"},
        {"30 February", false, "nn", "30", "2", "1990", false, "", "editDay"},
        {"month 13", false, "nn", "1", "13", "0", false, "", "editDay"},
        {"day without month", false, "nn", "5", "0", "1990", false, "", "editDay"},
        {"29 February without a year", false, "nn", "29", "2", "0", false, "", ""},
        {"0.0. with a year: no birthday", false, "nn", "0", "0", "1960", false, "", ""},
        {"leading blanks and a sign", false, "nn", "+3", " 4", " 999", false, "", ""},
        {"edit keeps its own ID", true, "ab", "", "", "", false, "", ""},
        {"table gone", false, "nn", "1", "1", "1990", true, "Fehler beim Speichern", "editCity"},
    };
    for (const PersonOkCase &c : cases) {
        SCOPED_TRACE(c.what);
        closeDatabase();
        std::filesystem::remove_all(dir_.path());
        std::filesystem::create_directories(dir_.path());
        ASSERT_TRUE(openDatabase(dictPath().c_str()));
        ASSERT_EQ(person("mm", "Maier", "Max").insert(), tStoreStatus::Stored);
        ASSERT_EQ(person("ab", "Berg", "Anna", {1, 2, 1980}).insert(), tStoreStatus::Stored);
        host.messages.clear();

        tPerson ab;
        ASSERT_TRUE(ab.find("ab"));
        tDiaPerson dialog(nullptr, c.editAb ? &ab : nullptr);
        dialog.show();
        type(dialog, "editId", c.id);
        if (*c.day || !c.editAb) {
            type(dialog, "editDay", c.day);
            type(dialog, "editMonth", c.month);
            type(dialog, "editYear", c.year);
        }
        type(dialog, "editName", "Neu");
        type(dialog, "editCity", "Ulm"); // the focus is elsewhere when OK is pressed
        if (c.closeDatabase) closeDatabase();
        press(dialog, "buttonOk");

        if (*c.message) {
            ASSERT_EQ(host.messages.size(), 1u);
            EXPECT_EQ(host.messages[0].text, QString::fromUtf8(c.message));
            EXPECT_EQ(host.messages[0].caption, QStringLiteral("Fehler"));
        } else {
            EXPECT_TRUE(host.messages.empty());
        }
        if (*c.focus) {
            EXPECT_NE(dialog.result(), QDialog::Accepted);
            ASSERT_TRUE(dialog.focusWidget());
            EXPECT_EQ(dialog.focusWidget()->objectName(), QString::fromLatin1(c.focus));
        } else {
            EXPECT_EQ(dialog.result(), QDialog::Accepted);
        }
        if (c.closeDatabase) {
            ASSERT_TRUE(openDatabase(dictPath().c_str()));
        }
        tPerson stored;
        bool accepted = !*c.focus;
        EXPECT_EQ(stored.find(c.id) && !std::strcmp(stored.NAME, "Neu"), accepted)
            << "stored only when the dialog closed";
        if (accepted && !c.editAb) {
            EXPECT_EQ(stored.BIRTH,
                      (tDate{dialogNumber(c.day), dialogNumber(c.month), dialogNumber(c.year)}));
        }
    }
}

// Umlauts typed into the dialog are one Windows-1252 byte each in the table and come back as
// typed; a street of two lines keeps its line end.
TEST_F(DialogTest, TextsAreStoredAsWindows1252AndShownBackUnchanged)
{
    tDiaPerson dialog(nullptr, nullptr);
    dialog.show();
    type(dialog, "editId", "mü");
    type(dialog, "editName", "Müller");
    type(dialog, "editChrName", "Jürgen");
    type(dialog, "editStreet", "Straße 5\nHinterhaus");
    type(dialog, "editCity", "Göppingen");
    press(dialog, "buttonOk");
    ASSERT_EQ(dialog.result(), QDialog::Accepted);

    tPerson p;
    ASSERT_TRUE(p.find("m\xfc"));
    EXPECT_STREQ(p.NAME, "M\xfcller");
    EXPECT_STREQ(p.CHRNAME, "J\xfcrgen");
    EXPECT_STREQ(p.STREET, "Stra\xdf"
                           "e 5\r\nHinterhaus");
    EXPECT_STREQ(p.CITY, "G\xf6ppingen");

    tDiaPerson again(nullptr, &p);
    EXPECT_EQ(again.findChild<QLineEdit *>("editId")->text(), QStringLiteral("mü"));
    EXPECT_EQ(again.findChild<QLineEdit *>("editName")->text(), QStringLiteral("Müller"));
    EXPECT_EQ(again.findChild<QPlainTextEdit *>("editStreet")->toPlainText(),
              QStringLiteral("Straße 5\nHinterhaus"));
    EXPECT_EQ(again.findChild<QLineEdit *>("editDay")->text(), QStringLiteral(" 0"));
    EXPECT_EQ(again.findChild<QLineEdit *>("editYear")->text(), QStringLiteral("0000"));
}

// The limits are those of the fields; the street is cut at 80 stored bytes, a line end counting
// two.
TEST_F(DialogTest, FieldsAcceptTheirWidths)
{
    tDiaPerson dialog(nullptr, nullptr);
    const std::pair<const char *, int> widths[] = {
        {"editId", 8},   {"editName", 25}, {"editChrName", 25}, {"editDay", 2},  {"editMonth", 2},
        {"editYear", 4}, {"editTel", 30},  {"editCountry", 40}, {"editZip", 30}, {"editCity", 40},
    };
    for (auto [field, width] : widths)
        EXPECT_EQ(dialog.findChild<QLineEdit *>(field)->maxLength(), width) << field;
    dialog.show();
    type(dialog, "editStreet", (std::string(78, 'a') + "\nbcd").c_str());
    EXPECT_EQ(multiLineOf(dialog), std::string(78, 'a') + "\r\n");
    type(dialog, "editStreet", std::string(85, 's').c_str());
    EXPECT_EQ(multiLineOf(dialog), std::string(80, 's'));
}

// A changed ID takes the person's memberships along; a user's person keeps its ID, which is the
// login name; a resource keeps its ID, which its bookings name.
TEST_F(DialogTest, IdsThatOthersReferToStayOrMoveAlong)
{
    ASSERT_EQ(person("ab", "Berg", "Anna").insert(), tStoreStatus::Stored);
    ASSERT_EQ(person("anna", "Arm", "Anna").insert(), tStoreStatus::Stored);
    makeUser("anna");
    ASSERT_TRUE(addMember("team", "ab"));

    tPerson ab;
    ASSERT_TRUE(ab.find("ab"));
    host.dialogScripts.push_back(fillAndPress({{"editId", "abc"}}));
    ASSERT_TRUE(tDiaPerson::run(nullptr, &ab));
    EXPECT_STREQ(ab.ID, "abc");
    EXPECT_EQ(membersOf("team"), std::vector<std::string>{"abc"});

    tPerson user;
    ASSERT_TRUE(user.find("anna"));
    tDiaPerson userDialog(nullptr, &user);
    EXPECT_TRUE(userDialog.findChild<QLineEdit *>("editId")->isReadOnly());
    tDiaPerson plainDialog(nullptr, &ab);
    EXPECT_FALSE(plainDialog.findChild<QLineEdit *>("editId")->isReadOnly());

    tResource room;
    room.setId("R1");
    room.setTitle("Raum");
    ASSERT_EQ(room.insert(), tStoreStatus::Stored);
    host.dialogScripts.push_back(fillAndPress({{"editTitle", "Saal"}}));
    tResource edited = room;
    ASSERT_TRUE(tDiaRes::run(nullptr, edited, tDiaRes::Edit));
    tDiaRes resDialog(nullptr, room, tDiaRes::Edit);
    EXPECT_TRUE(resDialog.findChild<QLineEdit *>("editId")->isReadOnly());
    EXPECT_EQ(allResources().size(), 1u);
    ASSERT_TRUE(edited.find("R1"));
    EXPECT_STREQ(edited.TITLE, "Saal");

    // A new resource with a taken ID: the message, and the dialog stays open.
    tResource fresh;
    host.dialogScripts.push_back([](QDialog &d) {
        type(d, "editId", "R1");
        press(d, "buttonOk");
        EXPECT_NE(d.result(), QDialog::Accepted);
        d.reject();
    });
    EXPECT_FALSE(tDiaRes::run(nullptr, fresh, tDiaRes::New));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, QStringLiteral("ID bereits vergeben"));
}

// The group dialog: a new group with a comment of several lines; the ID fixed when changing; an
// untouched comment stays, an emptied one is removed from the text store.
TEST_F(DialogTest, GroupDialogKeepsOrRemovesTheComment)
{
    const std::string comment = "Erste Zeile\n" + std::string(90, 'x') + "\nDritte Zeile";
    tGroup g;
    host.dialogScripts.push_back(fillAndPress(
        {{"editId", "fam"}, {"editTitle", "Familie Müller"}, {"editComment", comment.c_str()}}));
    ASSERT_TRUE(TDiaGroup::run(nullptr, g, TDiaGroup::New));

    tGroup read;
    ASSERT_TRUE(read.find("fam"));
    EXPECT_STREQ(read.TITLE, "Familie M\xfcller");
    EXPECT_EQ(shownLineEnds(read.COMMENT.text), comment);
    const std::string textId = read.COMMENT.id;
    ASSERT_FALSE(textId.empty());

    TDiaGroup edit(nullptr, read, TDiaGroup::Edit);
    EXPECT_FALSE(edit.findChild<QLineEdit *>("editId")->isEnabled());
    EXPECT_EQ(edit.findChild<QPlainTextEdit *>("editComment")->toPlainText(),
              QString::fromStdString(comment));

    host.dialogScripts.push_back(fillAndPress({{"editTel", "0711"}}));
    ASSERT_TRUE(TDiaGroup::run(nullptr, read, TDiaGroup::Edit));
    ASSERT_TRUE(read.find("fam"));
    EXPECT_STREQ(read.TEL, "0711");
    EXPECT_EQ(shownLineEnds(read.COMMENT.text), comment) << "an untouched comment stays";

    host.dialogScripts.push_back([](QDialog &d) {
        d.findChild<QPlainTextEdit *>("editComment")->clear();
        d.findChild<QPlainTextEdit *>("editComment")->document()->setModified(true);
        press(d, "buttonOk");
    });
    ASSERT_TRUE(TDiaGroup::run(nullptr, read, TDiaGroup::Edit));
    ASSERT_TRUE(read.find("fam"));
    EXPECT_TRUE(read.COMMENT.text.empty());
    EXPECT_EQ(tBlob::instance().textStore()->textLength(textId.c_str()), 0)
        << "the emptied comment's text is gone from the store";
}

namespace {

// A script for the person selection: selects the line of this person, then OK.
std::function<void(QDialog &)> selectPerson(const char *id)
{
    return [id](QDialog &d) {
        auto *list = d.findChild<QListWidget *>("listPersons");
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->data(Qt::UserRole).toByteArray() == id) list->setCurrentRow(i);
        press(d, "buttonOk");
    };
}

QStringList memberTexts(tDiaMember &d)
{
    QStringList out;
    for (int i = 0; i < d.memberList()->lines()->count(); ++i)
        out << QString::fromStdString(d.memberList()->lines()->line(i).text);
    return out;
}

} // namespace

// "Gruppen ...": a new group, two members (one of them offered twice), one removed, the group
// deleted with its memberships; the buttons enabled as the dialog goes.
TEST_F(DialogTest, MembershipDialogManagesGroupsAndMembers)
{
    ASSERT_EQ(person("zz", "Berg", "Zoe").insert(), tStoreStatus::Stored);
    ASSERT_EQ(person("aa", "Arm", "Anton").insert(), tStoreStatus::Stored);
    tGroup other;
    other.setId("alt");
    other.setTitle("Alte");
    ASSERT_EQ(other.insert(), tStoreStatus::Stored);

    tDiaMember d(nullptr);
    d.show();
    auto *combo = d.findChild<QComboBox *>("comboGroup");
    auto enabled = [&](const char *b) { return d.findChild<QPushButton *>(b)->isEnabled(); };
    EXPECT_EQ(combo->currentIndex(), -1);
    EXPECT_TRUE(enabled("buttonGroupNew"));
    for (const char *b : {"buttonGroupEdit", "buttonGroupDelete", "buttonMemberNew",
                          "buttonMemberEdit", "buttonMemberDelete"})
        EXPECT_FALSE(enabled(b)) << b;

    host.dialogScripts.push_back(fillAndPress({{"editId", "team"}, {"editTitle", "Team"}}));
    press(d, "buttonGroupNew");
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(1), QStringLiteral("team: Team")) << "sorted by text";
    EXPECT_EQ(combo->currentIndex(), -1) << "the selection stays as it was";

    combo->setCurrentIndex(1);
    EXPECT_TRUE(enabled("buttonMemberNew"));
    EXPECT_TRUE(enabled("buttonGroupDelete"));
    for (const char *id : {"zz", "aa", "zz"}) {
        host.dialogScripts.push_back(selectPerson(id));
        press(d, "buttonMemberNew");
    }
    EXPECT_EQ(memberTexts(d), (QStringList{"aa\tAnton Arm", "zz\tZoe Berg"}));
    EXPECT_EQ(membersOf("team"), (std::vector<std::string>{"aa", "zz"}));

    d.memberList()->selectRow(0);
    EXPECT_TRUE(enabled("buttonMemberDelete"));
    press(d, "buttonMemberDelete");
    EXPECT_EQ(memberTexts(d), QStringList{"zz\tZoe Berg"});
    EXPECT_FALSE(enabled("buttonMemberDelete"));
    EXPECT_EQ(membersOf("team"), std::vector<std::string>{"zz"});

    press(d, "buttonGroupDelete");
    EXPECT_EQ(combo->count(), 1);
    EXPECT_TRUE(memberTexts(d).isEmpty());
    EXPECT_FALSE(enabled("buttonGroupDelete"));
    EXPECT_TRUE(membersOf("team").empty()) << "a deleted group leaves no memberships";

    // A group deleted behind the dialog's back.
    combo->setCurrentIndex(0);
    ASSERT_EQ(other.remove(), tStoreStatus::Stored);
    combo->setCurrentIndex(-1);
    combo->setCurrentIndex(0);
    ASSERT_FALSE(host.messages.empty());
    EXPECT_EQ(host.messages.back().text, QStringLiteral("Gruppe nicht in der Datenbank"));
}

// The member "Löschen" removes the member selected with the arrow keys or with the mouse, also
// when the focus moves to the button by Tab; the group stays without it.
TEST_F(DialogTest, MemberDeleteRemovesTheMemberSelectedByKeyboardOrMouse)
{
    // ArrowUp: Up on the first line, which the list showed as chosen when Tab entered it.
    enum How { ArrowKeys, ArrowKeysThenTab, ArrowUp, ArrowUpThenTab, Mouse };
    for (How how : {ArrowKeys, ArrowKeysThenTab, ArrowUp, ArrowUpThenTab, Mouse}) {
        SCOPED_TRACE(int(how));
        for (const char *id : {"aa", "bb", "cc"}) {
            tPerson p;
            if (!p.find(id)) {
                ASSERT_EQ(person(id, "Name", id).insert(), tStoreStatus::Stored);
            }
        }
        tGroup g;
        if (!g.find("team")) {
            g.setId("team");
            g.setTitle("Team");
            ASSERT_EQ(g.insert(), tStoreStatus::Stored);
        }
        for (const char *id : {"aa", "bb", "cc"}) {
            if (!isMember("team", id)) {
                ASSERT_TRUE(addMember("team", id));
            }
        }

        tDiaMember d(nullptr);
        d.show();
        QApplication::setActiveWindow(&d);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
        d.findChild<QComboBox *>("comboGroup")->setCurrentIndex(0);
        tTabList *list = d.memberList();
        ASSERT_EQ(list->lines()->count(), 3);
        auto *remove = d.findChild<QPushButton *>("buttonMemberDelete");
        if (how == Mouse) {
            QRect row = list->visualRect(list->lines()->index(1, 0));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
        } else {
            d.findChild<QPushButton *>("buttonGroupDelete")->setFocus(Qt::TabFocusReason);
            QTest::keyClick(&d, Qt::Key_Tab); // into the list
            ASSERT_EQ(QApplication::focusWidget(), list);
            if (how == ArrowKeys || how == ArrowKeysThenTab) {
                QTest::keyClick(list, Qt::Key_Down);
                QTest::keyClick(list, Qt::Key_Down);
            }
            QTest::keyClick(list, Qt::Key_Up);
        }
        // The line shown as chosen.
        const int row = list->currentIndex().row();
        ASSERT_GE(row, 0);
        const std::string chosen = list->lines()->line(row).key;
        std::vector<std::string> rest;
        QStringList restLines;
        for (std::string id : {"aa", "bb", "cc"}) {
            if (id == chosen) continue;
            rest.push_back(id);
            restLines << QString::fromStdString(id + "\t" + id + " Name");
        }
        EXPECT_TRUE(remove->isEnabled());
        if (how == ArrowKeysThenTab || how == ArrowUpThenTab) {
            QTest::keyClick(list, Qt::Key_Tab);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            ASSERT_EQ(QApplication::focusWidget(), remove) << "Neu, Ändern, then Löschen";
            QTest::keyClick(remove, Qt::Key_Space);
        } else {
            remove->setFocus(Qt::TabFocusReason);
            QTest::mouseClick(remove, Qt::LeftButton);
        }
        EXPECT_EQ(membersOf("team"), rest) << chosen;
        EXPECT_EQ(memberTexts(d).join(QLatin1Char('|')), restLines.join(QLatin1Char('|')));
    }
}

namespace {

struct ChoiceCase {
    const char *what;
    int answer;                              // the button of the person-or-group question
    std::function<void(QDialog &)> followUp; // the selection or the group chooser; null: none
    const char *expected;                    // the reference afterwards
    const char *label;
    QStringList lines;
};

} // namespace

TEST_F(DialogTest, ChoosingPersonOrGroup)
{
    ASSERT_EQ(person("zz", "Berg", "Zoe").insert(), tStoreStatus::Stored);
    ASSERT_EQ(person("aa", "Arm", "Anton").insert(), tStoreStatus::Stored);
    tGroup team;
    team.setId("team");
    team.setTitle("Das Team");
    ASSERT_EQ(team.insert(), tStoreStatus::Stored);
    ASSERT_TRUE(addMember("team", "zz"));
    ASSERT_TRUE(addMember("team", "aa"));
    ASSERT_TRUE(addMember("team", "gone")); // a member whose person no longer exists

    auto cancel = [](QDialog &d) { d.reject(); }; // Escape
    auto chooseTeam = [](QDialog &d) {
        auto *combo = d.findChild<QComboBox *>("comboGroup");
        combo->setCurrentIndex(combo->findData(QByteArray("team")));
        press(d, "buttonClose");
    };
    auto closeWithout = [](QDialog &d) { press(d, "buttonClose"); };
    const ChoiceCase cases[] = {
        {"a person", tDiaPersGrp::Person, selectPerson("aa"), "Paa", "Person", {"Anton Arm"}},
        {"a group", tDiaPersGrp::Group, chooseTeam, "Gteam", "Das Team", {"Anton Arm", "Zoe Berg"}},
        {"person selection cancelled", tDiaPersGrp::Person, cancel, "Pzz", "vorher", {}},
        {"group chooser without a group", tDiaPersGrp::Group, closeWithout, "", "", {}},
        {"group chooser cancelled", tDiaPersGrp::Group, cancel, "", "", {}},
        {"Löschen", tDiaPersGrp::Clear, nullptr, "", "", {}},
        {"Abbruch", tDiaPersGrp::Cancel, nullptr, "Pzz", "vorher", {}},
    };
    for (const ChoiceCase &c : cases) {
        SCOPED_TRACE(c.what);
        tPersonOrGroup ref = tPersonOrGroup::person("zz");
        QLabel label(QStringLiteral("vorher"));
        QListWidget list;
        list.addItem(QStringLiteral("alt"));
        const int answer = c.answer;
        host.dialogScripts.push_back([answer](QDialog &d) { d.done(answer); });
        if (c.followUp) host.dialogScripts.push_back(c.followUp);
        bool changed = ChoosePersonOrGroup(nullptr, ref, &label, &list);
        EXPECT_TRUE(host.dialogScripts.empty());
        EXPECT_EQ(ref.format(), c.expected);
        EXPECT_EQ(changed, ref.format() != "Pzz");
        EXPECT_EQ(label.text(), QString::fromUtf8(c.label));
        if (label.text() != QStringLiteral("vorher")) {
            QStringList shown;
            for (int i = 0; i < list.count(); ++i) shown << list.item(i)->text();
            EXPECT_EQ(shown, c.lines);
        }
    }
}

// Each dialog's "Hilfe" button and F1 open the help at the dialog's own keyword.
TEST_F(DialogTest, HelpKeywordsOfTheDialogs)
{
    tResource r;
    tGroup g;
    std::vector<std::pair<std::unique_ptr<QDialog>, QString>> dialogs;
    dialogs.emplace_back(std::make_unique<tDiaPerson>(nullptr, nullptr), "Personendialog");
    dialogs.emplace_back(std::make_unique<tDiaSelPers>(nullptr), "Personenauswahl");
    dialogs.emplace_back(std::make_unique<TDiaGroup>(nullptr, g, TDiaGroup::New), "Gruppen");
    dialogs.emplace_back(std::make_unique<tDiaMember>(nullptr), "Gruppen");
    dialogs.emplace_back(std::make_unique<tDiaRes>(nullptr, r, tDiaRes::New), "Ressourcen");
    for (auto &[dialog, keyword] : dialogs) {
        SCOPED_TRACE(dialog->objectName().toStdString());
        host.events.clear();
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
        press(*dialog, "buttonHelp");
        QTest::keyClick(dialog->windowHandle(), Qt::Key_F1);
        EXPECT_EQ(host.eventsOf("help:"),
                  QStringList(2, QStringLiteral("help:keyword:") + keyword));
        EXPECT_EQ(dialog->result(), 0) << "help leaves the dialog open";
    }
}
