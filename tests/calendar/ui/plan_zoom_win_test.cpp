// The month planner and the occupancy plan zoomed: the commands, the remembered zoom, fitting
// the window, "Heute", today's mark and the day numbers as painted, and the mouse at every zoom.
#include <QAbstractScrollArea>
#include <QMenu>
#include <QRubberBand>
#include <QScrollBar>
#include <QSettings>
#include <QWheelEvent>

#include "shell/core/commands.h"
#include "views/view_zoom.h"
#include "widgets/calendar/month_planner_win.h"
#include "widgets/calendar/occupancy_plan_win.h"
#include "print/shape_painter.h"
#include "plan_ui_support.h"

using namespace velk;
using namespace velk::caltest;

namespace {

const tDate kFarAway{1, 1, 2000}; // a today that no view of these tests shows

class PlanZoomTest : public PlanUiTest {
protected:
    void TearDown() override
    {
        setPlanZoomIni(QString());
        PlanUiTest::TearDown();
    }
    std::unique_ptr<tCalPlanerWin> planner(tDate month, int zoom = 100, QSize size = {})
    {
        setCurrentUser("carl");
        auto win = std::make_unique<tCalPlanerWin>(month);
        win->setToday(kFarAway);
        win->setZoom(zoom);
        win->resize(size.isValid() ? size : win->sizeHint());
        win->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(win.get()));
        return win;
    }
    std::unique_ptr<tJahrPlanWin> plan(int year, int zoom = 100)
    {
        setCurrentUser("carl");
        auto win = std::make_unique<tJahrPlanWin>(year);
        win->setToday(kFarAway);
        win->setZoom(zoom);
        win->resize(900, 600);
        win->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(win.get()));
        return win;
    }
    // The middle of the planner's cell of `day` at `hour`.
    static QPoint cell(const tCalPlanerWin &w, int day, int hour)
    {
        tViewMetrics m = w.metrics();
        return QPoint(2 * m.U + 1 + 2 * m.U * (day - 1) + m.U, (hour - 7 + 3) * m.H + m.H / 2 + 2);
    }
    static tRgb highlight(const QWidget &w)
    {
        QColor c = w.palette().color(QPalette::Highlight);
        return {c.red(), c.green(), c.blue()};
    }
    static void wheel(QWidget *target, int delta, Qt::KeyboardModifiers modifiers)
    {
        QPointF at(target->width() / 2.0, target->height() / 2.0);
        QWheelEvent e(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &e);
    }
};

bool white(QRgb p) { return qRed(p) > 235 && qGreen(p) > 235 && qBlue(p) > 235; }

// The columns of the day-number row with ink, painted as a person sees them: every number's ink
// lies within its box (a pixel of smoothing aside), and two numbers' inks are 2 columns apart.
void expectNumbersApart(const QImage &image, const std::vector<tShape> &shapes, int top, int bottom,
                        const std::string &what)
{
    std::vector<const tShape *> numbers;
    for (const tShape &s : shapes)
        if (s.role == tShape::DayNumber) numbers.push_back(&s);
    ASSERT_GE(numbers.size(), 7u) << what;
    int previousRight = -100;
    for (std::size_t i = 0; i < numbers.size(); i++) {
        const tRect &r = numbers[i]->rect;
        const int from = i == 0 ? r.left - 3 : numbers[i - 1]->rect.right;
        const int till = i + 1 == numbers.size() ? r.right + 3 : numbers[i + 1]->rect.left;
        int inkLeft = -1, inkRight = -1;
        for (int x = from; x < till; x++)
            for (int y = top; y < bottom; y++)
                if (image.valid(x, y) && !white(image.pixel(x, y))) {
                    if (inkLeft < 0) inkLeft = x;
                    inkRight = x;
                }
        ASSERT_GE(inkLeft, 0) << what << ": no ink for " << numbers[i]->text;
        EXPECT_GE(inkLeft, r.left - 1) << what << " " << numbers[i]->text;
        EXPECT_LE(inkRight, r.right) << what << " " << numbers[i]->text;
        EXPECT_GE(inkLeft - previousRight, 2)
            << what << ": " << numbers[i]->text << " runs into " << numbers[i - 1]->text;
        previousRight = inkRight;
    }
}

