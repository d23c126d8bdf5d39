// Walks in batches: a step in shared mode reads the rows after it under one bracket and the
// steps that follow hand them out.  Whatever happens between two steps (another process's
// change at a batch boundary, this process's change through any handle, a record lock), the
// walk delivers the same (record, status, bytes) sequence as a walk with batches turned off; a
// whole walk takes a few brackets.
#include <string>
#include <vector>

#include "tests/btree/isam/isam_support.h"

using namespace isamtest;

namespace {

const int kLen = 40;
const int kShared = LIO_SHARED | LIO_RDWR;
const int kRows = 120; // record i: ID 10 i + 5, group i / 10: both keys list them in order of i
const int kFirst = 32; // the first batch: a walk that has taken 32 steps stands at its end
// A bracket of a walk: the data file locked and released; the index is read under that lock.
const int kBracket = 2;

// Key 0 unique binary ID at 0..7; key 1 character with duplicates, the group at 8..11.
int kDef[] = {0, 8, 5, 8, 4, 1 | 128, -1};

Bytes record(int id, int group, int version)
{
    char t[64] = {};
    snprintf(t, sizeof t, "%08dg%03dversion-%03d-payload-of-%05d", id, group, version, id);
    return Bytes(t, t + kLen);
}

struct Row {
    int rec, status;
    Bytes bytes;
    bool operator==(const Row &o) const
    {
        return rec == o.rec && status == o.status && bytes == o.bytes;
    }
};

std::string describe(const std::vector<Row> &rows)
{
    std::string s;
    for (const Row &r : rows)
        s += std::to_string(r.rec) + "/" + std::to_string(r.status) + " " +
             std::string(r.bytes.begin(), r.bytes.begin() + std::min<size_t>(12, r.bytes.size())) +
             "\n";
    return s;
}

// What happens at a point of the walk; p is the position of the current record (its i), d the
// walk's direction (+1 forward, -1 backward): "ahead" is where the walk goes next.
enum Change {
    AddAhead,
    AddNext, // sorts right after the current record
    AddBehind,
    DeleteAhead,
    DeleteNext, // the record the next step would meet
    DeleteCurrent,
    MoveAhead,  // a record behind gets a key ahead: the walk meets it again
    MoveBehind, // a record ahead gets a key behind: the walk never meets it
    InPlace,    // the next record's bytes change, its keys stay
    DeleteAll,  // the set becomes empty
    WriteAhead, // the current record gets a key ahead (this process's handle only)
    Lock        // the current record locked and unlocked (this process's handle only)
};

int findId(Bt3File *fd, char *b, int id)
{
    Bytes probe = record(id, 0, 0);
    memcpy(b, probe.data(), 8);
    return bt3Find(fd, b, 5) == kLen ? 0 : 1;
}

// Makes the change through fd: 0, or what failed.
int change(Bt3File *fd, Change c, int p, int d)
{
    char *b = bt3GetBuff(fd, 0);
    if (!b) return 10;
    int at = p + 10 * d, rc = 0;
    Bytes r;
    switch (c) {
    case AddAhead:
    case AddBehind:
        at = c == AddAhead ? p + 10 * d : p - 10 * d;
        r = record(10 * at + 7, at / 10, 1);
        memcpy(b, r.data(), kLen);
        rc = bt3Add(fd, b) == kLen ? 0 : 11;
        break;
    case AddNext:
        r = record(10 * p + 5 + 2 * d, p / 10, 1);
        memcpy(b, r.data(), kLen);
        rc = bt3Add(fd, b) == kLen ? 0 : 12;
        break;
    case DeleteAhead:
    case DeleteNext:
    case DeleteCurrent:
        at = c == DeleteAhead ? p + 5 * d : c == DeleteNext ? p + d : p;
        rc = findId(fd, b, 10 * at + 5) || bt3Delete(fd) != 0 ? 13 : 0;
        break;
    case MoveAhead:
    case MoveBehind:
        at = c == MoveAhead ? p - 5 * d : p + 5 * d;
        rc = findId(fd, b, 10 * at + 5);
        at = c == MoveAhead ? p + 10 * d : p - 10 * d;
        r = record(10 * at + 3, at / 10, 2);
        memcpy(b, r.data(), kLen);
        if (!rc && bt3Write(fd, b) != kLen) rc = 14;
        break;
    case InPlace:
        rc = findId(fd, b, 10 * (p + d) + 5);
        r = record(10 * (p + d) + 5, (p + d) / 10, 3);
        memcpy(b, r.data(), kLen);
        if (!rc && bt3Write(fd, b) != kLen) rc = 15;
        break;
    case DeleteAll:
        while (!rc && bt3Count(fd) > 0) rc = bt3Start(fd, b) == kLen && bt3Delete(fd) == 0 ? 0 : 16;
        break;
    default:
        rc = 17;
    }
    bt3FreeBuff(b);
    return rc;
}

// The same change by the walking handle itself, on its current record where it has one.
int changeHere(Bt3File *fd, char *b, Change c, int p, int d)
{
    if (c == DeleteCurrent) return bt3Delete(fd) == 0 ? 0 : 20;
    if (c == Lock) return bt3Lock(fd) == 0 && bt3UnLock(fd) == 0 ? 0 : 21;
    if (c != WriteAhead) return 22;
    int at = p + 10 * d;
    Bytes r = record(10 * at + 3, at / 10, 4);
    memcpy(b, r.data(), kLen);
    return bt3Write(fd, b) == kLen ? 0 : 23;
}

long long lockCalls()
{
    LioIoCount c;
    lioIoCount(&c);
    return c.lockCalls;
}

class IsamBatch : public IsamTest {
protected:
    void TearDown() override
    {
        bt3SetBatch(nullptr, BT3_BATCH);
        IsamTest::TearDown();
    }

