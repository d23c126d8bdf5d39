// Stale locks: a process that dies while it holds a record lock, or while it owns a file
// exclusively, leaves its process number in the file header.  Nothing in the engine can tell a
// dead holder from a live one, so the record (or the file) stays refused until
// velk-check --reset-locks clears the tables.
#include "tests/tools/crash/crash_support.h"
#include "tests/btree/process_support.h"

#include <cstring>

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>

using namespace velk::crashtest;

namespace {

int lastCode() { return lioLastErr()->code; }

// Adds three records to a set of the directory.
void fill(const std::string &dir, SetKind k)
{
    Bt3File *fd = openSet(dir, k);
    ASSERT_NE(fd, nullptr);
    for (const char *id : {"AAAA0001", "AAAA0002", "AAAA0003"})
        ASSERT_GT(addRecord(fd, k, id, 1), 0);
    ASSERT_EQ(bt3Close(fd), 0);
}

// A child that locks record `id` of the set, says so and waits to be killed.
pid_t lockAndWait(const std::string &dir, SetKind k, const char *id, velk::apptest::Signal &locked)
{
    return velk::apptest::spawn([&] {
        Bt3File *fd = openSet(dir, k);
        if (!fd) return 1;
        char *buf = bt3GetBuff(fd, 300);
        memset(buf, 0, 300);
        memcpy(buf, id, 8);
        if (bt3Find(fd, buf, 5) <= 0 || bt3Lock(fd) < 0) return 2;
        locked.post();
        for (;;) pause();
    });
}

void killChild(pid_t pid)
{
    kill(pid, SIGKILL);
    EXPECT_EQ(velk::apptest::waitFor(pid), 128 + SIGKILL);
}

class StaleLocks : public ::testing::TestWithParam<SetKind> {};

} // namespace

TEST_P(StaleLocks, RecordOfAKilledHolderIsWritableAfterReset)
{
    SetKind k = GetParam();
    DbDir dir;
    ASSERT_EQ(createSets(dir.path()), 0);
    fill(dir.path(), k);
    velk::apptest::Signal locked;
    pid_t pid = lockAndWait(dir.path(), k, "AAAA0002", locked);
    ASSERT_TRUE(locked.wait());
    killChild(pid);

    Bt3File *fd = openSet(dir.path(), k);
    ASSERT_NE(fd, nullptr);
    EXPECT_EQ(rewriteRecord(fd, k, "AAAA0002", "AAAA0002", 2), -1);
    EXPECT_EQ(lastCode(), LIO_E_RECLOCK);
    EXPECT_EQ(deleteRecord(fd, k, "AAAA0002"), -1) << "a delete must respect the lock as well";
    EXPECT_GT(rewriteRecord(fd, k, "AAAA0001", "AAAA0001", 2), 0) << "other records stay free";
    ASSERT_EQ(bt3Close(fd), 0);

    ToolRun v = runTool({dir.path()});
    EXPECT_TRUE(v.exited && (v.code == 0 || v.code == 1)) << v.describe();
    ToolRun r = runTool({"--reset-locks", dir.path()});
    ASSERT_TRUE(r.exited && r.code == 0) << r.describe();

    fd = openSet(dir.path(), k);
    ASSERT_NE(fd, nullptr);
    EXPECT_GT(rewriteRecord(fd, k, "AAAA0002", "AAAA0002", 2), 0) << "error " << lastCode();
    EXPECT_EQ(deleteRecord(fd, k, "AAAA0003"), 0);
    Contents c;
    std::string why;
    ASSERT_TRUE(scanSet(fd, k, &c, &why)) << why;
    EXPECT_EQ(c, (Contents{{"AAAA0001", 2}, {"AAAA0002", 2}}));
    ASSERT_EQ(bt3Close(fd), 0);
    ToolRun after = runTool({dir.path()});
    EXPECT_TRUE(after.exited && after.code == 0) << after.describe();
}

INSTANTIATE_TEST_SUITE_P(BothSets, StaleLocks, ::testing::Values(Table, Blob));

// A process killed while it owns the file set exclusively: everyone else is refused (19) until
// the owner marks are reset.
TEST(StaleOwner, FileOwnedByAKilledProcessOpensAfterReset)
{
    DbDir dir;
    ASSERT_EQ(createSets(dir.path()), 0);
    fill(dir.path(), Table);
    velk::apptest::Signal owned;
    std::string base = dir.base(Table);
    pid_t pid = velk::apptest::spawn([&] {
        Bt3File *fd = bt3Open(base.c_str(), LIO_EXCL | LIO_RDWR);
        if (!fd) return 1;
        owned.post();
        for (;;) pause();
    });
    ASSERT_TRUE(owned.wait());
    killChild(pid);

    EXPECT_EQ(openSet(dir.path(), Table), nullptr);
    EXPECT_EQ(lastCode(), LIO_E_OWNED);

    ToolRun r = runTool({"--reset-locks", dir.path()});
    ASSERT_TRUE(r.exited && r.code == 0) << r.describe();
    Bt3File *fd = openSet(dir.path(), Table);
    ASSERT_NE(fd, nullptr) << "error " << lastCode();
    EXPECT_GT(addRecord(fd, Table, "AAAA0004", 1), 0);
    ASSERT_EQ(bt3Close(fd), 0);
}

// The reset refuses while a live process is inside an operation (holds byte 0).
TEST(StaleLocks, ResetRefusesWhileByteZeroIsHeld)
{
    DbDir dir;
    ASSERT_EQ(createSets(dir.path()), 0);
    velk::apptest::Signal holding, done;
    std::string path = dir.base(Table) + ".dat";
    pid_t pid = velk::apptest::spawn([&] {
        int fh = open(path.c_str(), O_RDWR);
        struct flock fl = {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        fl.l_len = 1;
        if (fh < 0 || fcntl(fh, F_OFD_SETLK, &fl) < 0) return 1;
        holding.post();
        return done.wait() ? 0 : 2;
    });
    ASSERT_TRUE(holding.wait());
    ToolRun r = runTool({"--reset-locks", dir.path()});
    done.post();
    EXPECT_EQ(velk::apptest::waitFor(pid), 0);
    EXPECT_TRUE(r.exited && r.code == 3) << r.describe();
    ToolRun after = runTool({"--reset-locks", dir.path()});
    EXPECT_TRUE(after.exited && after.code == 0) << after.describe();
}
