// The selection list as a dialog: its lines in day and range mode, and what OK does, also to
// the other open views.
#include "shell/core/commands.h"
#include "btree/btree.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/mdi_client.h"
#include "widgets/calendar/dia_list.h"
#include "widgets/calendar/plan_frame.h"
#include "widgets/calendar/month_planner_win.h"
#include "views/print_pages.h"
#include "plan_ui_support.h"
#include "tests/app/views_test_support.h"

#include <QMdiSubWindow>

using namespace velk;
using namespace velk::caltest;

namespace {

using DiaListTest = PlanUiTest;

TEST_F(DiaListTest, DayModeListsHolidayBirthdaysThenAppointments)
{
    tTermin party = add("carl", termin("Feier", at(25, 12, 2024, 18), at(25, 12, 2024, 22)));
    person("gabi", "Gabi", "Gans", {25, 12, 1970}, "0711 2");
    person("hans", "Hans", "Huhn", {25, 12, 1960});
    setCurrentUser("carl");
    QString title;
    QStringList lines;
    host.dialogScripts.push_back(chooseLine(&title, &lines, -1, "buttonCancel"));
    EXPECT_FALSE(tDiaList::run(nullptr, tDate{25, 12, 2024}));
    EXPECT_EQ(title, QStringLiteral("25.12.2024"));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("! 25.12.2024: "))) << lines[0].toStdString();
    EXPECT_EQ(lines[1], QStringLiteral("* 25.12 Gabi Gans Tel: 0711 2 [gabi]"));
    EXPECT_EQ(lines[2], QStringLiteral("* 25.12 Hans Huhn Tel:  [hans]"));
    EXPECT_EQ(lines[3], QStringLiteral("> 25.12.2024 18:00-22:00 Feier"));

    // A range from 14:00 lists no birthdays; one from 0:00 does.
    tTermin range = termin("", at(25, 12, 2024, 14), at(25, 12, 2024, 19));
    host.dialogScripts.push_back(chooseLine(&title, &lines, -1, "buttonCancel"));
    EXPECT_FALSE(tDiaList::run(nullptr, &range, SelectChange));
    EXPECT_EQ(title, QStringLiteral("\u00c4ndern"));
    EXPECT_EQ(lines, QStringList{QStringLiteral("> 25.12.2024 18:00-22:00 Feier")});
    range.from.hour = 0;
    host.dialogScripts.push_back(chooseLine(&title, &lines, -1, "buttonCancel"));
    tDiaList::run(nullptr, &range, SelectDelete);
    EXPECT_EQ(title, QStringLiteral("L\u00f6schen"));
    EXPECT_EQ(lines.size(), 3);
    EXPECT_FALSE(tDiaList::run(nullptr, nullptr, SelectChange)) << "no range, no dialog";
    EXPECT_EQ(host.eventsOf(QStringLiteral("dialog:")).size(), 3);
    (void)party;
}

