// The remembered desk as settings text, and the arithmetic that keeps windows on the screen.
#include <gtest/gtest.h>

#include "shell/core/desk_text.h"
#include "shell/core/screen_fit.h"

using namespace velk;

namespace {

tDesk sampleDesk()
{
    tDesk desk;
    desk.hasFrame = true;
    desk.frame = {40, 30, 1000, 700};
    desk.frameMaximized = true;
    desk.views = {
        {101, {0, 0, 640, 480}, tWindowState::Normal, "2026-12-07 zoom 2", false},
        {3, {-20, 15, 300, 200}, tWindowState::Minimized, "", true},
        {1, {5, 5, 400, 300}, tWindowState::Maximized, "Text mit = ; , und Ä", false},
    };
    return desk;
}

std::string value(const tSettingsLines &lines, const std::string &key)
{
    for (const auto &[k, v] : lines)
        if (k == key) return v;
    return "<none>";
}

} // namespace

TEST(DeskText, RoundTripKeepsEverything)
{
    const tDesk desk = sampleDesk();
    const tSettingsLines lines = deskToSettings(desk);
    EXPECT_EQ(value(lines, "Rahmen"), "40 30 1000 700 max");
    EXPECT_EQ(value(lines, "Ansichten"), "3");
    EXPECT_EQ(value(lines, "Ansicht1"), "101 0 0 640 480 normal");
    EXPECT_EQ(value(lines, "Ansicht2"), "3 -20 15 300 200 min");
    EXPECT_EQ(value(lines, "Ansicht3"), "1 5 5 400 300 max");
    EXPECT_EQ(value(lines, "Inhalt3"), "Text mit = ; , und Ä");
    EXPECT_EQ(value(lines, "Aktiv"), "2");
    EXPECT_EQ(deskFromSettings(lines), desk);
}

TEST(DeskText, NothingSavedGivesAnEmptyDesk)
{
    EXPECT_TRUE(deskToSettings(tDesk{}).empty());
    const tDesk desk = deskFromSettings({});
    EXPECT_FALSE(desk.hasFrame);
    EXPECT_TRUE(desk.views.empty());
    // A frame without views still counts none.
    tDesk frameOnly;
    frameOnly.hasFrame = true;
    frameOnly.frame = {1, 2, 3, 4};
    EXPECT_EQ(deskFromSettings(deskToSettings(frameOnly)), frameOnly);
}

// Each malformed view line is skipped; the others stay, with their own contents.
TEST(DeskText, MalformedViewLinesAreSkipped)
{
    const struct {
        const char *line;
        bool ok;
    } cases[] = {
        {"101 0 0 640 480 normal", true},
        {"  7   1 2 3 4   min ", true},
        {"101 0 0 640 480", false},          // no state
        {"101 0 0 640 480 normal x", false}, // a field too many
        {"101 0 0 0 480 normal", false},     // no width
        {"101 0 0 640 -1 normal", false},    // negative height
        {"101 0 0 640 480 gross", false},    // unknown state
        {"10x 0 0 640 480 normal", false},   // type not a number
        {"101 0,5 0 640 480 normal", false}, // geometry not whole
        {"101 0 0 99999999999 480 normal", false},
        {"", false},
    };
    for (const auto &c : cases) {
        tDeskView view;
        EXPECT_EQ(parseDeskView(c.line, view), c.ok) << c.line;
    }
    tSettingsLines lines{{"Ansichten", "3"},    {"Ansicht1", "5 0 0 10 10 vier"},
                         {"Inhalt1", "weg"},    {"Ansicht2", "6 1 2 30 40 normal"},
                         {"Inhalt2", "bleibt"}, {"Ansicht3", "kaputt"},
                         {"Aktiv", "2"},        {"Rahmen", "1 2 3"}};
    const tDesk desk = deskFromSettings(lines);
    EXPECT_FALSE(desk.hasFrame);
    ASSERT_EQ(desk.views.size(), 1u);
    EXPECT_EQ(desk.views[0].type, 6);
    EXPECT_EQ(desk.views[0].geometry, (tRect{1, 2, 30, 40}));
    EXPECT_EQ(desk.views[0].content, "bleibt");
    EXPECT_TRUE(desk.views[0].active);
}

