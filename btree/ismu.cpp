/*
 * ismu.cpp - ISAM file sets as a whole: creating and opening them, the key block, the brackets
 * and record locks, modes, caches, record buffers and temporary indices.
 *
 * Key block, at the start of the 1024-byte stash of b.dat (or of the store b.st), 32-bit words:
 *
 *   word        meaning
 *   0           number of keys (1..10), temporary ones included
 *   then per key: its flags (key type 1/3/4/5, + 64 descending, + 128 duplicates allowed),
 *               its segments as (offset in the record, length) pairs, -1
 *   last        -1; the rest of the stash is zero
 *
 * The first keys are the sub-files of b.ndx in order; keys beyond them are the sub-files of
 * b.nx$ (added by bt3AddInx).  A key definition list given to bt3Creat is rows of three ints
 * (offset, length, flags) ended by offset -1; flags exactly 32 continue the key of the row before.
 *
 * Index order per key: L = key length (+ 8 with duplicates), size(n) = (L + 8) * 2n + 8; order 12
 * when size(11) <= 1800, else one less than the smallest n >= 5 with size(n) > 1800.
 *
 * Example: bt3Creat(b, 20, {0,8,5, 8,4,129, 12,2,32, -1}): key 0 binary over bytes 0..7, key 1
 * character with duplicates over bytes 8..11 and 12..13.  The stash of b.dat starts
 *   02 00 00 00  05 00 00 00  00 00 00 00  08 00 00 00   2 keys; key 0: type 5, (0, 8)
 *   ff ff ff ff  81 00 00 00  08 00 00 00  04 00 00 00   -1; key 1: flags 129, (8, 4)
 *   0c 00 00 00  02 00 00 00  ff ff ff ff  ff ff ff ff   (12, 2), -1; end of the block
 * b.dat has record length 24; b.ndx holds sub-file 1 (key length 8, type 5, order 12) and
 * sub-file 2 (key length 10 = serial + 6, type 0x91 = 1 | 16 | 128, order 12).
 *
 * Record buffers: bt3GetBuff hands out size + 4 bytes and answers a pointer 4 bytes in; the
 * hidden 4 bytes carry the serial of the record read into (or added from) the buffer.
 *
 * Invariants kept:
 *   (1) A key definition is refused before any file exists: every segment lies inside the
 *       record, a key is 1..100 bytes, 1..10 keys, integer keys are 4 bytes.
 *   (2) The key block describes exactly the indices of b.ndx and b.nx$, in order, with their
 *       key lengths and types; an open checks this and the key counts (361).
 *   (3) A failed create leaves none of the files it made.
 *   (4) Brackets are entered data file, b.ndx, b.nx$, in that order, and left in reverse.
 *   (5) Only buffers handed out by bt3GetBuff are used, never beyond their size.
 */
#include "btree/isint.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <set>
#include <unistd.h>

#define MODULE "ismu.cpp"

namespace {

const char *const kIsamTable[] = {
    /* 300 */ "bt3Creat()",
    "keyDefine()",
    "bt3Open()",
    "bt3Read()",
    "makeKeyBlock()",
    /* 305 */ "bt3Close()",
    "bt3Add()",
    "bt3Sync()",
    "bt3Find()",
    "bt3Write()",
    /* 310 */ "bt3SetCur()",
    "bt3Check()",
    "bt3Start()",
    "bt3End()",
    "bt3Next()",
    /* 315 */ "bt3Prev()",
    "bt3Select()",
    "bt3Delete()",
    "bt3FindRel()",
    "bt3InxCreate()",
    /* 320 */ "bt3GetCur()",
    "keyInsert()",
    "insertAll()",
    "isamLockUp()",
    "isamUnLock()",
    /* 325 */ "bt3AddInx()",
    "bt3DelInx()",
    "bt3GetLen()",
    "bt3VlCreate()",
    "bt3VlAdd()",
    /* 330 */ "bt3VlWrite()",
    "bt3SetMode()",
    "bt3SetCache()",
    "bt3GetBuff()",
    "bt3FreeBuff()",
    /* 335 */ "bt3DataRead()",
    "buffValidate()",
    "bt3BuffCopy()",
    "bt3Unlink()",
    "bt3Lock()",
    /* 340 */ "bt3MakeList()",
    "bt3FreeList()",
    "bt3FillList()",
    /* 343 */ "incorrect key definition parameter",
    "bad number of indices",
    /* 345 */ "maximum keys defined (raise MAXIND)",
    "lioCreat() failed",
    /* 347 */ "no current record defined",
    "existing record not read yet",
    /* 349 */ "old key returned wrong record number!",
    "bad index number",
    /* 351 */ "keys point to different records",
    "maximum record size too small",
    /* 353 */ "key not found",
    "key insert failed",
    "key already in index",
    /* 356 */ "new key could not be inserted",
    "no temporary index file exists",
    /* 358 */ "ffile/vFile operation attempted",
    "Bad ISAM buffer address",
    /* 360 */ "Buffer usage inconsistent",
    "Index/data file record count mismatch",
};
const int kIsamNames = 43;
static_assert(sizeof kIsamTable / sizeof *kIsamTable == 62, "300..361");

std::set<const Bt3File *> g_files;
std::map<const char *, Bt3Buf> g_bufs;
bool g_registered;
const int kMaxRows = (int)BT3_MAXKEYS * (int)BT3_MAXSEGS;

bool exists(const std::string &p) { return access(p.c_str(), F_OK) == 0; }

bool flagsValid(int fl)
{
    int t = fl & LIO_KEY_TYPEMASK;
    if (fl & ~((int)LIO_KEY_TYPEMASK | BT3_DESC | BT3_DUPS)) return false;
    return t == LIO_KEY_CHAR || t == LIO_KEY_INTSUB || t == LIO_KEY_INT || t == LIO_KEY_BINARY;
}

int dataMode(Bt3File *fd) { return fd->dat ? lioSetMode(fd->dat, 0) : vlSetMode(fd->vl, 0); }

} // namespace

