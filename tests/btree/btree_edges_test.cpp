// B-tree edge cases with exact page shapes: the three split shapes, balancing through the parent
// (k = 1) and merges on both sides, predecessor replacement, the empty index, stepping off either
// end, partial searches, duplicate serials, key types and the caller's compare function.
//
// Unless said otherwise an index has 4-byte big-endian binary keys whose record number is the key
// value, and its pages lie at A, A + P, A + 2P ... in allocation order (A = 340).
#include <climits>
#include <functional>

#include "tests/btree/engine_support.h"

namespace velk::apptest {
namespace {

constexpr long A = 340;

using Values = std::vector<uint32_t>;

class BtreeEdgeTest : public EngineTest {
protected:
    void makeIndex(int keylen, int type, int order, const char *name = "index")
    {
        OrderGuard guard(order);
        path_ = dir_.file(name);
        ASSERT_EQ(lioCreat(path_.c_str(), keylen, type, 0, 1), 0) << lastCode();
        reopen();
    }

    void reopen()
    {
        file_.reset(nullptr);
        file_.reset(lioOpen(path_.c_str(), LIO_EXCL | LIO_RDWR));
        fd_ = file_.get();
        ASSERT_NE(fd_, nullptr);
        ASSERT_EQ(loadGeometry(fd_, &g_), "");
    }

    long page(int i) const { return A + long(i) * g_.pageSize; }

    int word(int w)
    {
        std::vector<int> h(LIO_HDRWORDS);
        lioHeader(fd_, h.data());
        return h[size_t(w)];
    }

    tPageImage image(long offset)
    {
        tPageImage p;
        EXPECT_EQ(loadGeometry(fd_, &g_), "");
        EXPECT_EQ(readPageImage(fd_, g_, offset, &p), "") << offset;
        return p;
    }

    Values values(long offset)
    {
        Values v;
        for (const tPageItem &item : image(offset).items) v.push_back(binValue(item.key));
        return v;
    }

    void insert(std::initializer_list<uint32_t> keys)
    {
        for (uint32_t k : keys) ASSERT_EQ(lioInsert(fd_, binKey(k).data(), int(k)), int(k)) << k;
    }

    // Record numbers in index order, from lioFirst through lioNext until a number repeats (at
    // most a few more steps than there are keys, so a looping step cannot hang the test).
    std::vector<int> walk()
    {
        std::vector<int> recs;
        const int limit = lioSize(fd_) + 3;
        for (int r = lioFirst(fd_, nullptr); r > 0 && (recs.empty() || recs.back() != r);
             r = lioNext(fd_, nullptr)) {
            recs.push_back(r);
            if (int(recs.size()) > limit) break;
        }
        return recs;
    }

