// Bad input never crashes the engine or changes a file: damaged headers refuse the open with a
// clear code, damaged pages make the operation fail, and dead or made-up descriptors are refused.
#include <functional>

#include "tests/btree/engine_support.h"

namespace velk::apptest {
namespace {

// ---- damaged headers: the open fails, answers NULL and writes nothing ----

struct HeaderDamage {
    const char *name;
    std::function<void(const std::string &path)> damage;
    int code;
    int altCode; // a second acceptable code where two rules apply at once, else 0
};

std::ostream &operator<<(std::ostream &os, const HeaderDamage &d) { return os << d.name; }

std::function<void(const std::string &)> setWord(int header, int word, int32_t value)
{
    return [=](const std::string &p) { setHeaderWord(p, header, word, value); };
}

std::function<void(const std::string &)> addToWord(int header, int word, int32_t delta)
{
    return [=](const std::string &p) {
        setHeaderWord(p, header, word, headerWord(p, header, word) + delta);
    };
}

std::function<void(const std::string &)> shrinkBy(long bytes)
{
    return [=](const std::string &p) { truncateFile(p, fileSize(p) - bytes); };
}

std::function<void(const std::string &)> shrinkTo(long size)
{
    return [=](const std::string &p) { truncateFile(p, size); };
}

class DamagedFileTest : public EngineTest, public ::testing::WithParamInterface<HeaderDamage> {
protected:
    void expectRefused(const std::string &path)
    {
        GetParam().damage(path);
        const Bytes before = readFileBytes(path);
        lioClearErr();
        LioFile *fd = lioOpen(path.c_str(), LIO_EXCL | LIO_RDWR);
        if (fd) lioClose(fd);
        EXPECT_EQ(fd, nullptr) << "a damaged file must not open";
        const int code = lastCode();
        if (GetParam().altCode)
            EXPECT_TRUE(code == GetParam().code || code == GetParam().altCode) << "error " << code;
        else
            EXPECT_EQ(code, GetParam().code);
        EXPECT_EQ(readFileBytes(path), before) << "a refused open writes nothing";
    }
};

// Data file: records of 16 bytes after a stash of 8; records 1..4, record 2 freed.
class DamagedDataFileTest : public DamagedFileTest {
protected:
    void SetUp() override
    {
        DamagedFileTest::SetUp();
        ASSERT_EQ(lioCreat(path_.c_str(), 16, LIO_DATAFILE, 8, 1), 0);
        OpenFile f(lioOpen(path_.c_str(), LIO_EXCL | LIO_RDWR));
        ASSERT_NE(f.get(), nullptr);
        Bytes rec(16, 0x33);
        for (int n = 1; n <= 4; ++n) {
            ASSERT_EQ(lioAvl(f.get()), n);
            ASSERT_EQ(lioWrite(f.get(), n, rec.data()), 16);
        }
        ASSERT_EQ(lioFree(f.get(), 2), 0);
        ASSERT_EQ(f.close(), 0);
        ASSERT_EQ(fileSize(path_), 340 + 8 + 4 * 16);
    }
    std::string path_ = dir_.file("data");
};

TEST_P(DamagedDataFileTest, OpenIsRefused) { expectRefused(path_); }

INSTANTIATE_TEST_SUITE_P(
    Headers, DamagedDataFileTest,
    ::testing::Values(
        HeaderDamage{"Empty", shrinkTo(0), LIO_E_INITHDR, 0},
        HeaderDamage{"ShorterThanHeader", shrinkTo(200), LIO_E_INITHDR, 0},
        HeaderDamage{"MagicWrong", setWord(0, LIO_H_MAGIC, 311), LIO_E_VERSION, 0},
        HeaderDamage{"MagicZero", setWord(0, LIO_H_MAGIC, 0), LIO_E_VERSION, 0},
        HeaderDamage{"HeaderSize", setWord(0, LIO_H_HDRSIZE, 341), LIO_E_CORRUPT, 0},
        HeaderDamage{"RecordLengthZero", setWord(0, LIO_H_RECLEN, 0), LIO_E_CORRUPT, 0},
        HeaderDamage{"RecordLengthHuge", setWord(0, LIO_H_RECLEN, 1000001), LIO_E_CORRUPT, 0},
        HeaderDamage{"RecordLengthNegative", setWord(0, LIO_H_RECLEN, -16), LIO_E_CORRUPT, 0},
        HeaderDamage{"StashNegative", setWord(0, LIO_H_STASH, -1), LIO_E_CORRUPT, 0},
        HeaderDamage{"StashHuge", setWord(0, LIO_H_STASH, 1000001), LIO_E_CORRUPT, 0},
        HeaderDamage{"LiveNegative", setWord(0, LIO_H_LIVE, -1), LIO_E_CORRUPT, 0},
        HeaderDamage{"LiveOneTooMany", addToWord(0, LIO_H_LIVE, 1), LIO_E_CORRUPT, 0},
        HeaderDamage{"DeletedNegative", setWord(0, LIO_H_DELETED, -1), LIO_E_CORRUPT, 0},
        HeaderDamage{"DeletedAbsurd", setWord(0, LIO_H_DELETED, 0x7FFFFFFF), LIO_E_CORRUPT, 0},
        HeaderDamage{"EndOfFileShort", addToWord(0, LIO_H_EOF, -16), LIO_E_CORRUPT, 0},
        HeaderDamage{"EndOfFileBeyondFile", addToWord(0, LIO_H_EOF, 16), LIO_E_CORRUPT, 0},
        HeaderDamage{"FreeHeadBeyondRecords", setWord(0, LIO_H_FREE, 5), LIO_E_CORRUPT, 0},
        HeaderDamage{"FreeHeadNegative", setWord(0, LIO_H_FREE, -2), LIO_E_CORRUPT, 0},
        HeaderDamage{"LockCountOverTable", setWord(0, LIO_H_NLOCKS, 31), LIO_E_CORRUPT, 0},
        HeaderDamage{"LockCountNegative", setWord(0, LIO_H_NLOCKS, -1), LIO_E_CORRUPT, 0},
        HeaderDamage{"FileCutInLastRecord", shrinkBy(1), LIO_E_CORRUPT, 0},
        HeaderDamage{"FileLosesLastRecord", shrinkBy(16), LIO_E_CORRUPT, 0}),
    [](const ::testing::TestParamInfo<HeaderDamage> &info) { return info.param.name; });

// Index file: room for 3 sub-files (header area 1020), sub-file 1 order 2 with 8-byte binary keys
// (pages of 72 bytes) holding 20 keys, sub-file 2 with character keys holding 5.
class DamagedIndexFileTest : public DamagedFileTest {
protected:
    void SetUp() override
    {
        DamagedFileTest::SetUp();
        OrderGuard guard(2);
        ASSERT_EQ(lioCreat(path_.c_str(), 8, LIO_KEY_BINARY, 0, 3), 0);
        OpenFile f(lioOpen(path_.c_str(), LIO_EXCL | LIO_RDWR));
        ASSERT_NE(f.get(), nullptr);
        LioFile *second = lioInxCreat(f.get(), 6, LIO_KEY_CHAR);
        ASSERT_NE(second, nullptr);
        for (uint32_t k = 1; k <= 20; ++k)
            ASSERT_EQ(lioInsert(f.get(), binKey(k, 8).data(), int(k)), int(k));
        for (const char *s : {"eins", "zwei", "drei", "vier", "fuenf"})
            ASSERT_GT(lioInsert(second, charKey(s, 6).data(), 7), 0);
        ASSERT_EQ(checkIndexFile(f.get()), "");
        ASSERT_EQ(f.close(), 0);
    }
    std::string path_ = dir_.file("index");
};

TEST_P(DamagedIndexFileTest, OpenIsRefused) { expectRefused(path_); }

std::function<void(const std::string &)> rootAtEndOfFile(int32_t delta)
{
    return [=](const std::string &p) {
        setHeaderWord(p, 0, LIO_H_ROOT, headerWord(p, 0, LIO_H_EOF) + delta);
    };
}

INSTANTIATE_TEST_SUITE_P(
    Headers, DamagedIndexFileTest,
    ::testing::Values(
        HeaderDamage{"Empty", shrinkTo(0), LIO_E_INITHDR, 0},
        HeaderDamage{"ShorterThanHeader", shrinkTo(339), LIO_E_INITHDR, 0},
        HeaderDamage{"CutInSecondHeader", shrinkTo(500), LIO_E_INITHDR, LIO_E_CORRUPT},
        HeaderDamage{"MagicWrong", setWord(0, LIO_H_MAGIC, 309), LIO_E_VERSION, 0},
        HeaderDamage{"SecondMagicWrong", setWord(1, LIO_H_MAGIC, 0), LIO_E_VERSION, 0},
        HeaderDamage{"HeaderSize", setWord(0, LIO_H_HDRSIZE, 0), LIO_E_CORRUPT, 0},
        HeaderDamage{"KeyLengthZero", setWord(0, LIO_H_KEYLEN, 0), LIO_E_CORRUPT, 0},
        HeaderDamage{"KeyLengthOverMax", setWord(0, LIO_H_KEYLEN, 101), LIO_E_CORRUPT, 0},
        HeaderDamage{"OrderZero", setWord(0, LIO_H_ORDER, 0), LIO_E_CORRUPT, 0},
        HeaderDamage{"OrderOverMax", setWord(0, LIO_H_ORDER, 13), LIO_E_CORRUPT, 0},
        HeaderDamage{"PageSizeInconsistent", addToWord(0, LIO_H_RECLEN, 1), LIO_E_CORRUPT, 0},
        HeaderDamage{"SecondOrderOverMax", setWord(1, LIO_H_ORDER, 40), LIO_E_CORRUPT, 0},
        HeaderDamage{"SecondKeyLengthNegative", setWord(1, LIO_H_KEYLEN, -6), LIO_E_CORRUPT, 0},
        HeaderDamage{"RootInHeaderArea", setWord(0, LIO_H_ROOT, 100), LIO_E_CORRUPT, 0},
        HeaderDamage{"RootNegative", setWord(0, LIO_H_ROOT, -72), LIO_E_CORRUPT, 0},
        HeaderDamage{"RootAtEndOfFile", rootAtEndOfFile(0), LIO_E_CORRUPT, 0},
        HeaderDamage{"RootPageCrossesEnd", rootAtEndOfFile(-71), LIO_E_CORRUPT, 0},
        HeaderDamage{"SubFilesZero", setWord(0, LIO_H_NFILES, 0), LIO_E_CORRUPT, 0},
        HeaderDamage{"SubFilesOverMaximum", setWord(0, LIO_H_NFILES, 4), LIO_E_CORRUPT, 0},
        HeaderDamage{"MaximumSubFilesOverLimit", setWord(0, LIO_H_MAXFILES, 11), LIO_E_CORRUPT, 0},
        HeaderDamage{"MaximumSubFilesZero", setWord(0, LIO_H_MAXFILES, 0), LIO_E_CORRUPT, 0},
        HeaderDamage{"KeyCountNegative", setWord(0, LIO_H_KEYS, -1), LIO_E_CORRUPT, 0},
        HeaderDamage{"PagesNegative", setWord(0, LIO_H_LIVE, -3), LIO_E_CORRUPT, 0},
        HeaderDamage{"FreeHeadInHeaderArea", setWord(0, LIO_H_FREE, 7), LIO_E_CORRUPT, 0},
        HeaderDamage{"LockCountOverTable", setWord(0, LIO_H_NLOCKS, 1000), LIO_E_CORRUPT, 0},
        HeaderDamage{"EndOfFileInHeaderArea", setWord(0, LIO_H_EOF, 340), LIO_E_CORRUPT, 0},
        HeaderDamage{"EndOfFileBeyondFile", addToWord(0, LIO_H_EOF, 72), LIO_E_CORRUPT, 0},
        HeaderDamage{"FileLosesLastPage", shrinkBy(72), LIO_E_CORRUPT, 0}),
    [](const ::testing::TestParamInfo<HeaderDamage> &info) { return info.param.name; });

TEST_F(EngineTest, OpeningAMissingFileFailsCleanly)
{
    const std::string p = dir_.file("nothing");
    EXPECT_EQ(lioOpen(p.c_str(), LIO_EXCL | LIO_RDWR), nullptr);
    EXPECT_NE(lastCode(), 0);
    EXPECT_FALSE(fileExists(p)) << "opening does not create";
    lioClearErr();
    EXPECT_EQ(lioCreat(dir_.file("no/such/dir").c_str(), 16, LIO_DATAFILE, 0, 1), -1);
    EXPECT_EQ(lastCode(), LIO_E_CREAT);
}

// ---- damaged pages: the file opens, operations touching the page fail ----

// Order 1, 4-byte binary keys 1..7 (pages of 32 bytes after a header area of 340): the root is
// inner, its p0 child is inner too.
class DamagedPageTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        OrderGuard guard(1);
        ASSERT_EQ(lioCreat(path_.c_str(), 4, LIO_KEY_BINARY, 0, 1), 0);
        OpenFile f(lioOpen(path_.c_str(), LIO_EXCL | LIO_RDWR));
        ASSERT_NE(f.get(), nullptr);
        for (uint32_t k = 1; k <= 7; ++k)
            ASSERT_EQ(lioInsert(f.get(), binKey(k).data(), int(k)), int(k));
        tIndexReport report;
        ASSERT_EQ(checkIndex(f.get(), &report), "");
        ASSERT_EQ(report.depth, 3);
        ASSERT_EQ(f.close(), 0);
        root_ = headerWord(path_, 0, LIO_H_ROOT);
        ASSERT_GE(root_, 340);
    }

