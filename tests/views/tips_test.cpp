// The views' tooltips on a real database: days, appointments as each user may see them,
// birthdays, tasks, alarms, list lines and the points of the two drawn views; and the week's
// "Heute" and the listing views' desk dates.
#include "views/month_planner.h"
#include "views/term_list.h"
#include "views/view_lines.h"
#include "views/view_tips.h"
#include "views/week_view.h"
#include "views_support.h"

using namespace velk;
using namespace velk::caltest;

namespace {

constexpr tViewMetrics kM{6, 13}; // U, H
constexpr int U = kM.U, H = kM.H;

class TipsTest : public ViewsTest {
protected:
    void SetUp() override
    {
        ViewsTest::SetUp();
        tResource r;
        r.setId("R1");
        r.setTitle("Beamer");
        ASSERT_EQ(r.insert(), tStoreStatus::Stored);
        resource("R2"); // its title is its ID
        tProject p;
        p.setId("P1");
        p.setTitle("Jahresplan");
        ASSERT_EQ(p.insert(), tStoreStatus::Stored);
        person("gabi", "Gabi", "Gans", {3, 6, 1970});
        person("hans", "Hans", "Huhn", {3, 6, 0});
        person("kai", "Kai", "Kauz", {3, 6, 2023});
        tTermin booked = termin("Zahnarzt", at(3, 6, 2024, 9), at(3, 6, 2024, 10), "", "Panna");
        booked.setResource("R1");
        zahnarzt = add("carl", booked);
        nacht = add("carl", termin("Nacht", at(3, 6, 2024, 22), at(4, 6, 2024, 2), "", "Gteam"));
        geheim = add("anna",
                     termin("Geheim", at(3, 6, 2024, 9, 30), at(3, 6, 2024, 11), "Panna", "Gteam"));
        team = add("bert",
                   termin("Teamrunde", at(5, 6, 2024, 8), at(5, 6, 2024, 9), "Gteam", "Pdora"));
        task("T1", "Bericht", {4, 6, 2024});
        setCurrentUser("carl");
    }

