/*
 * pcache.cpp - the page cache of index files.
 *
 * In exclusive mode an index descriptor reads and writes its pages through a cache of fixed-size
 * slots: a private cache per descriptor (kind 1) or one cache shared by every descriptor that asks
 * for it (kind 2), sized for the largest page among them.  A slot holds one page of one
 * descriptor; a full cache gives up its least recently used slot, writing it back first when it is
 * dirty.  In shared mode this cache is not used: pages go to the file at once and are kept by
 * the cache of shared files (scache.cpp), which knows when another process changed the file.
 */
#include "btree/lioint.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

/* Failures are reported under the record-file module, of which the cache is a part. */
#define MODULE "flen3.cpp"

namespace {

struct LioSlot {
    int off;
    LioFile *owner;
    unsigned long long stamp;
    int dirty;
    unsigned char *buf;
};

} // namespace

struct LioCache {
    int nslots;
    int bufsize;
    LioSlot *slots;
};

namespace {

unsigned long long g_stamp; /* use order of the slots */
int g_defKind = LIO_CACHE_PRIVATE;
int g_defSlots = 5;
LioCache *g_shared; /* the shared cache (kind 2), when built */

LioCache *newCache(int slots, int bufsize)
{
    if (slots < 1) slots = 1;
    LioCache *c = (LioCache *)calloc(1, sizeof(LioCache));
    if (!c) return nullptr;
    c->slots = (LioSlot *)calloc(slots, sizeof(LioSlot));
    unsigned char *bufs = (unsigned char *)calloc(slots, bufsize);
    if (!c->slots || !bufs) {
        free(c->slots);
        free(bufs);
        free(c);
        return nullptr;
    }
    c->nslots = slots;
    c->bufsize = bufsize;
    for (int i = 0; i < slots; i++) {
        c->slots[i].owner = nullptr;
        c->slots[i].buf = bufs + (size_t)i * bufsize;
    }
    return c;
}

void deleteCache(LioCache *c)
{
    if (!c) return;
    free(c->slots[0].buf);
    free(c->slots);
    free(c);
}

/* Writes back one dirty slot. */
int flSlot(LioSlot *s)
{
    if (!s->owner || !s->dirty) return 0;
    if (rawWrite(s->owner, s->off, s->buf) < 0) return LIO_FAIL(F_FLCACHE, 0);
    s->dirty = 0;
    return 0;
}

/* Writes back (and with drop, forgets) the slots of one descriptor; owner NULL: all. */
int flCache(LioCache *c, const LioFile *owner, bool drop)
{
    if (!c) return 0;
    int rc = 0;
    for (int i = 0; i < c->nslots; i++) {
        LioSlot *s = &c->slots[i];
        if (!s->owner || (owner && s->owner != owner)) continue;
        if (flSlot(s) < 0) rc = -1;
        if (drop) s->owner = nullptr;
    }
    return rc;
}

} // namespace

/* Writes back the dirty pages of every sub-file of a file. */
int flAllCache(LioFile *m, bool drop)
{
    int rc = 0;
    for (int i = 0; i < LIO_MAXFILES; i++) {
        LioFile *s = m->subs[i];
        if (s && s->cache && flCache(s->cache, s, drop) < 0) rc = -1;
    }
    if (rc < 0) LIO_FAIL(F_FLALLCACHE, 0);
    return rc;
}

namespace {

LioSlot *findSlot(LioCache *c, const LioFile *fd, int off)
{
    for (int i = 0; i < c->nslots; i++)
        if (c->slots[i].owner == fd && c->slots[i].off == off) return &c->slots[i];
    return nullptr;
}

LioSlot *victim(LioCache *c)
{
    LioSlot *best = &c->slots[0];
    for (int i = 0; i < c->nslots; i++) {
        LioSlot *s = &c->slots[i];
        if (!s->owner) return s;
        if (s->stamp < best->stamp) best = s;
    }
    return best;
}

bool usesCache(const LioFile *fd) { return fd->cache && !(fd->master->mode & LIO_SHARED); }

} // namespace

