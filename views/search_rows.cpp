#include "views/search_rows.h"

#include "base/notice_bits.h"

#include <cstdio>

namespace velk {

const char *searchKindSingular(tSearchKind kind)
{
    switch (kind) {
    case tSearchKind::Termin:
        return "Termin";
    case tSearchKind::Person:
        return "Person";
    case tSearchKind::Group:
        return "Gruppe";
    case tSearchKind::Resource:
        return "Ressource";
    case tSearchKind::Project:
        return "Projekt";
    case tSearchKind::Task:
        return "Aufgabe";
    }
    return "";
}

std::string searchDateText(const tDate &date)
{
    if (date.day <= 0 || date.month <= 0) return std::string();
    char text[40];
    if (date.year == 0)
        std::snprintf(text, sizeof text, "%02d.%02d.", date.day, date.month);
    else
        std::snprintf(text, sizeof text, "%02d.%02d.%04d", date.day, date.month, date.year);
    return text;
}

std::vector<tSearchRow> searchRows(const std::vector<tSearchHit> &hits)
{
    std::vector<tSearchRow> rows;
    std::size_t i = 0;
    while (i < hits.size()) {
        const tSearchKind kind = hits[i].kind;
        std::size_t end = i;
        while (end < hits.size() && hits[end].kind == kind) ++end;
        tSearchRow heading;
        heading.heading = true;
        heading.kind = kind;
        heading.art = std::string(searchKindTitle(kind)) + " (" + std::to_string(end - i) + ")";
        rows.push_back(std::move(heading));
        for (; i < end; ++i) {
            tSearchRow row;
            row.kind = kind;
            row.hit = int(i);
            row.art = searchKindSingular(kind);
            row.date = searchDateText(hits[i].date);
            row.text = searchHitText(hits[i]);
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

std::string searchStatus(std::string_view word, std::size_t hits, bool rangeIgnored)
{
    if (word.find_first_not_of(" \t") == std::string_view::npos) return std::string();
    std::string text = hits == 0 ? "Keine Treffer" : std::to_string(hits) + " Treffer";
    if (rangeIgnored) text += " (Zeitraum unvollst\xE4ndig, nicht angewandt)";
    return text;
}

int searchStepRow(const std::vector<tSearchRow> &rows, int from, int step)
{
    if (step == 0) return -1;
    const int n = int(rows.size());
    for (int r = from + step; r >= 0 && r < n; r += step)
        if (!rows[std::size_t(r)].heading) return r;
    return -1;
}

int searchRowOf(const std::vector<tSearchRow> &rows, const std::vector<tSearchHit> &hits,
                tSearchKind kind, std::string_view id)
{
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const int h = rows[r].hit;
        if (h < 0 || std::size_t(h) >= hits.size()) continue;
        if (hits[std::size_t(h)].kind == kind && hits[std::size_t(h)].id == id) return int(r);
    }
    return -1;
}

int searchNoticesOfKinds(unsigned kinds)
{
    int bits = 0;
    for (int k = 0; k < kSearchKinds; ++k) {
        const auto kind = static_cast<tSearchKind>(k);
        if (kinds & searchKindBit(kind)) bits |= searchKindNotices(kind);
    }
    return bits;
}

unsigned searchKindsHitBy(unsigned kinds, int bits)
{
    unsigned hit = 0;
    for (int k = 0; k < kSearchKinds; ++k) {
        const auto kind = static_cast<tSearchKind>(k);
        if ((kinds & searchKindBit(kind)) && (searchKindNotices(kind) & bits))
            hit |= searchKindBit(kind);
    }
    return hit;
}

int searchEditNotice(tSearchKind kind)
{
    switch (kind) {
    case tSearchKind::Termin:
        return NoticeAppointments;
    case tSearchKind::Person:
    case tSearchKind::Group:
        return NoticePersons;
    case tSearchKind::Resource:
        return NoticeResources;
    case tSearchKind::Project:
    case tSearchKind::Task:
        return NoticeProjects;
    }
    return 0;
}

namespace {

// A number of 1 to `digits` decimal digits, else -1.
int fieldNumber(std::string_view text, std::size_t digits)
{
    const std::size_t b = text.find_first_not_of(' ');
    if (b == std::string_view::npos) return -1;
    text = text.substr(b, text.find_last_not_of(' ') - b + 1);
    if (text.empty() || text.size() > digits) return -1;
    int n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

} // namespace

tDate searchFieldDate(std::string_view day, std::string_view month, std::string_view year)
{
    const int d = fieldNumber(day, 2), m = fieldNumber(month, 2), y = fieldNumber(year, 4);
    tDate date;
    if (d < 1 || m < 1 || y < 1) return date;
    date.set(y, m, d);
    if (!date.valid()) date.clear();
    return date;
}

} // namespace velk
