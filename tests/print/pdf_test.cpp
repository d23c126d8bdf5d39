// The printed pages written as PDF and read back by poppler's own programs: pdfinfo (pages,
// their size and orientation, title and creator), pdftotext (the heading on every page, the
// dates, the names) and pdftoppm (the pixels of a bar where its shape lies on the page).
#include "print/print_painter.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace velk;

namespace {

const tPrintHeading kHeading{"", "root", "10.12.2026 17:05"};

// The standard output of a command; fails the test when it does not end with 0.
std::string run(const std::string &command)
{
    std::string out;
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe) {
        ADD_FAILURE() << "cannot run " << command;
        return out;
    }
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    EXPECT_EQ(pclose(pipe), 0) << command;
    return out;
}

bool has(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

class PdfTest : public testing::Test {
protected:
    void SetUp() override
    {
        for (const char *program : {"pdfinfo", "pdftotext", "pdftoppm"})
            if (std::system(("command -v " + std::string(program) + " >/dev/null").c_str()) != 0)
                GTEST_SKIP() << program
                             << " is not installed (poppler-utils, scripts/install-deps)";
        char dir[] = "/tmp/velk-pdf-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        dir_ = dir;
    }
    void TearDown() override
    {
        if (!dir_.empty()) std::filesystem::remove_all(dir_);
    }
    std::string path(const char *name) const { return dir_ + "/" + name; }

    std::string info(const std::string &pdf, int pages = 0)
    {
        std::string range = pages ? " -f 1 -l " + std::to_string(pages) : "";
        return run("pdfinfo" + range + " '" + pdf + "'");
    }
    std::string text(const std::string &pdf, int page)
    {
        const std::string p = std::to_string(page);
        return run("pdftotext -layout -f " + p + " -l " + p + " '" + pdf + "' -");
    }

    std::string dir_;
};

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
    week.days[1].lines.push_back({tLineKind::Birthday, "* J\xFCrgen M\xFCller", "P1", {}});
    week.days[2].lines.push_back({tLineKind::Termin, "> 10:00 - Zahnarzt", "T1", {}});
    week.days[2].lines.push_back({tLineKind::Task, "# Steuererkl\xE4rung", "K1", {}});
    return week;
}

TEST_F(PdfTest, WeekIsOneLandscapeA4PageWithItsDaysAndEntries)
{
    const tPrintDoc doc = weekPrintDoc(sampleWeek(), kHeading, {{1, 4, 2026}, kBlue});
    const std::string pdf = path("woche.pdf");
    ASSERT_TRUE(writePdf(doc, pdf, doc.title));
    const std::string i = info(pdf);
    EXPECT_TRUE(has(i, "Pages:           1\n")) << i;
    EXPECT_TRUE(has(i, "Title:           Wochenkalender 30.03.2026\n")) << i;
    EXPECT_TRUE(has(i, "Creator:         VELK\n")) << i;
    EXPECT_TRUE(has(i, "Page size:       842 x 595 pts (A4)")) << i;
    const std::string t = text(pdf, 1);
    for (const char *part :
         {"Wochenkalender 30.03.2026 - 05.04.2026", "Benutzer: root gedruckt am 10.12.2026 17:05",
          "30.03.2026", "02.04.2026", "03.04.2026 Karfreitag", "05.04.2026", "Jürgen Müller",
          "10:00 - Zahnarzt", "Steuererklärung", "Seite 1 von 1"})
        EXPECT_TRUE(has(t, part)) << part << "\n" << t;
}

TEST_F(PdfTest, ThousandPersonsRepeatTheHeadingOnEveryNumberedPage)
{
    std::vector<std::string> lines;
    for (int n = 0; n < 1000; n++) {
        char line[80];
        std::snprintf(line, sizeof line, "P%04d\tGr\xE4te Name%04d\t 1. 2.1970\t0711-%d", n, n, n);
        lines.push_back(line);
    }
    const tPrintDoc doc = personPrintDoc(lines, kHeading);
    const int pages = int(doc.pages.size());
    ASSERT_EQ(pages, 22); // 47 rows a page on A4 portrait (print_pages_test)
    const std::string pdf = path("personen.pdf");
    ASSERT_TRUE(writePdf(doc, pdf, "Personenliste"));
    const std::string i = info(pdf, pages);
    EXPECT_TRUE(has(i, "Pages:           22\n")) << i;
    EXPECT_TRUE(has(i, "Title:           Personenliste\n")) << i;
    EXPECT_TRUE(has(i, "Page   22 size:  595 x 842 pts (A4)")) << i;
    int row = 0;
    for (int p = 1; p <= pages; p++) {
        SCOPED_TRACE(p);
        const std::string t = text(pdf, p);
        EXPECT_TRUE(has(t, "Personenliste")) << t;
        EXPECT_TRUE(has(t, "Benutzer: root")) << t;
        EXPECT_TRUE(has(t, "Geburtstag")) << t;
        EXPECT_TRUE(has(t, "Seite " + std::to_string(p) + " von 22")) << t;
        const int first = row, last = std::min(999, row + 46);
        char id[8];
        std::snprintf(id, sizeof id, "P%04d", first);
        EXPECT_TRUE(has(t, id)) << id;
        std::snprintf(id, sizeof id, "P%04d", last);
        EXPECT_TRUE(has(t, id)) << id;
        std::snprintf(id, sizeof id, "P%04d", last + 1);
        EXPECT_FALSE(has(t, id)) << id;
        row = last + 1;
    }
    EXPECT_TRUE(has(text(pdf, 1), "Gräte Name0000"));
}

