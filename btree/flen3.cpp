/*
 * flen3.cpp - record files: data files of fixed-length records and index files of B-tree pages.
 *
 * File header: 85 little-endian 32-bit words (340 bytes), one per data file and one per sub-file
 * of an index file.
 *
 *   word  meaning                                    word  meaning
 *   0     magic 310                                  13    last duplicate serial
 *   1     header size 340                            14    duplicates allowed 0/1
 *   2     sub-files defined (index, first header)    15    direction 1 / -1
 *   3     end-of-file offset (first header)          16    key length (with discriminator)
 *   4     stash size (data)                          17    6 = data file, else the key type byte
 *   5     mark: 42 clean, 38 modified                18    B-tree order n
 *   6     maximum sub-files (data: 1)                19    record length / page size
 *   7     0                                          20    modification counter (first header)
 *   8     live records / pages in use                21    0
 *   9     records on the free chain                  22    open count (first header)
 *   10    free-chain head, 0 = empty                 23    exclusive owner's process number
 *   11    keys in the index                          24    record-lock entries
 *   12    root page offset                           25-84 30 pairs (record, process)
 *
 * Data file:  header | stash (word 4 bytes) | record 1 | record 2 | ...
 *             record n at 340 + stash + (n - 1) * reclen.
 * Index file: maxfiles x 340 bytes of headers side by side (undefined ones zero) | pages of all
 *             sub-files interleaved in allocation order, addressed by byte offset.
 *
 * A freed record or page is zeros but for the marker 1B 64 65 6C 1B ("\033del\033") at byte 0 and
 * the previous free-chain head at byte 5.
 *
 * A data file of 10-byte records without stash after two adds and one free of record 1
 * (words 0..12, then 19 and 20):
 *   36 01 00 00  54 01 00 00  01 00 00 00  68 01 00 00   310, 340, 1, eof 360
 *   00 00 00 00  26 00 00 00  01 00 00 00  00 00 00 00   stash 0, mark 38, maxfiles 1, 0
 *   01 00 00 00  01 00 00 00  01 00 00 00               live 1, deleted 1, free head 1
 *
 * Invariants kept (velk-check tests them by number):
 *   (1) A data file's end-of-file word equals 340 + stash + (live + deleted) * reclen.
 *   (2) The free chain of each file (sub-file) holds exactly `deleted` records, each carrying the
 *       marker, and ends in 0.
 *   (3) Every header of a file that is open for writing by nobody carries mark 42.
 *   (4) The real size of the file is at least its end-of-file word.
 *   (5) In shared mode each operation re-reads the headers; records and pages kept between
 *       operations (scache.cpp) are used only while word 20 is the value this process last saw
 *       or wrote, and the bytes written are the same as without them.
 */
#include "btree/lioint.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#if !defined(__BYTE_ORDER__) || __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "the file formats are little-endian and read as native words"
#endif

#define MODULE "flen3.cpp"

namespace {

const unsigned char kDelMark[5] = {0x1B, 'd', 'e', 'l', 0x1B};
const int kMaxRecLen = 1000000;
const int kMaxStash = 1000000;

std::set<const LioFile *> g_live; /* every descriptor handed out and not yet closed */

/* ---- raw I/O ---- */

int recOffset(const LioFile *fd, int n, long long *off)
{
    if (fd->master->isIndex) {
        *off = n;
    } else {
        *off = (long long)fd->hdrArea + fd->hdr[LIO_H_STASH] +
               (long long)(n - 1) * fd->hdr[LIO_H_RECLEN];
    }
    return 0;
}

} // namespace

int rawRead(LioFile *fd, int n, void *buf)
{
    long long off;
    recOffset(fd, n, &off);
    int len = fd->hdr[LIO_H_RECLEN];
    if (shareActive(fd)) {
        if (shareRead(fd, off, len, buf) || shareFetch(fd, off, len, buf)) return len;
        return LIO_FAIL(F_RAWREAD, LIO_E_READ);
    }
    ssize_t got = lioPread(fd->fh, buf, len, off);
    if (got != len) return LIO_FAIL(F_RAWREAD, LIO_E_READ);
    return len;
}

int rawWrite(LioFile *fd, int n, const void *buf)
{
    long long off;
    recOffset(fd, n, &off);
    int len = fd->hdr[LIO_H_RECLEN];
    ssize_t put = lioPwrite(fd->fh, buf, len, off);
    if (put != len) {
        shareDrop(fd->master);
        return LIO_FAIL(F_RAWWRITE, LIO_E_WRITE);
    }
    if (shareActive(fd)) shareWrote(fd, off, len, buf);
    fd->master->hdrs[LIO_H_MODCOUNT]++;
    return len;
}

/* ---- descriptors ---- */

namespace {

LioFile *newDesc(LioFile *master, int sub)
{
    LioFile *fd = (LioFile *)calloc(1, sizeof(LioFile));
    if (!fd) return nullptr;
    fd->self = fd;
    fd->master = master ? master : fd;
    fd->sub = sub;
    return fd;
}

void freeFile(LioFile *m)
{
    for (int i = 0; i < LIO_MAXFILES; i++) {
        LioFile *s = m->subs[i];
        if (!s) continue;
        releaseCache(s);
        g_live.erase(s);
        s->self = nullptr;
        if (s != m) free(s);
    }
    g_live.erase(m);
    shareFree(m);
    if (m->fh >= 0) close(m->fh);
    free(m->hdrs);
    free(m->path);
    m->self = nullptr;
    free(m);
}

} // namespace

