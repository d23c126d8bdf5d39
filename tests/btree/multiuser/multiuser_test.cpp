// Several real processes on one directory: the byte-0 bracket, record locks, the exclusive owner
// and the process registry.  Children are forked, open the files themselves and report through
// their exit status; the parent checks the files afterwards.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/btree/process_support.h"
#include "tests/btree/engine_support.h"

using namespace velk::apptest;

namespace {

std::string key8(char who, int i)
{
    char k[16];
    snprintf(k, sizeof k, "%c%07d", who, i);
    return std::string(k, 8);
}

class MultiUser : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        procFile_ = dir_.file("proc.id");
        setenv("PROCFILE", procFile_.c_str(), 1);
        idx_ = dir_.file("t.ndx");
        dat_ = dir_.file("t.dat");
    }
    void TearDown() override { unsetenv("PROCFILE"); }

    void makeFiles(int reclen = 16, int records = 0)
    {
        ASSERT_EQ(lioCreat(idx_.c_str(), 8, LIO_KEY_CHAR, 0, 10), 0);
        ASSERT_EQ(lioCreat(dat_.c_str(), reclen, LIO_DATAFILE, 0, 0), 0);
        if (!records) return;
        OpenFile d(lioOpen(dat_.c_str(), LIO_EXCL | LIO_RDWR));
        std::vector<unsigned char> rec(reclen, 'a');
        for (int i = 0; i < records; i++)
            ASSERT_EQ(lioWrite(d.get(), lioAvl(d.get()), rec.data()), reclen);
    }

    std::string procFile_, idx_, dat_;
};

TEST_F(MultiUser, FourProcessesInsertingAtOnceLoseNothing)
{
    makeFiles();
    const int perChild = 2000;
    Signal go;
    std::vector<pid_t> kids;
    for (int c = 0; c < 4; c++) {
        char who = char('A' + c);
        kids.push_back(spawn([&, who]() {
            if (!go.wait()) return 2;
            LioFile *ix = lioOpen(idx_.c_str(), LIO_SHARED | LIO_RDWR);
            LioFile *da = lioOpen(dat_.c_str(), LIO_SHARED | LIO_RDWR);
            if (!ix || !da) {
                char e[200];
                lioErrReport(e, 200);
                fprintf(stderr, "%s\n", e);
                lioTraceReport(stderr);
                return 3;
            }
            for (int i = 0; i < perChild; i++) {
                std::string k = key8(who, i);
                int rec = lioAvl(da);
                if (rec < 1) return 4;
                char buf[16] = {};
                memcpy(buf, k.data(), 8);
                if (lioWrite(da, rec, buf) != 16) return 5;
                if (lioInsert(ix, k.data(), rec) != rec) return 6;
            }
            return lioClose(ix) == 0 && lioClose(da) == 0 ? 0 : 7;
        }));
    }
    for (int c = 0; c < 4; c++) go.post();
    for (pid_t k : kids) EXPECT_EQ(waitFor(k), 0);

    OpenFile ix(lioOpen(idx_.c_str(), LIO_EXCL | LIO_RDWR));
    OpenFile da(lioOpen(dat_.c_str(), LIO_EXCL | LIO_RDWR));
    ASSERT_TRUE(ix.get() && da.get());
    EXPECT_EQ(lioSize(ix.get()), 4 * perChild);
    EXPECT_EQ(lioSize(da.get()), 4 * perChild);
    EXPECT_EQ(checkIndexFile(ix.get()), "");
    EXPECT_EQ(checkDataFile(da.get()), "");
    int wrong = 0;
    for (int c = 0; c < 4; c++)
        for (int i = 0; i < perChild; i++) {
            std::string k = key8(char('A' + c), i);
            int rec = lioSearch(ix.get(), k.data());
            char buf[16];
            if (rec < 1 || lioRead(da.get(), rec, buf) != 16 || memcmp(buf, k.data(), 8) != 0)
                wrong++;
        }
    EXPECT_EQ(wrong, 0);
    int h[LIO_HDRWORDS];
    ASSERT_EQ(lioHeader(ix.get(), h), 0);
    EXPECT_EQ(h[LIO_H_OPENCOUNT], 1);
}

