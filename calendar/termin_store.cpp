#include "calendar/termin_store.h"

#include "base/walk.h"
#include "base/session.h"
#include "calendar/termin_span.h"
#include "model/tables.h"

namespace velk {

namespace {

tTermTable *table() { return tTermTable::instance(); }

void put(tTermTable &t, const tTermin &a)
{
    t.ID.setText(a.ID);
    t.TITLE.setText(a.TITLE);
    t.TYPE.setText(a.TYPE);
    t.RESOURCE.setText(a.RESOURCE);
    t.WITH.setText(a.WITH);
    t.OWNER.setText(a.OWNER);
    t.READ.setText(a.READ);
    t.FROMDATE.setDate(a.from.day, a.from.month, a.from.year);
    t.FROMTIME.setTime(a.from.hour, a.from.minute);
    t.TILLDATE.setDate(a.till.day, a.till.month, a.till.year);
    t.TILLTIME.setTime(a.till.hour, a.till.minute);
}

// A row as an appointment without a rule.
tTermin get(tTermTable &t)
{
    tTermin a;
    copyText(a.ID, t.ID.getText());
    copyText(a.TITLE, t.TITLE.getText());
    copyText(a.TYPE, t.TYPE.getText());
    copyText(a.RESOURCE, t.RESOURCE.getText());
    copyText(a.WITH, t.WITH.getText());
    copyText(a.OWNER, t.OWNER.getText());
    copyText(a.READ, t.READ.getText());
    t.FROMDATE.getDate(&a.from.day, &a.from.month, &a.from.year);
    t.FROMTIME.getTime(&a.from.hour, &a.from.minute);
    t.TILLDATE.getDate(&a.till.day, &a.till.month, &a.till.year);
    t.TILLTIME.getTime(&a.till.hour, &a.till.minute);
    return a;
}

bool findById(tTermTable &t, std::string_view id)
{
    if (!t.selectIndex(tTerminStore::ById)) return false;
    t.rec.clear();
    t.ID.setText(std::string(id).c_str());
    return t.rec.find();
}

// Positions index 1 on the first row that starts on `day` or later.
long seekDay(tTermTable &t, const tDate &day)
{
    if (!t.selectIndex(tTerminStore::ByStart)) return 0;
    t.rec.clear();
    t.FROMDATE.setDate(day.day, day.month, day.year);
    return t.seek(t.rec, 4);
}

// The row after `position` in index `index`; `last` is the row the walk stood on.
long stepOn(tTermTable &t, int index, long position, const tTermin &last)
{
    t.rec.clear();
    put(t, last);
    return walkNext(t, t.rec, index, position);
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
    t->rec.clear();
    put(*t, row);
    int added = t->add(t->rec);
    if (added == 0) return tStoreStatus::Duplicate;
    if (added < 0) return tStoreStatus::Failed;
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
    if (!findById(*t, id)) return tStoreStatus::NotFound;
    tTermin row = a;
    copyText(row.ID, id);
    put(*t, row);
    int written = t->rewrite(t->rec);
    if (written == 0) return tStoreStatus::Duplicate;
    return written > 0 ? tStoreStatus::Stored : tStoreStatus::Failed;
}

bool tTerminStore::find(std::string_view id, tTermin &a)
{
    tTermTable *t = table();
    if (!t || !findById(*t, id)) return false;
    a = get(*t);
    return true;
}

int tTerminStore::remove(const tTermin &a)
{
    tTermTable *t = table();
    if (!t || !findById(*t, a.ID)) return 0;
    return t->rec.remove() ? 0 : -1;
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
    return t ? dayStep(*t, day, stepOn(*t, ByStart, position, a), a) : 0;
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
    return indexStep(*t, index, stepOn(*t, index, position, a), a);
}

long tTerminStore::touchStep(tTermTable &t, const tDateTime &from, const tDateTime &till, long pos,
                             tTermin &a)
{
    for (; pos; pos = walkNext(t, t.rec, ByStart, pos)) {
        tTermin row = get(t);
        if (till.before(row.from)) return 0;
        if (row.till.before(from) || !visible(row)) continue;
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
    return t ? touchStep(*t, from, till, stepOn(*t, ByStart, position, a), a) : 0;
}

std::vector<tTermin> tTerminStore::ofDay(const tDate &day)
{
    std::vector<tTermin> out;
    tTableHold hold(tTermTable::instance());
    tTermin a;
    for (long p = firstOfDay(day, a); p; p = nextOfDay(day, p, a)) out.push_back(a);
    return out;
}

std::vector<tTermin> tTerminStore::touching(const tDateTime &from, const tDateTime &till)
{
    std::vector<tTermin> out;
    tTableHold hold(tTermTable::instance());
    tTermin a;
    for (long p = firstTouching(from, till, a); p; p = nextTouching(from, till, p, a))
        out.push_back(a);
    return out;
}

} // namespace velk
