// Damaged and misused stores: a mapper or store that is truncated, patched or out of step is
// refused at open or by the operation that meets the damage, with the error code and without a
// byte written; bad descriptors and record numbers are refused the same way.
#include <functional>

#include "tests/btree/vlstore/vl_support.h"

namespace vltest {
namespace {

// min 16, max 64, g 16 (map at 328): records 1 "one" (area 16 at 12), 2 of 20 bytes (32 at 28),
// 3 of 40 bytes (48 at 60), then record 2 freed; end of store 108.
class VlDamaged : public VlTest {
protected:
    void SetUp() override
    {
        VlTest::SetUp();
        ASSERT_EQ(vlCreat(base_.c_str(), 16, 60, 16, 0), 0);
        Store fd(vlOpen(base_.c_str(), LIO_EXCL | LIO_RDWR));
        ASSERT_NE(fd.get(), nullptr);
        const std::string recs[] = {"one", pattern(20, 2), pattern(40, 3)};
        for (const std::string &s : recs)
            ASSERT_EQ(vlWrite(fd, vlAvl(fd), s.data(), (int)s.size()), (int)s.size());
        ASSERT_EQ(vlFree(fd, 2), 20);
        ASSERT_EQ(fd.close(), 0);
        ASSERT_EQ(checkStore(base_), "");
    }
    long entry(int rec) { return 328 + (rec - 1) * 8; }

