// The drawn views at every zoom: the steps, the metrics, fitting a window, day numbers that keep
// apart, texts cut only where they do not fit, today's mark, hit tests and the desk lines.
#include "views/month_planner.h"
#include "views/occupancy_plan.h"
#include "views/view_zoom.h"
#include "views_support.h"

#include <algorithm>
#include <cctype>

using namespace velk;
using namespace velk::caltest;

namespace {

constexpr tViewMetrics kOwn{6, 13}; // U, H at 100 %
constexpr int kZooms[] = {50, 100, 200};
constexpr tRgb kMark{48, 140, 198};

// A font of its own: digits 6 pixels wide at 100 %, capitals 8, everything else 5.
class FixedWidths : public tTextWidths {
public:
    int width(const std::string &s, int size) const override
    {
        int w = 0;
        for (unsigned char c : s) w += std::isdigit(c) ? 6 : std::isupper(c) ? 8 : 5;
        return (w * size + 50) / 100;
    }
};

const FixedWidths kWidths;

tViewMetrics metricsAt(int zoom, bool measured)
{
    tViewMetrics m = zoomedMetrics(kOwn, zoom);
    if (measured) m.text = &kWidths;
    return m;
}

std::vector<tShape> ofRole(const std::vector<tShape> &shapes, tShape::Role role)
{
    std::vector<tShape> out;
    for (const tShape &s : shapes)
        if (s.role == role) out.push_back(s);
    return out;
}

int indexOf(const std::vector<tShape> &shapes, tShape::Role role, int day)
{
    for (std::size_t i = 0; i < shapes.size(); i++)
        if (shapes[i].role == role && shapes[i].date.day == day) return int(i);
    return -1;
}

// The day numbers of one month (given in order of their days): each as wide as its text, inside
// its own day's reach, and apart from the next by at least a free pixel.
void expectApart(const std::vector<tShape> &numbers, const tViewMetrics &m, int firstColumn,
                 const std::string &what)
{
    ASSERT_FALSE(numbers.empty()) << what;
    const int column = 2 * m.U;
    for (std::size_t i = 0; i < numbers.size(); i++) {
        const tShape &n = numbers[i];
        EXPECT_EQ(n.rect.width(), textWidth(m, n.text, n.textSize)) << what << " " << n.text;
        const int middle = firstColumn + column * (n.date.day - 1) + column / 2;
        EXPECT_LE(std::abs((n.rect.left + n.rect.right) / 2 - middle), 1) << what << " " << n.text;
        if (i > 0) {
            EXPECT_GE(n.rect.left - numbers[i - 1].rect.right, 1)
                << what << ": " << numbers[i - 1].text << " and " << n.text << " touch";
        }
    }
}

using ZoomTest = ViewsTest;

TEST(ZoomSteps, InOutAndSettings)
{
    struct Step {
        int zoom, in, out;
    } steps[] = {{100, 110, 90}, {50, 67, 50}, {400, 400, 300}, {120, 125, 110}, {10, 50, 50}};
    for (const Step &s : steps) {
        EXPECT_EQ(zoomedIn(s.zoom), s.in) << s.zoom;
        EXPECT_EQ(zoomedOut(s.zoom), s.out) << s.zoom;
    }
    struct Setting {
        const char *text;
        int zoom;
    } settings[] = {{"150", 150}, {" 75 ", 75}, {"50", 50},   {"400", 400},  {"", 100},
                    {"abc", 100}, {"49", 100},  {"401", 100}, {"150x", 100}, {"-100", 100}};
    for (const Setting &s : settings) EXPECT_EQ(zoomFromSetting(s.text), s.zoom) << s.text;
}

TEST(ZoomSteps, MetricsAndFit)
{
    struct Row {
        int zoom, U, H;
    } rows[] = {{100, 6, 13}, {200, 12, 26}, {50, 3, 7}, {67, 4, 9}, {400, 24, 52}, {20, 3, 7}};
    for (const Row &r : rows) {
        tViewMetrics m = zoomedMetrics(kOwn, r.zoom);
        EXPECT_EQ(m.U, r.U) << r.zoom;
        EXPECT_EQ(m.H, r.H) << r.zoom;
        EXPECT_EQ(m.zoom, clampZoom(r.zoom));
    }
    // A maximised window of 1280 x 900 less the frame: the largest zoom that fits.
    struct Window {
        int width, height;
    } windows[] = {{1270, 780}, {1270, 0}, {2000, 300}, {100, 100}, {5000, 5000}};
    for (const Window &w : windows) {
        int zoom = fitZoom(kOwn, w.width, w.height, planerExtent);
        tPoint fits = planerExtent(zoomedMetrics(kOwn, zoom));
        if (zoom > kMinZoom) {
            EXPECT_LE(fits.x, w.width);
            if (w.height > 0) {
                EXPECT_LE(fits.y, w.height);
            }
        }
        if (zoom < kMaxZoom) {
            tPoint larger = planerExtent(zoomedMetrics(kOwn, zoom + 1));
            EXPECT_TRUE(larger.x > w.width || (w.height > 0 && larger.y > w.height)) << zoom;
        }
    }
    EXPECT_EQ(fitZoom(kOwn, 100, 100, planerExtent), kMinZoom);
    EXPECT_EQ(fitZoom(kOwn, 5000, 5000, planerExtent), kMaxZoom);
    EXPECT_GE(fitZoom(kOwn, 1270, 780, planerExtent), 290) << "the month fills the window";
    // 36 steps across at 100 %; at 400 % (U 24) in 480 pixels 68 - 20 to reach the 31st.
    EXPECT_EQ(jahrPlanScrollRange(2, kOwn, 800), (tPlanScroll{36, 60}));
    EXPECT_EQ(jahrPlanScrollRange(2, zoomedMetrics(kOwn, 400), 480), (tPlanScroll{48, 60}));
    int wide = fitZoom(kOwn, 1270, 0, jahrPlanExtent);
    EXPECT_LE(jahrPlanExtent(zoomedMetrics(kOwn, wide)).x, 1270);
    EXPECT_GT(jahrPlanExtent(zoomedMetrics(kOwn, wide + 1)).x, 1270);
}

TEST(ZoomSteps, ScrollBarsWhereTheDrawingIsLarger)
{
    struct Row {
        tPoint extent;
        int width, height;
        tScrollNeed need;
    } rows[] = {
        {{400, 300}, 400, 300, {false, false, 400, 300, 0, 0}},
        {{401, 300}, 400, 300, {true, true, 385, 285, 16, 15}}, // across, then down too
        {{401, 280}, 400, 300, {true, false, 400, 285, 1, 0}},
        {{300, 500}, 400, 300, {false, true, 385, 300, 0, 200}},
        {{1200, 900}, 400, 300, {true, true, 385, 285, 815, 615}},
    };
    for (const Row &r : rows)
        EXPECT_EQ(scrollNeed(r.extent, r.width, r.height, 15), r.need)
            << r.extent.x << "x" << r.extent.y;
}

TEST_F(ZoomTest, PlannerDayNumbersKeepApartInEveryMonthAtEveryZoom)
{
    tHolidayCache holidays;
    for (bool measured : {false, true})
        for (int zoom : kZooms)
            for (int month = 1; month <= 12; month++) {
                tViewMetrics m = metricsAt(zoom, measured);
                std::vector<tShape> numbers =
                    ofRole(planerShapes({1, month, 2024}, m, holidays), tShape::DayNumber);
                std::string what = "zoom " + std::to_string(zoom) + " month " +
                                   std::to_string(month) + (measured ? " measured" : "");
                expectApart(numbers, m, 2 * m.U + 1, what);
                if (zoom >= 100) {
                    EXPECT_EQ(int(numbers.size()), tDate::daysInMonth(month, 2024)) << what;
                }
            }
}

TEST_F(ZoomTest, OccupancyDayNumbersKeepApartInEveryMonthAtEveryZoom)
{
    resource("R1");
    tHolidayCache holidays;
    for (bool measured : {false, true})
        for (int zoom : kZooms) {
            tViewMetrics m = metricsAt(zoom, measured);
            std::vector<tShape> shapes = jahrPlanShapes(jahrPlanData(2024), m, holidays);
            for (int month = 1; month <= 12; month++) {
                std::vector<tShape> numbers;
                for (const tShape &s : ofRole(shapes, tShape::DayNumber))
                    if (s.date.month == month) numbers.push_back(s);
                expectApart(numbers, m, 5 * m.U,
                            "zoom " + std::to_string(zoom) + " month " + std::to_string(month));
            }
        }
}

TEST(ZoomText, CutOnlyWhatDoesNotFit)
{
    const tViewMetrics m = kOwn; // 6 pixels a character
    struct Row {
        const char *text;
        int width;
        const char *shown;
    } rows[] = {
        {"RAUM1", 30, "RAUM1"}, {"RAUM1", 29, "RAU\x85"}, {"RAUM1", 6, "\x85"},
        {"RAUM1", 5, ""},       {"AB CD", 23, "AB\x85"},  {"", 0, ""},
        {"R1", 12, "R1"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(elidedText(m, r.text, 100, r.width), r.shown) << r.text << " in " << r.width;
    EXPECT_EQ(elidedText(metricsAt(100, true), "RAUM1", 100, 38), "RAUM1") << "8 + 8 + 8 + 8 + 6";
    EXPECT_EQ(elidedText(metricsAt(200, true), "RAUM1", 200, 75), "RAUM\x85");
}

TEST_F(ZoomTest, ResourceIdsAndTitlesWholeWhereTheyFit)
{
    resource("RAUM1");
    resource("R1");
    tTermin shortOne = booking("carl", "Besprechung", at(4, 3, 2024), at(4, 3, 2024, 2), "RAUM1");
    tTermin longOne = booking("carl", "Besprechung", at(4, 4, 2024), at(20, 4, 2024), "R1");
    tHolidayCache holidays;
    for (int zoom : kZooms) {
        tViewMetrics m = metricsAt(zoom, true);
        std::vector<tShape> shapes = jahrPlanShapes(jahrPlanData(2024), m, holidays);
        for (const tShape &s : shapes) {
            if (s.role != tShape::ResourceLabel && s.role != tShape::BarTitle) continue;
            const std::string whole = s.role == tShape::ResourceLabel ? s.key : "Besprechung";
            const int room = s.role == tShape::ResourceLabel ? s.rect.width() : s.rect.width() - 2;
            EXPECT_EQ(s.textSize, zoom);
            EXPECT_LE(textWidth(m, s.text, s.textSize), room) << s.text;
            if (textWidth(m, whole, zoom) <= room) {
                EXPECT_EQ(s.text, whole) << "fits whole at zoom " << zoom;
            } else {
                if (s.text.empty()) {
                    EXPECT_GT(textWidth(m, "\x85", zoom), room) << "not even the dots fit";
                    continue;
                }
                EXPECT_EQ(s.text.back(), '\x85') << whole << " at zoom " << zoom;
                EXPECT_EQ(whole.rfind(s.text.substr(0, s.text.size() - 1), 0), 0u);
            }
        }
    }
    // At 100 % the row's label "RAUM1" (36 pixels in this font) is cut in the 29 of the margin;
    // the long booking's title stands whole, the two hours' one is cut.
    std::vector<tShape> shapes = jahrPlanShapes(jahrPlanData(2024), metricsAt(100, true), holidays);
    bool cutLabel = false, wholeTitle = false, cutTitle = false;
    for (const tShape &s : shapes) {
        cutLabel |= s.role == tShape::ResourceLabel && s.key == "RAUM1" && s.text == "RAU\x85";
        wholeTitle |= s.role == tShape::BarTitle && s.key == longOne.ID && s.text == "Besprechung";
        cutTitle |= s.role == tShape::BarTitle && s.key == shortOne.ID && !s.text.empty() &&
                    s.text.back() == '\x85';
    }
    EXPECT_TRUE(cutLabel);
    EXPECT_TRUE(wholeTitle);
    EXPECT_TRUE(cutTitle);
}

TEST_F(ZoomTest, TodayMarkedInThePlannerAndThePlan)
{
    resource("R1");
    resource("R2");
    tHolidayCache holidays;
    const tViewMetrics m = metricsAt(100, true);
    const int U = m.U, H = m.H, L = 2 * U + 1;
    struct Row {
        tDate today;
        bool marked;
    } rows[] = {{{14, 2, 2024}, true}, {{14, 3, 2024}, false}, {{14, 2, 2023}, false}, {{}, false}};
    for (const Row &r : rows) {
        const tTodayMark today{r.today, kMark};
        std::vector<tShape> shapes = planerShapes({1, 2, 2024}, m, holidays, today);
        int heading = indexOf(shapes, tShape::TodayHeading, 14);
        ASSERT_EQ(heading >= 0, r.marked) << ::testing::PrintToString(r.today);
        ASSERT_EQ(ofRole(shapes, tShape::TodayFrame).size(), r.marked ? 1u : 0u);
        if (!r.marked) continue;
        const int x = L + 2 * U * 13;
        EXPECT_LT(heading, indexOf(shapes, tShape::DayNumber, 14)) << "behind the number";
        EXPECT_EQ(shapes[heading].rect, (tRect{x, H + 1, x + 2 * U, 2 * H + 1}));
        EXPECT_EQ(shapes[heading].fill, tinted(kMark));
        EXPECT_TRUE(shapes[heading].filled && !shapes[heading].outlined);
        const tShape &frame = shapes.back();
        EXPECT_EQ(frame.role, tShape::TodayFrame) << "drawn last, over the bars";
        EXPECT_EQ(frame.rect, (tRect{x, H + 1, x + 2 * U + 1, 18 * H + 2}));
        EXPECT_TRUE(frame.outlined && !frame.filled && frame.pen == kMark);

        std::vector<tShape> plan = jahrPlanShapes(jahrPlanData(2024), m, holidays, today);
        int planHeading = -1;
        for (std::size_t i = 0; i < plan.size(); i++)
            if (plan[i].role == tShape::TodayHeading) planHeading = int(i);
        ASSERT_GE(planHeading, 0);
        EXPECT_EQ(plan[planHeading].date, r.today);
        // February's block begins in row 5 (two resources, three rows above them).
        const int px = 5 * U + 2 * U * 13, top = (5 + 3) * H;
        EXPECT_EQ(plan[planHeading].rect, (tRect{px, top - H, px + 2 * U, top}));
        EXPECT_EQ(plan.back().role, tShape::TodayFrame);
        EXPECT_EQ(plan.back().rect, (tRect{px, top - H, px + 2 * U + 1, top + 2 * H}));

        // From 150 % a second frame inside the first.
        const tViewMetrics large = metricsAt(150, true);
        std::vector<tShape> frames =
            ofRole(planerShapes({1, 2, 2024}, large, holidays, today), tShape::TodayFrame);
        ASSERT_EQ(frames.size(), 2u);
        EXPECT_EQ(frames[1].rect, (tRect{frames[0].rect.left + 1, frames[0].rect.top + 1,
                                         frames[0].rect.right - 1, frames[0].rect.bottom - 1}));
    }
}

TEST_F(ZoomTest, HitsFollowTheZoom)
{
    resource("R1");
    resource("R2");
    const tJahrPlanData data = jahrPlanData(2024);
    tHolidayCache holidays;
    for (int zoom : {50, 75, 100, 150, 300, 400}) {
        const tViewMetrics m = metricsAt(zoom, true);
        const int U = m.U, H = m.H;
        // The middle of every hour cell of 15 March, and of its day number as drawn.
        for (int hour = 7; hour < 22; hour++) {
            tPoint p{planerColumnX(m, 15) + U, (hour - 7 + 3) * H + H / 2 + 2};
            EXPECT_EQ(p.x, 2 * U + 1 + 2 * U * 14 + U);
            tPlanerHit hit = planerHit(m, {1, 3, 2024}, p);
            EXPECT_EQ(hit.area, tPlanerHit::Hours) << zoom;
            EXPECT_EQ(hit.date, (tDate{15, 3, 2024})) << zoom;
            EXPECT_EQ(hit.hour, hour) << zoom;
        }
        for (const tShape &s : planerShapes({1, 3, 2024}, m, holidays)) {
            if (s.role != tShape::DayNumber) continue;
            tPlanerHit hit =
                planerHit(m, {1, 3, 2024},
                          {(s.rect.left + s.rect.right) / 2, (s.rect.top + s.rect.bottom) / 2});
            EXPECT_EQ(hit.area, tPlanerHit::DayNumbers) << zoom << " " << s.text;
            EXPECT_EQ(hit.date, s.date) << zoom;
        }
        // A drag at this zoom, scrolled by 2 cells across and 3 down, on March's second
        // resource (row 2 * 5 + 4) books the days under the corners.
        auto point = [&](int day) {
            return tPoint{(5 + 2 * (day - 1)) * U + U / 2 - 2 * U, 14 * H + H / 2 - 3 * H};
        };
        tViewAction drag = jahrPlanDragAction(data, m, {2, 3}, point(3), point(6));
        ASSERT_EQ(drag.kind, tViewAction::NewTermin) << zoom;
        EXPECT_EQ(drag.termin.from.day, 3) << zoom;
        EXPECT_EQ(drag.termin.from.month, 3) << zoom;
        EXPECT_EQ(drag.termin.till.day, 6) << zoom;
        EXPECT_STREQ(drag.termin.RESOURCE, "R2") << zoom;
    }
}

TEST(ZoomDesk, LinesBothWays)
{
    EXPECT_EQ(planerDeskLine({1, 3, 2024}, 150), "Monat 3/2024 Zoom 150");
    EXPECT_EQ(jahrPlanDeskLine(2024, 75), "Jahr 2024 Zoom 75");
    struct Row {
        const char *line;
        bool ok;
        tDate month;
        int zoom;
    } rows[] = {
        {"Monat 3/2024 Zoom 150", true, {1, 3, 2024}, 150},
        {"Monat 12/1999 Zoom 50", true, {1, 12, 1999}, 50},
        {"Monat 13/2024 Zoom 150", false, {}, 0},
        {"Monat 3/2024 Zoom 20", false, {}, 0},
        {"Monat 3/2024", false, {}, 0},
        {"Monat 3/2024 Zoom 150 mehr", false, {}, 0},
        {"Jahr 2024 Zoom 150", false, {}, 0},
        {"", false, {}, 0},
    };
    for (const Row &r : rows) {
        tDate month{9, 9, 9};
        int zoom = 7;
        EXPECT_EQ(readPlanerDeskLine(r.line, month, zoom), r.ok) << r.line;
        EXPECT_EQ(month, (r.ok ? r.month : tDate{9, 9, 9})) << r.line;
        EXPECT_EQ(zoom, r.ok ? r.zoom : 7) << r.line;
    }
    int year = 1, zoom = 1;
    EXPECT_TRUE(readJahrPlanDeskLine("Jahr 2024 Zoom 300", year, zoom));
    EXPECT_EQ(year, 2024);
    EXPECT_EQ(zoom, 300);
    EXPECT_FALSE(readJahrPlanDeskLine("Jahr 2024 Zoom 500", year, zoom));
    EXPECT_FALSE(readJahrPlanDeskLine("Monat 3/2024 Zoom 100", year, zoom));
    EXPECT_EQ(year, 2024);
}

} // namespace
