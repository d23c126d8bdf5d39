// isam_support.h - fixtures of the ISAM layer's tests: a directory with its own process
// registry, record buffers that free themselves, forked children, and an in-memory model of a
// file set that predicts what every operation answers.
//
// The model keeps the records by record number with their serials (read from the 4 hidden bytes
// in front of a buffer) and knows the order of every index from the key definition alone:
// segments concatenated, compared by key type (character: unsigned bytes up to the first NUL;
// 4: signed 32-bit; 5: unsigned bytes), times the direction; equal keys of a duplicates index in
// the order of their serials (descending in a descending index).
#ifndef VELK_TESTS_ISAM_SUPPORT_H
#define VELK_TESTS_ISAM_SUPPORT_H

#include "tests/btree/process_support.h"
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "btree/btree.h"
#include "tests/btree/engine_support.h"

namespace isamtest {

using velk::apptest::Signal;
using velk::apptest::spawn;
using velk::apptest::waitFor;

using Bytes = std::vector<unsigned char>;
using velk::apptest::lastCode;

// A buffer from bt3GetBuff, freed on destruction.
class Buf {
public:
    explicit Buf(Bt3File *fd, int size = 0) : p_(bt3GetBuff(fd, size)) {}
    ~Buf()
    {
        if (p_) bt3FreeBuff(p_);
    }
    Buf(const Buf &) = delete;
    Buf &operator=(const Buf &) = delete;
    char *get() const { return p_; }
    unsigned char *bytes() const { return (unsigned char *)p_; }
    int32_t serial() const
    {
        int32_t s;
        memcpy(&s, p_ - 4, 4);
        return s;
    }
    void set(const Bytes &b) { memcpy(p_, b.data(), b.size()); }
    Bytes take(size_t n) const { return Bytes(bytes(), bytes() + n); }

private:
    char *p_;
};

// Every test gets a clean error state, its own directory and process registry.
class IsamTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        lioInit();
        lioClearErr();
        setenv("PROCFILE", dir_.file("proc.id").c_str(), 1);
        base_ = dir_.file("t");
    }
    void TearDown() override { unsetenv("PROCFILE"); }
    std::string path(const char *suffix) const { return base_ + suffix; }

    velk::apptest::TempDir dir_;
    std::string base_;
};

// ---- the model ----

struct tKeyDef {
    int flags;
    std::vector<std::pair<int, int>> segs; // (offset, length)
    int type() const { return flags & 15; }
    bool dups() const { return flags & 128; }
    int dir() const { return (flags & 64) ? -1 : 1; }
    int len() const
    {
        int n = 0;
        for (auto &s : segs) n += s.second;
        return n;
    }
};

// The definition list of bt3Creat for these keys.
inline std::vector<int> defList(const std::vector<tKeyDef> &keys)
{
    std::vector<int> v;
    for (auto &k : keys)
        for (size_t s = 0; s < k.segs.size(); s++)
            v.insert(v.end(), {k.segs[s].first, k.segs[s].second, s ? 32 : k.flags});
    v.push_back(-1);
    v.insert(v.end(), {0, 0});
    return v;
}

// The user part of a key as the index compares it: segments, zeros after a character NUL.
inline Bytes userKey(const tKeyDef &k, const Bytes &rec)
{
    Bytes u;
    for (auto &s : k.segs)
        for (int i = 0; i < s.second; i++)
            u.push_back(size_t(s.first + i) < rec.size() ? rec[s.first + i] : 0);
    if (k.type() == 1) {
        auto z = std::find(u.begin(), u.end(), 0);
        std::fill(z, u.end(), 0);
    }
    return u;
}

inline int typeCmp(const tKeyDef &k, const Bytes &a, const Bytes &b)
{
    if (k.type() == 4) {
        int32_t x, y;
        memcpy(&x, a.data(), 4);
        memcpy(&y, b.data(), 4);
        return x < y ? -1 : x > y;
    }
    int c = memcmp(a.data(), b.data(), a.size()); // character keys are zero after their NUL
    return c < 0 ? -1 : c > 0;
}

struct Model {
    struct Rec {
        Bytes bytes;
        int32_t serial;
    };
    std::vector<tKeyDef> keys;
    std::map<int, Rec> recs;

    // Records in the order of index i: user key times direction, then the serial.
    std::vector<int> walk(int i) const
    {
        const tKeyDef &k = keys[i];
        struct E {
            int rec;
            int32_t serial;
            Bytes user;
        };
        std::vector<E> v;
        for (auto &r : recs) v.push_back(E{r.first, r.second.serial, userKey(k, r.second.bytes)});
        std::sort(v.begin(), v.end(), [&](const E &a, const E &b) {
            int c = k.dir() * typeCmp(k, a.user, b.user);
            if (c || !k.dups()) return c < 0;
            return k.dir() > 0 ? a.serial < b.serial : a.serial > b.serial;
        });
        std::vector<int> out;
        for (auto &e : v) out.push_back(e.rec);
        return out;
    }
    bool sameKey(int i, int ra, int rb) const
    {
        const tKeyDef &k = keys[i];
        return typeCmp(k, userKey(k, recs.at(ra).bytes), userKey(k, recs.at(rb).bytes)) == 0;
    }
    // The record (other than `except`) that already has one of bytes' unique keys, 0 none.
    int collision(const Bytes &bytes, int except) const
    {
        for (size_t i = 0; i < keys.size(); i++) {
            if (keys[i].dups()) continue;
            Bytes u = userKey(keys[i], bytes);
            for (auto &r : recs)
                if (r.first != except && typeCmp(keys[i], u, userKey(keys[i], r.second.bytes)) == 0)
                    return r.first;
        }
        return 0;
    }
    // What bt3Find answers in index i for a probe record: the record number, 0 none.
    int find(int i, const Bytes &probe, int mode) const
    {
        const tKeyDef &k = keys[i];
        Bytes u = userKey(k, probe);
        if (mode == 6)
            for (auto &c : u) c = (unsigned char)~c;
        std::vector<int> w = walk(i);
        auto coll = [&](int r) { return k.dir() * typeCmp(k, userKey(k, recs.at(r).bytes), u); };
        int lower = -1, greater = -1;
        for (size_t p = 0; p < w.size(); p++) {
            if (lower < 0 && coll(w[p]) >= 0) lower = (int)p;
            if (greater < 0 && coll(w[p]) > 0) greater = (int)p;
        }
        int last = w.empty() ? 0 : w.back();
        switch (mode) {
        case 1:
            if (lower < 0) return last;
            return coll(w[lower]) > 0 || lower == 0 ? 0 : w[lower - 1];
        case 2:
            return greater < 0 ? 0 : w[greater];
        case 3:
            return greater < 0 ? last : greater == 0 ? 0 : w[greater - 1];
        case 4:
        case 6:
            return lower < 0 ? 0 : w[lower];
        case 5:
            return lower >= 0 && coll(w[lower]) == 0 ? w[lower] : 0;
        default:
            return lower < 0 ? last : w[lower];
        }
    }
};

} // namespace isamtest

#endif