    std::string path_;
    OpenFile file_;
    LioFile *fd_ = nullptr;
    tIndexGeometry g_;
};

TEST_F(BtreeEdgeTest, InsertingAnExistingKeyAnswersItsRecordAndChangesNothing)
{
    makeIndex(4, LIO_KEY_BINARY, 2);
    for (uint32_t k = 1; k <= 12; ++k)
        ASSERT_EQ(lioInsert(fd_, binKey(k).data(), int(100 + k)), int(100 + k));
    const Bytes before = fileRange(path_, A);
    const int pages = word(LIO_H_LIVE);
    EXPECT_EQ(lioInsert(fd_, binKey(7).data(), 999), 107);
    EXPECT_EQ(fileRange(path_, A), before);
    EXPECT_EQ(lioSize(fd_), 12);
    EXPECT_EQ(word(LIO_H_LIVE), pages);
    EXPECT_EQ(lioSearch(fd_, binKey(7).data()), 107);
    EXPECT_EQ(lioDelete(fd_, binKey(77).data()), 0) << "deleting a missing key";
    EXPECT_EQ(fileRange(path_, A), before);
    EXPECT_EQ(lioSize(fd_), 12);
}

class AscendingSplitTest : public BtreeEdgeTest, public ::testing::WithParamInterface<int> {};

TEST_P(AscendingSplitTest, TwoNPlusOneKeysGiveRootOfOneAndTwoLeavesOfN)
{
    const int n = GetParam();
    makeIndex(4, LIO_KEY_BINARY, n);
    for (uint32_t k = 1; k <= uint32_t(2 * n + 1); ++k)
        ASSERT_EQ(lioInsert(fd_, binKey(k).data(), int(k)), int(k));
    tIndexReport report;
    ASSERT_EQ(checkIndex(fd_, &report), "");
    EXPECT_EQ(report.depth, 2);
    EXPECT_EQ(word(LIO_H_ROOT), page(2));
    EXPECT_EQ(values(page(2)), Values{uint32_t(n + 1)});
    Values left, right;
    for (int k = 1; k <= n; ++k) {
        left.push_back(uint32_t(k));
        right.push_back(uint32_t(n + 1 + k));
    }
    EXPECT_EQ(values(page(0)), left);
    EXPECT_EQ(values(page(1)), right);
}

INSTANTIATE_TEST_SUITE_P(Orders, AscendingSplitTest, ::testing::Values(1, 2, 7, 12));

struct SplitCase {
    uint32_t key;
    uint32_t risen;
    Values left, right;
};

class SplitShapeTest : public BtreeEdgeTest, public ::testing::WithParamInterface<SplitCase> {};

// Order 3: a full leaf 10..60 takes one more key at every kind of position.
TEST_P(SplitShapeTest, RisingItemAndHalvesDependOnInsertPosition)
{
    const SplitCase &c = GetParam();
    makeIndex(4, LIO_KEY_BINARY, 3);
    insert({10, 20, 30, 40, 50, 60});
    ASSERT_EQ(lioInsert(fd_, binKey(c.key).data(), int(c.key)), int(c.key));
    ASSERT_EQ(checkIndex(fd_), "");
    EXPECT_EQ(word(LIO_H_ROOT), page(2)) << "new page first, then the new root";
    tPageImage root = image(page(2));
    ASSERT_EQ(root.m, 1);
    EXPECT_EQ(binValue(root.items[0].key), c.risen);
    EXPECT_EQ(root.items[0].rec, int(c.risen)) << "the record number travels with its key";
    EXPECT_EQ(root.p0, page(0));
    EXPECT_EQ(root.items[0].child, page(1));
    EXPECT_EQ(values(page(0)), c.left);
    EXPECT_EQ(values(page(1)), c.right);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, SplitShapeTest,
    ::testing::Values(SplitCase{5, 30, {5, 10, 20}, {40, 50, 60}},   // R < n - 1, at the front
                      SplitCase{25, 30, {10, 20, 25}, {40, 50, 60}}, // R < n - 1
                      SplitCase{35, 35, {10, 20, 30}, {40, 50, 60}}, // R = n - 1: the key rises
                      SplitCase{45, 40, {10, 20, 30}, {45, 50, 60}}, // R >= n
                      SplitCase{65, 40, {10, 20, 30}, {50, 60, 65}}) // R >= n, at the end
);

// Order 2 tree over 10..80: root [30 60] at page 2, leaves [10 20] page 0, [40 50] page 1,
// [70 80] page 3.
class UnderflowTest : public BtreeEdgeTest {
protected:
    void SetUp() override
    {
        BtreeEdgeTest::SetUp();
        makeIndex(4, LIO_KEY_BINARY, 2);
        insert({10, 20, 30, 40, 50, 60, 70, 80});
        ASSERT_EQ(values(page(2)), (Values{30, 60}));
        ASSERT_EQ(values(page(0)), (Values{10, 20}));
        ASSERT_EQ(values(page(1)), (Values{40, 50}));
        ASSERT_EQ(values(page(3)), (Values{70, 80}));
    }
};

TEST_F(UnderflowTest, RightNeighbourOfNPlusTwoGivesOneItem)
{
    insert({41, 42}); // middle leaf [40 41 42 50]
    ASSERT_EQ(lioDelete(fd_, binKey(10).data()), 10);
    EXPECT_EQ(values(page(0)), (Values{20, 30}));
    EXPECT_EQ(values(page(2)), (Values{40, 60}));
    EXPECT_EQ(values(page(1)), (Values{41, 42, 50}));
    EXPECT_EQ(values(page(3)), (Values{70, 80}));
    EXPECT_EQ(word(LIO_H_DELETED), 0);
    EXPECT_EQ(checkIndexFile(fd_), "");
}

TEST_F(UnderflowTest, RightNeighbourOfNMergesAndGoesOnFreeChain)
{
    ASSERT_EQ(lioDelete(fd_, binKey(40).data()), 40);
    EXPECT_EQ(values(page(1)), (Values{50, 60, 70, 80}));
    EXPECT_EQ(values(page(2)), (Values{30}));
    EXPECT_EQ(word(LIO_H_FREE), page(3));
    EXPECT_EQ(word(LIO_H_DELETED), 1);
    EXPECT_EQ(word(LIO_H_LIVE), 3);
    Bytes freed = fileRange(path_, page(3), page(4));
    EXPECT_TRUE(hasDeletionMarker(freed.data()));
    EXPECT_EQ(loadWord(freed.data() + 5), 0);
    EXPECT_EQ(checkIndexFile(fd_), "");
}

TEST_F(UnderflowTest, LastChildBorrowsOneFromLeftNeighbourOfNPlusTwo)
{
    insert({41, 42}); // middle leaf [40 41 42 50]
    ASSERT_EQ(lioDelete(fd_, binKey(70).data()), 70);
    EXPECT_EQ(values(page(3)), (Values{60, 80}));
    EXPECT_EQ(values(page(2)), (Values{30, 50}));
    EXPECT_EQ(values(page(1)), (Values{40, 41, 42}));
    EXPECT_EQ(word(LIO_H_DELETED), 0);
    EXPECT_EQ(checkIndexFile(fd_), "");
}

TEST_F(UnderflowTest, LastChildMergesIntoLeftNeighbourOfN)
{
    ASSERT_EQ(lioDelete(fd_, binKey(70).data()), 70);
    EXPECT_EQ(values(page(1)), (Values{40, 50, 60, 80}));
    EXPECT_EQ(values(page(2)), (Values{30}));
    EXPECT_EQ(word(LIO_H_FREE), page(3));
    EXPECT_TRUE(hasDeletionMarker(fileRange(path_, page(3), page(4)).data()));
    EXPECT_EQ(checkIndexFile(fd_), "");
}

TEST_F(UnderflowTest, InnerKeyIsReplacedByItsPredecessor)
{
    // 30 gives way to 20; the leaf [10] then merges with [40 50] under the parent item 20.
    ASSERT_EQ(lioDelete(fd_, binKey(30).data()), 30);
    EXPECT_EQ(values(page(2)), (Values{60}));
    EXPECT_EQ(values(page(0)), (Values{10, 20, 40, 50}));
    EXPECT_EQ(values(page(3)), (Values{70, 80}));
    EXPECT_EQ(word(LIO_H_FREE), page(1));
    EXPECT_EQ(checkIndexFile(fd_), "");
    EXPECT_EQ(walk(), (std::vector<int>{10, 20, 40, 50, 60, 70, 80}));
}

TEST_F(BtreeEdgeTest, DeletingTheOnlyKeyEmptiesTheIndexWhichStaysUsable)
{
    makeIndex(4, LIO_KEY_BINARY, 2);
    insert({5});
    ASSERT_EQ(lioDelete(fd_, binKey(5).data()), 5);
    EXPECT_EQ(word(LIO_H_ROOT), 0);
    EXPECT_EQ(word(LIO_H_LIVE), 0);
    EXPECT_EQ(word(LIO_H_KEYS), 0);
    EXPECT_EQ(word(LIO_H_FREE), A);
    EXPECT_EQ(lioSize(fd_), 0);
    EXPECT_TRUE(hasDeletionMarker(fileRange(path_, A, A + 8).data()));
    EXPECT_EQ(checkIndexFile(fd_), "");
    lioClearErr();
    EXPECT_EQ(lioFirst(fd_, nullptr), 0);
    EXPECT_EQ(lastCode(), LIO_E_EMPTY);

    insert({6, 4});
    EXPECT_EQ(word(LIO_H_ROOT), A) << "the freed page is taken again";
    EXPECT_EQ(word(LIO_H_EOF), A + g_.pageSize);
    EXPECT_EQ(lioSearch(fd_, binKey(4).data()), 4);
    EXPECT_EQ(walk(), (std::vector<int>{4, 6}));
    EXPECT_EQ(checkIndexFile(fd_), "");
}

TEST_F(BtreeEdgeTest, EmptyIndexAnswersFileIsEmpty)
{
    makeIndex(4, LIO_KEY_BINARY, 2);
    Bytes key = binKey(1), out(4);
    struct Call {
        const char *name;
        int expected;
        std::function<int()> call;
    };
    const std::vector<Call> calls = {
        {"lioSearch", -1, [&] { return lioSearch(fd_, key.data()); }},
        {"lioDelete", -1, [&] { return lioDelete(fd_, key.data()); }},
        {"lioFirst", 0, [&] { return lioFirst(fd_, out.data()); }},
        {"lioLast", 0, [&] { return lioLast(fd_, out.data()); }},
        {"lioNext", -1, [&] { return lioNext(fd_, out.data()); }},
        {"lioPrev", -1, [&] { return lioPrev(fd_, out.data()); }},
        {"lioSrPrtl", 0, [&] { return lioSrPrtl(fd_, key.data(), out.data(), 0); }},
    };
    for (const Call &c : calls) {
        lioClearErr();
        EXPECT_EQ(c.call(), c.expected) << c.name;
        EXPECT_EQ(lastCode(), LIO_E_EMPTY) << c.name;
    }
    EXPECT_EQ(lioSize(fd_), 0);
    EXPECT_EQ(word(LIO_H_EOF), A) << "nothing was allocated";
}

TEST_F(BtreeEdgeTest, SteppingOffEitherEndRepeatsTheEndKey)
{
    makeIndex(4, LIO_KEY_BINARY, 1);
    for (uint32_t k = 1; k <= 20; ++k) ASSERT_EQ(lioInsert(fd_, binKey(k).data(), int(k)), int(k));
    EXPECT_EQ(lioLast(fd_, nullptr), 20);
    EXPECT_EQ(lioNext(fd_, nullptr), 20);
    EXPECT_EQ(lioNext(fd_, nullptr), 20);
    EXPECT_EQ(lioPrev(fd_, nullptr), 19);
    EXPECT_EQ(lioFirst(fd_, nullptr), 1);
    EXPECT_EQ(lioPrev(fd_, nullptr), 1);
    EXPECT_EQ(lioNext(fd_, nullptr), 2);
}

TEST_F(BtreeEdgeTest, NextAndPrevWithoutCurrentKeyStartAtTheEnds)
{
    makeIndex(4, LIO_KEY_BINARY, 1);
    for (uint32_t k : {5, 3, 9, 1, 7}) ASSERT_EQ(lioInsert(fd_, binKey(k).data(), int(k)), int(k));
    reopen();
    EXPECT_EQ(lioNext(fd_, nullptr), 1);
    reopen();
    EXPECT_EQ(lioPrev(fd_, nullptr), 9);
}

TEST_F(BtreeEdgeTest, StepsContinueFromWhereAChangeLeftTheCurrentKey)
{
    makeIndex(4, LIO_KEY_BINARY, 1);
    for (uint32_t k = 10; k <= 300; k += 10)
        ASSERT_EQ(lioInsert(fd_, binKey(k).data(), int(k)), int(k));
    ASSERT_EQ(lioSearch(fd_, binKey(100).data()), 100);
    ASSERT_EQ(lioDelete(fd_, nullptr), 100) << "no key: the current one";
    EXPECT_EQ(lioSearch(fd_, binKey(100).data()), 0);
    ASSERT_EQ(lioSearch(fd_, binKey(200).data()), 200);
    ASSERT_EQ(lioDelete(fd_, nullptr), 200);
    EXPECT_EQ(lioNext(fd_, nullptr), 210)
        << "after deleting the current key, next is its successor";
    ASSERT_EQ(lioDelete(fd_, binKey(150).data()), 150);
    EXPECT_EQ(lioPrev(fd_, nullptr), 140);
    ASSERT_EQ(lioInsert(fd_, binKey(155).data(), 155), 155);
    EXPECT_EQ(lioNext(fd_, nullptr), 160) << "an inserted key becomes current";
    EXPECT_EQ(checkIndexFile(fd_), "");
}

// Changes to another index of the same file move pages and the file's modification counter,
// but not this index's current key.
TEST_F(BtreeEdgeTest, CurrentKeySurvivesChangesToAnotherIndexOfTheFile)
{
    OrderGuard guard(1);
    path_ = dir_.file("two");
    ASSERT_EQ(lioCreat(path_.c_str(), 4, LIO_KEY_BINARY, 0, 2), 0);
    reopen();
    LioFile *other = lioInxCreat(fd_, 4, LIO_KEY_BINARY);
    ASSERT_NE(other, nullptr);
    for (uint32_t k = 10; k <= 300; k += 10)
        ASSERT_EQ(lioInsert(fd_, binKey(k).data(), int(k)), int(k));
    ASSERT_EQ(lioSearch(fd_, binKey(50).data()), 50);
    for (uint32_t k = 1; k <= 60; ++k)
        ASSERT_EQ(lioInsert(other, binKey(k).data(), int(k)), int(k));
    EXPECT_EQ(lioNext(fd_, nullptr), 60);
    for (uint32_t k = 1; k <= 60; k += 2) ASSERT_EQ(lioDelete(other, binKey(k).data()), int(k));
    EXPECT_EQ(lioPrev(fd_, nullptr), 50);
    EXPECT_EQ(lioPrev(fd_, nullptr), 40);
    EXPECT_EQ(checkIndexFile(fd_), "");
}

TEST_F(BtreeEdgeTest, PartialSearchByCharacterPrefixAscending)
{
    makeIndex(10, LIO_KEY_CHAR, 1);
    const char *words[] = {"banana", "apricot", "cherry", "apple", "blue"};
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(lioInsert(fd_, charKey(words[i], 10).data(), i + 1), i + 1);
    struct Probe {
        const char *given;
        int exact;
        const char *found;
    };
    const Probe probes[] = {{"ap", 0, "apple"},  {"apr", 0, "apricot"}, {"b", 0, "banana"},
                            {"bz", 0, "cherry"}, {"", 0, "apple"},      {"zz", 0, "cherry"},
                            {"ap", 1, "apple"},  {"blue", 1, "blue"},   {"blues", 1, "cherry"}};
    for (const Probe &p : probes) {
        Bytes out(10, 0xEE);
        int r = lioSrPrtl(fd_, charKey(p.given, 10).data(), out.data(), p.exact);
        EXPECT_EQ(out, charKey(p.found, 10)) << p.given << " exact " << p.exact;
        EXPECT_GT(r, 0) << p.given;
        EXPECT_EQ(lioSearch(fd_, charKey(p.found, 10).data()), r) << p.given;
    }
    ASSERT_GT(lioSrPrtl(fd_, charKey("b", 10).data(), nullptr, 0), 0);
    EXPECT_EQ(lioNext(fd_, nullptr), 5) << "the found key is current";
}

TEST_F(BtreeEdgeTest, PartialSearchByCharacterPrefixDescending)
{
    makeIndex(10, LIO_KEY_CHAR | LIO_KEY_DESC, 1);
    const char *words[] = {"banana", "apricot", "cherry", "apple", "blue"};
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(lioInsert(fd_, charKey(words[i], 10).data(), i + 1), i + 1);
    EXPECT_EQ(walk(), (std::vector<int>{3, 5, 1, 2, 4}));
    struct Probe {
        const char *given;
        int exact;
        int rec;
    };
    // Collation runs cherry blue banana apricot apple; a prefix matches its whole group.
    const Probe probes[] = {{"ap", 0, 2}, {"b", 0, 5},  {"c", 0, 3}, {"0", 0, 4},
                            {"ap", 1, 4}, {"bb", 1, 1}, {"zz", 1, 3}};
    for (const Probe &p : probes)
        EXPECT_EQ(lioSrPrtl(fd_, charKey(p.given, 10).data(), nullptr, p.exact), p.rec)
            << p.given << " exact " << p.exact;
}

TEST_F(BtreeEdgeTest, DuplicateSerialsRunOneTwoThreeInInsertionOrder)
{
    makeIndex(6, LIO_KEY_CHAR | LIO_KEY_DUPS, 2);
    ASSERT_EQ(g_.keyLen, 10);
    const Bytes abc = charKey("abc", 6);
    for (int rec : {11, 12, 13}) ASSERT_EQ(lioInsert(fd_, abc.data(), rec), rec);
    EXPECT_EQ(word(LIO_H_SERIAL), 3);
    tPageImage root = image(A);
    ASSERT_EQ(root.m, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(loadWord(root.items[size_t(i)].key.data() + 6), i + 1) << i;
        EXPECT_EQ(root.items[size_t(i)].rec, 11 + i);
    }
    EXPECT_EQ(walk(), (std::vector<int>{11, 12, 13}));
    EXPECT_EQ(lioSearch(fd_, abc.data()), 11);
    EXPECT_EQ(lioSerNum(fd_, abc.data(), 13), 13);
    EXPECT_EQ(lioSerNum(fd_, abc.data(), 14), 0);
    ASSERT_EQ(lioDelete(fd_, abc.data()), 11) << "the first duplicate goes";
    EXPECT_EQ(walk(), (std::vector<int>{12, 13}));
    ASSERT_EQ(lioInsert(fd_, abc.data(), 14), 14);
    EXPECT_EQ(word(LIO_H_SERIAL), 4);
    EXPECT_EQ(walk(), (std::vector<int>{12, 13, 14}));
    EXPECT_EQ(checkIndex(fd_), "");
}

TEST_F(BtreeEdgeTest, DescendingDuplicatesComeOutNewestFirst)
{
    makeIndex(6, LIO_KEY_CHAR | LIO_KEY_DUPS | LIO_KEY_DESC, 2);
    const Bytes abc = charKey("abc", 6), abd = charKey("abd", 6);
    ASSERT_EQ(lioInsert(fd_, abc.data(), 11), 11);
    ASSERT_EQ(lioInsert(fd_, abd.data(), 20), 20);
    ASSERT_EQ(lioInsert(fd_, abc.data(), 12), 12);
    ASSERT_EQ(lioInsert(fd_, abc.data(), 13), 13);
    EXPECT_EQ(walk(), (std::vector<int>{20, 13, 12, 11}));
    EXPECT_EQ(lioSearch(fd_, abc.data()), 13);
    EXPECT_EQ(lioSrPrtl(fd_, abc.data(), nullptr, 0), 13);
    EXPECT_EQ(checkIndex(fd_), "");
}

TEST_F(BtreeEdgeTest, FirstOfEqualKeysIsFoundWhenTheySpanPages)
{
    for (int type : {LIO_KEY_CHAR | LIO_KEY_DUPS, LIO_KEY_CHAR | LIO_KEY_DUPS | LIO_KEY_DESC}) {
        SCOPED_TRACE(type);
        makeIndex(4, type, 1, type & LIO_KEY_DESC ? "desc" : "asc");
        const char *others[] = {"a", "z", "b", "n", "l", "y", "c", "o", "k", "x", "d", "p"};
        for (int i = 0; i < 12; ++i) {
            ASSERT_EQ(lioInsert(fd_, charKey("m", 4).data(), 100 + i), 100 + i);
            ASSERT_EQ(lioInsert(fd_, charKey(others[i], 4).data(), i + 1), i + 1);
        }
        tIndexReport report;
        ASSERT_EQ(checkIndex(fd_, &report), "");
        ASSERT_GE(report.depth, 3);
        const int first = type & LIO_KEY_DESC ? 111 : 100;
        EXPECT_EQ(lioSearch(fd_, charKey("m", 4).data()), first);
        EXPECT_EQ(lioSrPrtl(fd_, charKey("m", 4).data(), nullptr, 0), first);
        EXPECT_EQ(lioSerNum(fd_, charKey("m", 4).data(), 105), 105);
        EXPECT_EQ(lioSerNum(fd_, charKey("m", 4).data(), 3), 0);
        EXPECT_EQ(lioSerNum(fd_, charKey("q", 4).data(), 3), 0);
        EXPECT_EQ(lioSerNum(fd_, charKey("b", 4).data(), 3), 3);
    }
}

TEST_F(BtreeEdgeTest, CallerDiscriminatorOrdersEqualUserKeysAsSignedInt)
{
    makeIndex(8, LIO_KEY_CHAR | LIO_KEY_DUPS | LIO_KEY_CALLERDUP, 1);
    ASSERT_EQ(g_.keyLen, 8) << "the caller's discriminator is part of the given length";
    auto key = [](int32_t disc, const char *user) {
        Bytes k = charKey("", 8);
        storeWord(k.data(), disc);
        std::memcpy(k.data() + 4, user, std::strlen(user));
        return k;
    };
    ASSERT_EQ(lioInsert(fd_, key(5, "x").data(), 1), 1);
    ASSERT_EQ(lioInsert(fd_, key(3, "x").data(), 2), 2);
    ASSERT_EQ(lioInsert(fd_, key(9, "w").data(), 3), 3);
    ASSERT_EQ(lioInsert(fd_, key(-1, "x").data(), 4), 4);
    EXPECT_EQ(lioInsert(fd_, key(5, "x").data(), 5), 1) << "same user part and discriminator";
    EXPECT_EQ(walk(), (std::vector<int>{3, 4, 2, 1}));
    EXPECT_EQ(lioSerNum(fd_, key(-1, "x").data(), 1), 1);
    EXPECT_EQ(word(LIO_H_SERIAL), 0) << "no serials are handed out";
    EXPECT_EQ(checkIndex(fd_), "");
}

TEST_F(BtreeEdgeTest, IntegerKeyTypesForceLengthFourAndOrder)
{
    makeIndex(10, LIO_KEY_INT, 2, "int");
    EXPECT_EQ(g_.keyLen, 4);
    const int32_t ints[] = {INT_MIN, 1, -1, INT_MAX, 0};
    for (int i = 0; i < 5; ++i) ASSERT_EQ(lioInsert(fd_, intKey(ints[i]).data(), i + 1), i + 1);
    EXPECT_EQ(walk(), (std::vector<int>{1, 3, 5, 2, 4}));

    makeIndex(10, LIO_KEY_INTSUB, 2, "sub");
    EXPECT_EQ(g_.keyLen, 4);
    for (int32_t v : {5, -3, 0}) ASSERT_EQ(lioInsert(fd_, intKey(v).data(), v + 10), v + 10);
    EXPECT_EQ(walk(), (std::vector<int>{7, 10, 15}));

    // Subtraction wraps: INT_MAX - (-2) is negative, so INT_MAX collates before -2.
    makeIndex(4, LIO_KEY_INTSUB, 2, "wrap");
    ASSERT_EQ(lioInsert(fd_, intKey(-2).data(), 2), 2);
    ASSERT_EQ(lioInsert(fd_, intKey(INT_MAX).data(), 1), 1);
    EXPECT_EQ(walk(), (std::vector<int>{1, 2}));

    makeIndex(10, LIO_KEY_INT | LIO_KEY_DUPS, 2, "intdup");
    EXPECT_EQ(g_.keyLen, 8);

    // With the caller's discriminator in front, the integer follows it.
    makeIndex(8, LIO_KEY_INT | LIO_KEY_DUPS | LIO_KEY_CALLERDUP, 2, "intcaller");
    EXPECT_EQ(g_.keyLen, 8);
    auto key = [](int32_t disc, int32_t v) {
        Bytes k(8);
        storeWord(k.data(), disc);
        storeWord(k.data() + 4, v);
        return k;
    };
    ASSERT_EQ(lioInsert(fd_, key(2, 7).data(), 1), 1);
    ASSERT_EQ(lioInsert(fd_, key(1, 7).data(), 2), 2);
    ASSERT_EQ(lioInsert(fd_, key(3, -7).data(), 3), 3);
    EXPECT_EQ(walk(), (std::vector<int>{3, 2, 1}));
    EXPECT_EQ(checkIndex(fd_), "");
}

TEST_F(BtreeEdgeTest, CharacterKeyIsReadToItsNulAndZeroPadded)
{
    makeIndex(8, LIO_KEY_CHAR, 2);
    const Bytes typed = {'a', 'b', 0, 'X', 'Y', 'Z', 'W', 'V'};
    ASSERT_EQ(lioInsert(fd_, typed.data(), 1), 1);
    EXPECT_EQ(image(A).items.at(0).key, charKey("ab", 8));
    const Bytes other = {'a', 'b', 0, 'Q', 'Q', 'Q', 'Q', 'Q'};
    EXPECT_EQ(lioSearch(fd_, other.data()), 1);
    EXPECT_EQ(lioInsert(fd_, other.data(), 2), 1);
    Bytes out(8, 0xEE);
    EXPECT_EQ(lioFirst(fd_, out.data()), 1);
    EXPECT_EQ(out, charKey("ab", 8));
}

TEST_F(BtreeEdgeTest, StepsCopyOnlyTheUserPartOut)
{
    makeIndex(6, LIO_KEY_BINARY | LIO_KEY_DUPS, 2);
    const Bytes k1 = {1, 2, 0, 4, 5, 6}, k2 = {1, 2, 0, 4, 5, 7};
    ASSERT_EQ(lioInsert(fd_, k1.data(), 1), 1);
    ASSERT_EQ(lioInsert(fd_, k2.data(), 2), 2);
    auto expectOut = [](const Bytes &out, const Bytes &key, const char *what) {
        EXPECT_EQ(Bytes(out.begin(), out.begin() + 6), key) << what;
        EXPECT_EQ(Bytes(out.begin() + 6, out.end()), Bytes(10, 0xEE)) << what;
    };
    Bytes out(16, 0xEE);
    EXPECT_EQ(lioFirst(fd_, out.data()), 1);
    expectOut(out, k1, "first");
    out.assign(16, 0xEE);
    EXPECT_EQ(lioNext(fd_, out.data()), 2);
    expectOut(out, k2, "next");
    out.assign(16, 0xEE);
    EXPECT_EQ(lioPrev(fd_, out.data()), 1);
    expectOut(out, k1, "prev");
    out.assign(16, 0xEE);
    EXPECT_EQ(lioLast(fd_, out.data()), 2);
    expectOut(out, k2, "last");
    out.assign(16, 0xEE);
    EXPECT_EQ(lioSrPrtl(fd_, k2.data(), out.data(), 0), 2);
    expectOut(out, k2, "partial");
    EXPECT_EQ(lioLast(fd_, nullptr), 2);
}

int reverseBytes(int len, int, const void *a, const void *b)
{
    return -std::memcmp(a, b, size_t(len));
}

TEST_F(BtreeEdgeTest, OtherKeyTypesUseTheRegisteredCompareFunction)
{
    const LioCompare old = lioSetCompare(nullptr);
    makeIndex(4, 9, 1, "none");
    ASSERT_EQ(lioInsert(fd_, charKey("a", 4).data(), 1), 1);
    lioClearErr();
    EXPECT_EQ(lioInsert(fd_, charKey("b", 4).data(), 2), 1) << "without a function keys are equal";
    EXPECT_EQ(lastCode(), LIO_E_NOCMP);
    EXPECT_EQ(lioSize(fd_), 1);

    lioSetCompare(reverseBytes);
    makeIndex(4, 9, 1, "reverse");
    const char *keys[] = {"c", "a", "e", "b", "d"};
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(lioInsert(fd_, charKey(keys[i], 4).data(), keys[i][0]), keys[i][0]);
    EXPECT_EQ(walk(), (std::vector<int>{'e', 'd', 'c', 'b', 'a'}));
    EXPECT_EQ(checkIndex(fd_, nullptr, reverseBytes), "");
    EXPECT_EQ(lioSetCompare(old), reverseBytes);
}

TEST_F(BtreeEdgeTest, OrderSettingAppliesToNewIndices)
{
    OrderGuard guard(LIO_DEFORDER);
    EXPECT_EQ(lioSetOrder(0), 7);
    EXPECT_EQ(lioSetOrder(3), 3);
    EXPECT_EQ(lioSetOrder(0), 3);
    for (int bad : {13, -1, 100}) {
        lioClearErr();
        EXPECT_EQ(lioSetOrder(bad), -1) << bad;
        EXPECT_EQ(lastCode(), LIO_E_BADARG) << bad;
    }
    EXPECT_EQ(lioSetOrder(0), 3);
    const std::string p = dir_.file("three");
    ASSERT_EQ(lioCreat(p.c_str(), 4, LIO_KEY_BINARY, 0, 1), 0);
    EXPECT_EQ(headerWord(p, 0, LIO_H_ORDER), 3);
    EXPECT_EQ(headerWord(p, 0, LIO_H_RECLEN), (4 + 8) * 6 + 8);
}

TEST_F(BtreeEdgeTest, DuplicateFlagQueryRefusesDataFiles)
{
    const std::string p = dir_.file("data");
    ASSERT_EQ(lioCreat(p.c_str(), 16, LIO_DATAFILE, 0, 1), 0);
    OpenFile f(lioOpen(p.c_str(), LIO_EXCL | LIO_RDWR));
    ASSERT_NE(f.get(), nullptr);
    EXPECT_EQ(lioDup(f.get()), -1);
    EXPECT_EQ(lastCode(), LIO_E_BADARG);
}

} // namespace
} // namespace velk::apptest
