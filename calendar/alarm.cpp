#include "calendar/alarm.h"

#include "address/group.h"
#include "address/reference.h"
#include "base/row_store.h"
#include "base/session.h"
#include "model/tables.h"

#include <cstdio>

namespace velk {

namespace {

constexpr int kByDate = 1; // index 0 orders by ID

tAlarmTable *table() { return tAlarmTable::instance(); }

struct tAlarmRow : tRowOf<tAlarm, tAlarmTable> {
    static constexpr std::tuple columns{VELK_COLUMNS(ID, MESSAGE, OWNER, SENDTO, WITH),
                                        column(&Row::when, &Table::DATE),
                                        column(&Row::when, &Table::TIME)};
};
using tAlarms = tRowStore<tAlarmRow>;

tAlarm get(tAlarmTable &t)
{
    tAlarm a;
    tAlarms::get(t, a);
    return a;
}

std::vector<std::string> storedGroupMembers(std::string_view gid)
{
    tGroup group;
    if (!group.find(gid)) return {};
    return membersOf(gid);
}

} // namespace

bool tAlarm::setMessage(std::string_view text) { return copyText(MESSAGE, text); }
bool tAlarm::setSendTo(std::string_view text) { return copyText(SENDTO, text); }
bool tAlarm::setWith(std::string_view text) { return copyText(WITH, text); }

bool alarmDue(const tAlarm &a, std::string_view user, const tDateTime &now)
{
    return user == a.SENDTO && a.dateSet() && a.when.before(now);
}

std::vector<std::string>
alarmRecipients(std::string_view recipients, std::string_view sender,
                const std::function<std::vector<std::string>(std::string_view gid)> &membersOfGroup)
{
    std::vector<std::string> users{std::string(sender)};
    tPersonOrGroup ref = tPersonOrGroup::parse(recipients);
    if (ref.kind() == tPersonOrGroup::Person && ref.id() != sender) users.push_back(ref.id());
    if (ref.kind() == tPersonOrGroup::Group && membersOfGroup)
        for (const std::string &member : membersOfGroup(ref.id()))
            if (member != sender) users.push_back(member);
    return users;
}

tAlarmLink alarmLink(std::string_view with)
{
    if (with.size() < 2) return {};
    if (with[0] == 'T') return {tAlarmLink::Termin, std::string(with.substr(1))};
    if (with[0] == 'J') return {tAlarmLink::Task, std::string(with.substr(1))};
    return {};
}

std::string alarmMessageLine(const tAlarm &a)
{
    char when[64];
    std::snprintf(when, sizeof when, "%02d.%02d.%04d %02d:%02d - ", a.when.day, a.when.month,
                  a.when.year, a.when.hour, a.when.minute);
    return when + std::string(a.MESSAGE);
}

std::string alarmListLine(const tAlarm &a)
{
    char when[64];
    std::snprintf(when, sizeof when, "* %d.%d.%04d %02d:%02d - ", a.when.day, a.when.month,
                  a.when.year, a.when.hour, a.when.minute);
    return when + std::string(a.MESSAGE);
}

tAlarmStore &tAlarmStore::instance()
{
    static tAlarmStore store;
    return store;
}

bool tAlarmStore::isOpen() { return table() != nullptr; }

tSendResult tAlarmStore::send(tAlarm &a)
{
    tSendResult result;
    if (!a.storable()) {
        result.status = tStoreStatus::NoDate;
        return result;
    }
    tAlarmTable *t = table();
    if (!t) return result;
    const std::string sender = currentUser();
    tAlarm row = a;
    row.OWNER[0] = 0;
    for (const std::string &user : alarmRecipients(a.SENDTO, sender, storedGroupMembers)) {
        result.rows++;
        if (!t->newId(row.ID)) continue;
        copyText(row.SENDTO, user);
        if (tAlarms::insert(row) != tStoreStatus::Stored) continue;
        result.stored++;
        if (user == sender) copyText(a.ID, row.ID);
    }
    result.status = result.stored == result.rows ? tStoreStatus::Stored : tStoreStatus::Failed;
    return result;
}

long tAlarmStore::dueStep(tAlarmTable &t, const tDateTime &now, long pos, tAlarm &a)
{
    const char *user = currentUser();
    for (; pos; pos = walkNext(t, t.rec, kByDate, pos)) {
        tAlarm row = get(t);
        // Index order is date order: from the first set date not before now, nothing is due.
        if (row.dateSet() && !row.when.before(now)) return 0;
        if (alarmDue(row, user, now)) {
            a = row;
            return pos;
        }
    }
    return 0;
}

long tAlarmStore::firstDue(const tDateTime &now, tAlarm &a)
{
    tAlarmTable *t = table();
    return t ? dueStep(*t, now, walkFirst(*t, t->rec, kByDate), a) : 0;
}

long tAlarmStore::nextDue(const tDateTime &now, long position, tAlarm &a)
{
    tAlarmTable *t = table();
    return t ? dueStep(*t, now, tAlarms::resume(*t, a, kByDate, position), a) : 0;
}

long tAlarmStore::userStep(tAlarmTable &t, long pos, tAlarm &a)
{
    std::string_view user = currentUser();
    for (; pos; pos = walkNext(t, t.rec, kByDate, pos)) {
        tAlarm row = get(t);
        if (user == row.SENDTO && row.ID[0] != '#') {
            a = row;
            return pos;
        }
    }
    return 0;
}

long tAlarmStore::firstOfUser(tAlarm &a)
{
    tAlarmTable *t = table();
    return t ? userStep(*t, walkFirst(*t, t->rec, kByDate), a) : 0;
}

long tAlarmStore::nextOfUser(long position, tAlarm &a)
{
    tAlarmTable *t = table();
    return t ? userStep(*t, tAlarms::resume(*t, a, kByDate, position), a) : 0;
}

std::vector<tAlarm> tAlarmStore::listed()
{
    std::vector<tAlarm> out;
    tTableHold hold(tAlarmTable::instance(), tTableHold::Read);
    tAlarm a;
    for (long p = firstOfUser(a); p; p = nextOfUser(p, a))
        if (a.when.year != 0) out.push_back(a);
    return out;
}

// Every field of an alarm is a column: the row read replaces all of a.
bool tAlarmStore::find(std::string_view id, tAlarm &a) { return tAlarms::find(a, id); }

tStoreStatus tAlarmStore::update(const tAlarm &a)
{
    if (!a.storable()) return tStoreStatus::NoDate;
    return tAlarms::update(a.ID, a);
}

int tAlarmStore::remove(const tAlarm &a)
{
    return tAlarms::remove(a.ID) == tStoreStatus::Failed ? -1 : 0;
}

tStoreStatus tAlarmStore::restore(tAlarm &a)
{
    tAlarmTable *t = table();
    if (!t) return tStoreStatus::NoTable;
    tAlarm row = a;
    tAlarm there;
    if ((!row.ID[0] || tAlarms::find(there, row.ID)) && !t->newId(row.ID))
        return tStoreStatus::Failed;
    tStoreStatus status = tAlarms::insert(row);
    if (status == tStoreStatus::Stored) copyText(a.ID, row.ID);
    return status;
}

} // namespace velk