TEST_F(MultiUser, RecordLockRefusedToAnotherProcessUntilUnlocked)
{
    makeFiles(16, 3);
    OpenFile d(lioOpen(dat_.c_str(), LIO_SHARED | LIO_RDWR));
    ASSERT_EQ(lioLock(d.get(), 2), 0);
    Signal refused, unlocked;
    pid_t kid = spawn([&]() {
        LioFile *f = lioOpen(dat_.c_str(), LIO_SHARED | LIO_RDWR);
        if (!f) return 2;
        char buf[16] = "from the child";
        if (lioWrite(f, 2, buf) != -1 || lioLastErr()->code != LIO_E_RECLOCK) return 3;
        if (lioLock(f, 2) != -1 || lioLastErr()->code != LIO_E_RECLOCK) return 4;
        if (lioFree(f, 2) != -1 || lioLastErr()->code != LIO_E_RECLOCK) return 5;
        if (lioUnLock(f, 2) != -1) return 6; // not ours to release
        if (lioWrite(f, 3, buf) != 16) return 7;
        refused.post();
        if (!unlocked.wait()) return 8;
        if (lioWrite(f, 2, buf) != 16) return 9;
        return lioClose(f) == 0 ? 0 : 10;
    });
    ASSERT_TRUE(refused.wait());
    ASSERT_EQ(lioUnLock(d.get(), 2), 0);
    unlocked.post();
    EXPECT_EQ(waitFor(kid), 0);
    char buf[16];
    ASSERT_EQ(lioRead(d.get(), 2, buf), 16);
    EXPECT_STREQ(buf, "from the child");
}

TEST_F(MultiUser, LockTableHoldsThirtyEntries)
{
    makeFiles(16, 40);
    OpenFile d(lioOpen(dat_.c_str(), LIO_SHARED | LIO_RDWR));
    for (int r = 1; r <= 30; r++) ASSERT_EQ(lioLock(d.get(), r), 0) << r;
    EXPECT_EQ(lioLock(d.get(), 5), 0); // already ours: no new entry
    EXPECT_EQ(lioLock(d.get(), 31), -1);
    EXPECT_EQ(lastCode(), LIO_E_LOCKFULL);
    // the table lives in the header: another process sees it full too
    pid_t kid = spawn([&]() {
        LioFile *f = lioOpen(dat_.c_str(), LIO_SHARED | LIO_RDWR);
        if (!f || lioLock(f, 35) != -1 || lioLastErr()->code != LIO_E_LOCKFULL) return 2;
        return lioClose(f) == 0 ? 0 : 3;
    });
    EXPECT_EQ(waitFor(kid), 0);
    EXPECT_EQ(lioUnLock(d.get(), 0), 0);
    EXPECT_EQ(headerWord(dat_, 0, LIO_H_NLOCKS), 0);
    EXPECT_EQ(lioLock(d.get(), 31), 0);
    EXPECT_EQ(lioFlush(d.get()), 0); // a flush drops this process's locks
    EXPECT_EQ(headerWord(dat_, 0, LIO_H_NLOCKS), 0);
}

