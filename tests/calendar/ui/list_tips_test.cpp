// The listing windows' tooltips, asked for as the resting pointer does (week calendar,
// appointment list, selection list, alarm list); today's pane and "Heute" in the week calendar;
// the desk states of the week calendar and the appointment list.
#include <QLabel>
#include <QListWidget>

#include "calendar/alarm.h"
#include "shell/ui/tab_list.h"
#include "widgets/calendar/alarm_list_win.h"
#include "widgets/calendar/dia_list.h"
#include "widgets/calendar/term_list_win.h"
#include "widgets/calendar/week_view_win.h"
#include "views/term_list.h"
#include "views/view_lines.h"
#include "tip_support.h"
#include "views_ui_support.h"

using namespace velk;
using namespace velk::caltest;

namespace {

class ListTipsTest : public ViewsUiTest {
protected:
    void SetUp() override
    {
        ViewsUiTest::SetUp();
        person("gabi", "Gabi", "Gans", {3, 6, 1970});
        zahnarzt =
            add("carl", termin("Zahnarzt", at(3, 6, 2024, 9), at(3, 6, 2024, 10), "", "Gteam"));
        // For everybody when the views are filled; anna makes it private afterwards.
        geheim = add("anna", termin("Geheim", at(3, 6, 2024, 11), at(3, 6, 2024, 12), "", "Pbert"));
        task("T1", "Bericht", {4, 6, 2024});
        setCurrentUser("carl");
    }
    void makeGeheimPrivate()
    {
        setCurrentUser("anna");
        geheim.setRead("Panna");
        ASSERT_EQ(store.update(geheim.ID, geheim), tStoreStatus::Stored);
        setCurrentUser("carl");
    }
    static QPoint lineCentre(QListWidget *list, int row)
    {
        return list->visualItemRect(list->item(row)).center();
    }
    static QString lineTipAt(QListWidget *list, int row)
    {
        return tipAt(list->viewport(), lineCentre(list, row));
    }

    tTermin zahnarzt, geheim;
};

const QString kZahnarzt =
    QStringLiteral("03.06.2024 09:00 - 10:00\nZahnarzt\nTeilnehmer: Team (anna, bert)");

TEST_F(ListTipsTest, WeekLinesAndHeadingsTellWhatTheyShow)
{
    tWeekWin week({3, 6, 2024});
    week.resize(800, 600);
    week.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&week));
    TMyListBox *monday = week.dayList(0);
    ASSERT_EQ(shown(monday),
              (QStringList{"* Gabi Gans", "> 09:00 - Zahnarzt", "> 11:00 - Geheim"}));
    makeGeheimPrivate(); // the list is not refilled yet
    struct Row {
        QWidget *widget;
        QPoint pos;
        QString tip;
    } rows[] = {
        {monday->viewport(), lineCentre(monday, 0), "Geburtstag: Gabi Gans, 54 Jahre"},
        {monday->viewport(), lineCentre(monday, 1), kZahnarzt},
        {monday->viewport(), lineCentre(monday, 2), "03.06.2024 11:00 - 12:00\nbelegt"},
        {week.dayList(1)->viewport(), lineCentre(week.dayList(1), 0),
         QString::fromUtf8("Aufgabe: Bericht\nProjekt: P1\nfällig: 04.06.2024")},
        {monday->viewport(), QPoint(5, monday->viewport()->height() - 3), ""}, // below the lines
        {week.heading(0), QPoint(5, 5), "Montag, 03.06.2024"},
        {week.heading(6), QPoint(5, 5), "Sonntag, 09.06.2024"},
    };
    for (const Row &r : rows) EXPECT_EQ(tipAt(r.widget, r.pos), r.tip) << r.tip.toStdString();
    const QString hidden = lineTipAt(monday, 2);
    EXPECT_FALSE(hidden.contains(QStringLiteral("Geheim")));
    EXPECT_FALSE(hidden.contains(QStringLiteral("bert")));

    tWeekWin newYear({1, 1, 2025});
    EXPECT_EQ(newYear.heading(2)->toolTip(), QStringLiteral("Mittwoch, 01.01.2025\nNeujahr"));
}

