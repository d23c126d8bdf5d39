// A variable-length file set shaped like the text store (one unique 16-byte character key in
// front of a text of any length): randomized adds, rewrites that change the length across size
// classes, deletes, finds and steps, checked after every operation against the model; then the
// store's own balance and the index file's structure.
#include "tests/btree/isam/isam_driver.h"

using namespace isamtest;

namespace {

std::vector<tKeyDef> keys() { return {{1, {{0, 16}}}}; }

void setId(std::mt19937 &g, Bytes &r)
{
    char id[17];
    snprintf(id, sizeof id, "T%04u           ", unsigned(g() % 60));
    memcpy(r.data(), id, 16);
}

// ID padded with spaces to 16, then the text with its terminating zero byte.
Bytes withText(const Bytes &id, std::mt19937 &g)
{
    size_t n = g() % 4 == 0 ? g() % 2000 : g() % 200;
    Bytes r(id.begin(), id.begin() + 16);
    for (size_t i = 0; i < n; i++) r.push_back((unsigned char)('a' + g() % 26));
    r.push_back(0);
    return r;
}

Bytes gen(std::mt19937 &g)
{
    Bytes id(16);
    setId(g, id);
    return withText(id, g);
}

Bytes mutate(std::mt19937 &g, const Bytes &old, const Model &m)
{
    Bytes id(old.begin(), old.begin() + 16);
    if (g() % 4 == 0) setId(g, id);
    if (!m.recs.empty() && g() % 4 == 0) {
        auto it = m.recs.begin();
        std::advance(it, g() % m.recs.size());
        id.assign(it->second.bytes.begin(), it->second.bytes.begin() + 16);
    }
    return withText(id, g);
}

class IsamVl : public IsamTest {};

TEST_F(IsamVl, TextStoreShapedSetStaysInStep)
{
    const unsigned seed = 4711;
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::vector<int> def = defList(keys());
    ASSERT_EQ(bt3VlCreate(base_.c_str(), def.data(), 16, 32768, 128), 0);
    Bt3File *fd = bt3Open(base_.c_str(), LIO_SHARED | LIO_RDWR);
    ASSERT_NE(fd, nullptr);
    size_t records = 0;
    {
        Driver d(fd, keys(), true, gen, mutate, seed);
        for (int i = 0; i < 900 && !HasFatalFailure(); i++) {
            SCOPED_TRACE("operation " + std::to_string(i));
            d.step();
            if (!HasFatalFailure()) d.checkAll();
        }
        EXPECT_GT(d.refusedAdds, 10);
        EXPECT_GT(d.refusedWrites, 5);
        EXPECT_GT(d.deletes, 10);
        records = d.model().recs.size();
        EXPECT_GT(records, 15u);
    }
    ASSERT_EQ(bt3Close(fd), 0);

    VlFile *vl = vlOpen(base_.c_str(), LIO_EXCL | LIO_RDWR);
    ASSERT_NE(vl, nullptr);
    VlStats st;
    EXPECT_EQ(vlStats(vl, &st), 0);
    EXPECT_EQ(st.records, (int)records);
    EXPECT_EQ(st.areasInUse, (int)records);
    EXPECT_EQ(vlClose(vl), 0);
    velk::apptest::OpenFile ndx(lioOpen(path(".ndx").c_str(), LIO_EXCL | LIO_RDWR));
    ASSERT_NE(ndx.get(), nullptr);
    EXPECT_EQ(velk::apptest::checkIndexFile(ndx.get()), "");
}

// The store limits a record to 10000 bytes with the length word and the serial.
TEST_F(IsamVl, LongestTextAndOneByteMore)
{
    int def[] = {0, 16, 1, -1};
    ASSERT_EQ(bt3VlCreate(base_.c_str(), def, 16, 32768, 128), 0);
    Bt3File *fd = bt3Open(base_.c_str(), LIO_SHARED | LIO_RDWR);
    ASSERT_NE(fd, nullptr);
    char *b = bt3GetBuff(fd, 0);
    ASSERT_NE(b, nullptr);
    memset(b, 'x', 9992);
    EXPECT_EQ(bt3VlAdd(fd, b, 9993), -1);
    EXPECT_EQ(lastCode(), VL_E_TOOLONG);
    EXPECT_EQ(bt3Count(fd), 0);
    EXPECT_EQ(bt3VlAdd(fd, b, 9992), 9992);
    EXPECT_EQ(bt3GetLen(fd, bt3GetCur(fd)), 9992);
    EXPECT_EQ(bt3VlAdd(fd, b, 15), -1) << "a record shorter than its key";
    EXPECT_EQ(lastCode(), LIO_E_SMALLREC);
    EXPECT_EQ(bt3Count(fd), 1);
    EXPECT_EQ(bt3FreeBuff(b), 0);
    EXPECT_EQ(bt3Close(fd), 0);
}

} // namespace