TEST(DeskText, CountAndActiveAreReadDefensively)
{
    const struct {
        const char *count;
        const char *active;
        std::size_t views;
        int activeIndex; // -1: none active
    } cases[] = {
        {"2", "1", 2, 0},  {"2", "0", 2, -1},  {"2", "9", 2, -1},    {"1", "2", 1, -1},
        {"x", "1", 0, -1}, {"-3", "1", 0, -1}, {"2", "zwei", 2, -1},
    };
    for (const auto &c : cases) {
        tSettingsLines lines{{"Ansichten", c.count},
                             {"Ansicht1", "3 0 0 10 10 normal"},
                             {"Ansicht2", "4 0 0 10 10 normal"},
                             {"Aktiv", c.active}};
        const tDesk desk = deskFromSettings(lines);
        ASSERT_EQ(desk.views.size(), c.views) << c.count;
        for (std::size_t i = 0; i < desk.views.size(); ++i)
            EXPECT_EQ(desk.views[i].active, int(i) == c.activeIndex) << c.count << " " << c.active;
    }
    // More than the most views a desk keeps: the rest is not read.
    tSettingsLines many{{"Ansichten", "1000"}};
    for (int i = 1; i <= 100; ++i)
        many.emplace_back("Ansicht" + std::to_string(i), "3 0 0 10 10 normal");
    EXPECT_EQ(deskFromSettings(many).views.size(), std::size_t(kMaxDeskViews));
}

TEST(DeskText, UnknownViewTypesAreDropped)
{
    tDesk desk = sampleDesk();
    dropUnknownViews(desk, [](int type) { return type != 3; });
    ASSERT_EQ(desk.views.size(), 2u);
    EXPECT_EQ(desk.views[0].type, 101);
    EXPECT_EQ(desk.views[1].type, 1);
    EXPECT_FALSE(desk.views[0].active || desk.views[1].active);
}

TEST(ScreenFit, WindowsAreShrunkAndMovedIntoTheArea)
{
    const tRect area{0, 0, 640, 450};
    const tMargins frame{2, 20, 2, 2};
    const struct {
        tRect window;
        tMargins frame;
        tRect fitted;
    } cases[] = {
        {{10, 10, 300, 200}, {}, {10, 10, 300, 200}},         // fits: stays
        {{10, 30, 300, 200}, frame, {10, 30, 300, 200}},      // fits with its frame
        {{0, 0, 900, 640}, {}, {0, 0, 640, 450}},             // the frame at scale 2
        {{0, 0, 900, 640}, frame, {2, 20, 636, 428}},         // ... with a title bar
        {{500, 400, 300, 200}, {}, {340, 250, 300, 200}},     // past the corner: moved back
        {{-50, -10, 100, 100}, {}, {0, 0, 100, 100}},         // before the corner
        {{600, 100, 1000, 100}, frame, {2, 100, 636, 100}},   // too wide and too far right
        {{0, 0, 100, 100}, {0, 500, 0, 0}, {0, 500, 100, 1}}, // a frame larger than the area
    };
    for (const auto &c : cases) {
        const tRect r = fitInside(c.window, c.frame, area);
        EXPECT_EQ(r, c.fitted) << c.window.x << "," << c.window.y << " " << c.window.width << "x"
                               << c.window.height;
        if (c.frame.top < area.height) {
            EXPECT_TRUE(liesInside({r.x - c.frame.left, r.y - c.frame.top,
                                    r.width + c.frame.left + c.frame.right,
                                    r.height + c.frame.top + c.frame.bottom},
                                   area));
        }
    }
    // An area that does not start at 0 (a panel on the left, a second screen).
    EXPECT_EQ(fitInside({0, 0, 900, 300}, {}, {1280, 30, 800, 570}), (tRect{1280, 30, 800, 300}));
}

TEST(ScreenFit, LiesInside)
{
    const tRect area{10, 10, 100, 100};
    EXPECT_TRUE(liesInside({10, 10, 100, 100}, area));
    EXPECT_TRUE(liesInside({50, 50, 10, 10}, area));
    EXPECT_FALSE(liesInside({9, 10, 10, 10}, area));
    EXPECT_FALSE(liesInside({10, 10, 101, 100}, area));
    EXPECT_FALSE(liesInside({10, 11, 100, 100}, area));
}
