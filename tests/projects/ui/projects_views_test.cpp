// The project list and the task list in the main frame on a real database: lines and rows, the
// order of the task list and its sort, the commands and the notices between views.
#include <QAbstractItemModelTester>
#include <QAction>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMdiSubWindow>
#include <QTableView>

#include "shell/core/commands.h"
#include "shell/ui/cp1252.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/mdi_client.h"
#include "shell/ui/tab_list.h"
#include "widgets/projects/prj_list_win.h"
#include "widgets/projects/projects_frame.h"
#include "widgets/projects/task_list_model.h"
#include "widgets/projects/task_list_win.h"
#include "tests/projects/ui/projects_ui_support.h"

using namespace velk;
using namespace velk::apptest;

namespace {

class ProjectViewsTest : public ProjectsUiTest {
protected:
    void SetUp() override
    {
        ProjectsUiTest::SetUp();
        client = new TMyMDIClient;
        frame = std::make_unique<tMainFrame>(client);
        projectsFrameSetup(*frame, *client);
        frame->updateMenus();
        frame->resize(900, 600);
        frame->show();
    }
    void TearDown() override
    {
        frame.reset();
        ProjectsUiTest::TearDown();
    }

    bool enabled(int id) { return frame->action(id)->isEnabled(); }
    tTaskListWin *openTasks()
    {
        frame->execute(CmTaskList);
        return tTaskListWin::openList();
    }
    tPrjListWin *openProjects()
    {
        frame->execute(CmProjectList);
        return tPrjListWin::openList();
    }
    // The IDs of the task list's rows as shown.
    static QStringList shownIds(tTaskListWin *win)
    {
        QStringList out;
        QAbstractItemModel *m = win->table()->model();
        for (int r = 0; r < m->rowCount(); ++r) out << m->index(r, 0).data().toString();
        return out;
    }
    static QStringList lines(tPrjListWin *win)
    {
        QStringList out;
        tTabLineModel *m = win->list()->lines();
        for (int i = 0; i < m->count(); ++i) out << fromCp1252(m->line(i).text);
        return out;
    }
    static void clickHeader(tTaskListWin *win, int column)
    {
        QHeaderView *h = win->table()->horizontalHeader();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(h->sectionViewportPosition(column) + 5, h->height() / 2));
    }
    static void selectShown(tTaskListWin *win, int row) { win->table()->selectRow(row); }
    static int rowOf(tPrjListWin *win, const char *text)
    {
        QStringList all = lines(win);
        return int(all.indexOf(QString::fromLatin1(text)));
    }

    TMyMDIClient *client = nullptr;
    std::unique_ptr<tMainFrame> frame;
};

// Four tasks whose columns order them differently: a priority 10, 9, a letter and none; dates
// valid, missing and impossible.
void storeSortingTasks()
{
    ASSERT_EQ(ProjectsUiTest::task("T9", "P1", "Beta", "9", {1, 1, 2027}).insert(),
              tStoreStatus::Stored);
    ASSERT_EQ(ProjectsUiTest::task("T10", "P1", "Alpha", "10").insert(), tStoreStatus::Stored);
    ASSERT_EQ(ProjectsUiTest::task("T2", "P1", "Gamma", "x", {31, 12, 2026}).insert(),
              tStoreStatus::Stored);
    ASSERT_EQ(ProjectsUiTest::task("T3", "P1", "Delta", "", {30, 2, 2026}).insert(),
              tStoreStatus::Stored);
}

} // namespace

