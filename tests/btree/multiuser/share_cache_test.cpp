// The cache of shared files: records and pages kept across operations while the modification
// counter is unchanged, readers that share the lock, and the indices read under the data file's
// lock.  Counts come from lioIoCount; other processes are forked children.
#include <cstdio>
#include <set>

#include "tests/btree/isam/isam_support.h"

using namespace isamtest;
using velk::apptest::fileSize;
using velk::apptest::readFileBytes;

namespace {

const int kLen = 40;
const int kShared = LIO_SHARED | LIO_RDWR;
const int kHeaders = 2; // reads of an operation on an unchanged set: data + index headers

// 40-byte records: key 0 binary 0..7 (the number), key 1 character with duplicates 8..11
// (a group), payload 12..39.
int kDef[] = {0, 8, 5, 8, 4, 1 | 128, -1};

Bytes record(int i, int group, const char *payload = "payload")
{
    char t[64] = {};
    snprintf(t, sizeof t, "%08dg%03d%-28.28s", i, group % 1000, payload);
    return Bytes(t, t + kLen);
}

LioIoCount counted()
{
    LioIoCount c;
    lioIoCount(&c);
    return c;
}

LioIoCount since(const LioIoCount &a)
{
    LioIoCount b = counted();
    return {b.lockCalls - a.lockCalls, b.readCalls - a.readCalls, b.readBytes - a.readBytes,
            b.writeCalls - a.writeCalls, b.writeBytes - a.writeBytes};
}

class ShareCache : public IsamTest {
protected:
    void TearDown() override
    {
        lioSetShareCache(1);
        IsamTest::TearDown();
    }

    // n records made in exclusive mode (fast), numbers 0..n-1, group i % 7.
    void make(int n)
    {
        ASSERT_EQ(bt3Creat(base_.c_str(), kLen, kDef), 0);
        Bt3File *fd = bt3Open(base_.c_str(), LIO_EXCL | LIO_RDWR);
        ASSERT_TRUE(fd);
        Buf b(fd);
        for (int i = 0; i < n; i++) {
            b.set(record(i, i % 7));
            ASSERT_EQ(bt3Add(fd, b.get()), kLen);
        }
        ASSERT_EQ(bt3Close(fd), 0);
    }

    Bt3File *openShared() { return bt3Open(base_.c_str(), kShared); }

    // Walks index 0 from the start; the records read, in order.
    std::vector<Bytes> walk(Bt3File *fd, int limit = 1 << 30)
    {
        Buf b(fd);
        std::vector<Bytes> out;
        for (int r = bt3Start(fd, b.get()); r > 0 && (int)out.size() < limit;
             r = bt3Next(fd, b.get())) {
            if (!out.empty() && bt3Status(fd) == BT3_ATEND) break;
            out.push_back(b.take(kLen));
        }
        return out;
    }

