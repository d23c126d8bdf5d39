// The project and task dialogs on a real database: what OK checks and stores, mode 2, the
// comment, the worker's alarm, "Sehen" and the help.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>

#include <memory>

#include "widgets/address/dia_pers_grp.h"
#include "model/blob.h"
#include "widgets/projects/dia_proj.h"
#include "widgets/projects/dia_task.h"
#include "widgets/projects/projects_frame.h"
#include "tests/btree/process_support.h"
#include "tests/projects/ui/projects_ui_support.h"

using namespace velk;
using namespace velk::apptest;

namespace {

using ProjectDialogTest = ProjectsUiTest;

struct OkCase {
    const char *what;
    bool task;
    const char *id;
    bool closeDatabase;
    const char *message; // "" for none: the dialog closes with OK
};

std::unique_ptr<QDialog> newDialog(bool task)
{
    if (task) return std::make_unique<tDiaTask>(nullptr, nullptr, tDiaTask::New);
    return std::make_unique<tDiaProj>(nullptr, nullptr, tDiaProj::New);
}

// The person selection: the line of this person, then OK.
std::function<void(QDialog &)> selectPerson(const char *id)
{
    return [id](QDialog &d) {
        auto *list = d.findChild<QListWidget *>("listPersons");
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->data(Qt::UserRole).toByteArray() == id) list->setCurrentRow(i);
        press(d, "buttonOk");
    };
}

void emptyComment(QDialog &d)
{
    auto *comment = d.findChild<QPlainTextEdit *>("editComment");
    comment->setFocus();
    comment->selectAll();
    QTest::keyClick(comment, Qt::Key_Delete);
}

} // namespace

TEST_F(ProjectDialogTest, OkChecksTheIdAndReportsARefusedStore)
{
    const OkCase cases[] = {
        {"project, ID taken", false, "P1", false, "ID bereits vergeben"},
        {"task, ID taken", true, "T1", false, "ID bereits vergeben"},
        {"project, tab in the ID", false, "P\t2", false, "Die ID darf keinen Tabulator enthalten"},
        {"task, tab in the ID", true, "T\t2", false, "Die ID darf keinen Tabulator enthalten"},
        {"project, table gone", false, "P2", true, "Fehler beim Speichern"},
        {"task, table gone", true, "T2", true, "Fehler beim Speichern"},
        {"project stored", false, "P2", false, ""},
        {"task stored", true, "T2", false, ""},
    };
    ASSERT_EQ(project("P1", "Umbau").insert(), tStoreStatus::Stored);
    ASSERT_EQ(task("T1", "P1").insert(), tStoreStatus::Stored);
    for (const OkCase &c : cases) {
        SCOPED_TRACE(c.what);
        host.messages.clear();
        std::unique_ptr<QDialog> dialog = newDialog(c.task);
        dialog->show();
        dialog->findChild<QLineEdit *>("editId")->setText(QString::fromLatin1(c.id));
        type(*dialog, "editTitle", "Neu");
        if (c.closeDatabase) closeDatabase();
        press(*dialog, "buttonOk");
        if (c.closeDatabase) {
            ASSERT_TRUE(openDatabase(dictPath().c_str()));
        }
        if (*c.message) {
            ASSERT_EQ(host.messages.size(), 1u);
            EXPECT_EQ(host.messages[0].text, QString::fromUtf8(c.message));
            EXPECT_EQ(host.messages[0].caption, QStringLiteral("Fehler"));
            EXPECT_NE(dialog->result(), QDialog::Accepted) << "the dialog stays open";
            if (!c.closeDatabase) {
                ASSERT_TRUE(dialog->focusWidget());
                EXPECT_EQ(dialog->focusWidget()->objectName(), QStringLiteral("editId"));
            }
        } else {
            EXPECT_TRUE(host.messages.empty());
            EXPECT_EQ(dialog->result(), QDialog::Accepted);
        }
        tProject p;
        tTask k;
        bool stored = c.task ? k.find(c.id) && !std::strcmp(k.TITLE, "Neu")
                             : p.find(c.id) && !std::strcmp(p.TITLE, "Neu");
        EXPECT_EQ(stored, !*c.message);
        if (stored) {
            ASSERT_EQ(c.task ? k.remove() : p.removeWithTasks(), tStoreStatus::Stored);
        }
    }
    EXPECT_TRUE(alarmsOf("root").empty()) << "no worker, no alarm";
}

