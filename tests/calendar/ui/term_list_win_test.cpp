// The appointment list in the main frame: opened from the menu, ten days over a year's end, the
// commands by the selected line's kind, and which notice bits refill it.
#include "widgets/calendar/term_list_win.h"
#include "views_ui_support.h"

using namespace velk;
using namespace velk::caltest;

namespace {

class TermListWinTest : public ViewsUiTest {
protected:
    void SetUp() override
    {
        ViewsUiTest::SetUp();
        person("erika", "Erika", "Muster", {28, 12, 1960});
        jahresabschluss =
            add("carl", termin("Jahresabschluss", at(30, 12, 2024, 10), at(30, 12, 2024, 12)));
        task("OLD", "Steuer", {13, 12, 2024});
        task("NEW", "Planung", {2, 1, 2025});
        setCurrentUser("carl");
    }
    tTermListWin *openList(const tDate &start, const tDate &today)
    {
        auto *view = new tTermListWin(start, today);
        client->addSubWindow(view)->show();
        return view;
    }
    void selectText(tTermListWin *win, const QString &text)
    {
        int row = int(shown(win->list()).indexOf(text));
        ASSERT_GE(row, 0) << text.toStdString();
        win->list()->setFocus();
        win->list()->selectLine(row);
    }

    tTermin jahresabschluss;
};

TEST_F(TermListWinTest, MenuOpensAListFromTodayEachTime)
{
    EXPECT_TRUE(enabled(CmAppointmentList));
    run(CmAppointmentList);
    run(CmAppointmentList);
    ASSERT_EQ(client->views().size(), 2);
    EXPECT_EQ(client->views().front()->windowTitle(),
              QStringLiteral("Terminlist ") + dateText(tDate::today()));
    EXPECT_EQ(client->views().front()->helpKeyword(), QStringLiteral("Terminliste"));
}

TEST_F(TermListWinTest, TenDaysOverTheYearEnd)
{
    tTermListWin *win = openList({25, 12, 2024}, {27, 12, 2024});
    EXPECT_EQ(win->windowTitle(), QStringLiteral("Terminlist 25.12.2024"));
    EXPECT_EQ(shown(win->list()), (QStringList{
                                      "! 25.12.2024: 1. Weihnachtstag",
                                      "! 26.12.2024: 2. Weihnachtstag",
                                      "# Steuer",
                                      "* 28.12.1960: Erika Muster",
                                      "> 30.12.2024 10:00 - Jahresabschluss",
                                      "! 1.1.2025: Neujahr",
                                      "# Planung",
                                  }));
}

TEST_F(TermListWinTest, CommandsFollowTheSelectedLine)
{
    tTermListWin *win = openList({25, 12, 2024}, {27, 12, 2024});
    struct Row {
        const char *line;
        bool enabled;
        std::string opens;   // by Ändern and by a double click
        std::string deletes; // what Löschen opens
    } rows[] = {
        {"# Steuer", false, "task:OLD", ""},
        {"! 1.1.2025: Neujahr", false, "", ""},
        {"* 28.12.1960: Erika Muster", true, "person:erika", "person:erika"},
        {"> 30.12.2024 10:00 - Jahresabschluss", true, "termin:" + std::string(jahresabschluss.ID),
         ""},
    };
    for (const Row &r : rows) {
        const QString text = QString::fromUtf8(r.line);
        selectText(win, text);
        frame->updateMenus();
        EXPECT_EQ(enabled(CmEdit), r.enabled) << r.line;
        EXPECT_EQ(enabled(CmDelete), r.enabled) << r.line;
        EXPECT_TRUE(enabled(CmNew));
        std::vector<std::string> want;
        if (r.enabled) {
            run(CmEdit);
            want.push_back(r.opens);
            EXPECT_EQ(opened, want) << r.line;
        }
        tLineList *list = win->list();
        int row = int(shown(list).indexOf(text));
        doubleClick(list, row);
        if (!r.opens.empty()) want.push_back(r.opens);
        EXPECT_EQ(opened, want) << "double click on " << r.line;
        if (!r.deletes.empty()) want.push_back(r.deletes);
        selectText(win, text);
        run(CmDelete);
        EXPECT_EQ(opened, want) << "Löschen on " << r.line;
        opened.clear();
    }
    // The appointment went at the last Löschen, without a question.
    tTermin t;
    EXPECT_FALSE(store.find(jahresabschluss.ID, t));
    EXPECT_FALSE(
        shown(win->list()).contains(QStringLiteral("> 30.12.2024 10:00 - Jahresabschluss")));
    EXPECT_TRUE(host.events.isEmpty()) << host.events.join(QLatin1Char('|')).toStdString();

    run(CmNew);
    EXPECT_EQ(opened, (std::vector<std::string>{"new:27.12.2024"})) << "today's date";
}

TEST_F(TermListWinTest, RefillsOnAppointmentsAndPersonsButNotOnTasksAlone)
{
    tTermListWin *win = openList({25, 12, 2024}, {27, 12, 2024});
    const QStringList before = shown(win->list());
    task("LATE", "Nachtrag", {27, 12, 2024});
    sendNotice(client, tNotices::fromInt(NoticeProjects));
    EXPECT_EQ(shown(win->list()), before) << "bit 8 alone";
    sendNotice(client, tNotices::fromInt(NoticeResources | NoticeAlarms));
    EXPECT_EQ(shown(win->list()), before);
    sendNotice(client, tNotices::fromInt(NoticeAppointments));
    EXPECT_TRUE(shown(win->list()).contains(QStringLiteral("# Nachtrag")));

    person("otto", "Otto", "Ohm", {3, 1, 1950});
    sendNotice(client, tNotices::fromInt(NoticePersons));
    EXPECT_EQ(shown(win->list()).last(), QStringLiteral("* 3.1.1950: Otto Ohm"));

    // An appointment stored through "Neu" reaches the list through the notice it sends.
    answer = true;
    whileOpen = [this] {
        add("carl", termin("Silvester", at(31, 12, 2024, 20), at(31, 12, 2024, 23)));
    };
    run(CmNew);
    EXPECT_TRUE(shown(win->list()).contains(QStringLiteral("> 31.12.2024 20:00 - Silvester")));
}

} // namespace