TEST_F(PlanZoomTest, CommandsStepTheZoomAndScaleTheGrid)
{
    auto win = planner({1, 3, 2024});
    const tViewMetrics own = win->metrics();
    for (int id : {CmToday, CmZoomIn, CmZoomOut, CmZoomReset, CmZoomFit, CmBack, CmForward})
        EXPECT_TRUE(win->handlesCommand(id)) << id;
    struct Step {
        int command, zoom;
    } steps[] = {{CmZoomIn, 110}, {CmZoomIn, 125}, {CmZoomOut, 110},  {CmZoomReset, 100},
                 {CmZoomOut, 90}, {CmZoomOut, 75}, {CmZoomReset, 100}};
    for (const Step &s : steps) {
        win->command(s.command);
        EXPECT_EQ(win->zoom(), s.zoom);
        EXPECT_EQ(win->metrics().U, zoomedMetrics(own, s.zoom).U);
        EXPECT_EQ(win->metrics().H, zoomedMetrics(own, s.zoom).H);
    }
    win->setZoom(200);
    EXPECT_EQ(win->sizeHint().width(), (2 * 31 + 3) * win->metrics().U + 2);
    const tShape &frame = win->shapes().front();
    EXPECT_EQ(frame.rect.right, 2 * win->metrics().U + 1 + 62 * win->metrics().U);

    // Ctrl with the wheel steps the zoom; the wheel alone does not.
    win->setZoom(100);
    wheel(win.get(), 120, Qt::ControlModifier);
    EXPECT_EQ(win->zoom(), 110);
    wheel(win.get(), -120, Qt::ControlModifier);
    wheel(win.get(), -120, Qt::ControlModifier);
    EXPECT_EQ(win->zoom(), 90);
    wheel(win.get(), 120, Qt::NoModifier);
    EXPECT_EQ(win->zoom(), 90);
    // A touchpad's small parts of a notch add up to one step.
    wheel(win.get(), 60, Qt::ControlModifier);
    EXPECT_EQ(win->zoom(), 90);
    wheel(win.get(), 60, Qt::ControlModifier);
    EXPECT_EQ(win->zoom(), 100);

    auto year = plan(2024);
    wheel(year->canvas(), 120, Qt::ControlModifier);
    EXPECT_EQ(year->zoom(), 110);
    wheel(year->canvas(), 120, Qt::NoModifier);
    EXPECT_EQ(year->zoom(), 110) << "the plain wheel scrolls";

    // Large cells in a small window: the scroll bar still reaches the 31st.
    year->resize(500, 400);
    QTest::qWait(50);
    year->setZoom(400);
    const tViewMetrics m = year->metrics();
    QScrollBar *across = year->area()->horizontalScrollBar();
    across->setValue(across->maximum());
    EXPECT_GE(across->maximum() * m.U + year->canvas()->width(), 67 * m.U);
}

TEST_F(PlanZoomTest, TheZoomIsKeptPerKindOfView)
{
    const QString ini = QString::fromStdString(file("VELK.INI"));
    setPlanZoomIni(ini);
    {
        auto first = planner({1, 3, 2024});
        EXPECT_EQ(first->zoom(), 100) << "nothing kept yet";
        first->command(CmZoomIn);
        first->command(CmZoomIn);
        auto year = plan(2024);
        year->command(CmZoomOut);
    }
    QSettings settings(ini, QSettings::IniFormat);
    EXPECT_EQ(settings.value(QStringLiteral("V.E.L.K/ZoomMonatsplan")).toInt(), 125);
    EXPECT_EQ(settings.value(QStringLiteral("V.E.L.K/ZoomBelegung")).toInt(), 90);
    auto next = std::make_unique<tCalPlanerWin>(tDate{1, 5, 2024});
    EXPECT_EQ(next->zoom(), 125);
    EXPECT_EQ(std::make_unique<tJahrPlanWin>(2025)->zoom(), 90);

    // Without the program's settings nothing is read.
    setPlanZoomIni(QString());
    EXPECT_EQ(std::make_unique<tCalPlanerWin>(tDate{1, 5, 2024})->zoom(), 100);
}

TEST_F(PlanZoomTest, FitFillsTheWindowAndTodayComesBack)
{
    auto win = planner({1, 3, 2024}, 100, QSize(1270, 800));
    win->command(CmZoomFit);
    const int fitted = win->zoom();
    EXPECT_GT(fitted, 250);
    EXPECT_LE(win->sizeHint().width(), 1270);
    EXPECT_LE(win->sizeHint().height(), 800);
    win->setZoom(fitted + 1);
    EXPECT_TRUE(win->sizeHint().width() > 1270 || win->sizeHint().height() > 800);

    win->setToday({14, 8, 2025});
    win->command(CmToday);
    EXPECT_EQ(win->month(), (tDate{1, 8, 2025}));
    EXPECT_EQ(win->windowTitle(), QStringLiteral("Planer 8/2025"));

    auto year = plan(2024);
    year->command(CmZoomFit);
    const int width = year->canvas()->width();
    EXPECT_LE(jahrPlanExtent(year->metrics()).x, width);
    EXPECT_GT(jahrPlanExtent(zoomedMetrics(planMetrics(year->canvas()), year->zoom() + 1)).x,
              width);
    year->setToday({14, 8, 2026});
    year->command(CmToday);
    EXPECT_EQ(year->year(), 2026);
    EXPECT_EQ(year->windowTitle(), QStringLiteral("Belegung 2026"));
    EXPECT_EQ(year->scroll().y, jahrPlanMonthRow(8, 0)) << "August at the top";
}

