/*
 * vlen3.cpp - the variable-length record store: a mapper (base + ".mp") that maps record numbers
 * to areas of a store (base + ".st") holding the record bytes.
 *
 * Parameters: min (smallest area size), max (longest stored length = record length + 4), g
 * (granule).  An area's size is the stored length rounded up to a multiple of g, at least min;
 * size class i holds the areas of size min + i * g.
 *
 * Mapper:
 *   offset            size        meaning
 *   0                 312         header, 78 words (table in vlmu.cpp)
 *   312               4 * C       delete-heap heads: store offset of the first free area of class
 *                                 i at 312 + 4 * i, 0 = empty; C = (max - min + 1) / g + 1
 *   mapoff (word 11)  8 per rec   map entry of record n at mapoff + (n - 1) * 8:
 *                                 store offset of its area (4), stored length (4), 0 = no area;
 *                                 a freed record number holds (next freed number, 0)
 * Store:
 *   0                 12          min, max, g (the same as mapper words 8..10)
 *   12                stash       caller-owned bytes
 *   12 + stash        ...         areas up to the end of the store (mapper word 4)
 * Area in use:  stored length (4) | record bytes | slack up to the area size
 * Freed area:   area size (4) | 1B 64 65 6C 1B | next free area of the class (4) | slack
 *
 * Example: vlCreat(b, 16, 60, 16, 0) gives min 16, max 64, g 16, four classes (16, 32, 48, 64)
 * and the map at 328.  Record 1 "hello" (area 16 at 12), record 2 of 20 bytes (area 32 at 28),
 * then vlFree(1) and vlFlush; mapper words 0..12, then the heads at 312 and the map at 328:
 *   36 01 00 00  02 00 00 00  01 00 00 00  01 00 00 00   310, highest 2, freed head 1, count 1
 *   3c 00 00 00  10 00 00 00  2a 00 00 00  00 00 00 00   end 60, heap 16, mark 42, 0
 *   10 00 00 00  40 00 00 00  10 00 00 00  48 01 00 00   min 16, max 64, g 16, map at 328
 *   00 00 00 00                                          stash 0
 *   312: 0c 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00   class 16 starts at 12
 *   328: 00 00 00 00  00 00 00 00  1c 00 00 00  18 00 00 00   rec 1 freed (next 0), rec 2 at 28
 * and the store from offset 12:
 *   10 00 00 00  1b 64 65 6c 1b  00 00 00 00  00 00 00   freed area of 16, next 0, slack
 *   18 00 00 00  <20 record bytes>  00 00 00 00 00 00 00 00   record 2: stored length 24
 *
 * Sizes without a head slot: when max is not a multiple of g and (max - min + 1) is not either,
 * the rounding of the longest records gives one size more than the table has heads for (with
 * min 128, max 10000, g 128 records of 9981..9996 bytes take 10112-byte areas, class 78 of a
 * 78-head table).  Such an area is never put on the delete heap, whose head for it would lie on
 * the first map entry: it is marked free (next 0) and left unused.
 *
 * Invariants kept:
 *   (1) Every area lies inside [12 + stash, end of store) and the store file is at least as long
 *       as the end of the store.
 *   (2) No two areas overlap: the areas of the map, those on the delete heap and the unlisted
 *       freed areas of (5) tile the area region.
 *   (3) An area in use starts with the stored length of its map entry.
 *   (4) Each delete-heap list holds free areas of its class only, each carrying the marker; word
 *       5 is the sum of their sizes.
 *   (5) An area is off every list only while in use, or when its size has no head slot.
 *   (6) The freed record numbers form one list: it starts at word 2, holds word 3 numbers whose
 *       entries have stored length 0, and ends in 0; a number is on it at most once.
 *   (7) A map entry is changed to point elsewhere before its old area is released, so a failing
 *       operation can leak an area but never leave one both in use and free.
 */
#include "btree/vlint.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <vector>

#if !defined(__BYTE_ORDER__) || __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "the file formats are little-endian and read as native words"
#endif

#define MODULE "vlen3.cpp"

