// The whole main frame as the program builds it, every subsystem's setup applied, on a real
// database: with each real view in front, which view-dependent commands are enabled; every menu
// entry reaching its view or dialog (the recorder answers the dialogs); the notice each command
// sends; and which open views refill after a notice.  A view "refilled" when records written
// behind its back (straight through the model, no notice) appear in its picture.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QSignalSpy>

#include "address/resource.h"
#include "widgets/address/address_frame.h"
#include "app/wiring.h"
#include "shell/core/commands.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/mdi_client.h"
#include "calendar/alarm.h"
#include "widgets/calendar/calendar_frame.h"
#include "widgets/calendar/plan_frame.h"
#include "widgets/calendar/views_frame.h"
#include "exchange/person_exchange.h"
#include "widgets/exchange/exchange_frame.h"
#include "projects/project.h"
#include "widgets/projects/projects_frame.h"
#include "tests/address/address_ui_support.h"
#include "tests/app/views_test_support.h"
#include "tests/calendar/calendar_support.h"

#include <filesystem>
#include <map>
#include <string>

using namespace velk;
using namespace velk::apptest;

namespace {

constexpr int kWatcherType = 99;

// Each view command with the class of the window it opens, its view-dependent commands as the
// frame table gives them (with a line selected) and the notice bits it listens to.
struct tViewRow {
    int command;
    const char *className;
    std::set<int> handles;
    int mask;
    const char *keyword; // of the help
};
const std::vector<tViewRow> kViews = {
    {CmWeekCalendar,
     "velk::tWeekWin",
     {CmNew, CmEdit, CmDelete, CmBack, CmForward},
     1 | 4,
     "Wochenkalender"},
    {CmMonthPlan, "velk::tCalPlanerWin", {CmBack, CmForward}, 1 | 4, "Monatsplan"},
    {CmOccupancy, "velk::tJahrPlanWin", {CmBack, CmForward}, 1 | 2, "Belegungsplan"},
    {CmAppointmentList, "velk::tTermListWin", {CmNew, CmEdit, CmDelete}, 1 | 4, "Terminliste"},
    {CmAlarmList, "velk::tAlarmListWin", {CmEdit, CmDelete}, 16, "Alarmliste"},
    {CmPersonList,
     "velk::tPersListWin",
     {CmNew, CmEdit, CmDelete, CmSetPassword},
     4,
     "Personenliste"},
    {CmResourceList, "velk::tResListWin", {CmNew, CmEdit, CmDelete}, 2, "Ressourcen"},
    {CmProjectList, "velk::tPrjListWin", {CmNew, CmEdit, CmDelete}, 8, "Projektliste"},
    {CmTaskList, "velk::tTaskListWin", {CmEdit, CmDelete}, 8, "Aufgabenliste"},
};
const int kViewCommands[] = {CmNew, CmEdit, CmDelete, CmSetPassword, CmBack, CmForward};

class WholeFrameTest : public AddressUiTest {
protected:
    void SetUp() override
    {
        AddressUiTest::SetUp();
        setCurrentUser("root");
        today = tDate::today();
        ASSERT_EQ(person("anna", "Anna", "A").insert(), tStoreStatus::Stored);
        tResource r;
        r.setId("raum1");
        r.setTitle("Raum 1");
        ASSERT_EQ(r.insert(), tStoreStatus::Stored);
        addAppointment("Erster", "raum1", 9);
        addProject("P1", "T1");
        addAlarm("Erste Erinnerung");
        ASSERT_TRUE(exportPersonsDbf(file("p.dbf")).ok());

        client = new TMyMDIClient;
        frame = std::make_unique<tMainFrame>(client);
        for (auto setup : {addressFrameSetup, projectsFrameSetup, calendarFrameSetup,
                           calendarViewsFrameSetup, calendarPlanFrameSetup, exchangeFrameSetup})
            setup(*frame, *client);
        wireOpeners();
        client->registerView(kWatcherType, [this](const tViewArgs &) {
            return new TestView(QStringLiteral("watch"), NoticeAll, {}, &log);
        });
        frame->resize(1000, 700);
        frame->show();
    }
    void TearDown() override
    {
        frame.reset();
        setCurrentUser("");
        AddressUiTest::TearDown();
    }

