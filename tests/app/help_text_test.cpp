// The help document as text: sections, search, and where the help window goes.
#include <gtest/gtest.h>

#include "shell/core/help_text.h"

using namespace velk;

namespace {

const char *kDocument =
    "<html><body><h1><a name=\"Inhalt\"></a>Hilfe</h1><p>Vorwort</p>\n"
    "<h2><a name=\"Wochenkalender\"></a>Der Wochen&shy;kalender</h2>\n"
    "<p>Zeigt eine <b>Woche</b>;\nDoppelklick &ouml;ffnet den Termin. Pfeil &ndash; vor.</p>\n"
    "<h2><a name=\"Personenliste\"></a>Personen</h2><p>Übersicht aller Personen;"
    " Doppelklick öffnet den Personendialog.</p></body></html>";

} // namespace

TEST(HelpText, SectionsRunFromAnchorToAnchorWithoutTags)
{
    auto sections = helpSections(kDocument);
    ASSERT_EQ(sections.size(), 3u);
    EXPECT_EQ(sections[0].anchor, "Inhalt");
    EXPECT_EQ(sections[0].title, "Hilfe");
    EXPECT_EQ(sections[0].text, "Hilfe Vorwort");
    EXPECT_EQ(sections[1].anchor, "Wochenkalender");
    EXPECT_EQ(sections[1].text, "Der Wochen&shy;kalender Zeigt eine Woche; Doppelklick "
                                "\xC3\xB6"
                                "ffnet den Termin. Pfeil \xE2\x80\x93 vor.");
    EXPECT_EQ(sections[2].title, "Personen");
}

TEST(HelpText, SearchFindsSectionsWithEveryWordIgnoringCase)
{
    auto sections = helpSections(kDocument);
    const struct {
        const char *query;
        std::vector<std::string> found;
    } cases[] = {
        {"doppelklick", {"Wochenkalender", "Personenliste"}},
        {"DOPPELKLICK woche", {"Wochenkalender"}},
        {"ÖFFNET personendialog", {"Personenliste"}}, // capital umlaut meets the small one
        {"  ", {}},
        {"Kalenderblatt", {}},
        {"Vorwort", {"Inhalt"}},
    };
    for (const auto &c : cases) EXPECT_EQ(searchHelp(sections, c.query), c.found) << c.query;
}

TEST(HelpText, HelpWindowGoesBesideTheFrame)
{
    const tRect screen{0, 0, 1920, 1080};
    const struct {
        tRect frame;
        tRect expected;
        bool room;
    } cases[] = {
        {{0, 0, 900, 640}, {900, 0, 560, 480}, true},          // room on the right
        {{1300, 100, 600, 640}, {740, 100, 560, 480}, true},   // room on the left only
        {{500, 50, 1000, 640}, {0, 50, 500, 480}, true},       // narrowed into the wider side
        {{100, 700, 1700, 640}, {1360, 600, 560, 480}, false}, // no room: the screen's edge
    };
    for (const auto &c : cases) {
        tRect r = helpPlacement(c.frame, screen, 560, 480);
        EXPECT_EQ(r, c.expected) << c.frame.x << "," << c.frame.y;
        // Wherever there is room, the help does not cover the frame.
        const bool apart = r.x >= c.frame.x + c.frame.width || r.x + r.width <= c.frame.x;
        EXPECT_EQ(apart, c.room);
    }
    // Never taller than the screen.
    EXPECT_EQ(helpPlacement({0, 0, 400, 300}, {0, 0, 1024, 400}, 560, 900).height, 400);
}