    // Opens the damaged file, runs `op`, expects failure with `code`, and checks that no page
    // changed, through the operation and the close.
    void expectFailure(const char *what, int code, const std::function<int(LioFile *)> &op,
                       int altCode = -1)
    {
        const Bytes pages = fileRange(path_, 340);
        OpenFile f(lioOpen(path_.c_str(), LIO_EXCL | LIO_RDWR));
        ASSERT_NE(f.get(), nullptr) << "page damage is found when a page is read, not at open";
        lioClearErr();
        EXPECT_EQ(op(f.get()), -1) << what;
        EXPECT_TRUE(lastCode() == code || lastCode() == altCode)
            << what << ": error " << lastCode();
        ASSERT_EQ(f.close(), 0);
        EXPECT_EQ(fileRange(path_, 340), pages) << what << ": pages unchanged";
    }

    void expectAllFail(int code)
    {
        const Bytes low = binKey(0);
        expectFailure("lioSearch", code, [&](LioFile *fd) { return lioSearch(fd, low.data()); });
        expectFailure("lioInsert", code,
                      [&](LioFile *fd) { return lioInsert(fd, low.data(), 50); });
        // lioDelete may report its own inconsistency code over the reader's.
        expectFailure(
            "lioDelete", code, [&](LioFile *fd) { return lioDelete(fd, binKey(1).data()); },
            LIO_E_INTERNAL);
        expectFailure("lioFirst", code, [&](LioFile *fd) { return lioFirst(fd, nullptr); });
        expectFailure("lioSrPrtl", code,
                      [&](LioFile *fd) { return lioSrPrtl(fd, low.data(), nullptr, 0); });
    }