    void addAppointment(const char *title, const char *resource, int hour)
    {
        tTermin t = caltest::termin(title, caltest::at(today.day, today.month, today.year, hour),
                                    caltest::at(today.day, today.month, today.year, hour + 1));
        t.setResource(resource);
        ASSERT_TRUE(tTerminStore::instance().insert(t).complete());
    }
    void addProject(const char *project, const char *task)
    {
        tProject p;
        p.setId(project);
        p.setTitle(project);
        ASSERT_EQ(p.insert(), tStoreStatus::Stored);
        tTask k;
        k.setId(task);
        k.setTitle(task);
        k.setProject(project);
        k.setWorker("Proot");
        k.ENDDATE = today;
        ASSERT_EQ(k.insert(), tStoreStatus::Stored);
    }
    void addAlarm(const char *message)
    {
        tAlarm a;
        a.when = caltest::at(today.day, today.month, today.year, 23, 59);
        a.setMessage(message);
        ASSERT_EQ(tAlarmStore::instance().send(a).status, tStoreStatus::Stored);
    }
    // Records of every kind written straight through the model: no notice tells a view.
    void addBehindTheBack()
    {
        tPerson p = person("neu", "Neumann", "N", tDate{today.day, today.month, 1970});
        ASSERT_EQ(p.insert(), tStoreStatus::Stored);
        tResource r;
        r.setId("raum2");
        r.setTitle("Raum 2");
        ASSERT_EQ(r.insert(), tStoreStatus::Stored);
        addAppointment("Zweiter", "raum1", 14);
        addProject("P2", "T2");
        addAlarm("Zweite Erinnerung");
    }

    tView *open(int command)
    {
        frame->execute(command);
        return client->activeView();
    }
    // Opens every view; answers them by command.
    std::map<int, tView *> openAll()
    {
        std::map<int, tView *> views;
        for (const tViewRow &row : kViews) views[row.command] = open(row.command);
        return views;
    }
    static QImage picture(tView *view) { return view->grab().toImage(); }
    std::map<int, QImage> pictures(const std::map<int, tView *> &views)
    {
        std::map<int, QImage> out;
        for (auto [command, view] : views) out[command] = picture(view);
        return out;
    }
    // The views whose picture changed since `before`, by command.
    std::set<int> changed(const std::map<int, tView *> &views, const std::map<int, QImage> &before)
    {
        std::set<int> out;
        for (auto [command, view] : views)
            if (picture(view) != before.at(command)) out.insert(command);
        return out;
    }
    static void selectFirstLine(tView *view)
    {
        for (auto *items : view->findChildren<QAbstractItemView *>())
            if (items->model() && items->model()->rowCount() > 0)
                items->selectionModel()->setCurrentIndex(items->model()->index(0, 0),
                                                         QItemSelectionModel::ClearAndSelect |
                                                             QItemSelectionModel::Rows);
    }

    tDate today;
    QStringList log;
    TMyMDIClient *client = nullptr;
    std::unique_ptr<tMainFrame> frame;
};

} // namespace

TEST_F(WholeFrameTest, EachViewEnablesTheCommandsItHandles)
{
    for (const char *user : {"root", "anna"}) {
        setUser(user);
        for (const tViewRow &row : kViews) {
            SCOPED_TRACE(row.className);
            tView *view = open(row.command);
            ASSERT_TRUE(view);
            EXPECT_STREQ(view->metaObject()->className(), row.className);
            EXPECT_EQ(view->noticeMask(), row.mask);
            // F1 inside the view: the help at the view's keyword.
            QApplication::setActiveWindow(frame.get());
            view->setFocus();
            host.events.clear();
            frame->findChild<QAction *>(QStringLiteral("helpKey"))->trigger();
            EXPECT_EQ(host.events, QStringList{QStringLiteral("help:keyword:") + row.keyword});
            selectFirstLine(view);
            frame->updateMenus();
            for (int id : kViewCommands) {
                // "Anmelden..." belongs to root alone; another user checks just that.
                const bool root = std::string(user) == "root";
                if (!root && id != CmSetPassword) continue;
                const bool expected = row.handles.count(id) != 0 && (root || id != CmSetPassword);
                EXPECT_EQ(frame->action(id)->isEnabled(), expected) << user << " command " << id;
            }
            // The tool bar's arrows move the view (its caption names what it shows): forward,
            // back, and forward again to the same place.
            if (std::string(user) == "root" && row.handles.count(CmForward)) {
                const QString caption = view->windowTitle();
                frame->action(CmForward)->trigger();
                const QString ahead = view->windowTitle();
                EXPECT_NE(ahead, caption);
                frame->action(CmBack)->trigger();
                EXPECT_NE(view->windowTitle(), ahead);
                frame->action(CmForward)->trigger();
                EXPECT_EQ(view->windowTitle(), ahead);
            }
        }
        frame->execute(CmCloseAll);
        ASSERT_TRUE(client->subWindowList().isEmpty());
        frame->updateMenus();
        for (int id : kViewCommands) EXPECT_FALSE(frame->action(id)->isEnabled()) << id;
    }
}

