// The week calendar in the main frame: its panes, the arrows, which day the commands mean, what
// a line opens, deleting, the notices between open views, and a rendered week.
#include <QImage>
#include <QLabel>

#include "btree/btree.h"
#include "widgets/calendar/term_list_win.h"
#include "widgets/calendar/week_view_win.h"
#include "tests/app/views_test_support.h"
#include "views_ui_support.h"

using namespace velk;
using namespace velk::caltest;

namespace {

class WeekWinTest : public ViewsUiTest {
protected:
    void SetUp() override
    {
        ViewsUiTest::SetUp();
        person("gabi", "Gabi", "Gans", {3, 6, 1970});
        person("hans", "Hans", "Huhn", {3, 6, 0});
        person("ida", "Ida", "Igel", {4, 6, 1980});
        zahnarzt = add("carl", termin("Zahnarzt", at(3, 6, 2024, 9), at(3, 6, 2024, 10)));
        besprechung = add("carl", termin("Besprechung", at(3, 6, 2024, 8, 30), at(3, 6, 2024, 9)));
        task("T1", "Bericht", {4, 6, 2024});
        setCurrentUser("carl");
    }

    tWeekWin *openWeek(const tDate &today = {3, 6, 2024})
    {
        return open<tWeekWin>(ViewWeekCalendar, today);
    }
    void activate(tView *view)
    {
        client->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(view->parentWidget()));
    }
    // The user clicks into the day's list and on a line (row -1: none).
    void pick(tWeekWin *week, int day, int row)
    {
        activate(week);
        week->dayList(day)->setFocus();
        ASSERT_EQ(week->focusedDay(), day);
        week->dayList(day)->selectLine(row);
    }
    static QStringList headings(tWeekWin *week)
    {
        QStringList out;
        for (int i = 0; i < kWeekDays; i++) out << week->heading(i)->text();
        return out;
    }

    tTermin zahnarzt, besprechung;
};

TEST_F(WeekWinTest, MenuOpensTodaysWeekAndTheArrowsMoveIt)
{
    EXPECT_TRUE(enabled(CmWeekCalendar));
    run(CmWeekCalendar);
    run(CmWeekCalendar);
    ASSERT_EQ(client->views().size(), 2) << "every call opens a window of its own";
    auto *today = qobject_cast<tWeekWin *>(client->views().front());
    ASSERT_TRUE(today);
    EXPECT_EQ(today->windowTitle(), QStringLiteral("Wochenkalender"));
    EXPECT_EQ(today->start(), weekStart(tDate::today()));
    EXPECT_EQ(today->helpKeyword(), QStringLiteral("Wochenkalender"));

    tWeekWin *week = openWeek({24, 12, 2024});
    EXPECT_EQ(headings(week).first(), QStringLiteral("23.12.2024"));
    EXPECT_EQ(headings(week)[2], QStringLiteral("25.12.2024 1. Weihnachtstag"));
    struct Row {
        int command;
        const char *caption;
        QStringList headings;
    } rows[] = {
        {CmForward,
         "Wochenkalender 30.12.2024",
         {"30.12.2024", "31.12.2024", "01.01.2025 Neujahr", "02.01.2025", "03.01.2025",
          "04.01.2025", "05.01.2025"}},
        {CmForward,
         "Wochenkalender 6.1.2025",
         {"06.01.2025 Hl. 3 K\u00f6nige", "07.01.2025", "08.01.2025", "09.01.2025", "10.01.2025",
          "11.01.2025", "12.01.2025"}},
        {CmBack,
         "Wochenkalender 30.12.2024",
         {"30.12.2024", "31.12.2024", "01.01.2025 Neujahr", "02.01.2025", "03.01.2025",
          "04.01.2025", "05.01.2025"}},
        {CmBack,
         "Wochenkalender 23.12.2024",
         {"23.12.2024", "24.12.2024", "25.12.2024 1. Weihnachtstag", "26.12.2024 2. Weihnachtstag",
          "27.12.2024", "28.12.2024", "29.12.2024"}},
    };
    for (const Row &r : rows) {
        EXPECT_TRUE(enabled(r.command));
        run(r.command);
        EXPECT_EQ(week->windowTitle(), QString::fromUtf8(r.caption));
        EXPECT_EQ(headings(week), r.headings) << r.caption;
    }
    EXPECT_EQ(today->windowTitle(), QStringLiteral("Wochenkalender")) << "only the active one";
}

TEST_F(WeekWinTest, EachPaneShowsItsDaysLines)
{
    tWeekWin *week = openWeek({2, 6, 2024}); // a Sunday opens the week that follows it
    ASSERT_EQ(week->start(), (tDate{3, 6, 2024}));
    EXPECT_EQ(
        shown(week->dayList(0)),
        (QStringList{"* Gabi Gans", "* Hans Huhn", "> 08:30 - Besprechung", "> 09:00 - Zahnarzt"}));
    EXPECT_EQ(shown(week->dayList(1)), (QStringList{"* Ida Igel", "# Bericht"}));
    for (int day = 2; day < kWeekDays; day++) EXPECT_EQ(week->dayList(day)->count(), 0) << day;
    EXPECT_EQ(week->heading(0)->text(), QStringLiteral("03.06.2024"));
    EXPECT_EQ(week->dayList(0)->lines()[2].key, std::string(besprechung.ID));
}

