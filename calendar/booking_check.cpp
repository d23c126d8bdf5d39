#include "calendar/booking_check.h"

#include "address/resource.h"
#include "base/session.h"
#include "calendar/termin_store.h"
#include "model/tables.h"

#include <cstdio>
#include <map>
#include <set>

namespace velk {

namespace {

tDateTime minuteLater(tDateTime t)
{
    if (++t.minute < 60) return t;
    t.minute = 0;
    if (++t.hour < 24) return t;
    t.hour = 0;
    t.nextDay();
    return t;
}

// The stored rows of `resource` that overlap one of the spans, each once, without the row `own`.
void collect(tTerminStore &store, const std::string &resource, const std::string &own,
             const std::vector<tOccurrence> &spans, std::vector<tBookingConflict> &out)
{
    std::set<std::string> met;
    // One hold for all the walks of a series.
    tTableHold hold(tTermTable::instance(), tTableHold::Read);
    for (const tOccurrence &s : spans) {
        tDateTime till = bookedTill(s.from, s.till);
        for (tTermin &row : store.touchingAll(s.from, till)) {
            if (resource != row.RESOURCE || (!own.empty() && own == row.ID)) continue;
            if (!bookingsOverlap(s.from, s.till, row.from, row.till)) continue;
            if (!met.insert(row.ID).second) continue;
            bool visible = store.visible(row);
            out.push_back({std::move(row), visible});
        }
    }
}

std::string hiddenLine(int n) { return n == 1 ? "belegt" : std::to_string(n) + "-mal belegt"; }

// The lines of a question: the visible bookings, then the hidden ones in one line, capped.
std::vector<std::string> cappedLines(std::vector<std::string> lines)
{
    if (int(lines.size()) <= kBookingLines) return lines;
    std::size_t more = lines.size() - kBookingLines;
    lines.resize(kBookingLines);
    lines.push_back("und " + std::to_string(more) + " weitere");
    return lines;
}

} // namespace

tDateTime bookedTill(const tDateTime &from, const tDateTime &till)
{
    return from.before(till) ? till : minuteLater(from);
}

bool bookingsOverlap(const tDateTime &aFrom, const tDateTime &aTill, const tDateTime &cFrom,
                     const tDateTime &cTill)
{
    return aFrom.before(bookedTill(cFrom, cTill)) && cFrom.before(bookedTill(aFrom, aTill));
}

std::vector<tBookingConflict> bookingConflicts(tTerminStore &store, const tTermin &t)
{
    std::vector<tBookingConflict> out;
    if (!t.RESOURCE[0]) return out;
    std::vector<tOccurrence> spans{{t.from, t.till}};
    if (t.hasRepeat()) {
        tRepeat rule = t.repeat;
        rule.count = t.repeatCount;
        expandRepeat(rule, t.from, t.till, [&](const tOccurrence &o) {
            spans.push_back(o);
            return true;
        });
    }
    collect(store, t.RESOURCE, t.ID, spans, out);
    return out;
}

std::string bookingLine(const tTermin &t)
{
    char text[96];
    if (t.from.sameDay(t.till))
        std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d-%02d:%02d ", t.from.day,
                      t.from.month, t.from.year, t.from.hour, t.from.minute, t.till.hour,
                      t.till.minute);
    else
        std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d-%02d.%02d.%04d %02d:%02d ",
                      t.from.day, t.from.month, t.from.year, t.from.hour, t.from.minute, t.till.day,
                      t.till.month, t.till.year, t.till.hour, t.till.minute);
    return text + std::string(t.TITLE);
}

std::string bookingQuestion(const std::string &resource,
                            const std::vector<tBookingConflict> &conflicts)
{
    if (conflicts.empty()) return {};
    std::vector<std::string> lines;
    int hidden = 0;
    for (const tBookingConflict &c : conflicts) {
        if (c.visible)
            lines.push_back(bookingLine(c.other));
        else
            hidden++;
    }
    if (hidden) lines.push_back(hiddenLine(hidden));
    const std::string head = "Die Ressource " + resource + " ist in dieser Zeit schon belegt (";
    if (lines.size() == 1) return head + lines[0] + "). Trotzdem speichern?";
    std::string text = head + std::to_string(conflicts.size()) + " Termine):";
    for (const std::string &line : cappedLines(std::move(lines))) text += "\n" + line;
    return text + "\nTrotzdem speichern?";
}

std::string resourceTitle(const std::string &id)
{
    tResource r;
    return r.find(id) ? std::string(r.TITLE) : id;
}

std::vector<tImportConflict> importConflicts(tTerminStore &store,
                                             const std::vector<tTermin> &entries)
{
    std::vector<tImportConflict> out;
    std::string user = currentUser();
    std::vector<const tTermin *> earlier; // the file's entries that book a resource
    for (const tTermin &e : entries) {
        if (!e.RESOURCE[0]) continue;
        tTermin own = e;
        own.ID[0] = 0;
        bool duplicate = false;
        std::vector<tBookingConflict> found;
        for (tBookingConflict &c : bookingConflicts(store, own)) {
            // The store refuses an entry equal to a row of the user in its key.
            if (c.other.from == own.from && std::string(c.other.TITLE) == own.TITLE &&
                user == c.other.OWNER)
                duplicate = true;
            found.push_back(std::move(c));
        }
        if (duplicate) continue;
        for (const tTermin *x : earlier)
            if (std::string(x->RESOURCE) == own.RESOURCE &&
                bookingsOverlap(own.from, own.till, x->from, x->till))
                found.push_back({*x, true});
        for (tBookingConflict &c : found) out.push_back({own, std::move(c)});
        earlier.push_back(&e);
    }
    return out;
}

std::string importQuestion(const std::vector<tImportConflict> &conflicts)
{
    if (conflicts.empty()) return {};
    std::map<std::string, std::string> titles;
    std::map<std::string, int> hidden; // per resource title
    std::set<std::string> met;         // visible lines, each once
    std::vector<std::string> lines;
    for (const tImportConflict &c : conflicts) {
        auto it = titles.find(c.entry.RESOURCE);
        if (it == titles.end())
            it = titles.emplace(c.entry.RESOURCE, resourceTitle(c.entry.RESOURCE)).first;
        if (!c.with.visible) {
            if (met.insert(std::string("#") + c.with.other.ID).second) hidden[it->second]++;
            continue;
        }
        std::string line = it->second + ": " + bookingLine(c.with.other);
        if (met.insert(line).second) lines.push_back(line);
    }
    for (const auto &[title, n] : hidden) lines.push_back(title + ": " + hiddenLine(n));
    std::string text = "Die Datei belegt Ressourcen, die in dieser Zeit schon belegt sind:";
    for (const std::string &line : cappedLines(std::move(lines))) text += "\n" + line;
    return text + "\nTrotzdem importieren?";
}

} // namespace velk
