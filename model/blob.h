// The data dictionary of a database directory and the database as a whole.
//
// Dictionary record, 67 bytes of ASCII, space-padded; the key is bytes
// 0..51 (one unique index, character comparison):
//
//   bytes   field row                  index row
//   0..19   table name                 table name
//   20..29  spaces                     index number, 10 digits
//   30..31  spaces                     segment number, 2 digits
//   32..51  field name                 field that forms the segment
//   52..57  offset in the record       segment offset (field + within)
//   58      type character             type character of the field
//   59..64  length                     segment length
//   65..66  decimals                   "00"
//
// Spaces sort before digits, so a table's field rows precede its index
// rows, and index rows come in index, then segment order.  Example, the
// first field and the second index row of TERMIN:
//   "TERMIN              " "          " "  " "ID                  " "000000" "C" "000008" "00"
//   "TERMIN              " "0000000001" "00" "FROMDATE            " "000048" "D" "000008" "00"
#ifndef VELK_MODEL_BLOB_H
#define VELK_MODEL_BLOB_H

#include "model/schema.h"

#include <string>
#include <vector>

struct Bt3File;

namespace velk {

class tTextStore;

constexpr int kDictRecordSize = 67;
constexpr int kDictKeySize = 52;

// Open and create results of the dictionary, the tables and the text store.
enum { kCreateFailed = -20, kCacheFailed = -21, kOpenFailed = -22, kNoBuffer = -23 };

class tBlob {
public:
    static tBlob &instance();
    ~tBlob();

    int open(const char *basePath);
    int create(const char *basePath);
    void close(); // closes the dictionary and the text store
    bool isOpen() const { return fd_ != nullptr; }
    const std::string &directory() const { return dir_; }
    const std::string &basePath() const { return path_; } // of the open dictionary

    bool addField(const char *table, const char *field, char type, int length, int decimals);
    bool addIndexSegment(const char *table, int index, int segment, const char *field,
                         int offsetInField, int length);
    // Every field and index row of a table from the built-in schema; rows
    // already present are refused by the key and left as they are.
    void addTableRows(const char *table);

    // Offset and length 0 when the field is unknown.
    tFieldDef findField(const char *table, const char *field);
    int recordSize(const char *table);
    // Rows of (offset, length, flags) ended by -1; empty when the table has
    // no index rows.
    std::vector<int> keyDefinitions(const char *table);
    // The field row of type B after prev (none: the first); false at the end.
    bool nextTextField(const char *table, const tFieldDef *prev, tFieldDef *out);

    tTextStore *textStore(); // null when the store could not be opened

    // Keeps the dictionary's files locked while a table object is built from its rows (record
    // size, keys, each field's row): one read bracket for all of them instead of one per row.
    // Answers what to give to releaseRows.
    int holdRows();
    void releaseRows(int held);

private:
    tBlob() = default;
    template <class Fn>
    void forEachRow(const char *table, Fn fn);

    Bt3File *fd_ = nullptr;
    char *buf_ = nullptr;
    std::string dir_, path_;
    tTextStore *text_ = nullptr;
};

// The directory part of a path, with its trailing separator ('/' or '\').
std::string directoryOf(const std::string &path);

// Points the process registry at dir + "proc.id".
void setProcessRegistry(const std::string &dir);

// Start-up: opens the dictionary at dictPath, creating a complete empty
// database there (dictionary, text store, the nine tables' rows and files)
// when none can be opened; false when it can be neither opened nor created.
bool openDatabase(const char *dictPath);
// Marks the directory of the open database in use by this process until the process ends
// (muHoldInUse on the dictionary's data file), so that velk-check leaves it alone; closing the
// database does not give it up.  False when no database is open or the mark cannot be taken
// (velk-check is repairing the directory).
bool holdDatabaseInUse();
// Closes every open table, the text store and the dictionary.
void closeDatabase();
bool databaseOpen();
bool databaseCreated();

} // namespace velk

#endif
