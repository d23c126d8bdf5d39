// The listing views on a real database: the week calendar, the appointment list and the
// selection list, line by line, and what their commands come to.
#include "views/selection_list.h"
#include "views/term_list.h"
#include "views/view_lines.h"
#include "views/week_view.h"
#include "views_support.h"

using namespace velk;
using namespace velk::caltest;

namespace {

using Lines = std::vector<std::string>;

TEST(WeekStart, SundayOpensTheFollowingWeek)
{
    struct Row {
        tDate given, monday;
    } rows[] = {
        {{2, 6, 2024}, {3, 6, 2024}},   // Sunday
        {{3, 6, 2024}, {3, 6, 2024}},   // Monday
        {{8, 6, 2024}, {3, 6, 2024}},   // Saturday
        {{1, 1, 2025}, {30, 12, 2024}}, // Wednesday, across the year
        {{29, 12, 2024}, {30, 12, 2024}},
    };
    for (const Row &r : rows)
        EXPECT_EQ(weekStart(r.given), r.monday) << ::testing::PrintToString(r.given);
    EXPECT_EQ(weekMoved({30, 12, 2024}, -1), (tDate{23, 12, 2024}));
    EXPECT_EQ(weekCaption({6, 1, 2025}), "Wochenkalender 6.1.2025");
}

TEST(WeekHeadings, EachDayNamesTheHolidaysOfItsOwnYear)
{
    tHolidayCache holidays;
    // A window opened in December: the list of that year is asked first.
    EXPECT_EQ(weekHeading({25, 12, 2024}, holidays), "25.12.2024 1. Weihnachtstag");
    struct Row {
        tDate day;
        const char *heading;
    } rows[] = {
        {{1, 1, 2025}, "01.01.2025 Neujahr"},
        {{6, 1, 2025}, "06.01.2025 Hl. 3 K\xF6nige"},
        {{3, 10, 2024}, "03.10.2024 T.d.dt.Einheit"},
        {{1, 5, 2008}, "01.05.2008 Tag der Arbeit Himmelfahrt"},
        {{4, 6, 2024}, "04.06.2024"},
    };
    for (const Row &r : rows) EXPECT_EQ(weekHeading(r.day, holidays), r.heading);

    tWeek week = weekContent(weekMoved(weekStart({24, 12, 2024}), 1), holidays);
    std::vector<std::string> headings;
    for (const tWeekDay &d : week.days) headings.push_back(d.heading);
    EXPECT_EQ(headings, (Lines{"30.12.2024", "31.12.2024", "01.01.2025 Neujahr", "02.01.2025",
                               "03.01.2025", "04.01.2025", "05.01.2025"}));
}

TEST(WeekHeadings, GermanUnityDayOnceInItsWeek)
{
    tHolidayCache holidays;
    for (int year : {2023, 2024, 2027}) {
        tWeek week = weekContent(weekStart({1, 10, year}), holidays); // 3.10.2027: a Sunday
        int days = 0, names = 0;
        for (const tWeekDay &d : week.days) {
            std::size_t at = d.heading.find("T.d.dt.Einheit");
            if (at == std::string::npos) continue;
            days++;
            names += 1 + (d.heading.find("T.d.dt.Einheit", at + 1) != std::string::npos);
            EXPECT_EQ(d.date, (tDate{3, 10, year}));
        }
        EXPECT_EQ(days, 1) << year;
        EXPECT_EQ(names, 1) << year;
    }
}

class WeekTest : public ViewsTest {
protected:
    void SetUp() override
    {
        ViewsTest::SetUp();
        person("gabi", "Gabi", "Gans", {3, 6, 1970});
        person("hans", "Hans", "Huhn", {3, 6, 0});
        person("ida", "Ida", "Igel", {4, 6, 1980}, "0711");
        add("carl", termin("Zahnarzt", at(3, 6, 2024, 9), at(3, 6, 2024, 10)));
        add("carl", termin("Messe", at(3, 6, 2024, 14), at(5, 6, 2024, 12)));
        add("carl", termin("Besprechung", at(3, 6, 2024, 8, 30), at(3, 6, 2024, 9)));
        add("dora", termin("geheim", at(3, 6, 2024, 7), at(3, 6, 2024, 8), "Pdora"));
        add("bert", termin("Team", at(4, 6, 2024, 7), at(4, 6, 2024, 8), "Gteam"));
        task("T1", "Bericht", {4, 6, 2024});
        task("T0", "ohne Datum", {});
        setCurrentUser("carl");
    }
};

TEST_F(WeekTest, BirthdaysThenAppointmentsInStartOrderThenTasks)
{
    tHolidayCache holidays;
    for (tDate opened : {tDate{2, 6, 2024}, tDate{3, 6, 2024}}) {
        tWeek week = weekContent(weekStart(opened), holidays);
        ASSERT_EQ(week.start, (tDate{3, 6, 2024}));
        std::vector<Lines> days;
        for (const tWeekDay &d : week.days) days.push_back(texts(d.lines));
        EXPECT_EQ(days,
                  (std::vector<Lines>{{"* Gabi Gans", "* Hans Huhn", "> 08:30 - Besprechung",
                                       "> 09:00 - Zahnarzt", "> 14:00 - Messe"},
                                      {"* Ida Igel", "# Bericht"},
                                      {}, // "Messe" goes on, but is listed on its first day only
                                      {},
                                      {},
                                      {},
                                      {}}));
        EXPECT_EQ(week.days[0].lines[0],
                  (tViewLine{tLineKind::Birthday, "* Gabi Gans", "gabi", {3, 6, 2024}}));
        EXPECT_EQ(week.days[1].lines[1].key, "T1");
        EXPECT_EQ(week.days[0].lines[2].kind, tLineKind::Termin);
        tTermin t;
        ASSERT_TRUE(store.find(week.days[0].lines[2].key, t));
        EXPECT_STREQ(t.TITLE, "Besprechung");
    }
    setCurrentUser("anna");
    EXPECT_EQ(texts(weekDayLines({4, 6, 2024})),
              (Lines{"* Ida Igel", "> 07:00 - Team", "# Bericht"}))
        << "a group's appointment for its member";
}

TEST_F(WeekTest, CommandsOnLines)
{
    tViewLine birthday{tLineKind::Birthday, "* Gabi Gans", "gabi", {}};
    tViewLine appointment{tLineKind::Termin, "> 09:00 - Zahnarzt", "00000001", {}};
    tViewLine task{tLineKind::Task, "# Bericht", "T1", {}};
    tViewLine holiday{tLineKind::Holiday, "! 1.1.2025: Neujahr", "", {}};
    struct Row {
        const tViewLine *line;
        tViewAction::Kind open, remove;
        int openNotice;
    } rows[] = {
        {&birthday, tViewAction::EditPerson, tViewAction::EditPerson, NoticePersons},
        {&appointment, tViewAction::EditTermin, tViewAction::DeleteTermin, NoticeAppointments},
        {&task, tViewAction::EditTask, tViewAction::Nothing, NoticeProjects},
        {&holiday, tViewAction::Nothing, tViewAction::Nothing, 0},
        {nullptr, tViewAction::Nothing, tViewAction::Nothing, 0},
    };
    for (const Row &r : rows) {
        std::string name = r.line ? r.line->text : "no line";
        tViewAction open = openLineAction(r.line), remove = deleteLineAction(r.line);
        EXPECT_EQ(open.kind, r.open) << name;
        EXPECT_EQ(open.notice, r.openNotice) << name;
        EXPECT_EQ(remove.kind, r.remove) << name;
        if (r.open != tViewAction::Nothing) {
            EXPECT_EQ(open.key, r.line->key) << name;
        }
    }
    EXPECT_EQ(deleteLineAction(&appointment).notice, NoticeAppointments);
    EXPECT_EQ(weekNewAction({3, 6, 2024}, 2, {1, 1, 2030}).date, (tDate{5, 6, 2024}));
    EXPECT_EQ(weekNewAction({3, 6, 2024}, -1, {1, 1, 2030}).date, (tDate{1, 1, 2030}));
    EXPECT_TRUE(termListCommandEnabled(&birthday));
    EXPECT_TRUE(termListCommandEnabled(&appointment));
    EXPECT_FALSE(termListCommandEnabled(&task));
    EXPECT_FALSE(termListCommandEnabled(&holiday));
    EXPECT_FALSE(termListCommandEnabled(nullptr));
}

class TermListTest : public ViewsTest {
protected:
    void SetUp() override
    {
        ViewsTest::SetUp();
        person("erika", "Erika", "Muster", {28, 12, 1960});
        add("carl", termin("Jahresabschluss", at(30, 12, 2024, 10), at(30, 12, 2024, 12)));
        add("carl", termin("Urlaub", at(20, 12, 2024, 8), at(2, 1, 2025, 18)));
        add("dora", termin("geheim", at(30, 12, 2024, 9), at(30, 12, 2024, 10), "Pdora"));
        task("OLD", "Steuer", {13, 12, 2024});
        task("XMAS", "Geschenke", {26, 12, 2024});
        task("NEW", "Planung", {2, 1, 2025});
        task("ZERO", "ohne Datum", {});
        task("BAD", "kein Tag", {0, 12, 2024});
        setCurrentUser("carl");
    }
};

TEST_F(TermListTest, TenDaysOverTheYearEndWithTheirHolidays)
{
    tHolidayCache holidays;
    EXPECT_EQ(texts(termListLines({25, 12, 2024}, {27, 12, 2024}, holidays)),
              (Lines{
                  "! 25.12.2024: 1. Weihnachtstag",
                  "! 26.12.2024: 2. Weihnachtstag",
                  "# Geschenke",
                  "# Steuer", // today: everything due up to today, in ENDDATE order
                  "# Geschenke",
                  "* 28.12.1960: Erika Muster",
                  "> 30.12.2024 10:00 - Jahresabschluss",
                  "! 1.1.2025: Neujahr",
                  "# Planung",
              }));
    EXPECT_EQ(termListCaption({25, 12, 2024}), "Terminlist 25.12.2024");
}

TEST_F(TermListTest, OverdueTasksOnlyOnTodaysEntry)
{
    tHolidayCache holidays;
    struct Row {
        tDate start, today;
        Lines tasks;
    } rows[] = {
        {{10, 12, 2024}, {15, 12, 2024}, {"# Steuer", "# Steuer"}}, // its day, and today's
        {{10, 12, 2024}, {27, 12, 2024}, {"# Steuer"}},             // its own day only
        {{14, 12, 2024}, {27, 12, 2024}, {}},
        {{1, 1, 2025}, {1, 1, 2025}, {"# Steuer", "# Geschenke", "# Planung"}},
    };
    for (const Row &r : rows) {
        Lines tasks;
        for (const tViewLine &l : termListLines(r.start, r.today, holidays))
            if (l.kind == tLineKind::Task) tasks.push_back(l.text);
        EXPECT_EQ(tasks, r.tasks) << ::testing::PrintToString(r.start) << " today "
                                  << ::testing::PrintToString(r.today);
    }
    std::vector<tViewLine> lines = termListLines({1, 1, 2025}, {1, 1, 2025}, holidays);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], (tViewLine{tLineKind::Holiday, "! 1.1.2025: Neujahr", "", {1, 1, 2025}}));
    EXPECT_EQ(lines[3], (tViewLine{tLineKind::Task, "# Planung", "NEW", {2, 1, 2025}}));
    EXPECT_EQ(lines[4],
              (tViewLine{tLineKind::Holiday, "! 6.1.2025: Hl. 3 K\xF6nige", "", {6, 1, 2025}}));
    EXPECT_EQ(termListNewAction({9, 9, 2024}).date, (tDate{9, 9, 2024}));
}