// Every dialog command reaches its dialog; after OK the frame sends the notice of the menu
// table, after cancel none.
TEST_F(WholeFrameTest, EveryMenuCommandReachesItsDialogAndSendsItsNotice)
{
    client->createView(kWatcherType, {});
    const struct {
        int command;
        const char *dialog;
        tFields fields;
        int mask; // after OK
        const char *keyword;
    } cases[] = {
        {CmNewAppointment, "tDiaTermin", {{"editTitle", "Am Morgen"}}, 1, "Termindialog"},
        {CmNewPerson,
         "tDiaPerson",
         {{"editId", "bert"}, {"editName", "Bert"}},
         4,
         "Personendialog"},
        {CmGroups, "tDiaMember", {}, 0, "Gruppen"}, // closed with "Schließen"; no notice
        {CmNewResource, "tDiaRes", {{"editId", "saal"}, {"editTitle", "Saal"}}, 2, "Ressourcen"},
        {CmNewProject, "tDiaProj", {{"editId", "P9"}, {"editTitle", "Garten"}}, 8, "Projektdialog"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.dialog);
        for (const char *button : {"buttonCancel", "buttonOk"}) {
            if (c.mask == 0 && std::string(button) == "buttonOk") continue;
            host.events.clear();
            log.clear();
            const bool ok = std::string(button) == "buttonOk";
            const char *cancel = c.mask == 0 ? "buttonClose" : button;
            // "Hilfe" first: the help at the dialog's keyword, the dialog stays.
            host.dialogScripts.push_back([&](QDialog &d) {
                press(d, "buttonHelp");
                EXPECT_TRUE(d.isVisible());
                (ok ? fillAndPress(c.fields, button) : fillAndPress({}, cancel))(d);
            });
            frame->execute(c.command);
            EXPECT_EQ(host.eventsOf("dialog:").value(0), QStringLiteral("dialog:") + c.dialog);
            EXPECT_EQ(host.eventsOf("help:"),
                      QStringList{QStringLiteral("help:keyword:") + c.keyword});
            EXPECT_EQ(log, ok ? QStringList{QStringLiteral("watch:%1").arg(c.mask)} : QStringList{})
                << button;
            EXPECT_TRUE(host.dialogScripts.empty());
        }
    }

    // The file commands: the file dialogs, the notice of all bits after an import.
    log.clear();
    host.fileAnswers.push_back(QString::fromStdString(file("p.dbf")));
    host.filterAnswers.push_back(2);
    frame->execute(CmFileOpen);
    EXPECT_EQ(log, QStringList{"watch:31"});
    log.clear();
    host.fileAnswers.push_back(QString::fromStdString(file("out.dbf")));
    host.filterAnswers.push_back(2);
    frame->execute(CmFileSaveAs);
    EXPECT_TRUE(log.isEmpty());
    EXPECT_TRUE(std::filesystem::exists(file("out.dbf")));

    // Help: contents, index, search and the copyright.
    host.events.clear();
    for (int id : {CmHelpContents, CmHelpIndex, CmHelpSearch, CmHelpInfo}) frame->execute(id);
    EXPECT_EQ(host.events, (QStringList{"help:contents", "help:keyword:", "help:context:0",
                                        "help:keyword:Copyright"}));

    // "Beenden" asks the application to end.
    QSignalSpy exit(frame.get(), &tMainFrame::exitRequested);
    frame->execute(CmExit);
    EXPECT_EQ(exit.count(), 1);
}

