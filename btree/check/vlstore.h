// vlstore.h - the variable-length store of a file set read raw: mapper header, size classes and
// the areas the map points to, shared by its verification and its repair.
#ifndef VELK_BTREE_CHECK_VLSTORE_H
#define VELK_BTREE_CHECK_VLSTORE_H

#include "btree/check/fileset.h"

namespace velkcheck {

struct tVlLayout {
    int32_t h[VL_HDRWORDS] = {};
    int classes = 0;          // heads in the delete-heap table
    long long region = 0;     // first byte of the area region: 12 + stash
    long long mapEntries = 0; // map entries the mapper file holds, at most highest

    int32_t min() const { return h[VL_H_MIN]; }
    int32_t g() const { return h[VL_H_GRAN]; }
    long long areaSize(long long stored) const
    {
        long long s = (stored + g() - 1) / g() * g();
        return s < min() ? min() : s;
    }
    long long classSize(int i) const { return min() + (long long)i * g(); }
    long long mapAt(long n) const { return h[VL_H_MAPOFF] + (long long)(n - 1) * 8; }
};

// Opens both files and reads the mapper header.  Answers "" when the store can be read;
// otherwise `unusable` tells whether the files are no store at all (cannot run) rather than a
// damaged one.
std::string loadVlLayout(const tRawFile &mp, const tRawFile &st, tVlLayout *v, bool *unusable);

// "" when map entry (off, stored) points to a well-formed area in use inside the region, which
// ends at `end` (the end-of-store word for a verify; for a repair, which trusts the bytes, the
// store file's size).
std::string checkArea(const tVlLayout &v, const tRawFile &st, int32_t off, int32_t stored,
                      long long end);

} // namespace velkcheck

#endif