/* Mode word: one sharing bit (kept from cur when none is given), at most one low bit, 4 added. */
int lioNormMode(int cur, int mode, int *out)
{
    int share = mode & LIO_SHAREMASK;
    int low = mode & LIO_LOWMASK & ~LIO_WTHRU; /* 4 is always on: a mode read back may carry it */
    if ((mode & ~(LIO_SHAREMASK | LIO_LOWMASK)) || share == LIO_SHAREMASK) return -1;
    if (low & (low - 1)) return -1;
    if (!share) share = cur & LIO_SHAREMASK ? cur & LIO_SHAREMASK : LIO_EXCL;
    *out = share | low | LIO_WTHRU;
    return 0;
}

namespace {

bool between(long long v, long long lo, long long hi) { return v >= lo && v <= hi; }

/* Checks a header that was just read from disk; the real file size bounds the offsets. */
bool headersSane(const LioFile *m, long long fileSize)
{
    const int32_t *h = m->hdrs;
    long long eof = h[LIO_H_EOF];
    if (fileSize < eof || eof < m->hdrArea) return false;
    if (!m->isIndex) {
        if (h[LIO_H_HDRSIZE] != LIO_HDRSIZE || !between(h[LIO_H_STASH], 0, kMaxStash)) return false;
        if (!between(h[LIO_H_RECLEN], 1, kMaxRecLen)) return false;
        if (h[LIO_H_LIVE] < 0 || h[LIO_H_DELETED] < 0 || !between(h[LIO_H_NLOCKS], 0, LIO_MAXLOCKS))
            return false;
        long long total = (long long)h[LIO_H_LIVE] + h[LIO_H_DELETED];
        if (eof != LIO_HDRSIZE + h[LIO_H_STASH] + total * h[LIO_H_RECLEN]) return false;
        if (!between(h[LIO_H_FREE], 0, total) || ((h[LIO_H_DELETED] == 0) != (h[LIO_H_FREE] == 0)))
            return false;
        return true;
    }
    int maxf = h[LIO_H_MAXFILES];
    if (!between(h[LIO_H_NFILES], 1, maxf) || !between(h[LIO_H_NLOCKS], 0, LIO_MAXLOCKS))
        return false;
    for (int i = 0; i < h[LIO_H_NFILES]; i++) {
        const int32_t *s = h + i * LIO_HDRWORDS;
        if (s[LIO_H_MAGIC] != LIO_MAGIC || s[LIO_H_HDRSIZE] != LIO_HDRSIZE) return false;
        int k = s[LIO_H_KEYLEN], n = s[LIO_H_ORDER];
        if (!between(k, 1, LIO_MAXKEY) || !between(n, 1, LIO_MAXORDER)) return false;
        if (s[LIO_H_RECLEN] != (k + 8) * 2 * n + 8) return false;
        if (!between(s[LIO_H_DUPS], 0, 1) || (s[LIO_H_DIR] != 1 && s[LIO_H_DIR] != -1))
            return false;
        if (s[LIO_H_DUPS] && k <= 4) return false;
        if (s[LIO_H_LIVE] < 0 || s[LIO_H_DELETED] < 0 || s[LIO_H_KEYS] < 0) return false;
        int root = s[LIO_H_ROOT], fr = s[LIO_H_FREE];
        if (root && (root < m->hdrArea || (long long)root + s[LIO_H_RECLEN] > eof)) return false;
        if (fr && (fr < m->hdrArea || (long long)fr + s[LIO_H_RECLEN] > eof)) return false;
        if ((root == 0) != (s[LIO_H_LIVE] == 0)) return false;
    }
    return true;
}

} // namespace

/* ---- shared with the B-tree layer ---- */

int lioValid(const LioFile *fd)
{
    return fd && g_live.count(fd) && fd->self == fd && fd->master && fd->master->self == fd->master;
}

int lioIsShared(const LioFile *fd) { return (fd->master->mode & LIO_SHARED) != 0; }
int lioReadOnly(const LioFile *fd) { return (fd->master->mode & LIO_RDONLY) != 0; }

int readHead(LioFile *fd)
{
    LioFile *m = fd->master;
    ssize_t want = (ssize_t)m->nwords * 4;
    if (lioPread(m->fh, m->hdrs, want, 0) != want) return LIO_FAIL(F_READHEAD, LIO_E_HDRREAD);
    if (m->hdrs[LIO_H_MAGIC] != LIO_MAGIC) return LIO_FAIL(F_READHEAD, LIO_E_VERSION);
    return 0;
}

int writeHead(LioFile *fd, int mark)
{
    LioFile *m = fd->master;
    if (m->mode & LIO_RDONLY) return 0;
    if (m->unfinished) mark = LIO_MARK_DIRTY;
    int nfiles = m->isIndex ? m->hdrs[LIO_H_NFILES] : 1;
    for (int i = 0; i < nfiles; i++) m->hdrs[i * LIO_HDRWORDS + LIO_H_MARK] = mark;
    m->hdrs[LIO_H_MODCOUNT]++;
    ssize_t want = (ssize_t)m->nwords * 4;
    if (lioPwrite(m->fh, m->hdrs, want, 0) != want) return LIO_FAIL(F_WRITEHEAD, LIO_E_HDRWRITE);
    return 0;
}

/* Called before the first write of a change: the header on disk says 38 until the change is done,
 * so that a process that dies in the middle leaves a file that is known to be unsafe. */
