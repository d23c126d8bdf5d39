// "Bearbeiten > Rückgängig" in the main frame: a line deleted from a view comes back by Ctrl+Z,
// the command is enabled only while there is something to undo, the status bar says what came
// back.
#include <QAction>
#include <QMdiSubWindow>

#include "shell/core/commands.h"
#include "shell/ui/cp1252.h"
#include "shell/ui/tab_list.h"
#include "tests/calendar/ui/views_ui_support.h"
#include "views/undo_journal.h"
#include "widgets/address/pers_list_win.h"
#include "widgets/calendar/term_list_win.h"
#include "widgets/calendar/undo_frame.h"

using namespace velk;
using namespace velk::caltest;

namespace {

class UndoViewTest : public ViewsUiTest {
protected:
    void SetUp() override
    {
        ViewsUiTest::SetUp();
        tUndoJournal::instance().clear();
        undoFrameSetup(*frame, *client);
        person("erika", "Erika", "Muster", {28, 12, 1960});
        ASSERT_TRUE(addMember("team", "erika"));
        add("carl", termin("Jahresabschluss", at(30, 12, 2024, 10), at(30, 12, 2024, 12)));
        setCurrentUser("carl");
    }
    void TearDown() override
    {
        tUndoJournal::instance().clear();
        tUndoJournal::instance().onChange(nullptr);
        ViewsUiTest::TearDown();
    }

    // Ctrl+Z as the user presses it on the frame.
    void pressUndo()
    {
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
        QTest::keyClick(frame.get(), Qt::Key_Z, Qt::ControlModifier);
    }
};

struct UndoCase {
    const char *what;
    std::function<QWidget *(TMyMDIClient *)> open; // the view
    std::function<QStringList(QWidget *)> lines;   // what it shows
    std::function<void(QWidget *)> select;         // the line to delete
    const char *line;
    const char *status;
};

QStringList termLines(QWidget *w) { return shown(static_cast<tTermListWin *>(w)->list()); }

QStringList personLines(QWidget *w)
{
    tTabList *list = static_cast<tPersListWin *>(w)->list();
    QStringList out;
    for (int i = 0; i < list->lines()->count(); ++i) out << fromCp1252(list->lines()->line(i).text);
    return out;
}

std::vector<UndoCase> undoCases()
{
    return {
        {"appointment list",
         [](TMyMDIClient *client) -> QWidget * {
             auto *view = new tTermListWin({29, 12, 2024}, {29, 12, 2024});
             client->addSubWindow(view)->show();
             return view;
         },
         termLines,
         [](QWidget *w) {
             auto *win = static_cast<tTermListWin *>(w);
             int row =
                 int(termLines(w).indexOf(QStringLiteral("> 30.12.2024 10:00 - Jahresabschluss")));
             win->list()->setFocus();
             win->list()->selectLine(row);
         },
         "> 30.12.2024 10:00 - Jahresabschluss",
         "Wiederhergestellt: Termin \u201eJahresabschluss\u201c (30.12.2024)"},
        {"person list",
         [](TMyMDIClient *client) -> QWidget * {
             auto *view = new tPersListWin;
             client->addSubWindow(view)->show();
             return view;
         },
         personLines,
         [](QWidget *w) {
             auto *win = static_cast<tPersListWin *>(w);
             win->list()->setFocus();
             win->list()->selectRow(
                 int(personLines(w).indexOf(QStringLiteral("erika\tErika Muster\t28.12.1960\t"))));
         },
         "erika\tErika Muster\t28.12.1960\t", "Wiederhergestellt: Person \u201eErika Muster\u201c"},
    };
}

} // namespace

TEST_F(UndoViewTest, ADeletedLineComesBackByCtrlZ)
{
    EXPECT_EQ(frame->action(CmUndo)->shortcut(), QKeySequence(QStringLiteral("Ctrl+Z")));
    for (const UndoCase &c : undoCases()) {
        SCOPED_TRACE(c.what);
        QWidget *view = c.open(client);
        const QString line = QString::fromUtf8(c.line);
        ASSERT_TRUE(c.lines(view).contains(line)) << c.lines(view).join('|').toStdString();
        frame->updateMenus();
        EXPECT_FALSE(enabled(CmUndo)) << "nothing to undo yet";

        c.select(view);
        run(CmDelete);
        EXPECT_FALSE(c.lines(view).contains(line)) << "deleted";
        EXPECT_TRUE(enabled(CmUndo));

        pressUndo();
        EXPECT_TRUE(c.lines(view).contains(line)) << c.lines(view).join('|').toStdString();
        EXPECT_EQ(frame->statusText(), QString::fromUtf8(c.status));
        EXPECT_FALSE(enabled(CmUndo)) << "the journal is empty again";
        view->parentWidget()->close();
    }
    EXPECT_EQ(membersOf("team"), (std::vector<std::string>{"anna", "bert", "erika"}))
        << "the person's membership came back with it";
    EXPECT_TRUE(host.events.isEmpty()) << host.events.join(QLatin1Char('|')).toStdString();
}