namespace {

const unsigned char kDelMark[5] = {0x1B, 'd', 'e', 'l', 0x1B};
const int kDefaultMax = 10000;
const int kDefaultGran = 10;

const char *const kVlTable[] = {
    /* 400 */ "vlCreat()",
    "vlOpen()",
    "vlRead()",
    "vlWrite()",
    "vlFree()",
    /* 405 */ "vlClose()",
    "vlFlush()",
    "vlAvl()",
    "vlStats()",
    "mapSeek()",
    /* 410 */ "delSRead()",
    "delSWrite",
    "delWrite()",
    "delRead()",
    "delSeek()",
    /* 415 */ "mapWrite()",
    "mapRead()",
    "writeVlHead()",
    "readVlHead()",
    "vlDCreat()",
    /* 420 */ "vlDRead()",
    "vlDDelete()",
    "vlLock()",
    "vlUnLock()",
    "vlLockCheck()",
    /* 425 */ "vlSetMode()",
    "vlRStash()",
    "vlWStash()",
    "vlMuEntry()",
    "vlFixup()",
    /* 430 */ "mapCleanup()",
    /* 431 */ "mapper already exists",
    "mapper open failed",
    "store open failed",
    /* 434 */ "delete initialization failed",
    "mapper or store corrupt",
    /* 436 */ "mapper/store out of sync",
    "record length too great",
    /* 438 */ "integrity check failed on read",
    "bad fd given (global error)",
    /* 440 */ "multi-user exit failed",
    "mapper/store out of balance; ROBUST recovery needed",
};
const int kVlNames = 31;

std::set<const VlFile *> g_live; /* every descriptor handed out and not yet closed */
bool g_registered;

bool between(long long v, long long lo, long long hi) { return v >= lo && v <= hi; }

int checkFd(const VlFile *fd, int func)
{
    if (vlValid(fd)) return 0;
    vlRegisterMessages();
    return LIO_FAIL(func, VL_E_BADFD);
}

/* ---- geometry ---- */

int areaSize(const VlFile *fd, long long t)
{
    long long g = fd->hdr[VL_H_GRAN];
    return (int)std::max<long long>((t + g - 1) / g * g, fd->hdr[VL_H_MIN]);
}

int classOf(const VlFile *fd, int size) { return (size - fd->hdr[VL_H_MIN]) / fd->hdr[VL_H_GRAN]; }

bool inRegion(const VlFile *fd, long long off, long long size)
{
    return off >= fd->dataStart && off + size <= fd->hdr[VL_H_END];
}

long long mapPos(const VlFile *fd, int rec)
{
    return fd->hdr[VL_H_MAPOFF] + (long long)(rec - 1) * 8;
}

long long headPos(int cls) { return VL_HDRSIZE + (long long)cls * 4; }

/* ---- map entries ---- */

struct MapEntry {
    int32_t off, len;
};

int mapRead(VlFile *fd, int rec, MapEntry *e)
{
    int32_t w[2];
    if (lioPread(fd->mfh, w, 8, mapPos(fd, rec)) != 8) return LIO_FAIL(F_MAPREAD, VL_E_CORRUPT);
    e->off = w[0];
    e->len = w[1];
    bool ok = e->len == 0 ? between(e->off, 0, fd->hdr[VL_H_HIGHEST])
                          : between(e->len, 4, (long long)fd->hdr[VL_H_MAX] + 4) &&
                                inRegion(fd, e->off, areaSize(fd, e->len));
    if (!ok) return LIO_FAIL(F_MAPREAD, VL_E_CORRUPT);
    return 0;
}

int mapWrite(VlFile *fd, int rec, MapEntry e)
{
    int32_t w[2] = {e.off, e.len};
    if (lioPwrite(fd->mfh, w, 8, mapPos(fd, rec)) != 8) return LIO_FAIL(F_MAPWRITE, LIO_E_WRITE);
    return 0;
}

/* An area in use must start with the stored length its map entry gives. */
int checkArea(VlFile *fd, MapEntry e, int func)
{
    int32_t t;
    if (lioPread(fd->sfh, &t, 4, e.off) != 4 || t != e.len) return LIO_FAIL(func, VL_E_INTEGRITY);
    return 0;
}

/* Whether a record number whose entry has no area is on the freed list.  A non-zero link means
 * it is; only the tail (link 0) needs the walk, which may not run longer than the count. */
int isFreed(VlFile *fd, int rec, MapEntry e, bool *freed)
{
    const int32_t *h = fd->hdr;
    *freed = e.off != 0 || rec == h[VL_H_FREEHEAD];
    if (*freed || h[VL_H_FREECOUNT] == 0) return 0;
    int n = h[VL_H_FREEHEAD];
    for (int steps = 1; n; steps++) {
        if (steps > h[VL_H_FREECOUNT]) return LIO_FAIL(F_MAPREAD, VL_E_CORRUPT);
        if (n == rec) {
            *freed = true;
            return 0;
        }
        MapEntry x;
        if (mapRead(fd, n, &x) < 0) return LIO_FAIL(F_MAPREAD, 0);
        if (x.len) return LIO_FAIL(F_MAPREAD, VL_E_CORRUPT);
        n = x.off;
    }
    return 0;
}

/* ---- the delete heap ---- */

int delSRead(VlFile *fd, int cls, int size, int32_t *head)
{
    if (lioPread(fd->mfh, head, 4, headPos(cls)) != 4) return LIO_FAIL(F_DELSREAD, VL_E_CORRUPT);
    if (*head && !inRegion(fd, *head, size)) return LIO_FAIL(F_DELSREAD, VL_E_CORRUPT);
    return 0;
}

int delSWrite(VlFile *fd, int cls, int32_t head)
{
    if (lioPwrite(fd->mfh, &head, 4, headPos(cls)) != 4) return LIO_FAIL(F_DELSWRITE, LIO_E_WRITE);
    return 0;
}

/* Reads the head of a free area of the given size: size word, marker, a sane next link. */
int delRead(VlFile *fd, int off, int size, int32_t *next)
{
    unsigned char b[VL_FREEFORM];
    if (lioPread(fd->sfh, b, VL_FREEFORM, off) != VL_FREEFORM)
        return LIO_FAIL(F_DELREAD, VL_E_CORRUPT);
    int32_t s;
    memcpy(&s, b, 4);
    memcpy(next, b + 9, 4);
    if (s != size || memcmp(b + 4, kDelMark, 5) != 0) return LIO_FAIL(F_DELREAD, VL_E_CORRUPT);
    if (*next && (*next == off || !inRegion(fd, *next, size)))
        return LIO_FAIL(F_DELREAD, VL_E_CORRUPT);
    return 0;
}

int delWrite(VlFile *fd, int off, int size, int32_t next)
{
    unsigned char b[VL_FREEFORM];
    memcpy(b, &size, 4);
    memcpy(b + 4, kDelMark, 5);
    memcpy(b + 9, &next, 4);
    if (lioPwrite(fd->sfh, b, VL_FREEFORM, off) != VL_FREEFORM)
        return LIO_FAIL(F_DELWRITE, LIO_E_WRITE);
    return 0;
}

struct Area {
    int32_t off;
    int size;
    bool append; /* at the end of the store: the end moves once the area is written */
};

/* Finds an area for stored length t: the head of its class when the heap holds bytes, else the
 * end of the store. */
int allocArea(VlFile *fd, int t, Area *a)
{
    int32_t *h = fd->hdr;
    a->size = areaSize(fd, t);
    a->append = false;
    int cls = classOf(fd, a->size);
    if (cls < fd->classes && h[VL_H_HEAPBYTES] > 0) {
        int32_t head, next;
        if (delSRead(fd, cls, a->size, &head) < 0) return LIO_FAIL(F_DELSEEK, 0);
        if (head) {
            if (delRead(fd, head, a->size, &next) < 0) return LIO_FAIL(F_DELSEEK, 0);
            if (vlMarkChanged(fd) < 0 || delSWrite(fd, cls, next) < 0)
                return LIO_FAIL(F_DELSEEK, 0);
            if (h[VL_H_HEAPBYTES] < a->size) {
                fputs("Weirdness has occurred in delete heap count\n\a", stdout);
                fflush(stdout);
                h[VL_H_HEAPBYTES] = 0;
            } else {
                h[VL_H_HEAPBYTES] -= a->size;
            }
            a->off = head;
            return 0;
        }
    }
    if ((long long)h[VL_H_END] + a->size > INT_MAX) return LIO_FAIL(F_DELSEEK, LIO_E_OVERFLOW);
    a->off = h[VL_H_END];
    a->append = true;
    return 0;
}

/* Puts the area of stored length t at off on the delete heap (invariant (5) for sizes without a
 * head slot). */
int releaseArea(VlFile *fd, int off, int t)
{
    int size = areaSize(fd, t);
    int cls = classOf(fd, size);
    if (vlMarkChanged(fd) < 0) return LIO_FAIL(F_DELWRITE, 0);
    if (cls >= fd->classes) return delWrite(fd, off, size, 0) < 0 ? LIO_FAIL(F_DELWRITE, 0) : 0;
    int32_t head;
    if (delSRead(fd, cls, size, &head) < 0 || delWrite(fd, off, size, head) < 0 ||
        delSWrite(fd, cls, off) < 0)
        return LIO_FAIL(F_DELWRITE, 0);
    fd->hdr[VL_H_HEAPBYTES] += size;
    return 0;
}

/* Writes stored length and record bytes; an appended area is written to its full size so that
 * the store file always reaches the end of the store (invariant (1)). */
int writeArea(VlFile *fd, const Area &a, const void *buf, int len)
{
    int32_t t = len + 4;
    struct iovec v[2] = {{&t, 4}, {const_cast<void *>(buf), (size_t)len}};
    if (lioPwritev(fd->sfh, v, len ? 2 : 1, a.off) != (ssize_t)t)
        return LIO_FAIL(F_VLWRITE, LIO_E_WRITE);
    if (a.append && a.size > t) {
        char zero = 0;
        if (lioPwrite(fd->sfh, &zero, 1, (off_t)a.off + a.size - 1) != 1)
            return LIO_FAIL(F_VLWRITE, LIO_E_WRITE);
    }
    if (a.append) fd->hdr[VL_H_END] = a.off + a.size;
    return 0;
}

/* ---- descriptors ---- */

void freeDesc(VlFile *fd)
{
    g_live.erase(fd);
    if (fd->mfh >= 0) close(fd->mfh);
    if (fd->sfh >= 0) close(fd->sfh);
    fd->self = nullptr;
    free(fd);
}

/* Open count +1 / -1; at open also the refusal of a store another process owns. */
int adjustOpenCount(VlFile *fd, int delta)
{
    int32_t *h = fd->hdr;
    if (!(fd->mode & LIO_SHARED)) {
        h[VL_H_OPENCOUNT] = std::max(0, h[VL_H_OPENCOUNT] + delta);
        return writeVlHead(fd, h[VL_H_MARK]);
    }
    if (muLockByte0(fd->mfh) < 0) return LIO_FAIL(F_VLMUENTRY, LIO_E_LOCK);
    int rc = readVlHead(fd);
    if (rc == 0 && delta > 0 && h[VL_H_OWNER] && h[VL_H_OWNER] != muProcId())
        rc = LIO_FAIL(F_VLMUENTRY, LIO_E_OWNED);
    if (rc == 0) {
        h[VL_H_OPENCOUNT] = std::max(0, h[VL_H_OPENCOUNT] + delta);
        rc = writeVlHead(fd, h[VL_H_MARK]);
    }
    muUnlockByte0(fd->mfh);
    return rc;
}

int openPair(VlFile *fd, const std::string &base, int *want)
{
    bool ro = *want & LIO_RDONLY;
    std::string mp = base + ".mp", st = base + ".st";
    fd->mfh = open(mp.c_str(), ro ? O_RDONLY : O_RDWR);
    fd->sfh = open(st.c_str(), ro ? O_RDONLY : O_RDWR);
    if (!ro && (fd->mfh < 0 || fd->sfh < 0) && errno == EACCES) {
        /* a store the user may only read is opened read-only */
        if (fd->mfh >= 0) close(fd->mfh);
        if (fd->sfh >= 0) close(fd->sfh);
        fd->mfh = open(mp.c_str(), O_RDONLY);
        fd->sfh = open(st.c_str(), O_RDONLY);
        *want = (*want & LIO_SHAREMASK) | LIO_RDONLY | LIO_WTHRU;
        ro = true;
    }
    fd->readOnlyFh = ro;
    if (fd->mfh < 0) return LIO_FAIL(F_VLOPEN, VL_E_MAPOPEN);
    if (fd->sfh < 0) return LIO_FAIL(F_VLOPEN, VL_E_STOREOPEN);
    struct stat ms;
    if (fstat(fd->mfh, &ms) < 0 || ms.st_size < VL_HDRSIZE) return LIO_FAIL(F_VLOPEN, LIO_E_VLHDR);
    /* under the byte-0 lock, so that the mark 38 another process keeps inside its bracket is
     * not taken for an unclean close */
    if (vlLockMapper(fd->mfh, ro) < 0) return LIO_FAIL(F_VLOPEN, LIO_E_LOCK);
    int rc = readVlHead(fd);
    muUnlockByte0(fd->mfh);
    if (rc < 0) return LIO_FAIL(F_VLOPEN, 0);
    return 0;
}

} // namespace