TEST_F(WeekWinTest, TheFocusedDayDecidesNeu)
{
    tWeekWin *week = openWeek();
    EXPECT_EQ(week->focusedDay(), -1) << "a window just opened means no day";
    struct Row {
        int day;
        tDate date;
    } rows[] = {{2, {5, 6, 2024}}, {6, {9, 6, 2024}}, {-1, tDate::today()}, {0, {3, 6, 2024}}};
    for (const Row &r : rows) {
        if (r.day >= 0)
            pick(week, r.day, -1);
        else
            week->setFocus(); // a click beside the lists
        ASSERT_EQ(week->focusedDay(), r.day);
        menuTakesFocus(QApplication::focusWidget());
        run(CmNew);
        ASSERT_FALSE(opened.empty());
        EXPECT_EQ(opened.back(), "new:" + dateText(r.date).toStdString()) << r.day;
        EXPECT_EQ(newFrom, newTill);
        EXPECT_EQ(newFrom.hour * 60 + newFrom.minute, 0);
    }
    EXPECT_EQ(opened.size(), 4u);

    // Another day's list takes the focus: the first forgets its focus and its selection.
    pick(week, 0, 1);
    ASSERT_TRUE(week->dayList(0)->selectedLine());
    menuTakesFocus(week->dayList(0));
    EXPECT_EQ(week->focusedDay(), 0) << "a menu does not take the day away";
    EXPECT_TRUE(week->dayList(0)->selectedLine());
    pick(week, 3, -1);
    EXPECT_FALSE(week->dayList(0)->focused());
    EXPECT_FALSE(week->dayList(0)->selectedLine());
}

TEST_F(WeekWinTest, AendernAndADoubleClickOpenTheSelectedLinesRecord)
{
    tWeekWin *week = openWeek();
    struct Row {
        int day, row;
        std::string opens;
    } rows[] = {
        {0, 0, "person:gabi"},
        {0, 2, "termin:" + std::string(besprechung.ID)},
        {0, 3, "termin:" + std::string(zahnarzt.ID)},
        {1, 1, "task:T1"},
    };
    for (const Row &r : rows) {
        pick(week, r.day, r.row);
        run(CmEdit);
        ASSERT_EQ(opened.size(), 1u) << r.opens;
        EXPECT_EQ(opened.back(), r.opens);
        opened.clear();
        TMyListBox *list = week->dayList(r.day);
        doubleClick(list, r.row);
        ASSERT_EQ(opened.size(), 1u) << "double click on " << r.opens;
        EXPECT_EQ(opened.back(), r.opens);
        opened.clear();
    }
    pick(week, 0, -1);
    run(CmEdit);
    EXPECT_TRUE(opened.empty()) << "no line selected";

    tTask gone;
    ASSERT_TRUE(gone.find("T1"));
    ASSERT_EQ(gone.remove(), tStoreStatus::Stored);
    pick(week, 1, 1);
    run(CmEdit);
    EXPECT_TRUE(opened.empty()) << "the task is gone";

    // The person dialog ends with OK after a change: the week shows it at once.
    answer = true;
    whileOpen = [] {
        tPerson p;
        ASSERT_TRUE(p.find("gabi"));
        p.setChrName("Gabriele");
        ASSERT_EQ(p.update("gabi"), tStoreStatus::Stored);
    };
    pick(week, 0, 0);
    run(CmEdit);
    EXPECT_EQ(shown(week->dayList(0)).first(), QStringLiteral("* Gabriele Gans"));
}

TEST_F(WeekWinTest, LoeschenDeletesTheAppointmentAtOnceAndEveryViewRefills)
{
    tWeekWin *a = openWeek(), *b = openWeek();
    tTermListWin *list = open<tTermListWin>(ViewAppointmentList, {1, 6, 2024});
    const QString listed = QStringLiteral("> 3.6.2024 09:00 - Zahnarzt");
    ASSERT_TRUE(shown(list->list()).contains(listed));

    // Birthdays are not deleted here: the person opens; a task line and no line do nothing.
    for (int row : {0, -1}) {
        pick(a, 0, row);
        run(CmDelete);
    }
    pick(a, 1, 1);
    run(CmDelete);
    EXPECT_EQ(opened, (std::vector<std::string>{"person:gabi"}));
    a->setFocus();
    a->dayList(0)->selectLine(3);
    run(CmDelete);
    tTermin t;
    EXPECT_TRUE(store.find(zahnarzt.ID, t)) << "no day focused: nothing";

    pick(a, 0, 3);
    ASSERT_EQ(a->dayList(0)->selectedLine()->text, "> 09:00 - Zahnarzt");
    run(CmDelete);
    EXPECT_FALSE(store.find(zahnarzt.ID, t));
    EXPECT_TRUE(host.events.isEmpty())
        << "no question, no message: " << host.events.join(QLatin1Char('|')).toStdString();
    const QStringList monday{"* Gabi Gans", "* Hans Huhn", "> 08:30 - Besprechung"};
    EXPECT_EQ(shown(a->dayList(0)), monday);
    EXPECT_EQ(shown(b->dayList(0)), monday);
    EXPECT_FALSE(shown(list->list()).contains(listed));
}

