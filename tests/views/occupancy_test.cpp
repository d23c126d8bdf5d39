// The occupancy plan's shapes, scrolling and hit tests with fixed metrics on a real database.
#include "views/occupancy_plan.h"
#include "views_support.h"

using namespace velk;
using namespace velk::caltest;

namespace {

constexpr tViewMetrics kM{6, 13}; // U, H
constexpr int U = kM.U, H = kM.H;

class OccupancyTest : public ViewsTest {
protected:
    void SetUp() override
    {
        ViewsTest::SetUp();
        for (const char *id : {"R2", "BUS", "R1"}) resource(id);
    }

    // The bars of one appointment, and each one's title over it.
    static std::vector<tRect> bars(const std::vector<tShape> &shapes, const std::string &key)
    {
        std::vector<tRect> out;
        for (std::size_t i = 0; i < shapes.size(); i++) {
            if (shapes[i].role != tShape::Bar || shapes[i].key != key) continue;
            out.push_back(shapes[i].rect);
            EXPECT_TRUE(i + 1 < shapes.size() && shapes[i + 1].role == tShape::BarTitle &&
                        shapes[i + 1].rect == shapes[i].rect && !shapes[i + 1].centred);
        }
        return out;
    }
};

// Row k (1 = the first resource) of month m with three resources.
tRect barRect(int month, int d1, int h1, int d2, int h2, int k)
{
    int top = ((month - 1) * 6 + 3 + k - 1) * H + 1;
    return {U * (2 * (d1 - 1) + 5) + 1 + U * h1 / 24, top, U * (2 * d2 + 5) - 1 + U * h2 / 24,
            top + H - 2};
}

TEST_F(OccupancyTest, DayNumbersInTheirColours)
{
    tHolidayCache holidays;
    std::vector<tShape> shapes2024 = jahrPlanShapes(jahrPlanData(2024), kM, holidays);
    std::vector<tShape> shapes2025 = jahrPlanShapes(jahrPlanData(2025), kM, holidays);
    auto colourOf = [&](const tDate &day) {
        for (const tShape &s : day.year == 2024 ? shapes2024 : shapes2025)
            if (s.role == tShape::DayNumber && s.date == day) return s.pen;
        ADD_FAILURE() << "no number for " << ::testing::PrintToString(day);
        return tRgb{1, 2, 3};
    };
    struct Row {
        tDate day;
        tRgb colour;
    } rows[] = {
        {{25, 12, 2024}, kRed},    {{3, 10, 2024}, kRed},      {{3, 11, 2024}, kRed},
        {{1, 11, 2024}, kMagenta}, {{20, 11, 2024}, kMagenta}, {{2, 11, 2024}, kLightGrey},
        {{4, 11, 2024}, kBlack},   {{1, 11, 2025}, kMagenta}, // a Saturday
        {{1, 1, 2025}, kRed},      {{4, 1, 2025}, kLightGrey},
    };
    for (const Row &r : rows)
        EXPECT_EQ(colourOf(r.day), r.colour) << ::testing::PrintToString(r.day);

    int numbers = 0;
    for (const tShape &s : shapes2024) numbers += s.role == tShape::DayNumber;
    EXPECT_EQ(numbers, 366);
    const tShape *february = nullptr;
    for (const tShape &s : shapes2024)
        if (s.role == tShape::MonthLabel && s.text == "2/2024") february = &s;
    ASSERT_NE(february, nullptr);
    EXPECT_EQ(february->rect, (tRect{5 * U, 75 + H, 67 * U, 75 + 2 * H})) << "7H - 1.2H is 75.4";
    EXPECT_EQ(february->pen, kBlue);
}

TEST_F(OccupancyTest, MonthBlocksWithAndWithoutResources)
{
    tHolidayCache holidays;
    tJahrPlanData data = jahrPlanData(2024);
    EXPECT_EQ(data.resources, (std::vector<std::string>{"BUS", "R1", "R2"}));
    std::vector<tShape> shapes = jahrPlanShapes(data, kM, holidays);
    int frames = 0, labels = 0, black = 0, grey = 0;
    for (const tShape &s : shapes) {
        if (s.role == tShape::Frame && s.date.month == 0) {
            frames++;
            EXPECT_TRUE(s.filled && s.fill == kWhite && s.outlined && s.pen == kBlack);
        }
        labels += s.role == tShape::ResourceLabel;
        if (s.role == tShape::GridLine) (s.pen == kBlack ? black : grey)++;
    }
    EXPECT_EQ(frames, 12);
    EXPECT_EQ(labels, 36);
    EXPECT_EQ(black, 24) << "between the resources, not after the last";
    EXPECT_EQ(grey, 366 - 12);
    EXPECT_EQ(shapes[0].rect, (tRect{5 * U, 3 * H, 5 * U + 62 * U, 6 * H}));
    EXPECT_EQ(shapes[1].rect, (tRect{0, 3 * H, 5 * U - 1, 4 * H}));
    EXPECT_EQ(shapes[1].text, "BUS");

    data.resources.clear();
    int drawn = 0;
    for (const tShape &s : jahrPlanShapes(data, kM, holidays)) {
        EXPECT_TRUE(s.role == tShape::DayNumber || s.role == tShape::MonthLabel) << s.role;
        drawn++;
    }
    EXPECT_EQ(drawn, 366 + 12) << "labels and day numbers only";
}

TEST_F(OccupancyTest, BookingsPieceByPiece)
{
    tTermin fair = booking("carl", "Messe", at(30, 1, 2024, 10), at(2, 3, 2024, 12), "R1");
    tTermin year = booking("carl", "Silvester", at(30, 12, 2024, 18), at(2, 1, 2025, 9), "R2");
    tTermin eve = booking("carl", "Abend", at(31, 12, 2024, 18), at(31, 12, 2024, 20), "BUS");
    tTermin unknown = booking("carl", "Unbekannt", at(5, 5, 2024, 8), at(5, 5, 2024, 9), "XX");
    tTermin prefix = booking("carl", "Praefix", at(6, 5, 2024, 8), at(6, 5, 2024, 9), "R");
    tTermin hidden = booking("dora", "geheim", at(7, 5, 2024, 8), at(7, 5, 2024, 9), "R1", "Pdora");
    add("carl", termin("ohne", at(8, 5, 2024, 8), at(8, 5, 2024, 9)));
    setCurrentUser("carl");
    tHolidayCache holidays;
    tJahrPlanData data2024 = jahrPlanData(2024), data2025 = jahrPlanData(2025);
    EXPECT_EQ(data2024.bookings.size(), 5u) << "the hidden one and the one without a resource not";
    std::vector<tShape> plan2024 = jahrPlanShapes(data2024, kM, holidays);
    std::vector<tShape> plan2025 = jahrPlanShapes(data2025, kM, holidays);
    EXPECT_EQ(bars(plan2024, fair.ID),
              (std::vector<tRect>{barRect(1, 30, 10, 31, 12, 2), barRect(2, 1, 10, 29, 12, 2),
                                  barRect(3, 1, 10, 2, 12, 2)}));
    EXPECT_EQ(bars(plan2024, year.ID), (std::vector<tRect>{barRect(12, 30, 18, 31, 9, 3)}));
    EXPECT_EQ(bars(plan2025, year.ID), (std::vector<tRect>{barRect(1, 1, 18, 2, 9, 3)}))
        << "the new year's part of a booking across the year's end";
    EXPECT_EQ(bars(plan2024, eve.ID), (std::vector<tRect>{barRect(12, 31, 18, 31, 20, 1)}));
    EXPECT_TRUE(bars(plan2024, unknown.ID).empty());
    EXPECT_TRUE(bars(plan2024, prefix.ID).empty()) << "IDs compare exactly";
    EXPECT_TRUE(bars(plan2024, hidden.ID).empty());
    EXPECT_TRUE(bars(plan2025, fair.ID).empty());
    // The title whole on February's bar; the two days' pieces (23 pixels) cut with "...".
    std::vector<std::string> titles;
    for (const tShape &s : plan2024)
        if (s.role == tShape::BarTitle && s.key == fair.ID) titles.push_back(s.text);
    EXPECT_EQ(titles, (std::vector<std::string>{"Me\x85", "Messe", "Me\x85"}));

    tTermin longer = termin("lang", at(20, 11, 2023, 8), at(3, 2, 2025, 9));
    std::vector<tBookingPiece> pieces = bookingPieces(longer, 2024);
    ASSERT_EQ(pieces.size(), 12u) << "a whole year within a longer booking";
    EXPECT_EQ(pieces.front().fromDay, 1);
    EXPECT_EQ(pieces.back().tillDay, 31);
    EXPECT_TRUE(bookingPieces(longer, 2022).empty());
}

TEST_F(OccupancyTest, HitsScrollingAndDrags)
{
    tJahrPlanData data = jahrPlanData(2024);
    struct Row {
        tPoint p;
        tPlanScroll scroll;
        bool inside;
        tDate date;
        const char *resource;
    } rows[] = {
        {{5 * U, 3 * H}, {}, true, {1, 1, 2024}, "BUS"},
        {{5 * U - 1, 3 * H}, {}, false, {}, ""},
        {{5 * U + 2 * U - 1, 6 * H - 1}, {}, true, {1, 1, 2024}, "R2"},
        {{5 * U + 2 * U * 29 - 1, 9 * H}, {}, true, {29, 2, 2024}, "BUS"},
        {{5 * U + 2 * U * 29, 9 * H}, {}, false, {}, ""},
        {{5 * U, 6 * H}, {}, true, {1, 2, 2024}, ""},
        {{5 * U, 72 * H - 1}, {}, true, {1, 12, 2024}, "R2"},
        {{5 * U, 72 * H}, {}, false, {}, ""},
        {{3 * U, 0}, {2, 6}, true, {1, 2, 2024}, ""},
        {{0, 3 * H}, {5, 0}, true, {1, 1, 2024}, "BUS"},
    };
    for (const Row &r : rows) {
        tPlanHit hit = jahrPlanHit(data, kM, r.p, r.scroll);
        EXPECT_EQ(hit.inside, r.inside) << r.p.x << "," << r.p.y;
        if (!r.inside) continue;
        EXPECT_EQ(hit.date, r.date) << r.p.x << "," << r.p.y;
        EXPECT_EQ(hit.resourceId, r.resource) << r.p.x << "," << r.p.y;
    }
    EXPECT_EQ(jahrPlanScrollRange(3), (tPlanScroll{36, 72}));
    EXPECT_EQ(jahrPlanScrolled({35, 70}, 5, 5, 3), (tPlanScroll{36, 72}));
    EXPECT_EQ(jahrPlanScrolled({1, 1}, -5, -5, 3), (tPlanScroll{0, 0}));
    EXPECT_EQ(jahrPlanOffset(kM, {2, 3}), (tPoint{2 * U, 3 * H}));

    tPoint jan5R1{5 * U + 2 * U * 4 + 1, 4 * H + 1}, jan7{5 * U + 2 * U * 6 + 1, 5 * H};
    tViewAction drag = jahrPlanDragAction(data, kM, {}, jan5R1, jan7);
    EXPECT_EQ(drag.kind, tViewAction::NewTermin);
    EXPECT_EQ(drag.termin.from, at(5, 1, 2024, 0));
    EXPECT_EQ(drag.termin.till, at(7, 1, 2024, 0));
    EXPECT_STREQ(drag.termin.RESOURCE, "R1");
    EXPECT_STREQ(jahrPlanDragAction(data, kM, {}, {5 * U, 2 * H}, jan7).termin.RESOURCE, "");
    struct Nothing {
        const char *why;
        tPoint down, up;
        bool noResources;
    } nothing[] = {
        {"less than 5 pixels", jan5R1, {jan5R1.x + 4, jan5R1.y - 4}, false},
        {"ends outside", jan5R1, {5 * U + 2 * U * 31, 4 * H}, false},
        {"begins in the margin", {U, 4 * H}, jan7, false},
        {"no resources", jan5R1, jan7, true},
    };
    for (const Nothing &n : nothing) {
        tJahrPlanData d = data;
        if (n.noResources) d.resources.clear();
        EXPECT_EQ(jahrPlanDragAction(d, kM, {}, n.down, n.up).kind, tViewAction::Nothing) << n.why;
    }
}

TEST_F(OccupancyTest, DoubleClickCountsTheResourcesBookings)
{
    tTermin one = booking("carl", "eins", at(5, 2, 2024, 8), at(5, 2, 2024, 9), "R1");
    booking("carl", "zwei", at(6, 2, 2024, 8), at(6, 2, 2024, 9), "R1");
    booking("carl", "drei", at(6, 2, 2024, 10), at(6, 2, 2024, 11), "R1");
    booking("carl", "Bus", at(5, 2, 2024, 8), at(5, 2, 2024, 9), "BUS");
    setCurrentUser("carl");
    struct Row {
        tPlanHit hit;
        tViewAction::Kind kind;
        std::string key;
    } rows[] = {
        {{true, {5, 2, 2024}, 1, "R1"}, tViewAction::EditTermin, one.ID},
        {{true, {6, 2, 2024}, 1, "R1"}, tViewAction::SelectDay, ""},
        {{true, {5, 2, 2024}, 2, "R2"}, tViewAction::Nothing, ""},
        {{true, {7, 2, 2024}, -1, ""}, tViewAction::SelectDay, ""},
        {{}, tViewAction::Nothing, ""},
    };
    for (const Row &r : rows) {
        tViewAction a = jahrPlanDoubleClickAction(r.hit);
        EXPECT_EQ(a.kind, r.kind) << ::testing::PrintToString(r.hit.date) << " "
                                  << r.hit.resourceId;
        EXPECT_EQ(a.key, r.key) << ::testing::PrintToString(r.hit.date) << " " << r.hit.resourceId;
    }
    tViewAction menu = jahrPlanMenuAction({true, {6, 2, 2024}, 1, "R1"}, SelectDelete);
    EXPECT_EQ(menu.kind, tViewAction::SelectRange);
    EXPECT_EQ(menu.mode, SelectDelete);
    EXPECT_EQ(menu.termin.from, at(6, 2, 2024, 0));
    EXPECT_EQ(menu.termin.till, at(6, 2, 2024, 23, 59));
    EXPECT_EQ(jahrPlanMenuAction({}, SelectChange).kind, tViewAction::Nothing);
}

} // namespace