int vlValid(const VlFile *fd) { return fd && g_live.count(fd) && fd->self == fd; }

void vlRegisterMessages()
{
    lioEnsureInit();
    if (g_registered) return;
    g_registered = true;
    lioRegisterMessages(400, kVlTable, kVlNames, (int)(sizeof kVlTable / sizeof *kVlTable));
}

/* ---- create, open, close ---- */

int vlCreat(const char *base, int min, int max, int g, int stash)
{
    vlRegisterMessages();
    if (!base || !between(stash, 0, VL_MAXSTASH) || min > VL_MAXMIN)
        return LIO_FAIL(F_VLCREAT, LIO_E_BADARG);
    /* an area must hold the 13-byte freed form, or freeing it would overwrite its neighbour */
    long long mn = std::max(min, (int)VL_FREEFORM);
    long long mx = (long long)max + 4;
    if (mx < mn || mx > VL_MAXMAX) mx = kDefaultMax;
    long long gr = between(g, 1, VL_MAXGRAN) ? g : kDefaultGran;
    mn = (mn + gr - 1) / gr * gr;
    long long classes = (mx - mn + 1) / gr + 1;
    if (classes < 1) return LIO_FAIL(F_VLCREAT, LIO_E_BADARG);

    std::string mp = std::string(base) + ".mp", st = std::string(base) + ".st";
    if (access(mp.c_str(), F_OK) == 0) return LIO_FAIL(F_VLCREAT, VL_E_EXISTS);
    if (access(st.c_str(), F_OK) == 0) return LIO_FAIL(F_VLCREAT, LIO_E_EXISTS);
    int mfh = open(mp.c_str(), O_CREAT | O_EXCL | O_RDWR, LIO_CREATMODE);
    if (mfh < 0) return LIO_FAIL(F_VLCREAT, errno == EEXIST ? (int)VL_E_EXISTS : (int)LIO_E_CREAT);
    int sfh = open(st.c_str(), O_CREAT | O_EXCL | O_RDWR, LIO_CREATMODE);
    if (sfh < 0) {
        int err = errno == EEXIST ? LIO_E_EXISTS : LIO_E_CREAT;
        close(mfh);
        unlink(mp.c_str());
        return LIO_FAIL(F_VLCREAT, err);
    }
    int32_t h[VL_HDRWORDS] = {};
    h[VL_H_MAGIC] = LIO_MAGIC;
    h[VL_H_END] = VL_STOREHDR + stash;
    h[VL_H_MARK] = LIO_MARK_CLEAN;
    h[VL_H_MIN] = (int32_t)mn;
    h[VL_H_MAX] = (int32_t)mx;
    h[VL_H_GRAN] = (int32_t)gr;
    h[VL_H_MAPOFF] = (int32_t)(classes * 4 + VL_HDRSIZE);
    h[VL_H_STASH] = stash;
    std::vector<char> heads((size_t)classes * 4, 0);
    std::vector<char> store((size_t)VL_STOREHDR + stash, 0);
    memcpy(store.data(), h + VL_H_MIN, VL_STOREHDR);
    int err = 0;
    if (lioPwrite(mfh, h, VL_HDRSIZE, 0) != VL_HDRSIZE)
        err = LIO_E_HDRWRITE;
    else if (lioPwrite(mfh, heads.data(), heads.size(), VL_HDRSIZE) != (ssize_t)heads.size())
        err = VL_E_DELINIT;
    else if (lioPwrite(sfh, store.data(), store.size(), 0) != (ssize_t)store.size())
        err = LIO_E_WRITE;
    close(mfh);
    close(sfh);
    if (err) {
        unlink(mp.c_str());
        unlink(st.c_str());
        return LIO_FAIL(F_VLCREAT, err);
    }
    return 0;
}