    void expectClean()
    {
        velk::apptest::OpenFile ndx(lioOpen(path(".ndx").c_str(), LIO_EXCL | LIO_RDWR));
        velk::apptest::OpenFile dat(lioOpen(path(".dat").c_str(), LIO_EXCL | LIO_RDWR));
        ASSERT_TRUE(ndx.get() && dat.get());
        EXPECT_EQ(velk::apptest::checkIndexFile(ndx.get()), "");
        EXPECT_EQ(velk::apptest::checkDataFile(dat.get()), "");
    }
};

// ---- what an unchanged set costs ----

TEST_F(ShareCache, RepeatedWalkReadsOnlyTheHeaders)
{
    make(10000);
    Bt3File *fd = openShared();
    ASSERT_TRUE(fd);
    bt3SetBatch(fd, 0); // what a single step costs
    LioIoCount a = counted();
    ASSERT_EQ(walk(fd).size(), 10000u);
    LioIoCount first = since(a);
    a = counted();
    std::vector<Bytes> again = walk(fd);
    LioIoCount second = since(a);
    ASSERT_EQ(again.size(), 10000u);
    EXPECT_EQ(again[4711], record(4711, 4711 % 7));
    long long steps = 10001; // bt3Start, 9,999 steps, and the step that finds the end
    EXPECT_EQ(second.lockCalls, 2 * steps);
    EXPECT_EQ(second.readCalls, kHeaders * steps);
    EXPECT_LT(first.readCalls, kHeaders * steps + 1000);
    printf("walk of 10,000 rows, one bracket a step: first %lld locks %lld reads, again %lld "
           "locks %lld reads\n",
           first.lockCalls, first.readCalls, second.lockCalls, second.readCalls);
    ASSERT_EQ(bt3Close(fd), 0);
}

TEST_F(ShareCache, ReadHoldWalkCostsOneLockAndFewReads)
{
    make(10000);
    Bt3File *fd = openShared();
    ASSERT_TRUE(fd);
    for (int round = 0; round < 2; round++) {
        LioIoCount a = counted();
        int mask = isamLockUp(fd, 3 | BT3_LK_READ);
        ASSERT_GE(mask, 0);
        ASSERT_EQ(walk(fd, 3000).size(), 3000u);
        ASSERT_EQ(isamUnLock(fd, mask), 0);
        LioIoCount c = since(a);
        printf("read hold, walk of 3,000 rows (%s): %lld locks %lld reads\n",
               round ? "again" : "first", c.lockCalls, c.readCalls);
        EXPECT_EQ(c.lockCalls, 2);
        EXPECT_EQ(c.writeCalls, 0);
        if (round == 0) EXPECT_LT(c.readCalls, 100);
        if (round == 1) EXPECT_EQ(c.readCalls, kHeaders);
    }
    ASSERT_EQ(bt3Close(fd), 0);
}

// A point operation after this process's own changes: the headers, nothing else.
TEST_F(ShareCache, OwnChangesKeepTheCache)
{
    make(50);
    Bt3File *fd = openShared();
    ASSERT_TRUE(fd);
    Buf b(fd);
    ASSERT_EQ(walk(fd).size(), 50u); // every page and record read once
    struct Case {
        const char *what;
        int current; // the record to make current first, -1 none
        Bytes now;   // what is added / written; empty: delete
    } cases[] = {
        {"add", -1, record(100, 1)},
        {"rewrite", 100, record(100, 1, "other")},
        {"key change", 100, record(101, 3)},
        {"delete", 101, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.current >= 0) {
            b.set(record(c.current, 0));
            ASSERT_EQ(bt3Find(fd, b.get(), 5), kLen);
        }
        if (c.now.empty()) {
            ASSERT_EQ(bt3Delete(fd), 0);
        } else {
            b.set(c.now);
            ASSERT_EQ(c.current < 0 ? bt3Add(fd, b.get()) : bt3Write(fd, b.get()), kLen);
        }
        for (int mode : {0, 1}) {
            LioIoCount a = counted();
            b.set(record(20, 0));
            ASSERT_EQ(mode ? bt3Start(fd, b.get()) : bt3Find(fd, b.get(), 5), kLen);
            LioIoCount n = since(a);
            EXPECT_EQ(n.lockCalls, 2);
            EXPECT_EQ(n.readCalls, kHeaders);
            EXPECT_EQ(n.writeCalls, 0);
        }
    }
    ASSERT_EQ(bt3Close(fd), 0);
    expectClean();
}

// ---- another process's changes are seen ----

TEST_F(ShareCache, AnotherProcessesRewriteInPlaceIsSeen)
{
    make(200);
    Bt3File *fd = openShared();
    ASSERT_TRUE(fd);
    Buf b(fd);
    std::vector<Bytes> before = walk(fd);
    ASSERT_EQ(before.size(), 200u);
    long dat = fileSize(path(".dat")), ndx = fileSize(path(".ndx"));
    // the record keeps its size and place; the group key moves within the pages it has
    pid_t kid = spawn([&] {
        Bt3File *f = openShared();
        if (!f) return 2;
        Buf k(f);
        k.set(record(50, 0));
        if (bt3Find(f, k.get(), 5) != kLen) return 3;
        k.set(record(50, 0, "changed"));
        if (bt3Write(f, k.get()) != kLen) return 4;
        k.set(record(60, 0));
        if (bt3Find(f, k.get(), 5) != kLen) return 5;
        k.set(record(60, 999));
        if (bt3Write(f, k.get()) != kLen) return 6;
        return bt3Close(f) == 0 ? 0 : 7;
    });
    ASSERT_EQ(waitFor(kid), 0);
    EXPECT_EQ(fileSize(path(".dat")), dat);
    EXPECT_EQ(fileSize(path(".ndx")), ndx);
    b.set(record(50, 0));
    ASSERT_EQ(bt3Find(fd, b.get(), 5), kLen);
    EXPECT_EQ(b.take(kLen), record(50, 0, "changed"));
    ASSERT_EQ(bt3Select(fd, 1), 0);
    ASSERT_EQ(bt3End(fd, b.get()), kLen);
    EXPECT_EQ(b.take(kLen), record(60, 999)) << "the last group is the one just written";
    ASSERT_EQ(bt3Close(fd), 0);
}

TEST_F(ShareCache, AnotherProcessesRecordAndKeyAreSeenThroughTheRecordFiles)
{
    const std::string dat = path(".dat"), ndx = path(".ndx");
    ASSERT_EQ(lioCreat(ndx.c_str(), 8, LIO_KEY_CHAR, 0, 10), 0);
    ASSERT_EQ(lioCreat(dat.c_str(), 16, LIO_DATAFILE, 0, 0), 0);
    velk::apptest::OpenFile d(lioOpen(dat.c_str(), kShared));
    velk::apptest::OpenFile x(lioOpen(ndx.c_str(), kShared));
    char rec[17] = "first version...";
    for (int i = 1; i <= 3; i++) ASSERT_EQ(lioWrite(d.get(), lioAvl(d.get()), rec), 16);
    ASSERT_EQ(lioInsert(x.get(), "k0000001", 1), 1);
    char got[16];
    ASSERT_EQ(lioRead(d.get(), 2, got), 16);
    ASSERT_EQ(lioSearch(x.get(), "k0000001"), 1);
    pid_t kid = spawn([&] {
        LioFile *f = lioOpen(dat.c_str(), kShared), *k = lioOpen(ndx.c_str(), kShared);
        if (!f || !k || lioWrite(f, 2, "second version..") != 16) return 2;
        if (lioDelete(k, "k0000001") != 1 || lioInsert(k, "k0000001", 3) != 3) return 3;
        return lioClose(f) == 0 && lioClose(k) == 0 ? 0 : 4;
    });
    ASSERT_EQ(waitFor(kid), 0);
    ASSERT_EQ(lioRead(d.get(), 2, got), 16);
    EXPECT_EQ(std::string(got, 16), "second version..");
    EXPECT_EQ(lioSearch(x.get(), "k0000001"), 3);
}

// ---- the same files with and without the cache ----

// A mixed script over one process's handle: step s of it.
void scriptStep(Bt3File *fd, int s)
{
    Buf b(fd);
    int n = (s * 37) % 60;
    b.set(record(n, n % 5));
    switch (s % 6) {
    case 0:
    case 1:
        bt3Add(fd, b.get());
        break;
    case 2: // rewrite of the payload
        if (bt3Find(fd, b.get(), 5) == kLen) {
            b.set(record(n, n % 5, s % 4 ? "rewritten" : "again"));
            bt3Write(fd, b.get());
        }
        break;
    case 3: // a key change of the group
        if (bt3Find(fd, b.get(), 5) == kLen) {
            b.set(record(n, s % 9));
            bt3Write(fd, b.get());
        }
        break;
    case 4: // lock, rewrite, unlock
        if (bt3Find(fd, b.get(), 6) > 0 && bt3Lock(fd) == 0) {
            b.bytes()[20] = char('a' + s % 26);
            bt3Write(fd, b.get());
            bt3UnLock(fd);
        }
        break;
    default:
        if (bt3Find(fd, b.get(), 5) == kLen) bt3Delete(fd);
        break;
    }
}

class ShareCacheFiles : public ShareCache, public ::testing::WithParamInterface<int> {};

// Parameter: 1 one process, 2 two processes taking turns step by step.
TEST_P(ShareCacheFiles, SameBytesWithAndWithoutTheCache)
{
    int procs = GetParam();
    std::map<std::string, Bytes> result[2];
    for (int on : {0, 1}) {
        lioSetShareCache(on);
        base_ = dir_.file(on ? "on" : "off");
        setenv("PROCFILE", (base_ + ".id").c_str(), 1);
        ASSERT_EQ(bt3Creat(base_.c_str(), kLen, kDef), 0);
        Signal turn[2];
        auto run = [&](int who) {
            Bt3File *fd = openShared();
            if (!fd) return 2;
            for (int s = 0; s < 240; s++) {
                if (procs == 2 && s % 2 != who) continue;
                if (procs == 2 && s > 0 && !turn[who].wait()) return 3;
                scriptStep(fd, s);
                if (procs == 2) turn[1 - who].post();
            }
            return bt3Close(fd) == 0 ? 0 : 4;
        };
        if (procs == 2) {
            pid_t kid = spawn([&] { return run(1); });
            ASSERT_EQ(run(0), 0);
            ASSERT_EQ(waitFor(kid), 0);
        } else {
            ASSERT_EQ(run(0), 0);
        }
        for (const char *s : {".dat", ".ndx"}) result[on][s] = readFileBytes(base_ + s);
        expectClean();
    }
    EXPECT_TRUE(result[0][".dat"] == result[1][".dat"]);
    EXPECT_TRUE(result[0][".ndx"] == result[1][".ndx"]);
}

INSTANTIATE_TEST_SUITE_P(Processes, ShareCacheFiles, ::testing::Values(1, 2));

// ---- readers share ----

TEST_F(ShareCache, TwoReadHoldsAtOnceAndAWriterWaitsForThem)
{
    make(20);
    // an open counts itself in the headers (a change): every process opens before the holds
    Bt3File *fd = openShared();
    ASSERT_TRUE(fd);
    Signal bOpen, aIn, bIn, writerDone;
    pid_t a = spawn([&] {
        Bt3File *f = bOpen.wait() ? openShared() : nullptr;
        int mask = f ? isamLockUp(f, 3 | BT3_LK_READ) : -1;
        if (mask < 0) return 2;
        aIn.post();
        if (!writerDone.wait()) return 3;
        return isamUnLock(f, mask) == 0 && bt3Close(f) == 0 ? 0 : 4;
    });
    pid_t b = spawn([&] {
        Bt3File *f = openShared();
        if (!f) return 2;
        bOpen.post();
        int mask = aIn.wait() ? isamLockUp(f, 3 | BT3_LK_READ) : -1; // while a holds its own
        if (mask < 0) return 3;
        Buf k(f);
        k.set(record(5, 0));
        if (bt3Find(f, k.get(), 5) != kLen) return 4;
        if (isamUnLock(f, mask) != 0) return 5;
        bIn.post();
        // a close counts itself out (a change): after a's hold
        return writerDone.wait() && bt3Close(f) == 0 ? 0 : 6;
    });
    ASSERT_TRUE(bIn.wait());
    // a still holds its read hold: a change cannot get the write lock and writes nothing
    Bytes dat = readFileBytes(path(".dat")), ndx = readFileBytes(path(".ndx"));
    Buf k(fd);
    k.set(record(500, 1));
    LioIoCount c = counted();
    EXPECT_EQ(bt3Add(fd, k.get()), -1);
    EXPECT_EQ(lastCode(), LIO_E_LOCK);
    EXPECT_EQ(since(c).writeCalls, 0);
    EXPECT_TRUE(readFileBytes(path(".dat")) == dat);
    EXPECT_TRUE(readFileBytes(path(".ndx")) == ndx);
    writerDone.post();
    writerDone.post();
    ASSERT_EQ(waitFor(a), 0);
    ASSERT_EQ(waitFor(b), 0);
    EXPECT_EQ(bt3Add(fd, k.get()), kLen);
    ASSERT_EQ(bt3Close(fd), 0);
    expectClean();
}

// A change inside a read hold converts the lock; when another reader holds on, it is refused
// without writing a byte.
TEST_F(ShareCache, ChangeInsideAReadHoldTakesTheWriteLockFirst)
{
    make(20);
    Bt3File *fd = openShared();
    ASSERT_TRUE(fd);
    Buf k(fd);
    int mask = isamLockUp(fd, 3 | BT3_LK_READ);
    ASSERT_GE(mask, 0);
    k.set(record(300, 2));
    EXPECT_EQ(bt3Add(fd, k.get()), kLen);
    ASSERT_EQ(isamUnLock(fd, mask), 0);
    EXPECT_EQ(bt3Count(fd), 21);

    Signal in, done;
    pid_t kid = spawn([&] {
        Bt3File *f = openShared();
        int m = f ? isamLockUp(f, 3 | BT3_LK_READ) : -1;
        if (m < 0) return 2;
        in.post();
        if (!done.wait()) return 3;
        return isamUnLock(f, m) == 0 && bt3Close(f) == 0 ? 0 : 4;
    });
    ASSERT_TRUE(in.wait());
    mask = isamLockUp(fd, 3 | BT3_LK_READ);
    ASSERT_GE(mask, 0);
    Bytes dat = readFileBytes(path(".dat")), ndx = readFileBytes(path(".ndx"));
    LioIoCount c = counted();
    k.set(record(301, 2));
    EXPECT_EQ(bt3Add(fd, k.get()), -1);
    EXPECT_EQ(lastCode(), LIO_E_LOCK);
    EXPECT_EQ(isamUnLock(fd, mask), 0);
    EXPECT_EQ(since(c).writeCalls, 0);
    EXPECT_TRUE(readFileBytes(path(".dat")) == dat);
    EXPECT_TRUE(readFileBytes(path(".ndx")) == ndx);
    done.post();
    ASSERT_EQ(waitFor(kid), 0);
    EXPECT_EQ(bt3Count(fd), 21);
    ASSERT_EQ(bt3Close(fd), 0);
    expectClean();
}

// ---- bounded ----

TEST_F(ShareCache, ABoundedCacheStillReadsRight)
{
    make(6000);
    long long old = lioShareCacheLimit(64 * 1024);
    Bt3File *fd = openShared();
    ASSERT_TRUE(fd);
    for (int round = 0; round < 2; round++) {
        LioIoCount a = counted();
        int mask = isamLockUp(fd, 3 | BT3_LK_READ);
        std::vector<Bytes> rows = walk(fd);
        isamUnLock(fd, mask);
        ASSERT_EQ(rows.size(), 6000u);
        for (int i = 0; i < 6000; i += 97) EXPECT_EQ(rows[i], record(i, i % 7));
        // 6,000 rows of 44 bytes and their pages do not fit in 64 KiB: read again
        if (round == 1) EXPECT_GT(since(a).readCalls, 4);
    }
    ASSERT_EQ(bt3Close(fd), 0);
    lioShareCacheLimit(old);
}

TEST_F(ShareCache, SwitchedOffEveryStepReadsItsRecord)
{
    make(100);
    EXPECT_EQ(lioSetShareCache(0), 1);
    Bt3File *fd = openShared();
    ASSERT_TRUE(fd);
    bt3SetBatch(fd, 0); // what a single step costs
    walk(fd);
    LioIoCount a = counted();
    ASSERT_EQ(walk(fd).size(), 100u);
    EXPECT_GT(since(a).readCalls, kHeaders * 101);
    EXPECT_EQ(lioSetShareCache(1), 0);
    ASSERT_EQ(bt3Close(fd), 0);
}

} // namespace