void bt3RegisterMessages()
{
    lioEnsureInit();
    if (g_registered) return;
    g_registered = true;
    lioRegisterMessages(300, kIsamTable, kIsamNames, (int)(sizeof kIsamTable / sizeof *kIsamTable));
}

int bt3Valid(const Bt3File *fd) { return fd && g_files.count(fd) && fd->self == fd; }

int bt3CheckHandle(Bt3File *fd, int func)
{
    if (bt3Valid(fd)) return 0;
    bt3RegisterMessages();
    return LIO_FAIL(func, LIO_E_BADFD);
}

/* ======================================================================= key definitions ==== */

int keyDefine(const int *kd, int maxrec, Bt3Key *keys, int room, int func)
{
    if (!kd) return LIO_FAIL(func, LIO_E_BADARG);
    int n = 0;
    for (int row = 0; kd[3 * row] != -1; row++) {
        int off = kd[3 * row], len = kd[3 * row + 1], fl = kd[3 * row + 2];
        /* a segment must lie inside the record, or keys would be built from bytes beyond it */
        if (row >= kMaxRows || off < 0 || len < 1 || len > BT3_MAXKEYLEN || off > maxrec - len)
            return LIO_FAIL(func, BT3_E_KEYDEF);
        if (fl == BT3_CONT) {
            if (n == 0 || keys[n - 1].nseg >= BT3_MAXSEGS) return LIO_FAIL(func, BT3_E_KEYDEF);
            Bt3Key &k = keys[n - 1];
            k.off[k.nseg] = off;
            k.len[k.nseg++] = len;
            k.klen += len;
            continue;
        }
        if (!flagsValid(fl)) return LIO_FAIL(func, BT3_E_KEYDEF);
        if (n == room) return LIO_FAIL(func, BT3_E_NKEYS);
        Bt3Key &k = keys[n++];
        k.flags = fl;
        k.nseg = 1;
        k.off[0] = off;
        k.len[0] = len;
        k.klen = len;
    }
    if (n == 0) return LIO_FAIL(func, BT3_E_NKEYS);
    for (int i = 0; i < n; i++) {
        const Bt3Key &k = keys[i];
        bool integer = k.type() == LIO_KEY_INTSUB || k.type() == LIO_KEY_INT;
        if (k.klen > BT3_MAXKEYLEN || k.klen > maxrec || (integer && k.klen != 4))
            return LIO_FAIL(func, BT3_E_KEYDEF);
    }
    return n;
}

static int makeKeyBlock(const Bt3Key *keys, int nkeys, int32_t *block)
{
    memset(block, 0, BT3_STASH);
    int w = 0;
    block[w++] = nkeys;
    for (int i = 0; i < nkeys; i++) {
        if (w + 2 * keys[i].nseg + 3 > BT3_BLOCKWORDS)
            return LIO_FAIL(F_MAKEKEYBLOCK, BT3_E_KEYDEF);
        block[w++] = keys[i].flags;
        for (int s = 0; s < keys[i].nseg; s++) {
            block[w++] = keys[i].off[s];
            block[w++] = keys[i].len[s];
        }
        block[w++] = -1;
    }
    block[w] = -1;
    return 0;
}