    tTermin zahnarzt, nacht, geheim, team;
};

TEST_F(TipsTest, DaysWithWeekdayAndHolidays)
{
    tHolidayCache holidays;
    struct Row {
        tDate day;
        const char *tip;
    } rows[] = {
        {{3, 6, 2024}, "Montag, 03.06.2024"},
        {{1, 1, 2025}, "Mittwoch, 01.01.2025\nNeujahr"},
        {{25, 12, 2024}, "Mittwoch, 25.12.2024\n1. Weihnachtstag"},
        {{9, 6, 2024}, "Sonntag, 09.06.2024"},
        {{0, 0, 0}, ""},
        {{31, 2, 2024}, ""},
    };
    for (const Row &r : rows)
        EXPECT_EQ(dayTip(r.day, holidays), r.tip) << ::testing::PrintToString(r.day);
}

TEST_F(TipsTest, AppointmentsAsEachUserMaySeeThem)
{
    struct Row {
        const char *user;
        const tTermin *termin;
        const char *tip;
    } rows[] = {
        {"carl", &zahnarzt,
         "03.06.2024 09:00 - 10:00\nZahnarzt\nRessource: Beamer (R1)\nTeilnehmer: anna"},
        {"carl", &nacht,
         "03.06.2024 22:00 - 04.06.2024 02:00\nNacht\nTeilnehmer: Team (anna, bert)"},
        // Private to anna: carl learns only that the time is taken.
        {"carl", &geheim, "03.06.2024 09:30 - 11:00\nbelegt"},
        {"anna", &geheim, "03.06.2024 09:30 - 11:00\nGeheim\nTeilnehmer: Team (anna, bert)"},
        {"bert", &geheim, "03.06.2024 09:30 - 11:00\nbelegt"},
        // For the group's members, and its author.
        {"anna", &team, "05.06.2024 08:00 - 09:00\nTeamrunde\nTeilnehmer: dora"},
        {"bert", &team, "05.06.2024 08:00 - 09:00\nTeamrunde\nTeilnehmer: dora"},
        {"dora", &team, "05.06.2024 08:00 - 09:00\nbelegt"},
    };
    for (const Row &r : rows) {
        setCurrentUser(r.user);
        std::string tip = terminTipOf(r.termin->ID);
        EXPECT_EQ(tip, r.tip) << r.user << " " << r.termin->TITLE;
        if (std::string(r.tip).ends_with("belegt")) {
            EXPECT_EQ(tip.find(r.termin->TITLE), std::string::npos);
            EXPECT_EQ(tip.find("Teilnehmer"), std::string::npos);
            EXPECT_EQ(tip.find("anna"), std::string::npos);
        }
    }
    EXPECT_EQ(terminTipOf("99999999"), "");
    EXPECT_EQ(terminTipOf(""), "");
}

TEST_F(TipsTest, BirthdaysTasksAndAlarms)
{
    struct Row {
        const char *person;
        tDate day;
        const char *tip;
    } rows[] = {
        {"gabi", {3, 6, 2024}, "Geburtstag: Gabi Gans, 54 Jahre"},
        {"gabi", {3, 6, 1970}, "Geburtstag: Gabi Gans, 0 Jahre"},
        {"hans", {3, 6, 2024}, "Geburtstag: Hans Huhn"}, // no year of birth
        {"kai", {3, 6, 2024}, "Geburtstag: Kai Kauz, 1 Jahr"},
        {"kai", {3, 6, 2020}, "Geburtstag: Kai Kauz"}, // before the birth
        {"anna", {1, 1, 2024}, "Geburtstag: anna"},
    };
    for (const Row &r : rows) {
        tPerson p;
        ASSERT_TRUE(p.find(r.person));
        EXPECT_EQ(birthdayTip(p, r.day), r.tip) << r.person;
    }

    tTask k;
    ASSERT_TRUE(k.find("T1"));
    EXPECT_EQ(taskTip(k), "Aufgabe: Bericht\nProjekt: Jahresplan (P1)\nf\xE4llig: 04.06.2024");
    k.setProject("P9");
    k.ENDDATE = {};
    EXPECT_EQ(taskTip(k), "Aufgabe: Bericht\nProjekt: P9");

    tAlarmStore &alarms = tAlarmStore::instance();
    struct AlarmRow {
        std::string with;
        const char *user;
        const char *tip;
    } alarmRows[] = {
        {std::string("T") + zahnarzt.ID, "carl",
         "Alarm: 03.06.2024 08:45\nErinnerung\n\nTermin: 03.06.2024 09:00 - 10:00\nZahnarzt\n"
         "Ressource: Beamer (R1)\nTeilnehmer: anna"},
        {std::string("T") + geheim.ID, "carl",
         "Alarm: 03.06.2024 08:45\nErinnerung\n\nTermin: 03.06.2024 09:30 - 11:00\nbelegt"},
        {"JT1", "carl",
         "Alarm: 03.06.2024 08:45\nErinnerung\n\nAufgabe: Bericht\nProjekt: Jahresplan (P1)\n"
         "f\xE4llig: 04.06.2024"},
        {"", "carl", "Alarm: 03.06.2024 08:45\nErinnerung"},
    };
    for (const AlarmRow &r : alarmRows) {
        setCurrentUser(r.user);
        tAlarm a;
        a.setMessage("Erinnerung");
        a.when = at(3, 6, 2024, 8, 45);
        a.setWith(r.with);
        ASSERT_EQ(alarms.send(a).status, tStoreStatus::Stored);
        EXPECT_EQ(alarmTipOf(a.ID), r.tip) << r.with;
    }
    EXPECT_EQ(alarmTipOf("nothere"), "");
}

TEST_F(TipsTest, ListLinesSayTheirRecord)
{
    tHolidayCache holidays;
    std::vector<tViewLine> week = weekDayLines({3, 6, 2024});
    std::vector<std::string> tips;
    for (const tViewLine &l : week) tips.push_back(lineTip(l, holidays));
    EXPECT_EQ(tips,
              (std::vector<std::string>{
                  "Geburtstag: Gabi Gans, 54 Jahre", "Geburtstag: Hans Huhn",
                  "Geburtstag: Kai Kauz, 1 Jahr",
                  "03.06.2024 09:00 - 10:00\nZahnarzt\nRessource: Beamer (R1)\nTeilnehmer: anna",
                  "03.06.2024 22:00 - 04.06.2024 02:00\nNacht\nTeilnehmer: Team (anna, bert)"}));

    // The appointment list: a holiday and a birthday years later, a task.
    person("ida", "Ida", "Igel", {1, 1, 2000});
    task("T2", "Planung", {2, 1, 2025});
    std::vector<tViewLine> lines = termListLines({1, 1, 2025}, {30, 12, 2024}, holidays);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lineTip(lines[0], holidays), "Mittwoch, 01.01.2025\nNeujahr");
    EXPECT_EQ(lineTip(lines[1], holidays), "Geburtstag: Ida Igel, 25 Jahre");
    EXPECT_EQ(lineTip(lines[2], holidays),
              "Aufgabe: Planung\nProjekt: Jahresplan (P1)\nf\xE4llig: 02.01.2025");

