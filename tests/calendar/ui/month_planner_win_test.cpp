// The month planner as a window: painted offscreen and checked pixel by pixel, and used with
// the mouse.
#include <QMenu>
#include <QPainter>
#include <QRubberBand>

#include "shell/core/commands.h"
#include "widgets/calendar/month_planner_win.h"
#include "print/shape_painter.h"
#include "plan_ui_support.h"

using namespace velk;
using namespace velk::caltest;

namespace {

class PlanerWinTest : public PlanUiTest {
protected:
    // A planner on `month`, shown at its own size.
    std::unique_ptr<tCalPlanerWin> open(tDate month)
    {
        setCurrentUser("carl");
        auto win = std::make_unique<tCalPlanerWin>(month);
        win->resize(win->sizeHint());
        win->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(win.get()));
        return win;
    }
    static const tShape *find(const tCalPlanerWin &w, tShape::Role role, const std::string &key,
                              int day)
    {
        for (const tShape &s : w.shapes())
            if (s.role == role && s.key == key && s.date.day == day) return &s;
        return nullptr;
    }
    // The middle of the cell of `day` at `hour`.
    static QPoint cell(const tCalPlanerWin &w, int day, int hour)
    {
        tViewMetrics m = w.metrics();
        return QPoint(2 * m.U + 1 + 2 * m.U * (day - 1) + m.U, (hour - 7 + 3) * m.H + m.H / 2 + 2);
    }
};

TEST_F(PlanerWinTest, PaintsBarsTrianglesNumbersAndEmptyCells)
{
    tTermin meeting = add("carl", termin("Sitzung", at(6, 2, 2024, 9), at(6, 2, 2024, 12)));
    tTermin early = add("carl", termin("frueh", at(7, 2, 2024, 5), at(7, 2, 2024, 8, 30)));
    tTermin across = add("carl", termin("Reise", at(30, 1, 2024, 14), at(2, 2, 2024, 10)));
    person("gabi", "Gabi", "Gans", {14, 2, 1970});
    auto win = open({1, 2, 2024});
    tViewMetrics m = win->metrics();
    QFontMetrics fm(planFont(), win.get());
    EXPECT_EQ(m.U, fm.horizontalAdvance(QLatin1Char('0')));
    EXPECT_EQ(m.H, fm.height());
    ASSERT_GT(m.U, 2);
    QImage image = win->grab().toImage();

    struct Probe {
        const char *what;
        const tShape *shape;
    } probes[] = {
        {"the 9 to 12 bar", find(*win, tShape::Bar, meeting.ID, 6)},
        {"the early bar", find(*win, tShape::Bar, early.ID, 7)},
        {"the trip on 1 February", find(*win, tShape::Bar, across.ID, 1)},
        {"the trip on 2 February", find(*win, tShape::Bar, across.ID, 2)},
    };
    for (const Probe &p : probes) {
        ASSERT_TRUE(p.shape) << p.what;
        const tRect &r = p.shape->rect;
        EXPECT_EQ(pixelAt(image, (r.left + r.right) / 2, (r.top + r.bottom) / 2), kLightGrey)
            << p.what;
        EXPECT_EQ(pixelAt(image, r.left, (r.top + r.bottom) / 2), kBlack) << p.what << " outline";
    }
    const tShape *up = find(*win, tShape::TriangleUp, early.ID, 7);
    ASSERT_TRUE(up);
    EXPECT_EQ(pixelAt(image, up->points[2].x, (up->points[0].y + up->points[2].y) / 2 + 2),
              kLightGrey)
        << "inside the triangle above the grid";

    // 4 February 2024 is a Sunday, 5 February a Monday.
    auto numberBox = [&](int day) {
        int x = 2 * m.U + 1 + 2 * m.U * (day - 1);
        return tRect{x, m.H + 1, x + 2 * m.U, 2 * m.H + 1};
    };
    EXPECT_TRUE(near(inkOf(image, numberBox(4)), kRed));
    EXPECT_TRUE(near(inkOf(image, numberBox(5)), kBlack));
    QPoint empty = cell(*win, 8, 15);
    EXPECT_EQ(pixelAt(image, empty.x(), empty.y()), kWhite) << "nothing on 8 February";
    int x14 = 2 * m.U + 1 + 2 * m.U * 13;
    EXPECT_EQ(pixelAt(image, x14 + m.U, (2 * m.H + 4 + 3 * m.H) / 2), kGreen) << "a birthday";

    // On a screen of twice the pixels the same drawing covers twice the pixels.
    QImage doubled(image.size() * 2, QImage::Format_RGB32);
    doubled.setDevicePixelRatio(2);
    doubled.fill(Qt::white);
    {
        QPainter painter(&doubled);
        paintShapes(painter, win->shapes());
    }
    const tRect &bar = find(*win, tShape::Bar, meeting.ID, 6)->rect;
    EXPECT_EQ(pixelAt(doubled, bar.left + bar.right, bar.top + bar.bottom), kLightGrey);
    EXPECT_EQ(pixelAt(doubled, 2 * bar.left, bar.top + bar.bottom), kBlack);
}

