// The remembered desk: the views, their places and their own lines kept at "Beenden" and back
// at the next start, per logged-in user; a view type that is gone or a view that exists once at
// most; sub-windows and the frame kept inside the client area and the screen.
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QScrollArea>
#include <QSettings>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include "base/session.h"
#include "shell/core/commands.h"
#include "shell/ui/desk.h"
#include "shell/ui/dialog_base.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/mdi_client.h"
#include "shell/ui/my_app.h"
#include "shell/ui/screen_fit_ui.h"
#include "tests/app/fake_users.h"
#include "tests/app/login_dialog_helpers.h"
#include "tests/app/recorder_host.h"
#include "tests/app/views_test_support.h"
#include "tests/btree/files_support.h"

using namespace velk;
using namespace velk::apptest;

namespace {

// A view that keeps a line of its own (what the calendar views keep: the date shown, the zoom).
class DeskView : public TestView {
public:
    DeskView(const QString &name, QStringList *log) : TestView(name, 0, {}, log) {}
    QString deskState() const override { return line; }
    void restoreDeskState(const QString &text) override { line = text; }
    QString line;
};

// Three view types, as the subsystems register them: the week calendar and the appointment list
// open a new window each time, the person list exists once at most.
void registerViews(tMainFrame &frame, TMyMDIClient &client, QStringList *log, bool withList = true)
{
    client.registerView(ViewWeekCalendar,
                        [log](const tViewArgs &) { return new DeskView("woche", log); });
    client.registerView(ViewPersonList, [&client, log](const tViewArgs &) -> tView * {
        for (tView *open : client.views())
            if (open->objectName() == QLatin1String("personen")) return open;
        return new DeskView("personen", log);
    });
    frame.registerViewCommand(CmWeekCalendar, ViewWeekCalendar);
    frame.registerViewCommand(CmPersonList, ViewPersonList);
    if (withList) {
        client.registerView(ViewAppointmentList,
                            [log](const tViewArgs &) { return new DeskView("liste", log); });
        frame.registerViewCommand(CmAppointmentList, ViewAppointmentList);
    }
}

QMdiSubWindow *subOf(const tView *view)
{
    return qobject_cast<QMdiSubWindow *>(view->parentWidget());
}

QList<int> typesOf(const TMyMDIClient &client)
{
    QList<int> types;
    for (tView *view : client.views()) types << client.viewType(view);
    return types;
}

class DeskTest : public ::testing::Test {
protected:
    DeskTest() : ini(QString::fromStdString(tmp.file("config/VELK.INI")))
    {
        writeConfiguredPath(ini, QString::fromStdString(tmp.file("daten/datadict")));
        static_cast<FakeUsers &>(db.users()).add("bert", "geheim");
    }
    ~DeskTest() override
    {
        app.reset(); // its shut-down keeps the desk of the user still logged in
        setCurrentUser("");
    }

    // A start of the program: the login as `user`, the three view types registered.
    void start(const QString &user, bool withList = true)
    {
        app.reset();
        host.dialogScripts.push_back(loginScript(user, user == "root" ? "" : "geheim"));
        app = std::make_unique<TMyApp>(db, ini);
        app->setQuitRequest([] {});
        app->addFrameSetup([this, withList](tMainFrame &frame, TMyMDIClient &client) {
            registerViews(frame, client, &log, withList);
        });
        ASSERT_TRUE(app->initMainWindow());
        app->frame()->show();
    }
    tView *open(int command)
    {
        app->frame()->execute(command);
        return app->client()->activeView();
    }
    void quit() { app->frame()->findChild<QAction *>("cmd105")->trigger(); }

    TempDir tmp;
    QString ini;
    RecorderHost host;
    FakeDatabase db;
    std::unique_ptr<TMyApp> app;
    QStringList log;
};

} // namespace