TEST_F(ListTipsTest, AppointmentListSelectionListAndAlarmList)
{
    person("erika", "Erika", "Muster", {1, 1, 1960});
    tTermListWin list({1, 1, 2025}, {1, 1, 2025});
    list.resize(420, 360);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    ASSERT_GE(list.list()->count(), 2);
    EXPECT_EQ(lineTipAt(list.list(), 0), QStringLiteral("Mittwoch, 01.01.2025\nNeujahr"));
    EXPECT_EQ(lineTipAt(list.list(), 1), QStringLiteral("Geburtstag: Erika Muster, 65 Jahre"));

    tHolidayCache holidays;
    tDiaList dialog(nullptr, selectionOfDay({3, 6, 2024}, holidays));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto *lines = dialog.findChild<QListWidget *>(QStringLiteral("listLines"));
    ASSERT_TRUE(lines);
    ASSERT_EQ(lines->count(), 3);
    makeGeheimPrivate();
    EXPECT_EQ(lineTipAt(lines, 0), QStringLiteral("Geburtstag: Gabi Gans, 54 Jahre"));
    EXPECT_EQ(lineTipAt(lines, 1), kZahnarzt);
    EXPECT_EQ(lineTipAt(lines, 2), QStringLiteral("03.06.2024 11:00 - 12:00\nbelegt"));

    tAlarm a;
    a.setMessage("Bohren");
    a.when = at(3, 6, 2024, 8, 30);
    a.setWith(std::string("T") + zahnarzt.ID);
    ASSERT_EQ(tAlarmStore::instance().send(a).status, tStoreStatus::Stored);
    tAlarmListWin alarms;
    alarms.resize(420, 220);
    alarms.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&alarms));
    tTabList *tabs = alarms.list();
    ASSERT_EQ(tabs->lines()->count(), 1);
    const QPoint first = tabs->visualRect(tabs->lines()->index(0, 0)).center();
    EXPECT_EQ(tipAt(tabs->viewport(), first),
              QStringLiteral("Alarm: 03.06.2024 08:30\nBohren\n\nTermin: ") + kZahnarzt);
    EXPECT_EQ(tipAt(tabs->viewport(), QPoint(5, tabs->viewport()->height() - 3)), QString());
}

// Today's heading is tinted in the highlight colour while its week is shown; "Heute" brings
// the week back.
TEST_F(ListTipsTest, TodaysPaneIsMarkedAndHeuteShowsItsWeek)
{
    const tDate today = tDate::today();
    tWeekWin *week = open<tWeekWin>(ViewWeekCalendar, today);
    week->parentWidget()->resize(800, 600);
    QTest::qWait(10);
    const QColor highlight = week->palette().color(QPalette::Highlight);
    ASSERT_NE(highlight, week->palette().color(QPalette::Window));
    // The right end of each heading, where no text is.
    auto tinted = [&] {
        std::vector<int> out;
        QImage image = week->grab().toImage().convertToFormat(QImage::Format_RGB32);
        for (int i = 0; i < kWeekDays; i++) {
            QLabel *h = week->heading(i);
            QPoint p = h->mapTo(week, QPoint(h->width() - 3, h->height() / 2));
            if (QColor(image.pixel(p)) == highlight) out.push_back(i);
        }
        return out;
    };
    // Opened on a Sunday, the calendar shows the week after it, without today.
    const int pane = todayPane(week->start(), today);
    EXPECT_EQ(tinted(), pane >= 0 ? std::vector<int>{pane} : std::vector<int>{});
    run(CmBack);
    EXPECT_EQ(tinted(), (std::vector<int>{}));
    EXPECT_TRUE(enabled(CmToday));
    run(CmToday);
    EXPECT_EQ(week->start(), weekOf(today));
    EXPECT_EQ(week->windowTitle(), QString::fromLatin1(weekCaption(weekOf(today))));
    EXPECT_EQ(tinted(), (std::vector<int>{(today.weekday() + 6) % 7}));
}

TEST_F(ListTipsTest, DeskStatesComeBack)
{
    tWeekWin week({5, 6, 2024});
    EXPECT_EQ(week.deskState(), QStringLiteral("03.06.2024"));
    struct Row {
        QString state;
        tDate start;
    } rows[] = {
        {"03.06.2024", {3, 6, 2024}}, {"30.12.2024", {30, 12, 2024}}, {"1.1.2025", {30, 12, 2024}},
        {"09.06.2024", {3, 6, 2024}}, // a Sunday: its own week
        {"", {3, 6, 2024}},           {"Woche 3", {3, 6, 2024}},      {"31.02.2024", {3, 6, 2024}},
    };
    for (const Row &r : rows) {
        tWeekWin other({3, 6, 2024});
        other.restoreDeskState(r.state);
        EXPECT_EQ(other.start(), r.start) << r.state.toStdString();
        EXPECT_EQ(other.heading(0)->text().left(10), QString::fromLatin1(deskDate(r.start)));
    }
    tWeekWin back({1, 1, 2000});
    back.restoreDeskState(week.deskState());
    EXPECT_EQ(back.deskState(), week.deskState());

    tTermListWin *list = open<tTermListWin>(ViewAppointmentList, {28, 12, 2024});
    EXPECT_EQ(list->deskState(), QStringLiteral("28.12.2024"));
    list->restoreDeskState(QStringLiteral("03.06.2024"));
    EXPECT_EQ(list->start(), (tDate{3, 6, 2024}));
    EXPECT_EQ(list->windowTitle(), QStringLiteral("Terminlist 3.6.2024"));
    EXPECT_TRUE(shown(list->list()).contains(QStringLiteral("> 3.6.2024 09:00 - Zahnarzt")));
    list->restoreDeskState(QStringLiteral("gestern"));
    EXPECT_EQ(list->deskState(), QStringLiteral("03.06.2024"));
    run(CmToday);
    EXPECT_EQ(list->start(), tDate::today());
    EXPECT_EQ(list->windowTitle(), QString::fromLatin1(termListCaption(tDate::today())));
}

} // namespace
