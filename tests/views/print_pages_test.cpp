// The printed pages as plain values, without a window or a database: table pages with their
// repeated column heading and numbering, the fit of drawn views into the body, the week's panes
// and the occupancy plan's quarters.
#include "views/print_pages.h"

#include "views/month_planner.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace velk;

namespace velk {

void PrintTo(const tRect &r, std::ostream *os)
{
    *os << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}

} // namespace velk

namespace {

const tPrintHeading kHeading{"", "root", "10.12.2026 17:05"};

bool inside(tRect outer, tRect inner)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

std::vector<std::string> personLines(int n)
{
    std::vector<std::string> lines;
    for (int i = 0; i < n; i++) {
        char line[80];
        std::snprintf(line, sizeof line, "P%05d\tVorname Name%05d\t 1. 2.1970\t0711-%d", i, i, i);
        lines.push_back(line);
    }
    return lines;
}

struct tTableCase {
    int rows;
    int lineHeight;
    int perPage; // worked out by hand from the format
    int pages;
};

class PrintTableTest : public testing::TestWithParam<tTableCase> {};

// A4 portrait in tenths of a millimetre, margin 150: the body runs from 150 + 3 lines to
// 2970 - 150 - 2 lines; its first line repeats the column titles.
INSTANTIATE_TEST_SUITE_P(Rows, PrintTableTest,
                         testing::Values(tTableCase{0, 50, 47, 1}, tTableCase{1, 50, 47, 1},
                                         tTableCase{47, 50, 47, 1}, tTableCase{48, 50, 47, 2},
                                         tTableCase{1000, 50, 47, 22},
                                         // body 2970 - 300 - 300 - 200 = 2170: 21 lines
                                         tTableCase{1000, 100, 20, 50},
                                         tTableCase{41, 100, 20, 3}));

TEST_P(PrintTableTest, PersonsSplitIntoNumberedPagesWithTheHeadingOnEach)
{
    const tTableCase c = GetParam();
    tPageFormat format;
    format.lineHeight = c.lineHeight;
    EXPECT_EQ(rowsPerPage(format), c.perPage);
    const std::vector<std::string> lines = personLines(c.rows);
    const tPrintDoc doc = personPrintDoc(lines, kHeading, format);
    ASSERT_EQ(int(doc.pages.size()), c.pages);
    EXPECT_EQ(doc.title, "Personenliste");
    std::size_t next = 0;
    for (std::size_t i = 0; i < doc.pages.size(); i++) {
        const tPrintPage &page = doc.pages[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(page.kind, tPrintPage::Table);
        EXPECT_FALSE(page.landscape);
        EXPECT_EQ(headingTitle(doc, page), "Personenliste");
        ASSERT_EQ(page.columns.size(), 4u);
        EXPECT_EQ(page.columns[0].title, "ID");
        EXPECT_EQ(page.columns[1].title, "Name");
        EXPECT_EQ(page.columns[2].title, "Geburtstag");
        EXPECT_EQ(page.columns[3].title, "Telefon");
        EXPECT_LE(int(page.rows.size()), c.perPage);
        // Every page but the last is full; the rows keep their order across pages.
        if (i + 1 < doc.pages.size()) {
            EXPECT_EQ(int(page.rows.size()), c.perPage);
        }
        for (const std::vector<std::string> &row : page.rows) {
            ASSERT_EQ(row.size(), 4u);
            char id[8];
            std::snprintf(id, sizeof id, "P%05d", int(next));
            EXPECT_EQ(row[0], id);
            next++;
        }
    }
    EXPECT_EQ(int(next), c.rows);
    EXPECT_EQ(pageNumberText(int(doc.pages.size()), int(doc.pages.size())),
              "Seite " + std::to_string(c.pages) + " von " + std::to_string(c.pages));
}

TEST(PrintPages, HeadingLinesAndPageNumbers)
{
    tPrintDoc doc;
    doc.heading = {"Terminliste", "bert", "01.02.2026 08:30"};
    tPrintPage page;
    EXPECT_EQ(headingTitle(doc, page), "Terminliste");
    page.range = "01.02.2026 - 10.02.2026";
    EXPECT_EQ(headingTitle(doc, page), "Terminliste  01.02.2026 - 10.02.2026");
    EXPECT_EQ(headingByLine(doc), "Benutzer: bert  gedruckt am 01.02.2026 08:30");
    EXPECT_EQ(pageNumberText(3, 12), "Seite 3 von 12");
    EXPECT_EQ(printDate({7, 3, 2026}), "07.03.2026");
    tDateTime at = tDateTime::at({9, 1, 2027}, 8, 5);
    EXPECT_EQ(printStamp(at), "09.01.2027 08:05");
}

TEST(PrintPages, TabLinesFillTheirColumns)
{
    const std::vector<std::string> lines = {"R1\tBeamer", "R2", "R3\tRaum\tmit Tab"};
    const tPrintDoc doc =
        linesPrintDoc("Ressourcen", {{"ID", 250}, {"Bezeichnung", 0}}, lines, kHeading, "2026");
    EXPECT_EQ(doc.title, "Ressourcen 2026");
    ASSERT_EQ(doc.pages.size(), 1u);
    EXPECT_EQ(headingTitle(doc, doc.pages[0]), "Ressourcen  2026");
    const std::vector<std::vector<std::string>> rows = {
        {"R1", "Beamer"}, {"R2", ""}, {"R3", "Raum\tmit Tab"}};
    EXPECT_EQ(doc.pages[0].rows, rows);
}

TEST(PrintPages, SharedColumnsFillTheBody)
{
    for (bool landscape : {false, true}) {
        const tPageFormat f;
        const std::vector<tPrintPage> pages =
            tablePages(f, {{"A", 300}, {"B", 0}, {"C", 0}}, {{"1", "2", "3"}}, landscape);
        ASSERT_EQ(pages.size(), 1u);
        const tRect body = bodyRect(landscape ? landscapeOf(f) : f);
        int sum = 0;
        for (const tPrintColumn &c : pages[0].columns) sum += c.width;
        EXPECT_LE(sum, body.width());
        EXPECT_GE(sum, body.width() - 1);
        EXPECT_EQ(pages[0].columns[1].width, pages[0].columns[2].width);
        EXPECT_EQ(pages[0].landscape, landscape);
    }
}

struct tFitCase {
    tRect source;
    tRect body;
    double scale;
};

TEST(PrintPages, FitKeepsProportionsInsideTheBody)
{
    const tFitCase cases[] = {
        {{0, 0, 100, 50}, {0, 0, 1000, 1000}, 10.0},    // limited across
        {{0, 0, 100, 400}, {100, 200, 900, 1000}, 2.0}, // limited down
        {{10, 20, 110, 70}, {50, 50, 250, 150}, 2.0},   // a source not at the origin
    };
    for (const tFitCase &c : cases) {
        tPrintPage page;
        fitShapes(page, c.source, c.body);
        EXPECT_DOUBLE_EQ(page.scale, c.scale);
        tShape box;
        box.rect = c.source;
        const tRect on = shapeOnPage(page, box);
        EXPECT_TRUE(inside(c.body, on));
        EXPECT_EQ(on.top, c.body.top);
        // Centred across: the space left and right differs by the rounding only.
        EXPECT_LE(std::abs((on.left - c.body.left) - (c.body.right - on.right)), 1);
    }
}

tWeek sampleWeek()
{
    tWeek week;
    week.start = {30, 3, 2026};
    tDate d = week.start;
    for (tWeekDay &day : week.days) {
        day.date = d;
        day.heading = printDate(d);
        d.nextDay();
    }
    week.days[4].heading += " Karfreitag";
    week.days[1].lines.push_back({tLineKind::Birthday, "* Anna Berg", "P1", week.days[1].date});
    week.days[2].lines.push_back(
        {tLineKind::Termin, "> 10:00 - Zahnarzt", "T1", week.days[2].date});
    week.days[2].lines.push_back({tLineKind::Task, "# Bericht", "K1", week.days[2].date});
    return week;
}

TEST(PrintPages, WeekIsOneLandscapePageOfSevenPanes)
{
    const tWeek week = sampleWeek();
    const tTodayMark today{{1, 4, 2026}, kBlue};
    const tPrintDoc doc = weekPrintDoc(week, kHeading, today);
    ASSERT_EQ(doc.pages.size(), 1u);
    const tPrintPage &page = doc.pages[0];
    EXPECT_EQ(page.kind, tPrintPage::Drawing);
    EXPECT_TRUE(page.landscape);
    EXPECT_EQ(headingTitle(doc, page), "Wochenkalender  30.03.2026 - 05.04.2026");
    const tRect body = bodyRect(pageFormat(doc, page));
    int frames = 0, headings = 0, todays = 0;
    std::vector<std::string> texts;
    for (const tShape &s : page.shapes) {
        EXPECT_TRUE(inside(body, shapeOnPage(page, s)))
            << s.text << testing::PrintToString(shapeOnPage(page, s));
        if (s.role == tShape::Frame) frames++;
        if (s.role == tShape::DayNumber) {
            headings++;
            EXPECT_EQ(s.pen, s.text.size() > 10 ? kRed : kBlack) << s.text;
        }
        if (s.role == tShape::TodayHeading) {
            todays++;
            EXPECT_EQ(s.date, today.day);
        }
        if (s.kind == tShape::Text) texts.push_back(s.text);
    }
    EXPECT_EQ(frames, 7);
    EXPECT_EQ(headings, 7);
    EXPECT_EQ(todays, 1);
    for (const char *t :
         {"03.04.2026 Karfreitag", "* Anna Berg", "> 10:00 - Zahnarzt", "# Bericht"})
        EXPECT_NE(std::find(texts.begin(), texts.end(), t), texts.end()) << t;
    // A day beyond the panes' 40 lines ends on "..." in its 40th.
    tWeek full = week;
    for (int i = 0; i < 45; i++)
        full.days[6].lines.push_back(
            {tLineKind::Termin, "> 08:00 - " + std::to_string(i), "T", {}});
    std::vector<std::string> sunday;
    const tPrintDoc fullDoc = weekPrintDoc(full, kHeading);
    for (const tShape &s : fullDoc.pages[0].shapes)
        if (s.role == tShape::BarTitle && s.date == week.days[6].date) sunday.push_back(s.text);
    ASSERT_EQ(sunday.size(), 40u);
    EXPECT_EQ(sunday[38], "> 08:00 - 38");
    EXPECT_EQ(sunday[39], "...");
    // Without today in the week, no tint.
    const tPrintDoc other = weekPrintDoc(week, kHeading, {{8, 4, 2026}, kBlue});
    for (const tShape &s : other.pages[0].shapes) EXPECT_NE(s.role, tShape::TodayHeading);
}

TEST(PrintPages, MonthPlannerIsOneLandscapePageOfItsOwnShapes)
{
    tHolidayCache holidays;
    const tTodayMark today{{7, 4, 2026}, kBlue};
    const tPrintDoc doc = planerPrintDoc({15, 4, 2026}, kHeading, holidays, today);
    ASSERT_EQ(doc.pages.size(), 1u);
    const tPrintPage &page = doc.pages[0];
    EXPECT_TRUE(page.landscape);
    EXPECT_EQ(headingTitle(doc, page), "Planer  04/2026");
    // The same shapes the window paints for the month, laid out by the paper's metrics.
    tHolidayCache again;
    const std::vector<tShape> screen = planerShapes({1, 4, 2026}, printMetrics(), again, today);
    ASSERT_EQ(page.shapes.size(), screen.size());
    const tRect body = bodyRect(pageFormat(doc, page));
    int days = 0, todays = 0;
    for (std::size_t i = 0; i < screen.size(); i++) {
        EXPECT_EQ(page.shapes[i].rect, screen[i].rect);
        EXPECT_TRUE(inside(body, shapeOnPage(page, page.shapes[i])));
        if (screen[i].role == tShape::DayNumber) days++;
        if (screen[i].role == tShape::TodayFrame) todays++;
        // Good Friday and Easter Monday in red.
        if (screen[i].role == tShape::DayNumber &&
            (screen[i].text == "3" || screen[i].text == "6")) {
            EXPECT_EQ(screen[i].pen, kRed) << screen[i].text;
        }
    }
    EXPECT_EQ(days, 30);
    EXPECT_GE(todays, 1);
}

tJahrPlanData samplePlan()
{
    tJahrPlanData data;
    data.year = 2026;
    data.resources = {"BUS", "R1", "R2", "WOHNMOBI"};
    auto booking = [&data](const char *id, const char *resource, tDate from, tDate till) {
        tTermin t;
        std::strcpy(t.ID, id);
        std::strcpy(t.TITLE, id);
        std::strcpy(t.RESOURCE, resource);
        t.from = tDateTime::at(from, 9);
        t.till = tDateTime::at(till, 17);
        data.bookings.push_back(t);
    };
    booking("FEB", "R1", {3, 2, 2026}, {5, 2, 2026});
    booking("MAI", "BUS", {11, 5, 2026}, {12, 5, 2026});
    booking("DEZ", "R2", {30, 12, 2026}, {31, 12, 2026});
    return data;
}

struct tQuarterCase {
    int firstMonth;
    int months;
    std::vector<std::string> ranges;
    std::vector<std::string> keys; // the bookings on each page, "" for none
};

TEST(PrintPages, OccupancyPlanPrintsQuartersScaledIntoTheBody)
{
    const tQuarterCase cases[] = {
        {1,
         12,
         {"1. Quartal 2026", "2. Quartal 2026", "3. Quartal 2026", "4. Quartal 2026"},
         {"FEB", "MAI", "", "DEZ"}},
        {2, 5, {"2/2026 - 4/2026", "5/2026 - 6/2026"}, {"FEB", "MAI"}},
        {12, 1, {"12/2026 - 12/2026"}, {"DEZ"}},
    };
    const tJahrPlanData data = samplePlan();
    tHolidayCache holidays;
    for (const tQuarterCase &c : cases) {
        SCOPED_TRACE(c.firstMonth);
        const tPrintDoc doc = jahrPlanPrintDoc(data, c.firstMonth, c.months, kHeading, holidays);
        EXPECT_EQ(doc.title, "Belegung 2026");
        ASSERT_EQ(doc.pages.size(), c.ranges.size());
        for (std::size_t i = 0; i < doc.pages.size(); i++) {
            const tPrintPage &page = doc.pages[i];
            EXPECT_TRUE(page.landscape);
            EXPECT_EQ(page.range, c.ranges[i]);
            const tRect body = bodyRect(pageFormat(doc, page));
            std::vector<std::string> labels, bars, resources;
            for (const tShape &s : page.shapes) {
                if (s.role == tShape::ResourceLabel) resources.push_back(s.text);
                EXPECT_TRUE(inside(body, shapeOnPage(page, s)))
                    << s.role << " " << s.text << testing::PrintToString(shapeOnPage(page, s))
                    << testing::PrintToString(s.rect);
                if (s.role == tShape::MonthLabel) labels.push_back(s.text);
                if (s.role == tShape::Bar) bars.push_back(s.key);
            }
            const int first = c.firstMonth + 3 * int(i);
            const int count = std::min(3, c.firstMonth + c.months - first);
            ASSERT_EQ(int(labels.size()), count);
            // Each month's rows with the resources' IDs whole, the long one too.
            std::vector<std::string> whole;
            for (int k = 0; k < count; k++)
                whole.insert(whole.end(), data.resources.begin(), data.resources.end());
            EXPECT_EQ(resources, whole);
            for (int k = 0; k < count; k++)
                EXPECT_EQ(labels[std::size_t(k)], std::to_string(first + k) + "/2026");
            if (c.keys[i].empty())
                EXPECT_TRUE(bars.empty());
            else
                EXPECT_EQ(bars, std::vector<std::string>{c.keys[i]});
            // The scale fills the body across or down.
            const double w = page.scale * page.source.width(),
                         h = page.scale * page.source.height();
            EXPECT_TRUE(w >= body.width() - 2 || h >= body.height() - 2);
        }
    }
}

TEST(PrintPages, TaskAndAppointmentListsAsTables)
{
    std::vector<tTask> tasks(2);
    tasks[0].setId("K2");
    tasks[0].setTitle("Zweite");
    tasks[0].ENDDATE = {4, 5, 2026};
    tasks[1].setId("K1");
    tasks[1].setTitle("Erste");
    const tPrintDoc t = taskPrintDoc(tasks, kHeading);
    ASSERT_EQ(t.pages.size(), 1u);
    ASSERT_EQ(t.pages[0].rows.size(), 2u);
    EXPECT_EQ(t.pages[0].rows[0][0], "K2"); // the order given, not sorted again
    EXPECT_EQ(t.pages[0].rows[0][1], "Zweite");
    EXPECT_EQ(t.pages[0].rows[0][3], "4.5.2026");
    EXPECT_EQ(t.pages[0].columns[1].title, "Bezeichnung");

    const std::vector<tViewLine> lines = {
        {tLineKind::Holiday, "! 1.5.2026: Maifeiertag", "", {1, 5, 2026}},
        {tLineKind::Termin, "> 2.5.2026 09:00 - Arzt", "T1", {2, 5, 2026}},
    };
    const tPrintDoc l = termListPrintDoc(lines, {1, 5, 2026}, kHeading);
    ASSERT_EQ(l.pages.size(), 1u);
    EXPECT_EQ(l.pages[0].range, "01.05.2026 - 10.05.2026");
    EXPECT_EQ(l.pages[0].rows[0],
              (std::vector<std::string>{"01.05.2026", "Feiertag", "1.5.2026: Maifeiertag"}));
    EXPECT_EQ(l.pages[0].rows[1][1], "Termin");
    EXPECT_EQ(l.pages[0].rows[1][2], "2.5.2026 09:00 - Arzt");
}

} // namespace
