#include "calendar/due_alarms.h"

#include "base/fill_hold.h"

#include <cstring>

namespace velk {

void tDueAlarms::fill()
{
    alarms_.clear();
    tFillHold hold{tAlarmTable::instance()};
    tAlarmStore &store = tAlarmStore::instance();
    tAlarm a;
    for (long p = store.firstDue(now_, a); p; p = store.nextDue(now_, p, a)) alarms_.push_back(a);
}

bool tDueAlarms::check(const tDateTime &now)
{
    now_ = now;
    fill();
    return !alarms_.empty();
}

std::vector<std::string> tDueAlarms::lines() const
{
    std::vector<std::string> out;
    for (const tAlarm &a : alarms_) out.push_back(alarmMessageLine(a));
    return out;
}

bool tDueAlarms::remove(std::size_t line)
{
    if (line >= alarms_.size()) return false;
    bool removed = tAlarmStore::instance().remove(alarms_[line]) == 0;
    fill();
    return removed;
}

tStoreStatus tDueAlarms::reschedule(std::size_t line, const tAlarm &changed)
{
    if (line >= alarms_.size()) return tStoreStatus::NotFound;
    tAlarm a = changed;
    std::memcpy(a.ID, alarms_[line].ID, sizeof a.ID);
    tStoreStatus status = tAlarmStore::instance().update(a);
    fill();
    return status;
}

tAlarmLink tDueAlarms::link(std::size_t line) const
{
    return line < alarms_.size() ? alarmLink(alarms_[line].WITH) : tAlarmLink{};
}

} // namespace velk