TEST_F(TermListTest, SelectionListOfADayAndOfARange)
{
    person("paul", "Paul", "Pfau", {24, 12, 1950}, "030 1");
    person("rita", "Rita", "Rabe", {24, 12, 0}, "040 2");
    add("carl", termin("Bescherung", at(24, 12, 2024, 17), at(24, 12, 2024, 19)));
    add("carl", termin("Kirche", at(25, 12, 2024, 10), at(25, 12, 2024, 11)));
    setCurrentUser("carl");
    tHolidayCache holidays;
    tSelection day = selectionOfDay({24, 12, 2024}, holidays);
    EXPECT_EQ(day.title, "24.12.2024");
    EXPECT_EQ(day.mode, SelectChange);
    EXPECT_EQ(texts(day.lines),
              (Lines{"* 24.12 Paul Pfau Tel: 030 1 [paul]", "* 24.12 Rita Rabe Tel: 040 2 [rita]",
                     "> 20.12.2024 08:00-18:00 Urlaub", "> 24.12.2024 17:00-19:00 Bescherung"}));
    EXPECT_EQ(texts(selectionOfDay({25, 12, 2024}, holidays).lines),
              (Lines{"! 25.12.2024: 1. Weihnachtstag", "> 20.12.2024 08:00-18:00 Urlaub",
                     "> 25.12.2024 10:00-11:00 Kirche"}));
    EXPECT_EQ(selectionOfDay({3, 6, 2024}, holidays).title, " 3. 6.2024");

    struct Row {
        int fromHour, tillHour, mode;
        const char *title;
        Lines lines;
    } rows[] = {
        {14,
         18,
         SelectDelete,
         "L\xF6schen",
         {"> 20.12.2024 08:00-18:00 Urlaub", "> 24.12.2024 17:00-19:00 Bescherung"}},
        {0,
         1,
         SelectChange,
         "\xC4ndern",
         {"* 24.12 Paul Pfau Tel: 030 1 [paul]", "* 24.12 Rita Rabe Tel: 040 2 [rita]",
          "> 20.12.2024 08:00-18:00 Urlaub"}},
    };
    for (const Row &r : rows) {
        tSelection s =
            selectionOfRange(at(24, 12, 2024, r.fromHour), at(24, 12, 2024, r.tillHour), r.mode);
        EXPECT_EQ(s.title, r.title);
        EXPECT_EQ(texts(s.lines), r.lines) << "from " << r.fromHour << ":00";
    }
}