/* Turns a key block read from the stash back into keys; anything malformed is 142. */
static int parseKeyBlock(const int32_t *block, int maxrec, Bt3Key *keys)
{
    std::vector<int> rows;
    int n = block[0], w = 1;
    if (n < 1 || n > BT3_MAXKEYS) return LIO_FAIL(F_BT3OPEN, LIO_E_CORRUPT);
    for (int i = 0; i < n; i++) {
        if (w >= BT3_BLOCKWORDS) return LIO_FAIL(F_BT3OPEN, LIO_E_CORRUPT);
        int flags = block[w++];
        if (flags == BT3_CONT || flags < 0) return LIO_FAIL(F_BT3OPEN, LIO_E_CORRUPT);
        for (int s = 0; block[w] != -1; s++, w += 2) {
            if (w + 2 >= BT3_BLOCKWORDS || block[w] < 0) return LIO_FAIL(F_BT3OPEN, LIO_E_CORRUPT);
            rows.insert(rows.end(), {block[w], block[w + 1], s ? (int)BT3_CONT : flags});
        }
        w++;
    }
    if (w >= BT3_BLOCKWORDS || block[w] != -1) return LIO_FAIL(F_BT3OPEN, LIO_E_CORRUPT);
    rows.push_back(-1);
    if (keyDefine(rows.data(), maxrec, keys, BT3_MAXKEYS, F_BT3OPEN) != n)
        return LIO_FAIL(F_BT3OPEN, LIO_E_CORRUPT);
    return n;
}

static int bt3KeyOrder(const Bt3Key &k)
{
    int L = k.klen + (k.dups() ? 8 : 0);
    auto size = [L](int n) { return (L + 8) * 2 * n + 8; };
    if (size(11) <= 1800) return 12;
    int n = 5;
    while (size(n) <= 1800) n++;
    return n - 1;
}

static int bt3WriteKeyBlock(Bt3File *fd)
{
    std::vector<int32_t> block(BT3_BLOCKWORDS);
    if (makeKeyBlock(fd->keys, fd->nkeys, block.data()) < 0) return -1;
    int n = fd->dat ? lioWStash(fd->dat, block.data()) : vlWStash(fd->vl, block.data());
    return n < 0 ? -1 : 0;
}

/* ================================================================ create, open, close ==== */

namespace {

int createIndexFile(const std::string &path, const Bt3Key *keys, int n)
{
    int old = lioSetOrder(0);
    lioSetOrder(bt3KeyOrder(keys[0]));
    /* a file that another process created at the same moment is not ours to remove */
    int rc = lioCreat(path.c_str(), keys[0].lioLen(), keys[0].lioType(), 0, LIO_MAXFILES);
    if (rc < 0) {
        lioSetOrder(old);
        return -1;
    }
    if (n > 1) {
        LioFile *f = lioOpen(path.c_str(), LIO_EXCL | LIO_RDWR);
        if (!f) rc = -1;
        for (int i = 1; i < n && rc == 0; i++) {
            lioSetOrder(bt3KeyOrder(keys[i]));
            if (!lioInxCreat(f, keys[i].lioLen(), keys[i].lioType())) rc = -1;
        }
        if (f && lioClose(f) < 0) rc = -1;
    }
    lioSetOrder(old);
    if (rc < 0) unlink(path.c_str());
    return rc;
}

/* Key definition check and index file for both kinds of file set; nothing exists on failure. */
int createSet(const std::string &b, int maxrec, const int *keydef, bool vl, int func,
              int32_t *block)
{
    Bt3Key keys[BT3_MAXKEYS];
    if (maxrec < 1 || maxrec > BT3_MAXREC) return LIO_FAIL(func, BT3_E_RECSIZE);
    int n = keyDefine(keydef, maxrec, keys, BT3_MAXKEYS, F_KEYDEFINE);
    if (n < 0 || makeKeyBlock(keys, n, block) < 0) return LIO_FAIL(func, 0);
    /* a b.dat beside a store would hide it from bt3Open */
    for (const char *s : {".ndx", ".dat", vl ? ".mp" : ".dat", vl ? ".st" : ".dat"})
        if (exists(b + s)) return LIO_FAIL(func, LIO_E_EXISTS);
    if (createIndexFile(b + ".ndx", keys, n) < 0) return LIO_FAIL(func, 0);
    return 0;
}

} // namespace

int bt3Creat(const char *base, int maxrec, const int *keydef)
{
    bt3RegisterMessages();
    if (!base) return LIO_FAIL(F_BT3CREAT, LIO_E_BADARG);
    std::string b = base;
    int32_t block[BT3_BLOCKWORDS];
    if (createSet(b, maxrec, keydef, false, F_BT3CREAT, block) < 0) return -1;
    std::string dat = b + ".dat";
    if (lioCreat(dat.c_str(), maxrec + BT3_SERIAL, LIO_DATAFILE, BT3_STASH, 0) != 0) {
        unlink((b + ".ndx").c_str()); /* ours; the data file is not */
        return LIO_FAIL(F_BT3CREAT, 0);
    }
    bool ok = true;
    {
        LioFile *d = lioOpen(dat.c_str(), LIO_EXCL | LIO_RDWR);
        ok = d && lioWStash(d, block) == BT3_STASH;
        if (d && lioClose(d) < 0) ok = false;
    }
    if (!ok) {
        unlink(dat.c_str());
        unlink((b + ".ndx").c_str());
        return LIO_FAIL(F_BT3CREAT, 0);
    }
    return 0;
}

