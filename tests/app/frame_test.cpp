// The main frame: menu resource 1, tool bar, status bar, command routing to the active view,
// the "Fenster" commands and the help calls.
#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>

#include <set>

#include <gtest/gtest.h>

#include "shell/core/commands.h"
#include "shell/ui/key_modes.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/mdi_client.h"
#include "shell/ui/shell_host.h"
#include "tests/app/recorder_host.h"
#include "tests/app/views_test_support.h"

using namespace velk;
using namespace velk::apptest;

namespace {

class FrameTest : public ::testing::Test {
protected:
    FrameTest() : client(new TMyMDIClient), frame(client)
    {
        frame.resize(800, 600);
        frame.show();
    }

    // Registers view type `type` that makes TestViews named name1, name2, ...
    void registerTestView(int command, int type, const QString &name, int mask,
                          std::set<int> commands, const QString &keyword = QString())
    {
        client->registerView(type, [=, this](const tViewArgs &) {
            return new TestView(name + QString::number(++made[name]), mask, commands, &log,
                                keyword);
        });
        frame.registerViewCommand(command, type);
    }
    bool enabled(int id) { return frame.action(id) && frame.action(id)->isEnabled(); }
    void trigger(int id) { frame.action(id)->trigger(); }

    RecorderHost host;
    TMyMDIClient *client;
    tMainFrame frame;
    QStringList log;
    std::map<QString, int> made;
};

QStringList entryTexts(QMenu *menu)
{
    QStringList texts;
    for (QAction *a : menu->actions()) texts << a->text();
    return texts;
}

} // namespace

TEST_F(FrameTest, MenuBarIsMenuResourceOne)
{
    EXPECT_EQ(frame.windowTitle(), appName());
    EXPECT_TRUE(appName().startsWith(QStringLiteral("V.E.L.K.")));
    QList<QAction *> menus = frame.menuBar()->actions();
    QStringList titles;
    for (QAction *m : menus) titles << m->text();
    EXPECT_EQ(titles,
              (QStringList{"&Datei", "&Bearbeiten", "&Ansicht", "&Eingaben", "Fenster", "Hilfe"}));
    EXPECT_EQ(entryTexts(menus[1]->menu()),
              (QStringList{"&Neu...", "Än&dern...", "&Löschen", "&Anmelden...", "&Rückgängig",
                           "&Suchen..."}));
    // Every entry of the table is in its menu, once, with its command id.
    std::set<int> ids;
    for (int m = 0; m < int(mainMenu().size()); ++m) {
        QList<QAction *> entries = menus[m]->menu()->actions();
        ASSERT_EQ(entries.size(), qsizetype(mainMenu()[m].entries.size()));
        for (int i = 0; i < entries.size(); ++i) {
            const tMenuEntry &e = mainMenu()[m].entries[i];
            EXPECT_TRUE(ids.insert(e.id).second) << e.id;
            EXPECT_EQ(entries[i]->objectName(), QStringLiteral("cmd%1").arg(e.id));
            EXPECT_EQ(entries[i]->property("commandId").toInt(), e.id);
            EXPECT_EQ(entries[i]->text(), QString::fromUtf8(e.text));
        }
    }
    EXPECT_EQ(ids.size(), 42u);
    // The added commands carry their keys; the zoom in also answers Ctrl+= .
    const struct {
        int id;
        QList<QKeySequence> keys;
    } keyed[] = {
        {CmUndo, {QKeySequence(Qt::CTRL | Qt::Key_Z)}},
        {CmSearch, {QKeySequence(Qt::CTRL | Qt::Key_F)}},
        {CmPrint, {QKeySequence(Qt::CTRL | Qt::Key_P)}},
        {CmPrintPreview, {}},
        {CmPrintPdf, {}},
        {CmToday, {QKeySequence(Qt::ALT | Qt::Key_Home)}},
        {CmZoomIn, {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)}},
        {CmZoomOut, {QKeySequence(Qt::CTRL | Qt::Key_Minus)}},
        {CmZoomReset, {QKeySequence(Qt::CTRL | Qt::Key_0)}},
        {CmZoomFit, {}}};
    for (const auto &k : keyed) EXPECT_EQ(frame.action(k.id)->shortcuts(), k.keys) << k.id;
}