TEST_F(ProjectViewsTest, TaskListRowsColumnsAndTheSortOfEachColumn)
{
    storeSortingTasks();
    tTaskListWin *win = openTasks();
    ASSERT_TRUE(win);
    EXPECT_EQ(win->windowTitle(), QStringLiteral("Aufgaben"));
    EXPECT_EQ(win->helpKeyword(), QStringLiteral("Aufgabenliste"));
    EXPECT_EQ(openTasks(), win) << "one window at most";
    EXPECT_EQ(client->subWindowList().size(), 1);

    QAbstractItemModelTester modelCheck(win->tasks(),
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
    QAbstractItemModelTester proxyCheck(win->sorted(),
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
    QAbstractItemModel *shown = win->table()->model();
    const char *headers[] = {"ID", "Bezeichnung", "Prio", "Fertig"};
    const int widths[] = {64, 200, 64, 80};
    ASSERT_EQ(shown->columnCount(), 4);
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(shown->headerData(c, Qt::Horizontal).toString(), QLatin1String(headers[c]));
        EXPECT_EQ(win->table()->columnWidth(c), widths[c]);
    }
    EXPECT_EQ(shownIds(win), (QStringList{"T9", "T3", "T2", "T10"})) << "the last ID first";
    EXPECT_EQ(shown->index(3, 1).data().toString(), QStringLiteral("Alpha"));
    EXPECT_EQ(shown->index(3, 2).data().toString(), QStringLiteral("10"));
    EXPECT_EQ(shown->index(3, 3).data().toString(), QStringLiteral("0.0.   0"));
    EXPECT_EQ(shown->index(0, 3).data().toString(), QStringLiteral("1.1.2027"));

    struct Sort {
        int column;
        QStringList first;        // the rows whose place is fixed
        QStringList restAnyOrder; // rows that compare equal at the end
    } sorts[] = {
        {0, {"T10", "T2", "T3", "T9"}, {}},
        {1, {"T10", "T9", "T3", "T2"}, {}},
        {2, {"T10", "T9"}, {"T2", "T3"}},
        {3, {"T2", "T9"}, {"T10", "T3"}},
    };
    for (const Sort &s : sorts) {
        clickHeader(win, s.column);
        QStringList ids = shownIds(win);
        SCOPED_TRACE(ids.join(' ').toStdString());
        EXPECT_EQ(ids.mid(0, s.first.size()), s.first) << "column " << s.column;
        QStringList rest = ids.mid(s.first.size());
        rest.sort();
        EXPECT_EQ(rest, s.restAnyOrder) << "column " << s.column;
    }

    EXPECT_TRUE(win->table()->horizontalHeader()->isSortIndicatorShown());
    EXPECT_EQ(win->table()->horizontalHeader()->sortIndicatorSection(), 3);

    // Rendered: the date of the first row (now T2) in its column.
    QImage shot = win->table()->viewport()->grab().toImage();
    QRect date = win->table()->visualRect(shown->index(0, 3));
    int dark = 0;
    for (int y = date.top(); y <= date.bottom(); ++y)
        for (int x = date.left(); x <= date.right(); ++x) dark += qGray(shot.pixel(x, y)) < 100;
    EXPECT_EQ(date.left(), 64 + 200 + 64);
    EXPECT_GT(dark, 10) << "the date is drawn in its column";

    // A refill (the notice) drops the sort.
    sendNotice(client, NoticeProjects);
    EXPECT_EQ(shownIds(win), (QStringList{"T9", "T3", "T2", "T10"}));
    EXPECT_FALSE(win->table()->horizontalHeader()->isSortIndicatorShown());
    sendNotice(client, NoticePersons);
    clickHeader(win, 1);
    sendNotice(client, NoticePersons | NoticeAlarms);
    EXPECT_EQ(shownIds(win)[0], QStringLiteral("T10")) << "other bits leave the list alone";
}

TEST_F(ProjectViewsTest, TaskListCommandsNeedASelectedRow)
{
    tTaskListWin *win = openTasks();
    ASSERT_TRUE(win);
    QAbstractItemModelTester proxyCheck(win->sorted(),
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(win->table()->model()->rowCount(), 0);
    EXPECT_FALSE(enabled(CmEdit));
    EXPECT_FALSE(enabled(CmDelete));
    EXPECT_FALSE(enabled(CmNew)) << "not handled by the task list";

    storeSortingTasks();
    sendNotice(client, NoticeProjects);
    EXPECT_FALSE(enabled(CmEdit)) << "no row selected";
    clickHeader(win, 1);
    selectShown(win, 2); // Delta, T3
    EXPECT_TRUE(enabled(CmEdit));
    EXPECT_TRUE(enabled(CmDelete));

    // Löschen: the task leaves the table, its row the list, which keeps its order.
    frame->execute(CmDelete);
    tTask k;
    EXPECT_FALSE(k.find("T3"));
    EXPECT_EQ(shownIds(win), (QStringList{"T10", "T9", "T2"}));

    // Ändern: the dialog in mode 2, then the list refills whether OK or not.
    selectShown(win, 2);
    host.dialogScripts.push_back([](QDialog &d) {
        EXPECT_EQ(d.objectName(), QStringLiteral("tDiaTask"));
        EXPECT_FALSE(d.findChild<QLineEdit *>("editId")->isEnabled());
        EXPECT_EQ(d.findChild<QLineEdit *>("editId")->text(), QStringLiteral("T2"));
        fillAndPress({{"editTitle", "Gamma neu"}})(d);
    });
    frame->execute(CmEdit);
    EXPECT_TRUE(host.dialogScripts.empty());
    EXPECT_EQ(shownIds(win), (QStringList{"T9", "T2", "T10"})) << "refilled, the sort dropped";
    EXPECT_EQ(win->table()->model()->index(1, 1).data().toString(), QStringLiteral("Gamma neu"));

    // A row whose task another copy removed: Ändern and Löschen do nothing.
    selectShown(win, 0);
    ASSERT_TRUE(k.find("T9"));
    ASSERT_EQ(k.remove(), tStoreStatus::Stored);
    host.events.clear();
    frame->execute(CmEdit);
    frame->execute(CmDelete);
    EXPECT_TRUE(host.events.isEmpty());
    EXPECT_EQ(shownIds(win).size(), 3);
}

TEST_F(ProjectViewsTest, ProjectListLinesAndWhatItsCommandsDo)
{
    ASSERT_EQ(project("P1", "Umbau").insert(), tStoreStatus::Stored);
    ASSERT_EQ(project("P2", "Neubau").insert(), tStoreStatus::Stored);
    ASSERT_EQ(task("T1", "P1").insert(), tStoreStatus::Stored);
    ASSERT_EQ(task("T2", "P1").insert(), tStoreStatus::Stored);
    ASSERT_EQ(task("T9", "P0").insert(), tStoreStatus::Stored); // of no project
    tPrjListWin *win = openProjects();
    ASSERT_TRUE(win);
    EXPECT_EQ(win->windowTitle(), QStringLiteral("Projekte"));
    EXPECT_EQ(win->helpKeyword(), QStringLiteral("Projektliste"));
    EXPECT_EQ(openProjects(), win);
    EXPECT_EQ(lines(win),
              (QStringList{"P P1\tUmbau", "T T1\tAufgabe T1", "T T2\tAufgabe T2", "P P2\tNeubau"}));
    EXPECT_TRUE(enabled(CmNew));
    EXPECT_FALSE(enabled(CmEdit));

    // Neu on a project line: a task of that project, listed after the refill.
    win->list()->selectRow(rowOf(win, "P P2\tNeubau"));
    host.dialogScripts.push_back([](QDialog &d) {
        EXPECT_EQ(d.findChild<QLabel *>("labelProject")->text(), QStringLiteral("P2"));
        fillAndPress({{"editId", "T3"}, {"editTitle", "Keller"}})(d);
    });
    frame->execute(CmNew);
    tTask k;
    ASSERT_TRUE(k.find("T3"));
    EXPECT_STREQ(k.PROJECT, "P2");
    EXPECT_EQ(lines(win).last(), QStringLiteral("T T3\tKeller"));

    // Neu on a task line: a task of the task's project; of a vanished task: the message.
    win->list()->selectRow(rowOf(win, "T T1\tAufgabe T1"));
    host.dialogScripts.push_back([](QDialog &d) {
        EXPECT_EQ(d.findChild<QLabel *>("labelProject")->text(), QStringLiteral("P1"));
        press(d, "buttonCancel");
    });
    frame->execute(CmNew);
    ASSERT_TRUE(k.find("T2"));
    ASSERT_EQ(k.remove(), tStoreStatus::Stored);
    win->list()->selectRow(rowOf(win, "T T2\tAufgabe T2"));
    host.events.clear();
    frame->execute(CmNew);
    frame->execute(CmEdit);
    frame->execute(CmDelete);
    EXPECT_EQ(host.events, QStringList{"message:Task nicht gefunden"})
        << "Ändern and Löschen of a vanished task do nothing";

    // Löschen of a task line removes just that line (T4, stored meanwhile, is not listed yet).
    ASSERT_EQ(task("T4", "P1").insert(), tStoreStatus::Stored);
    win->list()->selectRow(rowOf(win, "T T1\tAufgabe T1"));
    frame->execute(CmDelete);
    EXPECT_FALSE(k.find("T1"));
    EXPECT_EQ(lines(win),
              (QStringList{"P P1\tUmbau", "T T2\tAufgabe T2", "P P2\tNeubau", "T T3\tKeller"}));

    // Löschen of a project line: the project with exactly its tasks, then the list refills.
    win->list()->selectRow(rowOf(win, "P P1\tUmbau"));
    frame->execute(CmDelete);
    EXPECT_EQ(lines(win), (QStringList{"P P2\tNeubau", "T T3\tKeller"}));
    EXPECT_FALSE(k.find("T4"));
    EXPECT_TRUE(k.find("T9")) << "a task of another project stays";
    EXPECT_TRUE(k.find("T3"));

    // Neu with no line: a new project.
    win->list()->clearSelection();
    win->list()->setCurrentIndex(QModelIndex());
    host.dialogScripts.push_back([](QDialog &d) {
        EXPECT_EQ(d.objectName(), QStringLiteral("tDiaProj"));
        fillAndPress({{"editId", "P3"}, {"editTitle", "Garten"}})(d);
    });
    frame->execute(CmNew);
    EXPECT_EQ(lines(win).last(), QStringLiteral("P P3\tGarten"));
}

TEST_F(ProjectViewsTest, MenuCommandsOpenTheListsAndANewProjectRefreshesThem)
{
    EXPECT_TRUE(enabled(CmNewProject));
    EXPECT_TRUE(enabled(CmProjectList));
    EXPECT_TRUE(enabled(CmTaskList));
    tPrjListWin *projects = openProjects();
    tTaskListWin *tasks = openTasks();
    ASSERT_TRUE(projects && tasks);
    EXPECT_TRUE(lines(projects).isEmpty());
    EXPECT_FALSE(enabled(CmEdit)) << "an empty list";
    EXPECT_FALSE(enabled(CmDelete));

    host.dialogScripts.push_back(fillAndPress({{"editId", "P1"}, {"editTitle", "Umbau"}}));
    frame->execute(CmNewProject);
    EXPECT_EQ(lines(projects), QStringList{"P P1\tUmbau"}) << "the notice refilled it";

    // A task made from the project list reaches the task list through the notice.
    projects->list()->selectRow(0);
    client->setActiveSubWindow(client->subWindowList().first());
    host.dialogScripts.push_back(fillAndPress({{"editId", "T1"}, {"editTitle", "Dach"}}));
    frame->execute(CmNew);
    EXPECT_EQ(shownIds(tasks), QStringList{"T1"});

    // Closing frees the slot: the next command opens a new window.
    client->closeAllSubWindows();
    EXPECT_EQ(tPrjListWin::openList(), nullptr);
    EXPECT_EQ(tTaskListWin::openList(), nullptr);
}