int bt3VlCreate(const char *base, const int *keydef, int minrec, int maxrec, int param)
{
    bt3RegisterMessages();
    if (!base) return LIO_FAIL(F_BT3VLCREATE, LIO_E_BADARG);
    std::string b = base;
    int32_t block[BT3_BLOCKWORDS];
    if (createSet(b, maxrec, keydef, true, F_BT3VLCREATE, block) < 0) return -1;
    /* the store's stored length covers the serial too */
    if (vlCreat(base, minrec, std::min(maxrec, (int)VL_MAXMAX) + BT3_SERIAL, param, BT3_STASH) !=
        0) {
        unlink((b + ".ndx").c_str()); /* ours; the store is not */
        return LIO_FAIL(F_BT3VLCREATE, 0);
    }
    bool ok = true;
    {
        VlFile *v = vlOpen(base, LIO_EXCL | LIO_RDWR);
        int32_t h[VL_HDRWORDS];
        ok = v && vlHeader(v, h) == 0 && vlWStash(v, block) == BT3_STASH;
        /* the store may cap the longest record; every key must still lie inside it */
        Bt3Key keys[BT3_MAXKEYS];
        if (ok &&
            keyDefine(keydef, h[VL_H_MAX] - 2 * BT3_SERIAL, keys, BT3_MAXKEYS, F_KEYDEFINE) < 0)
            ok = false;
        if (v && vlClose(v) < 0) ok = false;
    }
    if (!ok) {
        for (const char *s : {".mp", ".st", ".ndx"}) unlink((b + s).c_str());
        return LIO_FAIL(F_BT3VLCREATE, 0);
    }
    return 0;
}

namespace {

/* Opens b.nx$ in the indices' mode; answers how many sub-files it holds, -1. */
int nxOpen(Bt3File *fd, int mode)
{
    fd->nx = lioOpen((fd->base + ".nx$").c_str(), mode);
    if (!fd->nx) return LIO_FAIL(F_BT3OPEN, 0);
    int n = 0;
    while (fd->nNdx + n < BT3_MAXKEYS && lioSubFile(fd->nx, n + 1)) {
        fd->inx[fd->nNdx + n] = lioSubFile(fd->nx, n + 1);
        n++;
    }
    return n;
}

/* Opens the data file or the store and reads the key block. */
int openData(Bt3File *fd, int mode)
{
    std::vector<int32_t> stash;
    if (exists(fd->base + ".dat")) {
        fd->dat = lioOpen((fd->base + ".dat").c_str(), mode);
        int32_t h[LIO_HDRWORDS];
        if (!fd->dat || lioHeader(fd->dat, h) < 0) return LIO_FAIL(F_BT3OPEN, 0);
        /* not closed cleanly: the record file opened it read-only; nothing may be built on it */
        if (h[LIO_H_MARK] != LIO_MARK_CLEAN) return LIO_FAIL(F_BT3OPEN, LIO_E_CORRUPT);
        if (h[LIO_H_STASH] < BT3_STASH || h[LIO_H_RECLEN] <= BT3_SERIAL)
            return LIO_FAIL(F_BT3OPEN, LIO_E_CORRUPT);
        fd->reclen = h[LIO_H_RECLEN] - BT3_SERIAL;
        stash.resize(h[LIO_H_STASH] / 4 + 1);
        if (lioRStash(fd->dat, stash.data()) < 0) return LIO_FAIL(F_BT3OPEN, 0);
    } else if (exists(fd->base + ".mp")) {
        fd->vl = vlOpen(fd->base.c_str(), mode);
        int32_t h[VL_HDRWORDS];
        if (!fd->vl || vlHeader(fd->vl, h) < 0) return LIO_FAIL(F_BT3OPEN, 0);
        if (h[VL_H_MARK] != LIO_MARK_CLEAN) return LIO_FAIL(F_BT3OPEN, LIO_E_CORRUPT);
        if (h[VL_H_STASH] < BT3_STASH || h[VL_H_MAX] <= 2 * BT3_SERIAL)
            return LIO_FAIL(F_BT3OPEN, LIO_E_CORRUPT);
        fd->reclen = h[VL_H_MAX] - 2 * BT3_SERIAL;
        stash.resize(h[VL_H_STASH] / 4 + 1);
        if (vlRStash(fd->vl, stash.data()) < 0) return LIO_FAIL(F_BT3OPEN, 0);
    } else {
        return LIO_FAIL(F_BT3OPEN, LIO_E_NOFILE);
    }
    fd->nkeys = parseKeyBlock(stash.data(), fd->reclen, fd->keys);
    return fd->nkeys < 0 ? -1 : 0;
}

/* Every index must be the one its key definition describes. */
int checkGeometry(Bt3File *fd)
{
    for (int i = 0; i < fd->nkeys; i++) {
        int32_t h[LIO_HDRWORDS];
        if (lioHeader(fd->inx[i], h) < 0) return LIO_FAIL(F_BT3OPEN, 0);
        const Bt3Key &k = fd->keys[i];
        if (h[LIO_H_MARK] != LIO_MARK_CLEAN) return LIO_FAIL(F_BT3OPEN, LIO_E_CORRUPT);
        if (h[LIO_H_KEYLEN] != k.lioLen() || h[LIO_H_TYPE] != (k.lioType() & 0xFF))
            return LIO_FAIL(F_BT3OPEN, LIO_E_CORRUPT);
    }
    return 0;
}

int openIndices(Bt3File *fd, int mode)
{
    fd->ndx = lioOpen((fd->base + ".ndx").c_str(), mode);
    if (!fd->ndx) return LIO_FAIL(F_BT3OPEN, 0);
    while (fd->nNdx < LIO_MAXFILES && lioSubFile(fd->ndx, fd->nNdx + 1)) {
        fd->inx[fd->nNdx] = lioSubFile(fd->ndx, fd->nNdx + 1);
        fd->nNdx++;
    }
    if (fd->nNdx > fd->nkeys) return LIO_FAIL(F_BT3OPEN, LIO_E_CORRUPT);
    if (fd->nNdx < fd->nkeys && nxOpen(fd, mode) != fd->nkeys - fd->nNdx)
        return LIO_FAIL(F_BT3OPEN, LIO_E_CORRUPT);
    return checkGeometry(fd);
}

int checkCounts(Bt3File *fd)
{
    return bt3Locked(fd, BT3_LK_DATA, F_BT3OPEN, [&] {
        int n = fd->dat ? lioSize(fd->dat) : vlCount(fd->vl);
        if (n < 0) return LIO_FAIL(F_BT3OPEN, 0);
        for (int i = 0; i < fd->nkeys; i++) {
            int k = lioSize(fd->inx[i]);
            if (k < 0) return LIO_FAIL(F_BT3OPEN, 0);
            if (k != n) return LIO_FAIL(F_BT3OPEN, BT3_E_COUNT);
        }
        return 0;
    });
}

int closeFiles(Bt3File *fd)
{
    int rc = 0;
    if (fd->nx && lioClose(fd->nx) < 0) rc = -1;
    if (fd->ndx && lioClose(fd->ndx) < 0) rc = -1;
    if (fd->dat && lioClose(fd->dat) < 0) rc = -1;
    if (fd->vl && vlClose(fd->vl) < 0) rc = -1;
    fd->nx = fd->ndx = fd->dat = nullptr;
    fd->vl = nullptr;
    return rc;
}

} // namespace

