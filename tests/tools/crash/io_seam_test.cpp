// The I/O seam and what the engine does with a failing call: the hook counts and fails exactly
// the calls asked for, a refused lock request is not waited on, an operation cut short by a
// failing write leaves the file marked unfinished (38) instead of clean, and a file that another
// process left unfinished stays marked so until it is repaired.
#include "tests/tools/crash/crash_support.h"
#include "tests/btree/process_support.h"
#include "tests/btree/files_support.h"

#include <cerrno>
#include <cstring>
#include <set>

#include <gtest/gtest.h>

using namespace velk::crashtest;

namespace {

int lastCode() { return lioLastErr()->code; }

class IoSeam : public ::testing::Test {
protected:
    void SetUp() override
    {
        lioInit();
        lioClearErr();
        data_ = dir_.path() + "/data.dat";
        ASSERT_EQ(lioCreat(data_.c_str(), 16, LIO_DATAFILE, 0, 0), 0);
    }
    void TearDown() override { lioIoFault(-1, 0, 0); }

    // A data file with one record, open in the given mode.
    LioFile *openWithRecord(int mode)
    {
        LioFile *fd = lioOpen(data_.c_str(), mode);
        if (!fd) return nullptr;
        char rec[16] = "record one";
        if (lioAvl(fd) != 1 || lioWrite(fd, 1, rec) != 16) return nullptr;
        return fd;
    }

    DbDir dir_;
    std::string data_;
};

} // namespace

TEST_F(IoSeam, CountsAndFailsTheCallsAskedFor)
{
    LioFile *fd = openWithRecord(LIO_EXCL | LIO_RDWR);
    ASSERT_NE(fd, nullptr);
    char buf[16];
    lioIoFault(0, 0, 0);
    EXPECT_EQ(lioRead(fd, 1, buf), 16);
    EXPECT_EQ(lioRead(fd, 1, buf), 16);
    EXPECT_EQ(lioIoCalls(), 2) << "an exclusive read is one pread";

    lioIoFault(2, ENOSPC, 0);
    EXPECT_EQ(lioRead(fd, 1, buf), 16);
    EXPECT_EQ(lioRead(fd, 1, buf), -1);
    EXPECT_EQ(lastCode(), LIO_E_READ);
    EXPECT_EQ(lioRead(fd, 1, buf), 16) << "a fault once fails one call";

    lioIoFault(1, EIO, 1);
    EXPECT_EQ(lioRead(fd, 1, buf), -1);
    EXPECT_EQ(lioRead(fd, 1, buf), -1) << "a persistent fault fails every later call";
    EXPECT_EQ(lioIoCalls(), 2);

    lioIoFault(-1, 0, 0);
    EXPECT_EQ(lioRead(fd, 1, buf), 16);
    EXPECT_EQ(lioIoCalls(), 0) << "disarmed, nothing is counted";
    EXPECT_EQ(lioClose(fd), 0);
}

TEST_F(IoSeam, AFailingLockRequestAnswersAtOnce)
{
    LioFile *fd = openWithRecord(LIO_SHARED | LIO_RDWR);
    ASSERT_NE(fd, nullptr);
    char buf[16];
    lioIoFault(1, EIO, 1);
    EXPECT_EQ(lioRead(fd, 1, buf), -1);
    EXPECT_EQ(lastCode(), LIO_E_LOCK);
    EXPECT_EQ(lioIoCalls(), 1) << "an I/O error is no contention: the request is not repeated";
    lioIoFault(-1, 0, 0);
    EXPECT_TRUE(byte0Free(data_));
    EXPECT_EQ(lioRead(fd, 1, buf), 16);
    EXPECT_EQ(lioClose(fd), 0);
}

// Inserting into an order-1 index splits pages up to the root; every failing call of the
// insert must leave either a sound tree marked clean or a file marked 38.
TEST_F(IoSeam, AnInsertCutShortIsNeverMarkedClean)
{
    std::string ndx = dir_.path() + "/index.ndx";
    int old = lioSetOrder(1);
    ASSERT_EQ(lioCreat(ndx.c_str(), 4, LIO_KEY_BINARY, 0, 10), 0);
    lioSetOrder(old);
    std::string tpl = dir_.path() + "/index.tpl";
    {
        LioFile *fd = lioOpen(ndx.c_str(), LIO_SHARED | LIO_RDWR);
        ASSERT_NE(fd, nullptr);
        for (int i = 1; i <= 14; i++) {
            unsigned char k[4] = {0, 0, 0, (unsigned char)(i * 2)};
            ASSERT_EQ(lioInsert(fd, k, i), i);
        }
        ASSERT_EQ(lioClose(fd), 0);
        velk::apptest::writeFileBytes(tpl, velk::apptest::readFileBytes(ndx));
    }
    const unsigned char newKey[4] = {0, 0, 0, 15};
    int total = 0, cutShort = 0;
    for (int nth = 1; total == 0 || nth <= total; nth++) {
        SCOPED_TRACE("call " + std::to_string(nth));
        velk::apptest::writeFileBytes(ndx, velk::apptest::readFileBytes(tpl));
        LioFile *fd = lioOpen(ndx.c_str(), LIO_SHARED | LIO_RDWR);
        ASSERT_NE(fd, nullptr);
        lioIoFault(total == 0 ? 0 : nth, EIO, 1);
        int rc = lioInsert(fd, newKey, 99);
        int calls = lioIoCalls();
        lioIoFault(-1, 0, 0);
        if (total == 0) {
            ASSERT_EQ(rc, 99);
            total = calls;
            nth = 0;
            lioClose(fd);
            continue;
        }
        EXPECT_TRUE(byte0Free(ndx));
        lioClose(fd);
        if (velk::apptest::headerWord(ndx, 0, LIO_H_MARK) != LIO_MARK_CLEAN) {
            cutShort++;
            continue;
        }
        ASSERT_EQ(rc, -1);
        // marked clean: every old key reachable in order, the count in the header right
        fd = lioOpen(ndx.c_str(), LIO_EXCL | LIO_RDONLY);
        ASSERT_NE(fd, nullptr);
        unsigned char k[4];
        std::set<int> seen;
        for (int r = lioFirst(fd, k), last = -1; r > 0 && r != last; last = r, r = lioNext(fd, k))
            seen.insert(k[3]);
        EXPECT_EQ((int)seen.size(), lioSize(fd));
        for (int i = 1; i <= 14; i++) EXPECT_TRUE(seen.count(i * 2)) << "key " << i * 2 << " lost";
        lioClose(fd);
    }
    EXPECT_GT(cutShort, 0) << "no fault hit the insert after its first write";
}