TEST_F(PlanerWinTest, MonthStepsAcrossTheYearAndNewYearIsRed)
{
    auto win = open({15, 12, 1996});
    EXPECT_EQ(win->windowTitle(), QStringLiteral("Planer 12 1996"));
    EXPECT_TRUE(win->handlesCommand(CmForward));
    EXPECT_FALSE(win->handlesCommand(CmNew));
    win->command(CmForward);
    EXPECT_EQ(win->month(), (tDate{1, 1, 1997}));
    EXPECT_EQ(win->windowTitle(), QStringLiteral("Planer 1/1997"));
    QImage image = win->grab().toImage();
    tViewMetrics m = win->metrics();
    // 1 January 1997, a Wednesday, red for "Neujahr"; the 2nd black.
    EXPECT_TRUE(near(inkOf(image, {2 * m.U + 1, m.H + 1, 4 * m.U + 1, 2 * m.H + 1}), kRed));
    EXPECT_TRUE(near(inkOf(image, {4 * m.U + 1, m.H + 1, 6 * m.U + 1, 2 * m.H + 1}), kBlack));
    win->command(CmBack);
    win->command(CmBack);
    EXPECT_EQ(win->windowTitle(), QStringLiteral("Planer 11/1996"));
}

TEST_F(PlanerWinTest, DragsCreateOnlyWhenTheMouseMoved)
{
    auto win = open({1, 3, 2024});
    QPoint from = cell(*win, 3, 9), to = cell(*win, 4, 11);
    struct Drag {
        const char *what;
        QPoint down, up;
        std::vector<std::string> calls;
    } drags[] = {
        {"a click", from, from, {}},
        {"4 pixels", from, from + QPoint(4, 4), {}},
        {"over two days", from, to, {"new 3.3.2024 9:00 - 4.3.2024 12:00 []"}},
        {"upwards", to, from, {"new 4.3.2024 11:00 - 3.3.2024 10:00 []"}},
        {"out of the grid", from, QPoint(win->width() - 1, from.y()), {}},
    };
    for (const Drag &d : drags) {
        openers.calls.clear();
        QTest::mousePress(win.get(), Qt::LeftButton, {}, d.down);
        QTest::mouseMove(win.get(), (d.down + d.up) / 2);
        QTest::mouseMove(win.get(), d.up);
        if (d.down != d.up) {
            EXPECT_TRUE(win->rubberBand()->isVisible()) << d.what;
        }
        QTest::mouseRelease(win.get(), Qt::LeftButton, {}, d.up);
        EXPECT_FALSE(win->rubberBand()->isVisible()) << d.what;
        EXPECT_EQ(openers.calls, d.calls) << d.what;
    }
    EXPECT_TRUE(host.eventsOf(QStringLiteral("dialog:")).isEmpty());

    // The dialog stores the new appointment: the planner shows it at once.
    openers.store = true;
    QTest::mousePress(win.get(), Qt::LeftButton, {}, from);
    QTest::mouseMove(win.get(), to);
    QTest::mouseRelease(win.get(), Qt::LeftButton, {}, to);
    ASSERT_EQ(openers.calls.size(), 1u);
    int bars = 0;
    for (const tShape &s : win->shapes()) bars += s.role == tShape::Bar;
    EXPECT_EQ(bars, 2) << "3 March from 9:00, 4 March until 12:00";
}

