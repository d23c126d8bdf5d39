// Randomized runs of adds, rewrites, deletes, finds and steps on a fixed-length file set with
// five keys (unique and duplicate, multi-segment, character with garbage after its NUL, signed
// integer, one descending), checked after every operation against the in-memory model; then the
// structural checker on the files.
#include "tests/btree/isam/isam_driver.h"

using namespace isamtest;

namespace {

const int kLen = 40;

// key 0: binary, bytes 0..5 + 20..21, unique        key 3: signed integer at 24, unique
// key 1: character at 6..13, unique                  key 4: binary at 28..29, duplicates
// key 2: character at 14..17 + 22..23, duplicates, descending
std::vector<tKeyDef> keys()
{
    return {{5, {{0, 6}, {20, 2}}},
            {1, {{6, 8}}},
            {1 | 128 | 64, {{14, 4}, {22, 2}}},
            {4, {{24, 4}}},
            {5 | 128, {{28, 2}}}};
}

void field(std::mt19937 &g, Bytes &r, int which)
{
    char t[16];
    switch (which) {
    case 0:
        snprintf(t, sizeof t, "A%05u", unsigned(g() % 60));
        memcpy(&r[0], t, 6);
        break;
    case 1:
        r[20] = 'a';
        r[21] = char('a' + g() % 2);
        break;
    case 2: { // 1..3 letters, a NUL, then bytes the character key must not see
        int n = 1 + g() % 3;
        for (int i = 0; i < 8; i++) r[6 + i] = i < n ? char('a' + g() % 5) : i == n ? 0 : char(g());
        break;
    }
    case 3:
        snprintf(t, sizeof t, "g%u", unsigned(g() % 5));
        memset(&r[14], 0, 4);
        memcpy(&r[14], t, 2);
        r[22] = char('x' + g() % 2);
        r[23] = ' ';
        break;
    case 4: {
        int32_t v = int32_t(g() % 161) - 80;
        memcpy(&r[24], &v, 4);
        break;
    }
    case 5:
        r[28] = char(g() % 4);
        r[29] = char(g() % 2);
        break;
    default:
        for (int i = 30; i < kLen; i++) r[i] = char('0' + g() % 10);
    }
}

Bytes gen(std::mt19937 &g)
{
    Bytes r(kLen, 0);
    for (int f = 0; f < 7; f++) field(g, r, f);
    return r;
}

// Changes one to three fields; sometimes takes over a unique key of another record.
Bytes mutate(std::mt19937 &g, const Bytes &old, const Model &m)
{
    Bytes r = old;
    for (int n = 1 + g() % 3; n > 0; n--) field(g, r, g() % 7);
    if (!m.recs.empty() && g() % 3 == 0) {
        auto it = m.recs.begin();
        std::advance(it, g() % m.recs.size());
        const Bytes &o = it->second.bytes;
        switch (g() % 3) {
        case 0:
            std::copy(o.begin(), o.begin() + 6, r.begin());
            r[20] = o[20];
            r[21] = o[21];
            break;
        case 1:
            std::copy(o.begin() + 6, o.begin() + 14, r.begin() + 6);
            break;
        default:
            std::copy(o.begin() + 24, o.begin() + 28, r.begin() + 24);
        }
    }
    return r;
}

struct RunParam {
    const char *name;
    int mode;
    int ops;
};

class IsamModel : public IsamTest, public ::testing::WithParamInterface<RunParam> {};

TEST_P(IsamModel, EveryOperationKeepsDataAndIndicesInStep)
{
    const unsigned seed = 20261209;
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::vector<int> def = defList(keys());
    ASSERT_EQ(bt3Creat(base_.c_str(), kLen, def.data()), 0);
    Bt3File *fd = bt3Open(base_.c_str(), GetParam().mode);
    ASSERT_NE(fd, nullptr);
    {
        Driver d(fd, keys(), false, gen, mutate, seed);
        for (int i = 0; i < GetParam().ops && !HasFatalFailure(); i++) {
            SCOPED_TRACE("operation " + std::to_string(i));
            d.step();
            if (!HasFatalFailure()) d.checkAll();
        }
        // the run must have met the cases it is about
        EXPECT_GT(d.refusedAdds, 10);
        EXPECT_GT(d.refusedWrites, 10);
        EXPECT_GT(d.deletes, 10);
        EXPECT_GT(d.model().recs.size(), 25u);
    }
    ASSERT_EQ(bt3Close(fd), 0);

    velk::apptest::OpenFile ndx(lioOpen(path(".ndx").c_str(), LIO_EXCL | LIO_RDWR));
    velk::apptest::OpenFile dat(lioOpen(path(".dat").c_str(), LIO_EXCL | LIO_RDWR));
    ASSERT_TRUE(ndx.get() && dat.get());
    EXPECT_EQ(velk::apptest::checkIndexFile(ndx.get()), "");
    EXPECT_EQ(velk::apptest::checkDataFile(dat.get()), "");
}

INSTANTIATE_TEST_SUITE_P(Modes, IsamModel,
                         ::testing::Values(RunParam{"exclusive", LIO_EXCL | LIO_RDWR, 1200},
                                           RunParam{"shared", LIO_SHARED | LIO_RDWR, 500}),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