    // A line that outlived its appointment's change to private shows no more than "belegt".
    tViewLine stale{tLineKind::Termin, "> 09:30 - Geheim", geheim.ID, {3, 6, 2024}};
    EXPECT_EQ(lineTip(stale, holidays), "03.06.2024 09:30 - 11:00\nbelegt");
    tViewLine gone{tLineKind::Birthday, "* Nobody", "nobody", {3, 6, 2024}};
    EXPECT_EQ(lineTip(gone, holidays), "");
}

TEST_F(TipsTest, MonthPlannerPoints)
{
    tHolidayCache holidays;
    const tDate june{1, 6, 2024};
    std::vector<tShape> shapes = planerShapes(june, kM, holidays);
    // A stale bar of the appointment carl may not see, as if READ changed after the fill.
    shapes.push_back(shapes.front());
    shapes.back().role = tShape::Bar;
    shapes.back().key = geheim.ID;
    shapes.back().rect = {2 * U + 1 + 2 * U * 9 + 2, 5 * H, 2 * U + 1 + 2 * U * 10 - 2, 6 * H};
    const int L = 2 * U + 1;
    auto column = [&](int day) { return L + 2 * U * (day - 1) + U; };
    auto hour = [&](int h) { return (h - 7 + 3) * H + H / 2; };
    struct Row {
        tPoint p;
        std::string tip;
    } rows[] = {
        {{column(3), hour(9)}, "Montag, 03.06.2024"}, // booked: drawn in the occupancy plan
        {{column(3), hour(22) - H / 2 + 3},
         "03.06.2024 22:00 - 04.06.2024 02:00\nNacht\n"
         "Teilnehmer: Team (anna, bert)"}, // the triangle
        {{column(4), hour(8)}, "Dienstag, 04.06.2024"},
        {{column(3), H + 1 + H / 2}, "Montag, 03.06.2024"}, // its number
        {{column(3), 2 * H + 2 + H / 2},
         "Montag, 03.06.2024\nGeburtstag: Gabi Gans, 54 Jahre\nGeburtstag: Hans Huhn\n"
         "Geburtstag: Kai Kauz, 1 Jahr"}, // the birthday row
        // The stale bar: its tip comes from the record, its real time and nothing more.
        {{column(10), 5 * H + 2}, "03.06.2024 09:30 - 11:00\nbelegt"},
        {{0, hour(9)}, ""},          // the hour labels
        {{column(31), hour(9)}, ""}, // June has 30 days
    };
    for (const Row &r : rows)
        EXPECT_EQ(planerTip(shapes, kM, june, r.p, holidays), r.tip) << r.p.x << "," << r.p.y;

    // Two appointments under one point: both, a blank line between.
    add("carl", termin("Eins", at(12, 6, 2024, 9), at(12, 6, 2024, 11)));
    add("carl", termin("Zwei", at(12, 6, 2024, 10), at(12, 6, 2024, 12)));
    shapes = planerShapes(june, kM, holidays);
    EXPECT_EQ(planerTip(shapes, kM, june, {column(12), hour(10) + 2}, holidays),
              "12.06.2024 09:00 - 11:00\nEins\n\n12.06.2024 10:00 - 12:00\nZwei");
    EXPECT_EQ(planerTip(shapes, kM, june, {column(12), hour(9) - 2}, holidays),
              "12.06.2024 09:00 - 11:00\nEins");
}

