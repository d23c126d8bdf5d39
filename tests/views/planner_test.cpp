// The month planner's shapes and hit tests with fixed metrics on a real database.
#include "views/month_planner.h"
#include "views_support.h"

#include <algorithm>

using namespace velk;
using namespace velk::caltest;

namespace {

constexpr tViewMetrics kM{6, 13}; // U, H
constexpr int U = kM.U, H = kM.H, L = 2 * U + 1;

std::vector<tShape> ofRole(const std::vector<tShape> &shapes, tShape::Role role,
                           const std::string &key = "")
{
    std::vector<tShape> out;
    for (const tShape &s : shapes)
        if (s.role == role && (key.empty() || s.key == key)) out.push_back(s);
    return out;
}

int x1Of(int day) { return L + 2 * U * (day - 1) + 2; }

// A piece's bar (top and bottom, or none) and its triangles, for comparing against a table.
struct tPieceShape {
    int day;
    int top, bottom; // -1, -1: no bar
    bool up, down;
    friend bool operator==(const tPieceShape &, const tPieceShape &) = default;
};

void PrintTo(const tPieceShape &p, std::ostream *os)
{
    *os << "day " << p.day << " bar " << p.top << ".." << p.bottom << (p.up ? " up" : "")
        << (p.down ? " down" : "");
}

// The shapes of one appointment, day by day; each shape is checked to lie in its day's column.
std::vector<tPieceShape> pieceShapes(const std::vector<tShape> &shapes, const std::string &key)
{
    std::vector<tPieceShape> out;
    auto entry = [&](const tShape &s) -> tPieceShape & {
        for (tPieceShape &p : out)
            if (p.day == s.date.day) return p;
        out.push_back({s.date.day, -1, -1, false, false});
        return out.back();
    };
    for (const tShape &s : shapes) {
        if (s.key != key) continue;
        int x1 = x1Of(s.date.day), x2 = x1 + 2 * U - 4, middle = (x1 + x2 - 1) / 2;
        if (s.role == tShape::Bar) {
            EXPECT_EQ(s.rect.left, x1);
            EXPECT_EQ(s.rect.right, x2);
            EXPECT_TRUE(s.filled && s.outlined && s.fill == kLightGrey && s.pen == kBlack);
            entry(s).top = s.rect.top;
            entry(s).bottom = s.rect.bottom;
        } else if (s.role == tShape::TriangleUp) {
            EXPECT_EQ(s.points[0], (tPoint{x1, 3 * H}));
            EXPECT_EQ(s.points[1], (tPoint{x2 - 1, 3 * H}));
            EXPECT_EQ(s.points[2], (tPoint{middle, 2 * H}));
            entry(s).up = true;
        } else if (s.role == tShape::TriangleDown) {
            EXPECT_EQ(s.points[0], (tPoint{x1, 18 * H - 1}));
            EXPECT_EQ(s.points[1], (tPoint{x2 - 1, 18 * H - 1}));
            EXPECT_EQ(s.points[2], (tPoint{middle, 19 * H - 1}));
            entry(s).down = true;
        }
    }
    return out;
}

TEST(PlannerGrid, ColumnsFrameAndLabels)
{
    tHolidayCache holidays;
    struct Row {
        tDate month;
        int days;
    } rows[] = {{{1, 2, 1996}, 29}, {{1, 2, 1997}, 28}, {{1, 12, 1996}, 31}};
    for (const Row &r : rows) {
        std::vector<tShape> shapes = planerShapes(r.month, kM, holidays);
        std::vector<tShape> numbers = ofRole(shapes, tShape::DayNumber);
        ASSERT_EQ(int(numbers.size()), r.days) << ::testing::PrintToString(r.month);
        EXPECT_EQ(numbers.back().text, std::to_string(r.days));
        // "10" is 12 pixels at 100 %: at 80 % (10 pixels) it keeps 2 pixels from its
        // neighbours in the 12 of the column.
        EXPECT_EQ(numbers.back().textSize, 80);
        EXPECT_EQ(numbers.back().rect,
                  (tRect{L + 2 * U * (r.days - 1) + 1, H + 1, L + 2 * U * r.days - 1, 2 * H + 1}));
        ASSERT_EQ(shapes.front().role, tShape::Frame);
        EXPECT_EQ(shapes.front().rect, (tRect{L, 2 * H + 2, L + 2 * U * r.days, 18 * H + 2}));
        EXPECT_FALSE(shapes.front().filled);
        std::vector<tShape> hours = ofRole(shapes, tShape::HourLabel);
        ASSERT_EQ(hours.size(), 15u);
        EXPECT_EQ(hours.front().text, "07");
        EXPECT_EQ(hours.back().text, "21");
        EXPECT_EQ(hours.back().rect, (tRect{0, 17 * H, 2 * U, 18 * H}));
        int grey = 0, black = 0;
        for (const tShape &s : ofRole(shapes, tShape::GridLine)) {
            if (s.pen == kLightGrey) {
                grey++;
                EXPECT_EQ(s.points[1].x, L + 2 * U * r.days) << "hour lines reach the right edge";
            } else {
                black++;
                EXPECT_EQ(s.points[1].y, 18 * H + 2);
            }
        }
        EXPECT_EQ(grey, 15);
        EXPECT_EQ(black, r.days);
    }
}

TEST(PlannerGrid, SundaysAndHolidaysInRed)
{
    tHolidayCache holidays;
    // Moving from December 1996 to January 1997: "Neujahr" is red in the new year.
    planerShapes({1, 12, 1996}, kM, holidays);
    std::vector<tShape> numbers =
        ofRole(planerShapes({1, 1, 1997}, kM, holidays), tShape::DayNumber);
    struct Row {
        int day;
        tRgb colour;
    } rows[] = {{1, kRed}, {2, kBlack}, {5, kRed}, {6, kRed}, {11, kBlack}, {12, kRed}};
    for (const Row &r : rows) EXPECT_EQ(numbers[r.day - 1].pen, r.colour) << r.day << ".1.1997";
    EXPECT_EQ(planerMonthMoved({1, 12, 1996}, 1), (tDate{1, 1, 1997}));
    EXPECT_EQ(planerMonthMoved({1, 1, 1997}, -1), (tDate{1, 12, 1996}));
    EXPECT_EQ(planerMonthMoved({1, 1, 1}, -1), (tDate{1, 12, 0}));
    EXPECT_EQ(planerOpenCaption({1, 2, 1996}), "Planer 2 1996");
    EXPECT_EQ(planerCaption({1, 2, 1996}), "Planer 2/1996");
}

using PlannerTest = ViewsTest;

TEST_F(PlannerTest, BarsAndTrianglesOfOneDay)
{
    struct Row {
        int fromHour, fromMinute, tillHour, tillMinute;
        tPieceShape shape;
    } rows[] = {
        {6, 0, 8, 30, {3, 3 * H, 4 * H + 30 * H / 60, true, false}},
        {21, 0, 23, 0, {4, 17 * H, 18 * H, false, true}},
        {5, 0, 6, 30, {5, -1, -1, true, false}},
        {22, 15, 23, 0, {6, -1, -1, false, true}},
        {10, 15, 11, 45, {7, 6 * H + 15 * H / 60, 7 * H + 45 * H / 60, false, false}},
        {21, 0, 22, 0, {8, 17 * H, 18 * H, false, false}},
        {21, 0, 22, 1, {9, 17 * H, 18 * H, false, true}},
        {9, 0, 0, 0, {10, 5 * H, 18 * H, false, true}},
        {0, 0, 0, 0, {11, 3 * H, 18 * H, true, true}},
        {12, 0, 10, 0, {12, 6 * H, 8 * H, false, false}}, // ends before it starts
    };
    std::vector<std::string> keys;
    for (const Row &r : rows) {
        int d = r.shape.day;
        keys.push_back(add("carl", termin("T", at(d, 3, 2024, r.fromHour, r.fromMinute),
                                          at(d, 3, 2024, r.tillHour, r.tillMinute)))
                           .ID);
    }
    setCurrentUser("carl");
    tHolidayCache holidays;
    std::vector<tShape> shapes = planerShapes({1, 3, 2024}, kM, holidays);
    for (std::size_t i = 0; i < std::size(rows); i++) {
        const Row &r = rows[i];
        EXPECT_EQ(pieceShapes(shapes, keys[i]), std::vector<tPieceShape>{r.shape})
            << r.fromHour << ":" << r.fromMinute << " to " << r.tillHour << ":" << r.tillMinute;
    }
}

TEST_F(PlannerTest, PiecesOfSeveralDaysInEitherMonth)
{
    tTermin across = add("carl", termin("Reise", at(30, 1, 2024, 14), at(2, 2, 2024, 10)));
    tTermin night = add("carl", termin("Nacht", at(5, 2, 2024, 20), at(6, 2, 2024, 0)));
    tTermin room = booking("carl", "Raum", at(7, 2, 2024, 9), at(7, 2, 2024, 10), "R1");
    tTermin hidden = add("dora", termin("geheim", at(8, 2, 2024, 9), at(8, 2, 2024, 10), "Pdora"));
    setCurrentUser("carl");
    tHolidayCache holidays;
    std::vector<tShape> january = planerShapes({1, 1, 2024}, kM, holidays);
    std::vector<tShape> february = planerShapes({1, 2, 2024}, kM, holidays);
    EXPECT_EQ(pieceShapes(january, across.ID),
              (std::vector<tPieceShape>{{30, 10 * H, 18 * H, false, true},
                                        {31, 3 * H, 18 * H, true, true}}));
    EXPECT_EQ(
        pieceShapes(february, across.ID),
        (std::vector<tPieceShape>{{1, 3 * H, 18 * H, true, true}, {2, 3 * H, 6 * H, true, false}}))
        << "the days in February of an appointment that began in January";
    EXPECT_EQ(pieceShapes(february, night.ID),
              (std::vector<tPieceShape>{{5, 16 * H, 18 * H, false, true}}))
        << "an end at 0:00 draws nothing on the next day";
    EXPECT_TRUE(pieceShapes(february, room.ID).empty()) << "a booking belongs to the plan";
    EXPECT_TRUE(pieceShapes(february, hidden.ID).empty()) << "another user's private one";

    std::vector<tPlanerPiece> pieces = planerPieces(across, {1, 2, 2024});
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[1].tillHour, 10);
    EXPECT_TRUE(planerPieces(across, {1, 3, 2024}).empty());
}