TEST(SelectionAction, WhatOkDoesWithALine)
{
    tViewLine birthday{tLineKind::Birthday, "* 24.12 Paul Pfau Tel:  [paul]", "paul", {}};
    tViewLine appointment{tLineKind::Termin, "> 24.12.2024 17:00-19:00 Bescherung", "0000000A", {}};
    tViewLine holiday{tLineKind::Holiday, "! 25.12.2024: 1. Weihnachtstag", "", {}};
    struct Row {
        const tViewLine *line;
        int mode;
        tViewAction::Kind kind;
        int notice;
    } rows[] = {
        {&appointment, SelectChange, tViewAction::EditTermin, NoticeAppointments},
        {&appointment, SelectDelete, tViewAction::DeleteTermin, NoticeAppointments},
        {&birthday, SelectChange, tViewAction::EditPerson, 0},
        {&birthday, SelectDelete, tViewAction::EditPerson, 0},
        {&holiday, SelectDelete, tViewAction::Nothing, 0},
        {nullptr, SelectDelete, tViewAction::Nothing, 0},
    };
    for (const Row &r : rows) {
        tViewAction a = selectionAction(r.line, r.mode);
        std::string name = (r.line ? r.line->text : "no line") + " in " + std::to_string(r.mode);
        EXPECT_EQ(a.kind, r.kind) << name;
        EXPECT_EQ(a.notice, r.notice) << name;
        EXPECT_EQ(a.key, r.kind == tViewAction::Nothing ? "" : r.line->key) << name;
    }
}

} // namespace