TEST_F(TipsTest, OccupancyPlanPoints)
{
    tHolidayCache holidays;
    tJahrPlanData data = jahrPlanData(2024);
    ASSERT_EQ(data.resources, (std::vector<std::string>{"R1", "R2"}));
    std::vector<tShape> shapes = jahrPlanShapes(data, kM, holidays);
    // June's block begins at row 5 * (2 + 3); R1 is its fourth row.
    const int r1 = (5 * 5 + 3) * H + H / 2, dayRow = (5 * 5 + 2) * H + H / 2;
    auto x = [&](int day) { return 5 * U + 2 * U * (day - 1) + U; };
    const std::string zahnarztTip =
        "03.06.2024 09:00 - 10:00\nZahnarzt\nRessource: Beamer (R1)\nTeilnehmer: anna";
    struct Row {
        tPoint p;
        tPlanScroll scroll;
        std::string tip;
    } rows[] = {
        {{x(3), r1}, {0, 0}, zahnarztTip},
        {{x(4), r1}, {0, 0}, "Dienstag, 04.06.2024\nRessource: Beamer (R1)"},
        {{x(4), r1 + H}, {0, 0}, "Dienstag, 04.06.2024\nRessource: R2"},
        {{x(3), dayRow}, {0, 0}, "Montag, 03.06.2024"},
        {{U, r1}, {0, 0}, "Ressource: Beamer (R1)"},
        // Scrolled by 2 cells across and 25 rows down: the same bar at another window point.
        {{x(3) - 2 * U, r1 - 25 * H}, {2, 25}, zahnarztTip},
        {{x(31), r1}, {0, 0}, ""}, // June has 30 days
    };
    for (const Row &r : rows)
        EXPECT_EQ(jahrPlanTip(data, shapes, kM, r.p, r.scroll, holidays), r.tip)
            << r.p.x << "," << r.p.y;
}

TEST_F(TipsTest, TodaysWeekAndDeskDates)
{
    struct Row {
        tDate date, week;
    } rows[] = {
        {{3, 6, 2024}, {3, 6, 2024}},
        {{9, 6, 2024}, {3, 6, 2024}}, // a Sunday: its own week
        {{1, 1, 2025}, {30, 12, 2024}},
        {{6, 6, 2024}, {3, 6, 2024}},
    };
    for (const Row &r : rows) {
        EXPECT_EQ(weekOf(r.date), r.week) << ::testing::PrintToString(r.date);
        EXPECT_EQ(todayPane(r.week, r.date), (r.date.weekday() + 6) % 7);
    }
    EXPECT_EQ(weekStart({9, 6, 2024}), (tDate{10, 6, 2024})) << "opening on a Sunday stays";
    EXPECT_EQ(todayPane({3, 6, 2024}, {10, 6, 2024}), -1);
    EXPECT_EQ(todayPane({3, 6, 2024}, {2, 6, 2024}), -1);

    EXPECT_EQ(deskDate({3, 6, 2024}), "03.06.2024");
    struct Desk {
        const char *text;
        bool read;
        tDate date;
    } desks[] = {
        {"03.06.2024", true, {3, 6, 2024}},
        {"3.6.2024", true, {3, 6, 2024}},
        {"29.02.2024", true, {29, 2, 2024}},
        {"29.02.2023", false, {}},
        {"03.06.24", false, {}},
        {"03.06.2024 ", false, {}},
        {"", false, {}},
        {"03-06-2024", false, {}},
        {"003.06.2024", false, {}},
        {"31.13.2024", false, {}},
    };
    for (const Desk &d : desks) {
        tDate date{7, 7, 1977};
        EXPECT_EQ(readDeskDate(d.text, date), d.read) << d.text;
        EXPECT_EQ(date, (d.read ? d.date : tDate{7, 7, 1977})) << d.text;
    }
}

} // namespace
