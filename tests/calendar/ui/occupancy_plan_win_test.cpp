// The occupancy plan as a window: painted offscreen and checked pixel by pixel, scrolled, and
// used with the mouse.
#include <QAbstractScrollArea>
#include <QMenu>
#include <QPainter>
#include <QRubberBand>
#include <QScrollBar>

#include "shell/core/commands.h"
#include "widgets/calendar/dia_list.h"
#include "widgets/calendar/occupancy_plan_win.h"
#include "print/shape_painter.h"
#include "plan_ui_support.h"

using namespace velk;
using namespace velk::caltest;

namespace {

class JahrPlanWinTest : public PlanUiTest {
protected:
    void SetUp() override
    {
        PlanUiTest::SetUp();
        for (const char *id : {"R2", "BUS", "R1"}) resource(id);
    }
    std::unique_ptr<tJahrPlanWin> open(int year)
    {
        setCurrentUser("carl");
        auto win = std::make_unique<tJahrPlanWin>(year);
        win->resize(800, 600);
        win->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(win.get()));
        return win;
    }
    // The bars of an appointment, in the canvas's coordinates at the plan's scroll position.
    static std::vector<tRect> bars(const tJahrPlanWin &w, const std::string &key)
    {
        tPoint o = jahrPlanOffset(w.metrics(), w.scroll());
        std::vector<tRect> out;
        for (const tShape &s : w.shapes())
            if (s.role == tShape::Bar && s.key == key)
                out.push_back(
                    {s.rect.left - o.x, s.rect.top - o.y, s.rect.right - o.x, s.rect.bottom - o.y});
        return out;
    }
    // The inside of a bar is mostly grey (its title takes some of it) and its edge black.
    static void expectBar(const QImage &image, const tRect &r, const char *what)
    {
        tRect inside{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
        int area = inside.width() * inside.height();
        ASSERT_GT(area, 0) << what;
        EXPECT_GT(countColour(image, inside, kLightGrey) * 4, area) << what;
        EXPECT_EQ(countColour(image, inside, kWhite), 0) << what << ": filled";
        EXPECT_EQ(pixelAt(image, r.left, (r.top + r.bottom) / 2), kBlack) << what;
    }
    // The point in the middle of day d of month m on resource row k (1 = the first; 0 = the
    // day-number row), unscrolled, with three resources.
    static QPoint dayPoint(const tViewMetrics &m, int month, int d, int k)
    {
        return QPoint(5 * m.U + 2 * m.U * (d - 1) + m.U, ((month - 1) * 6 + 2 + k) * m.H + m.H / 2);
    }
    QImage canvasImage(tJahrPlanWin &w) { return w.canvas()->grab().toImage(); }
};

TEST_F(JahrPlanWinTest, PaintsBookingsAndDayNumbersAcrossTheYearEnd)
{
    tTermin fair = booking("carl", "Messe", at(30, 1, 2024, 10), at(2, 3, 2024, 12), "R1");
    tTermin eve = booking("carl", "Silvester", at(30, 12, 2024, 18), at(2, 1, 2025, 9), "R2");
    auto win = open(2024);
    tViewMetrics m = win->metrics();
    ASSERT_GT(m.U, 2);
    EXPECT_EQ(win->windowTitle(), QStringLiteral("Belegung 2024"));
    QImage image = canvasImage(*win);
    std::vector<tRect> fairBars = bars(*win, fair.ID);
    ASSERT_EQ(fairBars.size(), 3u);
    expectBar(image, fairBars[0], "30 to 31 January");
    expectBar(image, fairBars[1], "February");
    // 6 January 2024 is a regional holiday, 13 January a Saturday, the 14th a Sunday.
    auto numberBox = [&](int month, int day) {
        QPoint c = dayPoint(m, month, day, 0);
        return tRect{c.x() - m.U, c.y() - m.H / 2, c.x() + m.U, c.y() - m.H / 2 + m.H};
    };
    struct Number {
        int day;
        tRgb colour;
    } numbers[] = {{6, kMagenta}, {13, kLightGrey}, {14, kRed}, {15, kBlack}};
    for (const Number &n : numbers)
        EXPECT_TRUE(near(inkOf(image, numberBox(1, n.day)), n.colour)) << n.day << " January";
    QPoint free = dayPoint(m, 1, 10, 1);
    EXPECT_EQ(pixelAt(image, free.x(), free.y()), kWhite) << "no booking on 10 January";

    // November and December, scrolled down to: the year's part of the booking over New Year.
    win->setScroll({0, 10 * 6});
    image = canvasImage(*win);
    std::vector<tRect> eveBars = bars(*win, eve.ID);
    ASSERT_EQ(eveBars.size(), 1u);
    EXPECT_EQ(eveBars[0].top, (6 + 3 + 2) * m.H + 1) << "R2's row of December's block";
    expectBar(image, eveBars[0], "30 to 31 December 2024");
    tRect firstNov = numberBox(11, 1);
    firstNov.top -= 60 * m.H;
    firstNov.bottom -= 60 * m.H;
    EXPECT_TRUE(near(inkOf(image, firstNov), kMagenta)) << "1 November, scrolled into view";

    win->command(CmForward);
    EXPECT_EQ(win->windowTitle(), QStringLiteral("Belegung 2025"));
    win->setScroll({0, 0});
    image = canvasImage(*win);
    eveBars = bars(*win, eve.ID);
    ASSERT_EQ(eveBars.size(), 1u) << "1 to 2 January 2025";
    expectBar(image, eveBars[0], "1 to 2 January 2025");
    EXPECT_TRUE(near(inkOf(image, numberBox(1, 1)), kRed)) << "Neujahr";
}

TEST_F(JahrPlanWinTest, ScrollsByWholeCells)
{
    auto win = open(2024);
    tViewMetrics m = win->metrics();
    QScrollBar *h = win->area()->horizontalScrollBar(), *v = win->area()->verticalScrollBar();
    EXPECT_EQ(h->maximum(), 36);
    EXPECT_EQ(v->maximum(), 12 * 6);
    QImage before = canvasImage(*win);
    win->setScroll({2, 6});
    QImage after = canvasImage(*win);
    // February's day numbers are now where January's label row was, two cells to the left.
    EXPECT_EQ(after.copy(0, 0, 200, 3 * m.H), before.copy(2 * m.U, 6 * m.H, 200, 3 * m.H));

    // A part painted alone (as a window paints what was uncovered) looks as in the whole.
    booking("carl", "Messe", at(30, 1, 2024, 10), at(2, 3, 2024, 12), "R1");
    win->refill();
    QImage whole(70 * m.U, 30 * m.H, QImage::Format_RGB32), part = whole;
    whole.fill(Qt::white);
    part.fill(Qt::white);
    const QRect band(3 * m.U, 4 * m.H + 3, 40 * m.U, 5 * m.H);
    {
        QPainter painter(&whole);
        paintShapes(painter, win->shapes());
    }
    {
        QPainter painter(&part);
        painter.setClipRect(band);
        paintShapes(painter, win->shapes(), {}, &band);
    }
    EXPECT_EQ(part.copy(band), whole.copy(band));

    resource("R3");
    sendNotice(win.get(), NoticeResources);
    EXPECT_EQ(win->data().resources.size(), 4u);
    EXPECT_EQ(v->maximum(), 12 * 7) << "December stays in reach";
}

TEST_F(JahrPlanWinTest, DraggingBooksTheRowsResource)
{
    auto win = open(2024);
    tViewMetrics m = win->metrics();
    QWidget *canvas = win->canvas();
    QPoint jan5R1 = dayPoint(m, 1, 5, 2), jan7R1 = dayPoint(m, 1, 7, 2);
    struct Drag {
        const char *what;
        tPlanScroll scroll;
        QPoint down, up;
        std::vector<std::string> calls;
    } drags[] = {
        {"a click", {}, jan5R1, jan5R1, {}},
        {"4 pixels", {}, jan5R1, jan5R1 + QPoint(4, -4), {}},
        {"5 to 7 January", {}, jan5R1, jan7R1, {"new 5.1.2024 0:00 - 7.1.2024 0:00 [R1]"}},
        {"scrolled by a month and a day",
         {2, 6},
         jan5R1 - QPoint(2 * m.U, 0),
         jan7R1 - QPoint(2 * m.U, 0),
         {"new 5.2.2024 0:00 - 7.2.2024 0:00 [R1]"}},
        {"ends in the margin", {}, jan5R1, QPoint(m.U, jan7R1.y()), {}},
        {"ends beyond the 31st", {}, jan5R1, dayPoint(m, 1, 33, 2), {}},
    };
    for (const Drag &d : drags) {
        openers.calls.clear();
        win->setScroll(d.scroll);
        QTest::mousePress(canvas, Qt::LeftButton, {}, d.down);
        QTest::mouseMove(canvas, d.up);
        if (d.down != d.up) {
            EXPECT_TRUE(win->rubberBand()->isVisible()) << d.what;
        }
        QTest::mouseRelease(canvas, Qt::LeftButton, {}, d.up);
        EXPECT_FALSE(win->rubberBand()->isVisible());
        EXPECT_EQ(openers.calls, d.calls) << d.what;
    }
    win->setScroll({});

    // The booking the dialog stores appears on its row.
    openers.store = true;
    openers.calls.clear();
    QTest::mousePress(canvas, Qt::LeftButton, {}, jan5R1);
    QTest::mouseMove(canvas, jan7R1);
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, jan7R1);
    ASSERT_EQ(openers.calls.size(), 1u);
    ASSERT_EQ(win->data().bookings.size(), 1u);
    std::vector<tRect> drawn = bars(*win, win->data().bookings[0].ID);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_TRUE(drawn[0].contains({jan5R1.x(), jan5R1.y()}));
    expectBar(canvasImage(*win), drawn[0], "the new booking");
}

