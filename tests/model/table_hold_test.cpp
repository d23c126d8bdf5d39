// Table holds: a read hold locks the data file only, with a shared lock, and a walk inside it
// reads from the cache once the table has been read.
#include "model_support.h"

#include "btree/btree.h"

#include <string>

using namespace velk;

namespace {

LioIoCount counted()
{
    LioIoCount c;
    lioIoCount(&c);
    return c;
}

// Lock calls and read calls of a hold of the given kind around a walk of the table.
std::pair<long long, long long> heldWalk(tResTable *r, tTableHold::Kind kind, int *rows)
{
    LioIoCount a = counted();
    {
        tTableHold hold(r, kind);
        *rows = 0;
        long prev = r->rec.first();
        for (long cur = prev; cur; prev = cur) {
            ++*rows;
            cur = r->rec.next();
            if (cur == prev) break;
        }
    }
    LioIoCount b = counted();
    return {b.lockCalls - a.lockCalls, b.readCalls - a.readCalls};
}

} // namespace

TEST_F(ModelTest, AReadHoldLocksTheDataFileOnlyAndReadsTheHeaders)
{
    tResTable *r = tResTable::instance();
    ASSERT_NE(r, nullptr);
    for (int i = 0; i < 40; i++) {
        r->rec.clear();
        r->ID.setText(("R" + std::to_string(100 + i)).c_str());
        r->TITLE.setText("Raum");
        ASSERT_TRUE(r->rec.insert());
    }
    int rows = 0;
    heldWalk(r, tTableHold::Read, &rows);
    EXPECT_EQ(rows, 40);
    auto write = heldWalk(r, tTableHold::Write, &rows);
    EXPECT_EQ(rows, 40);
    auto read = heldWalk(r, tTableHold::Read, &rows);
    EXPECT_EQ(rows, 40);
    EXPECT_EQ(write.first, 4) << "data file and index, each locked and unlocked";
    EXPECT_EQ(read.first, 2) << "the data file's shared lock and its release";
    EXPECT_EQ(read.second, 2) << "the headers of the data file and the index";
}