    std::string make(const std::string &name, int rows)
    {
        std::string base = dir_.file(name.c_str());
        EXPECT_EQ(bt3Creat(base.c_str(), kLen, kDef), 0);
        Bt3File *fd = bt3Open(base.c_str(), LIO_EXCL | LIO_RDWR);
        EXPECT_NE(fd, nullptr);
        Buf b(fd);
        for (int i = 0; i < rows; i++) {
            b.set(record(10 * i + 5, i / 10, 0));
            EXPECT_EQ(bt3Add(fd, b.get()), kLen);
        }
        EXPECT_EQ(bt3Close(fd), 0);
        return base;
    }

    static Row row(Bt3File *fd, const Buf &b)
    {
        return Row{bt3GetCur(fd), bt3Status(fd), b.take(kLen)};
    }

    // Steps until the edge (at most `max` steps), appending what each step leaves.
    static void walkOn(Bt3File *fd, Buf &b, bool fwd, std::vector<Row> *out, int max = 1 << 30)
    {
        int edge = fwd ? BT3_ATEND : BT3_ATSTART;
        for (int n = 0; n < max; n++) {
            int r = fwd ? bt3Next(fd, b.get()) : bt3Prev(fd, b.get());
            ASSERT_GE(r, 0) << lastCode();
            out->push_back(row(fd, b));
            if (r == 0 || bt3Status(fd) == edge) return;
        }
    }

