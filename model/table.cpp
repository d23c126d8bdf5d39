#include "model/table.h"

#include "btree/btree.h"
#include "model/blob.h"
#include "model/counter.h"
#include "model/shared_file.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <time.h>

namespace velk {

namespace {

std::map<std::string, std::unique_ptr<tTable>> &registry()
{
    static std::map<std::string, std::unique_ptr<tTable>> tables;
    return tables;
}

// Another process may be creating the same table at this moment: its
// files exist (so our create fails) but may not be complete yet.
bool openWhenCreatedElsewhere(tTable &table)
{
    for (int attempt = 0; attempt < 20; attempt++) {
        if (table.open() == 0) return true;
        struct timespec ts = {0, 25 * 1000 * 1000};
        nanosleep(&ts, nullptr);
    }
    return false;
}

} // namespace

tTable::tTable(const char *name)
{
    std::snprintf(name_, sizeof name_, "%.20s", name);
    tBlob &blob = tBlob::instance();
    path_ = blob.directory() + name_;
    recordSize_ = blob.recordSize(name_);
    keydef_ = blob.keyDefinitions(name_);
}

tTable::~tTable() { close(); }

// A table object built from its dictionary rows under one hold of the dictionary.  The table's
// own files are opened after the hold: a copy holding that table while it waits for the
// dictionary would otherwise wait for this one.
std::unique_ptr<tTable> tTable::madeFromRows(tBlob &blob, Maker make)
{
    int held = blob.holdRows();
    std::unique_ptr<tTable> table = make();
    blob.releaseRows(held);
    return table;
}

tTable *tTable::acquire(const char *name, Maker make)
{
    auto &tables = registry();
    auto it = tables.find(name);
    if (it != tables.end()) return it->second.get();
    tBlob &blob = tBlob::instance();
    if (!blob.isOpen()) return nullptr;
    std::unique_ptr<tTable> table = madeFromRows(blob, make);
    if (table->open() != 0) {
        // Missing: enter its rows again (present ones are refused), then
        // build the object anew from them, create the files and open.
        blob.addTableRows(name);
        table = madeFromRows(blob, make);
        if (table->create() != 0 && !openWhenCreatedElsewhere(*table)) return nullptr;
        if (!table->isOpen() && table->open() != 0) return nullptr;
    }
    return (tables[name] = std::move(table)).get();
}

bool tTable::createFiles(const char *name) { return tTable(name).create() == 0; }

void tTable::closeAll() { registry().clear(); }

void tTable::release(const char *name) { registry().erase(name); }

tTable *tTable::ifOpen(const char *name)
{
    auto &tables = registry();
    auto it = tables.find(name);
    return it != tables.end() && it->second->isOpen() ? it->second.get() : nullptr;
}

unsigned tTable::ownChanges() { return lioOwnChanges(); }

int tTable::open() { return openShared(path_.c_str(), fd_, buf_); }

int tTable::create()
{
    if (recordSize_ <= 0 || keydef_.empty()) return kCreateFailed;
    return bt3Creat(path_.c_str(), recordSize_, keydef_.data()) == 0 ? 0 : kCreateFailed;
}

void tTable::close() { closeShared(fd_, buf_); }

bool tTable::selectIndex(int position)
{
    if (!fd_ || bt3Select(fd_, position) != 0) return false;
    index_ = position;
    return true;
}

long tTable::recordCount()
{
    if (!fd_) return 0;
    int n = bt3Count(fd_);
    return n > 0 ? n : 0;
}

bool tTable::find(tRecord &rec)
{
    if (!fd_) return false;
    std::memcpy(buf_, rec.data(), recordSize_);
    if (bt3Find(fd_, buf_, 5) <= 0) return false;
    std::memcpy(rec.data(), buf_, recordSize_);
    return true;
}

long tTable::seek(tRecord &rec, int mode)
{
    if (!fd_) return 0;
    std::memcpy(buf_, rec.data(), recordSize_);
    if (bt3Find(fd_, buf_, mode) <= 0) return 0;
    std::memcpy(rec.data(), buf_, recordSize_);
    return bt3GetCur(fd_);
}

long tTable::current() const
{
    if (!fd_) return 0;
    int cur = bt3GetCur(fd_);
    return cur > 0 ? cur : 0;
}

bool tTable::setCurrent(long recno, tRecord &rec)
{
    if (!fd_ || recno <= 0 || bt3SetCur(fd_, int(recno), buf_) <= 0) return false;
    std::memcpy(rec.data(), buf_, recordSize_);
    return true;
}

long tTable::first(tRecord &rec)
{
    rec.clear();
    if (!fd_) return 0;
    std::memcpy(buf_, rec.data(), recordSize_);
    if (bt3Find(fd_, buf_, 7) <= 0) return 0;
    std::memcpy(rec.data(), buf_, recordSize_);
    return bt3GetCur(fd_);
}

long tTable::next(tRecord &rec)
{
    if (!fd_) return 0;
    if (bt3Next(fd_, buf_) > 0) std::memcpy(rec.data(), buf_, recordSize_);
    int cur = bt3GetCur(fd_);
    return cur > 0 ? cur : 0;
}

bool tTable::insert(tRecord &rec) { return add(rec) > 0; }

int tTable::add(tRecord &rec)
{
    if (!fd_) return -1;
    std::memcpy(buf_, rec.data(), recordSize_);
    return bt3Add(fd_, buf_);
}

int tTable::rewrite(tRecord &rec)
{
    if (!fd_) return -1;
    std::memcpy(buf_, rec.data(), recordSize_);
    return bt3Write(fd_, buf_);
}

bool tTable::update(tRecord &rec) { return rewrite(rec) == 0; }

bool tTable::remove(tRecord &rec)
{
    if (!fd_) return false;
    std::memcpy(buf_, rec.data(), recordSize_);
    if (bt3Find(fd_, buf_, 5) <= 0) return false;
    std::memcpy(rec.data(), buf_, recordSize_);
    if (bt3Delete(fd_) != 0) return false;
    tBlob &blob = tBlob::instance();
    tTextStore *store = blob.textStore();
    tFieldDef text;
    const tFieldDef *prev = nullptr;
    while (store && blob.nextTextField(name_, prev, &text)) {
        char id[9];
        std::memcpy(id, rec.data() + text.offset, 8);
        id[8] = 0;
        for (int i = 7; i >= 0 && id[i] == ' '; i--) id[i] = 0;
        if (id[0]) store->deleteText(id);
        prev = &text;
    }
    return true;
}

bool tTable::peekCounts(std::vector<tFileCount> &out) const
{
    out.clear();
    int onDisk[BT3_PEEKMAX], known[BT3_PEEKMAX];
    int n = fd_ ? bt3PeekCounts(fd_, onDisk, known, BT3_PEEKMAX) : -1;
    if (n < 0) return false;
    for (int i = 0; i < n; i++) out.push_back({onDisk[i], known[i]});
    return true;
}

bool tTable::lock() { return fd_ && bt3Lock(fd_) == 0; }
bool tTable::lockWaiting() { return fd_ && lockCurrentWithRetry(fd_); }
bool tTable::unlock() { return fd_ && bt3UnLock(fd_) == 0; }

bool tTable::newCounterId(const tFieldDef &idField, const tFieldDef &counterField, char *out)
{
    if (!fd_) return false;
    // The caller's current record stays current: an update after a new ID
    // must not land on the counter record.
    int current = bt3GetCur(fd_);
    bool ok =
        counterField.length >= 8 && idField.length >= 8 && selectIndex(0) &&
        takeCounterId({fd_, buf_, recordSize_, idField.offset, counterField.offset, false}, out);
    if (current > 0 && bt3GetCur(fd_) != current) bt3SetCur(fd_, current, buf_);
    return ok;
}

tTableHold::tTableHold(tTable *table, Kind kind) : fd_(table ? table->fd_ : nullptr)
{
    // The data file and its indices (read: the indices under the data file's lock).  A lock
    // that cannot be taken leaves every step to take its own, as without the hold.
    if (fd_) mask_ = isamLockUp(fd_, kind == Read ? 3 | BT3_LK_READ : 3);
    if (mask_ < 0) mask_ = 0;
}

tTableHold::~tTableHold()
{
    if (fd_ && mask_) isamUnLock(fd_, mask_);
}

} // namespace velk
