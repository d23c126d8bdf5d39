// Random damage with a fixed seed (printed on failure): bytes flipped anywhere in an index file
// are found or harmless, and a repair always ends with a clean set holding every record; bytes
// flipped in the records of a data file never stop a repair from ending clean.
#include "tests/tools/check_support.h"

#include <random>

#include "tests/btree/engine_support.h"

using namespace velk::checktest;

namespace {

const unsigned kSeed = 20261209;

class RandomDamageTest : public CheckTest {
protected:
    void SetUp() override
    {
        CheckTest::SetUp();
        makePersons(120);
        makeBlob(40);
        for (const char *f : {"PERSON.dat", "PERSON.ndx", "blob.mp", "blob.st", "blob.ndx"})
            pristine_.emplace_back(f, velk::apptest::readFileBytes(path(f)));
        persons_ = contents("PERSON");
        texts_ = contents("blob", 0);
    }

    void restore()
    {
        for (const auto &[f, bytes] : pristine_) velk::apptest::writeFileBytes(path(f), bytes);
        std::error_code ec;
        for (const auto &e : std::filesystem::directory_iterator(dir_.path()))
            if (e.is_directory()) std::filesystem::remove_all(e.path(), ec);
    }

    // Flips 1..4 random bytes of `file` from byte `from` on; says which.
    std::string flip(std::mt19937 &rng, const std::string &file, long from)
    {
        const long size = velk::apptest::fileSize(path(file));
        std::string what = file + ":";
        for (int n = 1 + int(rng() % 4); n > 0; --n) {
            long at = from + long(rng() % unsigned(size - from));
            unsigned char mask = (unsigned char)(1u << (rng() % 8));
            velk::apptest::flipByte(path(file), at, mask);
            what += " " + std::to_string(at) + "^" + std::to_string(mask);
        }
        return what;
    }

    std::vector<std::pair<std::string, Bytes>> pristine_;
    std::vector<std::string> persons_, texts_;
};

TEST_F(RandomDamageTest, FlippedIndexBytesAreRepairedWithoutLosingARecord)
{
    std::mt19937 rng(kSeed);
    for (int round = 0; round < 40; ++round) {
        restore();
        const std::string file = round % 2 ? "blob.ndx" : "PERSON.ndx";
        const std::string what = flip(rng, file, 0);
        SCOPED_TRACE("seed " + std::to_string(kSeed) + ", round " + std::to_string(round) + ", " +
                     what);
        velkcheck::tResult v = velkcheck::verifyDir(dir_.path());
        ASSERT_NE(v.code, velkcheck::CannotRun) << describe(v);
        velkcheck::tResult r = velkcheck::repairDir(dir_.path());
        ASSERT_EQ(r.code, velkcheck::Clean) << describe(v) << describe(r);
        EXPECT_EQ(contents("PERSON"), persons_);
        EXPECT_EQ(contents("blob", 0), texts_);
    }
}

TEST_F(RandomDamageTest, FlippedRecordBytesNeverStopARepair)
{
    std::mt19937 rng(kSeed + 1);
    for (int round = 0; round < 30; ++round) {
        restore();
        const bool store = round % 2;
        const std::string what =
            store ? flip(rng, "blob.st", 12 + 1024) : flip(rng, "PERSON.dat", kDataStart);
        SCOPED_TRACE("seed " + std::to_string(kSeed + 1) + ", round " + std::to_string(round) +
                     ", " + what);
        velkcheck::tResult v = velkcheck::verifyDir(dir_.path());
        ASSERT_NE(v.code, velkcheck::CannotRun) << describe(v);
        velkcheck::tResult r = velkcheck::repairDir(dir_.path());
        ASSERT_EQ(r.code, velkcheck::Clean) << describe(v) << describe(r);
        // a flipped record may lose its place (a store area's length word, a taken key), never
        // gain company
        EXPECT_LE(contents("PERSON").size(), persons_.size());
        EXPECT_LE(contents("blob", 0).size(), texts_.size());
    }
}

TEST_F(RandomDamageTest, FlippedBytesAnywhereAreAnsweredWithAnExitCode)
{
    // headers too: the answer may be that the files cannot be checked, but never a crash (this
    // runs under the sanitizers as well); a repair that answers Clean leaves sets that open
    std::mt19937 rng(kSeed + 2);
    const char *files[] = {"PERSON.dat", "PERSON.ndx", "blob.mp", "blob.st", "blob.ndx"};
    for (int round = 0; round < 40; ++round) {
        restore();
        const std::string what = flip(rng, files[rng() % 5], 0);
        SCOPED_TRACE("seed " + std::to_string(kSeed + 2) + ", round " + std::to_string(round) +
                     ", " + what);
        velkcheck::tResult v = velkcheck::verifyDir(dir_.path());
        velkcheck::tResult r = velkcheck::repairDir(dir_.path());
        if (r.code == velkcheck::Clean) { // contents() expects each set to open shared
            contents("PERSON");
            contents("blob", 0);
        }
        if (v.code == velkcheck::CannotRun) {
            EXPECT_EQ(r.code, velkcheck::CannotRun)
                << "a repair of what a verify cannot read: " << describe(r);
        }
    }
}

} // namespace
