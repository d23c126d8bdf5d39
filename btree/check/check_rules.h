// check_rules.h - structural rules for record files and B-tree indices.
//
// The rules read a file through a tFileSource: either an open engine descriptor (lioHeader,
// lioRead, lioSubFile: what the engine's own tests check, cache included) or the raw bytes of a
// closed file (what velk-check reads, since the engine refuses a damaged file).  Pages of several
// indices interleave in one index file, so nothing assumes page alignment: the checker walks every
// tree from its root and follows every free chain.  Each answer is "" when the structure is
// clean, else a description of the first rule broken, beginning with the rule's number:
//
//  Index (checkIndex):
//   (1) header: magic 310, header size 340, order 1..12, key length 1..100 (at least 5 with
//       duplicates), page size (K + 8) x 2n + 8, duplicate flag and direction agree with the key
//       type byte; the page area runs from maxfiles x 340 to the end-of-file word of sub-file 1.
//   (2) empty index: root 0 <=> pages in use 0 <=> key count 0.
//   (3) every page lies inside the page area and is reached once (no cycles, no shared child).
//   (4) the root holds 1..2n items, every other page n..2n.
//   (5) a leaf has no children (p0 and every item child 0); an inner page has all m + 1.
//   (6) every leaf lies at the same depth, at most 10.
//   (7) keys are strictly increasing in collation order, within pages and across them.
//   (8) key count (word 11) = items in the tree; pages in use (word 8) = pages in the tree.
//   (9) the free chain (word 10) holds deleted-count (word 9) pages inside the page area, each
//       starting with 0x1B 'd' 'e' 'l' 0x1B, the next offset at byte 5 and zeros after; no cycle
//       and no page both free and in the tree.
//  (10) stored keys are normalised: an index-assigned duplicate serial lies in 1..word 13; a
//       character user part holds only zeros after its first NUL.
//  Index file (checkIndexFile), in addition to (1)-(10) for every defined sub-file:
//  (11) tree and free pages of all sub-files are disjoint and tile the page area exactly.
//  Data file (checkDataFile):
//  (12) end-of-file = 340 + stash + (live + deleted) x record length.
//  (13) the free chain holds deleted-count records, each marked as in (9), numbers 1..live+deleted,
//       no cycle.
#ifndef VELK_BTREE_CHECK_CHECK_RULES_H
#define VELK_BTREE_CHECK_CHECK_RULES_H

#include <cstdint>
#include <string>
#include <vector>

#include "btree/btree.h"

namespace velkcheck {

// Header words and pages (records) of one file.  Sub-files are numbered from 1; a data file has
// only sub-file 1, whose units are record numbers instead of page offsets.
class tFileSource {
public:
    virtual ~tFileSource() = default;
    // The 85 header words of sub-file `sub`; false when there is no such header.
    virtual bool header(int sub, int *words) = 0;
    // `len` bytes of the page at `where` (index) or of record number `where` (data file).
    virtual bool read(int sub, long where, int len, unsigned char *buf) = 0;
};

// A source over an open engine descriptor (any sub-file of the file).
class tLioSource : public tFileSource {
public:
    explicit tLioSource(LioFile *fd);
    bool header(int sub, int *words) override;
    bool read(int sub, long where, int len, unsigned char *buf) override;
    int subOf(LioFile *fd) const; // the sub-file number of a descriptor of this file, 0: none

private:
    LioFile *first_;
};

// What the header of an index sub-file says, with the derived compare geometry.
struct tIndexGeometry {
    int words[LIO_HDRWORDS];
    int keyLen = 0;    // K, word 16
    int typeByte = 0;  // word 17
    int cmpType = 0;   // typeByte & 15
    bool dups = false; // word 14
    bool callerDup = false;
    int dir = 1;         // word 15
    int order = 0;       // n, word 18
    int pageSize = 0;    // word 19
    int cmpStart = 0;    // first byte of the user part
    int cmpLen = 0;      // length of the user part
    int discOffset = -1; // offset of the duplicate discriminator, -1 without duplicates
    int maxFiles = 0;
    long headerArea = 0; // maxFiles x 340
    long eof = 0;        // end-of-file word of sub-file 1
};

// Reads the header words of an index sub-file; "" or the rule (1) violation.
std::string loadGeometry(tFileSource &src, int sub, tIndexGeometry *g);
std::string loadGeometry(LioFile *fd, tIndexGeometry *g);

// The type comparison of two user parts (pointers to the first user byte); the sign matters.
int compareUser(const tIndexGeometry &g, const unsigned char *a, const unsigned char *b,
                LioCompare custom = nullptr);
// The full collation of two stored K-byte keys: user part times direction, then discriminator.
int compareKeys(const tIndexGeometry &g, const unsigned char *a, const unsigned char *b,
                LioCompare custom = nullptr);

struct tPageItem {
    std::vector<unsigned char> key; // K bytes
    int32_t child = 0;
    int32_t rec = 0;
};

struct tPageImage {
    long offset = 0;
    int m = 0;
    int32_t p0 = 0;
    std::vector<tPageItem> items;
    std::vector<unsigned char> raw; // all P bytes
};

// Reads and decodes one page after checking its offset against the page area.
std::string readPageImage(tFileSource &src, int sub, const tIndexGeometry &g, long offset,
                          tPageImage *page);
std::string readPageImage(LioFile *fd, const tIndexGeometry &g, long offset, tPageImage *page);

struct tIndexEntry {
    std::vector<unsigned char> key; // K bytes as stored
    int32_t rec = 0;
};

struct tIndexReport {
    std::vector<tIndexEntry> entries; // in collation order
    std::vector<long> treePages;
    std::vector<long> freePages; // in chain order
    int depth = 0;               // levels of the tree, 0 when empty
};

// Rules (1)-(10) for one index; fills `report` when given.  `custom` compares key types other
// than 1..5; without it their order is not checked.
std::string checkIndex(tFileSource &src, int sub, tIndexReport *report = nullptr,
                       LioCompare custom = nullptr);
std::string checkIndex(LioFile *fd, tIndexReport *report = nullptr, LioCompare custom = nullptr);
// Rules (1)-(11) for every defined sub-file of an index file.
std::string checkIndexFile(tFileSource &src, LioCompare custom = nullptr);
std::string checkIndexFile(LioFile *fd, LioCompare custom = nullptr);
// Rules (12)-(13) for a data file.
std::string checkDataFile(tFileSource &src);
std::string checkDataFile(LioFile *fd);

// True when the P (or record-length) bytes start with the deletion marker.
bool hasDeletionMarker(const unsigned char *p);

} // namespace velkcheck

#endif