TEST_F(MultiUser, ExclusiveOwnerShutsOutOtherProcesses)
{
    makeFiles(16, 2);
    OpenFile d(lioOpen(dat_.c_str(), LIO_EXCL | LIO_RDWR));
    ASSERT_TRUE(d.get());
    EXPECT_EQ(headerWord(dat_, 0, LIO_H_OWNER), muProcId());
    auto tryOpen = [&](int mode) {
        return spawn([&, mode]() {
            LioFile *f = lioOpen(dat_.c_str(), mode);
            if (f) return 2;
            return lioLastErr()->code == LIO_E_OWNED ? 0 : 3;
        });
    };
    EXPECT_EQ(waitFor(tryOpen(LIO_SHARED | LIO_RDWR)), 0);
    EXPECT_EQ(waitFor(tryOpen(LIO_EXCL | LIO_RDWR)), 0);
    ASSERT_EQ(d.close(), 0);
    EXPECT_EQ(headerWord(dat_, 0, LIO_H_OWNER), 0);
    pid_t kid = spawn([&]() {
        LioFile *f = lioOpen(dat_.c_str(), LIO_SHARED | LIO_RDWR);
        return f && lioClose(f) == 0 ? 0 : 2;
    });
    EXPECT_EQ(waitFor(kid), 0);
}

TEST_F(MultiUser, OwnerMarkGoesWhenAnExclusiveFileTurnsReadOnly)
{
    makeFiles(16, 1);
    LioFile *d = lioOpen(dat_.c_str(), LIO_EXCL | LIO_RDWR);
    ASSERT_TRUE(d);
    ASSERT_EQ(lioSetMode(d, LIO_RDONLY), LIO_EXCL | LIO_RDONLY | LIO_WTHRU);
    EXPECT_EQ(headerWord(dat_, 0, LIO_H_OWNER), 0);
    ASSERT_EQ(lioClose(d), 0);
    pid_t kid = spawn([&]() {
        LioFile *f = lioOpen(dat_.c_str(), LIO_SHARED | LIO_RDWR);
        return f && lioClose(f) == 0 ? 0 : 2;
    });
    EXPECT_EQ(waitFor(kid), 0);
}

TEST_F(MultiUser, ExclusiveOpenRefusedWhileAnotherProcessHoldsRecordLocks)
{
    makeFiles(16, 2);
    OpenFile d(lioOpen(dat_.c_str(), LIO_SHARED | LIO_RDWR));
    ASSERT_EQ(lioLock(d.get(), 1), 0);
    pid_t kid = spawn([&]() {
        LioFile *f = lioOpen(dat_.c_str(), LIO_EXCL | LIO_RDWR);
        return !f && lioLastErr()->code == LIO_E_LOCK ? 0 : 2;
    });
    EXPECT_EQ(waitFor(kid), 0);
}

TEST_F(MultiUser, RegistryHandsOutNumbersInTurn)
{
    pid_t first = spawn([&]() {
        if (muProcId() != 1 || fileWord(procFile_, 0) != 2) return 2;
        if (muProcId() != 1) return 3; // fixed for the life of the process
        // a forked child is another process and takes a number of its own
        pid_t grandchild = spawn([]() { return muProcId() == 2 ? 0 : 4; });
        return waitFor(grandchild);
    });
    EXPECT_EQ(waitFor(first), 0);
    EXPECT_EQ(fileSize(procFile_), 4);
    EXPECT_EQ(fileWord(procFile_, 0), 3);
}

TEST_F(MultiUser, ProcessesStartingTogetherGetDistinctNumbers)
{
    const int n = 8;
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    Signal go;
    std::vector<pid_t> kids;
    for (int i = 0; i < n; i++)
        kids.push_back(spawn([&]() {
            if (!go.wait()) return 2;
            int id = muProcId();
            return write(fds[1], &id, sizeof id) == sizeof id ? 0 : 3;
        }));
    for (int i = 0; i < n; i++) go.post();
    for (pid_t k : kids) EXPECT_EQ(waitFor(k), 0);
    close(fds[1]);
    std::set<int> ids;
    int id;
    while (read(fds[0], &id, sizeof id) == sizeof id) ids.insert(id);
    close(fds[0]);
    EXPECT_EQ(ids.size(), size_t(n));
    EXPECT_EQ(*ids.begin(), 1);
    EXPECT_EQ(*ids.rbegin(), n);
    EXPECT_EQ(fileWord(procFile_, 0), n + 1);
}