    std::string path_ = dir_.file("index");
    long root_ = 0;
};

TEST_F(DamagedPageTest, ItemCountOverTwoN)
{
    setFileByte(path_, root_, 3);
    expectAllFail(LIO_E_CORRUPT);
}

TEST_F(DamagedPageTest, ChildBeyondEndOfFile)
{
    setFileWord(path_, root_ + 1, 0x7FFF0000);
    expectAllFail(LIO_E_RECNO);
}

TEST_F(DamagedPageTest, ChildInsideHeaderArea)
{
    setFileWord(path_, root_ + 1, 12);
    expectAllFail(LIO_E_RECNO);
}

TEST_F(DamagedPageTest, ChildCrossingEndOfFile)
{
    setFileWord(path_, root_ + 1, int32_t(fileSize(path_) - 31));
    expectAllFail(LIO_E_RECNO);
}

TEST_F(DamagedPageTest, ChildLoopingBackToRootIsTooDeep)
{
    setFileWord(path_, root_ + 1, int32_t(root_));
    expectAllFail(LIO_E_CORRUPT);
}

// ---- offsets and descriptors ----

TEST_F(EngineTest, PageOffsetsOutsideThePageAreaAreRefused)
{
    const std::string p = dir_.file("index");
    {
        OrderGuard guard(2);
        ASSERT_EQ(lioCreat(p.c_str(), 4, LIO_KEY_BINARY, 0, 2), 0);
    }
    OpenFile f(lioOpen(p.c_str(), LIO_EXCL | LIO_RDWR));
    ASSERT_NE(f.get(), nullptr);
    for (uint32_t k = 1; k <= 10; ++k)
        ASSERT_EQ(lioInsert(f.get(), binKey(k).data(), int(k)), int(k));
    ASSERT_EQ(lioFlush(f.get()), 0);
    const int P = lioPageSize(f.get());
    ASSERT_EQ(P, 56);
    const long eof = fileSize(p);
    const Bytes before = readFileBytes(p);
    Bytes page(size_t(P), 0x77);
    for (long off : {0L, 339L, 679L, eof, eof - P + 1, -56L, 0x7FFFFFF0L}) {
        lioClearErr();
        EXPECT_EQ(lioRead(f.get(), int(off), page.data()), -1) << off;
        EXPECT_EQ(lastCode(), LIO_E_RECNO) << off;
        lioClearErr();
        EXPECT_EQ(lioWrite(f.get(), int(off), page.data()), -1) << off;
        EXPECT_EQ(lastCode(), LIO_E_RECNO) << off;
    }
    EXPECT_EQ(readFileBytes(p), before);
    EXPECT_EQ(lioRead(f.get(), int(eof - P), page.data()), P) << "the last page is in range";
}

