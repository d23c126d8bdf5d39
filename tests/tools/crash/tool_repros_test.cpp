// States that a process cut off inside an operation really leaves, each made directly on the
// files, and what velk-check --repair must make of them.  The kill and I/O-fault tests reach
// them at random; here each is one small, repeatable case.
#include "tests/tools/crash/crash_support.h"
#include "tests/btree/files_support.h"

#include <gtest/gtest.h>

using namespace velk::crashtest;

namespace {

Contents repairAndRead(const std::string &dir, SetKind k)
{
    ToolRun r = runTool({"--repair", dir});
    EXPECT_TRUE(r.exited && r.code == 0) << r.describe();
    Contents c;
    Bt3File *fd = openSet(dir, k);
    EXPECT_NE(fd, nullptr) << "error " << lioLastErr()->code;
    if (!fd) return c;
    std::string why;
    EXPECT_TRUE(scanSet(fd, k, &c, &why)) << why;
    bt3Close(fd);
    return c;
}

} // namespace

// A record of the variable-length store moved into an area appended at the end of the store,
// and its map entry was written, but the mapper header (with the new end of the store) was not:
// the process died, or the header write failed.  The area and its map entry agree and the
// store file holds every byte, so the record is there; the end word is what is stale.
TEST(ToolRepro, StoreAreaAppendedBeyondTheRecordedEnd)
{
    DbDir dir;
    ASSERT_EQ(createSets(dir.path()), 0);
    Bt3File *fd = openSet(dir.path(), Blob);
    ASSERT_NE(fd, nullptr);
    ASSERT_GT(addRecord(fd, Blob, "AAAA0001", 1), 0);
    ASSERT_GT(addRecord(fd, Blob, "AAAA0002", 1), 0);
    ASSERT_EQ(bt3Close(fd), 0);

    std::string mp = dir.base(Blob) + ".mp";
    long mapOff = velk::apptest::fileWord(mp, VL_H_MAPOFF * 4);
    int32_t lastArea = velk::apptest::fileWord(mp, mapOff + 8); // record 2: (offset, length)
    ASSERT_GT(lastArea, 0);
    velk::apptest::setFileWord(mp, VL_H_END * 4, lastArea);
    velk::apptest::setFileWord(mp, VL_H_MARK * 4, LIO_MARK_DIRTY);

    EXPECT_EQ(repairAndRead(dir.path(), Blob), (Contents{{"AAAA0001", 1}, {"AAAA0002", 1}}));
}

// A store record rewritten in place (the new length needs an area of the same size) has its
// area written, new length word first, but the process died before the map entry took the new
// length.  The area is whole and holds the new record; the map's length is what is stale, and
// the record must not be lost.
TEST(ToolRepro, StoreAreaRewrittenInPlaceBeforeItsMapEntry)
{
    DbDir dir;
    ASSERT_EQ(createSets(dir.path()), 0);
    Bt3File *fd = openSet(dir.path(), Blob);
    ASSERT_NE(fd, nullptr);
    ASSERT_GT(addRecord(fd, Blob, "AAAA0001", 1), 0);
    std::string mp = dir.base(Blob) + ".mp";
    long mapOff = velk::apptest::fileWord(mp, VL_H_MAPOFF * 4);
    const int32_t area = velk::apptest::fileWord(mp, mapOff),
                  stored = velk::apptest::fileWord(mp, mapOff + 4);
    int version = 2;
    for (; version < 400; version++) {
        ASSERT_GT(rewriteRecord(fd, Blob, "AAAA0001", "AAAA0001", version), 0);
        if (velk::apptest::fileWord(mp, mapOff) == area &&
            velk::apptest::fileWord(mp, mapOff + 4) != stored)
            break;
    }
    ASSERT_LT(version, 400) << "no rewrite in place with another length";
    ASSERT_EQ(bt3Close(fd), 0);
    velk::apptest::setFileWord(mp, mapOff + 4, stored);
    velk::apptest::setFileWord(mp, VL_H_MARK * 4, LIO_MARK_DIRTY);

    EXPECT_EQ(repairAndRead(dir.path(), Blob), (Contents{{"AAAA0001", version}}));
}

// The same for a fixed-length data file: a record appended (written as zeros by the
// allocation, then with its bytes), its keys inserted, but the data file header still counts
// one record less.  The record lies wholly inside the file; the repair keeps it or drops it,
// but the set must verify clean and open afterwards.
TEST(ToolRepro, DataRecordAppendedBeyondTheRecordedEnd)
{
    DbDir dir;
    ASSERT_EQ(createSets(dir.path()), 0);
    Bt3File *fd = openSet(dir.path(), Table);
    ASSERT_NE(fd, nullptr);
    ASSERT_GT(addRecord(fd, Table, "AAAA0001", 1), 0);
    ASSERT_GT(addRecord(fd, Table, "AAAA0002", 1), 0);
    ASSERT_EQ(bt3Close(fd), 0);

    std::string dat = dir.base(Table) + ".dat";
    velk::apptest::setHeaderWord(dat, 0, LIO_H_LIVE, 1);
    velk::apptest::setHeaderWord(dat, 0, LIO_H_EOF,
                                 velk::apptest::headerWord(dat, 0, LIO_H_EOF) - 52);
    velk::apptest::setHeaderWord(dat, 0, LIO_H_MARK, LIO_MARK_DIRTY);

    Contents c = repairAndRead(dir.path(), Table);
    EXPECT_TRUE(c.count("AAAA0001"));
    ToolRun v = runTool({dir.path()});
    EXPECT_TRUE(v.exited && v.code == 0) << v.describe();
}

// An add cut off between the allocation of its record (written as zeros, counted live) and the
// write of the record itself.  Nobody added a record of zeros: the repair must not make one
// out of it, or the table gains a row with an empty ID.
TEST(ToolRepro, RecordAllocatedButNeverWritten)
{
    DbDir dir;
    ASSERT_EQ(createSets(dir.path()), 0);
    Bt3File *fd = openSet(dir.path(), Table);
    ASSERT_NE(fd, nullptr);
    ASSERT_GT(addRecord(fd, Table, "AAAA0001", 1), 0);
    ASSERT_EQ(bt3Close(fd), 0);

    std::string dat = dir.base(Table) + ".dat";
    LioFile *raw = lioOpen(dat.c_str(), LIO_EXCL | LIO_RDWR);
    ASSERT_NE(raw, nullptr);
    ASSERT_EQ(lioAvl(raw), 2);
    ASSERT_EQ(lioClose(raw), 0);
    velk::apptest::setHeaderWord(dat, 0, LIO_H_MARK, LIO_MARK_DIRTY);

    EXPECT_EQ(repairAndRead(dir.path(), Table), (Contents{{"AAAA0001", 1}}));
}
