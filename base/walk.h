// walk.h - stepping through a table in the order of one of its indices.
//
// A table object is shared by everything in the process: between two steps of one walk, a find
// by ID or another walk may move the table to another index or record.  A step therefore puts the
// table back where the walk left it before it moves on.
#ifndef VELK_BASE_WALK_H
#define VELK_BASE_WALK_H

#include "model/table.h"

#include <cstddef>
#include <cstdio>
#include <string_view>

namespace velk {

// The first record in the order of index `key` into rec; its record number, 0 for none.
long walkFirst(tTable &table, tRecord &rec, int key);

// The record after `cursor` in the order of index `key` into rec; its record number, 0 at the
// end.  When the record at `cursor` is gone, the walk goes on after the key that rec still holds.
long walkNext(tTable &table, tRecord &rec, int key, long cursor);

// Copies at most N - 1 bytes of text and terminates; false when the text was cut.
template <std::size_t N>
bool copyText(char (&dst)[N], std::string_view text)
{
    std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
    text.copy(dst, n);
    dst[n] = 0;
    return n == text.size();
}

} // namespace velk

#endif
