// engine_support.h - fixtures shared by the engine's test programs.
#ifndef VELK_TESTS_BTREE_ENGINE_SUPPORT_H
#define VELK_TESTS_BTREE_ENGINE_SUPPORT_H

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "btree/btree.h"
#include "tests/btree/btree_check.h"
#include "tests/btree/files_support.h"

namespace velk::apptest {

inline int lastCode()
{
    const LioErr *e = lioLastErr();
    return e ? e->code : 0;
}

// Sets the process-wide B-tree order for new indices and restores the old one.
class OrderGuard {
public:
    explicit OrderGuard(int order) : old_(lioSetOrder(0)) { lioSetOrder(order); }
    ~OrderGuard() { lioSetOrder(old_ > 0 ? old_ : LIO_DEFORDER); }
    OrderGuard(const OrderGuard &) = delete;
    OrderGuard &operator=(const OrderGuard &) = delete;

private:
    int old_;
};

// Owns the master descriptor of an open file and closes it unless closed explicitly.
class OpenFile {
public:
    OpenFile() = default;
    explicit OpenFile(LioFile *fd) : fd_(fd) {}
    ~OpenFile()
    {
        if (fd_) lioClose(fd_);
    }
    OpenFile(const OpenFile &) = delete;
    OpenFile &operator=(const OpenFile &) = delete;

    LioFile *get() const { return fd_; }
    void reset(LioFile *fd)
    {
        if (fd_) lioClose(fd_);
        fd_ = fd;
    }
    int close()
    {
        int r = lioClose(fd_);
        fd_ = nullptr;
        return r;
    }

private:
    LioFile *fd_ = nullptr;
};

// Every test gets an initialised engine, a clean error state and its own directory.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        lioInit();
        lioClearErr();
    }

    TempDir dir_;
};

// Fixed-size key buffers: a character key padded with zeros, a big-endian binary key (memcmp
// order = numeric order), a native 32-bit integer key.
inline std::vector<unsigned char> charKey(const char *s, size_t len)
{
    std::vector<unsigned char> k(len, 0);
    std::memcpy(k.data(), s, std::min(len, std::strlen(s)));
    return k;
}

inline std::vector<unsigned char> binKey(uint32_t v, size_t len = 4)
{
    std::vector<unsigned char> k(len, 0);
    for (size_t i = 0; i < 4 && i < len; ++i) k[i] = (v >> (24 - 8 * i)) & 0xFF;
    return k;
}

inline uint32_t binValue(const std::vector<unsigned char> &k)
{
    return uint32_t(k[0]) << 24 | uint32_t(k[1]) << 16 | uint32_t(k[2]) << 8 | uint32_t(k[3]);
}

inline std::vector<unsigned char> intKey(int32_t v)
{
    std::vector<unsigned char> k(4);
    std::memcpy(k.data(), &v, 4);
    return k;
}

// Bytes [from, to) of a file's contents, for "nothing was written" comparisons.
inline Bytes fileRange(const std::string &path, long from, long to = -1)
{
    Bytes b = readFileBytes(path);
    if (to < 0 || size_t(to) > b.size()) to = long(b.size());
    if (from > to) from = to;
    return Bytes(b.begin() + from, b.begin() + to);
}

} // namespace velk::apptest

#endif
