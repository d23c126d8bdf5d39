#include "model/blob.h"

#include "btree/btree.h"
#include "model/table.h"
#include "model/textstore.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace velk {

namespace {

bool g_databaseOpen = false;
bool g_databaseCreated = false;

void putPadded(char *dst, const char *s, int width)
{
    std::memset(dst, ' ', width);
    std::memcpy(dst, s, std::min<size_t>(std::strlen(s), width));
}

// Decimal digits right-aligned, '0' to the left; the low digits when too long.
void putNumber(char *dst, long v, int width)
{
    char tmp[32];
    int n = std::snprintf(tmp, sizeof tmp, "%0*ld", width, v < 0 ? 0 : v);
    std::memcpy(dst, tmp + (n - width), width);
}

// At most 30 characters as a signed decimal number, leading spaces skipped.
long getNumber(const char *src, int width)
{
    char tmp[31];
    int n = std::min(width, 30);
    std::memcpy(tmp, src, n);
    tmp[n] = 0;
    return std::strtol(tmp, nullptr, 10);
}

void trimmedName(char *dst, const char *src, int width)
{
    int n = width;
    while (n > 0 && src[n - 1] == ' ') n--;
    std::memcpy(dst, src, n);
    dst[n] = 0;
}

// The key of a field row: table, 12 spaces, field name.
void fieldKey(char *row, const char *table, const char *field)
{
    std::memset(row, ' ', kDictRecordSize);
    putPadded(row, table, 20);
    putPadded(row + 32, field, 20);
}

tFieldDef decode(const char *row)
{
    tFieldDef d{};
    trimmedName(d.table, row, 20);
    trimmedName(d.field, row + 32, 20);
    d.offset = (int32_t)getNumber(row + 52, 6);
    d.type = row[58];
    d.length = (int16_t)getNumber(row + 59, 6);
    d.decimals = (int16_t)getNumber(row + 65, 2);
    return d;
}

bool isFieldRow(const char *row) { return row[20] == ' '; }

} // namespace

tBlob &tBlob::instance()
{
    static tBlob blob;
    return blob;
}

tBlob::~tBlob() { close(); }