TEST_F(DiaListTest, OkOnEachKindOfLine)
{
    tTermin party = add("carl", termin("Feier", at(25, 12, 2024, 18), at(25, 12, 2024, 22)));
    person("gabi", "Gabi", "Gans", {25, 12, 1970});
    setCurrentUser("carl");
    struct Row {
        const char *what;
        int line;    // -1: none selected
        bool answer; // what the opener answers
        std::vector<std::string> calls;
    } rows[] = {
        {"the holiday line", 0, true, {}},
        {"no line", -1, true, {}},
        {"a birthday", 1, true, {"person gabi"}},
        {"an appointment", 2, true, {"termin " + std::string(party.ID)}},
        {"an appointment, cancelled", 2, false, {"termin " + std::string(party.ID)}},
    };
    for (const Row &r : rows) {
        openers.calls.clear();
        openers.answer = r.answer;
        host.dialogScripts.push_back(chooseLine(nullptr, nullptr, r.line));
        EXPECT_TRUE(tDiaList::run(nullptr, tDate{25, 12, 2024})) << r.what << ": closes with OK";
        EXPECT_EQ(openers.calls, r.calls) << r.what;
    }
    tTermin still;
    EXPECT_TRUE(store.find(party.ID, still)) << "change mode deletes nothing";

    // A line whose appointment has gone meanwhile does nothing.
    host.dialogScripts.push_back([&](QDialog &d) {
        ASSERT_EQ(store.remove(party), 0);
        chooseLine(nullptr, nullptr, 2)(d);
    });
    openers.calls.clear();
    tTermin range = termin("", at(25, 12, 2024, 0), at(25, 12, 2024, 23, 59));
    EXPECT_TRUE(tDiaList::run(nullptr, &range, SelectDelete));
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(DiaListTest, DeletingTellsEveryOpenView)
{
    tTermin meeting = add("carl", termin("Sitzung", at(3, 3, 2024, 9), at(3, 3, 2024, 10)));
    tTermin lunch = add("carl", termin("Mittag", at(3, 3, 2024, 12), at(3, 3, 2024, 13)));
    setCurrentUser("carl");
    auto *client = new TMyMDIClient;
    tMainFrame frame(client);
    calendarPlanFrameSetup(frame, *client);
    frame.resize(900, 700);
    frame.show();
    QStringList log;
    client->registerView(900, [&](const tViewArgs &) -> tView * {
        return new apptest::TestView(QStringLiteral("other"), NoticeAppointments, {}, &log);
    });
    client->createView(900, {});
    client->setNextViewType(ViewMonthPlan);
    auto *first =
        qobject_cast<tCalPlanerWin *>(client->createView(ViewMonthPlan, {{1, 3, 2024}, 2024}));
    auto *second =
        qobject_cast<tCalPlanerWin *>(client->createView(ViewMonthPlan, {{1, 3, 2024}, 2024}));
    ASSERT_TRUE(first && second);
    auto barsOf = [](tCalPlanerWin *w) {
        int n = 0;
        for (const tShape &s : w->shapes()) n += s.role == tShape::Bar;
        return n;
    };
    EXPECT_EQ(barsOf(second), 2);

    QStringList lines;
    host.dialogScripts.push_back(chooseLine(nullptr, &lines, 1));
    tTermin range = termin("", at(3, 3, 2024, 0), at(3, 3, 2024, 23, 59));
    EXPECT_TRUE(tDiaList::run(first, &range, SelectDelete));
    EXPECT_EQ(lines[1], QStringLiteral("> 3.3.2024 12:00-13:00 Mittag"));
    tTermin gone;
    EXPECT_FALSE(store.find(lunch.ID, gone));
    EXPECT_TRUE(store.find(meeting.ID, gone));
    EXPECT_FALSE(log.isEmpty()) << "the other view heard of it";
    EXPECT_EQ(barsOf(first), 1);
    EXPECT_EQ(barsOf(second), 1);
}

// One storage call of the deletion fails, the nth, for n = 1, 2, ...: the appointment is never
// reported as deleted while it is still there, and the first failure that keeps it is shown.
TEST_F(DiaListTest, ADeletionThatFailsIsShownAndTheAppointmentStays)
{
    tTermin lunch = add("carl", termin("Mittag", at(3, 3, 2024, 12), at(3, 3, 2024, 13)));
    setCurrentUser("carl");
    tViewAction remove;
    remove.kind = tViewAction::DeleteTermin;
    remove.key = lunch.ID;
    for (int nth = 1; host.messages.empty(); nth++) {
        ASSERT_LT(nth, 1000);
        lioIoFault(nth, EIO, 0);
        const bool deleted = runViewAction(nullptr, remove);
        lioIoFault(-1, 0, 0);
        tTermin t;
        const bool there = store.find(lunch.ID, t);
        ASSERT_FALSE(deleted && there) << "reported as deleted; failing call " << nth;
        ASSERT_TRUE(there || deleted) << "gone unreported; failing call " << nth;
        if (!there) break;
    }
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, QStringLiteral("Fehler beim L\u00f6schen"));
}

TEST_F(DiaListTest, TheMenuOpensPlannerAndPlan)
{
    auto *client = new TMyMDIClient;
    tMainFrame frame(client);
    calendarPlanFrameSetup(frame, *client);
    frame.updateMenus();
    frame.resize(900, 700);
    frame.show();
    ASSERT_TRUE(frame.action(CmMonthPlan)->isEnabled());
    ASSERT_TRUE(frame.action(CmOccupancy)->isEnabled());
    frame.execute(CmMonthPlan);
    frame.execute(CmOccupancy);
    frame.execute(CmMonthPlan);
    QList<tView *> views = client->views();
    ASSERT_EQ(views.size(), 3) << "several of each kind";
    tDate today = tDate::today();
    EXPECT_EQ(views[0]->windowTitle(), QString::asprintf("Planer %d %4d", today.month, today.year));
    EXPECT_EQ(views[1]->windowTitle(), QString::asprintf("Belegung %4d", today.year));
    client->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(views[1]->parentWidget()));
    frame.updateMenus();
    frame.execute(CmBack);
    EXPECT_EQ(views[1]->windowTitle(), QString::asprintf("Belegung %4d", today.year - 1));
    EXPECT_EQ(views[1]->helpKeyword(), QStringLiteral("Belegungsplan"));
    EXPECT_EQ(views[0]->helpKeyword(), QStringLiteral("Monatsplan"));
}

