#include "model/textstore.h"

#include "btree/btree.h"
#include "model/blob.h"
#include "model/counter.h"
#include "model/shared_file.h"

#include <algorithm>
#include <cstring>

namespace velk {

namespace {

const char kCounterId[] = "########";
constexpr int kCounterRecord = kTextKeySize + 8 + 1;
constexpr int kMaxRecord = 32768;

void putKey(char *dst, const char *id)
{
    std::memset(dst, ' ', kTextKeySize);
    std::memcpy(dst, id, std::min<size_t>(std::strlen(id), 8));
}

} // namespace

tTextStore::~tTextStore() { close(); }

int tTextStore::create(const char *basePath)
{
    setProcessRegistry(directoryOf(basePath));
    const int keydef[] = {0, kTextKeySize, 1, -1};
    if (bt3VlCreate(basePath, keydef, 16, kMaxRecord, 128) != 0) return kCreateFailed;
    // A new store starts with its counter record.
    if (open(basePath) != 0) return kCreateFailed;
    putKey(buf_, kCounterId);
    std::memcpy(buf_ + kTextKeySize, "00000000", 9);
    bool ok = bt3VlAdd(fd_, buf_, kCounterRecord) > 0;
    close();
    return ok ? 0 : kCreateFailed;
}

int tTextStore::open(const char *basePath)
{
    close();
    setProcessRegistry(directoryOf(basePath));
    return openShared(basePath, fd_, buf_);
}

void tTextStore::close() { closeShared(fd_, buf_); }

int tTextStore::findById(const char *id)
{
    if (!fd_ || !id || !id[0]) return 0;
    putKey(buf_, id);
    int n = bt3Find(fd_, buf_, 5);
    return n > 0 ? n : 0;
}

bool tTextStore::newTextId(char *id)
{
    return fd_ && takeCounterId({fd_, buf_, kCounterRecord, 0, kTextKeySize, true}, id);
}

int tTextStore::build(const char *id, const char *text)
{
    size_t len = std::strlen(text);
    if (len > (size_t)kMaxRecord - kTextKeySize - 1) return -1;
    putKey(buf_, id);
    std::memcpy(buf_ + kTextKeySize, text, len + 1);
    return (int)(kTextKeySize + len + 1);
}

bool tTextStore::addText(const char *text, char *id)
{
    id[0] = 0;
    // A text the store cannot take costs no ID.
    if (!fd_ || std::strlen(text) > (size_t)kTextMaxLength || !newTextId(id)) return false;
    int len = build(id, text);
    return len > 0 && bt3VlAdd(fd_, buf_, len) > 0;
}

bool tTextStore::writeText(const char *id, const char *text)
{
    if (!fd_ || !id || !id[0]) return false;
    bool exists = findById(id) > 0;
    int len = build(id, text);
    if (len < 0) return false;
    return (exists ? bt3VlWrite(fd_, buf_, len) : bt3VlAdd(fd_, buf_, len)) > 0;
}

int tTextStore::readText(const char *id, char *buffer, int size)
{
    int n = findById(id);
    if (n <= kTextKeySize || size <= 0) return 0;
    int len = std::min(n - kTextKeySize, size);
    std::memcpy(buffer, buf_ + kTextKeySize, len);
    buffer[len - 1] = 0; // a cut text stays terminated
    return len;
}

int tTextStore::textLength(const char *id)
{
    int n = findById(id);
    return n > kTextKeySize ? n - kTextKeySize : 0;
}

bool tTextStore::deleteText(const char *id) { return findById(id) > 0 && bt3Delete(fd_) == 0; }

int tTextStore::holdForReading()
{
    // A lock that cannot be taken leaves every read to take its own, as without the hold.
    int held = fd_ ? isamLockUp(fd_, 3 | BT3_LK_READ) : 0;
    return held > 0 ? held : 0;
}

void tTextStore::release(int held)
{
    if (fd_ && held) isamUnLock(fd_, held);
}

} // namespace velk
