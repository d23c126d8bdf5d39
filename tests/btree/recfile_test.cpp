// Record files on disk: header words after each step of a file's life, record and page layout,
// the deletion marker and free chain, open modes, and the clean/modified mark.
#include <sys/wait.h>
#include <unistd.h>

#include "tests/btree/engine_support.h"

namespace velk::apptest {
namespace {

const unsigned char kMarker[5] = {0x1B, 'd', 'e', 'l', 0x1B};

constexpr int kRecLen = 16;
constexpr int kStash = 8;
constexpr long kFirstRec = LIO_HDRSIZE + kStash;

Bytes record(int n)
{
    Bytes r(kRecLen);
    for (int i = 0; i < kRecLen; ++i) r[size_t(i)] = (unsigned char)(n * 16 + i);
    return r;
}

long recordOffset(int n) { return kFirstRec + long(n - 1) * kRecLen; }

std::vector<int> memHeader(LioFile *fd)
{
    std::vector<int> w(LIO_HDRWORDS, -7);
    EXPECT_EQ(lioHeader(fd, w.data()), 0);
    return w;
}

class RecordFileTest : public EngineTest {
protected:
    std::string path_ = dir_.file("data");

    void createData(int stash = kStash)
    {
        ASSERT_EQ(lioCreat(path_.c_str(), kRecLen, LIO_DATAFILE, stash, 1), 0) << lastCode();
    }