VlFile *vlOpen(const char *base, int mode)
{
    vlRegisterMessages();
    int want;
    if (!base || lioNormMode(LIO_EXCL, mode, &want) < 0) {
        LIO_FAIL(F_VLOPEN, LIO_E_BADARG);
        return nullptr;
    }
    VlFile *fd = (VlFile *)calloc(1, sizeof(VlFile));
    if (!fd) {
        LIO_FAIL(F_VLOPEN, LIO_E_NOMEM);
        return nullptr;
    }
    fd->self = fd;
    fd->mfh = fd->sfh = -1;
    if (openPair(fd, base, &want) < 0) {
        freeDesc(fd);
        return nullptr;
    }
    fd->mode = want;
    if (fd->hdr[VL_H_MARK] != LIO_MARK_CLEAN) {
        /* not closed cleanly: readable, but nothing may be built on it */
        LIO_FAIL(F_VLOPEN, VL_E_CORRUPT);
        fd->mode = LIO_SHARED | LIO_RDONLY | LIO_WTHRU;
    }
    g_live.insert(fd);
    if (!(fd->mode & (LIO_SHARED | LIO_RDONLY)) && vlTakeOwner(fd) < 0) {
        LIO_FAIL(F_VLOPEN, 0);
        freeDesc(fd);
        return nullptr;
    }
    if (!(fd->mode & LIO_RDONLY)) {
        if (adjustOpenCount(fd, 1) < 0) {
            if (fd->owns) vlDropOwner(fd, LIO_MARK_CLEAN);
            LIO_FAIL(F_VLOPEN, 0);
            freeDesc(fd);
            return nullptr;
        }
        fd->counted = 1;
    }
    return fd;
}