/* The mode of the data file and that of the indices for a file-set mode (-1: invalid). */
static int bt3SplitMode(int mode, int *dmode, int *imode)
{
    int norm;
    if (lioNormMode(LIO_EXCL, mode, &norm) < 0) return -1;
    int share = mode & LIO_SHAREMASK, low = mode & LIO_LOWMASK;
    *dmode = share | (low == LIO_WTHRU ? 0 : low);
    *imode = share | (low == LIO_RDLOCK ? (int)LIO_RDWR : low);
    return 0;
}

Bt3File *bt3Open(const char *base, int mode)
{
    bt3RegisterMessages();
    int dmode, imode;
    if (!base || bt3SplitMode(mode, &dmode, &imode) < 0) {
        LIO_FAIL(F_BT3OPEN, LIO_E_BADARG);
        return nullptr;
    }
    Bt3File *fd = new (std::nothrow) Bt3File;
    if (!fd) {
        LIO_FAIL(F_BT3OPEN, LIO_E_NOMEM);
        return nullptr;
    }
    fd->self = fd;
    fd->base = base;
    g_files.insert(fd);
    if (openData(fd, dmode) < 0 || openIndices(fd, imode) < 0 || checkCounts(fd) < 0) {
        closeFiles(fd);
        g_files.erase(fd);
        delete fd;
        LIO_FAIL(F_BT3OPEN, 0);
        return nullptr;
    }
    fd->copy.assign(fd->reclen + BT3_SERIAL, 0);
    return fd;
}

int bt3Close(Bt3File *fd)
{
    if (bt3CheckHandle(fd, F_BT3CLOSE) < 0) return -1;
    int rc = closeFiles(fd);
    bt3BuffForget(fd);
    g_files.erase(fd);
    fd->self = nullptr;
    delete fd;
    return rc < 0 ? LIO_FAIL(F_BT3CLOSE, 0) : 0;
}

/* ============================================================================ brackets ==== */

namespace {

bool dataInside(const Bt3File *fd) { return fd->dat ? fd->dat->master->inside : fd->vl->inside; }

} // namespace

/* The data file first, then b.ndx and b.nx$.  A change (the indices asked for without
 * BT3_LK_READ) locks them all for writing.  A read locks the data file only; the indices are
 * entered by re-reading their headers (MU_GUARD): nobody writes an index without holding its
 * data file's lock, so while this process holds it their pages cannot change. */