TEST_F(FrameTest, OnlyBuiltCommandsAreEnabledAtFirst)
{
    for (int id : {CmExit, CmHelpContents, CmHelpIndex, CmHelpSearch, CmHelpInfo})
        EXPECT_TRUE(enabled(id)) << id;
    for (int id : {CmFileOpen, CmFileSaveAs, CmNew, CmEdit, CmDelete, CmSetPassword, CmBack,
                   CmForward, CmWeekCalendar, CmMonthPlan, CmPersonList, CmNewAppointment,
                   CmNewProject, CmCascade, CmTileSideBySide, CmCloseAll, CmArrangeIcons})
        EXPECT_FALSE(enabled(id)) << id;
    frame.registerViewCommand(CmMonthPlan, ViewMonthPlan);
    EXPECT_FALSE(enabled(CmMonthPlan)); // no view of that type is built yet
    client->registerView(ViewMonthPlan,
                         [&](const tViewArgs &) { return new TestView("m", 1, {}, &log); });
    frame.updateMenus();
    EXPECT_TRUE(enabled(CmMonthPlan));
}

TEST_F(FrameTest, ToolBarHoldsTheTwoArrowBitmapsAndASeparator)
{
    QList<QAction *> actions = frame.toolBar()->actions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_EQ(actions[0]->objectName(), QStringLiteral("cmd1001"));
    EXPECT_EQ(actions[1]->objectName(), QStringLiteral("cmd1002"));
    // After the separator "Heute", the very action of the menu's entry.
    EXPECT_EQ(actions[3], frame.action(CmToday));
    EXPECT_EQ(actions[3]->iconText(), QStringLiteral("Heute"));
    auto *gap = frame.toolBar()->findChild<QWidget *>("toolBarSeparator");
    ASSERT_NE(gap, nullptr);
    EXPECT_EQ(gap->width(), 6);
    EXPECT_EQ(frame.toolBar()->font().pointSize(), 10);
    for (const char *path : {":/bitmaps/1001.xpm", ":/bitmaps/1002.xpm"}) {
        QImage image{QLatin1String(path)};
        ASSERT_FALSE(image.isNull()) << path;
        EXPECT_EQ(image.size(), QSize(19, 17)) << path;
        EXPECT_LE(image.colorCount(), 16) << path;
    }
    // The arrows point opposite ways: the images are mirror pictures of each other.
    QImage left(":/bitmaps/1001.xpm"), right(":/bitmaps/1002.xpm");
    EXPECT_NE(left, right);
    EXPECT_EQ(left.mirrored(true, false).convertToFormat(QImage::Format_ARGB32),
              right.convertToFormat(QImage::Format_ARGB32));
}

TEST_F(FrameTest, StatusBarShowsTheKeyModes)
{
    tKeyModeIndicators *modes = frame.keyModes();
    ASSERT_NE(modes, nullptr);
    QStringList texts;
    for (const char *n : {"indicatorCaps", "indicatorNum", "indicatorOvr"})
        texts << modes->findChild<QLabel *>(n)->text();
    EXPECT_EQ(texts, (QStringList{"CAPS", "NUM", "OVR"}));
    auto *ovr = modes->findChild<QLabel *>("indicatorOvr");
    EXPECT_FALSE(ovr->isEnabled());
    QTest::keyClick(&frame, Qt::Key_Insert);
    EXPECT_TRUE(modes->overtype());
    EXPECT_TRUE(ovr->isEnabled());
    QTest::keyClick(&frame, Qt::Key_Insert);
    EXPECT_FALSE(ovr->isEnabled());
    bool caps = modes->capsLock();
    QTest::keyClick(&frame, Qt::Key_CapsLock);
    EXPECT_NE(modes->capsLock(), caps); // followed from the keys where no X server tells
    EXPECT_EQ(modes->findChild<QLabel *>("indicatorCaps")->isEnabled(), modes->capsLock());
}

TEST_F(FrameTest, ViewCommandsGoToTheActiveViewOnlyWhereItHandlesThem)
{
    registerTestView(CmPersonList, ViewPersonList, "person", 4,
                     {CmNew, CmEdit, CmDelete, CmSetPassword});
    registerTestView(CmMonthPlan, ViewMonthPlan, "month", 5, {CmBack, CmForward});
    trigger(CmPersonList);
    ASSERT_EQ(client->views().size(), 1);
    EXPECT_TRUE(enabled(CmNew));
    EXPECT_TRUE(enabled(CmSetPassword));
    EXPECT_FALSE(enabled(CmBack));
    trigger(CmEdit);
    trigger(CmMonthPlan);
    EXPECT_EQ(client->activeView()->objectName(), QStringLiteral("month1"));
    EXPECT_FALSE(enabled(CmEdit));
    EXPECT_TRUE(enabled(CmForward));
    frame.execute(CmEdit); // disabled: nothing happens
    frame.toolBar()->actions()[1]->trigger();
    EXPECT_EQ(log, (QStringList{"person1:cmd125", "month1:cmd1002"}));
    client->setActiveSubWindow(client->subWindowList().first());
    EXPECT_TRUE(enabled(CmDelete));
    EXPECT_FALSE(enabled(CmForward));
}