    static void expectClean(const std::string &base)
    {
        velk::apptest::OpenFile ndx(lioOpen((base + ".ndx").c_str(), LIO_EXCL | LIO_RDWR));
        velk::apptest::OpenFile dat(lioOpen((base + ".dat").c_str(), LIO_EXCL | LIO_RDWR));
        ASSERT_TRUE(ndx.get() && dat.get());
        EXPECT_EQ(velk::apptest::checkIndexFile(ndx.get()), "");
        EXPECT_EQ(velk::apptest::checkDataFile(dat.get()), "");
    }
};

// ---- another process, or this one, changes the set in the middle of a walk ----

struct Case {
    const char *name;
    Change change;
    bool other; // another process, at the end of the first batch
    bool here;  // the walking handle itself (else another handle of this process)
};

const Case kCases[] = {
    {"OtherAddsAhead", AddAhead, true, false},
    {"OtherAddsNext", AddNext, true, false},
    {"OtherAddsBehind", AddBehind, true, false},
    {"OtherDeletesAhead", DeleteAhead, true, false},
    {"OtherDeletesNext", DeleteNext, true, false},
    {"OtherDeletesCurrent", DeleteCurrent, true, false},
    {"OtherMovesAKeyAhead", MoveAhead, true, false},
    {"OtherMovesAKeyBehind", MoveBehind, true, false},
    {"OtherRewritesInPlace", InPlace, true, false},
    {"OtherEmptiesTheSet", DeleteAll, true, false},
    {"SecondHandleAddsNext", AddNext, false, false},
    {"SecondHandleDeletesNext", DeleteNext, false, false},
    {"SecondHandleMovesAKeyAhead", MoveAhead, false, false},
    {"SecondHandleRewritesInPlace", InPlace, false, false},
    {"HandleRewritesCurrentAhead", WriteAhead, false, true},
    {"HandleDeletesCurrent", DeleteCurrent, false, true},
    {"HandleLocksCurrent", Lock, false, true},
};

void PrintTo(const Case &c, std::ostream *os) { *os << c.name; }

using Param = std::tuple<Case, bool, bool>; // case, forward, the duplicates index

class IsamBatchChange : public IsamBatch, public ::testing::WithParamInterface<Param> {
protected:
    // One walk over a new set, batches on or off: the rows it delivers; *ahead: lock requests
    // of the steps before the change.
    std::vector<Row> run(const std::string &name, bool batched, Signal &go, pid_t kid,
                         long long *ahead)
    {
        auto [c, fwd, dups] = GetParam();
        std::vector<Row> rows;
        std::string base = make(name, kRows);
        Bt3File *fd = bt3Open(base.c_str(), kShared);
        EXPECT_NE(fd, nullptr);
        if (!fd) return rows;
        EXPECT_GE(bt3SetBatch(fd, batched ? BT3_BATCH : 0), 0);
        Buf b(fd);
        EXPECT_EQ(bt3Select(fd, dups ? 1 : 0), 0);
        EXPECT_EQ(fwd ? bt3Start(fd, b.get()) : bt3End(fd, b.get()), kLen);
        rows.push_back(row(fd, b));
        // another process changes at a batch boundary, this one in the middle of a batch
        int steps = c.other ? kFirst : 10;
        long long before = lockCalls();
        walkOn(fd, b, fwd, &rows, steps);
        *ahead = lockCalls() - before;
        int d = fwd ? 1 : -1, p = fwd ? steps : kRows - 1 - steps;
        if (c.other) {
            go.post();
            EXPECT_EQ(waitFor(kid), 0);
        } else if (c.here) {
            EXPECT_EQ(changeHere(fd, b.get(), c.change, p, d), 0) << lastCode();
        } else {
            Bt3File *two = bt3Open(base.c_str(), kShared);
            EXPECT_NE(two, nullptr);
            EXPECT_EQ(change(two, c.change, p, d), 0) << lastCode();
            EXPECT_EQ(bt3Close(two), 0);
        }
        rows.push_back(Row{bt3GetCur(fd), bt3Status(fd), {}});
        walkOn(fd, b, fwd, &rows);
        EXPECT_EQ(bt3Close(fd), 0);
        expectClean(base);
        return rows;
    }
};

TEST_P(IsamBatchChange, WalkDeliversWhatSingleStepsDeliver)
{
    auto [c, fwd, dups] = GetParam();
    int d = fwd ? 1 : -1, p = fwd ? kFirst : kRows - 1 - kFirst;
    Signal goPlain, goBatched;
    std::string plainBase = dir_.file("plain"), batchedBase = dir_.file("batched");
    auto child = [&](Signal &go, const std::string &base) {
        return spawn([&, base] {
            if (!go.wait()) return 2;
            Bt3File *fd = bt3Open(base.c_str(), kShared);
            if (!fd) return 3;
            int rc = change(fd, c.change, p, d);
            return bt3Close(fd) == 0 ? rc : 4;
        });
    };
    pid_t plainKid = c.other ? child(goPlain, plainBase) : 0;
    pid_t batchedKid = c.other ? child(goBatched, batchedBase) : 0;
    long long plainLocks = 0, batchedLocks = 0;
    std::vector<Row> plain = run("plain", false, goPlain, plainKid, &plainLocks);
    std::vector<Row> batched = run("batched", true, goBatched, batchedKid, &batchedLocks);
    ASSERT_GT(plain.size(), size_t(kFirst + 2));
    EXPECT_EQ(describe(batched), describe(plain));
    EXPECT_TRUE(batched == plain);
    // the steps before the change: one bracket
    EXPECT_LE(batchedLocks, kBracket);
    EXPECT_GT(plainLocks, kBracket * (c.other ? kFirst : 10) - 1);
}

INSTANTIATE_TEST_SUITE_P(Changes, IsamBatchChange,
                         ::testing::Combine(::testing::ValuesIn(kCases), ::testing::Bool(),
                                            ::testing::Bool()),
                         [](const ::testing::TestParamInfo<Param> &i) {
                             return std::string(std::get<0>(i.param).name) +
                                    (std::get<1>(i.param) ? "Forward" : "Backward") +
                                    (std::get<2>(i.param) ? "Duplicates" : "Unique");
                         });

// ---- lock requests ----

// Batches of 32, 64, ... up to cap rows until a walk of n rows and its end are read.
int batchesFor(int n, int cap)
{
    int read = 0, batches = 0;
    for (int size = std::min(kFirst, cap); read < n; size = std::min(2 * size, cap)) {
        read += size;
        batches++;
    }
    return batches;
}

struct Walk {
    std::vector<Row> rows;
    LioIoCount io;
};

Walk walkAll(Bt3File *fd, bool fwd)
{
    Walk w;
    Buf b(fd);
    LioIoCount a, z;
    lioIoCount(&a);
    int r = fwd ? bt3Start(fd, b.get()) : bt3End(fd, b.get());
    int edge = fwd ? BT3_ATEND : BT3_ATSTART;
    while (r > 0) {
        w.rows.push_back(Row{bt3GetCur(fd), bt3Status(fd), b.take(kLen)});
        if (w.rows.size() > 1 && bt3Status(fd) == edge) break;
        r = fwd ? bt3Next(fd, b.get()) : bt3Prev(fd, b.get());
    }
    lioIoCount(&z);
    w.io = LioIoCount{z.lockCalls - a.lockCalls, z.readCalls - a.readCalls,
                      z.readBytes - a.readBytes, 0, 0};
    return w;
}

TEST_F(IsamBatch, WalkTakesOneBracketPerBatch)
{
    const int n = 3000;
    std::string base = make("big", n);
    Bt3File *fd = bt3Open(base.c_str(), kShared);
    ASSERT_NE(fd, nullptr);
    EXPECT_EQ(bt3SetBatch(fd, 0), BT3_BATCH);
    for (int inx : {0, 1})
        for (bool fwd : {true, false}) {
            SCOPED_TRACE(std::string(fwd ? "forward" : "backward") + " in index " +
                         std::to_string(inx));
            ASSERT_EQ(bt3Select(fd, inx), 0);
            bt3SetBatch(fd, 0);
            Walk plain = walkAll(fd, fwd);
            EXPECT_EQ(bt3SetBatch(fd, BT3_BATCH), 0);
            Walk batched = walkAll(fd, fwd);
            ASSERT_EQ(plain.rows.size(), size_t(n + 1)); // the last one again at the end
            EXPECT_TRUE(batched.rows == plain.rows);
            // the start, then one bracket per batch
            EXPECT_LE(batched.io.lockCalls, kBracket + kBracket * batchesFor(n, BT3_BATCH));
            EXPECT_GE(plain.io.lockCalls, (long long)kBracket * n);
            EXPECT_LE(batched.io.readCalls, plain.io.readCalls);
        }
    EXPECT_EQ(bt3Close(fd), 0);
    expectClean(base);
}

// A read that fails while a step reads ahead ends the batch there: the walk goes on from the
// last row it has and delivers the same rows.  With the cache of shared files (started cold
// for each attempt, so that the reading ahead reads) and without it.
TEST_F(IsamBatch, FailedReadAheadIsReadAgainByTheNextStep)
{
    std::string base = make("faults", kRows);
    Bt3File *fd = bt3Open(base.c_str(), kShared);
    ASSERT_NE(fd, nullptr);
    Buf b(fd);
    ASSERT_EQ(bt3SetBatch(fd, 0), BT3_BATCH);
    std::vector<Row> plain;
    ASSERT_EQ(bt3Start(fd, b.get()), kLen);
    walkOn(fd, b, true, &plain);
    ASSERT_EQ(bt3SetBatch(fd, BT3_BATCH), 0);
    for (int cache : {1, 0}) {
        SCOPED_TRACE(cache ? "cache" : "no cache");
        lioSetShareCache(cache); // a cold cache: the next bracket finds it empty
        ASSERT_EQ(bt3Start(fd, b.get()), kLen);
        lioIoFault(0, 0, 0);
        ASSERT_EQ(bt3Next(fd, b.get()), kLen);
        int calls = lioIoCalls();
        lioIoFault(-1, 0, 0);
        ASSERT_GT(calls, 4);
        int readAhead = 0;
        for (int nth = 1; nth <= calls; nth++) {
            SCOPED_TRACE("call " + std::to_string(nth) + " of " + std::to_string(calls));
            lioSetShareCache(cache);
            ASSERT_EQ(bt3Start(fd, b.get()), kLen);
            lioIoFault(nth, EIO, 0);
            int r = bt3Next(fd, b.get());
            lioIoFault(-1, 0, 0);
            if (r < 0) continue; // the step's own lock, header, page or record
            readAhead++;
            std::vector<Row> rows{row(fd, b)};
            walkOn(fd, b, true, &rows);
            EXPECT_TRUE(rows == plain) << describe(rows);
        }
        EXPECT_GT(readAhead, 0) << "no fault hit the reading ahead";
    }
    lioSetShareCache(1);
    EXPECT_EQ(bt3Close(fd), 0);
    expectClean(base);
}

// The cap bounds a batch; the process-wide default reaches handles without their own setting.
TEST_F(IsamBatch, CapBoundsEveryBatch)
{
    const int n = 1000;
    std::string base = make("capped", n);
    EXPECT_EQ(bt3SetBatch(nullptr, 64), BT3_BATCH);
    Bt3File *fd = bt3Open(base.c_str(), kShared);
    ASSERT_NE(fd, nullptr);
    Walk w = walkAll(fd, true);
    ASSERT_EQ(w.rows.size(), size_t(n + 1));
    int batches = batchesFor(n, 64);
    EXPECT_LE(w.io.lockCalls, kBracket + kBracket * batches);
    EXPECT_GE(w.io.lockCalls, kBracket * batches) << "a batch read more than the cap";
    EXPECT_EQ(bt3SetBatch(nullptr, 0), 64);
    w = walkAll(fd, true);
    EXPECT_GE(w.io.lockCalls, (long long)kBracket * n) << "turned off: one bracket a step";
    EXPECT_EQ(bt3SetBatch(fd, -1), -1);
    EXPECT_EQ(bt3Close(fd), 0);
    expectClean(base);
}

// Inside a bracket the caller holds, steps read only their own row; after it, batches again.
TEST_F(IsamBatch, NoReadingAheadInsideAHeldBracket)
{
    std::string base = make("held", kRows);
    Bt3File *fd = bt3Open(base.c_str(), kShared);
    ASSERT_NE(fd, nullptr);
    Buf b(fd);
    ASSERT_EQ(bt3Start(fd, b.get()), kLen);
    int mask = isamLockUp(fd, 3);
    ASSERT_GT(mask, 0);
    LioIoCount a, z;
    lioIoCount(&a);
    for (int i = 0; i < 5; i++) ASSERT_EQ(bt3Next(fd, b.get()), kLen);
    lioIoCount(&z);
    EXPECT_EQ(z.lockCalls, a.lockCalls);
    EXPECT_LE(z.readCalls - a.readCalls, 5 * 3) << "a page or two and a record per step";
    EXPECT_EQ(isamUnLock(fd, mask), 0);
    // after the hold, a batch again from the record the held steps reached
    std::vector<Row> rows;
    lioIoCount(&a);
    walkOn(fd, b, true, &rows, 3);
    lioIoCount(&z);
    EXPECT_LE(z.lockCalls - a.lockCalls, kBracket);
    EXPECT_EQ(rows.front().bytes, record(10 * 6 + 5, 0, 0));
    EXPECT_EQ(bt3Close(fd), 0);
    expectClean(base);
}

} // namespace
