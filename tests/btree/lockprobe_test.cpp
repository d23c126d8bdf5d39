// The lock probe in this process: a local directory enforces locks; a lock request the seam
// fails as a share without locks answers (ENOLCK, EINVAL) makes the probe say so; any other
// failure leaves the decision to the caller.  Whatever it answers, it leaves no file and no
// descriptor (and so no lock) behind.  A share that grants a conflicting lock is played by the
// tools' fcntl shim in tests/tools; one that keeps locks on this machine alone by its mount
// options.
#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "btree/btree.h"
#include "tests/btree/files_support.h"

using namespace velk::apptest;

namespace {

std::vector<std::string> entries(const std::string &dir)
{
    std::vector<std::string> names;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

int openDescriptors() { return int(entries("/proc/self/fd").size()); }

long long lockCalls()
{
    LioIoCount c;
    lioIoCount(&c);
    return c.lockCalls;
}

struct ProbeCase {
    const char *name;
    int nth; // the seam call that fails (1: the first lock, 2: the conflicting one), 0: none
    int err;
    int answer;
    const char *why;
    long long locks; // lock requests the probe makes, releases included
};

class LockProbeTest : public ::testing::TestWithParam<ProbeCase> {
protected:
    void TearDown() override { lioIoFault(-1, 0, 0); }
    TempDir tmp;
};

const ProbeCase kCases[] = {
    {"LocksWork", 0, 0, 0, "", 3},
    {"FirstAnswersEnolck", 1, ENOLCK, 1, "ENOLCK", 1},
    {"FirstAnswersEinval", 1, EINVAL, 1, "EINVAL", 1},
    {"SecondAnswersEnolck", 2, ENOLCK, 1, "ENOLCK", 3},
    {"FirstFailsOtherwise", 1, EIO, -1, "EIO", 1},
    {"SecondFailsOtherwise", 2, EIO, -1, "EIO", 3},
};

} // namespace

TEST_P(LockProbeTest, AnswersLeavesNothingAndCountsItsLocks)
{
    const ProbeCase &c = GetParam();
    writeFileBytes(tmp.file("datadict.dat"), Bytes(340, 0));
    const int fds = openDescriptors();
    const long long before = lockCalls();
    if (c.nth) lioIoFault(c.nth, c.err, 0);
    char why[64] = "untouched";
    EXPECT_EQ(muProbeLocks(tmp.path().c_str(), why, int(sizeof why)), c.answer);
    lioIoFault(-1, 0, 0);
    EXPECT_STREQ(why, c.why);
    EXPECT_EQ(lockCalls() - before, c.locks);
    EXPECT_EQ(entries(tmp.path()), std::vector<std::string>{"datadict.dat"});
    EXPECT_EQ(openDescriptors(), fds);
}

INSTANTIATE_TEST_SUITE_P(Outcomes, LockProbeTest, ::testing::ValuesIn(kCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(LockProbe, DirectoryThatCannotTakeTheFileIsLeftToTheCaller)
{
    TempDir tmp;
    char why[64];
    EXPECT_EQ(muProbeLocks(tmp.file("missing").c_str(), why, int(sizeof why)), -1);
    EXPECT_STREQ(why, "ENOENT");
    writeFileBytes(tmp.file("plain"), Bytes(1, 0));
    EXPECT_EQ(muProbeLocks(tmp.file("plain").c_str(), nullptr, 0), -1);
    EXPECT_EQ(entries(tmp.path()), std::vector<std::string>{"plain"});
}

// A reason longer than the caller's buffer is cut and terminated.
TEST(LockProbe, ReasonFitsTheBuffer)
{
    TempDir tmp;
    char why[4] = {'x', 'x', 'x', 'x'};
    lioIoFault(1, ENOLCK, 0);
    EXPECT_EQ(muProbeLocks(tmp.path().c_str(), why, int(sizeof why)), 1);
    lioIoFault(-1, 0, 0);
    EXPECT_STREQ(why, "ENO");
}

// Shares that keep locks on this machine alone pass the lock test; their mount options tell them.
struct MountCase {
    const char *name;
    const char *line; // a mountinfo line of device 0:52 (or another)
    int answer;
    const char *why;
};

class LocalLockMountTest : public ::testing::TestWithParam<MountCase> {};

const MountCase kMounts[] = {
    {"NfsNolock",
     "36 25 0:52 / /srv/velk rw,relatime shared:7 - nfs fs:/velk "
     "rw,vers=3,hard,nolock,proto=tcp,local_lock=all,addr=10.0.0.1",
     1, "nfs nolock"},
    {"NfsLocalLockPosix",
     "36 25 0:52 / /srv/velk rw,relatime - nfs fs:/velk rw,vers=3,hard,local_lock=posix", 1,
     "nfs local_lock=posix"},
    {"NfsLocalLockAll", "36 25 0:52 / /srv rw - nfs4 fs:/ rw,vers=4.2,local_lock=all", 1,
     "nfs4 local_lock=all"},
    {"NfsWithLocks",
     "36 25 0:52 / /srv rw shared:1 master:2 - nfs4 fs:/ rw,vers=4.2,local_lock=none", 0, ""},
    {"NfsLocalFlockOnly", "36 25 0:52 / /srv rw - nfs fs:/ rw,vers=3,local_lock=flock", 0, ""},
    {"CifsNobrl", "36 25 0:52 / /mnt/velk rw - cifs //srv/velk rw,vers=3.1.1,cache=strict,nobrl", 1,
     "cifs nobrl"},
    {"CifsWithLocks", "36 25 0:52 / /mnt/velk rw - cifs //srv/velk rw,vers=3.1.1,cache=strict", 0,
     ""},
    {"Sshfs", "36 25 0:52 / /mnt/velk rw,nosuid - fuse.sshfs u@h:/velk rw,user_id=0", 1,
     "fuse.sshfs"},
    {"LocalDisk", "36 25 0:52 / / rw,relatime - ext4 /dev/sda1 rw", 0, ""},
    {"OtherDevice", "36 25 0:53 / /srv rw - nfs fs:/ rw,vers=3,nolock,local_lock=all", 0, ""},
    {"NolockAsMountPointName", "36 25 0:52 / /nolock rw - ext4 /dev/nolock rw", 0, ""},
};

TEST_P(LocalLockMountTest, OptionsOfTheDirectorysDevice)
{
    const MountCase &c = GetParam();
    const std::string text = std::string("20 1 8:1 / / rw - ext4 /dev/sda1 rw\n") + c.line + "\n";
    char why[64] = "untouched";
    EXPECT_EQ(muLocalLockMount(text.c_str(), makedev(0, 52), why, int(sizeof why)), c.answer);
    if (c.answer) {
        EXPECT_STREQ(why, c.why);
    }
}

INSTANTIATE_TEST_SUITE_P(Mounts, LocalLockMountTest, ::testing::ValuesIn(kMounts),
                         [](const auto &info) { return std::string(info.param.name); });

// The machine the tests run on keeps its temporary directory on a local file system.
TEST(LocalLockMount, ThisProcesssMountOfATemporaryDirectory)
{
    TempDir tmp;
    struct stat st;
    ASSERT_EQ(stat(tmp.path().c_str(), &st), 0);
    EXPECT_EQ(muLocalLockMount(nullptr, st.st_dev, nullptr, 0), 0);
}