int vlFlush(VlFile *fd)
{
    if (checkFd(fd, F_VLFLUSH) < 0) return -1;
    if (fd->mode & LIO_RDONLY) return 0;
    VlBracket br(fd);
    if (!br.ok()) return LIO_FAIL(F_VLFLUSH, 0);
    int rc = 0;
    if (fd->mode & LIO_SHARED) {
        LockTable t = vlLocks(fd);
        if (*t.count) {
            int me = muProcId();
            if (me >= 0 && lockRemoveAll(t, me)) fd->touched = 1;
        }
    } else if (writeVlHead(fd, LIO_MARK_CLEAN) < 0) {
        rc = -1;
    }
    if (br.leave() < 0) rc = -1;
    if (rc < 0) return LIO_FAIL(F_VLFLUSH, 0);
    return 0;
}

int vlClose(VlFile *fd)
{
    if (checkFd(fd, F_VLCLOSE) < 0) return -1;
    int rc = vlFlush(fd);
    if (fd->owns) {
        int me = muProcId();
        if (me >= 0 && fd->hdr[VL_H_OWNER] == me)
            fd->hdr[VL_H_OWNER] = 0;
        else
            rc = LIO_FAIL(F_VLCLOSE, LIO_E_INTERNAL);
        fd->owns = 0;
        if (!fd->counted && writeVlHead(fd, fd->hdr[VL_H_MARK]) < 0) rc = -1;
    }
    if (fd->counted && adjustOpenCount(fd, -1) < 0) rc = -1;
    freeDesc(fd);
    if (rc < 0) return LIO_FAIL(F_VLCLOSE, 0);
    return 0;
}

/* ---- records ---- */