TEST_F(PlanZoomTest, AMonthLargerThanTheWindowScrolls)
{
    tTermin late = add("carl", termin("Spaet", at(28, 3, 2024, 20), at(28, 3, 2024, 21)));
    auto win = planner({1, 3, 2024}, 300, QSize(600, 400));
    auto *across = win->findChild<QScrollBar *>(QStringLiteral("plannerAcross"));
    auto *down = win->findChild<QScrollBar *>(QStringLiteral("plannerDown"));
    ASSERT_TRUE(across && down);
    EXPECT_TRUE(across->isVisible());
    EXPECT_TRUE(down->isVisible());

    // The wheel alone scrolls down, with Shift across.
    wheel(win.get(), -120, Qt::NoModifier);
    EXPECT_GT(down->value(), 0);
    wheel(win.get(), -120, Qt::ShiftModifier);
    EXPECT_GT(across->value(), 0);
    EXPECT_EQ(win->zoom(), 300);

    // Scrolled to the end: the late appointment on the 28th is painted and hit where it shows.
    across->setValue(across->maximum());
    down->setValue(down->maximum());
    const QPoint offset(across->value(), down->value());
    const tShape *bar = nullptr;
    for (const tShape &s : win->shapes())
        if (s.role == tShape::Bar && s.key == late.ID) bar = &s;
    ASSERT_TRUE(bar);
    const QPoint middle =
        QPoint((bar->rect.left + bar->rect.right) / 2, (bar->rect.top + bar->rect.bottom) / 2) -
        offset;
    ASSERT_TRUE(QRect(0, 0, down->x(), across->y()).contains(middle));
    EXPECT_EQ(pixelAt(win->grab().toImage(), middle.x(), middle.y()), kLightGrey);
    QTest::mouseDClick(win.get(), Qt::LeftButton, {}, middle);
    EXPECT_EQ(openers.calls, std::vector<std::string>{"termin " + std::string(late.ID)});

    // "Heute" scrolls today's column into the middle.
    across->setValue(0);
    win->setToday({28, 3, 2024});
    win->command(CmToday);
    const int column = planerColumnX(win->metrics(), 28) - across->value();
    EXPECT_GT(column, 0);
    EXPECT_LT(column + 2 * win->metrics().U, down->x());

    // At its own size nothing scrolls.
    win->setZoom(100);
    win->resize(win->sizeHint());
    QTest::qWait(50);
    EXPECT_FALSE(across->isVisible());
    EXPECT_FALSE(down->isVisible());
    EXPECT_EQ(across->value() + down->value(), 0);
}

TEST_F(PlanZoomTest, DeskLinesBringMonthYearAndZoomBack)
{
    auto win = planner({1, 3, 2024}, 150);
    EXPECT_EQ(win->deskState(), QStringLiteral("Monat 3/2024 Zoom 150"));
    auto other = planner({1, 1, 1999});
    other->restoreDeskState(win->deskState());
    EXPECT_EQ(other->month(), (tDate{1, 3, 2024}));
    EXPECT_EQ(other->zoom(), 150);
    other->restoreDeskState(QStringLiteral("Unsinn"));
    EXPECT_EQ(other->month(), (tDate{1, 3, 2024}));

    auto year = plan(2024, 75);
    EXPECT_EQ(year->deskState(), QStringLiteral("Jahr 2024 Zoom 75"));
    auto otherYear = plan(2020);
    otherYear->restoreDeskState(year->deskState());
    EXPECT_EQ(otherYear->year(), 2024);
    EXPECT_EQ(otherYear->zoom(), 75);
    EXPECT_EQ(otherYear->windowTitle(), QStringLiteral("Belegung 2024"));
}

TEST_F(PlanZoomTest, PaintedDayNumbersNeverRunTogether)
{
    resource("R1");
    for (int zoom : {50, 100, 200}) {
        for (int month : {2, 12}) {
            auto win = planner({1, month, 2024}, zoom);
            const tViewMetrics m = win->metrics();
            expectNumbersApart(win->grab().toImage(), win->shapes(), m.H + 1, 2 * m.H + 1,
                               "planner at " + std::to_string(zoom));
        }
        auto year = plan(2024, zoom);
        const tViewMetrics m = year->metrics();
        std::vector<tShape> january;
        for (const tShape &s : year->shapes())
            if (s.date.month == 1 || s.role != tShape::DayNumber) january.push_back(s);
        // January's numbers stand in row 2; the plan shows it from the top.
        year->resize(std::max(900, 70 * m.U), 600);
        expectNumbersApart(year->canvas()->grab().toImage(), january, 2 * m.H, 3 * m.H,
                           "occupancy plan at " + std::to_string(zoom));
    }
}

