// What the search window shows, as plain values: the rows of the sections, the date column, the
// status line, the arrow keys over the headings, the kinds a notice touches, the range's dates.
#include "views/search_rows.h"

#include "base/notice_bits.h"

#include <gtest/gtest.h>

using namespace velk;

namespace {

tSearchHit hit(tSearchKind kind, const char *id, tDate date, const char *title,
               const char *field = "", const char *match = "")
{
    tSearchHit h;
    h.kind = kind;
    h.id = id;
    h.date = date;
    h.title = title;
    h.field = field;
    h.match = match;
    return h;
}

std::vector<std::string> cells(const std::vector<tSearchRow> &rows)
{
    std::vector<std::string> out;
    for (const tSearchRow &r : rows)
        out.push_back(r.heading ? r.art : r.art + "|" + r.date + "|" + r.text);
    return out;
}

const std::vector<tSearchHit> kHits = {
    hit(tSearchKind::Termin, "00000002", {14, 5, 2025}, "10:00 Planung", "Teilnehmer",
        "Hans M\xfcller"),
    hit(tSearchKind::Termin, "00000001", {2, 1, 2024}, "09:00 M\xfcller anrufen", "Titel",
        "M\xfcller anrufen"),
    hit(tSearchKind::Person, "hans", {3, 4, 0}, "Hans M\xfcller", "Name", "M\xfcller"),
    hit(tSearchKind::Task, "T7", {}, "Umzug", "Anmerkung", "Kartons bei M\xfcller"),
};

TEST(SearchRows, AHeadingBeforeEachKindsResults)
{
    const std::vector<tSearchRow> rows = searchRows(kHits);
    EXPECT_EQ(cells(rows), (std::vector<std::string>{
                               "Termine (2)",
                               "Termin|14.05.2025|10:00 Planung (Teilnehmer: Hans M\xfcller)",
                               "Termin|02.01.2024|09:00 M\xfcller anrufen",
                               "Personen (1)",
                               "Person|03.04.|Hans M\xfcller",
                               "Aufgaben (1)",
                               "Aufgabe||Umzug (Anmerkung: Kartons bei M\xfcller)",
                           }));
    const int hitOfRow[] = {-1, 0, 1, -1, 2, -1, 3};
    ASSERT_EQ(rows.size(), std::size(hitOfRow));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        EXPECT_EQ(rows[r].hit, hitOfRow[r]) << r;
        EXPECT_EQ(rows[r].heading, hitOfRow[r] < 0) << r;
    }
    EXPECT_TRUE(searchRows({}).empty());
}

TEST(SearchRows, KindNamesAndDates)
{
    const char *singular[] = {"Termin", "Person", "Gruppe", "Ressource", "Projekt", "Aufgabe"};
    for (int k = 0; k < kSearchKinds; ++k)
        EXPECT_STREQ(searchKindSingular(static_cast<tSearchKind>(k)), singular[k]);
    struct Row {
        tDate date;
        const char *text;
    } rows[] = {
        {{1, 2, 2025}, "01.02.2025"}, {{31, 12, 999}, "31.12.0999"},
        {{29, 2, 0}, "29.02."},       {{}, ""},
        {{0, 5, 2025}, ""},
    };
    for (const Row &r : rows) EXPECT_EQ(searchDateText(r.date), r.text) << r.text;
}

TEST(SearchRows, StatusLine)
{
    struct Row {
        const char *word;
        std::size_t hits;
        bool rangeIgnored;
        const char *status;
    } rows[] = {
        {"", 0, false, ""},
        {"  ", 0, true, ""},
        {"x", 0, false, "Keine Treffer"},
        {"x", 1, false, "1 Treffer"},
        {"x", 12, false, "12 Treffer"},
        {"x", 2, true, "2 Treffer (Zeitraum unvollst\xE4ndig, nicht angewandt)"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(searchStatus(r.word, r.hits, r.rangeIgnored), r.status) << r.word;
}

TEST(SearchRows, ArrowsStepOverTheHeadings)
{
    const std::vector<tSearchRow> rows = searchRows(kHits);
    struct Row {
        int from, step, to;
    } steps[] = {
        {-1, 1, 1}, {1, 1, 2},  {2, 1, 4},   {4, 1, 6},   {6, 1, -1},
        {6, -1, 4}, {4, -1, 2}, {1, -1, -1}, {0, -1, -1}, {3, 1, 4},
    };
    for (const Row &s : steps)
        EXPECT_EQ(searchStepRow(rows, s.from, s.step), s.to) << s.from << " by " << s.step;
    EXPECT_EQ(searchStepRow({}, -1, 1), -1);

    EXPECT_EQ(searchRowOf(rows, kHits, tSearchKind::Person, "hans"), 4);
    EXPECT_EQ(searchRowOf(rows, kHits, tSearchKind::Termin, "00000001"), 2);
    EXPECT_EQ(searchRowOf(rows, kHits, tSearchKind::Group, "hans"), -1) << "the kind counts";
    EXPECT_EQ(searchRowOf(rows, kHits, tSearchKind::Person, "eva"), -1);
}

TEST(SearchRows, NoticesOfTheShownKinds)
{
    const unsigned persons = searchKindBit(tSearchKind::Person);
    const unsigned termine = searchKindBit(tSearchKind::Termin);
    const unsigned tasks = searchKindBit(tSearchKind::Task);
    EXPECT_EQ(searchNoticesOfKinds(0), 0);
    EXPECT_EQ(searchNoticesOfKinds(persons), NoticePersons);
    EXPECT_EQ(searchNoticesOfKinds(kAllSearchKinds),
              NoticeAppointments | NoticeResources | NoticePersons | NoticeProjects);
    struct Row {
        unsigned shown;
        int bits;
        unsigned hit;
    } rows[] = {
        {kAllSearchKinds, NoticeAlarms, 0},
        {persons | tasks, NoticeProjects, tasks},
        {persons | termine, NoticePersons, persons | termine}, // participants' names
        {tasks, NoticePersons | NoticeAppointments, 0},
        {0, NoticeAll, 0},
    };
    for (const Row &r : rows) EXPECT_EQ(searchKindsHitBy(r.shown, r.bits), r.hit) << r.bits;
    EXPECT_EQ(searchEditNotice(tSearchKind::Termin), NoticeAppointments);
    EXPECT_EQ(searchEditNotice(tSearchKind::Group), NoticePersons);
    EXPECT_EQ(searchEditNotice(tSearchKind::Resource), NoticeResources);
    EXPECT_EQ(searchEditNotice(tSearchKind::Task), NoticeProjects);
}

TEST(SearchRows, RangeFields)
{
    struct Row {
        const char *day, *month, *year;
        tDate date;
    } rows[] = {
        {"1", "9", "2025", {1, 9, 2025}},
        {"01", "09", "2025", {1, 9, 2025}},
        {"29", "2", "2024", {29, 2, 2024}},
        {"29", "2", "2025", {}},
        {"", "9", "2025", {}},
        {"1", "13", "2025", {}},
        {"1", "9", "", {}},
        {"1", "9", "96", {1, 9, 96}},
        {"1x", "9", "2025", {}},
        {"0", "9", "2025", {}},
    };
    for (const Row &r : rows)
        EXPECT_EQ(searchFieldDate(r.day, r.month, r.year), r.date)
            << r.day << "." << r.month << "." << r.year;
}

} // namespace