int lioMarkChanged(LioFile *fd)
{
    LioFile *m = fd->master;
    if (muMayWrite(m) < 0) return -1;
    m->touched = 1;
    lioCountChange();
    if (m->mode & LIO_SHARED) {
        if (m->markedDirty) return 0;
        m->markedDirty = 1;
    } else if (m->hdrs[LIO_H_MARK] != LIO_MARK_CLEAN) {
        return 0;
    }
    return writeHead(fd, LIO_MARK_DIRTY);
}

/* Exclusive mode with bit 8: the clean mark is rewritten after each change. */
static int changeDone(LioFile *fd)
{
    LioFile *m = fd->master;
    if (!(m->mode & LIO_SHARED) && (m->mode & LIO_WCLEAN)) return writeHead(fd, LIO_MARK_CLEAN);
    return 0;
}

int lioPageValid(const LioFile *fd, int off)
{
    const LioFile *m = fd->master;
    return off >= m->hdrArea && (long long)off + fd->hdr[LIO_H_RECLEN] <= m->hdrs[LIO_H_EOF];
}

void lioFixDescriptor(LioFile *fd)
{
    const int32_t *h = fd->hdr;
    fd->twoN = 2 * h[LIO_H_ORDER];
    if (!h[LIO_H_DUPS]) {
        fd->cmpLen = h[LIO_H_KEYLEN];
        fd->cmpStart = 0;
    } else {
        fd->cmpLen = h[LIO_H_KEYLEN] - 4;
        fd->cmpStart = (h[LIO_H_TYPE] & LIO_KEY_CALLERDUP) ? 4 : 0;
    }
}

/* ---- the bracket around one public operation ---- */

namespace {} // namespace

int checkFd(LioFile *fd, int func)
{
    if (!lioValid(fd)) return LIO_FAIL(func, LIO_E_FBADFD);
    return 0;
}

void lioRetargetCache(LioCache *from, LioCache *to)
{
    for (const LioFile *d : g_live)
        if (d->cache == from) const_cast<LioFile *>(d)->cache = to;
}

namespace {

int prepIndex(LioFile *fd)
{
    lioFixDescriptor(fd);
    fd->depth = 0;
    fd->hasCur = 0;
    fd->pathValid = 0;
    if (!fd->cache && allocDefaultCache(fd) < 0) return LIO_FAIL(F_PREPINDEX, 0);
    return 0;
}

int subFileHeader(LioFile *m, int sub, int keylen, int keytype)
{
    int32_t *h = m->hdrs + sub * LIO_HDRWORDS;
    int order = lioSetOrder(0);
    int dups = (keytype & LIO_KEY_DUPS) != 0;
    int t = keytype & LIO_KEY_TYPEMASK;
    bool callerDisc = dups && (keytype & LIO_KEY_CALLERDUP);
    if (t == LIO_KEY_INTSUB || t == LIO_KEY_INT) keylen = callerDisc ? 8 : 4; /* the integer is 4 */
    if (dups && !(keytype & LIO_KEY_CALLERDUP)) keylen += 4;
    if (dups && keylen <= 4) return -1;
    int32_t keep[LIO_HDRWORDS];
    memcpy(keep, h, LIO_HDRSIZE);
    memset(h, 0, LIO_HDRSIZE);
    if (sub == 0) {
        /* the first header also carries the words of the whole file */
        h[LIO_H_EOF] = keep[LIO_H_EOF];
        h[LIO_H_MODCOUNT] = keep[LIO_H_MODCOUNT];
        for (int w = LIO_H_OPENCOUNT; w < LIO_HDRWORDS; w++) h[w] = keep[w];
    }
    h[LIO_H_MAGIC] = LIO_MAGIC;
    h[LIO_H_HDRSIZE] = LIO_HDRSIZE;
    h[LIO_H_NFILES] = sub + 1;
    h[LIO_H_MARK] = LIO_MARK_DIRTY;
    h[LIO_H_MAXFILES] = sub == 0 ? keep[LIO_H_MAXFILES] : m->hdrs[LIO_H_MAXFILES];
    h[LIO_H_DUPS] = dups;
    h[LIO_H_DIR] = (keytype & LIO_KEY_DESC) ? -1 : 1;
    h[LIO_H_KEYLEN] = keylen;
    h[LIO_H_TYPE] = keytype & 0xFF;
    h[LIO_H_ORDER] = order;
    h[LIO_H_RECLEN] = (keylen + 8) * 2 * order + 8;
    return 0;
}

/* Reads the header area of a file just opened. */
int loadHeaders(LioFile *m)
{
    struct stat st;
    if (fstat(m->fh, &st) < 0 || st.st_size < LIO_HDRSIZE)
        return LIO_FAIL(F_LIOOPEN, LIO_E_INITHDR);
    int32_t first[LIO_HDRWORDS];
    int tries = 0;
    while (lioPread(m->fh, first, LIO_HDRSIZE, 0) != LIO_HDRSIZE)
        if (++tries == 10) return LIO_FAIL(F_LIOOPEN, LIO_E_INITHDR);
    if (first[LIO_H_MAGIC] != LIO_MAGIC) return LIO_FAIL(F_LIOOPEN, LIO_E_VERSION);
    m->isIndex = first[LIO_H_TYPE] != LIO_DATAFILE;
    int maxf = m->isIndex ? first[LIO_H_MAXFILES] : 1;
    if (!between(maxf, 1, LIO_MAXFILES) || st.st_size < (long long)maxf * LIO_HDRSIZE)
        return LIO_FAIL(F_LIOOPEN, LIO_E_CORRUPT);
    m->nwords = maxf * LIO_HDRWORDS;
    m->hdrArea = maxf * LIO_HDRSIZE;
    m->hdrs = (int32_t *)calloc(m->nwords, 4);
    if (!m->hdrs) return LIO_FAIL(F_LIOOPEN, LIO_E_HDRALLOC);
    if (readHead(m) < 0) return LIO_FAIL(F_LIOOPEN, 0);
    int defined = m->isIndex ? m->hdrs[LIO_H_NFILES] : 1;
    for (int i = 0; defined <= maxf && i < defined; i++)
        if (m->hdrs[i * LIO_HDRWORDS + LIO_H_MAGIC] != LIO_MAGIC)
            return LIO_FAIL(F_LIOOPEN, LIO_E_VERSION);
    if (!headersSane(m, st.st_size)) return LIO_FAIL(F_LIOOPEN, LIO_E_CORRUPT);
    return 0;
}

/* Builds the sub-file descriptors of an index file. */
int buildSubs(LioFile *m)
{
    m->hdr = m->hdrs;
    m->subs[0] = m;
    if (!m->isIndex) return 0;
    for (int i = 0; i < m->hdrs[LIO_H_NFILES]; i++) {
        LioFile *s = i ? newDesc(m, i) : m;
        if (!s) return LIO_FAIL(F_LIOOPEN, LIO_E_NOMEM);
        s->fh = m->fh;
        s->hdr = m->hdrs + i * LIO_HDRWORDS;
        s->hdrArea = m->hdrArea;
        m->subs[i] = s;
        if (prepIndex(s) < 0) return LIO_FAIL(F_LIOOPEN, 0);
    }
    return 0;
}

bool anyDirty(const LioFile *m)
{
    int n = m->isIndex ? m->hdrs[LIO_H_NFILES] : 1;
    for (int i = 0; i < n; i++)
        if (m->hdrs[i * LIO_HDRWORDS + LIO_H_MARK] != LIO_MARK_CLEAN) return true;
    return false;
}

/* Open count and first header write of an open, inside the bracket when shared. */
int countOpen(LioFile *m, int delta)
{
    if (m->mode & LIO_RDONLY) return 0;
    if (m->mode & LIO_SHARED) {
        int e = muEntry(m);
        if (e < 0) return -1;
        m->hdrs[LIO_H_OPENCOUNT] += delta;
        if (m->hdrs[LIO_H_OPENCOUNT] < 0) m->hdrs[LIO_H_OPENCOUNT] = 0;
        m->touched = 1;
        return muExit(m, e);
    }
    m->hdrs[LIO_H_OPENCOUNT] += delta;
    if (m->hdrs[LIO_H_OPENCOUNT] < 0) m->hdrs[LIO_H_OPENCOUNT] = 0;
    return writeHead(m, delta > 0 ? m->hdrs[LIO_H_MARK] : LIO_MARK_CLEAN);
}

} // namespace

