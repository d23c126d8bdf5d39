/*
 * scache.cpp - the cache of shared files: records and index pages kept across brackets.
 *
 * In shared mode every bracket re-reads the headers of its file (one read).  Word 20 of the
 * first header, the modification counter, changes with every change bracket of any process:
 * rawWrite and writeHead advance it, and a change bracket always ends by writing the headers.
 * So what this process read or wrote is still what the file holds while word 20 is the value
 * it saw on entering its last bracket, or wrote on leaving it.  A bracket that finds another
 * value drops everything kept for the file; one cut short by failing I/O drops it too.
 *
 * Kept per file (master descriptor), addressed by byte offset:
 *   units   one record or page each, as read alone or as written by this process;
 *   blocks  aligned kBlock-byte stretches of the file (the end of the file may cut one short),
 *           read once a file has missed a few times since the cache was last dropped: a walk
 *           over many rows then costs one read per block, a point operation one per record.
 * Header and stash bytes in a block are never answered from it (only rawRead asks).  Writes go
 * to disk as before and then into the cache; a write that leaves a gap after a block's end drops
 * the block.  Past the byte bound the least recently used entries go.
 *
 * Files open read-only take a read lock and write nothing; they are cached only while no
 * process owns the file exclusively (an exclusive owner writes without changing word 20 at
 * every change).  The variable-length store has no such counter and is not cached.
 */
#include "btree/lioint.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <unordered_map>
#include <vector>

#define MODULE "flen3.cpp"

namespace {

const long long kBlock = 32768;
const int kPointMisses = 4; /* misses read alone before blocks are read */

struct Entry {
    std::vector<unsigned char> bytes; /* a block: its capacity is kBlock, its size what is valid */
    unsigned long long used;
};

bool g_on = true;
unsigned g_epoch = 1; /* advanced by every switch: a cache of another epoch is dropped */
long long g_limit = 64LL << 20;
unsigned long long g_clock;

} // namespace

struct LioShare {
    int32_t mod;
    unsigned epoch;
    bool valid;
    int misses;
    long long bytes;
    std::unordered_map<long long, Entry> units, blocks;
};

namespace {

LioShare *shareOf(LioFile *m)
{
    if (!m->share) m->share = new (std::nothrow) LioShare{0, g_epoch, false, 0, 0, {}, {}};
    return m->share;
}

void clear(LioShare *c)
{
    c->units.clear();
    c->blocks.clear();
    c->bytes = 0;
    c->misses = 0;
}

/* Drops the least recently used entries until a quarter of the bound is free. */
void bound(LioShare *c)
{
    if (c->bytes <= g_limit) return;
    std::vector<std::pair<unsigned long long, std::pair<int, long long>>> all;
    for (auto &[k, e] : c->units) all.push_back({e.used, {0, k}});
    for (auto &[k, e] : c->blocks) all.push_back({e.used, {1, k}});
    std::sort(all.begin(), all.end());
    for (auto &[used, which] : all) {
        if (c->bytes <= g_limit / 4 * 3) break;
        auto &map = which.first ? c->blocks : c->units;
        auto it = map.find(which.second);
        c->bytes -= (long long)(which.first ? kBlock : it->second.bytes.size());
        map.erase(it);
    }
}

void keepUnit(LioShare *c, long long off, int len, const void *buf)
{
    auto [it, fresh] = c->units.try_emplace(off);
    if (!fresh) c->bytes -= (long long)it->second.bytes.size();
    it->second.bytes.assign((const unsigned char *)buf, (const unsigned char *)buf + len);
    it->second.used = ++g_clock;
    c->bytes += len;
    bound(c);
}

} // namespace

bool shareActive(const LioFile *fd)
{
    const LioFile *m = fd->master;
    return (m->mode & LIO_SHARED) && m->inside && m->share && m->share->valid &&
           m->share->epoch == g_epoch;
}

