// crash_support.h - what the crash-safety tests share: a database directory with two file sets
// shaped like the program's own, records that carry their own checksum, velk-check run as a
// separate process, and a probe for a byte-0 lock that another open file description holds.
//
// "TERMIN" (fixed length, 48 bytes):   ID 0..7 (unique)  OWNER 8..15 (duplicates)
//                                      VERSION 16..23    FILL 24..47 (from ID and VERSION)
// "blob" (variable-length store):      ID 0..7 (unique)  KIND 8..11 (duplicates)
//                                      VERSION 12..19    TEXT 20.. (length and bytes from ID and
//                                      VERSION, 21 to 300 bytes in all)
// OWNER and KIND follow from VERSION, so a rewrite that raises the version moves the duplicates
// key as well.  A record whose bytes do not follow from its ID and VERSION is corrupt.
#ifndef VELK_TESTS_TOOLS_CRASH_SUPPORT_H
#define VELK_TESTS_TOOLS_CRASH_SUPPORT_H

#include <map>
#include <set>
#include <string>
#include <vector>

#include "btree/btree.h"
#include "tests/btree/files_support.h"

namespace velk {

namespace crashtest {

using Bytes = std::vector<unsigned char>;

enum SetKind { Table = 0, Blob = 1 };
const char *setName(SetKind k); // "TERMIN", "blob"

// id -> version: what a file set holds
using Contents = std::map<std::string, int>;

// A temporary database directory whose process registry is its own "proc.id".
class DbDir {
public:
    DbDir();
    ~DbDir();
    DbDir(const DbDir &) = delete;
    DbDir &operator=(const DbDir &) = delete;
    const std::string &path() const { return tmp_.path(); }
    std::string base(SetKind k) const { return tmp_.path() + "/" + setName(k); }

private:
    velk::apptest::TempDir tmp_;
    std::string oldProcfile_;
    bool hadProcfile_;
};

int createSets(const std::string &dir); // both file sets, empty; 0 or -1
Bt3File *openSet(const std::string &dir, SetKind k, int mode = LIO_SHARED | LIO_RDWR);

Bytes makeRecord(SetKind k, const std::string &id, int version);
// Parses and checks a stored record; false (with why) when it is not one makeRecord made.
bool parseRecord(SetKind k, const unsigned char *p, int len, std::string *id, int *version,
                 std::string *why);

// One record operation as the program makes it; answers the engine's result.
int addRecord(Bt3File *fd, SetKind k, const std::string &id, int version);
int rewriteRecord(Bt3File *fd, SetKind k, const std::string &id, const std::string &newId,
                  int version);
int deleteRecord(Bt3File *fd, SetKind k, const std::string &id);

// Reads a whole set through both indices: the contents, or false with the reason (a record
// read twice, a bad record, the two indices or the record count disagreeing).  With `torn`, a
// record whose bytes are not a whole record is listed there (by record number) instead.
bool scanSet(Bt3File *fd, SetKind k, Contents *out, std::string *why,
             std::set<int> *torn = nullptr);

// velk-check as a separate process.
struct ToolRun {
    bool exited = false; // ended by exit(), not by a signal
    int code = -1;       // exit code, or the signal
    std::string output;  // stdout and stderr
    std::string describe() const;
};
ToolRun runTool(const std::vector<std::string> &args);

// True when no open file description holds a lock on byte 0 of the file (F_OFD_GETLK from a
// description of its own).
bool byte0Free(const std::string &path);
std::vector<std::string> setFiles(const std::string &dir, SetKind k); // the files on disk

// Removes the backup-* folders a repair leaves; answers whether lost+found holds anything.
void dropBackups(const std::string &dir);
bool lostAndFoundEmpty(const std::string &dir);

// Copies every regular file of one directory into another (made when missing).
void copyDir(const std::string &from, const std::string &to);

} // namespace crashtest

} // namespace velk

#endif
