// fileset.h - what velk-check knows about one ISAM file set of a directory.
//
// A file set is "<name>.dat" (fixed-length records) or "<name>.mp"/"<name>.st" (variable-length
// store), with "<name>.ndx" holding one B-tree per key.  The data file is the truth: its header
// and the key block in its stash say how records look and which keys they carry; every live
// record must have exactly its keys in every index.  Verifying gathers findings and the live
// records; a repair rewrites the data file's bookkeeping from its records and builds the indices
// anew.
#ifndef VELK_BTREE_CHECK_FILESET_H
#define VELK_BTREE_CHECK_FILESET_H

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "btree/check/rawfile.h"
#include "btree/check/velk_check.h"

namespace velkcheck {

// One key of the key block: its flags and (offset, length) segments.
struct tKeyDef {
    int flags = 0;
    std::vector<std::pair<int, int>> segs;
    int klen = 0; // the segments' lengths added up

    bool dups() const { return (flags & LIO_KEY_DUPS) != 0; }
    int type() const { return flags & LIO_KEY_TYPEMASK; }
    // a duplicates key is stored with the record serial in front
    int storedLen() const { return klen + (dups() ? 4 : 0); }
    int storedType() const { return flags | (dups() ? LIO_KEY_CALLERDUP : 0); }
    int userOff() const { return dups() ? 4 : 0; }
    int end() const; // the first record byte after every segment
};

// Parses the key block at the start of a stash; "" or what is wrong with it.
std::string parseKeyBlock(const Bytes &stash, std::vector<tKeyDef> *keys);
// The key of a stored record (serial + record bytes) as the index stores it.
Bytes buildKey(const tKeyDef &k, const Bytes &stored);
// The key definition list (offset, length, flags rows ended by -1) that bt3Creat takes.
std::vector<int> keyDefinitionList(const std::vector<tKeyDef> &keys);

// A live record: its number, serial and stored bytes (serial in front, zero-padded).
struct tDataRecord {
    int32_t rec = 0;
    int32_t serial = 0;
    Bytes stored;
};

struct tSetState {
    std::string name;
    bool variable = false;
    std::string cannotRun; // non-empty: the set cannot be checked, and why
    std::vector<tFinding> findings;
    bool locksStale = false;   // open count, owner mark or lock table not clear
    bool dataDamaged = false;  // the data file's bookkeeping must be rewritten
    bool indexDamaged = false; // the indices must be built anew
    bool keysKnown = false;    // the key block could be read
    std::vector<tKeyDef> keys;
    std::vector<tDataRecord> records; // live records in record-number order
    long dataCount = 0;               // records the data file's header claims

    // Records a finding; beyond kListedPerFile for one file they are only counted, and finish()
    // adds one line with the rest.
    void find(const std::string &file, const std::string &what, const std::string &where);
    void finish();

    static constexpr long kListedPerFile = 25;
    std::map<std::string, long> perFile;
};

std::string format(const char *f, ...) __attribute__((format(printf, 1, 2)));

// Checks open count, owner mark and lock table of one header; maxRec bounds record numbers.
void checkLockState(tSetState &st, const std::string &file, const int32_t *openCount,
                    const int32_t *owner, const int32_t *nlocks, const int32_t *table, long maxRec);

// Verification of the data side of a set; fills st.records and st.keys.
tSetState verifyFixedData(const std::string &dir, const std::string &name);
tSetState verifyVlData(const std::string &dir, const std::string &name);
// The index file of a set against its keys and live records.
void verifyIndexFile(const std::string &dir, tSetState &st);

// A scratch directory inside the database directory (so that a rename can replace a file) for
// the time of a repair; the engine's registry variable points into it meanwhile, so that files
// the repair opens through the engine do not advance the directory's proc.id.
class tScratchDir {
public:
    explicit tScratchDir(const std::string &dir);
    ~tScratchDir();
    tScratchDir(const tScratchDir &) = delete;
    tScratchDir &operator=(const tScratchDir &) = delete;
    bool ok() const { return !path_.empty(); }
    const std::string &path() const { return path_; }

private:
    std::string path_, old_;
    bool hadOld_ = false;
};

// Repairs (see velk_check.h); each appends what it did to `actions`, false on a failure with the
// reason in `why`.  A repair needs a verified state without cannotRun.
bool repairFixedData(const std::string &dir, tSetState &st, std::vector<std::string> &actions,
                     std::string *why);
bool repairVlData(const std::string &dir, tSetState &st, std::vector<std::string> &actions,
                  std::string *why);
bool rebuildIndex(const std::string &dir, const tScratchDir &work, tSetState &st,
                  std::vector<std::string> &actions, std::string *why);
// Moves records that a unique index cannot take twice into dir/lost+found; they leave
// st.records.
bool settleUniqueKeys(const std::string &dir, tSetState &st, std::vector<std::string> &actions,
                      std::string *why);
// Clears open counts, owner marks and lock tables of the set's files (and, with clean, sets
// every mark to 42).
bool resetSetLocks(const std::string &dir, const tSetState &st, bool clean,
                   std::vector<std::string> &actions, std::string *why);

} // namespace velkcheck

#endif
