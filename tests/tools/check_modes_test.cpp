// Files made for sharing: every file the engine, the process registry and velk-check create is
// made 0666 and every directory velk-check makes 0777, narrowed by the umask, so that the users
// of a directory shared by a group (umask 002) can all write it.
#include "tests/tools/check_support.h"

#include <sys/stat.h>

using namespace velk::checktest;

namespace {

std::string octal(int mode)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04o", unsigned(mode));
    return mode < 0 ? "missing" : buf;
}

struct UmaskCase {
    mode_t umask, file, dir;
};

const UmaskCase kCases[] = {{002, 0664, 0775}, {022, 0644, 0755}, {077, 0600, 0700}};

void PrintTo(const UmaskCase &c, std::ostream *os) { *os << "umask " << octal(c.umask); }

class ModeTest : public CheckTest, public ::testing::WithParamInterface<UmaskCase> {
protected:
    void SetUp() override
    {
        CheckTest::SetUp();
        old_ = umask(GetParam().umask);
    }
    void TearDown() override
    {
        umask(old_);
        CheckTest::TearDown();
    }

    // The permission bits of a file in octal, "missing" when it does not exist.
    static std::string modeOf(const std::string &path)
    {
        struct stat st;
        return octal(stat(path.c_str(), &st) == 0 ? int(st.st_mode & 07777) : -1);
    }

    void expectFiles(std::initializer_list<const char *> names, mode_t want)
    {
        for (const char *n : names) EXPECT_EQ(modeOf(path(n)), octal(want)) << n;
    }

    std::string only(const std::string &prefix) const
    {
        std::string found;
        for (const auto &e : std::filesystem::directory_iterator(dir_.path()))
            if (e.path().filename().string().rfind(prefix, 0) == 0) found = e.path().string();
        return found;
    }

private:
    mode_t old_ = 022;
};

TEST_P(ModeTest, EngineFilesAndTheRegistryFollowTheUmask)
{
    makePersons(4);
    makeBlob(3);
    ASSERT_GT(muProcId(), 0);
    ASSERT_EQ(lioCreat(path("plain.dat").c_str(), 20, LIO_DATAFILE, 0, 0), 0);
    expectFiles(
        {"PERSON.dat", "PERSON.ndx", "blob.mp", "blob.st", "blob.ndx", "proc.id", "plain.dat"},
        GetParam().file);

    // a temporary index lives in its own file while the set is open
    Bt3File *f = bt3Open(path("PERSON").c_str(), LIO_EXCL | LIO_RDWR);
    ASSERT_NE(f, nullptr);
    const int byTail[] = {34, 6, int(LIO_KEY_BINARY) | int(BT3_DUPS), -1};
    ASSERT_GT(bt3AddInx(f, byTail), 0);
    expectFiles({"PERSON.nx$"}, GetParam().file);
    ASSERT_EQ(bt3Close(f), 0);
}

// Backups, lost+found and its record file, and an index built anew where none was.  An index
// that replaces one keeps that one's mode: a repair run with another umask does not change who
// may write the directory.
TEST_P(ModeTest, WhatARepairMakesFollowsTheUmask)
{
    const UmaskCase c = GetParam();
    makePersons(6);
    // record 5 takes the unique CODE of record 2 behind the engine's back: it goes to lost+found
    const long code5 = kDataStart + 4L * kRecStored + 4 + 28;
    Bytes b = velk::apptest::readFileBytes(path("PERSON.dat"));
    const std::string code2 = personRecord(2).substr(28, 6);
    std::copy(code2.begin(), code2.end(), b.begin() + code5);
    velk::apptest::writeFileBytes(path("PERSON.dat"), b);
    ASSERT_EQ(chmod(path("PERSON.ndx").c_str(), 0660), 0);
    makeBlob(2);
    ASSERT_EQ(unlink(path("blob.ndx").c_str()), 0);

    velkcheck::tResult r = velkcheck::repairDir(dir_.path());
    ASSERT_EQ(r.code, velkcheck::Clean) << describe(r);
    const std::string backup = only("backup-");
    ASSERT_FALSE(backup.empty()) << describe(r);
    EXPECT_EQ(modeOf(backup), octal(c.dir));
    EXPECT_EQ(modeOf(backup + "/PERSON.dat"), octal(c.file));
    EXPECT_EQ(modeOf(path("lost+found")), octal(c.dir));
    EXPECT_EQ(modeOf(path("lost+found/PERSON.dat")), octal(c.file));
    EXPECT_EQ(modeOf(path("blob.ndx")), octal(c.file)) << "built where none was";
    EXPECT_EQ(modeOf(path("PERSON.ndx")), "0660") << "rebuilt over the old one";
    EXPECT_EQ(modeOf(path("PERSON.dat")), octal(c.file)) << "repaired in place";
    EXPECT_TRUE(only(".velk-check-").empty()) << "the scratch directory is gone";
}

INSTANTIATE_TEST_SUITE_P(Umask, ModeTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<UmaskCase> &i) {
                             char name[16];
                             std::snprintf(name, sizeof name, "u%03o", unsigned(i.param.umask));
                             return std::string(name);
                         });

} // namespace