// The "Fenster" commands arrange the open views; "Alle Schließen" closes them.
TEST_F(WholeFrameTest, WindowCommandsArrangeAndCloseTheViews)
{
    tView *week = open(CmWeekCalendar);
    tView *persons = open(CmPersonList);
    auto geometryOf = [](tView *v) { return v->parentWidget()->geometry(); };
    frame->execute(CmTileSideBySide);
    EXPECT_EQ(geometryOf(week).top(), geometryOf(persons).top());
    EXPECT_NE(geometryOf(week).left(), geometryOf(persons).left());
    frame->execute(CmTileStacked);
    EXPECT_EQ(geometryOf(week).left(), geometryOf(persons).left());
    EXPECT_NE(geometryOf(week).top(), geometryOf(persons).top());
    frame->execute(CmCascade);
    EXPECT_NE(geometryOf(week).topLeft(), geometryOf(persons).topLeft());
    frame->execute(CmCloseAll);
    EXPECT_TRUE(client->subWindowList().isEmpty());
    for (int id : {CmArrangeIcons, CmCascade, CmTileSideBySide, CmTileStacked, CmCloseAll})
        EXPECT_FALSE(frame->action(id)->isEnabled()) << id;
}

// The three cases of views keeping each other current.
TEST_F(WholeFrameTest, AnImportRefreshesEveryOpenView)
{
    auto views = openAll();
    ASSERT_EQ(views.size(), kViews.size());
    auto before = pictures(views);
    ASSERT_TRUE(changed(views, before).empty()) << "pictures are stable";
    addBehindTheBack();
    EXPECT_TRUE(changed(views, before).empty()) << "no view refills without a notice";

    host.fileAnswers.push_back(QString::fromStdString(file("p.dbf")));
    host.filterAnswers.push_back(2);
    frame->execute(CmFileOpen);
    std::set<int> all;
    for (const tViewRow &row : kViews) all.insert(row.command);
    EXPECT_EQ(changed(views, before), all);
}

TEST_F(WholeFrameTest, ANewPersonRefreshesTheCalendarsAndPersonsButNotTheProjects)
{
    auto views = openAll();
    auto before = pictures(views);
    addBehindTheBack();
    host.dialogScripts.push_back(
        fillAndPress({{"editId", "bert"}, {"editName", "Bert"}, {"editChrName", "B"}}));
    frame->execute(CmNewPerson);
    std::set<int> seen = changed(views, before);
    for (int refreshed : {CmWeekCalendar, CmPersonList}) EXPECT_TRUE(seen.count(refreshed));
    for (const tViewRow &row : kViews)
        if (!(row.mask & NoticePersons)) {
            EXPECT_FALSE(seen.count(row.command)) << row.className;
        }
}

TEST_F(WholeFrameTest, TwoWeekCalendarsBothRefresh)
{
    tView *first = open(CmWeekCalendar);
    tView *second = open(CmWeekCalendar);
    ASSERT_NE(first, second);
    const QImage firstBefore = picture(first), secondBefore = picture(second);
    // Stored from the first calendar's "Neu...": the appointment dialog answered with OK.
    client->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(first->parentWidget()));
    ASSERT_EQ(client->activeView(), first);
    host.dialogScripts.push_back(fillAndPress({{"editTitle", "Gemeinsam"}}));
    frame->execute(CmNew);
    ASSERT_EQ(host.eventsOf("dialog:"), QStringList{"dialog:tDiaTermin"});
    EXPECT_NE(picture(first), firstBefore);
    EXPECT_NE(picture(second), secondBefore);
    EXPECT_EQ(picture(first), picture(second));
}

