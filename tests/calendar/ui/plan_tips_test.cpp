// The drawn views' tooltips, asked for as the resting pointer does: the month planner's bars,
// days and birthdays, the occupancy plan's bookings, resources and days, scrolled too.
#include <QScrollBar>

#include "widgets/calendar/month_planner_win.h"
#include "widgets/calendar/occupancy_plan_win.h"
#include "plan_ui_support.h"
#include "tip_support.h"

using namespace velk;
using namespace velk::caltest;

namespace {

class PlanTipsTest : public PlanUiTest {
protected:
    void SetUp() override
    {
        PlanUiTest::SetUp();
        tResource r;
        r.setId("R1");
        r.setTitle("Beamer");
        ASSERT_EQ(r.insert(), tStoreStatus::Stored);
        person("gabi", "Gabi", "Gans", {14, 2, 1970});
        sitzung =
            add("carl", termin("Sitzung", at(6, 2, 2024, 9), at(6, 2, 2024, 12), "", "Pdora"));
        tTermin booked = termin("Vortrag", at(7, 2, 2024, 10), at(8, 2, 2024, 16), "", "Gteam");
        booked.setResource("R1");
        vortrag = add("carl", booked);
        setCurrentUser("carl");
    }
    template <class Win, class... Args>
    std::unique_ptr<Win> show(Args... args)
    {
        auto win = std::make_unique<Win>(args...);
        win->resize(800, 600);
        win->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(win.get()));
        return win;
    }

    tTermin sitzung, vortrag;
};

TEST_F(PlanTipsTest, MonthPlannerBarsDaysAndBirthdays)
{
    auto win = show<tCalPlanerWin>(tDate{1, 2, 2024});
    const tViewMetrics m = win->metrics();
    auto cell = [&](int day, int row) {
        return QPoint(2 * m.U + 1 + 2 * m.U * (day - 1) + m.U, row * m.H + m.H / 2 + 2);
    };
    auto hour = [](int h) { return h - 7 + 3; };
    struct Row {
        QPoint pos;
        QString tip;
    } rows[] = {
        {cell(6, hour(10)), "06.02.2024 09:00 - 12:00\nSitzung\nTeilnehmer: dora"},
        {cell(6, hour(14)), "Dienstag, 06.02.2024"},
        {cell(13, 1), "Dienstag, 13.02.2024"}, // the day-number row
        {cell(14, 2), "Mittwoch, 14.02.2024\nGeburtstag: Gabi Gans, 54 Jahre"},
        {QPoint(2, cell(6, hour(10)).y()), ""}, // the hour labels
    };
    for (const Row &r : rows) EXPECT_EQ(tipAt(win.get(), r.pos), r.tip) << r.tip.toStdString();
}

TEST_F(PlanTipsTest, OccupancyPlanBookingsResourcesAndDays)
{
    auto win = show<tJahrPlanWin>(2024);
    const tViewMetrics m = win->metrics();
    // February's block (one resource) begins at row 4; R1 is its fourth row.
    auto point = [&](int day, int row) {
        return QPoint(5 * m.U + 2 * m.U * (day - 1) + m.U, (4 + row) * m.H + m.H / 2);
    };
    const QString vortragTip =
        QStringLiteral("07.02.2024 10:00 - 08.02.2024 16:00\nVortrag\nRessource: Beamer (R1)\n"
                       "Teilnehmer: Team (anna, bert)");
    struct Row {
        QPoint pos;
        QString tip;
    } rows[] = {
        {point(8, 3), vortragTip},
        {point(9, 3), "Freitag, 09.02.2024\nRessource: Beamer (R1)"},
        {point(9, 2), "Freitag, 09.02.2024"},
        {QPoint(m.U, point(8, 3).y()), "Ressource: Beamer (R1)"},
    };
    for (const Row &r : rows) EXPECT_EQ(tipAt(win->canvas(), r.pos), r.tip) << r.tip.toStdString();
    // Scrolled by three cells across and four rows down, the bar is where the tip is.
    win->setScroll({3, 4});
    ASSERT_EQ(win->scroll(), (tPlanScroll{3, 4}));
    EXPECT_EQ(tipAt(win->canvas(), point(8, 3) - QPoint(3 * m.U, 4 * m.H)), vortragTip);
    // Three cells right of the 8th and one month block (four rows) down: 10 March.
    EXPECT_EQ(tipAt(win->canvas(), point(8, 3)),
              QStringLiteral("Sonntag, 10.03.2024\nRessource: Beamer (R1)"));
}

} // namespace