// "Drucken..." shows the dialog's lines as a table in the preview (the recorder's) and leaves
// the dialog open; the heading names the list, the dialog's title, the user and the time.
TEST_F(DiaListTest, PrintShowsTheLinesInThePreview)
{
    tTermin party = add("carl", termin("Feier", at(25, 12, 2026, 18), at(25, 12, 2026, 22)));
    person("gabi", "Gabi", "Gans", {25, 12, 1970}, "0711 2");
    for (int i = 0; i < 50; i++) // 25 minutes apart, 20 minutes long
        add("carl", termin("Dienst", at(27, 12, 2026, i * 25 / 60, i * 25 % 60),
                           at(27, 12, 2026, (i * 25 + 20) / 60, (i * 25 + 20) % 60)));
    setCurrentUser("carl");
    using Rows = std::vector<std::vector<std::string>>;
    const Rows christmas = {{"Feiertag", "25.12.2026: 1. Weihnachtstag"},
                            {"Geburtstag", "25.12 Gabi Gans Tel: 0711 2 [gabi]"},
                            {"Termin", "25.12.2026 18:00-22:00 Feier"}};
    tTermin range = termin("", at(25, 12, 2026, 0), at(25, 12, 2026, 23, 59));
    struct Row {
        const char *what;
        std::function<bool()> run;
        std::string range;
        std::size_t pages, lastRows;
        Rows first; // the first rows of the first page
    } rows[] = {
        {"day mode",
         [] {
             return tDiaList::run(nullptr, tDate{25, 12, 2026});
         },
         "25.12.2026", 1, 3, christmas},
        {"range mode", [&] { return tDiaList::run(nullptr, &range, SelectDelete); }, "L\xF6schen",
         1, 2, Rows(christmas.begin() + 1, christmas.end())},
        {"a day of 50 appointments",
         [] {
             return tDiaList::run(nullptr, tDate{27, 12, 2026});
         },
         "27.12.2026",
         2,
         50 - 47,
         {{"Termin", "27.12.2026 00:00-00:20 Dienst"}}},
    };
    const std::string today = printDate(tDate::today());
    for (const Row &r : rows) {
        host.printed.clear();
        host.events.clear();
        host.dialogScripts.push_back([](QDialog &d) {
            pressButton(d, "buttonPrint");
            EXPECT_TRUE(d.isVisible()) << "printing leaves the dialog open";
            pressButton(d, "buttonCancel");
        });
        EXPECT_FALSE(r.run()) << r.what;
        ASSERT_EQ(host.printed.size(), 1u) << r.what;
        EXPECT_TRUE(host.eventsOf(QStringLiteral("print:")).isEmpty()) << r.what;
        const tPrintDoc &doc = *host.printed.front();
        EXPECT_EQ(doc.title, "Auswahlliste " + r.range) << r.what;
        EXPECT_EQ(doc.heading.view, "Auswahlliste");
        EXPECT_EQ(doc.heading.user, "carl");
        EXPECT_EQ(doc.heading.printedAt.substr(0, 10), today);
        ASSERT_EQ(doc.pages.size(), r.pages) << r.what;
        for (const tPrintPage &page : doc.pages) {
            EXPECT_EQ(page.range, r.range) << r.what;
            ASSERT_EQ(page.columns.size(), 2u);
            EXPECT_EQ(page.columns[0].title, "Art");
            EXPECT_EQ(page.columns[1].title, "Eintrag");
        }
        EXPECT_EQ(doc.pages.back().rows.size(), r.lastRows) << r.what;
        const Rows &shown = doc.pages.front().rows;
        ASSERT_GE(shown.size(), r.first.size()) << r.what;
        EXPECT_EQ(Rows(shown.begin(), shown.begin() + long(r.first.size())), r.first) << r.what;
    }
    (void)party;
}

} // namespace
