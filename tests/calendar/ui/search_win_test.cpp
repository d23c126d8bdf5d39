// The search window in the main frame: opened by "Suchen..." (one at most), results as the user
// types, the keyboard path from the field into the list and into a result's dialog, the kind
// boxes, the refill on a notice, and another user's private appointment never shown.
#include <QCalendarWidget>
#include <QCheckBox>
#include <QLabel>
#include <QProcess>
#include <QTableView>
#include <QToolButton>
#include <QLineEdit>
#include <QTreeWidget>

#include "base/change_watch.h"
#include "shell/core/help_keywords.h"
#include "shell/ui/date_picker.h"
#include "widgets/calendar/search_win.h"
#include "views_ui_support.h"

using namespace velk;
using namespace velk::caltest;

namespace {

// Each row of the list as "Art|Datum|Eintrag"; a heading as its text alone.
QStringList shownRows(const QTreeWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = list->topLevelItem(i);
        if (item->text(1).isEmpty() && item->text(2).isEmpty())
            out << item->text(0);
        else
            out << item->text(0) + QLatin1Char('|') + item->text(1) + QLatin1Char('|') +
                       item->text(2);
    }
    return out;
}

class SearchWinTest : public ViewsUiTest {
protected:
    void SetUp() override
    {
        ViewsUiTest::SetUp();
        tViewOpeners &o = viewOpeners();
        o.group = [this](QWidget *, const std::string &id) { return record("group:" + id); };
        o.resource = [this](QWidget *, const std::string &id) { return record("resource:" + id); };
        o.project = [this](QWidget *, const std::string &id) { return record("project:" + id); };
        searchFrameSetup(*frame, *client);
        person("hans", "Hans", "M\xfcller", {3, 4, 1970});
        meeting =
            add("carl", termin("Planung", at(14, 5, 2025, 10), at(14, 5, 2025, 11), "", "Phans"));
        // dora's private appointment: carl may never see it, not even by the word.
        add("dora", termin("Mueller privat", at(15, 5, 2025, 9), at(15, 5, 2025, 10), "Pdora"));
        setCurrentUser("carl");
    }

    tSearchWin *openSearch()
    {
        run(CmSearch);
        auto *win = tSearchWin::openWindow();
        EXPECT_TRUE(win);
        return win;
    }
    // Types the word into the field and waits for the pause's search.
    void type(tSearchWin *win, const QString &word)
    {
        win->word()->clear();
        // A mark no search writes: gone once the pause's search has run.
        win->status()->setText(QStringLiteral("?"));
        QTest::keyClicks(win->word(), word);
        QTRY_VERIFY(win->status()->text() != QStringLiteral("?"));
    }
    QString focused() const
    {
        QWidget *w = QApplication::focusWidget();
        return w ? w->objectName() : QString();
    }
    bool record(std::string what)
    {
        opened.push_back(std::move(what));
        return answer;
    }

    tTermin meeting;
};

TEST_F(SearchWinTest, CommandOpensOneWindowWithTheCursorInItsField)
{
    EXPECT_TRUE(enabled(CmSearch));
    EXPECT_EQ(frame->action(CmSearch)->shortcut(), QKeySequence(QStringLiteral("Ctrl+F")));
    tSearchWin *win = openSearch();
    ASSERT_TRUE(win);
    EXPECT_EQ(win->windowTitle(), QStringLiteral("Suchen"));
    EXPECT_EQ(win->word()->placeholderText(), QStringLiteral("Suchbegriff"));
    QTRY_COMPARE(focused(), QStringLiteral("searchWord"));
    EXPECT_TRUE(win->status()->text().isEmpty());
    EXPECT_EQ(win->results()->topLevelItemCount(), 0);

    // Again: the same window comes to the front, its word selected for the next one.
    QTest::keyClicks(win->word(), QStringLiteral("abc"));
    win->results()->setFocus();
    run(CmSearch);
    EXPECT_EQ(client->views().size(), 1);
    EXPECT_EQ(client->activeView(), win);
    QTRY_COMPARE(focused(), QStringLiteral("searchWord"));
    EXPECT_EQ(win->word()->selectedText(), QStringLiteral("abc"));
    EXPECT_EQ(win->helpKeyword(), QString::fromUtf8(help::Search));
    QTest::keyClick(win->word(), Qt::Key_F1);
    EXPECT_TRUE(host.events.contains(QStringLiteral("help:keyword:Suchen")))
        << host.events.join(QLatin1Char('|')).toStdString();
}

TEST_F(SearchWinTest, TypingShowsTheSectionsAndLinesAfterThePause)
{
    tSearchWin *win = openSearch();
    type(win, QStringLiteral("mueller"));
    EXPECT_EQ(shownRows(win->results()),
              (QStringList{
                  QStringLiteral("Termine (1)"),
                  QStringLiteral("Termin|14.05.2025|10:00 Planung (Teilnehmer: Hans Müller)"),
                  QStringLiteral("Personen (1)"),
                  QStringLiteral("Person|03.04.1970|Hans Müller"),
              }));
    EXPECT_EQ(win->status()->text(), QStringLiteral("2 Treffer"));

    type(win, QStringLiteral("gibtsnicht"));
    EXPECT_EQ(win->results()->topLevelItemCount(), 0);
    EXPECT_EQ(win->status()->text(), QStringLiteral("Keine Treffer"));
    type(win, QStringLiteral("  "));
    EXPECT_TRUE(win->status()->text().isEmpty());
}