TEST_F(EngineTest, DeadAndMadeUpDescriptorsAreRefused)
{
    const std::string data = dir_.file("data"), index = dir_.file("index");
    ASSERT_EQ(lioCreat(data.c_str(), 16, LIO_DATAFILE, 0, 1), 0);
    ASSERT_EQ(lioCreat(index.c_str(), 4, LIO_KEY_BINARY, 0, 2), 0);
    LioFile *dead = lioOpen(data.c_str(), LIO_EXCL | LIO_RDWR);
    ASSERT_NE(dead, nullptr);
    ASSERT_EQ(lioClose(dead), 0);
    alignas(16) unsigned char junk[4096];
    std::memset(junk, 0x5A, sizeof junk);
    LioFile *madeUp = reinterpret_cast<LioFile *>(junk);
    const Bytes key = binKey(1);
    Bytes buf(64);

    for (LioFile *bad : {dead, madeUp, static_cast<LioFile *>(nullptr)}) {
        SCOPED_TRACE(bad == dead ? "closed" : bad == madeUp ? "made up" : "null");
        struct Call {
            const char *name;
            int code;
            std::function<int()> call;
        };
        const std::vector<Call> calls = {
            {"lioRead", LIO_E_FBADFD, [&] { return lioRead(bad, 1, buf.data()); }},
            {"lioWrite", LIO_E_FBADFD, [&] { return lioWrite(bad, 1, buf.data()); }},
            {"lioAvl", LIO_E_FBADFD, [&] { return lioAvl(bad); }},
            {"lioFree", LIO_E_FBADFD, [&] { return lioFree(bad, 1); }},
            {"lioFlush", LIO_E_FBADFD, [&] { return lioFlush(bad); }},
            {"lioClose", LIO_E_FBADFD, [&] { return lioClose(bad); }},
            {"lioSearch", LIO_E_BADFD, [&] { return lioSearch(bad, key.data()); }},
            {"lioInsert", LIO_E_BADFD, [&] { return lioInsert(bad, key.data(), 1); }},
            {"lioDelete", LIO_E_BADFD, [&] { return lioDelete(bad, key.data()); }},
            {"lioFirst", LIO_E_BADFD, [&] { return lioFirst(bad, buf.data()); }},
            {"lioNext", LIO_E_BADFD, [&] { return lioNext(bad, buf.data()); }},
            {"lioSrPrtl", LIO_E_BADFD, [&] { return lioSrPrtl(bad, key.data(), buf.data(), 0); }},
        };
        for (const Call &c : calls) {
            lioClearErr();
            EXPECT_EQ(c.call(), -1) << c.name;
            EXPECT_EQ(lastCode(), c.code) << c.name;
        }
        EXPECT_EQ(lioInxCreat(bad, 4, LIO_KEY_BINARY), nullptr);
        EXPECT_EQ(lioSubFile(bad, 1), nullptr);
    }
    EXPECT_EQ(std::vector<unsigned char>(junk, junk + 16), std::vector<unsigned char>(16, 0x5A))
        << "a made-up descriptor is not written to";
}