TEST_F(JahrPlanWinTest, WithoutResourcesDraggingDoesNothing)
{
    for (const char *id : {"R2", "BUS", "R1"}) {
        tResource r;
        ASSERT_TRUE(r.find(id));
        ASSERT_EQ(r.remove(), tStoreStatus::Stored);
    }
    auto win = open(2024);
    tViewMetrics m = win->metrics();
    EXPECT_EQ(win->area()->verticalScrollBar()->maximum(), 36);
    QPoint down(5 * m.U + m.U, 2 * m.H + 2), up = down + QPoint(6 * m.U, 2 * m.H);
    QTest::mousePress(win->canvas(), Qt::LeftButton, {}, down);
    QTest::mouseMove(win->canvas(), up);
    EXPECT_FALSE(win->rubberBand()->isVisible());
    QTest::mouseRelease(win->canvas(), Qt::LeftButton, {}, up);
    EXPECT_TRUE(openers.calls.empty());
    QImage image = canvasImage(*win);
    EXPECT_TRUE(near(inkOf(image, {5 * m.U, 0, 67 * m.U, 2 * m.H - 2}), kBlue))
        << "the month label";
}

TEST_F(JahrPlanWinTest, DoubleClicksAndTheContextMenu)
{
    tTermin one = booking("carl", "eins", at(5, 2, 2024, 8), at(5, 2, 2024, 9), "R1");
    booking("carl", "zwei", at(6, 2, 2024, 8), at(6, 2, 2024, 9), "R1");
    booking("carl", "drei", at(6, 2, 2024, 10), at(6, 2, 2024, 11), "R1");
    auto win = open(2024);
    tViewMetrics m = win->metrics();
    QWidget *canvas = win->canvas();
    QString title;
    QStringList lines;

    QTest::mouseDClick(canvas, Qt::LeftButton, {}, dayPoint(m, 2, 5, 2));
    EXPECT_EQ(openers.calls, std::vector<std::string>{"termin " + std::string(one.ID)});
    host.dialogScripts.push_back(chooseLine(&title, &lines, -1));
    QTest::mouseDClick(canvas, Qt::LeftButton, {}, dayPoint(m, 2, 6, 2));
    EXPECT_EQ(title, QStringLiteral(" 6. 2.2024"));
    EXPECT_EQ(lines.size(), 2);
    host.dialogScripts.push_back(chooseLine(&title, &lines, -1));
    QTest::mouseDClick(canvas, Qt::LeftButton, {}, dayPoint(m, 2, 9, 0));
    EXPECT_EQ(title, QStringLiteral(" 9. 2.2024")) << "the day-number row";
    QTest::mouseDClick(canvas, Qt::LeftButton, {}, dayPoint(m, 2, 9, 3));
    QTest::mouseDClick(canvas, Qt::LeftButton, {}, QPoint(m.U, m.H * 4));
    EXPECT_EQ(host.eventsOf(QStringLiteral("dialog:")).size(), 2) << "nothing on R2, nothing left";

    QTest::mousePress(canvas, Qt::RightButton, {}, dayPoint(m, 2, 6, 1));
    ASSERT_TRUE(win->contextMenu()->isVisible());
    host.dialogScripts.push_back(chooseLine(&title, &lines, 1));
    win->contextMenu()->actions()[1]->trigger();
    win->contextMenu()->hide();
    EXPECT_EQ(title, QStringLiteral("L\u00f6schen"));
    EXPECT_EQ(lines.size(), 2);
    EXPECT_EQ(bars(*win, one.ID).size(), 1u);
    int onSixth = 0;
    for (const tTermin &t : win->data().bookings) onSixth += t.from.day == 6;
    EXPECT_EQ(onSixth, 1) << "the plan was redrawn without the deleted booking";
}

} // namespace
