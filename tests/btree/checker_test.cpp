// The structural checker itself: each damage made to a sound file on disk is reported under the
// rule it breaks, so a clean answer from the checker means something.
#include <functional>

#include "tests/btree/engine_support.h"

namespace velk::apptest {
namespace {

// Where the pages of the sample index lie: one leaf that is not the root, the root (inner), one
// free page; page size P.
struct Layout {
    long root = 0, leaf = 0, freePage = 0;
    int pageSize = 0;
};

struct Damage {
    const char *name;
    std::function<void(const std::string &, const Layout &)> apply;
    const char *rule; // the answer begins with this
    bool wholeFile;   // found only by checkIndexFile; checkIndex stays clean
};

std::ostream &operator<<(std::ostream &os, const Damage &d) { return os << d.name; }

// Order 2, 4-byte binary keys: 40 keys inserted, 1..12 deleted again (merges free pages).
class CheckerTest : public EngineTest, public ::testing::WithParamInterface<Damage> {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        OrderGuard guard(2);
        ASSERT_EQ(lioCreat(path_.c_str(), 4, LIO_KEY_BINARY, 0, 1), 0);
        OpenFile f(lioOpen(path_.c_str(), LIO_EXCL | LIO_RDWR));
        ASSERT_NE(f.get(), nullptr);
        for (uint32_t k = 1; k <= 40; ++k)
            ASSERT_EQ(lioInsert(f.get(), binKey(k).data(), int(k)), int(k));
        for (uint32_t k = 1; k <= 12; ++k) ASSERT_EQ(lioDelete(f.get(), binKey(k).data()), int(k));
        tIndexReport report;
        ASSERT_EQ(checkIndex(f.get(), &report), "");
        ASSERT_EQ(checkIndexFile(f.get()), "");
        ASSERT_GE(report.depth, 2);
        ASSERT_FALSE(report.freePages.empty());
        tIndexGeometry g;
        ASSERT_EQ(loadGeometry(f.get(), &g), "");
        layout_.pageSize = g.pageSize;
        layout_.root = report.treePages.front();
        layout_.freePage = report.freePages.front();
        for (long p : report.treePages) {
            tPageImage img;
            ASSERT_EQ(readPageImage(f.get(), g, p, &img), "");
            if (p != layout_.root && img.p0 == 0 && img.m >= 2) {
                layout_.leaf = p;
                break;
            }
        }
        ASSERT_NE(layout_.leaf, 0);
        ASSERT_EQ(f.close(), 0);
    }