TEST_F(FrameTest, DialogCommandsSendTheirNoticeOnlyAfterOk)
{
    registerTestView(CmPersonList, ViewPersonList, "person", 4, {});
    registerTestView(CmProjectList, ViewProjectList, "project", 8, {});
    trigger(CmPersonList);
    trigger(CmProjectList);
    bool ok = false;
    frame.registerDialogCommand(
        CmNewPerson,
        [&](QWidget *parent) {
            EXPECT_EQ(parent, &frame);
            return ok;
        },
        NoticePersons);
    trigger(CmNewPerson);
    EXPECT_TRUE(log.isEmpty());
    ok = true;
    trigger(CmNewPerson);
    EXPECT_EQ(log, (QStringList{"person1:4"}));
}

TEST_F(FrameTest, WindowCommandsArrangeTheViews)
{
    registerTestView(CmPersonList, ViewPersonList, "v", 0, {});
    for (int i = 0; i < 3; ++i) trigger(CmPersonList);
    ASSERT_TRUE(enabled(CmTileSideBySide));
    QSize area = client->viewport()->size();
    QList<QMdiSubWindow *> subs = client->subWindowList(QMdiArea::CreationOrder);

    trigger(CmTileSideBySide);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(subs[i]->geometry().height(), area.height());
    EXPECT_EQ(subs[0]->x(), 0);
    EXPECT_EQ(subs[1]->x(), subs[0]->geometry().right() + 1);
    EXPECT_EQ(subs[2]->geometry().right(), area.width() - 1);

    trigger(CmTileStacked);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(subs[i]->width(), area.width());
    EXPECT_EQ(subs[1]->y(), subs[0]->geometry().bottom() + 1);
    EXPECT_EQ(subs[2]->geometry().bottom(), area.height() - 1);

    trigger(CmCascade);
    EXPECT_LT(subs[0]->y(), subs[1]->y());
    EXPECT_LT(subs[1]->y(), subs[2]->y());

    subs[0]->showMinimized();
    subs[2]->showMinimized();
    subs[0]->move(200, 10);
    trigger(CmArrangeIcons);
    EXPECT_EQ(subs[0]->pos(), QPoint(0, area.height() - subs[0]->height()));
    EXPECT_EQ(subs[2]->pos(), QPoint(subs[0]->width(), area.height() - subs[2]->height()));

    trigger(CmCloseAll);
    QApplication::processEvents();
    EXPECT_TRUE(client->subWindowList().isEmpty());
    EXPECT_FALSE(enabled(CmCascade));
}

TEST_F(FrameTest, ClosingTheLastViewByItsOwnButtonDisablesWhatNeedsAView)
{
    registerTestView(CmPersonList, ViewPersonList, "v", 0, {CmNew});
    trigger(CmPersonList);
    ASSERT_TRUE(enabled(CmNew));
    ASSERT_TRUE(enabled(CmTileStacked));
    client->subWindowList().first()->close();
    QApplication::processEvents();
    EXPECT_FALSE(enabled(CmNew));
    EXPECT_FALSE(enabled(CmTileStacked));
}

TEST_F(FrameTest, HelpMenuAndF1)
{
    trigger(CmHelpContents);
    trigger(CmHelpIndex);
    trigger(CmHelpSearch);
    trigger(CmHelpInfo);
    EXPECT_EQ(host.events, (QStringList{"help:contents", "help:keyword:", "help:context:0",
                                        "help:keyword:Copyright"}));
    host.events.clear();
    QApplication::setActiveWindow(&frame);
    frame.setFocus();
    QTest::keyClick(frame.windowHandle(), Qt::Key_F1);
    registerTestView(CmMonthPlan, ViewMonthPlan, "month", 0, {}, "Monatsplan");
    trigger(CmMonthPlan);
    auto *view = static_cast<TestView *>(client->activeView());
    view->edit()->setFocus();
    QTest::keyClick(frame.windowHandle(), Qt::Key_F1);
    EXPECT_EQ(host.events, (QStringList{"help:contents", "help:keyword:Monatsplan"}));
}

TEST_F(FrameTest, BeendenAsksForTheShutDown)
{
    int asked = 0;
    QObject::connect(&frame, &tMainFrame::exitRequested, [&] { ++asked; });
    QMenu *datei = frame.menuBar()->actions()[0]->menu();
    datei->actions().back()->trigger(); // "Beenden", the last entry
    EXPECT_EQ(asked, 1);
}