/* ---- public operations ---- */

int lioCreat(const char *path, int len, int type, int stash, int maxfiles)
{
    lioEnsureInit();
    bool data = (type & LIO_KEY_TYPEMASK) == LIO_DATAFILE;
    if (!path || (data && (!between(len, 1, kMaxRecLen) || !between(stash, 0, kMaxStash))))
        return LIO_FAIL(F_LIOCREAT, LIO_E_BADARG);
    if (!data && !between(maxfiles, 1, LIO_MAXFILES)) return LIO_FAIL(F_LIOCREAT, LIO_E_MAXFILES);
    if (access(path, F_OK) == 0) return LIO_FAIL(F_LIOCREAT, LIO_E_EXISTS);
    if (!data) {
        /* refuse a bad key before anything is created */
        int dup4 = (type & LIO_KEY_DUPS) ? 4 : 0;
        if ((type & LIO_KEY_TYPEMASK) == LIO_KEY_FLOAT) return LIO_FAIL(F_LIOCREAT, LIO_E_FLOAT);
        if (len < 1 || len + dup4 > LIO_MAXKEY) return LIO_FAIL(F_LIOCREAT, LIO_E_KEYSIZE);
    }
    int fh = open(path, O_CREAT | O_EXCL | O_WRONLY, LIO_CREATMODE);
    if (fh < 0) return LIO_FAIL(F_LIOCREAT, errno == EEXIST ? LIO_E_EXISTS : LIO_E_CREAT);
    close(fh);
    fh = open(path, O_RDWR);
    if (fh < 0) {
        unlink(path);
        return LIO_FAIL(F_LIOCREAT, LIO_E_OPEN);
    }
    int nfiles = data ? 1 : maxfiles;
    std::vector<int32_t> hdr((size_t)nfiles * LIO_HDRWORDS, 0);
    hdr[LIO_H_MAGIC] = LIO_MAGIC;
    hdr[LIO_H_HDRSIZE] = LIO_HDRSIZE;
    hdr[LIO_H_MARK] = LIO_MARK_CLEAN;
    if (data) {
        hdr[LIO_H_NFILES] = 1;
        hdr[LIO_H_EOF] = LIO_HDRSIZE + stash;
        hdr[LIO_H_STASH] = stash;
        hdr[LIO_H_MAXFILES] = 1;
        hdr[LIO_H_TYPE] = LIO_DATAFILE;
        hdr[LIO_H_RECLEN] = len;
    } else {
        hdr[LIO_H_NFILES] = 0;
        hdr[LIO_H_EOF] = maxfiles * LIO_HDRSIZE;
        hdr[LIO_H_MAXFILES] = maxfiles;
        hdr[LIO_H_TYPE] = type & 0xFF;
    }
    std::vector<char> out((size_t)nfiles * LIO_HDRSIZE + (data ? stash : 0), 0);
    memcpy(out.data(), hdr.data(), (size_t)nfiles * LIO_HDRSIZE);
    bool ok = lioPwrite(fh, out.data(), out.size(), 0) == (ssize_t)out.size();
    close(fh);
    if (!ok) {
        unlink(path);
        return LIO_FAIL(F_LIOCREAT, LIO_E_HDRWRITE);
    }
    if (data) return 0;

    /* the first sub-file goes through the ordinary index creation on an open file */
    LioFile *m = newDesc(nullptr, 0);
    if (!m) {
        unlink(path);
        return LIO_FAIL(F_LIOCREAT, LIO_E_NOMEM);
    }
    m->fh = open(path, O_RDWR);
    m->isIndex = 1;
    m->mode = LIO_EXCL | LIO_RDWR | LIO_WTHRU;
    m->nwords = maxfiles * LIO_HDRWORDS;
    m->hdrArea = maxfiles * LIO_HDRSIZE;
    m->hdrs = (int32_t *)calloc(m->nwords, 4);
    m->hdr = m->hdrs;
    bool built = m->fh >= 0 && m->hdrs && readHead(m) == 0;
    if (built) {
        g_live.insert(m);
        built = lioInxCreat(m, len, type) != nullptr && writeHead(m, LIO_MARK_CLEAN) == 0;
    }
    freeFile(m);
    if (!built) {
        unlink(path);
        return LIO_FAIL(F_LIOCREAT, 0);
    }
    return 0;
}