TEST_F(EngineTest, ClosingASubFileIsRefusedAndLeavesTheFileOpen)
{
    const std::string p = dir_.file("index");
    ASSERT_EQ(lioCreat(p.c_str(), 4, LIO_KEY_BINARY, 0, 2), 0);
    LioFile *master = lioOpen(p.c_str(), LIO_EXCL | LIO_RDWR);
    ASSERT_NE(master, nullptr);
    LioFile *sub = lioInxCreat(master, 4, LIO_KEY_BINARY);
    ASSERT_NE(sub, nullptr);
    ASSERT_EQ(lioInsert(sub, binKey(9).data(), 9), 9);
    EXPECT_EQ(lioClose(sub), -1);
    EXPECT_EQ(lastCode(), LIO_E_FBADFD);
    EXPECT_EQ(lioSearch(sub, binKey(9).data()), 9) << "the sub-file is still open";
    ASSERT_EQ(lioClose(master), 0);
    lioClearErr();
    EXPECT_EQ(lioSearch(sub, binKey(9).data()), -1) << "closing the master closes its sub-files";
    EXPECT_EQ(lastCode(), LIO_E_BADFD);
    EXPECT_EQ(headerWord(p, 0, LIO_H_OPENCOUNT), 0);
}

TEST_F(EngineTest, IndexOperationsOnADataFileFail)
{
    const std::string p = dir_.file("data");
    ASSERT_EQ(lioCreat(p.c_str(), 16, LIO_DATAFILE, 0, 1), 0);
    OpenFile f(lioOpen(p.c_str(), LIO_EXCL | LIO_RDWR));
    ASSERT_NE(f.get(), nullptr);
    const Bytes before = readFileBytes(p);
    const Bytes key(16, 1);
    lioClearErr();
    EXPECT_EQ(lioInsert(f.get(), key.data(), 1), -1);
    EXPECT_NE(lastCode(), 0);
    lioClearErr();
    EXPECT_EQ(lioSearch(f.get(), key.data()), -1);
    EXPECT_NE(lastCode(), 0);
    lioClearErr();
    EXPECT_EQ(lioInxCreat(f.get(), 4, LIO_KEY_BINARY), nullptr);
    EXPECT_NE(lastCode(), 0);
    EXPECT_EQ(readFileBytes(p), before);
}

} // namespace
} // namespace velk::apptest
