// Table objects: one per table and process, opened (and created when
// missing) on first use, closed with the database.
#ifndef VELK_MODEL_TABLE_H
#define VELK_MODEL_TABLE_H

#include "model/record.h"

#include <memory>
#include <string>
#include <vector>

struct Bt3File;

namespace velk {

class tBlob;

// One file's modification counter: on disk, and as this process knows it.
struct tFileCount {
    int onDisk = 0;
    int known = 0;
    bool operator==(const tFileCount &) const = default;
};

class tTable {
public:
    virtual ~tTable();
    tTable(const tTable &) = delete;
    tTable &operator=(const tTable &) = delete;

    const char *name() const { return name_; }
    const std::string &basePath() const { return path_; }
    int recordSize() const { return recordSize_; }
    const std::vector<int> &keyDefinitions() const { return keydef_; }

    int open();   // 0, kCacheFailed, kOpenFailed, kNoBuffer
    int create(); // 0, kCreateFailed
    void close();
    bool isOpen() const { return fd_ != nullptr; }

    // The ISAM index position that orders First/Next and keys Find.
    bool selectIndex(int position);
    int selectedIndex() const { return index_; }
    long recordCount();
    tRecord newRecord() { return tRecord(this); }

    bool find(tRecord &rec);
    // Positions by the selected index with a find mode of the engine (4: the first key not
    // smaller than the record's, 3: the greatest not greater, 2: the first greater) and reads the
    // record found; its record number, 0 when there is none.
    long seek(tRecord &rec, int mode);
    // The current record number, 0 when there is none.
    long current() const;
    // Makes record `recno` current again in the selected index and reads it, after other
    // operations on the table moved it; false when the record is gone.
    bool setCurrent(long recno, tRecord &rec);
    long first(tRecord &rec);
    long next(tRecord &rec);
    bool insert(tRecord &rec);
    // The engine's answer to an add: record length stored, 0 refused for a key, -1 failed.
    int add(tRecord &rec);
    // True only when the rewrite was refused because another record has the
    // same unique key; false when it was stored or failed (see Rewrite).
    bool update(tRecord &rec);
    // The engine's answer: record length stored, 0 refused for a key, -1.
    int rewrite(tRecord &rec);
    bool remove(tRecord &rec);
    bool lock();
    // The modification counters of the table's files (data file and indices; see bt3PeekCounts):
    // onDisk as read now without a lock, known as this process last read or wrote it.  False
    // when the table is not open or a header cannot be read.
    bool peekCounts(std::vector<tFileCount> &out) const;
    // Locks the current record, waiting about two seconds for another process that holds it.
    bool lockWaiting();
    bool unlock();

    // Creates the files of a table from its dictionary rows; false when they cannot be made,
    // also when they exist (creation never overwrites).
    static bool createFiles(const char *name);
    // Closes and destroys every table object of the process.
    static void closeAll();
    // Closes and destroys the object of one table; the next use opens it.
    static void release(const char *name);
    // The object of table `name` when this process has it open, else null; never opens it.
    static tTable *ifOpen(const char *name);
    // Changes this process made to any file so far (see lioOwnChanges).
    static unsigned ownChanges();

protected:
    explicit tTable(const char *name);

    // The object of table `name`, built by make() and opened on first use;
    // null when the dictionary is closed or the table can be neither opened
    // nor created.
    template <class T>
    static T *instanceOf(const char *name)
    {
        return static_cast<T *>(acquire(name, [] { return std::unique_ptr<tTable>(new T); }));
    }

    // The next ID from the counter record (ID "########") kept in the
    // counter field; false when the counter stays locked or cannot be
    // stored.  out receives 8 characters and a terminator.
    bool newCounterId(const tFieldDef &idField, const tFieldDef &counterField, char *out);

private:
    friend class tTableHold;
    using Maker = std::unique_ptr<tTable> (*)();
    static tTable *acquire(const char *name, Maker make);
    static std::unique_ptr<tTable> madeFromRows(tBlob &blob, Maker make);

    char name_[21];
    std::string path_;
    std::vector<int> keydef_;
    char *buf_ = nullptr;
    int recordSize_ = 0;
    int index_ = 0;
    Bt3File *fd_ = nullptr;
};

// Keeps a table's files locked across the steps of a walk, so that the walk takes the lock and
// reads the file headers once instead of at every step.  The operations inside nest in it;
// other copies wait until it ends, so hold it only for the walk itself (never while waiting on
// the user).  Single operations on other tables inside it are fine; a hold on another table
// inside it is not (two copies could each wait for the other).
// A Read hold is for walks that only read: it takes a shared lock, so several copies walk the
// same table at once, and a writer waits for them all.  A change made inside it converts the
// lock into a write lock first (waiting for the other readers; it fails when they stay).
class tTableHold {
public:
    enum Kind { Write, Read };
    explicit tTableHold(tTable *table, Kind kind = Write);
    ~tTableHold();
    tTableHold(const tTableHold &) = delete;
    tTableHold &operator=(const tTableHold &) = delete;

private:
    Bt3File *fd_ = nullptr;
    int mask_ = 0;
};

} // namespace velk

#endif