int vlAvl(VlFile *fd)
{
    if (checkFd(fd, F_VLAVL) < 0) return -1;
    if (fd->mode & LIO_RDONLY) return LIO_FAIL(F_VLAVL, LIO_E_MODE);
    VlBracket br(fd);
    if (!br.ok()) return LIO_FAIL(F_VLAVL, 0);
    int32_t *h = fd->hdr;
    int rec = h[VL_H_FREEHEAD];
    if (rec) {
        MapEntry e;
        if (mapRead(fd, rec, &e) < 0) return LIO_FAIL(F_VLAVL, 0);
        if (e.len || e.off == rec || (e.off == 0) != (h[VL_H_FREECOUNT] == 1))
            return LIO_FAIL(F_VLAVL, VL_E_CORRUPT);
        if (vlMarkChanged(fd) < 0 || mapWrite(fd, rec, MapEntry{0, 0}) < 0)
            return LIO_FAIL(F_VLAVL, 0);
        h[VL_H_FREEHEAD] = e.off;
        h[VL_H_FREECOUNT]--;
    } else {
        if (mapPos(fd, h[VL_H_HIGHEST] + 2) > INT_MAX) return LIO_FAIL(F_VLAVL, LIO_E_OVERFLOW);
        rec = h[VL_H_HIGHEST] + 1;
        if (vlMarkChanged(fd) < 0 || mapWrite(fd, rec, MapEntry{0, 0}) < 0)
            return LIO_FAIL(F_VLAVL, 0);
        h[VL_H_HIGHEST] = rec;
    }
    if (vlChangeDone(fd) < 0 || br.leave() < 0) return LIO_FAIL(F_VLAVL, 0);
    return rec;
}

namespace {

/* The map entry of a record about to be rewritten or freed, checked against the store. */
int entryFor(VlFile *fd, int rec, int func, MapEntry *e, bool *freed)
{
    *freed = false;
    if (mapRead(fd, rec, e) < 0) return LIO_FAIL(func, 0);
    if (e->len == 0) return isFreed(fd, rec, *e, freed) < 0 ? LIO_FAIL(func, 0) : 0;
    return checkArea(fd, *e, func);
}

/* Stores the record in its own area when the size stays, else in a new area (invariant (7)). */
int storeRecord(VlFile *fd, int rec, MapEntry old, const void *buf, int len)
{
    int t = len + 4;
    if (vlMarkChanged(fd) < 0) return -1;
    if (old.len && areaSize(fd, old.len) == areaSize(fd, t)) {
        Area a = {old.off, areaSize(fd, t), false};
        if (writeArea(fd, a, buf, len) < 0) return -1;
        return old.len == t ? 0 : mapWrite(fd, rec, MapEntry{old.off, t});
    }
    Area a;
    if (allocArea(fd, t, &a) < 0 || writeArea(fd, a, buf, len) < 0) return -1;
    if (mapWrite(fd, rec, MapEntry{a.off, t}) < 0) return -1;
    return old.len ? releaseArea(fd, old.off, old.len) : 0;
}

} // namespace

int vlWrite(VlFile *fd, int rec, const void *buf, int len)
{
    if (checkFd(fd, F_VLWRITE) < 0) return -1;
    if (len < 0 || (!buf && len > 0)) return LIO_FAIL(F_VLWRITE, LIO_E_BADARG);
    if (fd->mode & LIO_RDONLY) return LIO_FAIL(F_VLWRITE, LIO_E_MODE);
    VlBracket br(fd);
    if (!br.ok()) return LIO_FAIL(F_VLWRITE, 0);
    if ((long long)len + 4 > fd->hdr[VL_H_MAX]) return LIO_FAIL(F_VLWRITE, VL_E_TOOLONG);
    if (rec < 1 || rec > fd->hdr[VL_H_HIGHEST]) return LIO_FAIL(F_VLWRITE, LIO_E_BADARG);
    if (vlLockedByOther(fd, rec)) return LIO_FAIL(F_VLWRITE, LIO_E_RECLOCK);
    MapEntry old;
    bool freed;
    if (entryFor(fd, rec, F_VLWRITE, &old, &freed) < 0) return -1;
    /* writing a freed number would cut the freed list and hand the number out twice */
    if (freed) return LIO_FAIL(F_VLWRITE, LIO_E_BADARG);
    if (storeRecord(fd, rec, old, buf, len) < 0) return LIO_FAIL(F_VLWRITE, 0);
    if ((fd->mode & (LIO_SHARED | LIO_RDLOCK)) == (LIO_SHARED | LIO_RDLOCK) && *vlLocks(fd).count) {
        int me = muProcId();
        if (me >= 0 && lockRemove(vlLocks(fd), rec, me) == 0) fd->touched = 1;
    }
    if (vlChangeDone(fd) < 0 || br.leave() < 0) return LIO_FAIL(F_VLWRITE, 0);
    return len;
}