TEST_F(PlannerTest, BirthdayMarkers)
{
    person("gabi", "Gabi", "Gans", {14, 2, 1970});
    person("hans", "Hans", "Huhn", {14, 2, 1980});
    person("ida", "Ida", "Igel", {29, 2, 1980});
    tHolidayCache holidays;
    std::vector<tShape> marks = ofRole(planerShapes({1, 2, 2023}, kM, holidays), tShape::Birthday);
    ASSERT_EQ(marks.size(), 1u) << "one marker per day; no 29 February in 2023";
    EXPECT_EQ(marks[0].rect, (tRect{L + 2 * U * 13 + 2, 2 * H + 4, L + 2 * U * 14 - 2, 3 * H}));
    EXPECT_TRUE(marks[0].filled && marks[0].fill == kGreen);
    EXPECT_EQ(ofRole(planerShapes({1, 2, 2024}, kM, holidays), tShape::Birthday).size(), 2u);
}

TEST(PlannerHit, CellsTheirEdgesAndOutside)
{
    const tDate feb{1, 2, 1996};
    struct Row {
        tPoint p;
        tPlanerHit::Area area;
        int day, hour;
    } rows[] = {
        {{L, 3 * H + 2}, tPlanerHit::Hours, 1, 7},
        {{L - 1, 3 * H + 2}, tPlanerHit::Outside, 0, 0},
        {{L + 2 * U - 1, 3 * H + 2}, tPlanerHit::Hours, 1, 7},
        {{L + 2 * U, 3 * H + 2}, tPlanerHit::Hours, 2, 7},
        {{L + 2 * U * 29 - 1, 18 * H + 1}, tPlanerHit::Hours, 29, 21},
        {{L + 2 * U * 29, 10 * H}, tPlanerHit::Outside, 0, 0},
        {{L, 18 * H + 2}, tPlanerHit::Outside, 0, 0},
        {{L, 3 * H + 1}, tPlanerHit::Birthdays, 1, 0},
        {{L, 2 * H + 2}, tPlanerHit::Birthdays, 1, 0},
        {{L, 2 * H + 1}, tPlanerHit::DayNumbers, 1, 0},
        {{L, H + 2}, tPlanerHit::DayNumbers, 1, 0},
        {{L, H + 1}, tPlanerHit::Outside, 0, 0},
        {{-50, -50}, tPlanerHit::Outside, 0, 0},
    };
    for (const Row &r : rows) {
        tPlanerHit hit = planerHit(kM, feb, r.p);
        EXPECT_EQ(hit.area, r.area) << r.p.x << "," << r.p.y;
        if (r.area == tPlanerHit::Outside) continue;
        EXPECT_EQ(hit.date, (tDate{r.day, 2, 1996})) << r.p.x << "," << r.p.y;
        if (r.area == tPlanerHit::Hours) {
            EXPECT_EQ(hit.hour, r.hour) << r.p.x << "," << r.p.y;
        }
    }
}