int isamLockUp(Bt3File *fd, int which)
{
    if (bt3CheckHandle(fd, F_ISAMLOCKUP) < 0) return -1;
    bool read = (which & BT3_LK_READ) != 0;
    int mask = 0, e = 0;
    if (which & BT3_LK_DATA) {
        e = fd->dat ? muEnter(fd->dat, read ? MU_READ : MU_WRITE) : vlMuEntry(fd->vl);
        if (e < 0) return LIO_FAIL(F_ISAMLOCKUP, 0);
        if (e) mask |= BT3_LK_DATA;
    }
    int how = -1;
    if ((which & BT3_LK_NDX) && !read)
        how = MU_WRITE;
    else if ((which & BT3_LK_DATA) && dataInside(fd))
        how = MU_GUARD;
    if (how >= 0) {
        e = muEnter(fd->ndx, how);
        if (e > 0) mask |= BT3_LK_NDX;
        if (e >= 0 && fd->nx) {
            e = muEnter(fd->nx, how);
            if (e > 0) mask |= BT3_LK_NX;
        }
        if (e < 0) {
            isamUnLock(fd, mask);
            return LIO_FAIL(F_ISAMLOCKUP, 0);
        }
    }
    return mask;
}

/* Leaves the brackets of mask.  After an operation cut short by failing I/O every file it wrote
 * to keeps the mark 38 of its bracket: the data file and its indices may no longer agree, and
 * its undo may not have been possible.  (A refusal such as a record lock of another process
 * undoes its steps without I/O errors and leaves the files clean.) */
static int leaveAll(Bt3File *fd, int mask, bool cutShort)
{
    if (bt3CheckHandle(fd, F_ISAMUNLOCK) < 0) return -1;
    if (mask & BT3_LK_DATA) /* the lock-free index brackets end with the data file's */
        for (LioFile *f : {fd->ndx, fd->nx})
            if (f && f->inside && !f->lockKind) mask |= f == fd->ndx ? BT3_LK_NDX : BT3_LK_NX;
    int rc = 0;
    if ((mask & BT3_LK_NX) && fd->nx && muLeave(fd->nx, 1, cutShort) < 0) rc = -1;
    if ((mask & BT3_LK_NDX) && muLeave(fd->ndx, 1, cutShort) < 0) rc = -1;
    if (mask & BT3_LK_DATA) {
        int e = fd->dat ? muLeave(fd->dat, 1, cutShort) : vlMuLeave(fd->vl, 1, cutShort);
        if (e < 0) rc = -1;
    }
    return rc < 0 ? LIO_FAIL(F_ISAMUNLOCK, 0) : 0;
}

int isamUnLock(Bt3File *fd, int mask) { return leaveAll(fd, mask, false); }

int bt3Enter(Bt3File *fd, int which, int func)
{
    /* the data file alone: a read (every change asks for the indices too) */
    if (which == BT3_LK_DATA) which |= BT3_LK_READ;
    int mask = isamLockUp(fd, which);
    return mask < 0 ? LIO_FAIL(func, 0) : mask;
}

int bt3Leave(Bt3File *fd, int mask, int func, int rc, unsigned ioFailures, unsigned changes)
{
    bool cutShort = rc < 0 && lioIoFailures() != ioFailures;
    if (cutShort && lioChanges() != changes) {
        /* exclusive mode: the whole set, since its files may no longer agree */
        for (LioFile *f : {fd->dat, fd->ndx, fd->nx})
            if (f) lioNoteUnfinished(f);
        if (fd->vl) vlNoteUnfinished(fd->vl);
    }
    if (leaveAll(fd, mask, cutShort) < 0 && rc >= 0) return LIO_FAIL(func, 0);
    return rc;
}

/* ======================================================================= locks, modes ==== */

int bt3Lock(Bt3File *fd)
{
    if (bt3CheckHandle(fd, F_BT3LOCK) < 0) return -1;
    if (!fd->curRec) return LIO_FAIL(F_BT3LOCK, BT3_E_NOCUR);
    int r = fd->dat ? lioLock(fd->dat, fd->curRec) : vlLock(fd->vl, fd->curRec);
    return r < 0 ? LIO_FAIL(F_BT3LOCK, 0) : 0;
}

int bt3UnLock(Bt3File *fd)
{
    if (bt3CheckHandle(fd, F_BT3LOCK) < 0) return -1;
    if (!fd->curRec) return LIO_FAIL(F_BT3LOCK, BT3_E_NOCUR);
    int r = fd->dat ? lioUnLock(fd->dat, fd->curRec) : vlUnLock(fd->vl, fd->curRec);
    return r < 0 ? LIO_FAIL(F_BT3LOCK, 0) : 0;
}

int bt3SetMode(Bt3File *fd, int mode)
{
    if (bt3CheckHandle(fd, F_BT3SETMODE) < 0) return -1;
    if (mode == 0) return dataMode(fd);
    int dmode, imode;
    if (bt3SplitMode(mode, &dmode, &imode) < 0) return LIO_FAIL(F_BT3SETMODE, LIO_E_BADARG);
    int r = fd->dat ? lioSetMode(fd->dat, dmode) : vlSetMode(fd->vl, dmode);
    if (r < 0 || lioSetMode(fd->ndx, imode) < 0 || (fd->nx && lioSetMode(fd->nx, imode) < 0))
        return LIO_FAIL(F_BT3SETMODE, 0);
    return r;
}