TEST_F(DeskTest, BeendenKeepsThreeViewsAndTheNextStartBringsThemBack)
{
    start("root");
    app->frame()->setGeometry(30, 40, 700, 520);
    auto *week = static_cast<DeskView *>(open(CmWeekCalendar));
    auto *persons = static_cast<DeskView *>(open(CmPersonList));
    auto *list = static_cast<DeskView *>(open(CmAppointmentList));
    week->line = "2026-12-07 zoom 3";
    list->line = "Zeile mit ; = , \"";
    subOf(week)->setGeometry(0, 0, 300, 250);
    subOf(persons)->setGeometry(310, 0, 250, 200);
    subOf(list)->setGeometry(20, 200, 200, 150);
    subOf(list)->showMinimized();
    app->client()->setActiveSubWindow(subOf(persons));
    const QRect listNormal{20, 200, 200, 150};
    quit();
    EXPECT_TRUE(app->client()->subWindowList().isEmpty());

    start("root");
    TMyMDIClient &client = *app->client();
    ASSERT_EQ(typesOf(client), (QList<int>{ViewWeekCalendar, ViewPersonList, ViewAppointmentList}));
    const QList<tView *> views = client.views();
    EXPECT_EQ(views[0]->objectName(), "woche");
    EXPECT_EQ(static_cast<DeskView *>(views[0])->line, "2026-12-07 zoom 3");
    EXPECT_EQ(static_cast<DeskView *>(views[1])->line, "");
    EXPECT_EQ(static_cast<DeskView *>(views[2])->line, "Zeile mit ; = , \"");
    EXPECT_EQ(subOf(views[0])->geometry(), QRect(0, 0, 300, 250));
    EXPECT_EQ(subOf(views[1])->geometry(), QRect(310, 0, 250, 200));
    EXPECT_EQ(client.currentSubWindow(), subOf(views[1]));
    EXPECT_TRUE(subOf(views[2])->isMinimized());
    subOf(views[2])->showNormal();
    EXPECT_EQ(subOf(views[2])->geometry(), listNormal);
    EXPECT_EQ(app->frame()->geometry(), QRect(30, 40, 700, 520));
}

TEST_F(DeskTest, EachUserKeepsTheirOwnDesk)
{
    start("root");
    open(CmWeekCalendar);
    open(CmPersonList);
    quit();
    start("bert");
    EXPECT_TRUE(app->client()->views().isEmpty()); // bert saved nothing yet
    open(CmAppointmentList);
    quit();

    start("root");
    EXPECT_EQ(typesOf(*app->client()), (QList<int>{ViewWeekCalendar, ViewPersonList}));
    quit();
    start("bert");
    EXPECT_EQ(typesOf(*app->client()), (QList<int>{ViewAppointmentList}));
}

TEST_F(DeskTest, AViewTypeThatIsGoneIsSkipped)
{
    start("root");
    open(CmAppointmentList);
    open(CmWeekCalendar);
    quit();
    start("root", false); // this program has no appointment list
    EXPECT_EQ(typesOf(*app->client()), (QList<int>{ViewWeekCalendar}));
}

TEST_F(DeskTest, AViewThatExistsOnceIsNotDoubled)
{
    start("root");
    tDesk desk;
    desk.views = {{ViewPersonList, {0, 0, 200, 100}, tWindowState::Normal, "", false},
                  {ViewPersonList, {50, 50, 220, 120}, tWindowState::Normal, "", true},
                  {ViewWeekCalendar, {10, 10, 200, 100}, tWindowState::Normal, "", false}};
    restoreDesk(*app->frame(), desk);
    EXPECT_EQ(typesOf(*app->client()), (QList<int>{ViewPersonList, ViewWeekCalendar}));
    // Once more onto the open desk: still one person list, and a second week calendar.
    restoreDesk(*app->frame(), desk);
    EXPECT_EQ(typesOf(*app->client()),
              (QList<int>{ViewPersonList, ViewWeekCalendar, ViewWeekCalendar}));
}

// A hand-edited or damaged section: the readable views come back, the rest is left out.
TEST_F(DeskTest, MalformedEntriesInTheConfigurationAreSkipped)
{
    {
        QSettings settings(ini, QSettings::IniFormat);
        settings.beginGroup("Arbeitsplatz-root");
        settings.setValue("Rahmen", "x y");
        settings.setValue("Ansichten", "4");
        settings.setValue("Ansicht1", "101 0 0 200 100 normal");
        settings.setValue("Ansicht2", "3 0 0 200");
        settings.setValue("Ansicht3", "4711 0 0 200 100 normal");
        settings.setValue("Ansicht4", "5 10 20 200 100 max");
        settings.setValue("Aktiv", "4");
    }
    start("root");
    TMyMDIClient &client = *app->client();
    EXPECT_EQ(typesOf(client), (QList<int>{ViewWeekCalendar, ViewAppointmentList}));
    EXPECT_TRUE(subOf(client.views()[1])->isMaximized());
    EXPECT_EQ(client.currentSubWindow(), subOf(client.views()[1]));
    EXPECT_FALSE(app->frame()->isMaximized()); // the frame's line was not read
}