TEST_F(PlannerTest, DragsDoubleClicksAndTheMenu)
{
    const tDate march{1, 3, 2024};
    tPoint day3at9{L + 2 * U * 2 + 3, 5 * H + 5}, day4at11{L + 2 * U * 3 + 3, 7 * H + 5};
    struct Drag {
        tPoint down, up;
        bool opens;
    } drags[] = {
        {day3at9, day4at11, true},
        {day3at9, {day3at9.x + 4, day3at9.y + 4}, false}, // less than 5 pixels
        {day3at9, {day3at9.x, day3at9.y + 5}, true},
        {day3at9, {L + 2 * U * 40, 7 * H}, false}, // ends right of the last day
        {{1, 5 * H}, day4at11, false},             // begins on the hour labels
    };
    for (const Drag &d : drags) {
        tViewAction a = planerDragAction(kM, march, d.down, d.up);
        EXPECT_EQ(a.kind, d.opens ? tViewAction::NewTermin : tViewAction::Nothing)
            << d.up.x << "," << d.up.y;
    }
    tViewAction drag = planerDragAction(kM, march, day3at9, day4at11);
    EXPECT_EQ(drag.termin.from, at(3, 3, 2024, 9));
    EXPECT_EQ(drag.termin.till, at(4, 3, 2024, 12));
    EXPECT_EQ(drag.termin.ID[0], 0);
    EXPECT_EQ(drag.notice, NoticeAppointments);

    tTermin meeting = add("carl", termin("Sitzung", at(3, 3, 2024, 9, 30), at(3, 3, 2024, 10)));
    person("gabi", "Gabi", "Gans", {4, 3, 1970});
    person("hans", "Hans", "Huhn", {5, 3, 1970});
    person("ida", "Ida", "Igel", {5, 3, 1980});
    setCurrentUser("carl");
    struct Click {
        tPlanerHit hit;
        tViewAction::Kind kind;
        std::string key;
    } clicks[] = {
        {{tPlanerHit::Hours, {3, 3, 2024}, 9}, tViewAction::EditTermin, meeting.ID},
        {{tPlanerHit::Hours, {3, 3, 2024}, 10}, tViewAction::EditTermin, meeting.ID},
        {{tPlanerHit::Hours, {3, 3, 2024}, 11}, tViewAction::Nothing, ""},
        {{tPlanerHit::Birthdays, {4, 3, 2024}, 0}, tViewAction::EditPerson, "gabi"},
        {{tPlanerHit::Birthdays, {5, 3, 2024}, 0}, tViewAction::SelectDay, ""},
        {{tPlanerHit::Birthdays, {6, 3, 2024}, 0}, tViewAction::Nothing, ""},
        {{tPlanerHit::DayNumbers, {6, 3, 2024}, 0}, tViewAction::SelectDay, ""},
        {{}, tViewAction::Nothing, ""},
    };
    for (const Click &c : clicks) {
        tViewAction a = planerDoubleClickAction(c.hit);
        EXPECT_EQ(a.kind, c.kind) << ::testing::PrintToString(c.hit.date) << " " << c.hit.hour;
        EXPECT_EQ(a.key, c.key) << ::testing::PrintToString(c.hit.date) << " " << c.hit.hour;
        if (c.kind == tViewAction::SelectDay) {
            EXPECT_EQ(a.date, c.hit.date);
        }
    }

    tViewAction menu = planerMenuAction({tPlanerHit::Hours, {3, 3, 2024}, 9}, SelectDelete);
    EXPECT_EQ(menu.kind, tViewAction::SelectRange);
    EXPECT_EQ(menu.mode, SelectDelete);
    EXPECT_EQ(menu.termin.from, at(3, 3, 2024, 9));
    EXPECT_EQ(menu.termin.till, at(3, 3, 2024, 10));
    menu = planerMenuAction({tPlanerHit::DayNumbers, {3, 3, 2024}, 0}, SelectChange);
    EXPECT_EQ(menu.termin.from, at(3, 3, 2024, 0));
    EXPECT_EQ(menu.termin.till, at(3, 3, 2024, 23, 59)) << "the day-number row means the day";
    EXPECT_EQ(planerMenuAction({}, SelectChange).kind, tViewAction::Nothing);
}

} // namespace