int vlRead(VlFile *fd, int rec, void *buf, int size)
{
    if (checkFd(fd, F_VLREAD) < 0) return -1;
    if (size < 0) return LIO_FAIL(F_VLREAD, LIO_E_BADARG);
    VlBracket br(fd);
    if (!br.ok()) return LIO_FAIL(F_VLREAD, 0);
    MapEntry e = {0, 0};
    if (rec >= 1 && rec <= fd->hdr[VL_H_HIGHEST]) {
        if (mapRead(fd, rec, &e) < 0) return LIO_FAIL(F_VLREAD, 0);
        if (e.len && checkArea(fd, e, F_VLREAD) < 0) return -1;
    }
    int n = e.len ? e.len - 4 : 0;
    if (e.len && (fd->mode & (LIO_SHARED | LIO_RDLOCK)) == (LIO_SHARED | LIO_RDLOCK)) {
        int me = muProcId();
        if (me < 0) return LIO_FAIL(F_VLREAD, 0);
        LockTable t = vlLocks(fd);
        int before = *t.count;
        int err = lockAdd(t, rec, me);
        if (err) return LIO_FAIL(F_VLREAD, err);
        if (*t.count != before) fd->touched = 1;
    }
    if (buf && n) {
        int k = size ? std::min(n, size) : n;
        if (lioPread(fd->sfh, buf, k, (off_t)e.off + 4) != k) return LIO_FAIL(F_VLREAD, LIO_E_READ);
    }
    if (br.leave() < 0) return LIO_FAIL(F_VLREAD, 0);
    return n;
}

int vlFree(VlFile *fd, int rec)
{
    if (checkFd(fd, F_VLFREE) < 0) return -1;
    if (fd->mode & LIO_RDONLY) return LIO_FAIL(F_VLFREE, LIO_E_MODE);
    VlBracket br(fd);
    if (!br.ok()) return LIO_FAIL(F_VLFREE, 0);
    int32_t *h = fd->hdr;
    if (rec < 1 || rec > h[VL_H_HIGHEST]) return LIO_FAIL(F_VLFREE, LIO_E_BADARG);
    LockTable t = vlLocks(fd);
    if (*t.count) {
        if (vlLockedByOther(fd, rec)) return LIO_FAIL(F_VLFREE, LIO_E_RECLOCK);
        int me = muProcId();
        if (me >= 0 && lockFind(t, rec) >= 0 && lockRemove(t, rec, me) == 0) fd->touched = 1;
    }
    MapEntry e;
    bool freed;
    if (entryFor(fd, rec, F_VLFREE, &e, &freed) < 0) return -1;
    if (!freed) {
        /* the number goes on the list before its area goes on the heap (invariant (7)) */
        if (vlMarkChanged(fd) < 0 || mapWrite(fd, rec, MapEntry{h[VL_H_FREEHEAD], 0}) < 0)
            return LIO_FAIL(F_VLFREE, 0);
        h[VL_H_FREEHEAD] = rec;
        h[VL_H_FREECOUNT]++;
        if (e.len && releaseArea(fd, e.off, e.len) < 0) return LIO_FAIL(F_VLFREE, 0);
        if (vlChangeDone(fd) < 0) return LIO_FAIL(F_VLFREE, 0);
    }
    if (br.leave() < 0) return LIO_FAIL(F_VLFREE, 0);
    return e.len ? e.len - 4 : 0;
}

/* ---- stash, counters, header ---- */

int vlRStash(VlFile *fd, void *buf)
{
    if (checkFd(fd, F_VLRSTASH) < 0) return -1;
    if (!buf) return LIO_FAIL(F_VLRSTASH, LIO_E_BADARG);
    VlBracket br(fd);
    if (!br.ok()) return LIO_FAIL(F_VLRSTASH, 0);
    int n = fd->hdr[VL_H_STASH];
    if (n && lioPread(fd->sfh, buf, n, VL_STOREHDR) != n) return LIO_FAIL(F_VLRSTASH, LIO_E_READ);
    if (br.leave() < 0) return LIO_FAIL(F_VLRSTASH, 0);
    return n;
}

int vlWStash(VlFile *fd, const void *buf)
{
    if (checkFd(fd, F_VLWSTASH) < 0) return -1;
    if (!buf) return LIO_FAIL(F_VLWSTASH, LIO_E_BADARG);
    if (fd->mode & LIO_RDONLY) return LIO_FAIL(F_VLWSTASH, LIO_E_MODE);
    VlBracket br(fd);
    if (!br.ok()) return LIO_FAIL(F_VLWSTASH, 0);
    int n = fd->hdr[VL_H_STASH];
    if (vlMarkChanged(fd) < 0) return LIO_FAIL(F_VLWSTASH, 0);
    if (n && lioPwrite(fd->sfh, buf, n, VL_STOREHDR) != n) return LIO_FAIL(F_VLWSTASH, LIO_E_WRITE);
    if (vlChangeDone(fd) < 0 || br.leave() < 0) return LIO_FAIL(F_VLWSTASH, 0);
    return n;
}

int vlCount(VlFile *fd)
{
    if (checkFd(fd, F_VLSTATS) < 0) return -1;
    VlBracket br(fd);
    if (!br.ok()) return LIO_FAIL(F_VLSTATS, 0);
    int n = fd->hdr[VL_H_HIGHEST] - fd->hdr[VL_H_FREECOUNT];
    if (br.leave() < 0) return LIO_FAIL(F_VLSTATS, 0);
    return n;
}