LioFile *lioOpen(const char *path, int mode)
{
    lioEnsureInit();
    int want;
    if (!path || lioNormMode(LIO_EXCL, mode, &want) < 0) {
        LIO_FAIL(F_LIOOPEN, LIO_E_BADARG);
        return nullptr;
    }
    LioFile *m = newDesc(nullptr, 0);
    if (!m) {
        LIO_FAIL(F_LIOOPEN, LIO_E_NOMEM);
        return nullptr;
    }
    m->fh = open(path, (want & LIO_RDONLY) ? O_RDONLY : O_RDWR);
    if (m->fh < 0 && errno == EACCES) {
        m->fh = open(path, O_RDONLY);
        want = (want & LIO_SHAREMASK) | LIO_RDONLY | LIO_WTHRU;
    }
    if (m->fh < 0) {
        LIO_FAIL(F_LIOOPEN, errno == ENOENT ? LIO_E_FNOFILE : LIO_E_OPEN);
        freeFile(m);
        return nullptr;
    }
    m->path = strdup(path);
    /* under the byte-0 lock, so that no other process is half-way through writing the headers */
    bool reader = (want & LIO_RDONLY) != 0;
    if (muLockByte0(m->fh, reader) < 0) {
        LIO_FAIL(F_LIOOPEN, LIO_E_LOCK);
        freeFile(m);
        return nullptr;
    }
    bool loaded = loadHeaders(m) == 0 && buildSubs(m) == 0;
    bool dirty = loaded && anyDirty(m);
    muUnlockByte0(m->fh);
    if (!loaded) {
        freeFile(m);
        return nullptr;
    }
    m->mode = want;
    if (dirty) {
        LIO_FAIL(F_LIOOPEN, LIO_E_CORRUPT);
        m->mode = LIO_SHARED | LIO_RDONLY | LIO_WTHRU;
    }
    for (int i = 0; i < LIO_MAXFILES; i++)
        if (m->subs[i]) g_live.insert(m->subs[i]);
    if (!(m->mode & (LIO_SHARED | LIO_RDONLY)) && lioTakeOwner(m) < 0) {
        LIO_FAIL(F_LIOOPEN, 0);
        freeFile(m);
        return nullptr;
    }
    if (countOpen(m, 1) < 0) {
        LIO_FAIL(F_LIOOPEN, 0);
        freeFile(m);
        return nullptr;
    }
    return m;
}

LioFile *lioSubFile(LioFile *fd, int n)
{
    if (!lioValid(fd) || n < 1 || n > LIO_MAXFILES) return nullptr;
    return fd->master->subs[n - 1];
}

LioFile *lioInxCreat(LioFile *fd, int keylen, int keytype)
{
    if (!lioValid(fd)) {
        LIO_FAIL(F_LIOINXCREAT, LIO_E_FBADFD);
        return nullptr;
    }
    LioFile *m = fd->master;
    if (!m->isIndex) {
        LIO_FAIL(F_LIOINXCREAT, LIO_E_INDATA);
        return nullptr;
    }
    if (m->mode & LIO_RDONLY) {
        LIO_FAIL(F_LIOINXCREAT, LIO_E_RDONLY);
        return nullptr;
    }
    if ((keytype & LIO_KEY_TYPEMASK) == LIO_KEY_FLOAT) {
        LIO_FAIL(F_LIOINXCREAT, LIO_E_FLOAT);
        return nullptr;
    }
    if (keylen < 1 || keylen + ((keytype & LIO_KEY_DUPS) ? 4 : 0) > LIO_MAXKEY) {
        LIO_FAIL(F_LIOINXCREAT, LIO_E_KEYSIZE);
        return nullptr;
    }
    Bracket br(m);
    if (!br.ok()) {
        LIO_FAIL(F_LIOINXCREAT, 0);
        return nullptr;
    }
    int sub = m->hdrs[LIO_H_NFILES];
    if (sub >= m->hdrs[LIO_H_MAXFILES]) {
        LIO_FAIL(F_LIOINXCREAT, LIO_E_MAXFILES);
        return nullptr;
    }
    LioFile *s = sub ? newDesc(m, sub) : m;
    if (!s) {
        LIO_FAIL(F_LIOINXCREAT, LIO_E_NOMEM);
        return nullptr;
    }
    if (subFileHeader(m, sub, keylen, keytype) < 0) {
        if (s != m) free(s);
        LIO_FAIL(F_LIOINXCREAT, LIO_E_KEYSIZE);
        return nullptr;
    }
    s->fh = m->fh;
    s->hdr = m->hdrs + sub * LIO_HDRWORDS;
    s->hdrArea = m->hdrArea;
    m->hdrs[LIO_H_NFILES] = sub + 1;
    m->subs[sub] = s;
    g_live.insert(s);
    m->touched = 1;
    if (prepIndex(s) < 0 || writeHead(m, LIO_MARK_DIRTY) < 0) {
        LIO_FAIL(F_LIOINXCREAT, 0);
        return nullptr;
    }
    if (br.leave() < 0) {
        LIO_FAIL(F_LIOINXCREAT, 0);
        return nullptr;
    }
    return s;
}

