// The lock probe in this process: a local directory enforces locks; a lock request the seam
// fails as a share without locks answers (ENOLCK, EINVAL) makes the probe say so; any other
// failure leaves the decision to the caller.  Whatever it answers, it leaves no file and no
// descriptor (and so no lock) behind.  A share that grants a conflicting lock is played by the
// tools' fcntl shim in tests/tools.
#include <cerrno>
#include <dirent.h>
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