int bt3SetCache(Bt3File *fd, int inx, int kind, int slots)
{
    bt3RegisterMessages();
    if (!fd) return lioSetCache(nullptr, kind, slots) < 0 ? LIO_FAIL(F_BT3SETCACHE, 0) : 0;
    if (bt3CheckHandle(fd, F_BT3SETCACHE) < 0) return -1;
    if (lioSetMode(fd->ndx, 0) & LIO_SHARED) return LIO_FAIL(F_BT3SETCACHE, LIO_E_MODE);
    if (inx < -1 || inx >= fd->nkeys) return LIO_FAIL(F_BT3SETCACHE, BT3_E_BADINX);
    for (int i = 0; i < fd->nkeys; i++)
        if ((inx < 0 || i == inx) && lioSetCache(fd->inx[i], kind, slots) < 0)
            return LIO_FAIL(F_BT3SETCACHE, 0);
    return 0;
}

int bt3Sync(Bt3File *fd)
{
    if (bt3CheckHandle(fd, F_BT3SYNC) < 0) return -1;
    int rc = fd->dat ? lioFlush(fd->dat) : vlFlush(fd->vl);
    if (lioFlush(fd->ndx) < 0) rc = -1;
    if (fd->nx && lioFlush(fd->nx) < 0) rc = -1;
    return rc < 0 ? LIO_FAIL(F_BT3SYNC, 0) : 0;
}

/* ====================================================================== record buffers ==== */

char *bt3GetBuff(Bt3File *fd, int size)
{
    bt3RegisterMessages();
    if (fd && bt3CheckHandle(fd, F_BT3GETBUFF) < 0) return nullptr;
    if (size < 0 || size > BT3_MAXREC || (!fd && size == 0)) {
        LIO_FAIL(F_BT3GETBUFF, LIO_E_BADARG);
        return nullptr;
    }
    int n = fd ? std::max(size, fd->reclen) : size;
    char *p = (char *)calloc(1, (size_t)n + BT3_SERIAL);
    if (!p) {
        LIO_FAIL(F_BT3GETBUFF, LIO_E_NOMEM);
        return nullptr;
    }
    g_bufs[p + BT3_SERIAL] = Bt3Buf{n, nullptr, 0};
    return p + BT3_SERIAL;
}

int bt3FreeBuff(char *buf)
{
    bt3RegisterMessages();
    auto it = g_bufs.find(buf);
    if (it == g_bufs.end()) return LIO_FAIL(F_BT3FREEBUFF, BT3_E_BUFFER);
    g_bufs.erase(it);
    free(buf - BT3_SERIAL);
    return 0;
}

Bt3Buf *bt3FindBuff(const char *buf)
{
    auto it = g_bufs.find(buf);
    return it == g_bufs.end() ? nullptr : &it->second;
}

int buffValidate(const char *buf, int need, int func)
{
    Bt3Buf *b = bt3FindBuff(buf);
    if (!b) {
        LIO_FAIL(F_BUFFVALIDATE, BT3_E_BUFFER);
        return LIO_FAIL(func, 0);
    }
    /* a buffer handed out for a smaller file set must not be read or written beyond its end */
    if (b->size < need) {
        LIO_FAIL(F_BUFFVALIDATE, LIO_E_BADARG);
        return LIO_FAIL(func, 0);
    }
    return 0;
}

void bt3BuffForget(const Bt3File *fd)
{
    for (auto &[p, b] : g_bufs)
        if (b.owner == fd) b.owner = nullptr;
}

/* ================================================================= temporary indices ==== */