TEST_F(PlanerWinTest, DoubleClicksOnTheRows)
{
    tTermin meeting = add("carl", termin("Sitzung", at(3, 3, 2024, 9, 30), at(3, 3, 2024, 10)));
    person("gabi", "Gabi", "Gans", {4, 3, 1970});
    person("hans", "Hans", "Huhn", {5, 3, 1970});
    person("ida", "Ida", "Igel", {5, 3, 1980});
    auto win = open({1, 3, 2024});
    tViewMetrics m = win->metrics();
    auto numberRow = [&](int day) { return QPoint(cell(*win, day, 7).x(), m.H + m.H / 2 + 2); };
    auto birthdayRow = [&](int day) { return QPoint(cell(*win, day, 7).x(), 2 * m.H + 4); };
    QString title;
    QStringList lines;

    host.dialogScripts.push_back(chooseLine(&title, &lines, -1));
    QTest::mouseDClick(win.get(), Qt::LeftButton, {}, numberRow(3));
    EXPECT_EQ(title, QStringLiteral(" 3. 3.2024"));
    EXPECT_EQ(lines, QStringList{QStringLiteral("> 3.3.2024 09:30-10:00 Sitzung")});

    QTest::mouseDClick(win.get(), Qt::LeftButton, {}, birthdayRow(4));
    host.dialogScripts.push_back(chooseLine(&title, &lines, -1, "buttonCancel"));
    QTest::mouseDClick(win.get(), Qt::LeftButton, {}, birthdayRow(5));
    EXPECT_EQ(lines.size(), 2) << "two birthdays: the selection list of the day";
    QTest::mouseDClick(win.get(), Qt::LeftButton, {}, birthdayRow(6));

    QTest::mouseDClick(win.get(), Qt::LeftButton, {}, cell(*win, 3, 10));
    QTest::mouseDClick(win.get(), Qt::LeftButton, {}, cell(*win, 3, 14));
    EXPECT_EQ(openers.calls,
              (std::vector<std::string>{"person gabi", "termin " + std::string(meeting.ID)}));
    EXPECT_EQ(host.eventsOf(QStringLiteral("dialog:")).size(), 2);
}

TEST_F(PlanerWinTest, ContextMenuChangesAndDeletesThroughTheSelectionList)
{
    tTermin meeting = add("carl", termin("Sitzung", at(3, 3, 2024, 9, 30), at(3, 3, 2024, 10)));
    tTermin lunch = add("carl", termin("Mittag", at(3, 3, 2024, 12), at(3, 3, 2024, 13)));
    auto win = open({1, 3, 2024});
    QPoint at9 = cell(*win, 3, 9);
    QString title;
    QStringList lines;

    QTest::mousePress(win.get(), Qt::RightButton, {}, at9);
    ASSERT_TRUE(win->contextMenu()->isVisible());
    QList<QAction *> entries = win->contextMenu()->actions();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0]->text(), QStringLiteral("\u00c4ndern"));
    EXPECT_EQ(entries[1]->text(), QStringLiteral("L\u00f6schen"));
    host.dialogScripts.push_back(chooseLine(&title, &lines, 0));
    entries[0]->trigger();
    win->contextMenu()->hide();
    EXPECT_EQ(title, QStringLiteral("\u00c4ndern"));
    EXPECT_EQ(lines, QStringList{QStringLiteral("> 3.3.2024 09:30-10:00 Sitzung")})
        << "only what touches 9:00 to 10:00";
    EXPECT_EQ(openers.calls, std::vector<std::string>{"termin " + std::string(meeting.ID)});

    QTest::mousePress(win.get(), Qt::RightButton, {}, at9);
    host.dialogScripts.push_back(chooseLine(&title, &lines, 0));
    win->contextMenu()->actions()[1]->trigger();
    win->contextMenu()->hide();
    EXPECT_EQ(title, QStringLiteral("L\u00f6schen"));
    tTermin gone;
    EXPECT_FALSE(store.find(meeting.ID, gone));
    EXPECT_EQ(find(*win, tShape::Bar, meeting.ID, 3), nullptr) << "the planner refreshed";
    EXPECT_NE(find(*win, tShape::Bar, lunch.ID, 3), nullptr);
}

} // namespace
