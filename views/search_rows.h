// search_rows.h - what the search window shows of a search's results, as plain values.
//
// The results (views/search.h) come in sections by kind; the window shows each section that has
// results under a heading "Termine (12)" and then one row per result: its kind ("Termin",
// "Person", ...), its date as TT.MM.JJJJ (empty when it has none; "TT.MM." for a birthday
// without a year) and its text (searchHitText).  Headings are never selected: the arrow keys
// step over them.  Under the list a status line counts the results ("1 Treffer", "3 Treffer",
// "Keine Treffer"), and says so when the date range is switched on but incomplete; while the
// word is empty it says nothing.  Everything is Windows-1252.
#ifndef VELK_VIEWS_SEARCH_ROWS_H
#define VELK_VIEWS_SEARCH_ROWS_H

#include "views/search.h"

#include <string>
#include <string_view>
#include <vector>

namespace velk {

struct tSearchRow {
    bool heading = false;
    tSearchKind kind = tSearchKind::Termin;
    int hit = -1;     // a result row: its index in the results; -1 for a heading
    std::string art;  // a heading: "Termine (12)"; a result: "Termin"
    std::string date; // a result's date, or empty
    std::string text; // a result's text

    friend bool operator==(const tSearchRow &, const tSearchRow &) = default;
};

// "Termin", "Person", "Gruppe", "Ressource", "Projekt", "Aufgabe".
const char *searchKindSingular(tSearchKind kind);

// The date column: "TT.MM.JJJJ", "TT.MM." for a day without a year, empty for none.
std::string searchDateText(const tDate &date);

// The rows of these results, a heading before each kind's results.
std::vector<tSearchRow> searchRows(const std::vector<tSearchHit> &hits);

// The status line for the word and the number of results; `rangeIgnored` when "Zeitraum" is on
// but its dates are not both valid, so that the results are not filtered by date.
std::string searchStatus(std::string_view word, std::size_t hits, bool rangeIgnored = false);

// The result row nearest to `from` going `step` rows (+1 down, -1 up), `from` itself left out;
// -1 when there is none that way.  From -1 going down finds the first result.
int searchStepRow(const std::vector<tSearchRow> &rows, int from, int step);

// The row of the result of this kind and ID, or -1.
int searchRowOf(const std::vector<tSearchRow> &rows, const std::vector<tSearchHit> &hits,
                tSearchKind kind, std::string_view id);

// The notice bits that may change the results of the kinds in `kinds` (searchKindBit flags).
int searchNoticesOfKinds(unsigned kinds);

// The kinds (searchKindBit flags) among `kinds` whose results a notice with `bits` may change.
unsigned searchKindsHitBy(unsigned kinds, int bits);

// The notice a result's dialog sends after OK: what the list windows of that kind send.
int searchEditNotice(tSearchKind kind);

// A date typed into three fields (day, month, year): digits only, the year as typed ("96" is
// the year 96).  An invalid or incomplete date answers a cleared tDate.
tDate searchFieldDate(std::string_view day, std::string_view month, std::string_view year);

} // namespace velk

#endif