TEST_F(ProjectDialogTest, ChangingAProjectKeepsItsIdAndMapsItsCodes)
{
    tProject p = project("P1", "Umbau");
    p.setCostumer("Pbert");
    p.BILL = 'X'; // no known code
    p.STATUS = 'V';
    p.MAXTIME = 40;
    p.ENDDATE = {24, 12, 2026};
    ASSERT_EQ(p.insert(), tStoreStatus::Stored);
    ASSERT_EQ(project("P2", "Neubau").insert(), tStoreStatus::Stored);

    host.dialogScripts.push_back([](QDialog &d) {
        auto *id = d.findChild<QLineEdit *>("editId");
        EXPECT_EQ(id->text(), QStringLiteral("P1"));
        EXPECT_FALSE(id->isEnabled());
        EXPECT_EQ(d.findChild<QComboBox *>("comboBill")->currentIndex(), -1);
        EXPECT_EQ(d.findChild<QComboBox *>("comboBill")->count(), 4);
        EXPECT_EQ(d.findChild<QComboBox *>("comboStatus")->currentText(),
                  QStringLiteral("Vertrag"));
        EXPECT_EQ(d.findChild<QLabel *>("labelCostumer")->text(), QStringLiteral("Person"));
        EXPECT_EQ(d.findChild<QListWidget *>("listCostumer")->item(0)->text(),
                  QStringLiteral("Bert Berg"));
        EXPECT_EQ(d.findChild<QLineEdit *>("editMaxTime")->text(), QStringLiteral("40"));
        EXPECT_EQ(d.findChild<QLineEdit *>("editDay")->text(), QStringLiteral("24"));
        EXPECT_EQ(d.findChild<QLineEdit *>("editYear")->text(), QStringLiteral("2026"));
        id->setEnabled(true); // even a changed ID field is not read, nor checked against P2
        id->setText(QStringLiteral("P2"));
        type(d, "editTitle", "Umbau Süd");
        type(d, "editMaxTime", "12ab");
        press(d, "buttonOk");
    });
    ASSERT_TRUE(tDiaProj::run(nullptr, &p, tDiaProj::Edit));
    EXPECT_TRUE(host.messages.empty());
    tProject read;
    ASSERT_TRUE(read.find("P1"));
    EXPECT_STREQ(read.TITLE, "Umbau S\xfc"
                             "d");
    EXPECT_EQ(read.BILL, ' ') << "an unknown code is stored back blank";
    EXPECT_EQ(read.STATUS, 'V');
    EXPECT_EQ(read.MAXTIME, 12u) << "12 followed by letters";
    EXPECT_STREQ(read.COSTUMER, "Pbert");
    ASSERT_TRUE(read.find("P2"));
    EXPECT_STREQ(read.TITLE, "Neubau");
}

TEST_F(ProjectDialogTest, TheCommentStaysIsReplacedOrRemoved)
{
    tTask k = task("T1", "P1");
    k.setComment("alt");
    ASSERT_EQ(k.insert(), tStoreStatus::Stored);
    struct Step {
        const char *what;
        std::function<void(QDialog &)> edit;
        bool hasText;
        const char *stored;
    } steps[] = {
        {"unmodified", [](QDialog &) {}, true, "alt"},
        {"replaced", [](QDialog &d) { type(d, "editComment", "neu\nzweite Zeile"); }, true,
         "neu\r\nzweite Zeile"},
        {"emptied", emptyComment, false, ""},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.what);
        ASSERT_TRUE(k.find("T1"));
        auto edit = s.edit;
        host.dialogScripts.push_back([edit](QDialog &d) {
            edit(d);
            press(d, "buttonOk");
        });
        ASSERT_TRUE(openTaskDialog(nullptr, "T1"));
        tTask read;
        ASSERT_TRUE(read.find("T1"));
        EXPECT_EQ(read.COMMENT.hasText, s.hasText);
        EXPECT_EQ(read.COMMENT.text, s.stored);
    }
    EXPECT_FALSE(openTaskDialog(nullptr, "T7")) << "no such task: no dialog";
}