TEST_F(WeekWinTest, AFailedDeleteIsShownAndTheLineStays)
{
    tWeekWin *week = openWeek();
    QStringList notices;
    client->addSubWindow(new apptest::TestView("spy", NoticeAppointments, {}, &notices))->show();
    // One storage call fails, the nth, for n = 1, 2, ...: a failure while the appointment is
    // looked up does nothing; the first later one must leave the appointment, tell the user,
    // and tell no view that it went.
    for (int nth = 1; host.messages.empty(); nth++) {
        ASSERT_LT(nth, 1000);
        pick(week, 0, 3);
        lioIoFault(nth, EIO, 0);
        run(CmDelete);
        lioIoFault(-1, 0, 0);
        tTermin t;
        ASSERT_TRUE(store.find(zahnarzt.ID, t)) << "deleted; failing call " << nth;
        ASSERT_TRUE(notices.isEmpty()) << "reported as deleted; failing call " << nth;
    }
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, QStringLiteral("Fehler beim L\u00f6schen"));
    EXPECT_TRUE(shown(week->dayList(0)).contains(QStringLiteral("> 09:00 - Zahnarzt")));
}

TEST_F(WeekWinTest, TwoWeekCalendarsBothRefreshAfterAnAppointmentIsStoredFromEither)
{
    tWeekWin *a = openWeek(), *b = openWeek();
    answer = true;
    whileOpen = [this] { add("carl", termin("Neu A", at(5, 6, 2024, 10), at(5, 6, 2024, 11))); };
    pick(a, 2, -1);
    run(CmNew);
    EXPECT_EQ(opened, (std::vector<std::string>{"new:5.6.2024"}));
    for (tWeekWin *w : {a, b})
        EXPECT_EQ(shown(w->dayList(2)), (QStringList{"> 10:00 - Neu A"})) << w;

    whileOpen = [this] {
        tTermin t = besprechung;
        t.setTitle("Beratung");
        ASSERT_EQ(store.update(besprechung.ID, t), tStoreStatus::Stored);
    };
    pick(b, 0, 2);
    run(CmEdit);
    for (tWeekWin *w : {a, b})
        EXPECT_EQ(shown(w->dayList(0))[2], QStringLiteral("> 08:30 - Beratung")) << w;

    // The notice: appointments (1) and persons (4) refill the lists, other bits do not.
    whileOpen = nullptr;
    person("jan", "Jan", "Jahn", {7, 6, 1999});
    for (int bits : {NoticeResources, NoticeProjects, NoticeAlarms}) {
        sendNotice(client, tNotices::fromInt(bits));
        EXPECT_EQ(a->dayList(4)->count(), 0) << bits;
    }
    sendNotice(client, tNotices::fromInt(NoticePersons));
    for (tWeekWin *w : {a, b}) EXPECT_EQ(shown(w->dayList(4)), (QStringList{"* Jan Jahn"}));
}

// A week rendered: Monday to Thursday in the left half, Friday to Sunday in the right one, a
// quarter of the height each, the lower right quarter empty.
TEST_F(WeekWinTest, RenderedWeekLaysTheDaysOutInTwoColumns)
{
    tWeekWin week({3, 6, 2024});
    week.resize(800, 600);
    week.show();
    QImage image = week.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(image.size(), QSize(800, 600));
    auto darkPixels = [&](QRect r) {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); y++)
            for (int x = r.left(); x <= r.right(); x++) n += qGray(image.pixel(x, y)) < 96;
        return n;
    };
    const int line = week.heading(0)->fontMetrics().height();
    for (int i = 0; i < kWeekDays; i++) {
        QRect pane(QPoint((i / 4) * 400, (i % 4) * 150), QSize(400, 150));
        EXPECT_EQ(week.heading(i)->parentWidget()->geometry(), pane) << i;
        EXPECT_GT(darkPixels(QRect(pane.topLeft(), QSize(400, line))), 20) << "heading " << i;
        EXPECT_EQ(week.dayList(i)->parentWidget()->mapTo(&week, week.dayList(i)->pos()),
                  pane.topLeft() + QPoint(0, line));
    }
    QRect monday =
        week.dayList(0)->viewport()->geometry().translated(0, line).adjusted(2, 2, -2, -2);
    EXPECT_GT(darkPixels(monday), 100) << "Monday's lines";
    QRect sunday(QPoint(404, 300 + line + 4), QSize(390, 150 - line - 10));
    EXPECT_EQ(darkPixels(sunday), 0) << "Sunday has no lines";
    const QRgb corner = image.pixel(799, 599);
    int other = 0;
    for (int y = 452; y < 600; y++)
        for (int x = 402; x < 800; x++) other += image.pixel(x, y) != corner;
    EXPECT_EQ(other, 0) << "the lower right quarter stays empty";
}

} // namespace