// The list windows enable "Ändern..." and "Löschen" from the selection, however a line came to be
// selected: a click on the line that was current already (the first line once the list had the
// focus), the keyboard, and again after a refill dropped it.  Return on the selected line opens
// it as a double click does.
TEST_F(WholeFrameTest, ListCommandsFollowTheSelectionAndReturnOpensTheLine)
{
    addBehindTheBack(); // two lines in each list
    const struct {
        int command;
        const char *line;       // a text of the line to select
        const char *dialog;     // what Return on the line opens
        bool enabledUnselected; // the alarm list's commands need only a line
    } lists[] = {
        {CmPersonList, "anna", "dialog:tDiaPerson", false},
        {CmResourceList, "raum1", "dialog:tDiaRes", false},
        {CmProjectList, "P1", "dialog:tDiaProj", false},
        {CmTaskList, "T1", "dialog:tDiaTask", false},
        {CmAlarmList, "Erste Erinnerung", "dialog:tDiaAlarm", true},
        {CmAppointmentList, "Erster", "dialog:tDiaTermin", false},
    };
    QApplication::setActiveWindow(frame.get());
    for (const auto &l : lists) {
        tView *view = open(l.command);
        ASSERT_TRUE(view);
        SCOPED_TRACE(view->metaObject()->className());
        QAbstractItemView *items = nullptr;
        for (auto *candidate : view->findChildren<QAbstractItemView *>())
            if (!qobject_cast<QHeaderView *>(candidate)) items = candidate;
        ASSERT_TRUE(items);
        QItemSelectionModel *selection = items->selectionModel();
        // The line of the record named (the appointment list opens with headings and birthdays).
        int row = -1;
        const QAbstractItemModel *model = items->model();
        for (int r = 0; r < model->rowCount() && row < 0; ++r)
            for (int c = 0; c < model->columnCount(); ++c)
                if (model->index(r, c).data().toString().contains(QString::fromUtf8(l.line)))
                    row = r;
        ASSERT_GE(row, 0);
        auto line = [&] { return items->model()->index(row, 0); }; // anew after a refill
        QAction *edit = frame->action(CmEdit);
        auto unselectKeepingCurrent = [&] {
            selection->clearSelection();
            selection->setCurrentIndex(line(), QItemSelectionModel::NoUpdate);
            frame->updateMenus();
            EXPECT_EQ(edit->isEnabled(), l.enabledUnselected);
        };

        unselectKeepingCurrent();
        items->setFocus();
        QTest::mouseClick(items->viewport(), Qt::LeftButton, {},
                          items->visualRect(line()).center());
        EXPECT_TRUE(edit->isEnabled()) << "a click on the current line";
        EXPECT_TRUE(frame->action(CmDelete)->isEnabled());

        unselectKeepingCurrent();
        QTest::keyClick(items, Qt::Key_Space);
        EXPECT_TRUE(edit->isEnabled()) << "the keyboard";

        sendNotice(client, view->noticeMask());
        EXPECT_EQ(edit->isEnabled(), l.enabledUnselected) << "a refill drops the selection";
        QTest::mouseClick(items->viewport(), Qt::LeftButton, {},
                          items->visualRect(line()).center());
        EXPECT_TRUE(edit->isEnabled()) << "a click after a refill";

        host.events.clear();
        host.dialogScripts.push_back([](QDialog &d) { d.reject(); });
        QTest::keyClick(items, Qt::Key_Return);
        EXPECT_EQ(host.eventsOf("dialog:"), QStringList{l.dialog}) << "Return opens the line";
        host.dialogScripts.clear();
        frame->execute(CmCloseAll);
    }
}

TEST_F(WholeFrameTest, ReturnInTheWeekCalendarOpensTheSelectedAppointment)
{
    tView *week = open(CmWeekCalendar);
    QApplication::setActiveWindow(frame.get());
    const int day = (today.weekday() + 6) % 7; // the panes run from Monday
    auto *lines = week->findChild<QListWidget *>(QStringLiteral("lines%1").arg(day));
    ASSERT_TRUE(lines);
    int row = -1;
    for (int r = 0; r < lines->count(); ++r)
        if (lines->item(r)->text().contains(QStringLiteral("Erster"))) row = r;
    ASSERT_GE(row, 0);
    lines->setFocus();
    QTest::mouseClick(lines->viewport(), Qt::LeftButton, {},
                      lines->visualItemRect(lines->item(row)).center());
    host.dialogScripts.push_back([](QDialog &d) { d.reject(); });
    QTest::keyClick(lines, Qt::Key_Return);
    EXPECT_EQ(host.eventsOf("dialog:"), QStringList{"dialog:tDiaTermin"});
}