TEST_F(MultiUser, SharedModeSeesAnotherProcessesLastWrite)
{
    makeFiles(16, 1);
    OpenFile d(lioOpen(dat_.c_str(), LIO_SHARED | LIO_RDWR));
    OpenFile ix(lioOpen(idx_.c_str(), LIO_SHARED | LIO_RDWR));
    char buf[16];
    ASSERT_EQ(lioRead(d.get(), 1, buf), 16);
    ASSERT_EQ(lioInsert(ix.get(), "k0000001", 1), 1);
    ASSERT_EQ(lioSearch(ix.get(), "k0000001"), 1); // the root page has been read once
    pid_t kid = spawn([&]() {
        LioFile *f = lioOpen(dat_.c_str(), LIO_SHARED | LIO_RDWR);
        LioFile *x = lioOpen(idx_.c_str(), LIO_SHARED | LIO_RDWR);
        char b[16] = "second version";
        if (!f || !x || lioWrite(f, 1, b) != 16) return 2;
        if (lioAvl(f) != 2 || lioWrite(f, 2, b) != 16) return 3;
        if (lioInsert(x, "k0000000", 2) != 2) return 4;
        return lioClose(f) == 0 && lioClose(x) == 0 ? 0 : 5;
    });
    ASSERT_EQ(waitFor(kid), 0);
    ASSERT_EQ(lioRead(d.get(), 1, buf), 16);
    EXPECT_STREQ(buf, "second version");
    EXPECT_EQ(lioSize(d.get()), 2);
    EXPECT_EQ(lioRead(d.get(), 2, buf), 16);
    EXPECT_EQ(lioSearch(ix.get(), "k0000000"), 2);
    EXPECT_EQ(lioSize(ix.get()), 2);
}

TEST_F(MultiUser, CurrentKeyFollowsAnotherProcessesChanges)
{
    makeFiles();
    OpenFile ix(lioOpen(idx_.c_str(), LIO_SHARED | LIO_RDWR));
    for (int k : {10, 20, 30, 40}) ASSERT_EQ(lioInsert(ix.get(), key8('k', k).data(), k), k);
    auto other = [&](const std::function<int(LioFile *)> &work) {
        pid_t kid = spawn([&]() {
            LioFile *x = lioOpen(idx_.c_str(), LIO_SHARED | LIO_RDWR);
            if (!x) return 2;
            int rc = work(x);
            return lioClose(x) == 0 ? rc : 3;
        });
        return waitFor(kid);
    };
    char out[8];
    ASSERT_EQ(lioSearch(ix.get(), key8('k', 20).data()), 20);
    ASSERT_EQ(other([](LioFile *x) {
                  bool ok = lioInsert(x, key8('k', 25).data(), 25) == 25 &&
                            lioDelete(x, key8('k', 30).data()) == 30;
                  return ok ? 0 : 4;
              }),
              0);
    EXPECT_EQ(lioNext(ix.get(), out), 25);
    EXPECT_EQ(std::string(out, 8), key8('k', 25));
    EXPECT_EQ(lioNext(ix.get(), out), 40);
    // the current key itself goes away: its neighbours are still found
    ASSERT_EQ(other([](LioFile *x) { return lioDelete(x, key8('k', 40).data()) == 40 ? 0 : 4; }),
              0);
    EXPECT_EQ(lioPrev(ix.get(), out), 25);
    ASSERT_EQ(other([](LioFile *x) {
                  bool ok = lioDelete(x, key8('k', 25).data()) == 25 &&
                            lioInsert(x, key8('k', 22).data(), 22) == 22 &&
                            lioInsert(x, key8('k', 27).data(), 27) == 27;
                  return ok ? 0 : 4;
              }),
              0);
    EXPECT_EQ(lioNext(ix.get(), out), 27);
    EXPECT_EQ(lioPrev(ix.get(), out), 22);
    EXPECT_EQ(lioPrev(ix.get(), out), 20);
    EXPECT_EQ(checkIndexFile(ix.get()), "");
}

} // namespace
