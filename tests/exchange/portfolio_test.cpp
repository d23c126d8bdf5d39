// Portfolio diary files: the line reader, the century rule, a file's lines in order, and the
// lines the export writes.
#include "exchange/portfolio.h"
#include "tests/btree/files_support.h"

#include <gtest/gtest.h>

using namespace velk;
using namespace std::literals;

namespace {

constexpr int kYear = 2026;

struct tParseCase {
    std::string_view line;
    tDryKind kind;
    tDate date;
    int fromHour, fromMinute, tillHour, tillMinute;
    const char *title;
};

} // namespace

TEST(Portfolio, ParsesEachKindOfLine)
{
    using K = tDryKind;
    const tParseCase cases[] = {
        {"   05/03/26", K::Date, {5, 3, 2026}, 0, 0, 0, 0, ""},
        {"   24/12/26 Heiligabend", K::AllDay, {24, 12, 2026}, 0, 0, 0, 0, "Heiligabend"},
        {"   01/02/05", K::Date, {1, 2, 2105}, 0, 0, 0, 0, ""},
        {"   01/02/06", K::Date, {1, 2, 2006}, 0, 0, 0, 0, ""},
        {"   01/02/99", K::Date, {1, 2, 2099}, 0, 0, 0, 0, ""},
        {"1.2.26\t \x01Titel mit  Blanks ",
         K::AllDay,
         {1, 2, 2026},
         0,
         0,
         0,
         0,
         "Titel mit  Blanks "},
        {"   24/12/26 2 Tage", K::AllDay, {24, 12, 2026}, 0, 0, 0, 0, "2 Tage"},
        {"    09:30 - 11:00 Besprechung", K::TimedWithEnd, {}, 9, 30, 11, 0, "Besprechung"},
        {"    9:5 Titel", K::Timed, {}, 9, 5, 0, 0, "Titel"},
        {"    09:30", K::Timed, {}, 9, 30, 0, 0, ""},
        {"    23:59 -0:1", K::TimedWithEnd, {}, 23, 59, 0, 1, ""},
        {"    08:00 Essen\r\n", K::Timed, {}, 8, 0, 0, 0, "Essen"},
        {"    08:00 Essen\0danach"sv, K::Timed, {}, 8, 0, 0, 0, "Essen"},
        {"abc", K::Skipped, {}, 0, 0, 0, 0, ""},
        {"", K::Skipped, {}, 0, 0, 0, 0, ""},
        {"   31/02/26", K::Invalid, {31, 2, 2026}, 0, 0, 0, 0, ""},
        {"   xx", K::Invalid, {0, 0, 2100}, 0, 0, 0, 0, ""},
        {"    24:00 Mitternacht", K::Invalid, {}, 24, 0, 0, 0, "Mitternacht"},
        {"    10:00 - 10:60 x", K::Invalid, {}, 10, 0, 10, 60, "x"},
        {"    99999999999999999999:1", K::Invalid, {}, 99999999, 1, 0, 0, ""},
    };
    for (const tParseCase &c : cases) {
        SCOPED_TRACE(std::string(c.line));
        tDryLine line = parseDryLine(c.line, kYear);
        EXPECT_EQ(line.kind, c.kind);
        if (c.kind == K::Date || c.kind == K::AllDay) {
            EXPECT_EQ(line.date, c.date);
        }
        EXPECT_EQ(line.fromHour, c.fromHour);
        EXPECT_EQ(line.fromMinute, c.fromMinute);
        EXPECT_EQ(line.tillHour, c.tillHour);
        EXPECT_EQ(line.tillMinute, c.tillMinute);
        if (c.kind != K::Skipped && c.kind != K::Date) {
            EXPECT_EQ(line.title, c.title);
        }
    }
}

TEST(Portfolio, CenturyRule)
{
    const int cases[][3] = {
        // two-digit year, current year, full year
        {5, 2026, 2105}, {6, 2026, 2006},  {26, 2026, 2026}, {99, 2026, 2099},
        {0, 2000, 2000}, {79, 2099, 2079}, {78, 2099, 2178}, {98, 1999, 1998},
    };
    for (const auto &c : cases) EXPECT_EQ(dryYear(c[0], c[1]), c[2]) << c[0] << " in " << c[1];
}