TEST_F(ProjectDialogTest, AChangedWorkerAlarmsOnceTheTaskIsStored)
{
    tTask k = task("T1", "P1", "Dach");
    k.setWorker("Panna");
    ASSERT_EQ(k.insert(), tStoreStatus::Stored);

    // Only the title: no alarm.
    host.dialogScripts.push_back(fillAndPress({{"editTitle", "Dach neu"}}));
    ASSERT_TRUE(openTaskDialog(nullptr, "T1"));
    EXPECT_TRUE(alarmsOf("root").empty());

    // From the person to the group: the current user and each member.
    host.dialogScripts.push_back([this](QDialog &d) {
        EXPECT_EQ(d.findChild<QLabel *>("labelWorker")->text(), QStringLiteral("Person"));
        host.dialogScripts.push_back([](QDialog &ask) { ask.done(tDiaPersGrp::Group); });
        host.dialogScripts.push_back([](QDialog &chooser) {
            auto *combo = chooser.findChild<QComboBox *>("comboGroup");
            combo->setCurrentIndex(combo->findData(QByteArray("team")));
            press(chooser, "buttonClose");
        });
        press(d, "buttonWorker");
        EXPECT_EQ(d.findChild<QLabel *>("labelWorker")->text(), QStringLiteral("Team"));
        EXPECT_EQ(d.findChild<QListWidget *>("listWorker")->count(), 2);
        press(d, "buttonOk");
    });
    setUser("carl");
    ASSERT_TRUE(openTaskDialog(nullptr, "T1"));
    EXPECT_EQ(alarmsOf("carl"), (std::vector<std::string>{"Dach neu JT1"}));
    EXPECT_EQ(alarmsOf("anna"), (std::vector<std::string>{"Dach neu JT1"}));
    EXPECT_EQ(alarmsOf("bert"), (std::vector<std::string>{"Dach neu JT1"}));
    ASSERT_TRUE(k.find("T1"));
    EXPECT_STREQ(k.WORKER, "Gteam");
}

TEST_F(ProjectDialogTest, SehenOpensTheTasksProjectWhenItExists)
{
    ASSERT_EQ(project("P1", "Umbau").insert(), tStoreStatus::Stored);
    tTask k = task("T1", "P1");
    tDiaTask dialog(nullptr, &k, tDiaTask::Edit);
    dialog.show();
    EXPECT_EQ(dialog.findChild<QLabel *>("labelProject")->text(), QStringLiteral("P1"));
    host.dialogScripts.push_back([](QDialog &d) {
        EXPECT_EQ(d.findChild<QLineEdit *>("editTitle")->text(), QStringLiteral("Umbau"));
        EXPECT_FALSE(d.findChild<QLineEdit *>("editId")->isEnabled()) << "mode 2";
        type(d, "editTitle", "Umbau Nord");
        press(d, "buttonOk");
    });
    press(dialog, "buttonSee");
    EXPECT_TRUE(host.dialogScripts.empty());
    tProject p;
    ASSERT_TRUE(p.find("P1"));
    EXPECT_STREQ(p.TITLE, "Umbau Nord");

    tTask orphan = task("T2", "P9");
    tDiaTask other(nullptr, &orphan, tDiaTask::Edit);
    other.show();
    host.events.clear();
    press(other, "buttonSee");
    EXPECT_TRUE(host.eventsOf("dialog:").isEmpty()) << "no project P9: nothing happens";
}