TEST_F(PdfTest, EachPageKeepsItsOwnOrientation)
{
    tPrintDoc doc = weekPrintDoc(sampleWeek(), kHeading);
    std::vector<std::vector<std::string>> rows(60, std::vector<std::string>{"x"});
    for (tPrintPage &page : tablePages(doc.format, {{"Spalte", 0}}, rows))
        doc.pages.push_back(std::move(page));
    const std::string pdf = path("gemischt.pdf");
    ASSERT_TRUE(writePdf(doc, pdf,
                         "\xDC"
                         "bersicht"));
    const std::string i = info(pdf, 3);
    EXPECT_TRUE(has(i, "Title:           Übersicht\n")) << i;
    EXPECT_TRUE(has(i, "Page    1 size:  842 x 595 pts (A4)")) << i;
    EXPECT_TRUE(has(i, "Page    2 size:  595 x 842 pts (A4)")) << i;
    EXPECT_TRUE(has(i, "Page    3 size:  595 x 842 pts (A4)")) << i;
    EXPECT_TRUE(has(text(pdf, 3), "Seite 3 von 3"));
}

TEST_F(PdfTest, AnUnwritablePathFails)
{
    const tPrintDoc doc = weekPrintDoc(sampleWeek(), kHeading);
    EXPECT_FALSE(writePdf(doc, path("fehlt/woche.pdf"), doc.title));
    EXPECT_FALSE(std::filesystem::exists(path("fehlt/woche.pdf")));
}

// One pixel of a binary PPM (P6, 8 bits) as pdftoppm writes it.
tRgb pixel(const std::string &ppm, int x, int y)
{
    std::ifstream in(ppm, std::ios::binary);
    std::string magic;
    int w = 0, h = 0, max = 0;
    in >> magic >> w >> h >> max;
    in.get();
    EXPECT_EQ(magic, "P6");
    if (x < 0 || y < 0 || x >= w || y >= h) {
        ADD_FAILURE() << x << "," << y << " outside " << w << "x" << h;
        return {};
    }
    in.seekg(std::streamoff(3) * (std::streamoff(y) * w + x), std::ios::cur);
    unsigned char c[3] = {};
    in.read(reinterpret_cast<char *>(c), 3);
    return {c[0], c[1], c[2]};
}

TEST_F(PdfTest, QuarterBarsLieWhereTheirShapesArePlaced)
{
    tJahrPlanData data;
    data.year = 2026;
    data.resources = {"BUS", "R1"};
    tTermin t;
    std::strcpy(t.ID, "FEB");
    std::strcpy(t.RESOURCE, "R1");
    t.from = tDateTime::at({3, 2, 2026}, 0);
    t.till = tDateTime::at({12, 2, 2026}, 0);
    data.bookings.push_back(t);
    tHolidayCache holidays;
    const tPrintDoc doc = jahrPlanPrintDoc(data, 1, 3, kHeading, holidays);
    ASSERT_EQ(doc.pages.size(), 1u);
    const std::string pdf = path("belegung.pdf");
    ASSERT_TRUE(writePdf(doc, pdf, doc.title));
    // 254 dots an inch are ten a millimetre: one pixel a page unit.
    run("pdftoppm -r 254 -f 1 -l 1 '" + pdf + "' '" + path("seite") + "'");
    const std::string ppm = path("seite-1.ppm");
    ASSERT_TRUE(std::filesystem::exists(ppm));
    const tPrintPage &page = doc.pages[0];
    int bars = 0;
    for (const tShape &s : page.shapes) {
        if (s.role != tShape::Bar) continue;
        bars++;
        const tRect r = shapeOnPage(page, s);
        const tRgb inside = pixel(ppm, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
        EXPECT_EQ(inside, kLightGrey) << inside.r << "," << inside.g << "," << inside.b;
        // Just below the bar's row (the last resource's), in the empty row over the next
        // month's label: paper.
        const tRgb below = pixel(ppm, (r.left + r.right) / 2, r.bottom + (r.bottom - r.top) / 3);
        EXPECT_EQ(below, kWhite) << below.r << "," << below.g << "," << below.b;
    }
    EXPECT_EQ(bars, 1);
    EXPECT_TRUE(has(text(pdf, 1), "1. Quartal 2026"));
}

} // namespace

int main(int argc, char **argv)
{
    // Fonts need a Gui application; no window is shown.
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