TEST_F(PlanZoomTest, TodayIsMarkedInTheHighlightColour)
{
    resource("R1");
    for (int zoom : {100, 200}) {
        auto win = planner({1, 2, 2024}, zoom);
        win->setToday({14, 2, 2024});
        const tViewMetrics m = win->metrics();
        const tRgb mark = highlight(*win);
        QImage image = win->grab().toImage();
        const int x = 2 * m.U + 1 + 2 * m.U * 13;
        EXPECT_EQ(pixelAt(image, x, 10 * m.H), mark) << "the frame's left edge at " << zoom;
        EXPECT_EQ(pixelAt(image, x + 2 * m.U, 10 * m.H), mark) << "its right edge";
        EXPECT_EQ(pixelAt(image, x + 1, 10 * m.H) == mark, zoom >= 150) << "a second frame";
        EXPECT_EQ(pixelAt(image, x + 2, 2 * m.H), tinted(mark)) << "the tinted heading";
        EXPECT_EQ(pixelAt(image, x - 2 * m.U + 1, 2 * m.H), kWhite) << "the 13th's heading";
        EXPECT_EQ(pixelAt(image, x - 2 * m.U, 10 * m.H + m.H / 2), kBlack) << "before the 13th";

        auto year = plan(2024, zoom);
        year->setToday({3, 1, 2024});
        const tViewMetrics ym = year->metrics();
        QImage canvas = year->canvas()->grab().toImage();
        // January: a row above the label, the label, the numbers, then R1.
        const int px = 5 * ym.U + 2 * ym.U * 2;
        EXPECT_EQ(pixelAt(canvas, px, 3 * ym.H + ym.H / 2), mark) << "over R1's row at " << zoom;
        EXPECT_EQ(pixelAt(canvas, px + 2, 3 * ym.H - 1), tinted(mark));
        EXPECT_EQ(pixelAt(canvas, px - 2 * ym.U + 1, 3 * ym.H - 1), kWhite) << "the 2nd's heading";
    }
}

TEST_F(PlanZoomTest, TheMouseHitsWhatIsDrawnAtEveryZoom)
{
    tTermin meeting = add("carl", termin("Sitzung", at(3, 3, 2024, 9, 30), at(3, 3, 2024, 10)));
    resource("R1");
    resource("R2");
    for (int zoom : {50, 150, 300}) {
        auto win = planner({1, 3, 2024}, zoom);
        openers.calls.clear();
        QPoint from = cell(*win, 3, 9), to = cell(*win, 4, 11);
        QTest::mousePress(win.get(), Qt::LeftButton, {}, from);
        QTest::mouseMove(win.get(), to);
        EXPECT_TRUE(win->rubberBand()->isVisible());
        QTest::mouseRelease(win.get(), Qt::LeftButton, {}, to);
        QTest::mouseDClick(win.get(), Qt::LeftButton, {}, cell(*win, 3, 9));
        EXPECT_EQ(openers.calls, (std::vector<std::string>{"new 3.3.2024 9:00 - 4.3.2024 12:00 []",
                                                           "termin " + std::string(meeting.ID)}))
            << zoom;
        QString title;
        QStringList lines;
        QTest::mousePress(win.get(), Qt::RightButton, {}, cell(*win, 3, 9));
        host.dialogScripts.push_back(chooseLine(&title, &lines, -1, "buttonCancel"));
        win->contextMenu()->actions()[0]->trigger();
        win->contextMenu()->hide();
        EXPECT_EQ(lines, QStringList{QStringLiteral("> 3.3.2024 09:30-10:00 Sitzung")}) << zoom;

        auto year = plan(2024, zoom);
        year->setScroll({2, 1});
        const tViewMetrics m = year->metrics();
        auto point = [&](int day, int row) {
            return QPoint((5 + 2 * (day - 1) - 2) * m.U + m.U / 2, (row - 1) * m.H + m.H / 2);
        };
        openers.calls.clear();
        // March's block begins in row 2 * 5; its second resource is row 14.
        QTest::mousePress(year->canvas(), Qt::LeftButton, {}, point(3, 14));
        QTest::mouseMove(year->canvas(), point(6, 14));
        QTest::mouseRelease(year->canvas(), Qt::LeftButton, {}, point(6, 14));
        EXPECT_EQ(openers.calls, std::vector<std::string>{"new 3.3.2024 0:00 - 6.3.2024 0:00 [R2]"})
            << zoom;
    }
}

} // namespace