TEST_F(SearchWinTest, ReturnSearchesAtOnce)
{
    tSearchWin *win = openSearch();
    QTest::keyClicks(win->word(), QStringLiteral("planung"));
    QTest::keyClick(win->word(), Qt::Key_Return);
    // No wait: Return did not leave it to the timer.
    EXPECT_EQ(win->status()->text(), QStringLiteral("1 Treffer"));
}

TEST_F(SearchWinTest, KeysLeadFromTheFieldIntoEachResultsDialog)
{
    tSearchWin *win = openSearch();
    type(win, QStringLiteral("mueller"));
    struct Row {
        std::vector<Qt::Key> keys; // after Down from the field
        std::string opens;
    } rows[] = {
        {{}, "termin:" + std::string(meeting.ID)},
        {{Qt::Key_Down}, "person:hans"}, // over the heading "Personen (1)"
        {{Qt::Key_Down, Qt::Key_Down, Qt::Key_Up}, "termin:" + std::string(meeting.ID)},
    };
    for (const Row &r : rows) {
        opened.clear();
        win->focusWord();
        QTest::keyClick(win->word(), Qt::Key_Down);
        ASSERT_EQ(focused(), QStringLiteral("searchResults"));
        for (Qt::Key k : r.keys) QTest::keyClick(win->results(), k);
        QTest::keyClick(win->results(), Qt::Key_Return);
        EXPECT_EQ(opened, std::vector<std::string>{r.opens}) << r.opens;
    }
    // Up above the first result, and Escape, lead back to the field.
    QTest::keyClick(win->word(), Qt::Key_Down);
    QTest::keyClick(win->results(), Qt::Key_Up);
    EXPECT_EQ(focused(), QStringLiteral("searchWord"));
    QTest::keyClick(win->word(), Qt::Key_Down);
    QTest::keyClick(win->results(), Qt::Key_Escape);
    EXPECT_EQ(focused(), QStringLiteral("searchWord"));
    // A heading opens nothing.
    opened.clear();
    QTreeWidget *list = win->results();
    auto doubleClick = [list](int row) {
        const QPoint at = list->visualItemRect(list->topLevelItem(row)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    };
    doubleClick(2);
    EXPECT_TRUE(opened.empty());
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    doubleClick(3);
    EXPECT_EQ(opened, std::vector<std::string>{"person:hans"});
}

TEST_F(SearchWinTest, EveryKindOpensItsDialog)
{
    tGroup g;
    g.setId("chor");
    g.setTitle("Kirchenchor");
    ASSERT_EQ(g.insert(), tStoreStatus::Stored);
    resource("beamer");
    tProject p;
    p.setId("P1");
    p.setTitle("Umbau");
    ASSERT_EQ(p.insert(), tStoreStatus::Stored);
    task("T7", "Umbau planen", {1, 6, 2025});
    tSearchWin *win = openSearch();
    struct Row {
        const char *word;
        std::string opens;
    } rows[] = {
        {"kirchenchor", "group:chor"},
        {"beamer", "resource:beamer"},
        {"umbau", "project:P1"}, // projects come before tasks
        {"umbau planen", "task:T7"},
    };
    for (const Row &r : rows) {
        opened.clear();
        type(win, QString::fromLatin1(r.word));
        QTest::keyClick(win->word(), Qt::Key_Down);
        QTest::keyClick(win->results(), Qt::Key_Return);
        EXPECT_EQ(opened, std::vector<std::string>{r.opens}) << r.word;
    }
}

TEST_F(SearchWinTest, OkSendsTheNoticeAndTheWindowSearchesAgain)
{
    tSearchWin *win = openSearch();
    type(win, QStringLiteral("mueller"));
    QTest::keyClick(win->word(), Qt::Key_Down);
    QTest::keyClick(win->results(), Qt::Key_Down);
    ASSERT_TRUE(win->selectedHit());
    ASSERT_EQ(win->selectedHit()->id, "hans");
    // What the user stores in the person dialog: a second Müller.
    answer = true;
    viewOpeners().person = [this](QWidget *, const std::string &) {
        person("eva", "Eva", "Mueller", {});
        return true;
    };
    QTest::keyClick(win->results(), Qt::Key_Return);
    EXPECT_TRUE(shownRows(win->results()).contains(QStringLiteral("Personen (2)")));
    EXPECT_TRUE(shownRows(win->results()).contains(QStringLiteral("Person||Eva Mueller")));
    // Hans is still the selected result, though his row moved.
    ASSERT_TRUE(win->selectedHit());
    EXPECT_EQ(win->selectedHit()->id, "hans");
}

TEST_F(SearchWinTest, NoticesOfTheShownKindsRefill)
{
    tSearchWin *win = openSearch();
    type(win, QStringLiteral("mueller"));
    person("otto", "Otto", "M\xfcller-Ohm", {});
    sendNotice(client, tNotices::fromInt(NoticePersons));
    EXPECT_TRUE(shownRows(win->results()).contains(QStringLiteral("Personen (2)")));
    // Unchecking "Personen" drops that section.
    win->kindBox(tSearchKind::Person)->setChecked(false);
    EXPECT_EQ(shownRows(win->results()),
              (QStringList{
                  QStringLiteral("Termine (1)"),
                  QStringLiteral("Termin|14.05.2025|10:00 Planung (Teilnehmer: Hans Müller)"),
              }));
    EXPECT_EQ(win->status()->text(), QStringLiteral("1 Treffer"));
    win->kindBox(tSearchKind::Termin)->setChecked(false);
    EXPECT_EQ(win->results()->topLevelItemCount(), 0);
    EXPECT_EQ(win->status()->text(), QStringLiteral("Keine Treffer"));
}

TEST_F(SearchWinTest, TheDateRangeKeepsTheAppointmentsThatTouchIt)
{
    tSearchWin *win = openSearch();
    add("carl", termin("Planung Herbst", at(1, 10, 2025, 9), at(1, 10, 2025, 10)));
    setCurrentUser("carl");
    type(win, QStringLiteral("planung"));
    EXPECT_EQ(win->status()->text(), QStringLiteral("2 Treffer"));
    auto *from = win->findChild<QLineEdit *>(QStringLiteral("fromDay"));
    ASSERT_TRUE(from);
    EXPECT_FALSE(from->isEnabled()) << "off until Zeitraum is checked";
    win->findChild<QCheckBox *>(QStringLiteral("searchRange"))->setChecked(true);
    EXPECT_EQ(win->status()->text(),
              QStringLiteral("2 Treffer (Zeitraum unvollständig, nicht angewandt)"));
    const char *fields[][2] = {{"fromDay", "1"}, {"fromMonth", "9"}, {"fromYear", "2025"}};
    for (auto &f : fields) {
        auto *edit = win->findChild<QLineEdit *>(QString::fromLatin1(f[0]));
        ASSERT_TRUE(edit) << f[0];
        QTest::keyClicks(edit, QString::fromLatin1(f[1]));
    }
    // "bis" from the calendar beside its fields.
    auto *pick = win->findChild<QToolButton *>(QStringLiteral("pickTill"));
    ASSERT_TRUE(pick);
    QTest::mouseClick(pick, Qt::LeftButton);
    QCalendarWidget *calendar = openDatePicker(pick);
    ASSERT_TRUE(calendar);
    calendar->setSelectedDate(QDate(2025, 12, 31));
    QTest::keyClick(calendar->findChild<QTableView *>(), Qt::Key_Return);
    EXPECT_EQ(win->findChild<QLineEdit *>(QStringLiteral("tillYear"))->text(),
              QStringLiteral("2025"));
    QTRY_COMPARE(win->status()->text(), QStringLiteral("1 Treffer"));
    EXPECT_EQ(shownRows(win->results()).value(1),
              QStringLiteral("Termin|01.10.2025|09:00 Planung Herbst"));
}

TEST_F(SearchWinTest, AnotherUsersPrivateAppointmentNeverShows)
{
    tSearchWin *win = openSearch();
    for (const char *word : {"mueller privat", "privat", "mueller"}) {
        type(win, QString::fromLatin1(word));
        EXPECT_FALSE(
            shownRows(win->results()).join(QLatin1Char('\n')).contains(QStringLiteral("privat")))
            << word;
    }
    // Its author finds it.
    setCurrentUser("dora");
    type(win, QStringLiteral("privat"));
    EXPECT_EQ(win->status()->text(), QStringLiteral("1 Treffer"));
}

TEST_F(SearchWinTest, AnotherCopysAppointmentShowsByTheFollowTimer)
{
    setCurrentUser("root");
    tSearchWin *win = openSearch();
    type(win, QStringLiteral("jahresabschluss"));
    ASSERT_EQ(win->status()->text(), QStringLiteral("Keine Treffer"));
    // As the program does at its login: the watch looks once; each tick answers what changed.
    tChangeWatch watch;
    watch.check();
    client->setChangeCheck([&watch] { return watch.check(); });
    ASSERT_EQ(QProcess::execute(QStringLiteral(VELK_TOUR_FILL),
                                {QString::fromStdString(dir_.path()), QStringLiteral("2037")}),
              0);
    client->followTick();
    EXPECT_EQ(shownRows(win->results()),
              (QStringList{QStringLiteral("Termine (1)"),
                           QStringLiteral("Termin|28.12.2037|09:00 Jahresabschluss")}));
    client->setChangeCheck({});
}

} // namespace