// A peer that died inside an operation left mark 38; an operation of a surviving process must
// not mark the file clean, or the next open would trust a half-changed file.
TEST_F(IoSeam, AFileLeftUnfinishedStaysMarked)
{
    ASSERT_EQ(createSets(dir_.path()), 0);
    Bt3File *fd = openSet(dir_.path(), Table);
    ASSERT_NE(fd, nullptr);
    ASSERT_GT(addRecord(fd, Table, "AAAA0001", 1), 0);
    std::string dat = dir_.base(Table) + ".dat";
    velk::apptest::setHeaderWord(dat, 0, LIO_H_MARK, LIO_MARK_DIRTY);
    EXPECT_GT(addRecord(fd, Table, "AAAA0002", 1), 0);
    EXPECT_EQ(velk::apptest::headerWord(dat, 0, LIO_H_MARK), LIO_MARK_DIRTY);
    EXPECT_EQ(bt3Close(fd), 0);
    EXPECT_EQ(velk::apptest::headerWord(dat, 0, LIO_H_MARK), LIO_MARK_DIRTY);
    EXPECT_EQ(openSet(dir_.path(), Table), nullptr);
    EXPECT_EQ(lastCode(), LIO_E_CORRUPT);

    Bt3File *blob = openSet(dir_.path(), Blob);
    ASSERT_NE(blob, nullptr);
    std::string mp = dir_.base(Blob) + ".mp";
    velk::apptest::setFileWord(mp, VL_H_MARK * 4, LIO_MARK_DIRTY);
    EXPECT_GT(addRecord(blob, Blob, "AAAA0001", 1), 0);
    EXPECT_EQ(bt3Close(blob), 0);
    EXPECT_EQ(velk::apptest::fileWord(mp, VL_H_MARK * 4), LIO_MARK_DIRTY);
}

// A rewrite refused because another process holds the record moves the keys back without any
// I/O failing: the set is as it was and must stay marked clean.
TEST_F(IoSeam, ARefusedRewriteLeavesTheFilesClean)
{
    ASSERT_EQ(createSets(dir_.path()), 0);
    for (SetKind k : {Table, Blob}) {
        SCOPED_TRACE(setName(k));
        Bt3File *fd = openSet(dir_.path(), k);
        ASSERT_NE(fd, nullptr);
        ASSERT_GT(addRecord(fd, k, "AAAA0001", 1), 0);
        velk::apptest::Signal locked, release;
        pid_t pid = velk::apptest::spawn([&] {
            Bt3File *own = openSet(dir_.path(), k);
            char *buf = bt3GetBuff(own, 300);
            memset(buf, 0, 300);
            memcpy(buf, "AAAA0001", 8);
            if (!own || bt3Find(own, buf, 5) <= 0 || bt3Lock(own) < 0) return 1;
            locked.post();
            return release.wait() ? 0 : 2;
        });
        ASSERT_TRUE(locked.wait());
        EXPECT_EQ(rewriteRecord(fd, k, "AAAA0001", "BBBB0001", 2), -1);
        EXPECT_EQ(lastCode(), LIO_E_RECLOCK);
        release.post();
        EXPECT_EQ(velk::apptest::waitFor(pid), 0);
        for (const std::string &f : setFiles(dir_.path(), k)) {
            if (f.size() > 3 && f.compare(f.size() - 3, 3, ".st") == 0) continue;
            int mark = f.compare(f.size() - 3, 3, ".mp") == 0
                           ? velk::apptest::fileWord(f, VL_H_MARK * 4)
                           : velk::apptest::headerWord(f, 0, LIO_H_MARK);
            EXPECT_EQ(mark, LIO_MARK_CLEAN) << f;
        }
        Contents c;
        std::string why;
        ASSERT_TRUE(scanSet(fd, k, &c, &why)) << why;
        EXPECT_EQ(c, (Contents{{"AAAA0001", 1}}));
        EXPECT_EQ(bt3Close(fd), 0);
    }
}