    // Opens, runs the operation, expects it to fail with code and leave both files alone.
    void expectRefused(const std::function<int(VlFile *)> &op, int code)
    {
        Bytes mp = readAll(mp_), st = readAll(st_);
        {
            Store fd(vlOpen(base_.c_str(), LIO_EXCL | LIO_RDWR));
            ASSERT_NE(fd.get(), nullptr) << lastCode();
            lioClearErr();
            EXPECT_EQ(op(fd), -1);
            EXPECT_EQ(lastCode(), code);
        }
        EXPECT_EQ(readAll(st_), st);
        Bytes after = readAll(mp_);
        ASSERT_EQ(after.size(), mp.size());
        for (size_t i = VL_HDRSIZE; i < mp.size(); i++)
            ASSERT_EQ(after[i], mp[i]) << "mapper byte " << i;
    }
};

struct Patch {
    const char *what;
    bool store;  // patch the store instead of the mapper
    long offset; // byte offset; -1: truncate to value
    int32_t value;
    int code;
};

class VlOpenDamaged : public VlDamaged, public ::testing::WithParamInterface<Patch> {};

TEST_P(VlOpenDamaged, OpenFailsWithTheCodeAndWritesNothing)
{
    const Patch &p = GetParam();
    const std::string &path = p.store ? st_ : mp_;
    if (p.offset < 0)
        truncateTo(path, p.value);
    else
        setFileWord(path, p.offset, p.value);
    Bytes mp = readAll(mp_), st = readAll(st_);
    for (int mode : {LIO_EXCL | LIO_RDWR, LIO_SHARED | LIO_RDWR, LIO_SHARED | LIO_RDONLY}) {
        lioClearErr();
        EXPECT_EQ(vlOpen(base_.c_str(), mode), nullptr) << p.what;
        EXPECT_EQ(lastCode(), p.code) << p.what;
    }
    EXPECT_EQ(readAll(mp_), mp);
    EXPECT_EQ(readAll(st_), st);
}

INSTANTIATE_TEST_SUITE_P(
    Patches, VlOpenDamaged,
    ::testing::Values(Patch{"magic", false, 0, 311, LIO_E_VERSION},
                      Patch{"min against the store's copy", false, 32, 32, VL_E_SYNC},
                      Patch{"store's copy of max", true, 4, 99, VL_E_SYNC},
                      Patch{"granule 0", false, 40, 0, VL_E_SYNC},
                      Patch{"map offset", false, 44, 332, VL_E_CORRUPT},
                      Patch{"end past the store file", false, 16, 109, VL_E_CORRUPT},
                      Patch{"highest past the mapper", false, 4, 4, VL_E_CORRUPT},
                      Patch{"negative freed count", false, 12, -1, VL_E_CORRUPT},
                      Patch{"freed head without count", false, 12, 0, VL_E_CORRUPT},
                      Patch{"heap bytes past the store", false, 20, 1 << 30, VL_E_CORRUPT},
                      Patch{"31 record locks", false, 68, 31, VL_E_CORRUPT},
                      Patch{"mapper shorter than its header", false, -1, 100, LIO_E_VLHDR},
                      Patch{"mapper cut inside the map", false, -1, 340, VL_E_CORRUPT},
                      Patch{"store cut inside its header", true, -1, 8, VL_E_CORRUPT},
                      Patch{"store cut inside an area", true, -1, 90, VL_E_CORRUPT}));

TEST_F(VlDamaged, MissingFilesAreOpenErrors)
{
    std::filesystem::rename(st_, st_ + ".x");
    EXPECT_EQ(vlOpen(base_.c_str(), LIO_EXCL | LIO_RDWR), nullptr);
    EXPECT_EQ(lastCode(), VL_E_STOREOPEN);
    std::filesystem::rename(mp_, mp_ + ".x");
    EXPECT_EQ(vlOpen(base_.c_str(), LIO_EXCL | LIO_RDWR), nullptr);
    EXPECT_EQ(lastCode(), VL_E_MAPOPEN);
}

int read3(VlFile *fd)
{
    char b[64];
    return vlRead(fd, 3, b, 0);
}
int write3(VlFile *fd) { return vlWrite(fd, 3, "x", 1); }
int free3(VlFile *fd) { return vlFree(fd, 3); }
int grow1(VlFile *fd) { return vlWrite(fd, 1, "now twenty bytes ...", 20); } // from class 32
int stats(VlFile *fd)
{
    VlStats s;
    return vlStats(fd, &s);
}

struct UseDamage {
    const char *what;
    bool store;
    long offset;
    int32_t value;
    int (*op)(VlFile *);
    int code;
};

class VlUseDamaged : public VlDamaged, public ::testing::WithParamInterface<UseDamage> {};

TEST_P(VlUseDamaged, TheOperationMeetingTheDamageFailsAndWritesNothing)
{
    const UseDamage &d = GetParam();
    setFileWord(d.store ? st_ : mp_, d.offset, d.value);
    SCOPED_TRACE(d.what);
    expectRefused(d.op, d.code);
}

// record 3's entry is at 344, its area at 60; class 32 heads at 316 with the freed area at 28
INSTANTIATE_TEST_SUITE_P(
    Patches, VlUseDamaged,
    ::testing::Values(UseDamage{"area past the end", false, 344, 100, read3, VL_E_CORRUPT},
                      UseDamage{"area past the end", false, 344, 100, write3, VL_E_CORRUPT},
                      UseDamage{"area past the end", false, 344, 100, free3, VL_E_CORRUPT},
                      UseDamage{"stored length over max + 4", false, 348, 70, stats, VL_E_CORRUPT},
                      UseDamage{"area length differs", true, 60, 43, read3, VL_E_INTEGRITY},
                      UseDamage{"area length differs", true, 60, 43, write3, VL_E_INTEGRITY},
                      UseDamage{"area length differs", true, 60, 43, free3, VL_E_INTEGRITY},
                      UseDamage{"heap head on a used area", false, 316, 60, grow1, VL_E_CORRUPT},
                      UseDamage{"heap head past the end", false, 316, 100, grow1, VL_E_CORRUPT},
                      UseDamage{"free area links to itself", true, 37, 28, stats, VL_E_CORRUPT},
                      UseDamage{"heap bytes the lists lack", false, 20, 48, stats, VL_E_BALANCE}));

TEST_F(VlDamaged, FreedNumberCycleIsCaught)
{
    {
        Store fd(vlOpen(base_.c_str(), LIO_EXCL | LIO_RDWR));
        ASSERT_EQ(vlFree(fd, 1), 3); // the list is 1 -> 2
    }
    setFileWord(mp_, entry(2), 1); // 1 -> 2 -> 1
    Store fd(vlOpen(base_.c_str(), LIO_EXCL | LIO_RDWR));
    ASSERT_NE(fd.get(), nullptr);
    EXPECT_EQ(vlAvl(fd), 1);
    EXPECT_EQ(vlAvl(fd), -1); // would hand out 1 a second time
    EXPECT_EQ(lastCode(), VL_E_CORRUPT);
}

TEST_F(VlDamaged, MisusedNumbersAndDescriptorsAreRefused)
{
    Store fd(vlOpen(base_.c_str(), LIO_EXCL | LIO_RDWR));
    ASSERT_NE(fd.get(), nullptr);
    EXPECT_EQ(vlFree(fd, 2), 0); // freed already: nothing changes
    EXPECT_EQ(vlCount(fd), 2);
    for (int rec : {0, 2, 4}) { // outside 1..highest, or on the freed list
        EXPECT_EQ(vlWrite(fd, rec, "x", 1), -1) << rec;
        EXPECT_EQ(lastCode(), LIO_E_BADARG);
    }
    EXPECT_EQ(vlRead(fd, 4, nullptr, 0), 0);
    EXPECT_EQ(vlWrite(fd, 1, nullptr, 3), -1);
    EXPECT_EQ(vlRead(fd, 1, nullptr, -1), -1);
    EXPECT_EQ(vlSetMode(fd, LIO_SHARED | LIO_EXCL), -1);
    EXPECT_EQ(lastCode(), LIO_E_BADARG);

    VlFile *closed = vlOpen(base_.c_str(), LIO_SHARED | LIO_RDONLY);
    ASSERT_NE(closed, nullptr);
    ASSERT_EQ(vlClose(closed), 0);
    alignas(8) unsigned char junk[512];
    memset(junk, 0x5A, sizeof junk);
    for (VlFile *bad : {(VlFile *)nullptr, closed, (VlFile *)junk}) {
        lioClearErr();
        EXPECT_EQ(vlRead(bad, 1, nullptr, 0), -1);
        EXPECT_EQ(lastCode(), VL_E_BADFD);
        EXPECT_EQ(vlClose(bad), -1);
        EXPECT_EQ(vlMuEntry(bad), -1);
    }
    EXPECT_STREQ(lioErrMsg(VL_E_BADFD), "bad fd given (global error)");

    Store ro(vlOpen(base_.c_str(), LIO_SHARED | LIO_RDONLY));
    EXPECT_EQ(vlWrite(ro, 1, "x", 1), -1);
    EXPECT_EQ(lastCode(), LIO_E_MODE);
}

} // namespace
} // namespace vltest