int lioFlush(LioFile *fd)
{
    if (checkFd(fd, F_LIOFLUSH) < 0) return -1;
    LioFile *m = fd->master;
    if (m->mode & LIO_RDONLY) return 0;
    Bracket br(m);
    if (!br.ok()) return LIO_FAIL(F_LIOFLUSH, 0);
    int rc = m->isIndex ? flAllCache(m, false) : 0;
    if (!m->isIndex && (m->mode & LIO_SHARED) && *lioLocks(m).count) {
        int me = muProcId();
        if (me >= 0) lockRemoveAll(lioLocks(m), me);
    }
    m->touched = 1;
    if (!(m->mode & LIO_SHARED) && writeHead(m, LIO_MARK_CLEAN) < 0) rc = -1;
    if (br.leave() < 0) rc = -1;
    if (rc < 0) return LIO_FAIL(F_LIOFLUSH, 0);
    return 0;
}

int lioClose(LioFile *fd)
{
    if (checkFd(fd, F_LIOCLOSE) < 0) return -1;
    if (fd->master != fd) return LIO_FAIL(F_LIOCLOSE, LIO_E_FBADFD);
    int rc = 0;
    if (lioFlush(fd) < 0) rc = -1;
    if (!(fd->mode & (LIO_SHARED | LIO_RDONLY)) && fd->hdrs[LIO_H_OWNER]) {
        int me = muProcId();
        if (me >= 0 && fd->hdrs[LIO_H_OWNER] == me)
            fd->hdrs[LIO_H_OWNER] = 0;
        else
            rc = LIO_FAIL(F_LIOCLOSE, LIO_E_INTERNAL);
    }
    if (countOpen(fd, -1) < 0) rc = -1;
    if (fd->isIndex && flAllCache(fd, true) < 0) rc = -1;
    freeFile(fd);
    if (rc < 0) return LIO_FAIL(F_LIOCLOSE, 0);
    return 0;
}

int lioRead(LioFile *fd, int rec, void *buf)
{
    if (checkFd(fd, F_LIOREAD) < 0) return -1;
    if (!buf) return LIO_FAIL(F_LIOREAD, LIO_E_BADARG);
    Bracket br(fd, MU_READ);
    if (!br.ok()) return LIO_FAIL(F_LIOREAD, 0);
    if (fd->master->isIndex) {
        if (!lioPageValid(fd, rec)) return LIO_FAIL(F_LIOREAD, LIO_E_RECNO);
        if (rdPage(fd, rec, (unsigned char *)buf) < 0) return LIO_FAIL(F_LIOREAD, 0);
    } else {
        if (rec < 1 || rec > fd->hdr[LIO_H_LIVE] + fd->hdr[LIO_H_DELETED])
            return LIO_FAIL(F_LIOREAD, LIO_E_RECNO);
        if ((fd->master->mode & (LIO_SHARED | LIO_RDLOCK)) == (LIO_SHARED | LIO_RDLOCK)) {
            int me = muProcId();
            if (me < 0) return LIO_FAIL(F_LIOREAD, 0);
            LockTable t = lioLocks(fd);
            int before = *t.count;
            int err = lockAdd(t, rec, me);
            if (err) return LIO_FAIL(F_LIOREAD, err);
            if (*t.count != before) fd->master->touched = 1;
        }
        if (rawRead(fd, rec, buf) < 0) return LIO_FAIL(F_LIOREAD, 0);
    }
    if (br.leave() < 0) return LIO_FAIL(F_LIOREAD, 0);
    return fd->hdr[LIO_H_RECLEN];
}

