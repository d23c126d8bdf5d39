#include "base/change_watch.h"

#include "base/notice_bits.h"
#include "model/tables.h"

namespace velk {

namespace {

struct tWatched {
    const char *name;
    int bits;
};

const tWatched kWatched[] = {
    {tTermTable::kName, NoticeAppointments}, {tAlarmTable::kName, NoticeAlarms},
    {tPersTable::kName, NoticePersons},      {tGrpTable::kName, NoticePersons},
    {tMemTable::kName, NoticePersons},       {tResTable::kName, NoticeResources},
    {tPrjTable::kName, NoticeProjects},      {tTaskTable::kName, NoticeProjects},
};

} // namespace

int noticeBitsOfTable(const std::string &name)
{
    for (const tWatched &w : kWatched)
        if (name == w.name) return w.bits;
    return 0;
}

const std::vector<std::string> &tChangeWatch::watchedTables()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (const tWatched &w : kWatched) out.push_back(w.name);
        return out;
    }();
    return names;
}

int tChangeWatch::check()
{
    unsigned own = tTable::ownChanges();
    bool ownMoved = own != ownChanges_;
    int bits = 0;
    std::vector<tFileCount> counts;
    for (const tWatched &w : kWatched) {
        tTable *table = tTable::ifOpen(w.name);
        if (!table || !table->peekCounts(counts)) {
            lastSeen_.erase(w.name); // seen afresh once it is open (again)
            continue;
        }
        std::vector<int> onDisk;
        bool moved = false;
        auto last = lastSeen_.find(w.name);
        bool known = checked_ && last != lastSeen_.end() && last->second.size() == counts.size();
        for (size_t i = 0; i < counts.size(); i++) {
            onDisk.push_back(counts[i].onDisk);
            if (known && counts[i].onDisk != last->second[i] &&
                (!ownMoved || counts[i].onDisk != counts[i].known))
                moved = true;
        }
        if (moved) bits |= w.bits;
        lastSeen_[w.name] = std::move(onDisk);
    }
    ownChanges_ = own;
    checked_ = true;
    return bits;
}

} // namespace velk