int vlHeader(VlFile *fd, int *words)
{
    if (checkFd(fd, F_VLSTATS) < 0) return -1;
    if (!words) return LIO_FAIL(F_VLSTATS, LIO_E_BADARG);
    VlBracket br(fd);
    if (!br.ok()) return LIO_FAIL(F_VLSTATS, 0);
    memcpy(words, fd->hdr, VL_HDRSIZE);
    if (br.leave() < 0) return LIO_FAIL(F_VLSTATS, 0);
    return 0;
}

int vlSerial(VlFile *fd, int advance)
{
    if (checkFd(fd, F_VLSTATS) < 0) return -1;
    if (advance && (fd->mode & LIO_RDONLY)) return LIO_FAIL(F_VLSTATS, LIO_E_MODE);
    VlBracket br(fd);
    if (!br.ok()) return LIO_FAIL(F_VLSTATS, 0);
    if (advance) {
        if (fd->hdr[VL_H_SERIAL] == INT_MAX) return LIO_FAIL(F_VLSTATS, LIO_E_OVERFLOW);
        if (vlMarkChanged(fd) < 0) return LIO_FAIL(F_VLSTATS, 0);
        fd->hdr[VL_H_SERIAL]++;
        if (vlChangeDone(fd) < 0) return LIO_FAIL(F_VLSTATS, 0);
    }
    int n = fd->hdr[VL_H_SERIAL];
    if (br.leave() < 0) return LIO_FAIL(F_VLSTATS, 0);
    return n;
}

/* ---- statistics ---- */

namespace {

/* The areas of the map, read in blocks. */
int statMap(VlFile *fd, VlStats *st)
{
    const int kBlock = 4096;
    std::vector<int32_t> w(2 * kBlock);
    int highest = fd->hdr[VL_H_HIGHEST];
    for (int first = 1; first <= highest; first += kBlock) {
        int n = std::min(kBlock, highest - first + 1);
        if (lioPread(fd->mfh, w.data(), (size_t)n * 8, mapPos(fd, first)) != (ssize_t)n * 8)
            return LIO_FAIL(F_MAPREAD, VL_E_CORRUPT);
        for (int i = 0; i < n; i++) {
            int32_t off = w[2 * i], t = w[2 * i + 1];
            if (!t) continue;
            long long size = areaSize(fd, t);
            if (!between(t, 4, (long long)fd->hdr[VL_H_MAX] + 4) || !inRegion(fd, off, size))
                return LIO_FAIL(F_MAPREAD, VL_E_CORRUPT);
            st->areasInUse++;
            st->recordBytes += t - 4;
            st->areaBytes += size;
        }
    }
    return 0;
}

/* The lists of the delete heap; a list may hold no more areas than the region has room for. */
int statHeap(VlFile *fd, VlStats *st)
{
    long long room = st->storeBytes / fd->hdr[VL_H_MIN] + 1, freeBytes = 0;
    for (int cls = 0; cls < fd->classes; cls++) {
        int size = fd->hdr[VL_H_MIN] + cls * fd->hdr[VL_H_GRAN];
        int32_t off;
        if (delSRead(fd, cls, size, &off) < 0) return LIO_FAIL(F_VLSTATS, 0);
        if (off) st->freeClasses++;
        for (long long n = 0; off; n++) {
            if (n >= room) return LIO_FAIL(F_VLSTATS, VL_E_CORRUPT);
            if (delRead(fd, off, size, &off) < 0) return LIO_FAIL(F_VLSTATS, 0);
            st->freeAreas++;
            freeBytes += size;
        }
    }
    if (freeBytes != st->heapBytes || st->areaBytes + freeBytes > st->storeBytes)
        return LIO_FAIL(F_VLSTATS, VL_E_BALANCE);
    st->unlisted = st->storeBytes - st->areaBytes - freeBytes;
    return 0;
}

} // namespace

int vlStats(VlFile *fd, VlStats *st)
{
    if (checkFd(fd, F_VLSTATS) < 0) return -1;
    if (!st) return LIO_FAIL(F_VLSTATS, LIO_E_BADARG);
    VlBracket br(fd);
    if (!br.ok()) return LIO_FAIL(F_VLSTATS, 0);
    const int32_t *h = fd->hdr;
    VlStats s = {};
    s.highest = h[VL_H_HIGHEST];
    s.freedNumbers = h[VL_H_FREECOUNT];
    s.records = s.highest - s.freedNumbers;
    s.storeBytes = h[VL_H_END] - fd->dataStart;
    s.heapBytes = h[VL_H_HEAPBYTES];
    s.classes = fd->classes;
    if (statMap(fd, &s) < 0 || statHeap(fd, &s) < 0) return LIO_FAIL(F_VLSTATS, 0);
    if (br.leave() < 0) return LIO_FAIL(F_VLSTATS, 0);
    *st = s;
    return 0;
}
