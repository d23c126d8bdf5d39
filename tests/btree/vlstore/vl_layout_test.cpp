// The store on disk: creation parameters, the worked example of vlen3.cpp byte for byte, size
// classes and their reuse, record-number reuse, the text store's length limit and its size
// without a head slot, the clean/modified mark, and the read-only open after an unclean close.
#include <sys/wait.h>
#include <unistd.h>

#include "tests/btree/vlstore/vl_support.h"

namespace vltest {
namespace {

struct CreateRow {
    int min, max, g;    // asked for
    int wmin, wmax, wg; // stored
};

class VlCreate : public VlTest, public ::testing::WithParamInterface<CreateRow> {};

TEST_P(VlCreate, StoresTheRoundedParametersAndAnEmptyHeapTable)
{
    const CreateRow &r = GetParam();
    ASSERT_EQ(vlCreat(base_.c_str(), r.min, r.max, r.g, 24), 0) << lastCode();
    Bytes mp = readAll(mp_), st = readAll(st_);
    int classes = (r.wmax - r.wmin + 1) / r.wg + 1;
    ASSERT_EQ(mp.size(), size_t(VL_HDRSIZE + classes * 4));
    ASSERT_EQ(st.size(), size_t(VL_STOREHDR + 24));
    std::vector<int32_t> want(VL_HDRWORDS, 0);
    want[VL_H_MAGIC] = 310;
    want[VL_H_END] = VL_STOREHDR + 24;
    want[VL_H_MARK] = 42;
    want[VL_H_MIN] = r.wmin;
    want[VL_H_MAX] = r.wmax;
    want[VL_H_GRAN] = r.wg;
    want[VL_H_MAPOFF] = classes * 4 + VL_HDRSIZE;
    want[VL_H_STASH] = 24;
    for (int w = 0; w < VL_HDRWORDS; w++) EXPECT_EQ(wordAt(mp, w * 4), want[w]) << "word " << w;
    EXPECT_TRUE(std::all_of(mp.begin() + VL_HDRSIZE, mp.end(), [](unsigned char c) { return !c; }));
    EXPECT_EQ(wordAt(st, 0), r.wmin);
    EXPECT_EQ(wordAt(st, 4), r.wmax);
    EXPECT_EQ(wordAt(st, 8), r.wg);
    EXPECT_EQ(checkStore(base_), "");
}

INSTANTIATE_TEST_SUITE_P(Defaults, VlCreate,
                         ::testing::Values(CreateRow{16, 32768, 128, 128, 10000, 128}, // text store
                                           CreateRow{16, 60, 16, 16, 64, 16},
                                           CreateRow{0, 50, 0, 20, 54, 10},
                                           CreateRow{9, 50, 1, 13, 54, 1}, // holds the freed form
                                           CreateRow{100, 50, 64, 128, 10000, 64},
                                           CreateRow{20, 29996, 1025, 20, 30000, 10},
                                           CreateRow{20, 29997, 4, 20, 10000, 4}));

TEST_F(VlTest, CreateRefusesExistingFilesAndParametersWithoutASizeClass)
{
    EXPECT_EQ(vlCreat(base_.c_str(), 20000, 5000, 10, 0), -1); // min above the default max
    EXPECT_EQ(lastCode(), LIO_E_BADARG);
    EXPECT_EQ(vlCreat(base_.c_str(), 16, 60, 16, -1), -1);
    EXPECT_EQ(lastCode(), LIO_E_BADARG);
    EXPECT_EQ(fileSize(mp_), -1);
    ASSERT_EQ(vlCreat(base_.c_str(), 16, 60, 16, 0), 0);
    Bytes before = readAll(mp_);
    EXPECT_EQ(vlCreat(base_.c_str(), 16, 60, 16, 0), -1);
    EXPECT_EQ(lastCode(), VL_E_EXISTS);
    EXPECT_EQ(readAll(mp_), before);
    EXPECT_EQ(vlOpen((base_ + "x").c_str(), LIO_EXCL | LIO_RDWR), nullptr);
    char *text = nullptr;
    size_t len = 0;
    FILE *out = open_memstream(&text, &len);
    lioTraceReport(out);
    fclose(out);
    std::string report(text, len);
    free(text);
    EXPECT_NE(report.find("vlOpen()       "), std::string::npos) << report;
    EXPECT_NE(report.find("mapper open failed"), std::string::npos) << report;
    EXPECT_STREQ(lioErrMsg(VL_E_EXISTS), "mapper already exists");
    EXPECT_STREQ(lioErrMsg(VL_E_BALANCE), "mapper/store out of balance; ROBUST recovery needed");
}

// min 16, max 64, g 16: classes 16, 32, 48, 64 and the map at 328.
class VlSmall : public VlTest {
protected:
    void SetUp() override
    {
        VlTest::SetUp();
        ASSERT_EQ(vlCreat(base_.c_str(), 16, 60, 16, 0), 0);
        fd_ = vlOpen(base_.c_str(), LIO_EXCL | LIO_RDWR);
        ASSERT_NE(fd_, nullptr) << lastCode();
    }
    void TearDown() override
    {
        if (fd_) vlClose(fd_);
        VlTest::TearDown();
    }
    int add(const std::string &s)
    {
        int rec = vlAvl(fd_);
        EXPECT_EQ(vlWrite(fd_, rec, s.data(), (int)s.size()), (int)s.size()) << lastCode();
        return rec;
    }
    int32_t mapOff(int rec) { return fileWord(mp_, 328 + (rec - 1) * 8); }
    VlFile *fd_ = nullptr;
};

TEST_F(VlSmall, WorkedExampleByteForByte)
{
    EXPECT_EQ(add("hello"), 1);
    EXPECT_EQ(add(pattern(20, 2)), 2);
    EXPECT_EQ(vlFree(fd_, 1), 5);
    ASSERT_EQ(vlFlush(fd_), 0);
    Bytes mp = readAll(mp_), st = readAll(st_);
    const int32_t words[] = {310, 2, 1, 1, 60, 16, 42, 0, 16, 64, 16, 328, 0};
    for (int w = 0; w < 13; w++) EXPECT_EQ(wordAt(mp, w * 4), words[w]) << "word " << w;
    const int32_t tail[] = {12, 0, 0, 0, 0, 0, 28, 24}; // heads, then the map
    for (int i = 0; i < 8; i++) EXPECT_EQ(wordAt(mp, 312 + i * 4), tail[i]) << "at " << 312 + i * 4;
    const unsigned char freed[] = {0x10, 0, 0, 0, 0x1B, 'd', 'e', 'l', 0x1B, 0, 0, 0, 0};
    EXPECT_EQ(0, memcmp(&st[12], freed, sizeof freed));
    EXPECT_EQ(wordAt(st, 28), 24);
    EXPECT_EQ(0, st[25] | st[26] | st[27] | st[52] | st[59]); // slack
    EXPECT_EQ(st.size(), 60u);
    EXPECT_EQ(checkStore(base_), "");
}

TEST_F(VlSmall, SizeClassesAndRecordNumbersAreReused)
{
    int a = add("hello"), b = add(pattern(40, 1));
    int32_t at = mapOff(a);
    ASSERT_EQ(vlWrite(fd_, a, pattern(12, 3).data(), 12), 12); // 16 bytes still fit the area
    EXPECT_EQ(mapOff(a), at);
    ASSERT_EQ(vlWrite(fd_, a, pattern(13, 4).data(), 13), 13); // grows into the 32 class
    EXPECT_NE(mapOff(a), at);
    ASSERT_EQ(vlFlush(fd_), 0);
    EXPECT_EQ(fileWord(mp_, 312), at); // the old area heads class 16
    EXPECT_EQ(fileWord(mp_, VL_H_HEAPBYTES * 4), 16);
    int c = add("x");
    EXPECT_EQ(mapOff(c), at);
    ASSERT_EQ(vlFlush(fd_), 0);
    EXPECT_EQ(fileWord(mp_, 312), 0);
    EXPECT_EQ(fileWord(mp_, VL_H_HEAPBYTES * 4), 0);

    EXPECT_EQ(vlFree(fd_, b), 40);
    EXPECT_EQ(vlAvl(fd_), b);     // the freed number first
    EXPECT_EQ(vlAvl(fd_), c + 1); // then highest + 1
    EXPECT_EQ(vlRead(fd_, b, nullptr, 0), 0);
    EXPECT_EQ(vlCount(fd_), 4);
    char buf[16] = {};
    EXPECT_EQ(vlRead(fd_, a, buf, 4), 13); // the length, but only 4 bytes copied
    EXPECT_EQ(std::string(buf, 5), pattern(4, 4) + '\0');
    EXPECT_EQ(vlRead(fd_, 99, buf, 0), 0);
    ASSERT_EQ(vlClose(fd_), 0);
    fd_ = nullptr;
    EXPECT_EQ(checkStore(base_), "");
}

TEST_F(VlTest, TextStoreLimitAndTheSizeWithoutAHeadSlot)
{
    ASSERT_EQ(vlCreat(base_.c_str(), 16, 32768, 128, 1024), 0);
    Store fd(vlOpen(base_.c_str(), LIO_EXCL | LIO_RDWR));
    ASSERT_NE(fd.get(), nullptr);
    std::string big = pattern(9997, 5);
    int r1 = vlAvl(fd), r2 = vlAvl(fd), r3 = vlAvl(fd);
    ASSERT_EQ(vlWrite(fd, r1, "first", 5), 5);
    EXPECT_EQ(vlWrite(fd, r2, big.data(), 9997), -1);
    EXPECT_EQ(lastCode(), VL_E_TOOLONG);
    ASSERT_EQ(vlWrite(fd, r2, big.data(), 9996), 9996);
    ASSERT_EQ(vlWrite(fd, r3, "third", 5), 5);
    std::string back(9996, '\0');
    EXPECT_EQ(vlRead(fd, r2, back.data(), 0), 9996);
    EXPECT_EQ(back, big.substr(0, 9996));
    ASSERT_EQ(vlFree(fd, r2), 9996); // a 10112-byte area: class 78 of 78 heads
    ASSERT_EQ(vlFlush(fd), 0);
    int words[VL_HDRWORDS];
    ASSERT_EQ(vlHeader(fd, words), 0);
    EXPECT_EQ(words[VL_H_MAPOFF], 312 + 78 * 4);
    EXPECT_EQ(words[VL_H_HEAPBYTES], 0);
    char buf[8] = {};
    EXPECT_EQ(vlRead(fd, r1, buf, 0), 5); // the first map entry is not a head slot
    EXPECT_EQ(std::string(buf), "first");
    VlStats s;
    ASSERT_EQ(vlStats(fd, &s), 0);
    EXPECT_EQ(s.unlisted, 10112);
    EXPECT_EQ(s.areasInUse, 2);
    EXPECT_EQ(s.freeAreas, 0);
    ASSERT_EQ(fd.close(), 0);
    EXPECT_EQ(checkStore(base_), "");
}

TEST_F(VlSmall, MarkOwnerAndOpenCountFollowTheStoresLife)
{
    EXPECT_EQ(fileWord(mp_, VL_H_MARK * 4), 42);
    EXPECT_GT(fileWord(mp_, VL_H_OWNER * 4), 0);
    EXPECT_EQ(fileWord(mp_, VL_H_OPENCOUNT * 4), 1);
    add("abc");
    EXPECT_EQ(fileWord(mp_, VL_H_MARK * 4), 38); // the first change
    ASSERT_EQ(vlFlush(fd_), 0);
    EXPECT_EQ(fileWord(mp_, VL_H_MARK * 4), 42);
    EXPECT_EQ(vlSerial(fd_, 1), 1);
    EXPECT_EQ(vlSerial(fd_, 0), 1);
    char stashless[1];
    EXPECT_EQ(vlWStash(fd_, stashless), 0);
    ASSERT_EQ(vlClose(fd_), 0);
    fd_ = nullptr;
    EXPECT_EQ(fileWord(mp_, VL_H_OWNER * 4), 0);
    EXPECT_EQ(fileWord(mp_, VL_H_OPENCOUNT * 4), 0);
    EXPECT_EQ(fileWord(mp_, VL_H_SERIAL * 4), 1);

    Store sh(vlOpen(base_.c_str(), LIO_SHARED | LIO_RDWR));
    ASSERT_NE(sh.get(), nullptr);
    EXPECT_EQ(vlSetMode(sh, 0), LIO_SHARED | LIO_RDWR | LIO_WTHRU);
    ASSERT_EQ(vlMuEntry(sh), 1);
    EXPECT_EQ(vlMuEntry(sh), 0); // not re-entered
    EXPECT_EQ(vlWrite(sh, 1, "xyz", 3), 3);
    EXPECT_EQ(fileWord(mp_, VL_H_MARK * 4), 38);
    EXPECT_EQ(vlMuExit(sh, 0), 0);
    EXPECT_EQ(fileWord(mp_, VL_H_MARK * 4), 38);
    ASSERT_EQ(vlMuExit(sh, 1), 0);
    EXPECT_EQ(fileWord(mp_, VL_H_MARK * 4), 42);
}

TEST_F(VlTest, UncleanCloseOpensReadOnly)
{
    ASSERT_EQ(vlCreat(base_.c_str(), 16, 100, 16, 8), 0);
    pid_t pid = fork();
    if (pid == 0) {
        // one record flushed, a second one changed after it, then no close
        VlFile *fd = vlOpen(base_.c_str(), LIO_EXCL | LIO_RDWR);
        bool ok = fd && vlAvl(fd) == 1 && vlWrite(fd, 1, "kept", 4) == 4 && vlFlush(fd) == 0 &&
                  vlAvl(fd) == 2 && vlWrite(fd, 2, "lost", 4) == 4;
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    Bytes before = readAll(mp_);
    Store fd(vlOpen(base_.c_str(), LIO_EXCL | LIO_RDWR));
    ASSERT_NE(fd.get(), nullptr);
    EXPECT_EQ(lastCode(), VL_E_CORRUPT);
    EXPECT_EQ(vlSetMode(fd, 0), LIO_SHARED | LIO_RDONLY | LIO_WTHRU);
    char buf[8] = {};
    EXPECT_EQ(vlRead(fd, 1, buf, 0), 4);
    EXPECT_STREQ(buf, "kept");
    EXPECT_EQ(vlRead(fd, 2, buf, 0), 0); // its header was not written after the change
    // changes are refused, not answered 0 as if done
    EXPECT_EQ(vlWrite(fd, 1, "new", 3), -1);
    EXPECT_EQ(lastCode(), LIO_E_MODE);
    EXPECT_EQ(vlAvl(fd), -1);
    EXPECT_EQ(vlFree(fd, 1), -1);
    EXPECT_EQ(vlWStash(fd, buf), -1);
    EXPECT_EQ(fd.close(), 0);
    EXPECT_EQ(readAll(mp_), before);
}

} // namespace
} // namespace vltest
