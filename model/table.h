/* Table objects: one per table and process, opened (and created when
 * missing) on first use, closed with the database. */
#pragma once

#include "model/record.h"

#include <memory>
#include <string>
#include <vector>

struct Bt3File;

class tTable {
public:
    virtual ~tTable();
    tTable(const tTable &) = delete;
    tTable &operator=(const tTable &) = delete;

    const char *Name() const { return name_; }
    const std::string &BasePath() const { return path_; }
    int RecordSize() const { return recordSize_; }
    const std::vector<int> &KeyDefinitions() const { return keydef_; }

    int Open();   /* 0, kCacheFailed, kOpenFailed, kNoBuffer */
    int Create(); /* 0, kCreateFailed */
    void Close();
    bool IsOpen() const { return fd_ != nullptr; }

    /* The ISAM index position that orders First/Next and keys Find. */
    bool SelectIndex(int position);
    long RecordCount();
    tRecord NewRecord() { return tRecord(this); }

    bool Find(tRecord &rec);
    long First(tRecord &rec);
    long Next(tRecord &rec);
    bool Insert(tRecord &rec);
    /* True only when the rewrite was refused because another record has the
     * same unique key; false when it was stored or failed (see Rewrite). */
    bool Update(tRecord &rec);
    /* The engine's answer: record length stored, 0 refused for a key, -1. */
    int Rewrite(tRecord &rec);
    bool Delete(tRecord &rec);
    bool Lock();
    bool Unlock();

    /* Closes and destroys every table object of the process. */
    static void CloseAll();
    /* Closes and destroys the object of one table; the next use opens it. */
    static void Release(const char *name);

protected:
    explicit tTable(const char *name);

    /* The object of table `name`, built by make() and opened on first use;
     * null when the dictionary is closed or the table can be neither opened
     * nor created. */
    template <class T> static T *InstanceOf(const char *name)
    {
        return static_cast<T *>(Acquire(name, [] { return std::unique_ptr<tTable>(new T); }));
    }

    /* The next ID from the counter record (ID "########") kept in the
     * counter field; false when the counter stays locked or cannot be
     * stored.  out receives 8 characters and a terminator. */
    bool NewCounterId(const tFieldDef &idField, const tFieldDef &counterField, char *out);

private:
    using Maker = std::unique_ptr<tTable> (*)();
    static tTable *Acquire(const char *name, Maker make);

    char name_[21];
    std::string path_;
    std::vector<int> keydef_;
    char *buf_ = nullptr;
    int recordSize_ = 0;
    Bt3File *fd_ = nullptr;
};