/* The shared cache must hold the largest page of the indices that use it. */
int allocCache(LioFile *fd, int kind, int slots)
{
    int page = fd->hdr[LIO_H_RECLEN];
    if (kind == LIO_CACHE_SHARED) {
        if (g_shared && g_shared->bufsize >= page && (slots <= 0 || slots == g_shared->nslots)) {
            fd->cache = g_shared;
            fd->cacheKind = kind;
            return 0;
        }
        int bufsize = page;
        int n = slots > 0 ? slots : (g_shared ? g_shared->nslots : g_defSlots);
        if (g_shared) {
            bufsize = std::max(bufsize, g_shared->bufsize);
            if (flCache(g_shared, nullptr, true) < 0) return LIO_FAIL(F_ALLOCCACHE, 0);
        }
        LioCache *c = newCache(n, bufsize);
        if (!c) return LIO_FAIL(F_ALLOCCACHE, LIO_E_NOMEM);
        LioCache *old = g_shared;
        g_shared = c;
        if (old) lioRetargetCache(old, c);
        deleteCache(old);
        fd->cache = c;
        fd->cacheKind = kind;
        return 0;
    }
    LioCache *c = newCache(slots > 0 ? slots : g_defSlots, page);
    if (!c) return LIO_FAIL(F_ALLOCCACHE, LIO_E_NOMEM);
    fd->cache = c;
    fd->cacheKind = LIO_CACHE_PRIVATE;
    return 0;
}

int allocDefaultCache(LioFile *fd) { return allocCache(fd, g_defKind, g_defSlots); }

/* Detaches a descriptor from its cache, writing back its dirty pages. */
int releaseCache(LioFile *fd)
{
    if (!fd->cache) return 0;
    int rc = flCache(fd->cache, fd, true);
    if (fd->cacheKind == LIO_CACHE_PRIVATE) deleteCache(fd->cache);
    fd->cache = nullptr;
    return rc;
}

int rdPage(LioFile *fd, int off, unsigned char *buf)
{
    if (!usesCache(fd)) {
        if (rawRead(fd, off, buf) < 0) return LIO_FAIL(F_RDCACHE, 0);
        return 0;
    }
    int len = fd->hdr[LIO_H_RECLEN];
    LioSlot *s = findSlot(fd->cache, fd, off);
    if (!s) {
        s = victim(fd->cache);
        if (flSlot(s) < 0) return LIO_FAIL(F_RDCACHE, 0);
        s->owner = nullptr;
        if (rawRead(fd, off, s->buf) < 0) return LIO_FAIL(F_RDCACHE, 0);
        s->owner = fd;
        s->off = off;
        s->dirty = 0;
    }
    s->stamp = ++g_stamp;
    memcpy(buf, s->buf, len);
    return 0;
}

int wrtPage(LioFile *fd, int off, const unsigned char *buf)
{
    if (!usesCache(fd)) {
        if (rawWrite(fd, off, buf) < 0) return LIO_FAIL(F_WRTCACHE, 0);
        return 0;
    }
    int len = fd->hdr[LIO_H_RECLEN];
    LioSlot *s = findSlot(fd->cache, fd, off);
    if (!s) {
        s = victim(fd->cache);
        if (flSlot(s) < 0) return LIO_FAIL(F_WRTCACHE, 0);
    }
    memcpy(s->buf, buf, len);
    s->owner = fd;
    s->off = off;
    s->stamp = ++g_stamp;
    s->dirty = 1;
    if (fd->master->mode & (LIO_WTHRU | LIO_WCLEAN)) {
        if (flSlot(s) < 0) {
            s->owner = nullptr;
            return LIO_FAIL(F_WRTCACHE, 0);
        }
    }
    return 0;
}

int lioSetCache(LioFile *fd, int kind, int slots)
{
    if (kind != LIO_CACHE_PRIVATE && kind != LIO_CACHE_SHARED)
        return LIO_FAIL(F_LIOSETCACHE, LIO_E_BADARG);
    if (slots < 1) slots = g_defSlots;
    if (!fd) {
        g_defKind = kind;
        g_defSlots = slots;
        return 0;
    }
    if (checkFd(fd, F_LIOSETCACHE) < 0) return -1;
    if (!fd->master->isIndex) return 0; /* data files are not cached */
    if (fd->master->mode & LIO_SHARED) kind = LIO_CACHE_SHARED;
    if (releaseCache(fd) < 0 || allocCache(fd, kind, slots) < 0) return LIO_FAIL(F_LIOSETCACHE, 0);
    return 0;
}

int lioCacheSize(LioFile *fd, int kind, int slots)
{
    if (slots < 1) return LIO_FAIL(F_LIOCACHESIZE, LIO_E_BADARG);
    if (!fd) {
        g_defSlots = slots;
        return 0;
    }
    if (checkFd(fd, F_LIOCACHESIZE) < 0) return -1;
    if (lioSetCache(fd, kind ? kind : (fd->cacheKind ? fd->cacheKind : g_defKind), slots) < 0)
        return LIO_FAIL(F_LIOCACHESIZE, 0);
    return 0;
}
