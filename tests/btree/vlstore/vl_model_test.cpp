// Randomized runs against an in-memory model: adds, rewrites of other lengths, frees (also of
// numbers already freed), full and partial reads and reopens, with the structural checker after
// every flush.  The seed is printed with any failure.
#include <map>
#include <optional>
#include <random>

#include "tests/btree/vlstore/vl_support.h"

namespace vltest {
namespace {

struct ModelRun {
    int min, max, g; // vlCreat's arguments
    int maxLen;      // longest record written
    int mode;
    unsigned seed;
};

void PrintTo(const ModelRun &r, std::ostream *os) { *os << "seed " << r.seed; }

class VlModel : public VlTest, public ::testing::WithParamInterface<ModelRun> {
protected:
    std::map<int, std::optional<std::string>> live_; // handed out; nullopt: not written yet
    std::vector<int> freed_;                         // freed numbers, newest last
    int highest_ = 0;
    std::mt19937 rng_;
    VlFile *fd_ = nullptr;

    int pick() // some number handed out, or 0
    {
        if (live_.empty()) return 0;
        auto it = live_.begin();
        std::advance(it, rng_() % live_.size());
        return it->first;
    }

    void add(int version)
    {
        int want = freed_.empty() ? highest_ + 1 : freed_.back();
        ASSERT_EQ(vlAvl(fd_), want);
        if (freed_.empty())
            highest_++;
        else
            freed_.pop_back();
        live_[want] = std::nullopt;
        if (rng_() % 8) rewrite(want, version);
    }

    void rewrite(int rec, int version)
    {
        int len = (int)(rng_() % (GetParam().maxLen + 1));
        std::string s = pattern(len, version);
        ASSERT_EQ(vlWrite(fd_, rec, s.data(), len), len) << lastCode();
        live_[rec] = s;
    }

    void release(int rec)
    {
        auto &v = live_[rec];
        ASSERT_EQ(vlFree(fd_, rec), v ? (int)v->size() : 0) << lastCode();
        live_.erase(rec);
        freed_.push_back(rec);
        ASSERT_EQ(vlFree(fd_, rec), 0); // a second time changes nothing
    }

    void check(int rec)
    {
        auto it = live_.find(rec);
        std::string want = it != live_.end() && it->second ? *it->second : "";
        int size = rng_() % 2 ? 0 : (int)(rng_() % 40) + 1;
        std::string got(want.size() + 1, '\x5A');
        ASSERT_EQ(vlRead(fd_, rec, got.data(), size), (int)want.size()) << "record " << rec;
        size_t copied = size ? std::min(want.size(), (size_t)size) : want.size();
        EXPECT_EQ(got.substr(0, copied), want.substr(0, copied)) << "record " << rec;
        EXPECT_EQ(got[copied], '\x5A') << "copied past the buffer size, record " << rec;
    }

    void reopen()
    {
        ASSERT_EQ(vlClose(fd_), 0);
        ASSERT_EQ(checkStore(base_), "");
        fd_ = vlOpen(base_.c_str(), GetParam().mode);
        ASSERT_NE(fd_, nullptr) << lastCode();
    }

    void verifyAll()
    {
        for (int rec = 0; rec <= highest_ + 1; rec++) check(rec);
        VlStats s;
        ASSERT_EQ(vlStats(fd_, &s), 0) << lastCode();
        EXPECT_EQ(s.records, (int)live_.size());
        EXPECT_EQ(vlCount(fd_), (int)live_.size());
        EXPECT_EQ(s.freedNumbers, (int)freed_.size());
        long long bytes = 0;
        int areas = 0;
        for (auto &[rec, v] : live_)
            if (v) bytes += (long long)v->size(), areas++;
        EXPECT_EQ(s.areasInUse, areas);
        EXPECT_EQ(s.recordBytes, bytes);
    }
};

TEST_P(VlModel, AgreesWithTheModel)
{
    const ModelRun &p = GetParam();
    SCOPED_TRACE("seed " + std::to_string(p.seed));
    rng_.seed(p.seed);
    ASSERT_EQ(vlCreat(base_.c_str(), p.min, p.max, p.g, 32), 0);
    fd_ = vlOpen(base_.c_str(), p.mode);
    ASSERT_NE(fd_, nullptr);
    for (int step = 1; step <= 1500 && !HasFatalFailure(); step++) {
        int r = (int)(rng_() % 100), rec = pick();
        if (r < 30 || !rec)
            add(step);
        else if (r < 55)
            rewrite(rec, step);
        else if (r < 70)
            release(rec);
        else if (r < 95)
            check((int)(rng_() % (highest_ + 2)));
        else if (r < 97)
            reopen();
        else {
            ASSERT_EQ(vlFlush(fd_), 0);
            ASSERT_EQ(checkStore(base_), "") << "after step " << step;
        }
    }
    verifyAll();
    ASSERT_EQ(vlClose(fd_), 0);
    fd_ = nullptr;
    EXPECT_EQ(checkStore(base_), "");
    EXPECT_EQ(fileWord(mp_, VL_H_MARK * 4), 42);
}

// min 16, max 204, g 16: records of 185..200 bytes take 208-byte areas, a size without a head
// slot.  g 1 makes every length its own class; the text store's parameters run shared.
INSTANTIATE_TEST_SUITE_P(Seeds, VlModel,
                         ::testing::Values(ModelRun{16, 200, 16, 200, LIO_EXCL | LIO_RDWR, 11},
                                           ModelRun{16, 200, 16, 200, LIO_EXCL | LIO_WCLEAN, 12},
                                           ModelRun{13, 100, 1, 96, LIO_EXCL | LIO_RDWR, 13},
                                           ModelRun{16, 32768, 128, 9996, LIO_SHARED | LIO_RDWR,
                                                    14}),
                         [](const ::testing::TestParamInfo<ModelRun> &i) {
                             return "g" + std::to_string(i.param.g) + "max" +
                                    std::to_string(i.param.maxLen) +
                                    (i.param.mode & LIO_SHARED ? "shared" : "excl") + "seed" +
                                    std::to_string(i.param.seed);
                         });

} // namespace
} // namespace vltest