    std::string path_ = dir_.file("index");
    Layout layout_;
};

TEST_P(CheckerTest, DamageIsReportedUnderItsRule)
{
    const Damage &d = GetParam();
    d.apply(path_, layout_);
    OpenFile f(lioOpen(path_.c_str(), LIO_EXCL | LIO_RDWR));
    ASSERT_NE(f.get(), nullptr) << "the damage is below what an open checks";
    const std::string one = checkIndex(f.get()), all = checkIndexFile(f.get());
    if (d.wholeFile) {
        EXPECT_EQ(one, "");
    } else {
        EXPECT_EQ(one.rfind(d.rule, 0), 0u) << one;
    }
    EXPECT_NE(all.find(d.rule), std::string::npos) << all;
}

void swapBytes(const std::string &path, long a, long b, int n)
{
    Bytes bytes = readFileBytes(path);
    for (int i = 0; i < n; ++i) std::swap(bytes[size_t(a + i)], bytes[size_t(b + i)]);
    writeFileBytes(path, bytes);
}

constexpr long kItem = 4 + 8; // key, child, record

INSTANTIATE_TEST_SUITE_P(Damages, CheckerTest,
                         ::testing::Values(Damage{"SwappedKeys",
                                                  [](const std::string &p, const Layout &l) {
                                                      swapBytes(p, l.leaf + 5, l.leaf + 5 + kItem,
                                                                4);
                                                  },
                                                  "(7)", false},
                                           Damage{"PageBelowN",
                                                  [](const std::string &p, const Layout &l) {
                                                      setFileByte(p, l.leaf, 1);
                                                  },
                                                  "(4)", false},
                                           Damage{"PageOverTwoN",
                                                  [](const std::string &p, const Layout &l) {
                                                      setFileByte(p, l.leaf, 5);
                                                  },
                                                  "(4)", false},
                                           Damage{"ChildInLeaf",
                                                  [](const std::string &p, const Layout &l) {
                                                      setFileWord(p, l.leaf + 5 + 4,
                                                                  int32_t(l.root));
                                                  },
                                                  "(5)", false},
                                           Damage{"SharedChild",
                                                  [](const std::string &p, const Layout &l) {
                                                      setFileWord(p, l.root + 5 + 4,
                                                                  fileWord(p, l.root + 1));
                                                  },
                                                  "(3)", false},
                                           Damage{"ChildOutsideFile",
                                                  [](const std::string &p, const Layout &l) {
                                                      setFileWord(p, l.root + 1, 0x7000000);
                                                  },
                                                  "(3)", false},
                                           Damage{"KeyCountOff",
                                                  [](const std::string &p, const Layout &) {
                                                      setHeaderWord(p, 0, LIO_H_KEYS,
                                                                    headerWord(p, 0, LIO_H_KEYS) +
                                                                        1);
                                                  },
                                                  "(8)", false},
                                           Damage{"PagesInUseOff",
                                                  [](const std::string &p, const Layout &) {
                                                      setHeaderWord(p, 0, LIO_H_LIVE,
                                                                    headerWord(p, 0, LIO_H_LIVE) -
                                                                        1);
                                                  },
                                                  "(8)", false},
                                           Damage{"FreeMarkerBroken",
                                                  [](const std::string &p, const Layout &l) {
                                                      flipByte(p, l.freePage + 2);
                                                  },
                                                  "(9)", false},
                                           Damage{"FreeTailDirty",
                                                  [](const std::string &p, const Layout &l) {
                                                      setFileByte(p, l.freePage + l.pageSize - 1,
                                                                  1);
                                                  },
                                                  "(9)", false},
                                           Damage{"FreeChainShort",
                                                  [](const std::string &p, const Layout &) {
                                                      setHeaderWord(
                                                          p, 0, LIO_H_DELETED,
                                                          headerWord(p, 0, LIO_H_DELETED) + 1);
                                                  },
                                                  "(9)", false},
                                           Damage{"PagesLeaked",
                                                  [](const std::string &p, const Layout &) {
                                                      setHeaderWord(p, 0, LIO_H_FREE, 0);
                                                      setHeaderWord(p, 0, LIO_H_DELETED, 0);
                                                  },
                                                  "(11)", true}),
                         [](const ::testing::TestParamInfo<Damage> &info) {
                             return info.param.name;
                         });

TEST_F(EngineTest, CheckerFindsUnnormalisedKeys)
{
    const std::string p = dir_.file("char");
    ASSERT_EQ(lioCreat(p.c_str(), 8, LIO_KEY_CHAR | LIO_KEY_DUPS, 0, 1), 0);
    {
        OpenFile f(lioOpen(p.c_str(), LIO_EXCL | LIO_RDWR));
        ASSERT_NE(f.get(), nullptr);
        ASSERT_EQ(lioInsert(f.get(), charKey("ab", 8).data(), 1), 1);
        ASSERT_EQ(lioInsert(f.get(), charKey("ab", 8).data(), 2), 2);
        ASSERT_EQ(checkIndex(f.get()), "");
    }
    const long root = headerWord(p, 0, LIO_H_ROOT);
    setFileByte(p, root + 5 + 5, 'x'); // behind the NUL of the first key
    {
        OpenFile f(lioOpen(p.c_str(), LIO_EXCL | LIO_RDWR));
        ASSERT_NE(f.get(), nullptr);
        EXPECT_EQ(checkIndex(f.get()).rfind("(10)", 0), 0u) << checkIndex(f.get());
    }
    setFileByte(p, root + 5 + 5, 0);
    setFileWord(p, root + 5 + 20 + 8, 3); // second serial beyond the last one handed out
    OpenFile f(lioOpen(p.c_str(), LIO_EXCL | LIO_RDWR));
    ASSERT_NE(f.get(), nullptr);
    EXPECT_EQ(checkIndex(f.get()).rfind("(10)", 0), 0u) << checkIndex(f.get());
}

TEST_F(EngineTest, DataFileCheckerFollowsTheFreeChain)
{
    const std::string p = dir_.file("data");
    ASSERT_EQ(lioCreat(p.c_str(), 16, LIO_DATAFILE, 0, 1), 0);
    {
        OpenFile f(lioOpen(p.c_str(), LIO_EXCL | LIO_RDWR));
        ASSERT_NE(f.get(), nullptr);
        Bytes rec(16, 0x44);
        for (int n = 1; n <= 4; ++n) {
            ASSERT_EQ(lioAvl(f.get()), n);
            ASSERT_EQ(lioWrite(f.get(), n, rec.data()), 16);
        }
        ASSERT_EQ(lioFree(f.get(), 2), 0);
        ASSERT_EQ(lioFree(f.get(), 4), 0);
        ASSERT_EQ(checkDataFile(f.get()), "");
    }
    flipByte(p, 340 + 16 + 3); // the marker of record 2, second in the chain
    OpenFile f(lioOpen(p.c_str(), LIO_EXCL | LIO_RDWR));
    ASSERT_NE(f.get(), nullptr);
    EXPECT_EQ(checkDataFile(f.get()).rfind("(13)", 0), 0u) << checkDataFile(f.get());
}

} // namespace
} // namespace velk::apptest
