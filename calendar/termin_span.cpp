#include "calendar/termin_span.h"

#include "base/walk.h"
#include "calendar/termin.h"
#include "model/tables.h"

#include <cstdio>

namespace velk {

namespace {

constexpr long kUnknown = -1;
constexpr long kMaxSpan = 999999999;

bool findCounter(tTermTable &t)
{
    if (!t.selectIndex(0)) return false;
    t.rec.clear();
    t.ID.setText("########");
    return t.rec.find();
}

// The value in the working record's WRITE field; kUnknown unless it is 9 digits.
long keptSpan(tTermTable &t)
{
    const char *text = t.WRITE.getText();
    long value = 0;
    int digits = 0;
    for (; text[digits]; digits++) {
        if (text[digits] < '0' || text[digits] > '9') return kUnknown;
        value = value * 10 + (text[digits] - '0');
    }
    return digits == 9 ? value : kUnknown;
}

// The longest span of every row, read in start order; kUnknown when the table cannot be read.
long scanSpans(tTermTable &t)
{
    if (!t.selectIndex(1)) return kUnknown;
    long longest = 0;
    for (long pos = walkFirst(t, t.rec, 1); pos; pos = walkNext(t, t.rec, 1, pos)) {
        tTermin row;
        t.FROMDATE.getDate(&row.from.day, &row.from.month, &row.from.year);
        t.TILLDATE.getDate(&row.till.day, &row.till.month, &row.till.year);
        long days = terminSpanDays(row);
        if (days > longest) longest = days;
    }
    return longest;
}

// Writes `days` into the counter row unless it holds as much already; under the row's lock, and
// read again under it, since another copy may raise it or take an ID meanwhile.
bool storeSpan(tTermTable &t, long days)
{
    if (!findCounter(t) || !t.lockWaiting()) return false;
    bool ok = t.setCurrent(t.current(), t.rec);
    if (ok && keptSpan(t) < days) {
        char text[16];
        std::snprintf(text, sizeof text, "%09ld", days < kMaxSpan ? days : kMaxSpan);
        t.WRITE.setText(text);
        ok = t.rewrite(t.rec) > 0;
    }
    t.unlock();
    return ok;
}

} // namespace

long longestTerminSpan(tTermTable &t)
{
    bool counter = findCounter(t);
    long kept = counter ? keptSpan(t) : kUnknown;
    if (kept != kUnknown) return kept;
    long found = scanSpans(t);
    if (counter && found != kUnknown) storeSpan(t, found);
    return found;
}

bool raiseTerminSpan(tTermTable &t, long days)
{
    if (!findCounter(t)) return false;
    long kept = keptSpan(t);
    if (kept != kUnknown && kept >= days) return true;
    if (kept == kUnknown) {
        long found = scanSpans(t);
        if (found == kUnknown) return false;
        if (found > days) days = found;
    }
    return storeSpan(t, days);
}

} // namespace velk