int lioWrite(LioFile *fd, int rec, const void *buf)
{
    if (checkFd(fd, F_LIOWRITE) < 0) return -1;
    if (!buf) return LIO_FAIL(F_LIOWRITE, LIO_E_BADARG);
    if (lioReadOnly(fd)) return LIO_FAIL(F_LIOWRITE, LIO_E_RDONLY);
    Bracket br(fd);
    if (!br.ok()) return LIO_FAIL(F_LIOWRITE, 0);
    if (fd->master->isIndex) {
        if (!lioPageValid(fd, rec)) return LIO_FAIL(F_LIOWRITE, LIO_E_RECNO);
    } else if (rec < 1 || rec > fd->hdr[LIO_H_LIVE] + fd->hdr[LIO_H_DELETED]) {
        return LIO_FAIL(F_LIOWRITE, LIO_E_RECNO);
    } else if (lioIsShared(fd) && lioLockedByOther(fd, rec)) {
        return LIO_FAIL(F_LIOWRITE, LIO_E_RECLOCK);
    }
    if (lioMarkChanged(fd) < 0) return LIO_FAIL(F_LIOWRITE, 0);
    int rc =
        fd->master->isIndex ? wrtPage(fd, rec, (const unsigned char *)buf) : rawWrite(fd, rec, buf);
    if (rc < 0 || changeDone(fd) < 0) return LIO_FAIL(F_LIOWRITE, 0);
    if (br.leave() < 0) return LIO_FAIL(F_LIOWRITE, 0);
    return fd->hdr[LIO_H_RECLEN];
}

int lioAvl(LioFile *fd)
{
    if (checkFd(fd, F_LIOAVL) < 0) return -1;
    if (lioReadOnly(fd)) return LIO_FAIL(F_LIOAVL, LIO_E_MODE);
    Bracket br(fd);
    if (!br.ok()) return LIO_FAIL(F_LIOAVL, 0);
    LioFile *m = fd->master;
    int32_t *h = fd->hdr;
    int len = h[LIO_H_RECLEN];
    int rec;
    if (lioMarkChanged(fd) < 0) return LIO_FAIL(F_LIOAVL, 0);
    if (h[LIO_H_FREE]) {
        rec = h[LIO_H_FREE];
        bool inRange =
            m->isIndex ? lioPageValid(fd, rec) != 0 : rec <= h[LIO_H_LIVE] + h[LIO_H_DELETED];
        if (!inRange || h[LIO_H_DELETED] < 1) return LIO_FAIL(F_LIOAVL, LIO_E_CORRUPT);
        std::vector<unsigned char> buf(len);
        int rc = m->isIndex ? rdPage(fd, rec, buf.data()) : rawRead(fd, rec, buf.data());
        if (rc < 0) return LIO_FAIL(F_LIOAVL, 0);
        if (len < 9 || memcmp(buf.data(), kDelMark, 5) != 0)
            return LIO_FAIL(F_LIOAVL, LIO_E_CORRUPT);
        int32_t next;
        memcpy(&next, buf.data() + 5, 4);
        h[LIO_H_FREE] = next;
        h[LIO_H_LIVE]++;
        h[LIO_H_DELETED]--;
    } else if (m->isIndex) {
        if ((long long)m->hdrs[LIO_H_EOF] + len > 0x7fffffffLL)
            return LIO_FAIL(F_LIOAVL, LIO_E_BADREC);
        rec = m->hdrs[LIO_H_EOF];
        m->hdrs[LIO_H_EOF] += len;
        h[LIO_H_LIVE]++;
    } else {
        if ((long long)m->hdrs[LIO_H_EOF] + len > 0x7fffffffLL)
            return LIO_FAIL(F_LIOAVL, LIO_E_BADREC);
        /* the new record is written as zeros at once, so that the file is never shorter than its
         * end-of-file word, even when the caller writes the record in a later bracket */
        std::vector<unsigned char> zero(len, 0);
        rec = h[LIO_H_LIVE] + h[LIO_H_DELETED] + 1;
        if (rawWrite(fd, rec, zero.data()) < 0) return LIO_FAIL(F_LIOAVL, 0);
        h[LIO_H_LIVE]++;
        m->hdrs[LIO_H_EOF] += len;
    }
    if (changeDone(fd) < 0 || br.leave() < 0) return LIO_FAIL(F_LIOAVL, 0);
    return rec;
}

int lioFree(LioFile *fd, int rec)
{
    if (checkFd(fd, F_LIOFREE) < 0) return -1;
    if (lioReadOnly(fd)) return LIO_FAIL(F_LIOFREE, LIO_E_RDONLY);
    Bracket br(fd);
    if (!br.ok()) return LIO_FAIL(F_LIOFREE, 0);
    LioFile *m = fd->master;
    int32_t *h = fd->hdr;
    int len = h[LIO_H_RECLEN];
    bool inRange = m->isIndex ? lioPageValid(fd, rec) != 0
                              : rec >= 1 && rec <= h[LIO_H_LIVE] + h[LIO_H_DELETED];
    if (!inRange || h[LIO_H_LIVE] < 1) return LIO_FAIL(F_LIOFREE, LIO_E_BADREC);
    if (!m->isIndex && lioIsShared(fd) && *lioLocks(fd).count) {
        if (lioLockedByOther(fd, rec)) return LIO_FAIL(F_LIOFREE, LIO_E_RECLOCK);
        int me = muProcId();
        if (me >= 0) lockRemove(lioLocks(fd), rec, me);
    }
    std::vector<unsigned char> buf(len, 0);
    if (!m->isIndex) {
        /* freeing a record twice would make the free chain a cycle */
        if (rawRead(fd, rec, buf.data()) < 0) return LIO_FAIL(F_LIOFREE, 0);
        if (len >= 9 && memcmp(buf.data(), kDelMark, 5) == 0)
            return LIO_FAIL(F_LIOFREE, LIO_E_BADREC);
        memset(buf.data(), 0, len);
    }
    memcpy(buf.data(), kDelMark, std::min(len, 5));
    if (len >= 9) memcpy(buf.data() + 5, &h[LIO_H_FREE], 4);
    if (lioMarkChanged(fd) < 0) return LIO_FAIL(F_LIOFREE, 0);
    int rc = m->isIndex ? wrtPage(fd, rec, buf.data()) : rawWrite(fd, rec, buf.data());
    if (rc < 0) return LIO_FAIL(F_LIOFREE, 0);
    h[LIO_H_FREE] = rec;
    h[LIO_H_DELETED]++;
    h[LIO_H_LIVE]--;
    if (changeDone(fd) < 0 || br.leave() < 0) return LIO_FAIL(F_LIOFREE, 0);
    return 0;
}

