#include "calendar/termin_store.h"

#include "base/row_store.h"
#include "base/session.h"
#include "calendar/termin_span.h"
#include "model/tables.h"

namespace velk {

namespace {

tTermTable *table() { return tTermTable::instance(); }

struct tTerminRow : tRowOf<tTermin, tTermTable> {
    static constexpr std::tuple columns{
        VELK_COLUMNS(ID, TITLE, TYPE, RESOURCE, WITH, OWNER, READ),
        column(&Row::from, &Table::FROMDATE), column(&Row::from, &Table::FROMTIME),
        column(&Row::till, &Table::TILLDATE), column(&Row::till, &Table::TILLTIME)};
};
using tTermins = tRowStore<tTerminRow>;

// A row as an appointment without a rule.
tTermin get(tTermTable &t)
{
    tTermin a;
    tTermins::get(t, a);
    return a;
}

// Positions index 1 on the first row that starts on `day` or later.
long seekDay(tTermTable &t, const tDate &day)
{
    if (!t.selectIndex(tTerminStore::ByStart)) return 0;
    t.rec.clear();
    t.FROMDATE.setDate(day.day, day.month, day.year);
    return t.seek(t.rec, 4);
}

} // namespace

tTerminStore &tTerminStore::instance()
{
    static tTerminStore store;
    return store;
}

bool tTerminStore::isOpen() { return table() != nullptr; }

tStoreStatus tTerminStore::insertOne(tTermin &a)
{
    tTermTable *t = table();
    if (!t) return tStoreStatus::NoTable;
    tTermin row = a;
    if (!t->newId(row.ID)) return tStoreStatus::Failed;
    copyText(row.OWNER, currentUser());
    long days = terminSpanDays(row);
    // Raised before the row exists, so that no walk meets the row with a shorter bound.
    if (days > 0 && !raiseTerminSpan(*t, days)) return tStoreStatus::Failed;
    tStoreStatus status = tTermins::insert(row);
    if (status != tStoreStatus::Stored) return status;
    copyText(a.ID, row.ID);
    copyText(a.OWNER, row.OWNER);
    return tStoreStatus::Stored;
}

tInsertResult tTerminStore::insert(tTermin &a)
{
    tInsertResult result;
    result.status = insertOne(a);
    if (result.status != tStoreStatus::Stored || !a.hasRepeat()) return result;
    tTermin copy = a;
    copy.detachRepeat();
    tRepeat rule = a.repeat;
    rule.count = a.repeatCount;
    expandRepeat(rule, a.from, a.till, [&](const tOccurrence &o) {
        copy.from = o.from;
        copy.till = o.till;
        copy.ID[0] = 0;
        result.repetitions++;
        if (insertOne(copy) == tStoreStatus::Stored) result.repetitionsStored++;
        return true;
    });
    return result;
}

tStoreStatus tTerminStore::update(std::string_view id, const tTermin &a)
{
    tTermTable *t = table();
    if (!t) return tStoreStatus::NoTable;
    long days = terminSpanDays(a);
    if (days > 0 && !raiseTerminSpan(*t, days)) return tStoreStatus::Failed;
    tTermin row = a;
    copyText(row.ID, id);
    return tTermins::update(id, row);
}

bool tTerminStore::find(std::string_view id, tTermin &a)
{
    tTermin row; // read as an appointment without a rule
    if (!tTermins::find(row, id)) return false;
    a = row;
    return true;
}

int tTerminStore::remove(const tTermin &a)
{
    return tTermins::remove(a.ID) == tStoreStatus::Failed ? -1 : 0;
}

tStoreStatus tTerminStore::restore(tTermin &a)
{
    tTermTable *t = table();
    if (!t) return tStoreStatus::NoTable;
    tTermin row = a;
    row.detachRepeat();
    tTermin there;
    if ((!row.ID[0] || tTermins::find(there, row.ID)) && !t->newId(row.ID))
        return tStoreStatus::Failed;
    long days = terminSpanDays(row);
    if (days > 0 && !raiseTerminSpan(*t, days)) return tStoreStatus::Failed;
    tStoreStatus status = tTermins::insert(row);
    if (status == tStoreStatus::Stored) copyText(a.ID, row.ID);
    return status;
}

bool tTerminStore::visible(const tTermin &a)
{
    const char *user = currentUser();
    if (groupsUser_ != user) {
        groups_.clear();
        groupsUser_ = user;
    }
    return terminVisible(a.READ, a.OWNER, user, [&](std::string_view gid, std::string_view who) {
        auto it = groups_.find(gid);
        if (it == groups_.end())
            it = groups_.emplace(std::string(gid), storedGroupMembership(gid, who)).first;
        return it->second;
    });
}

long tTerminStore::dayStep(tTermTable &t, const tDate &day, long pos, tTermin &a)
{
    for (; pos; pos = walkNext(t, t.rec, ByStart, pos)) {
        tTermin row = get(t);
        if (!row.from.sameDay(day)) return 0;
        if (visible(row)) {
            a = row;
            return pos;
        }
    }
    return 0;
}

long tTerminStore::firstOfDay(const tDate &day, tTermin &a)
{
    tTermTable *t = table();
    groups_.clear();
    return t ? dayStep(*t, day, seekDay(*t, day), a) : 0;
}

long tTerminStore::nextOfDay(const tDate &day, long position, tTermin &a)
{
    tTermTable *t = table();
    return t ? dayStep(*t, day, tTermins::resume(*t, a, ByStart, position), a) : 0;
}

long tTerminStore::indexStep(tTermTable &t, int index, long pos, tTermin &a)
{
    for (; pos; pos = walkNext(t, t.rec, index, pos)) {
        tTermin row = get(t);
        if (visible(row)) {
            a = row;
            return pos;
        }
    }
    return 0;
}

long tTerminStore::first(int index, tTermin &a)
{
    tTermTable *t = table();
    groups_.clear();
    if (!t || (index != ById && index != ByStart)) return 0;
    return indexStep(*t, index, walkFirst(*t, t->rec, index), a);
}

long tTerminStore::next(int index, long position, tTermin &a)
{
    tTermTable *t = table();
    if (!t || (index != ById && index != ByStart)) return 0;
    return indexStep(*t, index, tTermins::resume(*t, a, index, position), a);
}

long tTerminStore::touchStep(tTermTable &t, const tDateTime &from, const tDateTime &till, long pos,
                             tTermin &a, bool hidden)
{
    for (; pos; pos = walkNext(t, t.rec, ByStart, pos)) {
        tTermin row = get(t);
        if (till.before(row.from)) return 0;
        if (row.till.before(from) || (!hidden && !visible(row))) continue;
        a = row;
        return pos;
    }
    return 0;
}

long tTerminStore::firstTouching(const tDateTime &from, const tDateTime &till, tTermin &a)
{
    tTermTable *t = table();
    groups_.clear();
    if (!t) return 0;
    long span = longestTerminSpan(*t);
    if (span < 0) return 0;
    // No row that starts before this day can reach `from`.
    tDate start = from;
    start.setDayOfYear(start.dayOfYear() - int(span));
    return touchStep(*t, from, till, seekDay(*t, start), a);
}

long tTerminStore::nextTouching(const tDateTime &from, const tDateTime &till, long position,
                                tTermin &a)
{
    tTermTable *t = table();
    return t ? touchStep(*t, from, till, tTermins::resume(*t, a, ByStart, position), a) : 0;
}

std::vector<tTermin> tTerminStore::ofDay(const tDate &day)
{
    std::vector<tTermin> out;
    tTableHold hold(tTermTable::instance(), tTableHold::Read);
    tTermin a;
    for (long p = firstOfDay(day, a); p; p = nextOfDay(day, p, a)) out.push_back(a);
    return out;
}

std::vector<tTermin> tTerminStore::touching(const tDateTime &from, const tDateTime &till)
{
    std::vector<tTermin> out;
    tTableHold hold(tTermTable::instance(), tTableHold::Read);
    tTermin a;
    for (long p = firstTouching(from, till, a); p; p = nextTouching(from, till, p, a))
        out.push_back(a);
    return out;
}

std::vector<tTermin> tTerminStore::touchingAll(const tDateTime &from, const tDateTime &till)
{
    std::vector<tTermin> out;
    tTermTable *t = table();
    if (!t) return out;
    tTableHold hold(t, tTableHold::Read);
    groups_.clear();
    long span = longestTerminSpan(*t);
    if (span < 0) return out;
    tDate start = from;
    start.setDayOfYear(start.dayOfYear() - int(span));
    tTermin a;
    for (long p = touchStep(*t, from, till, seekDay(*t, start), a, true); p;
         p = touchStep(*t, from, till, tTermins::resume(*t, a, ByStart, p), a, true))
        out.push_back(a);
    return out;
}

} // namespace velk
