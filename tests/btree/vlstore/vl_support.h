// vl_support.h - fixtures of the variable-length store's tests: a temporary directory with its
// own process registry, byte-level helpers on closed files, and a structural checker that reads
// mapper and store raw and names the invariant of vlen3.cpp a store breaks.
#ifndef VELK_TESTS_VLSTORE_VL_SUPPORT_H
#define VELK_TESTS_VLSTORE_VL_SUPPORT_H

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "btree/btree.h"

namespace vltest {

using Bytes = std::vector<unsigned char>;

inline int lastCode() { return lioLastErr()->code; }

inline Bytes readAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    Bytes b(in ? (size_t)in.tellg() : 0);
    in.seekg(0);
    in.read((char *)b.data(), (std::streamsize)b.size());
    return b;
}

inline void writeAll(const std::string &path, const Bytes &b)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc).write((const char *)b.data(), b.size());
}

inline int32_t wordAt(const Bytes &b, size_t off)
{
    int32_t v = 0;
    if (off + 4 <= b.size()) memcpy(&v, b.data() + off, 4);
    return v;
}

inline int32_t fileWord(const std::string &path, size_t off) { return wordAt(readAll(path), off); }

inline void setFileWord(const std::string &path, size_t off, int32_t v)
{
    Bytes b = readAll(path);
    memcpy(b.data() + off, &v, 4);
    writeAll(path, b);
}

inline long fileSize(const std::string &path)
{
    std::error_code ec;
    auto n = std::filesystem::file_size(path, ec);
    return ec ? -1 : (long)n;
}

inline void truncateTo(const std::string &path, long size)
{
    std::filesystem::resize_file(path, size);
}

// Record contents that differ per record, version and length.
inline std::string pattern(int len, int seed)
{
    std::string s((size_t)len, '\0');
    for (int i = 0; i < len; i++) s[(size_t)i] = (char)((seed * 131 + i * 7) & 0xFF);
    return s;
}

// A fresh directory whose process registry the engine uses.
class VlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/vlstore-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        base_ = dir_ + "/blob";
        mp_ = base_ + ".mp";
        st_ = base_ + ".st";
        setenv("PROCFILE", (dir_ + "/proc.id").c_str(), 1);
        lioInit();
        lioClearErr();
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string dir_, base_, mp_, st_;
};

// Owns an open store and closes it unless closed explicitly.
class Store {
public:
    explicit Store(VlFile *fd = nullptr) : fd_(fd) {}
    ~Store()
    {
        if (fd_) vlClose(fd_);
    }
    Store(const Store &) = delete;
    Store &operator=(const Store &) = delete;
    VlFile *get() const { return fd_; }
    operator VlFile *() const { return fd_; }
    int close()
    {
        int r = vlClose(fd_);
        fd_ = nullptr;
        return r;
    }

private:
    VlFile *fd_;
};

// Checks a closed (or quiet) store from its raw bytes; "" when sound, else the broken invariant
// with its number.
inline std::string checkStore(const std::string &base)
{
    Bytes mp = readAll(base + ".mp"), st = readAll(base + ".st");
    if (mp.size() < VL_HDRSIZE || st.size() < VL_STOREHDR) return "files shorter than headers";
    auto w = [&](int n) { return wordAt(mp, (size_t)n * 4); };
    long long min = w(VL_H_MIN), max = w(VL_H_MAX), g = w(VL_H_GRAN), end = w(VL_H_END);
    long long classes = (max - min + 1) / g + 1, start = VL_STOREHDR + w(VL_H_STASH);
    if (w(VL_H_MAPOFF) != classes * 4 + VL_HDRSIZE) return "map offset";
    if (wordAt(st, 0) != min || wordAt(st, 4) != max || wordAt(st, 8) != g) return "store copy";
    if (end > (long long)st.size() || end < start) return "(1) end of store";
    auto area = [&](long long t) { return std::max((t + g - 1) / g * g, min); };
    auto freeForm = [&](long long off, long long size) {
        return off + 13 <= end && wordAt(st, off) == size &&
               memcmp(&st[off + 4], "\033del\033", 5) == 0;
    };
    struct Span {
        long long off, size;
    };
    std::vector<Span> spans;
    long long mapOff = w(VL_H_MAPOFF);
    for (long long n = 1; n <= w(VL_H_HIGHEST); n++) {
        long long off = wordAt(mp, mapOff + (n - 1) * 8), t = wordAt(mp, mapOff + (n - 1) * 8 + 4);
        if (!t) continue;
        if (off < start || off + area(t) > end) return "(1) area of record " + std::to_string(n);
        if (wordAt(st, off) != t) return "(3) stored length of record " + std::to_string(n);
        spans.push_back({off, area(t)});
    }
    std::set<long long> seen;
    long long n = w(VL_H_FREEHEAD);
    for (; n && seen.size() <= (size_t)w(VL_H_HIGHEST); n = wordAt(mp, mapOff + (n - 1) * 8)) {
        if (n < 1 || n > w(VL_H_HIGHEST) || wordAt(mp, mapOff + (n - 1) * 8 + 4) != 0 ||
            !seen.insert(n).second)
            return "(6) freed number " + std::to_string(n);
    }
    if (n || (long long)seen.size() != w(VL_H_FREECOUNT)) return "(6) freed count";
    long long heap = 0;
    for (long long c = 0; c < classes; c++) {
        long long size = min + c * g, links = 0;
        for (long long off = wordAt(mp, VL_HDRSIZE + c * 4); off; off = wordAt(st, off + 9)) {
            if (off < start || off + size > end || !freeForm(off, size) || ++links > end / min)
                return "(4) free list of size " + std::to_string(size);
            spans.push_back({off, size});
            heap += size;
        }
    }
    if (heap != w(VL_H_HEAPBYTES)) return "(4) heap bytes";
    std::sort(spans.begin(), spans.end(), [](Span a, Span b) { return a.off < b.off; });
    spans.push_back({end, 0});
    long long cursor = start, largest = min + (classes - 1) * g;
    for (const Span &s : spans) {
        if (s.off < cursor) return "(2) areas overlap at " + std::to_string(s.off);
        while (cursor < s.off) { // only freed areas of sizes without a head slot
            long long size = wordAt(st, cursor);
            if (size <= largest || !freeForm(cursor, size) || cursor + size > s.off)
                return "(5) unaccounted bytes at " + std::to_string(cursor);
            cursor += size;
        }
        cursor = s.off + s.size;
    }
    return "";
}

} // namespace vltest

#endif