namespace {

/* The keys the new index will hold, walked through index 0 (which lists every record once);
 * a unique key that occurs twice refuses the whole index before anything is made. */
int collectKeys(Bt3File *fd, const Bt3Key &k,
                std::vector<std::pair<int, std::vector<unsigned char>>> &out)
{
    std::vector<unsigned char> stored(fd->reclen + BT3_SERIAL), key(LIO_MAXKEY + 4);
    int prev = 0;
    for (int r = lioFirst(fd->inx[0], nullptr); r > 0 && r != prev;
         r = lioNext(fd->inx[0], nullptr)) {
        if (bt3ReadStored(fd, r, stored.data()) <= 0) return LIO_FAIL(F_BT3ADDINX, 0);
        bt3BuildKey(k, stored.data(), key.data());
        out.emplace_back(r, std::vector<unsigned char>(key.begin(), key.begin() + k.lioLen()));
        prev = r;
    }
    if ((int)out.size() != (fd->dat ? lioSize(fd->dat) : vlCount(fd->vl)))
        return LIO_FAIL(F_BT3ADDINX, BT3_E_COUNT);
    if (k.dups()) return 0;
    std::vector<const std::vector<unsigned char> *> sorted;
    for (auto &e : out) sorted.push_back(&e.second);
    auto less = [&k](const std::vector<unsigned char> *a, const std::vector<unsigned char> *b) {
        return bt3UserCmp(k, a->data(), b->data()) < 0;
    };
    std::sort(sorted.begin(), sorted.end(), less);
    for (size_t i = 1; i < sorted.size(); i++)
        if (bt3UserCmp(k, sorted[i - 1]->data(), sorted[i]->data()) == 0)
            return LIO_FAIL(F_BT3ADDINX, BT3_E_KEYEXISTS);
    return 0;
}

/* A new sub-file in b.nx$ (made with the first temporary index). */
LioFile *newTempIndex(Bt3File *fd, const Bt3Key &k)
{
    std::string path = fd->base + ".nx$";
    if (!fd->nx) {
        unlink(path.c_str());                           /* one left by an add that did not finish */
        int mode = lioSetMode(fd->ndx, 0) & ~LIO_WTHRU; /* an open adds it again */
        if (createIndexFile(path, &k, 1) < 0 || nxOpen(fd, mode) != 1) return nullptr;
        return fd->inx[fd->nNdx];
    }
    int old = lioSetOrder(0);
    lioSetOrder(bt3KeyOrder(k));
    LioFile *s = lioInxCreat(fd->nx, k.lioLen(), k.lioType());
    lioSetOrder(old);
    return s;
}

bool exclusive(Bt3File *fd) { return (dataMode(fd) & LIO_EXCL) && !(dataMode(fd) & LIO_RDONLY); }

} // namespace

int bt3AddInx(Bt3File *fd, const int *keydef)
{
    if (bt3CheckHandle(fd, F_BT3ADDINX) < 0) return -1;
    if (!exclusive(fd)) return LIO_FAIL(F_BT3ADDINX, LIO_E_MODE);
    Bt3Key k;
    if (keyDefine(keydef, fd->reclen, &k, 1, F_KEYDEFINE) < 0) return LIO_FAIL(F_BT3ADDINX, 0);
    if (fd->nkeys >= BT3_MAXKEYS) return LIO_FAIL(F_BT3ADDINX, BT3_E_MAXKEYS);
    fd->keys[fd->nkeys] = k;
    std::vector<int32_t> block(BT3_BLOCKWORDS);
    if (makeKeyBlock(fd->keys, fd->nkeys + 1, block.data()) < 0) return LIO_FAIL(F_BT3ADDINX, 0);
    std::vector<std::pair<int, std::vector<unsigned char>>> entries;
    if (collectKeys(fd, k, entries) < 0) return LIO_FAIL(F_BT3ADDINX, 0);
    LioFile *s = newTempIndex(fd, k);
    if (!s) return LIO_FAIL(F_BT3ADDINX, 0);
    int i = fd->nkeys++;
    fd->inx[i] = s;
    for (auto &[rec, key] : entries)
        if (lioInsert(s, key.data(), rec) != rec) return LIO_FAIL(F_BT3ADDINX, BT3_E_KEYINS);
    /* the key block is written last: until then an open ignores the new sub-file */
    if (bt3WriteKeyBlock(fd) < 0) return LIO_FAIL(F_BT3ADDINX, 0);
    return i;
}

int bt3DelInx(Bt3File *fd)
{
    if (bt3CheckHandle(fd, F_BT3DELINX) < 0) return -1;
    if (!exclusive(fd)) return LIO_FAIL(F_BT3DELINX, LIO_E_MODE);
    if (!fd->nx) return LIO_FAIL(F_BT3DELINX, BT3_E_NOTEMP);
    int all = fd->nkeys;
    fd->nkeys = fd->nNdx;
    if (bt3WriteKeyBlock(fd) < 0) {
        fd->nkeys = all;
        return LIO_FAIL(F_BT3DELINX, 0);
    }
    int rc = lioClose(fd->nx);
    fd->nx = nullptr;
    for (int i = fd->nNdx; i < BT3_MAXKEYS; i++) fd->inx[i] = nullptr;
    if (unlink((fd->base + ".nx$").c_str()) < 0) rc = -1;
    if (fd->cur >= fd->nkeys) {
        fd->cur = 0;
        if (bt3Reposition(fd) < 0) rc = -1;
    }
    return rc < 0 ? LIO_FAIL(F_BT3DELINX, 0) : 0;
}

int bt3Unlink(const char *base)
{
    bt3RegisterMessages();
    if (!base) return LIO_FAIL(F_BT3UNLINK, LIO_E_BADARG);
    int removed = 0, failed = 0;
    for (const char *s : {".dat", ".ndx", ".nx$", ".mp", ".st"}) {
        std::string p = std::string(base) + s;
        if (unlink(p.c_str()) == 0)
            removed++;
        else if (errno != ENOENT)
            failed++;
    }
    if (failed) return LIO_FAIL(F_BT3UNLINK, LIO_E_CLOSE);
    return removed ? 0 : LIO_FAIL(F_BT3UNLINK, LIO_E_NOFILE);
}
