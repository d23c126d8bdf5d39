// Edge cases of ISAM file sets: refused key definitions, the longest duplicates key, the files'
// layout byte for byte, refused duplicates, the ends of a walk, buffer checks, find modes 1 to
// 7, the integrity checks at open, selection, temporary indices, modes and bad arguments.
#include "tests/btree/isam/isam_support.h"

using namespace isamtest;
using velk::apptest::fileExists;

namespace {

class IsamEdges : public IsamTest {
protected:
    bool noFiles()
    {
        for (const char *s : {".dat", ".ndx", ".nx$", ".mp", ".st"})
            if (fileExists(path(s))) return false;
        return true;
    }
    // 30-byte records: key 0 unique binary at 0..1, key 1 character with duplicates at 2..5
    Bt3File *small(int mode = LIO_EXCL | LIO_RDWR)
    {
        int def[] = {0, 2, 5, 2, 4, 1 | 128, -1};
        EXPECT_EQ(bt3Creat(base_.c_str(), 30, def), 0);
        return bt3Open(base_.c_str(), mode);
    }
    int add(Bt3File *fd, const char *k0, const char *k1, const char *rest = "")
    {
        Buf b(fd);
        memcpy(b.get(), k0, 2);
        strncpy(b.get() + 2, k1, 4);
        strncpy(b.get() + 6, rest, 24);
        return bt3Add(fd, b.get()) == 30 ? bt3GetCur(fd) : -1;
    }
};

TEST_F(IsamEdges, BadKeyDefinitionsAreRefusedBeforeAnyFileExists)
{
    std::vector<int> eleven;
    for (int i = 0; i < 11; i++) eleven.insert(eleven.end(), {i, 1, 5});
    eleven.push_back(-1);
    struct Case {
        const char *what;
        std::vector<int> def;
        int code;
    } cases[] = {
        {"continuation first", {0, 4, 32, -1}, BT3_E_KEYDEF},
        {"flags 33", {0, 4, 33, -1}, BT3_E_KEYDEF},
        {"eleven keys", eleven, BT3_E_NKEYS},
        {"no key", {-1}, BT3_E_NKEYS},
        {"segment of 101 bytes", {0, 101, 5, -1}, BT3_E_KEYDEF},
        {"two segments of 60", {0, 60, 5, 60, 60, 32, -1}, BT3_E_KEYDEF},
        {"segment beyond the record", {118, 4, 1, -1}, BT3_E_KEYDEF},
        {"negative offset", {-2, 4, 1, -1}, BT3_E_KEYDEF},
        {"empty segment", {0, 0, 1, -1}, BT3_E_KEYDEF},
        {"floating point key", {0, 4, 2, -1}, BT3_E_KEYDEF},
        {"integer key of 8 bytes", {0, 8, 4, -1}, BT3_E_KEYDEF},
        {"unknown flag 16", {0, 8, 16 | 1, -1}, BT3_E_KEYDEF},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(bt3Creat(base_.c_str(), 120, c.def.data()), -1);
        EXPECT_EQ(lastCode(), c.code);
        EXPECT_TRUE(noFiles());
        EXPECT_EQ(bt3VlCreate(base_.c_str(), c.def.data(), 16, 120, 16), -1);
        EXPECT_EQ(lastCode(), c.code);
        EXPECT_TRUE(noFiles());
    }
    int tooSmall[] = {0, 8, 1, -1};
    EXPECT_EQ(bt3Creat(base_.c_str(), 0, tooSmall), -1);
    EXPECT_EQ(lastCode(), BT3_E_RECSIZE);
}

// Serial (4) and the duplicate allowance (4) come on top: 92 bytes is the longest.
TEST_F(IsamEdges, DuplicatesKeyOf92BytesIsTheLongest)
{
    for (int first = 0; first < 2; first++) {
        SCOPED_TRACE(first ? "as the first key" : "as the second key");
        std::vector<int> def93 = first ? std::vector<int>{0, 93, 1 | 128, -1}
                                       : std::vector<int>{0, 4, 5, 4, 93, 1 | 128, -1};
        EXPECT_EQ(bt3Creat(base_.c_str(), 100, def93.data()), -1);
        EXPECT_EQ(lastCode(), LIO_E_KEYSIZE);
        EXPECT_TRUE(noFiles()) << "a failed create leaves nothing behind";
    }
    int def92[] = {0, 4, 5, 4, 92, 1 | 128, -1};
    ASSERT_EQ(bt3Creat(base_.c_str(), 100, def92), 0);
    EXPECT_EQ(velk::apptest::headerWord(path(".ndx"), 1, LIO_H_KEYLEN), 96);
    EXPECT_EQ(velk::apptest::headerWord(path(".ndx"), 1, LIO_H_ORDER), 8);
    Bt3File *fd = bt3Open(base_.c_str(), LIO_EXCL | LIO_RDWR);
    ASSERT_NE(fd, nullptr);
    Buf b(fd);
    memset(b.get(), 'k', 100);
    EXPECT_EQ(bt3Add(fd, b.get()), 100);
    b.get()[0] = 'j';
    EXPECT_EQ(bt3Add(fd, b.get()), 100) << "the same 92-byte key again";
    EXPECT_EQ(bt3Select(fd, 1), 0);
    EXPECT_EQ(bt3Find(fd, b.get(), 5), 100);
    EXPECT_EQ(bt3GetCur(fd), 1) << "the first record with that key";
    EXPECT_EQ(bt3Close(fd), 0);
}

TEST_F(IsamEdges, FilesAreLaidOutAsDocumented)
{
    int def[] = {0, 8, 5, 8, 4, 129, 12, 2, 32, -1};
    ASSERT_EQ(bt3Creat(base_.c_str(), 20, def), 0);
    const unsigned char block[] = {2, 0, 0, 0, 5,    0,    0,    0,    0,    0,    0,    0,
                                   8, 0, 0, 0, 0xff, 0xff, 0xff, 0xff, 0x81, 0,    0,    0,
                                   8, 0, 0, 0, 4,    0,    0,    0,    12,   0,    0,    0,
                                   2, 0, 0, 0, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff};
    Bytes stash =
        velk::apptest::fileRange(path(".dat"), LIO_HDRSIZE, (int)LIO_HDRSIZE + (int)BT3_STASH);
    EXPECT_EQ(Bytes(stash.begin(), stash.begin() + sizeof block),
              Bytes(block, block + sizeof block));
    EXPECT_EQ(std::count(stash.begin() + sizeof block, stash.end(), 0),
              long(BT3_STASH - sizeof block));
    EXPECT_EQ(velk::apptest::headerWord(path(".dat"), 0, LIO_H_RECLEN), 24);
    EXPECT_EQ(velk::apptest::headerWord(path(".dat"), 0, LIO_H_STASH), BT3_STASH);
    for (int h = 0; h < 2; h++) {
        EXPECT_EQ(velk::apptest::headerWord(path(".ndx"), h, LIO_H_KEYLEN), h ? 10 : 8);
        EXPECT_EQ(velk::apptest::headerWord(path(".ndx"), h, LIO_H_TYPE), h ? 0x91 : 5);
        EXPECT_EQ(velk::apptest::headerWord(path(".ndx"), h, LIO_H_ORDER), 12);
    }
    EXPECT_EQ(velk::apptest::headerWord(path(".ndx"), 0, LIO_H_MAXFILES), 10);

    Bt3File *fd = bt3Open(base_.c_str(), LIO_EXCL | LIO_RDWR);
    ASSERT_NE(fd, nullptr);
    const char rec[21] = "AB000001xy\0\0zz......";
    {
        Buf b(fd);
        memcpy(b.get(), rec, 20);
        ASSERT_EQ(bt3Add(fd, b.get()), 20);
        EXPECT_EQ(b.serial(), 1);
    }
    ASSERT_EQ(bt3Close(fd), 0);
    Bytes stored = velk::apptest::fileRange(path(".dat"), (int)LIO_HDRSIZE + (int)BT3_STASH,
                                            (int)LIO_HDRSIZE + (int)BT3_STASH + 24);
    Bytes want = {1, 0, 0, 0};
    want.insert(want.end(), rec, rec + 20);
    EXPECT_EQ(stored, want);
    EXPECT_EQ(velk::apptest::headerWord(path(".dat"), 0, LIO_H_SERIAL), 1);

    velk::apptest::OpenFile ndx(lioOpen(path(".ndx").c_str(), LIO_EXCL | LIO_RDWR));
    ASSERT_NE(ndx.get(), nullptr);
    velk::apptest::tIndexReport r0, r1;
    ASSERT_EQ(velk::apptest::checkIndex(lioSubFile(ndx.get(), 1), &r0), "");
    ASSERT_EQ(velk::apptest::checkIndex(lioSubFile(ndx.get(), 2), &r1), "");
    ASSERT_EQ(r0.entries.size(), 1u);
    ASSERT_EQ(r1.entries.size(), 1u);
    EXPECT_EQ(r0.entries[0].key, Bytes(rec, rec + 8));
    EXPECT_EQ(r1.entries[0].key, (Bytes{1, 0, 0, 0, 'x', 'y', 0, 0, 0, 0}));
}

TEST_F(IsamEdges, OrderFollowsTheKeyLength)
{
    int def[] = {0, 69, 5, 0, 80, 1, 0, 72, 1 | 128, 0, 4, 4, -1};
    ASSERT_EQ(bt3Creat(base_.c_str(), 117, def), 0);
    EXPECT_EQ(velk::apptest::headerWord(path(".ndx"), 0, LIO_H_ORDER), 12); // 77 * 22 + 8 <= 1800
    EXPECT_EQ(velk::apptest::headerWord(path(".ndx"), 1, LIO_H_ORDER), 10); // 88 * 22 + 8 > 1800
    EXPECT_EQ(velk::apptest::headerWord(path(".ndx"), 2, LIO_H_ORDER), 10); // 72 + 8 with dups
    EXPECT_EQ(velk::apptest::headerWord(path(".ndx"), 3, LIO_H_ORDER), 12);
    EXPECT_EQ(lioSetOrder(0), LIO_DEFORDER) << "the process-wide order is restored";
}

TEST_F(IsamEdges, DuplicateAddIsRefusedAndChangesNothing)
{
    Bt3File *fd = small();
    ASSERT_NE(fd, nullptr);
    int a = add(fd, "k1", "aa");
    ASSERT_GT(a, 0);
    EXPECT_EQ(add(fd, "k2", "aa"), 2);
    EXPECT_EQ(add(fd, "k3", "aa"), 3);
    ASSERT_EQ(bt3SetCur(fd, a, nullptr), 30);
    Buf b(fd);
    memcpy(b.get(), "k2", 2);
    EXPECT_EQ(bt3Add(fd, b.get()), 0);
    EXPECT_EQ(lastCode(), BT3_E_DUPKEY);
    EXPECT_EQ(bt3GetCur(fd), a) << "the current record stays";
    EXPECT_EQ(bt3Count(fd), 3);
    EXPECT_EQ(bt3Next(fd, b.get()), 30);
    EXPECT_EQ(bt3GetCur(fd), 2) << "and so does the position in the index (not on 'k2')";
    ASSERT_EQ(bt3Close(fd), 0);
    EXPECT_EQ(velk::apptest::headerWord(path(".ndx"), 0, LIO_H_KEYS), 3);
    EXPECT_EQ(velk::apptest::headerWord(path(".ndx"), 1, LIO_H_KEYS), 3);
    EXPECT_EQ(velk::apptest::headerWord(path(".dat"), 0, LIO_H_LIVE), 3);
}

TEST_F(IsamEdges, WalkEndsAnswerTheEdgeRecordAgain)
{
    Bt3File *fd = small();
    ASSERT_NE(fd, nullptr);
    Buf b(fd);
    EXPECT_EQ(bt3Start(fd, b.get()), 0) << "empty";
    EXPECT_EQ(bt3Next(fd, b.get()), 0);
    add(fd, "k1", "aa", "first");
    add(fd, "k2", "aa", "second");
    add(fd, "k3", "bb", "third");
    ASSERT_EQ(bt3Select(fd, 1), 0);
    ASSERT_EQ(bt3Start(fd, b.get()), 30);
    EXPECT_EQ(bt3Status(fd), BT3_ATSTART);
    EXPECT_EQ(bt3Next(fd, b.get()), 30);
    EXPECT_EQ(bt3Status(fd), BT3_SAMEKEY) << "second 'aa'";
    EXPECT_EQ(bt3Next(fd, b.get()), 30);
    EXPECT_EQ(bt3Status(fd), BT3_NEWKEY);
    EXPECT_STREQ(b.get() + 6, "third");
    EXPECT_EQ(bt3Next(fd, b.get()), 30);
    EXPECT_EQ(bt3Status(fd), BT3_ATEND);
    EXPECT_EQ(bt3GetCur(fd), 3);
    EXPECT_STREQ(b.get() + 6, "third");
    ASSERT_EQ(bt3Start(fd, b.get()), 30);
    EXPECT_EQ(bt3Prev(fd, b.get()), 30);
    EXPECT_EQ(bt3Status(fd), BT3_ATSTART);
    EXPECT_EQ(bt3GetCur(fd), 1);
    EXPECT_EQ(bt3Close(fd), 0);
}

TEST_F(IsamEdges, RewriteChecksTheBufferItWasReadInto)
{
    Bt3File *fd = small();
    ASSERT_NE(fd, nullptr);
    add(fd, "k1", "aa");
    add(fd, "k2", "bb");
    Buf b1(fd), b2(fd);
    memcpy(b1.get(), "k1", 2);
    ASSERT_EQ(bt3Find(fd, b1.get(), 5), 30);
    memcpy(b2.get(), "k2", 2);
    ASSERT_EQ(bt3Find(fd, b2.get(), 5), 30);
    EXPECT_EQ(bt3Write(fd, b1.get()), -1) << "b1 holds k1, the current record is k2";
    EXPECT_EQ(lastCode(), BT3_E_BUFUSE);
    EXPECT_EQ(bt3Write(fd, b2.get()), 30);

    // another handle (of another file set) reads into the buffer after this one did
    int def[] = {0, 2, 5, -1};
    std::string base2 = dir_.file("u");
    ASSERT_EQ(bt3Creat(base2.c_str(), 30, def), 0);
    Bt3File *other = bt3Open(base2.c_str(), LIO_EXCL | LIO_RDWR);
    ASSERT_NE(other, nullptr);
    memcpy(b2.get(), "k7", 2);
    ASSERT_EQ(bt3Add(other, b2.get()), 30);
    ASSERT_EQ(bt3Find(fd, b1.get(), 5), 30);
    ASSERT_EQ(bt3Start(other, b1.get()), 30);
    EXPECT_EQ(bt3Write(fd, b1.get()), -1);
    EXPECT_EQ(lastCode(), BT3_E_BUFUSE);
    EXPECT_EQ(bt3Close(other), 0);

    char plain[64] = "k1";
    EXPECT_EQ(bt3Find(fd, plain, 5), -1);
    EXPECT_EQ(lastCode(), BT3_E_BUFFER);
    memcpy(b1.get(), "k1", 2);
    ASSERT_EQ(bt3Find(fd, b1.get(), 5 + BT3_NOREAD), 30);
    EXPECT_EQ(bt3Write(fd, b1.get()), -1) << "only positioned";
    EXPECT_EQ(lastCode(), BT3_E_NOTREAD);
    EXPECT_EQ(bt3Delete(fd), -1);
    EXPECT_EQ(lastCode(), BT3_E_NOTREAD);
    Buf tiny(nullptr, 8);
    EXPECT_EQ(bt3Next(fd, tiny.get()), -1) << "a record does not fit";
    char *loose = bt3GetBuff(nullptr, 4);
    EXPECT_EQ(bt3FreeBuff(loose), 0);
    EXPECT_EQ(bt3FreeBuff(loose), -1);
    EXPECT_EQ(lastCode(), BT3_E_BUFFER);
    EXPECT_EQ(bt3Close(fd), 0);
}

// Records with the unique keys "10", "20", "30" (record numbers 1..3).
struct FindCase {
    const char *probe;
    int mode;
    int want;
};

class IsamFindModes : public IsamEdges, public ::testing::WithParamInterface<FindCase> {};

TEST_P(IsamFindModes, TakeTheRecordOfTheMode)
{
    Bt3File *fd = small();
    ASSERT_NE(fd, nullptr);
    add(fd, "10", "x");
    add(fd, "20", "y");
    add(fd, "30", "z");
    Buf b(fd);
    const FindCase &c = GetParam();
    memcpy(b.get(), c.probe, 2);
    if (c.mode == 6)
        for (int i = 0; i < 2; i++) b.get()[i] = char(~b.get()[i]);
    EXPECT_EQ(bt3Find(fd, b.get(), c.mode), c.want ? 30 : 0);
    EXPECT_EQ(bt3GetCur(fd), c.want);
    if (c.want) {
        EXPECT_EQ(b.get()[2], "xyz"[c.want - 1]);
    }
    EXPECT_EQ(bt3Close(fd), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, IsamFindModes,
    ::testing::Values(FindCase{"05", 1, 0}, FindCase{"10", 1, 0}, FindCase{"15", 1, 0},
                      FindCase{"30", 1, 2}, FindCase{"35", 1, 3}, FindCase{"05", 2, 1},
                      FindCase{"10", 2, 2}, FindCase{"30", 2, 0}, FindCase{"05", 3, 0},
                      FindCase{"10", 3, 1}, FindCase{"15", 3, 1}, FindCase{"35", 3, 3},
                      FindCase{"05", 4, 1}, FindCase{"15", 4, 2}, FindCase{"35", 4, 0},
                      FindCase{"15", 5, 0}, FindCase{"20", 5, 2}, FindCase{"20", 6, 2},
                      FindCase{"25", 6, 3}, FindCase{"35", 6, 0}, FindCase{"15", 7, 2},
                      FindCase{"35", 7, 3}));

TEST_F(IsamEdges, FindInDuplicatesTakesTheFirstInEitherDirection)
{
    int def[] = {0, 2, 5, 2, 4, 1 | 128, 6, 4, 1 | 128 | 64, -1};
    ASSERT_EQ(bt3Creat(base_.c_str(), 30, def), 0);
    Bt3File *fd = bt3Open(base_.c_str(), LIO_EXCL | LIO_RDWR);
    ASSERT_NE(fd, nullptr);
    Buf b(fd);
    const char *rows[] = {"01bbbbcccc", "02aaaacccc", "03bbbbcccc", "04bbbbdddd", "05ccccaaaa"};
    for (const char *r : rows) {
        memcpy(b.get(), r, 10);
        ASSERT_EQ(bt3Add(fd, b.get()), 30);
    }
    ASSERT_EQ(bt3Select(fd, 1), 0);
    memcpy(b.get() + 2, "bbbb", 4);
    EXPECT_EQ(bt3Find(fd, b.get(), 5), 30);
    EXPECT_EQ(bt3GetCur(fd), 1);
    memcpy(b.get() + 2, "bbbb", 4);
    EXPECT_EQ(bt3Find(fd, b.get(), 2), 30) << "past every 'bbbb'";
    EXPECT_EQ(bt3GetCur(fd), 5);
    memcpy(b.get() + 2, "bbbb", 4);
    EXPECT_EQ(bt3Find(fd, b.get(), 3), 30) << "the last 'bbbb'";
    EXPECT_EQ(bt3GetCur(fd), 4);
    memcpy(b.get() + 2, "zzzz", 4);
    EXPECT_EQ(bt3Find(fd, b.get(), 7), 30) << "above every key: the last";
    EXPECT_EQ(bt3GetCur(fd), 5);
    // descending: 'dddd', then the three 'cccc' newest first, then 'aaaa'
    ASSERT_EQ(bt3Select(fd, 2), 0);
    memcpy(b.get() + 6, "cccc", 4);
    EXPECT_EQ(bt3Find(fd, b.get(), 5), 30);
    EXPECT_EQ(bt3GetCur(fd), 3) << "the first 'cccc' of the descending order";
    EXPECT_EQ(bt3Next(fd, b.get()), 30);
    EXPECT_EQ(bt3GetCur(fd), 2);
    EXPECT_EQ(bt3Status(fd), BT3_SAMEKEY);
    memcpy(b.get() + 6, "cccc", 4);
    EXPECT_EQ(bt3Find(fd, b.get(), 2), 30);
    EXPECT_EQ(bt3GetCur(fd), 5) << "after the 'cccc' comes 'aaaa'";
    EXPECT_EQ(bt3Find(fd, b.get(), 0), -1);
    EXPECT_EQ(lastCode(), LIO_E_BADARG);
    EXPECT_EQ(bt3Find(fd, b.get(), 8), -1);
    EXPECT_EQ(bt3Close(fd), 0);
}

TEST_F(IsamEdges, OpenChecksKeyCountsAndMarks)
{
    Bt3File *fd = small();
    ASSERT_NE(fd, nullptr);
    add(fd, "k1", "aa");
    add(fd, "k2", "bb");
    ASSERT_EQ(bt3Close(fd), 0);
    velk::apptest::Bytes before = velk::apptest::readFileBytes(path(".ndx"));
    {
        velk::apptest::OpenFile ndx(lioOpen(path(".ndx").c_str(), LIO_EXCL | LIO_RDWR));
        const char key[8] = {0, 0, 0, 0, 'b', 'b', 0, 0};       // serial first: the first 'bb'
        ASSERT_EQ(lioDelete(lioSubFile(ndx.get(), 2), key), 2); // index 1 loses a key
    }
    EXPECT_EQ(bt3Open(base_.c_str(), LIO_SHARED | LIO_RDWR), nullptr);
    EXPECT_EQ(lastCode(), BT3_E_COUNT);
    velk::apptest::writeFileBytes(path(".ndx"), before);
    fd = bt3Open(base_.c_str(), LIO_SHARED | LIO_RDWR);
    ASSERT_NE(fd, nullptr);
    EXPECT_EQ(bt3Close(fd), 0);

    for (const char *file : {".dat", ".ndx"}) {
        SCOPED_TRACE(file);
        velk::apptest::setHeaderWord(path(file), 0, LIO_H_MARK, LIO_MARK_DIRTY);
        EXPECT_EQ(bt3Open(base_.c_str(), LIO_SHARED | LIO_RDWR), nullptr);
        EXPECT_EQ(lastCode(), LIO_E_CORRUPT);
        velk::apptest::setHeaderWord(path(file), 0, LIO_H_MARK, LIO_MARK_CLEAN);
    }
    velk::apptest::setFileWord(path(".dat"), LIO_HDRSIZE, 11); // key block: 11 keys
    EXPECT_EQ(bt3Open(base_.c_str(), LIO_SHARED | LIO_RDWR), nullptr);
    EXPECT_EQ(lastCode(), LIO_E_CORRUPT);
    velk::apptest::setFileWord(path(".dat"), LIO_HDRSIZE, 2);
    velk::apptest::setFileWord(path(".dat"), LIO_HDRSIZE + 8, 29); // a segment beyond the record
    EXPECT_EQ(bt3Open(base_.c_str(), LIO_SHARED | LIO_RDWR), nullptr);
    EXPECT_EQ(lastCode(), LIO_E_CORRUPT);
    EXPECT_EQ(bt3Unlink(base_.c_str()), 0);
    EXPECT_TRUE(noFiles());
    EXPECT_EQ(bt3Open(base_.c_str(), LIO_SHARED | LIO_RDWR), nullptr);
    EXPECT_EQ(lastCode(), LIO_E_NOFILE);
    EXPECT_EQ(bt3Unlink(base_.c_str()), -1);
}

// A process that dies in the middle of its work leaves the mark 38 behind.
TEST_F(IsamEdges, OpenAfterAnUncleanCloseFailsWith142)
{
    Bt3File *fd = small();
    ASSERT_NE(fd, nullptr);
    add(fd, "k1", "aa");
    ASSERT_EQ(bt3Close(fd), 0);
    pid_t kid = spawn([&] {
        Bt3File *f = bt3Open(base_.c_str(), LIO_EXCL | LIO_RDWR);
        Buf b(f);
        memcpy(b.get(), "k2", 2);
        return f && bt3Add(f, b.get()) == 30 ? 0 : 1; // and no close
    });
    ASSERT_EQ(waitFor(kid), 0);
    EXPECT_EQ(bt3Open(base_.c_str(), LIO_SHARED | LIO_RDWR), nullptr);
    EXPECT_EQ(lastCode(), LIO_E_CORRUPT);
}

TEST_F(IsamEdges, CheckSelectAndSetCurKeepThePosition)
{
    Bt3File *fd = small();
    ASSERT_NE(fd, nullptr);
    add(fd, "k1", "bb");
    add(fd, "k2", "aa");
    add(fd, "k3", "cc");
    Buf b(fd);
    ASSERT_EQ(bt3Start(fd, b.get()), 30);
    EXPECT_EQ(bt3Check(fd, 1, "cc\0\0"), 3);
    EXPECT_EQ(bt3Check(fd, 0, "k2"), 2);
    EXPECT_EQ(bt3Check(fd, 0, "k9"), 0);
    EXPECT_EQ(bt3Check(fd, 2, "k9"), -1);
    EXPECT_EQ(lastCode(), BT3_E_BADINX);
    EXPECT_EQ(bt3Next(fd, b.get()), 30);
    EXPECT_EQ(bt3GetCur(fd), 2) << "check kept the position";
    ASSERT_EQ(bt3Select(fd, 1), 0);
    EXPECT_EQ(bt3Next(fd, b.get()), 30);
    EXPECT_EQ(bt3GetCur(fd), 1) << "select put index 1 on record 2 ('aa'); then 'bb'";
    EXPECT_EQ(bt3SetCur(fd, 3, nullptr), 30);
    EXPECT_EQ(bt3Prev(fd, b.get()), 30);
    EXPECT_EQ(bt3GetCur(fd), 1);
    ASSERT_EQ(bt3Delete(fd), 0);
    EXPECT_EQ(bt3GetCur(fd), 3) << "the record that followed 'bb'";
    EXPECT_EQ(bt3SetCur(fd, 1, b.get()), -1) << "a deleted record";
    EXPECT_EQ(bt3GetCur(fd), 0);
    EXPECT_EQ(bt3SetCur(fd, 9, b.get()), -1);
    EXPECT_EQ(lastCode(), LIO_E_RECNO);
    EXPECT_EQ(bt3DataRead(fd, 2, nullptr), 30);
    EXPECT_EQ(bt3GetLen(fd, 2), 30);
    EXPECT_EQ(bt3Lock(fd), 0);
    EXPECT_EQ(bt3UnLock(fd), 0);
    EXPECT_EQ(bt3Select(fd, -1), -1);
    EXPECT_EQ(lastCode(), BT3_E_BADINX);
    EXPECT_EQ(bt3Close(fd), 0);
    EXPECT_EQ(bt3Close(fd), -1);
    EXPECT_EQ(lastCode(), LIO_E_BADFD);
    EXPECT_EQ(bt3Lock(nullptr), -1);
}

// Mode 16 locks every record read; a record that fails its key check is let go again.
TEST_F(IsamEdges, ReadLockingModeReleasesARecordThatIsNotCurrent)
{
    Bt3File *fd = small(LIO_SHARED | LIO_RDWR);
    ASSERT_NE(fd, nullptr);
    add(fd, "k1", "aa");
    add(fd, "k2", "bb");
    Buf b(fd);
    memcpy(b.get(), "k2", 2);
    ASSERT_EQ(bt3Find(fd, b.get(), 5), 30);
    ASSERT_EQ(bt3Delete(fd), 0);
    EXPECT_EQ(bt3SetMode(fd, LIO_SHARED | LIO_RDLOCK), LIO_SHARED | LIO_RDLOCK | LIO_WTHRU);
    velk::apptest::OpenFile dat(lioOpen(path(".dat").c_str(), LIO_SHARED | LIO_RDWR));
    int h[LIO_HDRWORDS];
    EXPECT_EQ(bt3SetCur(fd, 2, b.get()), -1) << "record 2 was deleted";
    ASSERT_EQ(lioHeader(dat.get(), h), 0);
    EXPECT_EQ(h[LIO_H_NLOCKS], 0);
    EXPECT_EQ(bt3SetCur(fd, 1, b.get()), 30);
    ASSERT_EQ(lioHeader(dat.get(), h), 0);
    EXPECT_EQ(h[LIO_H_NLOCKS], 1) << "the current record stays locked";
    EXPECT_EQ(h[LIO_H_LOCKS], 1);
    EXPECT_EQ(bt3UnLock(fd), 0);
    ASSERT_EQ(lioHeader(dat.get(), h), 0);
    EXPECT_EQ(h[LIO_H_NLOCKS], 0);
    EXPECT_EQ(bt3Close(fd), 0);
}

TEST_F(IsamEdges, TemporaryIndexIsBuiltFromAllRecords)
{
    Bt3File *fd = small(LIO_SHARED | LIO_RDWR);
    ASSERT_NE(fd, nullptr);
    add(fd, "k1", "bb", "m");
    add(fd, "k2", "aa", "z");
    add(fd, "k3", "cc", "a");
    int byRest[] = {6, 1, 1, -1}, byK1[] = {2, 4, 1 | 128, -1};
    EXPECT_EQ(bt3AddInx(fd, byRest), -1);
    EXPECT_EQ(lastCode(), LIO_E_MODE) << "shared";
    EXPECT_EQ(bt3SetCache(fd, -1, LIO_CACHE_PRIVATE, 8), -1);
    EXPECT_EQ(lastCode(), LIO_E_MODE);
    Buf none(fd);
    memcpy(none.get(), "zz", 2);
    EXPECT_EQ(bt3Find(fd, none.get(), 5), 0);
    EXPECT_EQ(bt3Lock(fd), -1) << "no current record";
    EXPECT_EQ(lastCode(), BT3_E_NOCUR);
    ASSERT_GT(bt3SetMode(fd, LIO_EXCL | LIO_RDWR), 0);
    EXPECT_EQ(bt3SetCache(fd, -1, LIO_CACHE_PRIVATE, 8), 0);
    EXPECT_EQ(bt3DelInx(fd), -1);
    EXPECT_EQ(lastCode(), BT3_E_NOTEMP);
    add(fd, "k4", "aa", "a");
    EXPECT_EQ(bt3AddInx(fd, byRest), -1) << "'a' twice in a unique index";
    EXPECT_EQ(lastCode(), BT3_E_KEYEXISTS);
    EXPECT_FALSE(fileExists(path(".nx$")));
    EXPECT_EQ(bt3AddInx(fd, byK1), 2);
    ASSERT_EQ(bt3Close(fd), 0);

    fd = bt3Open(base_.c_str(), LIO_EXCL | LIO_RDWR);
    ASSERT_NE(fd, nullptr);
    ASSERT_EQ(bt3Select(fd, 2), 0);
    Buf b(fd);
    std::string order;
    for (int r = bt3Start(fd, b.get()); r > 0 && bt3Status(fd) != BT3_ATEND;
         r = bt3Next(fd, b.get()))
        order += b.get()[6];
    EXPECT_EQ(order, "zama");
    EXPECT_EQ(add(fd, "k5", "ab", "q"), 5);
    EXPECT_EQ(bt3Check(fd, 2, "ab\0\0"), 5);
    EXPECT_EQ(bt3DelInx(fd), 0);
    EXPECT_FALSE(fileExists(path(".nx$")));
    EXPECT_EQ(bt3Select(fd, 2), -1);
    ASSERT_EQ(bt3Close(fd), 0);
    fd = bt3Open(base_.c_str(), LIO_SHARED | LIO_RDWR);
    ASSERT_NE(fd, nullptr);
    EXPECT_EQ(bt3Count(fd), 5);
    EXPECT_EQ(bt3Close(fd), 0);
}

} // namespace
