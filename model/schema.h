// The database schema as the program ships it: the fields of every table in
// stored order and the indices built over them.  A new dictionary is filled
// from these rows; afterwards the dictionary, not this table, is the truth.
#ifndef VELK_MODEL_SCHEMA_H
#define VELK_MODEL_SCHEMA_H

#include <cstdint>

namespace velk {

// One field row, 51 bytes: the built-in form and the decoded form of a
// dictionary field row (offset 0 in the built-in rows, filled in on lookup).
#pragma pack(push, 1)
struct tFieldDef {
    char table[21]; // NUL-terminated
    char field[21]; // NUL-terminated
    char type;      // C, D, T, U or B
    int32_t offset;
    int16_t length;
    int16_t decimals;
};
#pragma pack(pop)
static_assert(sizeof(tFieldDef) == 51, "the field row is 51 bytes");

// One segment of an index: the index number (0 primary, 1..9 unique,
// 10 and above with duplicates), the segment number within it, the field,
// the offset within the field and the length (0: the field's length).
struct tIndexDef {
    const char *table;
    int index;
    int segment;
    const char *field;
    int offsetInField;
    int length;
};

// The tables in the order their rows enter a new dictionary.
extern const char *const kTableNames[9];
constexpr int kTableCount = 9;

// Built-in field rows of every table, in table order, ended by a row whose
// table name is empty.
extern const tFieldDef kFieldDefs[];

// Index segments of every table in index, then segment order, ended by a
// row whose table is null.
extern const tIndexDef kIndexDefs[];

// Key type of every generated key: binary comparison of the stored bytes.
constexpr int kKeyBinary = 5;
constexpr int kKeyDuplicates = 128;
constexpr int kKeyContinuation = 32;

} // namespace velk

#endif