TEST_F(ProjectDialogTest, ANewTaskKeepsItsPresetProject)
{
    host.dialogScripts.push_back([](QDialog &d) {
        EXPECT_EQ(d.findChild<QLabel *>("labelProject")->text(), QStringLiteral("P1"));
        EXPECT_TRUE(d.findChild<QLineEdit *>("editId")->isEnabled());
        fillAndPress({{"editId", "T5"}, {"editTime", "7 Tage"}, {"editPrio", "3"}})(d);
    });
    ASSERT_TRUE(newTaskDialog(nullptr, "P1"));
    tTask k;
    ASSERT_TRUE(k.find("T5"));
    EXPECT_STREQ(k.PROJECT, "P1");
    EXPECT_EQ(k.TIME, 7u);
    EXPECT_STREQ(k.PRIO, "3");
    EXPECT_EQ(k.STATUS, ' ');
}

TEST_F(ProjectDialogTest, HelpKeywordsOfTheDialogs)
{
    std::vector<std::pair<std::unique_ptr<QDialog>, QString>> dialogs;
    dialogs.emplace_back(newDialog(false), "Projektdialog");
    dialogs.emplace_back(newDialog(true), "Taskdialog");
    for (auto &[dialog, keyword] : dialogs) {
        host.events.clear();
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
        press(*dialog, "buttonHelp");
        QTest::keyClick(dialog->windowHandle(), Qt::Key_F1);
        EXPECT_EQ(host.eventsOf("help:"),
                  QStringList(2, QStringLiteral("help:keyword:") + keyword));
        EXPECT_EQ(dialog->result(), 0) << "help leaves the dialog open";
    }
    EXPECT_EQ(dialogs[0].first->windowTitle(), QStringLiteral("Projekt"));
    EXPECT_EQ(dialogs[1].first->windowTitle(), QStringLiteral("Aufgabe"));
}

// Another copy of the program stores the project's ID, or removes the task, while the dialog is
// open: OK says so and the dialog stays open; no alarm points to the task that is gone.
TEST_F(ProjectDialogTest, AnotherCopysChangeWhileTheDialogIsOpen)
{
    tTask k = task("T1", "P1", "Dach");
    ASSERT_EQ(k.insert(), tStoreStatus::Stored);
    tDiaProj newProject(nullptr, nullptr, tDiaProj::New);
    newProject.show();
    type(newProject, "editId", "P5");
    tDiaTask changeTask(nullptr, &k, tDiaTask::Edit);
    changeTask.show();
    type(changeTask, "editTitle", "Dach neu");
    host.dialogScripts.push_back([](QDialog &ask) { ask.done(tDiaPersGrp::Person); });
    host.dialogScripts.push_back(selectPerson("anna"));
    press(changeTask, "buttonWorker");
    ASSERT_EQ(changeTask.findChild<QLabel *>("labelWorker")->text(), QStringLiteral("Person"));

    const std::string dict = dictPath();
    closeDatabase(); // the other copy opens its own files, as another program would
    pid_t other = spawn([&] {
        if (!openDatabase(dict.c_str())) return 1;
        bool ok = project("P5", "Fremd").insert() == tStoreStatus::Stored;
        tTask gone;
        ok = ok && gone.find("T1") && gone.remove() == tStoreStatus::Stored;
        closeDatabase();
        return ok ? 0 : 2;
    });
    ASSERT_EQ(waitFor(other), 0);
    ASSERT_TRUE(openDatabase(dict.c_str()));

    press(newProject, "buttonOk");
    press(changeTask, "buttonOk");
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0].text, QStringLiteral("ID bereits vergeben"));
    EXPECT_EQ(host.messages[1].text, QStringLiteral("Fehler beim Speichern"));
    EXPECT_NE(newProject.result(), QDialog::Accepted);
    EXPECT_NE(changeTask.result(), QDialog::Accepted);
    tProject p;
    ASSERT_TRUE(p.find("P5"));
    EXPECT_STREQ(p.TITLE, "Fremd");
    EXPECT_FALSE(k.find("T1")) << "the update made nothing of a removed task";
    EXPECT_TRUE(alarmsOf("root").empty());
    EXPECT_TRUE(alarmsOf("anna").empty()) << "no alarm for a task that is not stored";
}