TEST_F(DeskTest, AFailedStartKeepsTheSavedDesk)
{
    start("root");
    open(CmWeekCalendar);
    quit();
    app.reset();
    // A refused login ends the program: the desk saved before stays as it was.
    host.dialogScripts.push_back(loginScript("bert", "falsch"));
    app = std::make_unique<TMyApp>(db, ini);
    app->setQuitRequest([] {});
    EXPECT_FALSE(app->initMainWindow());
    EXPECT_EQ(readDesk(ini, "root").views.size(), 1u);
}

// A view larger than the client area is shrunk into it: all of it can be reached.
TEST_F(DeskTest, ViewsAreKeptInsideTheClientArea)
{
    start("root");
    app->frame()->resize(500, 400);
    TMyMDIClient &client = *app->client();
    client.registerView(ViewMonthPlan, [this](const tViewArgs &) {
        auto *view = new DeskView("gross", &log);
        view->setMinimumSize(0, 0);
        view->resize(2000, 1500);
        return view;
    });
    client.setNextViewType(ViewMonthPlan);
    tView *big = client.createView();
    ASSERT_NE(big, nullptr);
    EXPECT_TRUE(client.viewport()->rect().contains(subOf(big)->geometry()))
        << subOf(big)->geometry().width() << "x" << subOf(big)->geometry().height();
    // A desk from a larger screen: moved and shrunk into the area as well.
    tDesk desk;
    desk.hasFrame = true;
    desk.frame = {3000, 2000, 5000, 4000};
    desk.views = {{ViewWeekCalendar, {900, 700, 1200, 900}, tWindowState::Normal, "", true}};
    restoreDesk(*app->frame(), desk);
    EXPECT_TRUE(availableArea(app->frame()).contains(app->frame()->frameGeometry()));
    EXPECT_TRUE(client.viewport()->rect().contains(subOf(client.activeView())->geometry()));
}

// A dialog that does not fit even at its smallest size gets its fields in a scroll area: each
// can be scrolled to, and the dialog still finds them by name.
TEST(DialogOnScreen, ATooLargeDialogScrolls)
{
    const struct {
        QSize least;
        bool scrolls;
    } cases[] = {{{200, 100}, false}, {{2000, 200}, true}, {{200, 2000}, true}};
    for (const auto &c : cases) {
        QDialog dialog;
        auto *layout = new QVBoxLayout(&dialog);
        auto *first = new QLineEdit(&dialog);
        first->setObjectName("erstes");
        auto *block = new QWidget(&dialog);
        block->setMinimumSize(c.least);
        auto *last = new QLineEdit(&dialog);
        last->setObjectName("letztes");
        layout->addWidget(first);
        layout->addWidget(block);
        layout->addWidget(last);
        installDialogBase(&dialog);
        dialog.show();
        QApplication::processEvents();
        const QRect area = availableArea(&dialog);
        EXPECT_EQ(dialogScrolls(&dialog), c.scrolls) << c.least.width() << "x" << c.least.height();
        EXPECT_TRUE(area.contains(dialog.frameGeometry())) << c.least.height();
        EXPECT_EQ(dialog.findChild<QLineEdit *>("letztes"), last);
        auto *scroll = dialog.findChild<QScrollArea *>("dialogScroll");
        if (!scroll) continue;
        QApplication::processEvents(); // the scroll bars as the layout has them
        for (QLineEdit *field : {first, last}) {
            scroll->ensureWidgetVisible(field, 0, 0);
            const QRect at(field->mapTo(scroll->viewport(), QPoint(0, 0)), field->size());
            // Its cursor is in sight, at the start of the field (Qt's scroll area brings the
            // cursor of a line edit into sight, a field wider than the screen cannot be whole).
            const QRect sight = scroll->viewport()->rect();
            EXPECT_TRUE(sight.contains(QPoint(at.left() + 2, at.center().y())))
                << field->objectName().toStdString() << " " << c.least.height() << " at " << at.x()
                << "," << at.y() << " " << at.width() << "x" << at.height() << " in "
                << sight.width() << "x" << sight.height();
        }
    }
}
