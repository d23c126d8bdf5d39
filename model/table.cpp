#include "model/table.h"

#include "btree/btree.h"
#include "model/blob.h"
#include "model/counter.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <time.h>

namespace {

std::map<std::string, std::unique_ptr<tTable>> &registry()
{
    static std::map<std::string, std::unique_ptr<tTable>> tables;
    return tables;
}

/* Another process may be creating the same table at this moment: its
 * files exist (so our create fails) but may not be complete yet. */
bool OpenWhenCreatedElsewhere(tTable &table)
{
    for (int attempt = 0; attempt < 20; attempt++) {
        if (table.Open() == 0) return true;
        struct timespec ts = {0, 25 * 1000 * 1000};
        nanosleep(&ts, nullptr);
    }
    return false;
}

} // namespace

tTable::tTable(const char *name)
{
    std::snprintf(name_, sizeof name_, "%.20s", name);
    tBlob &blob = tBlob::Instance();
    path_ = blob.Directory() + name_;
    recordSize_ = blob.RecordSize(name_);
    keydef_ = blob.KeyDefinitions(name_);
}

tTable::~tTable() { Close(); }

tTable *tTable::Acquire(const char *name, Maker make)
{
    auto &tables = registry();
    auto it = tables.find(name);
    if (it != tables.end()) return it->second.get();
    tBlob &blob = tBlob::Instance();
    if (!blob.IsOpen()) return nullptr;
    std::unique_ptr<tTable> table = make();
    if (table->Open() != 0) {
        /* Missing: enter its rows again (present ones are refused), then
         * build the object anew from them, create the files and open. */
        blob.AddTableRows(name);
        table = make();
        if (table->Create() != 0 && !OpenWhenCreatedElsewhere(*table)) return nullptr;
        if (!table->IsOpen() && table->Open() != 0) return nullptr;
    }
    return (tables[name] = std::move(table)).get();
}

void tTable::CloseAll() { registry().clear(); }

void tTable::Release(const char *name) { registry().erase(name); }

int tTable::Open()
{
    Close();
    if (bt3SetCache(nullptr, -1, 1, 5) != 0) return kCacheFailed;
    fd_ = bt3Open(path_.c_str(), LIO_SHARED | LIO_RDWR);
    if (!fd_) return kOpenFailed;
    buf_ = bt3GetBuff(fd_, 0);
    if (!buf_) {
        Close();
        return kNoBuffer;
    }
    return 0;
}

int tTable::Create()
{
    if (recordSize_ <= 0 || keydef_.empty()) return kCreateFailed;
    return bt3Creat(path_.c_str(), recordSize_, keydef_.data()) == 0 ? 0 : kCreateFailed;
}

void tTable::Close()
{
    if (buf_) bt3FreeBuff(buf_);
    buf_ = nullptr;
    if (fd_) bt3Close(fd_);
    fd_ = nullptr;
}

bool tTable::SelectIndex(int position) { return fd_ && bt3Select(fd_, position) == 0; }

long tTable::RecordCount()
{
    if (!fd_) return 0;
    int n = bt3Count(fd_);
    return n > 0 ? n : 0;
}

bool tTable::Find(tRecord &rec)
{
    if (!fd_) return false;
    std::memcpy(buf_, rec.Data(), recordSize_);
    if (bt3Find(fd_, buf_, 5) <= 0) return false;
    std::memcpy(rec.Data(), buf_, recordSize_);
    return true;
}

long tTable::First(tRecord &rec)
{
    rec.Clear();
    if (!fd_) return 0;
    std::memcpy(buf_, rec.Data(), recordSize_);
    if (bt3Find(fd_, buf_, 7) <= 0) return 0;
    std::memcpy(rec.Data(), buf_, recordSize_);
    return bt3GetCur(fd_);
}

long tTable::Next(tRecord &rec)
{
    if (!fd_) return 0;
    if (bt3Next(fd_, buf_) > 0) std::memcpy(rec.Data(), buf_, recordSize_);
    int cur = bt3GetCur(fd_);
    return cur > 0 ? cur : 0;
}

bool tTable::Insert(tRecord &rec)
{
    if (!fd_) return false;
    std::memcpy(buf_, rec.Data(), recordSize_);
    return bt3Add(fd_, buf_) > 0;
}

int tTable::Rewrite(tRecord &rec)
{
    if (!fd_) return -1;
    std::memcpy(buf_, rec.Data(), recordSize_);
    return bt3Write(fd_, buf_);
}

bool tTable::Update(tRecord &rec) { return Rewrite(rec) == 0; }

bool tTable::Delete(tRecord &rec)
{
    if (!fd_) return false;
    std::memcpy(buf_, rec.Data(), recordSize_);
    if (bt3Find(fd_, buf_, 5) <= 0) return false;
    std::memcpy(rec.Data(), buf_, recordSize_);
    if (bt3Delete(fd_) != 0) return false;
    tBlob &blob = tBlob::Instance();
    tTextStore *store = blob.TextStore();
    tFieldDef text;
    const tFieldDef *prev = nullptr;
    while (store && blob.NextTextField(name_, prev, &text)) {
        char id[9];
        std::memcpy(id, rec.Data() + text.offset, 8);
        id[8] = 0;
        for (int i = 7; i >= 0 && id[i] == ' '; i--) id[i] = 0;
        if (id[0]) store->DeleteText(id);
        prev = &text;
    }
    return true;
}

bool tTable::Lock() { return fd_ && bt3Lock(fd_) == 0; }
bool tTable::Unlock() { return fd_ && bt3UnLock(fd_) == 0; }

bool tTable::NewCounterId(const tFieldDef &idField, const tFieldDef &counterField, char *out)
{
    if (!fd_) return false;
    /* The caller's current record stays current: an update after a new ID
     * must not land on the counter record. */
    int current = bt3GetCur(fd_);
    bool ok = counterField.length >= 8 && idField.length >= 8 && SelectIndex(0) &&
              TakeCounterId({fd_, buf_, recordSize_, idField.offset, counterField.offset, false}, out);
    if (current > 0 && bt3GetCur(fd_) != current) bt3SetCur(fd_, current, buf_);
    return ok;
}