std::string directoryOf(const std::string &path)
{
    size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

void setProcessRegistry(const std::string &dir)
{
    setenv("PROCFILE", (dir + "proc.id").c_str(), 1);
}

int tBlob::create(const char *basePath)
{
    std::string dir = directoryOf(basePath);
    setProcessRegistry(dir);
    const int keydef[] = {0, kDictKeySize, 1, -1};
    if (bt3Creat(basePath, kDictRecordSize, keydef) != 0) return kCreateFailed;
    tTextStore store;
    store.create((dir + "blob").c_str()); // an existing store is kept
    return 0;
}

int tBlob::open(const char *basePath)
{
    close();
    dir_ = directoryOf(basePath);
    path_ = basePath;
    setProcessRegistry(dir_);
    if (bt3SetCache(nullptr, -1, 1, 5) != 0) return kCacheFailed;
    fd_ = bt3Open(basePath, LIO_SHARED | LIO_RDWR);
    if (!fd_) return kOpenFailed;
    buf_ = bt3GetBuff(fd_, 0);
    if (!buf_) {
        bt3Close(fd_);
        fd_ = nullptr;
        return kNoBuffer;
    }
    text_ = new tTextStore;
    std::string store = dir_ + "blob";
    if (text_->open(store.c_str()) != 0 &&
        (text_->create(store.c_str()) != 0 || text_->open(store.c_str()) != 0)) {
        delete text_; // the system runs without texts
        text_ = nullptr;
    }
    return 0;
}

void tBlob::close()
{
    delete text_;
    text_ = nullptr;
    if (buf_) bt3FreeBuff(buf_);
    buf_ = nullptr;
    if (fd_) bt3Close(fd_);
    fd_ = nullptr;
}

tTextStore *tBlob::textStore() { return text_; }

// Calls fn(row) for every row of the table in key order while it answers true.
template <class Fn>
void tBlob::forEachRow(const char *table, Fn fn)
{
    if (!fd_) return;
    char name[20];
    putPadded(name, table, 20);
    std::memset(buf_, ' ', kDictRecordSize);
    std::memcpy(buf_, name, 20);
    if (bt3Find(fd_, buf_, 4) <= 0) return;
    for (;;) {
        if (std::memcmp(buf_, name, 20) != 0 || !fn(static_cast<const char *>(buf_))) return;
        if (bt3Next(fd_, buf_) <= 0 || bt3Status(fd_) == BT3_ATEND) return;
    }
}

int tBlob::holdRows()
{
    int mask = fd_ ? isamLockUp(fd_, 3 | BT3_LK_READ) : 0;
    return mask > 0 ? mask : 0;
}

void tBlob::releaseRows(int held)
{
    if (fd_ && held) isamUnLock(fd_, held);
}

bool tBlob::addField(const char *table, const char *field, char type, int length, int decimals)
{
    if (!fd_) return false;
    if (type == 'D') length = 8, decimals = 0;
    long greatest = -1, end = 0;
    forEachRow(table, [&](const char *row) {
        if (!isFieldRow(row)) return false;
        long off = getNumber(row + 52, 6);
        if (off > greatest) greatest = off, end = off + getNumber(row + 59, 6);
        return true;
    });
    char row[kDictRecordSize];
    fieldKey(row, table, field);
    putNumber(row + 52, end, 6);
    row[58] = type;
    putNumber(row + 59, length, 6);
    putNumber(row + 65, decimals, 2);
    std::memcpy(buf_, row, kDictRecordSize);
    return bt3Add(fd_, buf_) > 0;
}

bool tBlob::addIndexSegment(const char *table, int index, int segment, const char *field,
                            int offsetInField, int length)
{
    if (!fd_) return false;
    tFieldDef f = findField(table, field);
    int segLength = f.length == 0 ? 0 : (length ? length : f.length);
    char row[kDictRecordSize];
    std::memset(row, ' ', kDictRecordSize);
    putPadded(row, table, 20);
    putNumber(row + 20, index, 10);
    putNumber(row + 30, segment, 2);
    putPadded(row + 32, field, 20);
    putNumber(row + 52, f.length ? f.offset + offsetInField : 0, 6);
    row[58] = f.type ? f.type : ' ';
    putNumber(row + 59, segLength, 6);
    putNumber(row + 65, 0, 2);
    std::memcpy(buf_, row, kDictRecordSize);
    return bt3Add(fd_, buf_) > 0;
}

void tBlob::addTableRows(const char *table)
{
    for (const tFieldDef *f = kFieldDefs; f->table[0]; f++)
        if (std::strcmp(f->table, table) == 0)
            addField(table, f->field, f->type, f->length, f->decimals);
    for (const tIndexDef *i = kIndexDefs; i->table; i++)
        if (std::strcmp(i->table, table) == 0)
            addIndexSegment(table, i->index, i->segment, i->field, i->offsetInField, i->length);
}

tFieldDef tBlob::findField(const char *table, const char *field)
{
    tFieldDef none{};
    std::snprintf(none.table, sizeof none.table, "%.20s", table);
    std::snprintf(none.field, sizeof none.field, "%.20s", field);
    if (!fd_) return none;
    fieldKey(buf_, table, field);
    if (bt3Find(fd_, buf_, 5) <= 0) return none;
    return decode(buf_);
}

int tBlob::recordSize(const char *table)
{
    long size = 0;
    forEachRow(table, [&](const char *row) {
        if (!isFieldRow(row)) return false;
        size = std::max(size, getNumber(row + 52, 6) + getNumber(row + 59, 6));
        return true;
    });
    return (int)size;
}

std::vector<int> tBlob::keyDefinitions(const char *table)
{
    std::vector<int> def;
    long previous = -1;
    forEachRow(table, [&](const char *row) {
        if (isFieldRow(row)) return true;
        long number = getNumber(row + 20, 10);
        int flags = number == previous ? kKeyContinuation
                    : number <= 9      ? kKeyBinary
                                       : kKeyBinary | kKeyDuplicates;
        def.insert(def.end(), {(int)getNumber(row + 52, 6), (int)getNumber(row + 59, 6), flags});
        previous = number;
        return true;
    });
    if (!def.empty()) def.push_back(-1);
    return def;
}

bool tBlob::nextTextField(const char *table, const tFieldDef *prev, tFieldDef *out)
{
    bool found = false;
    forEachRow(table, [&](const char *row) {
        if (!isFieldRow(row)) return false;
        tFieldDef d = decode(row);
        if (prev && std::strcmp(d.field, prev->field) <= 0) return true;
        if (d.type != 'B') return true;
        *out = d;
        found = true;
        return false;
    });
    return found;
}

bool openDatabase(const char *dictPath)
{
    closeDatabase();
    g_databaseCreated = false;
    lioInit();
    tBlob &blob = tBlob::instance();
    if (blob.open(dictPath) != 0) {
        if (blob.create(dictPath) != 0) return false;
        g_databaseCreated = true;
        if (blob.open(dictPath) != 0) return false;
        for (const char *table : kTableNames) blob.addTableRows(table);
        // Every table at once: left to its first use, a table would be created by whichever of
        // the copies running by then needs it first, and they would race.  A table that cannot
        // be made here is tried again at its first use.
        for (const char *table : kTableNames) tTable::createFiles(table);
    }
    g_databaseOpen = true;
    return true;
}

bool holdDatabaseInUse()
{
    tBlob &blob = tBlob::instance();
    return blob.isOpen() && muHoldInUse((blob.basePath() + ".dat").c_str()) == 0;
}

void closeDatabase()
{
    tTable::closeAll();
    tBlob::instance().close();
    g_databaseOpen = false;
}

bool databaseOpen() { return g_databaseOpen; }
bool databaseCreated() { return g_databaseCreated; }

} // namespace velk