int lioSize(LioFile *fd)
{
    if (checkFd(fd, F_LIOSIZE) < 0) return -1;
    Bracket br(fd, MU_READ);
    if (!br.ok()) return LIO_FAIL(F_LIOSIZE, 0);
    int n = fd->master->isIndex ? fd->hdr[LIO_H_KEYS] : fd->hdr[LIO_H_LIVE];
    if (br.leave() < 0) return LIO_FAIL(F_LIOSIZE, 0);
    return n;
}

int lioWStash(LioFile *fd, const void *buf)
{
    if (checkFd(fd, F_LIOWSTASH) < 0) return -1;
    if (fd->master->isIndex) return LIO_FAIL(F_LIOWSTASH, LIO_E_FTYPE);
    if (!buf) return LIO_FAIL(F_LIOWSTASH, LIO_E_BADARG);
    if (lioReadOnly(fd)) return LIO_FAIL(F_LIOWSTASH, LIO_E_RDONLY);
    Bracket br(fd);
    if (!br.ok()) return LIO_FAIL(F_LIOWSTASH, 0);
    int n = fd->hdr[LIO_H_STASH];
    if (lioMarkChanged(fd) < 0) return LIO_FAIL(F_LIOWSTASH, 0);
    if (n && lioPwrite(fd->fh, buf, n, LIO_HDRSIZE) != n) return LIO_FAIL(F_LIOWSTASH, LIO_E_WRITE);
    fd->master->hdrs[LIO_H_MODCOUNT]++;
    if (changeDone(fd) < 0 || br.leave() < 0) return LIO_FAIL(F_LIOWSTASH, 0);
    return n;
}

int lioRStash(LioFile *fd, void *buf)
{
    if (checkFd(fd, F_LIORSTASH) < 0) return -1;
    if (fd->master->isIndex) return LIO_FAIL(F_LIORSTASH, LIO_E_FTYPE);
    if (!buf) return LIO_FAIL(F_LIORSTASH, LIO_E_BADARG);
    Bracket br(fd, MU_READ);
    if (!br.ok()) return LIO_FAIL(F_LIORSTASH, 0);
    int n = fd->hdr[LIO_H_STASH];
    if (n && lioPread(fd->fh, buf, n, LIO_HDRSIZE) != n) return LIO_FAIL(F_LIORSTASH, LIO_E_READ);
    if (br.leave() < 0) return LIO_FAIL(F_LIORSTASH, 0);
    return n;
}

int lioSetMode(LioFile *fd, int mode)
{
    if (!lioValid(fd)) return lioFail(MODULE, F_LIOSETMODE, LIO_E_FBADFD, __LINE__);
    LioFile *m = fd->master;
    if (mode == 0) return m->mode;
    int want;
    if (lioNormMode(m->mode, mode, &want) < 0)
        return lioFail(MODULE, F_LIOSETMODE, LIO_E_BADARG, __LINE__);
    shareDrop(m); /* kept only for the mode it was read in */
    if ((want & LIO_SHARED) && !(m->mode & LIO_SHARED) && m->isIndex) {
        /* nothing may stay cached once other processes may write */
        if (flAllCache(m, true) < 0) return lioFail(MODULE, F_LIOSETMODE, 0, __LINE__);
    }
    if (!(m->mode & LIO_RDONLY) && (want & LIO_RDONLY) && !(m->mode & LIO_SHARED)) {
        /* a reader writes nothing, not even its owner mark at close: give it up now */
        if (m->isIndex && flAllCache(m, false) < 0)
            return lioFail(MODULE, F_LIOSETMODE, 0, __LINE__);
        if (lioDropOwner(m, LIO_MARK_CLEAN) < 0 || writeHead(m, LIO_MARK_CLEAN) < 0)
            return lioFail(MODULE, F_LIOSETMODE, 0, __LINE__);
    }
    bool toExcl = !(want & (LIO_SHARED | LIO_RDONLY)) && (m->mode & LIO_SHARED);
    bool toShared = (want & LIO_SHARED) && !(m->mode & LIO_SHARED) && !(m->mode & LIO_RDONLY);
    if (toExcl && lioTakeOwner(m) < 0) return lioFail(MODULE, F_LIOSETMODE, 0, __LINE__);
    if (toShared && lioDropOwner(m, LIO_MARK_CLEAN) < 0)
        return lioFail(MODULE, F_LIOSETMODE, 0, __LINE__);
    m->mode = want;
    return m->mode;
}

int lioHeader(LioFile *fd, int *words)
{
    if (checkFd(fd, F_LIOREAD) < 0) return -1;
    if (!words) return LIO_FAIL(F_LIOREAD, LIO_E_BADARG);
    Bracket br(fd, MU_READ);
    if (!br.ok()) return LIO_FAIL(F_LIOREAD, 0);
    memcpy(words, fd->hdr, LIO_HDRSIZE);
    br.leave();
    return 0;
}

int lioPageSize(LioFile *fd)
{
    if (checkFd(fd, F_LIOREAD) < 0) return -1;
    return fd->hdr[LIO_H_RECLEN];
}