    // Creates the data file with records 1..count holding record(n).
    void createWithRecords(int count)
    {
        createData();
        OpenFile f(lioOpen(path_.c_str(), LIO_EXCL | LIO_RDWR));
        ASSERT_NE(f.get(), nullptr);
        for (int n = 1; n <= count; ++n) {
            ASSERT_EQ(lioAvl(f.get()), n);
            ASSERT_EQ(lioWrite(f.get(), n, record(n).data()), kRecLen);
        }
        ASSERT_EQ(f.close(), 0);
    }
};

TEST_F(RecordFileTest, CreateWritesCleanHeaderAndZeroStash)
{
    createData();
    ASSERT_EQ(fileSize(path_), kFirstRec);
    auto w = headerWords(path_, 0);
    EXPECT_EQ(w[LIO_H_MAGIC], 310);
    EXPECT_EQ(w[LIO_H_HDRSIZE], 340);
    EXPECT_EQ(w[LIO_H_NFILES], 1);
    EXPECT_EQ(w[LIO_H_EOF], kFirstRec);
    EXPECT_EQ(w[LIO_H_STASH], kStash);
    EXPECT_EQ(w[LIO_H_MARK], LIO_MARK_CLEAN);
    EXPECT_EQ(w[LIO_H_MAXFILES], 1);
    EXPECT_EQ(w[7], 0);
    EXPECT_EQ(w[LIO_H_LIVE], 0);
    EXPECT_EQ(w[LIO_H_DELETED], 0);
    EXPECT_EQ(w[LIO_H_FREE], 0);
    EXPECT_EQ(w[LIO_H_SERIAL], 0);
    EXPECT_EQ(w[LIO_H_TYPE], LIO_DATAFILE);
    EXPECT_EQ(w[LIO_H_RECLEN], kRecLen);
    EXPECT_EQ(w[21], 0);
    EXPECT_EQ(w[LIO_H_OPENCOUNT], 0);
    EXPECT_EQ(w[LIO_H_OWNER], 0);
    EXPECT_EQ(w[LIO_H_NLOCKS], 0);
    for (int i = LIO_H_LOCKS; i < LIO_HDRWORDS; ++i)
        EXPECT_EQ(w[size_t(i)], 0) << "lock table word " << i;
    EXPECT_EQ(fileRange(path_, LIO_HDRSIZE), Bytes(kStash, 0));
}

TEST_F(RecordFileTest, HeaderWordsThroughAddFreeFlushAndClose)
{
    createData();
    const int createdModCount = headerWord(path_, 0, LIO_H_MODCOUNT);

    OpenFile f(lioOpen(path_.c_str(), LIO_EXCL | LIO_RDWR));
    LioFile *fd = f.get();
    ASSERT_NE(fd, nullptr);
    EXPECT_EQ(headerWord(path_, 0, LIO_H_OPENCOUNT), 1);
    EXPECT_EQ(headerWord(path_, 0, LIO_H_MARK), LIO_MARK_CLEAN) << "opening is no change";

    // Add: the first change marks the file modified on disk before anything else is written.
    ASSERT_EQ(lioAvl(fd), 1);
    EXPECT_EQ(headerWord(path_, 0, LIO_H_MARK), LIO_MARK_DIRTY);
    int modCount = memHeader(fd)[LIO_H_MODCOUNT];
    for (int n = 1; n <= 5; ++n) {
        if (n > 1) {
            ASSERT_EQ(lioAvl(fd), n);
        }
        ASSERT_EQ(lioWrite(fd, n, record(n).data()), kRecLen);
        int now = memHeader(fd)[LIO_H_MODCOUNT];
        EXPECT_GT(now, modCount) << "a record write counts as a modification";
        modCount = now;
        EXPECT_EQ(fileRange(path_, recordOffset(n), recordOffset(n + 1)), record(n))
            << "record " << n << " is on disk at once";
    }
    auto w = memHeader(fd);
    EXPECT_EQ(w[LIO_H_LIVE], 5);
    EXPECT_EQ(w[LIO_H_DELETED], 0);
    EXPECT_EQ(w[LIO_H_EOF], recordOffset(6));
    EXPECT_EQ(lioSize(fd), 5);

    // Free 3, then 5: each freed record carries the marker and the previous chain head.
    ASSERT_EQ(lioFree(fd, 3), 0);
    Bytes freed = fileRange(path_, recordOffset(3), recordOffset(4));
    EXPECT_TRUE(hasDeletionMarker(freed.data()));
    EXPECT_EQ(loadWord(freed.data() + 5), 0);
    EXPECT_EQ(Bytes(freed.begin() + 9, freed.end()), Bytes(kRecLen - 9, 0));
    w = memHeader(fd);
    EXPECT_EQ(w[LIO_H_LIVE], 4);
    EXPECT_EQ(w[LIO_H_DELETED], 1);
    EXPECT_EQ(w[LIO_H_FREE], 3);

    ASSERT_EQ(lioFree(fd, 5), 0);
    freed = fileRange(path_, recordOffset(5), recordOffset(6));
    EXPECT_TRUE(hasDeletionMarker(freed.data()));
    EXPECT_EQ(loadWord(freed.data() + 5), 3);
    w = memHeader(fd);
    EXPECT_EQ(w[LIO_H_LIVE], 3);
    EXPECT_EQ(w[LIO_H_DELETED], 2);
    EXPECT_EQ(w[LIO_H_FREE], 5);
    EXPECT_EQ(w[LIO_H_EOF], recordOffset(6)) << "freeing does not shrink the file";
    EXPECT_EQ(lioSize(fd), 3);
    for (int n : {1, 2, 4})
        EXPECT_EQ(fileRange(path_, recordOffset(n), recordOffset(n + 1)), record(n));
    EXPECT_EQ(checkDataFile(fd), "");

    // Flush: the header on disk catches up and is marked clean.
    ASSERT_EQ(lioFlush(fd), 0);
    auto d = headerWords(path_, 0);
    EXPECT_EQ(d[LIO_H_MARK], LIO_MARK_CLEAN);
    EXPECT_EQ(d[LIO_H_LIVE], 3);
    EXPECT_EQ(d[LIO_H_DELETED], 2);
    EXPECT_EQ(d[LIO_H_FREE], 5);
    EXPECT_EQ(d[LIO_H_EOF], recordOffset(6));
    EXPECT_EQ(d[LIO_H_OPENCOUNT], 1);
    EXPECT_GT(d[LIO_H_MODCOUNT], createdModCount);

    // Close: open count back to 0, still clean, nothing else moved.
    ASSERT_EQ(f.close(), 0);
    auto c = headerWords(path_, 0);
    EXPECT_EQ(c[LIO_H_MARK], LIO_MARK_CLEAN);
    EXPECT_EQ(c[LIO_H_OPENCOUNT], 0);
    EXPECT_EQ(c[LIO_H_LIVE], 3);
    EXPECT_EQ(c[LIO_H_FREE], 5);
    EXPECT_EQ(fileSize(path_), recordOffset(6));
}

TEST_F(RecordFileTest, AllocationReusesFreedRecordsLastFreedFirst)
{
    createWithRecords(5);
    OpenFile f(lioOpen(path_.c_str(), LIO_EXCL | LIO_RDWR));
    LioFile *fd = f.get();
    ASSERT_NE(fd, nullptr);
    ASSERT_EQ(lioFree(fd, 3), 0);
    ASSERT_EQ(lioFree(fd, 1), 0);
    EXPECT_EQ(lioAvl(fd), 1);
    auto w = memHeader(fd);
    EXPECT_EQ(w[LIO_H_FREE], 3);
    EXPECT_EQ(w[LIO_H_DELETED], 1);
    EXPECT_EQ(w[LIO_H_LIVE], 4);
    EXPECT_EQ(lioAvl(fd), 3);
    EXPECT_EQ(memHeader(fd)[LIO_H_FREE], 0);
    EXPECT_EQ(memHeader(fd)[LIO_H_EOF], recordOffset(6)) << "reuse does not grow the file";
    EXPECT_EQ(lioAvl(fd), 6);
    w = memHeader(fd);
    EXPECT_EQ(w[LIO_H_LIVE], 6);
    EXPECT_EQ(w[LIO_H_DELETED], 0);
    EXPECT_EQ(w[LIO_H_EOF], recordOffset(7));
    ASSERT_EQ(lioWrite(fd, 6, record(6).data()), kRecLen);
    EXPECT_EQ(checkDataFile(fd), "");
}

TEST_F(RecordFileTest, RecordNumbersOutsideTheFileAreRefused)
{
    createWithRecords(3);
    OpenFile f(lioOpen(path_.c_str(), LIO_EXCL | LIO_RDWR));
    LioFile *fd = f.get();
    ASSERT_NE(fd, nullptr);
    ASSERT_EQ(lioFree(fd, 2), 0); // live 2 + deleted 1: numbers 1..3 are valid
    ASSERT_EQ(lioFlush(fd), 0);
    const Bytes before = readFileBytes(path_);
    Bytes buf(kRecLen);
    for (int rec : {0, -1, 4, 1000000}) {
        lioClearErr();
        EXPECT_EQ(lioRead(fd, rec, buf.data()), -1) << rec;
        EXPECT_EQ(lastCode(), LIO_E_RECNO) << rec;
        lioClearErr();
        EXPECT_EQ(lioWrite(fd, rec, record(9).data()), -1) << rec;
        EXPECT_EQ(lastCode(), LIO_E_RECNO) << rec;
        lioClearErr();
        EXPECT_EQ(lioFree(fd, rec), -1) << rec;
        EXPECT_EQ(lastCode(), LIO_E_BADREC) << rec;
    }
    EXPECT_EQ(readFileBytes(path_), before) << "refused calls write nothing";
    EXPECT_EQ(lioRead(fd, 3, buf.data()), kRecLen);
    EXPECT_EQ(buf, record(3));
    EXPECT_EQ(lioRead(fd, 2, buf.data()), kRecLen) << "a freed record can still be read";
    EXPECT_TRUE(hasDeletionMarker(buf.data()));
}

TEST_F(RecordFileTest, StashLiesBetweenHeaderAndRecords)
{
    createData(24);
    OpenFile f(lioOpen(path_.c_str(), LIO_EXCL | LIO_RDWR));
    LioFile *fd = f.get();
    ASSERT_NE(fd, nullptr);
    Bytes stash(24);
    for (int i = 0; i < 24; ++i) stash[size_t(i)] = (unsigned char)(0xA0 + i);
    EXPECT_EQ(lioWStash(fd, stash.data()), 24);
    ASSERT_EQ(lioAvl(fd), 1);
    ASSERT_EQ(lioWrite(fd, 1, record(1).data()), kRecLen);
    ASSERT_EQ(f.close(), 0);

    EXPECT_EQ(fileRange(path_, 340, 364), stash);
    EXPECT_EQ(fileRange(path_, 364, 380), record(1));
    EXPECT_EQ(headerWord(path_, 0, LIO_H_EOF), 380);

    f.reset(lioOpen(path_.c_str(), LIO_EXCL | LIO_RDWR));
    ASSERT_NE(f.get(), nullptr);
    Bytes back(24, 0);
    EXPECT_EQ(lioRStash(f.get(), back.data()), 24);
    EXPECT_EQ(back, stash);
}

TEST_F(RecordFileTest, CreatingAnExistingFileFailsAndLeavesItUntouched)
{
    createWithRecords(2);
    const Bytes before = readFileBytes(path_);
    EXPECT_EQ(lioCreat(path_.c_str(), 40, LIO_DATAFILE, 0, 1), -1);
    EXPECT_EQ(lastCode(), LIO_E_EXISTS);
    lioClearErr();
    EXPECT_EQ(lioCreat(path_.c_str(), 8, LIO_KEY_BINARY, 0, 3), -1);
    EXPECT_EQ(lastCode(), LIO_E_EXISTS);
    EXPECT_EQ(readFileBytes(path_), before);
}

TEST_F(RecordFileTest, ModeWordKeepsOneSharingBitAndAddsWriteThrough)
{
    createWithRecords(1);
    OpenFile f(lioOpen(path_.c_str(), LIO_EXCL | LIO_RDWR));
    LioFile *fd = f.get();
    ASSERT_NE(fd, nullptr);
    EXPECT_EQ(lioSetMode(fd, 0), 0x4005);
    EXPECT_EQ(lioSetMode(fd, LIO_WCLEAN), 0x400C) << "8 implies 4; no sharing bit keeps exclusive";
    EXPECT_EQ(lioSetMode(fd, LIO_EXCL | LIO_RDWR), 0x4005);
    for (int bad : {LIO_SHARED | LIO_EXCL | LIO_RDWR, LIO_EXCL | LIO_RDWR | LIO_RDONLY,
                    LIO_EXCL | LIO_WCLEAN | LIO_RDLOCK}) {
        lioClearErr();
        EXPECT_EQ(lioSetMode(fd, bad), -1) << std::hex << bad;
        EXPECT_EQ(lastCode(), LIO_E_BADARG) << std::hex << bad;
    }
    EXPECT_EQ(lioSetMode(fd, 0), 0x4005) << "a refused mode changes nothing";
    EXPECT_EQ(lioSetMode(fd, lioSetMode(fd, 0)), 0x4005) << "a mode read back can be set again";
    ASSERT_EQ(f.close(), 0);

    f.reset(lioOpen(path_.c_str(), LIO_RDWR));
    ASSERT_NE(f.get(), nullptr);
    EXPECT_EQ(lioSetMode(f.get(), 0), 0x4005) << "an open without sharing bit is exclusive";
    ASSERT_EQ(f.close(), 0);

    lioClearErr();
    EXPECT_EQ(lioOpen(path_.c_str(), LIO_SHARED | LIO_EXCL | LIO_RDWR), nullptr);
    EXPECT_EQ(lastCode(), LIO_E_BADARG);
    EXPECT_EQ(headerWord(path_, 0, LIO_H_OPENCOUNT), 0);
}

TEST_F(RecordFileTest, ReadOnlyModeRefusesEveryWrite)
{
    createWithRecords(3);
    const Bytes records = fileRange(path_, kFirstRec);
    OpenFile f(lioOpen(path_.c_str(), LIO_EXCL | LIO_RDONLY));
    LioFile *fd = f.get();
    ASSERT_NE(fd, nullptr);
    EXPECT_EQ(lioSetMode(fd, 0), 0x4006);
    Bytes buf(kRecLen);
    EXPECT_EQ(lioRead(fd, 2, buf.data()), kRecLen);
    EXPECT_EQ(buf, record(2));
    EXPECT_EQ(lioWrite(fd, 2, record(7).data()), -1);
    EXPECT_EQ(lastCode(), LIO_E_RDONLY);
    EXPECT_EQ(lioFree(fd, 2), -1);
    EXPECT_EQ(lastCode(), LIO_E_RDONLY);
    EXPECT_EQ(lioAvl(fd), -1);
    EXPECT_EQ(lastCode(), LIO_E_MODE);
    ASSERT_EQ(f.close(), 0);
    EXPECT_EQ(fileRange(path_, kFirstRec), records);
    EXPECT_EQ(headerWord(path_, 0, LIO_H_MARK), LIO_MARK_CLEAN);
    EXPECT_EQ(headerWord(path_, 0, LIO_H_LIVE), 3);
}

TEST_F(RecordFileTest, WriteCleanModeRewritesCleanMarkAfterFree)
{
    createWithRecords(3);
    OpenFile f(lioOpen(path_.c_str(), LIO_EXCL | LIO_WCLEAN));
    ASSERT_NE(f.get(), nullptr);
    ASSERT_EQ(lioFree(f.get(), 2), 0);
    auto d = headerWords(path_, 0);
    EXPECT_EQ(d[LIO_H_MARK], LIO_MARK_CLEAN);
    EXPECT_EQ(d[LIO_H_FREE], 2);
    EXPECT_EQ(d[LIO_H_DELETED], 1);
    EXPECT_EQ(d[LIO_H_LIVE], 2);
}

TEST_F(RecordFileTest, FreeMarksFileModifiedInNormalMode)
{
    createWithRecords(3);
    OpenFile f(lioOpen(path_.c_str(), LIO_EXCL | LIO_RDWR));
    ASSERT_NE(f.get(), nullptr);
    ASSERT_EQ(lioFree(f.get(), 2), 0);
    EXPECT_EQ(headerWord(path_, 0, LIO_H_MARK), LIO_MARK_DIRTY);
    ASSERT_EQ(lioFlush(f.get()), 0);
    EXPECT_EQ(headerWord(path_, 0, LIO_H_MARK), LIO_MARK_CLEAN);
    EXPECT_EQ(headerWord(path_, 0, LIO_H_FREE), 2);
}

// A process that dies with the file open leaves the modified mark; the next open gets the file
// read-only and shared, with error 142 recorded, and closing it writes nothing.
TEST_F(RecordFileTest, UncleanCloseLeavesModifiedMarkAndReopensReadOnly)
{
    createWithRecords(2);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        LioFile *fd = lioOpen(path_.c_str(), LIO_EXCL | LIO_RDWR);
        int ok = fd && lioAvl(fd) == 3 && lioWrite(fd, 3, record(3).data()) == kRecLen;
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_EQ(headerWord(path_, 0, LIO_H_MARK), LIO_MARK_DIRTY);
    EXPECT_EQ(fileRange(path_, recordOffset(3), recordOffset(4)), record(3));

    const Bytes body = fileRange(path_, kFirstRec);
    OpenFile f(lioOpen(path_.c_str(), LIO_EXCL | LIO_RDWR));
    LioFile *fd = f.get();
    ASSERT_NE(fd, nullptr);
    EXPECT_EQ(lastCode(), LIO_E_CORRUPT);
    EXPECT_EQ(lioSetMode(fd, 0), 0x8006);
    Bytes buf(kRecLen);
    EXPECT_EQ(lioRead(fd, 1, buf.data()), kRecLen);
    EXPECT_EQ(buf, record(1));
    EXPECT_EQ(lioWrite(fd, 1, record(8).data()), -1);
    EXPECT_EQ(lastCode(), LIO_E_RDONLY);
    EXPECT_EQ(lioFree(fd, 1), -1);
    EXPECT_EQ(lastCode(), LIO_E_RDONLY);
    EXPECT_EQ(lioAvl(fd), -1);
    EXPECT_EQ(lastCode(), LIO_E_MODE);
    const Bytes afterOpen = readFileBytes(path_);
    ASSERT_EQ(f.close(), 0);
    EXPECT_EQ(readFileBytes(path_), afterOpen) << "closing a read-only file writes nothing";
    EXPECT_EQ(headerWord(path_, 0, LIO_H_MARK), LIO_MARK_DIRTY);
    EXPECT_EQ(fileRange(path_, kFirstRec), body);
}

// In shared mode every change leaves the header on disk current and clean.
TEST_F(RecordFileTest, SharedModeWritesCleanHeaderAfterEachChange)
{
    createWithRecords(1);
    OpenFile f(lioOpen(path_.c_str(), LIO_SHARED | LIO_RDWR));
    LioFile *fd = f.get();
    ASSERT_NE(fd, nullptr) << lastCode();
    EXPECT_EQ(lioSetMode(fd, 0), 0x8005);
    ASSERT_EQ(lioAvl(fd), 2);
    EXPECT_EQ(headerWord(path_, 0, LIO_H_MARK), LIO_MARK_CLEAN);
    EXPECT_EQ(headerWord(path_, 0, LIO_H_LIVE), 2);
    EXPECT_EQ(headerWord(path_, 0, LIO_H_EOF), recordOffset(3));
    ASSERT_EQ(lioWrite(fd, 2, record(2).data()), kRecLen);
    EXPECT_EQ(headerWord(path_, 0, LIO_H_MARK), LIO_MARK_CLEAN);
    ASSERT_EQ(lioFree(fd, 1), 0);
    auto d = headerWords(path_, 0);
    EXPECT_EQ(d[LIO_H_MARK], LIO_MARK_CLEAN);
    EXPECT_EQ(d[LIO_H_FREE], 1);
    EXPECT_EQ(d[LIO_H_DELETED], 1);
    EXPECT_EQ(d[LIO_H_LIVE], 1);
    EXPECT_EQ(checkDataFile(fd), "");
}

// The I/O counter sees every lock request, release included, and every byte written: a change
// in shared mode locks and unlocks byte 0 and writes the record and the header; the same change
// by the exclusive owner asks for no lock at all.
TEST_F(RecordFileTest, IoCounterCountsLockRequestsAndBytes)
{
    createWithRecords(1);
    struct Case {
        int mode;
        long long locks;
    } cases[] = {{LIO_SHARED | LIO_RDWR, 2}, {LIO_EXCL | LIO_RDWR, 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.mode);
        OpenFile f(lioOpen(path_.c_str(), c.mode));
        ASSERT_NE(f.get(), nullptr) << lastCode();
        LioIoCount before, written, after;
        lioIoCount(&before);
        ASSERT_EQ(lioWrite(f.get(), 1, record(7).data()), kRecLen);
        lioIoCount(&written);
        ASSERT_EQ(lioFlush(f.get()), 0);
        lioIoCount(&after);
        EXPECT_EQ(written.lockCalls - before.lockCalls, c.locks);
        EXPECT_GE(after.writeCalls - before.writeCalls, 2);
        EXPECT_GE(after.writeBytes - before.writeBytes, kRecLen + LIO_HDRSIZE);
        EXPECT_EQ(fileRange(path_, recordOffset(1), recordOffset(2)), record(7));
    }
}

// ---- index files ----

class IndexFileTest : public EngineTest {
protected:
    std::string path_ = dir_.file("index");
};

TEST_F(IndexFileTest, CreateWritesFirstSubFileAndZeroedHeaderSlots)
{
    OrderGuard order(2);
    ASSERT_EQ(lioCreat(path_.c_str(), 8, LIO_KEY_BINARY, 0, 3), 0) << lastCode();
    ASSERT_EQ(fileSize(path_), 3 * 340);
    auto w = headerWords(path_, 0);
    EXPECT_EQ(w[LIO_H_MAGIC], 310);
    EXPECT_EQ(w[LIO_H_HDRSIZE], 340);
    EXPECT_EQ(w[LIO_H_NFILES], 1);
    EXPECT_EQ(w[LIO_H_EOF], 1020);
    EXPECT_EQ(w[LIO_H_MARK], LIO_MARK_CLEAN);
    EXPECT_EQ(w[LIO_H_MAXFILES], 3);
    EXPECT_EQ(w[LIO_H_LIVE], 0);
    EXPECT_EQ(w[LIO_H_DELETED], 0);
    EXPECT_EQ(w[LIO_H_FREE], 0);
    EXPECT_EQ(w[LIO_H_KEYS], 0);
    EXPECT_EQ(w[LIO_H_ROOT], 0);
    EXPECT_EQ(w[LIO_H_SERIAL], 0);
    EXPECT_EQ(w[LIO_H_DUPS], 0);
    EXPECT_EQ(w[LIO_H_DIR], 1);
    EXPECT_EQ(w[LIO_H_KEYLEN], 8);
    EXPECT_EQ(w[LIO_H_TYPE], LIO_KEY_BINARY);
    EXPECT_EQ(w[LIO_H_ORDER], 2);
    EXPECT_EQ(w[LIO_H_RECLEN], (8 + 8) * 4 + 8);
    EXPECT_EQ(w[LIO_H_OPENCOUNT], 0);
    EXPECT_EQ(w[LIO_H_OWNER], 0);
    EXPECT_EQ(w[LIO_H_NLOCKS], 0);
    EXPECT_EQ(fileRange(path_, 340, 1020), Bytes(680, 0)) << "undefined sub-file headers are zeros";
}

TEST_F(IndexFileTest, SecondSubFileGetsItsOwnHeader)
{
    ASSERT_EQ(lioCreat(path_.c_str(), 8, LIO_KEY_BINARY, 0, 3), 0);
    {
        OrderGuard order(3);
        OpenFile f(lioOpen(path_.c_str(), LIO_EXCL | LIO_RDWR));
        ASSERT_NE(f.get(), nullptr);
        LioFile *sub = lioInxCreat(f.get(), 6, LIO_KEY_CHAR | LIO_KEY_DUPS | LIO_KEY_DESC);
        ASSERT_NE(sub, nullptr) << lastCode();
        EXPECT_EQ(lioSubFile(f.get(), 2), sub);
        EXPECT_EQ(lioSubFile(f.get(), 1), f.get());
        ASSERT_EQ(f.close(), 0);
    }
    auto first = headerWords(path_, 0);
    EXPECT_EQ(first[LIO_H_NFILES], 2);
    EXPECT_EQ(first[LIO_H_MARK], LIO_MARK_CLEAN);
    EXPECT_EQ(first[LIO_H_OPENCOUNT], 0);
    auto w = headerWords(path_, 1);
    EXPECT_EQ(w[LIO_H_MAGIC], 310);
    EXPECT_EQ(w[LIO_H_HDRSIZE], 340);
    EXPECT_EQ(w[LIO_H_MARK], LIO_MARK_CLEAN);
    EXPECT_EQ(w[LIO_H_MAXFILES], 3);
    EXPECT_EQ(w[LIO_H_LIVE], 0);
    EXPECT_EQ(w[LIO_H_ROOT], 0);
    EXPECT_EQ(w[LIO_H_DUPS], 1);
    EXPECT_EQ(w[LIO_H_DIR], -1);
    EXPECT_EQ(w[LIO_H_KEYLEN], 10) << "room for the duplicate serial";
    EXPECT_EQ(w[LIO_H_TYPE], LIO_KEY_CHAR | LIO_KEY_DUPS | LIO_KEY_DESC);
    EXPECT_EQ(w[LIO_H_ORDER], 3);
    EXPECT_EQ(w[LIO_H_RECLEN], (10 + 8) * 6 + 8);
    EXPECT_EQ(fileRange(path_, 680, 1020), Bytes(340, 0));

    OpenFile f(lioOpen(path_.c_str(), LIO_EXCL | LIO_RDWR));
    ASSERT_NE(f.get(), nullptr);
    EXPECT_NE(lioSubFile(f.get(), 2), nullptr);
    EXPECT_EQ(lioSubFile(f.get(), 3), nullptr);
    EXPECT_EQ(lioDup(lioSubFile(f.get(), 2)), 1);
    EXPECT_EQ(lioDup(f.get()), 0);
}

// Order 2, key length 8: pages of 72 bytes after the 340-byte header area.
TEST_F(IndexFileTest, PageLayoutSplitAndFreedPagesOnDisk)
{
    OrderGuard order(2);
    constexpr long A = 340, P = 72;
    ASSERT_EQ(lioCreat(path_.c_str(), 8, LIO_KEY_BINARY, 0, 1), 0);
    OpenFile f(lioOpen(path_.c_str(), LIO_EXCL | LIO_RDWR));
    LioFile *fd = f.get();
    ASSERT_NE(fd, nullptr);
    for (int k = 1; k <= 4; ++k) ASSERT_EQ(lioInsert(fd, binKey(k, 8).data(), 100 + k), 100 + k);
    EXPECT_EQ(headerWord(path_, 0, LIO_H_MARK), LIO_MARK_DIRTY);
    ASSERT_EQ(fileSize(path_), A + P);
    Bytes page = fileRange(path_, A, A + P);
    EXPECT_EQ(page[0], 4);
    EXPECT_EQ(loadWord(page.data() + 1), 0);
    for (int i = 0; i < 4; ++i) {
        const unsigned char *item = page.data() + 5 + i * 16;
        EXPECT_EQ(Bytes(item, item + 8), binKey(i + 1, 8)) << i;
        EXPECT_EQ(loadWord(item + 8), 0) << "leaf child " << i;
        EXPECT_EQ(loadWord(item + 12), 101 + i) << "record number " << i;
    }

    // The fifth key splits the leaf: 1 2 stay, 3 rises into a new root, 4 5 move to a new page.
    ASSERT_EQ(lioInsert(fd, binKey(5, 8).data(), 105), 105);
    ASSERT_EQ(fileSize(path_), A + 3 * P);
    Bytes left = fileRange(path_, A, A + P), right = fileRange(path_, A + P, A + 2 * P),
          root = fileRange(path_, A + 2 * P, A + 3 * P);
    EXPECT_EQ(left[0], 2);
    EXPECT_EQ(Bytes(left.begin() + 5 + 16, left.begin() + 5 + 24), binKey(2, 8));
    EXPECT_EQ(right[0], 2);
    EXPECT_EQ(Bytes(right.begin() + 5, right.begin() + 13), binKey(4, 8));
    EXPECT_EQ(loadWord(right.data() + 5 + 16 + 12), 105);
    EXPECT_EQ(root[0], 1);
    EXPECT_EQ(loadWord(root.data() + 1), A) << "p0 of the new root is the old root";
    EXPECT_EQ(Bytes(root.begin() + 5, root.begin() + 13), binKey(3, 8));
    EXPECT_EQ(loadWord(root.data() + 13), A + P) << "the risen item points to the new page";
    EXPECT_EQ(loadWord(root.data() + 17), 103);

    ASSERT_EQ(lioFlush(fd), 0);
    auto w = headerWords(path_, 0);
    EXPECT_EQ(w[LIO_H_MARK], LIO_MARK_CLEAN);
    EXPECT_EQ(w[LIO_H_ROOT], A + 2 * P);
    EXPECT_EQ(w[LIO_H_LIVE], 3);
    EXPECT_EQ(w[LIO_H_KEYS], 5);
    EXPECT_EQ(w[LIO_H_EOF], A + 3 * P);

    // Deleting 1 merges both leaves into the first; the right leaf and then the emptied root are
    // freed, so the chain runs root -> right leaf.
    ASSERT_EQ(lioDelete(fd, binKey(1, 8).data()), 101);
    ASSERT_EQ(lioFlush(fd), 0);
    w = headerWords(path_, 0);
    EXPECT_EQ(w[LIO_H_ROOT], A);
    EXPECT_EQ(w[LIO_H_LIVE], 1);
    EXPECT_EQ(w[LIO_H_DELETED], 2);
    EXPECT_EQ(w[LIO_H_FREE], A + 2 * P);
    EXPECT_EQ(w[LIO_H_KEYS], 4);
    Bytes freedRoot = fileRange(path_, A + 2 * P, A + 3 * P);
    Bytes freedLeaf = fileRange(path_, A + P, A + 2 * P);
    EXPECT_EQ(Bytes(freedRoot.begin(), freedRoot.begin() + 5), Bytes(kMarker, kMarker + 5));
    EXPECT_EQ(loadWord(freedRoot.data() + 5), A + P);
    EXPECT_EQ(Bytes(freedLeaf.begin(), freedLeaf.begin() + 5), Bytes(kMarker, kMarker + 5));
    EXPECT_EQ(loadWord(freedLeaf.data() + 5), 0);
    EXPECT_EQ(Bytes(freedLeaf.begin() + 9, freedLeaf.end()), Bytes(P - 9, 0));
    EXPECT_EQ(fileRange(path_, A, A + 1), Bytes{4});
    EXPECT_EQ(checkIndexFile(fd), "");

    // The next split takes both freed pages instead of growing the file.
    ASSERT_EQ(lioInsert(fd, binKey(1, 8).data(), 201), 201);
    w = std::vector<int32_t>(LIO_HDRWORDS);
    ASSERT_EQ(lioHeader(fd, w.data()), 0);
    EXPECT_EQ(w[LIO_H_EOF], A + 3 * P);
    EXPECT_EQ(w[LIO_H_DELETED], 0);
    EXPECT_EQ(w[LIO_H_FREE], 0);
    EXPECT_EQ(w[LIO_H_LIVE], 3);
    EXPECT_EQ(checkIndexFile(fd), "");
}

TEST_F(IndexFileTest, UncleanIndexOpensReadOnlyAndRefusesChanges)
{
    ASSERT_EQ(lioCreat(path_.c_str(), 4, LIO_KEY_BINARY, 0, 1), 0);
    {
        OpenFile f(lioOpen(path_.c_str(), LIO_EXCL | LIO_RDWR));
        ASSERT_NE(f.get(), nullptr);
        for (int k = 1; k <= 40; ++k) ASSERT_EQ(lioInsert(f.get(), binKey(k).data(), k), k);
    }
    setHeaderWord(path_, 0, LIO_H_MARK, LIO_MARK_DIRTY);
    const Bytes pages = fileRange(path_, 340);

    OpenFile f(lioOpen(path_.c_str(), LIO_EXCL | LIO_RDWR));
    LioFile *fd = f.get();
    ASSERT_NE(fd, nullptr);
    EXPECT_EQ(lastCode(), LIO_E_CORRUPT);
    EXPECT_EQ(lioSetMode(fd, 0), 0x8006);
    EXPECT_EQ(lioSearch(fd, binKey(17).data()), 17);
    EXPECT_EQ(lioFirst(fd, nullptr), 1);
    EXPECT_EQ(lioNext(fd, nullptr), 2);
    EXPECT_EQ(lioInsert(fd, binKey(99).data(), 99), -1);
    EXPECT_EQ(lastCode(), LIO_E_BRDONLY);
    EXPECT_EQ(lioDelete(fd, binKey(17).data()), -1);
    EXPECT_EQ(lastCode(), LIO_E_BRDONLY);
    EXPECT_EQ(lioSize(fd), 40);
    const Bytes afterOpen = readFileBytes(path_);
    ASSERT_EQ(f.close(), 0);
    EXPECT_EQ(readFileBytes(path_), afterOpen);
    EXPECT_EQ(headerWord(path_, 0, LIO_H_MARK), LIO_MARK_DIRTY);
    EXPECT_EQ(fileRange(path_, 340), pages);
}

TEST_F(IndexFileTest, StashBelongsToDataFilesOnly)
{
    ASSERT_EQ(lioCreat(path_.c_str(), 4, LIO_KEY_BINARY, 0, 1), 0);
    OpenFile f(lioOpen(path_.c_str(), LIO_EXCL | LIO_RDWR));
    ASSERT_NE(f.get(), nullptr);
    Bytes buf(64, 0);
    EXPECT_EQ(lioWStash(f.get(), buf.data()), -1);
    EXPECT_EQ(lastCode(), LIO_E_FTYPE);
    lioClearErr();
    EXPECT_EQ(lioRStash(f.get(), buf.data()), -1);
    EXPECT_EQ(lastCode(), LIO_E_FTYPE);
}

} // namespace
} // namespace velk::apptest