void shareCheck(LioFile *m)
{
    bool usable = g_on && (!(m->mode & LIO_RDONLY) || m->hdrs[LIO_H_OWNER] == 0);
    LioShare *c = usable ? shareOf(m) : m->share;
    if (!c) return;
    if (!usable || !c->valid || c->epoch != g_epoch || c->mod != m->hdrs[LIO_H_MODCOUNT]) clear(c);
    c->valid = usable;
    c->epoch = g_epoch;
    c->mod = m->hdrs[LIO_H_MODCOUNT];
}

void shareSettle(LioFile *m)
{
    if (m->share && m->share->valid) m->share->mod = m->hdrs[LIO_H_MODCOUNT];
}

void shareDrop(LioFile *m)
{
    if (!m->share) return;
    clear(m->share);
    m->share->valid = false;
}

void shareFree(LioFile *m)
{
    delete m->share;
    m->share = nullptr;
}

int shareRead(LioFile *fd, long long off, int len, void *buf)
{
    LioShare *c = fd->master->share;
    auto u = c->units.find(off);
    if (u != c->units.end() && (int)u->second.bytes.size() == len) {
        memcpy(buf, u->second.bytes.data(), len);
        u->second.used = ++g_clock;
        return 1;
    }
    for (long long b = off / kBlock; b <= (off + len - 1) / kBlock; b++) {
        auto it = c->blocks.find(b);
        if (it == c->blocks.end() ||
            b * kBlock + (long long)it->second.bytes.size() < std::min(off + len, (b + 1) * kBlock))
            return 0;
    }
    for (long long b = off / kBlock; b <= (off + len - 1) / kBlock; b++) {
        Entry &e = c->blocks[b];
        long long from = std::max(off, b * kBlock), to = std::min(off + len, (b + 1) * kBlock);
        memcpy((unsigned char *)buf + (from - off), e.bytes.data() + (from - b * kBlock),
               to - from);
        e.used = ++g_clock;
    }
    return 1;
}

int shareFetch(LioFile *fd, long long off, int len, void *buf)
{
    LioShare *c = fd->master->share;
    if (++c->misses > kPointMisses) {
        long long first = off / kBlock, last = (off + len - 1) / kBlock;
        long long start = first * kBlock, span = (last - first + 1) * kBlock;
        std::vector<unsigned char> all(span);
        ssize_t got = lioPread(fd->fh, all.data(), span, start);
        if (got < 0) return 0;
        if (got >= off + len - start) {
            for (long long b = first; b <= last; b++) {
                long long at = (b - first) * kBlock;
                long long n = std::min(kBlock, std::max(0LL, (long long)got - at));
                if (n == 0) break;
                auto [it, fresh] = c->blocks.try_emplace(b);
                if (fresh) c->bytes += kBlock;
                it->second.bytes.reserve(kBlock);
                it->second.bytes.assign(all.data() + at, all.data() + at + n);
                it->second.used = ++g_clock;
            }
            memcpy(buf, all.data() + (off - start), len);
            bound(c);
            return 1;
        }
    }
    if (lioPread(fd->fh, buf, len, off) != len) return 0;
    keepUnit(c, off, len, buf);
    return 1;
}

void shareWrote(LioFile *fd, long long off, int len, const void *buf)
{
    LioShare *c = fd->master->share;
    keepUnit(c, off, len, buf);
    for (long long b = off / kBlock; b <= (off + len - 1) / kBlock; b++) {
        auto it = c->blocks.find(b);
        if (it == c->blocks.end()) continue;
        std::vector<unsigned char> &v = it->second.bytes;
        long long base = b * kBlock;
        long long from = std::max(off, base), to = std::min(off + len, base + kBlock);
        if (from > base + (long long)v.size()) { /* a gap after the block's end */
            c->blocks.erase(it);
            c->bytes -= kBlock;
            continue;
        }
        if (to - base > (long long)v.size()) v.resize(to - base);
        memcpy(v.data() + (from - base), (const unsigned char *)buf + (from - off), to - from);
    }
}

int lioSetShareCache(int on)
{
    int old = g_on;
    g_on = on != 0;
    g_epoch++;
    return old;
}

long long lioShareCacheLimit(long long bytes)
{
    long long old = g_limit;
    if (bytes > 0) g_limit = std::max(bytes, kBlock);
    return old;
}