TEST(Portfolio, SplitsLinesAtCrLfAndIn255CharacterPieces)
{
    std::string longLine(600, 'x');
    auto lines = splitDryLines("a\r\nb\nc\rd\r\n\r\n" + longLine + "\r\nlast");
    std::vector<std::string> expected = {"a",
                                         "b",
                                         "c",
                                         "d",
                                         "",
                                         std::string(255, 'x'),
                                         std::string(255, 'x'),
                                         std::string(90, 'x'),
                                         "last"};
    EXPECT_EQ(lines, expected);
    EXPECT_TRUE(splitDryLines("").empty());

    velk::apptest::TempDir dir;
    velk::apptest::writeFileBytes(dir.file("t.dry"), {' ', ' ', ' ', '1', '\r', '\n'});
    std::vector<std::string> read;
    ASSERT_TRUE(readDryFile(dir.file("t.dry"), &read));
    EXPECT_EQ(read, std::vector<std::string>{"   1"});
    EXPECT_FALSE(readDryFile(dir.file("missing.dry"), &read));
}

// A file's lines through the reader: what is stored, in order, and where it stops.
TEST(Portfolio, ReaderCarriesTheDateToTheTimedEntries)
{
    using S = tDryReader::Step;
    tDryReader reader(kYear);
    tDryEntry e;
    EXPECT_EQ(reader.feed("   05/03/26", &e), S::Nothing);
    EXPECT_EQ(reader.feed("    09:30 - 11:00 Besprechung", &e), S::Store);
    EXPECT_EQ(e, (tDryEntry{{5, 3, 2026}, 9, 30, 11, 0, "Besprechung"}));
    EXPECT_EQ(reader.feed("    14:00 Kaffee", &e), S::Store);
    EXPECT_EQ(e, (tDryEntry{{5, 3, 2026}, 14, 0, 0, 0, "Kaffee"}));
    EXPECT_EQ(reader.feed("ab", &e), S::Nothing) << "a short line is skipped";
    EXPECT_EQ(reader.feed("   24/12/26 Heiligabend", &e), S::Store);
    EXPECT_EQ(e, (tDryEntry{{24, 12, 2026}, 0, 0, 0, 0, "Heiligabend"}));
    EXPECT_EQ(reader.feed("    18:00 Bescherung", &e), S::Store) << "the all-day line set the date";
    EXPECT_EQ(e, (tDryEntry{{24, 12, 2026}, 18, 0, 0, 0, "Bescherung"}));
    EXPECT_EQ(reader.feed("   30/02/26", &e), S::Error);

    tDryReader fresh(kYear);
    EXPECT_EQ(fresh.feed("    09:00 vor jedem Datum", &e), S::Error);
}

TEST(Portfolio, ExportLines)
{
    tDryEntry meeting{{5, 3, 2026}, 9, 30, 11, 0, "Besprechung"};
    EXPECT_EQ(formatDryEntry(meeting), "   05/03/26\r\n    09:30 - 11:00 Besprechung\r\n");
    tDryEntry open{{5, 3, 2026}, 9, 30, 0, 0, "Offen"};
    EXPECT_EQ(formatDryEntry(open), "   05/03/26\r\n    09:30 Offen\r\n");
    tDryEntry allDay{{24, 12, 2026}, 0, 0, 17, 0, "Heiligabend"};
    EXPECT_EQ(formatDryEntry(allDay), "   24/12/26 Heiligabend\r\n") << "start 00:00: all day";
    EXPECT_EQ(formatDryAllDay({1, 1, 2105}, "Zwei\r\nZeilen"), "   01/01/05 Zwei  Zeilen\r\n");
    EXPECT_EQ(formatDryDate({9, 9, 1999}), "   09/09/99\r\n");
    EXPECT_EQ(formatDryTimed(7, 5, 0, 0, ""), "    07:05 \r\n");

    // What the export writes, the import reads back.
    for (const tDryEntry &e :
         {meeting, open, tDryEntry{{24, 12, 2026}, 0, 0, 0, 0, "Heiligabend"}}) {
        tDryReader reader(kYear);
        tDryEntry back;
        tDryReader::Step last = tDryReader::Nothing;
        for (const std::string &line : splitDryLines(formatDryEntry(e)))
            last = reader.feed(line, &back);
        EXPECT_EQ(last, tDryReader::Store);
        EXPECT_EQ(back, e);
    }
}
