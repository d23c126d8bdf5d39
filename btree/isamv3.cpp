/*
 * isamv3.cpp - the records of an ISAM file set: add, rewrite, delete, find and step, with the
 * data file (fixed-length records, or a variable-length store) and every index kept in step.
 * Creating and opening file sets, the key block, brackets and buffers are in ismu.cpp; walks in
 * batches in isbatch.cpp.
 *
 * Stored record (a record of b.dat, record length = maximum record size + 4; or a record of the
 * variable-length store, stored length = record length + 4):
 *
 *   offset   size   meaning
 *   0        4      record serial: word 13 of the b.dat header (mapper word 13 of a store),
 *                   advanced by one for every add
 *   4        n      the caller's record
 *
 * Index entry of a key (the B-tree's key bytes):
 *
 *   key kind        bytes
 *   unique          the key's segments from the record, concatenated (1..100 bytes)
 *   duplicates      the record serial (4), then the segments (key type flag 16: the index takes
 *                   the first 4 bytes as its discriminator and compares the rest)
 *
 * Example: keys {0,8,5, 8,4,129, 12,2,32, -1} over 20-byte records; the first record added,
 * "AB000001" "xy\0\0" "zz" "......", is stored in b.dat record 1 (serial 1) as
 *   01 00 00 00  41 42 30 30 30 30 30 31  78 79 00 00  7a 7a  2e 2e 2e 2e 2e 2e
 * its index 0 entry is 41 42 30 30 30 30 30 31, and its index 1 entry 01 00 00 00 78 79 00 00
 * 00 00: a character key holds zeros after its first NUL, so the "zz" segment after the NUL
 * never counts.
 *
 * Invariants kept:
 *   (1) Every record of the data file has exactly one entry in every index, built from its
 *       stored bytes, and every entry points to a record: each index holds as many keys as the
 *       data file holds records.
 *   (2) A unique key's user part occurs at most once in its index; an add or rewrite that
 *       would break this is refused with 356 and leaves data and indices as they were.
 *   (3) Serials are unique in a file set and never 0 or 0x7fffffff, the bounds a search puts
 *       below and above every duplicate.
 *   (4) A changing operation holds the brackets of the data file, b.ndx and b.nx$ for the whole
 *       operation, takes the old keys from the record as stored (not from a copy another process
 *       may have outdated), and undoes its index changes when it fails.
 *   (5) While a record is current, the current index is positioned on that record's key and
 *       the handle's copy holds the record as it was read (while a batch has rows left the
 *       index stands on its last row; every operation here drops the batch first).
 */
#include "btree/isint.h"

#include <algorithm>
#include <climits>
#include <cstring>

#define MODULE "isamv3.cpp"

namespace {

const int kChange = BT3_LK_DATA | BT3_LK_NDX;
int lastCode() { return lioLastErr()->code; }
int32_t serialOf(const unsigned char *stored) { return bt3SerialOf(stored); }

} // namespace

/* The type comparison of two user parts, as the index makes it (without the direction). */
int bt3UserCmp(const Bt3Key &k, const unsigned char *a, const unsigned char *b)
{
    switch (k.type()) {
    case LIO_KEY_CHAR:
        for (int i = 0; i < k.klen; i++) {
            if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
            if (!a[i]) return 0;
        }
        return 0;
    case LIO_KEY_INTSUB: {
        int32_t x = serialOf(a), y = serialOf(b);
        int32_t d = (int32_t)((uint32_t)x - (uint32_t)y);
        return d < 0 ? -1 : d > 0;
    }
    case LIO_KEY_INT: {
        int32_t x = serialOf(a), y = serialOf(b);
        return x < y ? -1 : x > y;
    }
    default: {
        int c = memcmp(a, b, k.klen);
        return c < 0 ? -1 : c > 0;
    }
    }
}

namespace {

/* Indices in the order keys are inserted: unique ones, then duplicates, the current one last
 * (so that a collision is found before any duplicates index changes, and the current index ends
 * positioned on the new key). */
int addOrder(const Bt3File *fd, int *order)
{
    int n = 0;
    for (int pass = 0; pass < 2; pass++)
        for (int i = 0; i < fd->nkeys; i++)
            if (i != fd->cur && fd->keys[i].dups() == (pass == 1)) order[n++] = i;
    order[n++] = fd->cur;
    return n;
}

} // namespace

/* ========================================================================== key images ==== */

void bt3BuildKey(const Bt3Key &k, const unsigned char *stored, unsigned char *out)
{
    const unsigned char *rec = stored + BT3_SERIAL;
    unsigned char *p = out;
    if (k.dups()) {
        memcpy(p, stored, BT3_SERIAL);
        p += BT3_SERIAL;
    }
    for (int s = 0; s < k.nseg; s++) {
        memcpy(p, rec + k.off[s], k.len[s]);
        p += k.len[s];
    }
    if (k.type() == LIO_KEY_CHAR) {
        unsigned char *u = out + k.userOff();
        unsigned char *z = (unsigned char *)memchr(u, 0, k.klen);
        if (z) memset(z, 0, u + k.klen - z);
    }
}

/* =================================================================== data file access ==== */

int bt3ReadStored(Bt3File *fd, int rec, unsigned char *out)
{
    if (fd->dat) return lioRead(fd->dat, rec, out) < 0 ? -1 : fd->reclen;
    int n = vlRead(fd->vl, rec, out, fd->reclen + BT3_SERIAL);
    if (n < BT3_SERIAL) return n < 0 ? -1 : 0;
    memset(out + n, 0, fd->reclen + BT3_SERIAL - n);
    return n - BT3_SERIAL;
}

namespace {

/* 0 or -1 (the store answers the freed length) */
int freeData(Bt3File *fd, int rec)
{
    return (fd->dat ? lioFree(fd->dat, rec) : vlFree(fd->vl, rec)) < 0 ? -1 : 0;
}

/* The next serial, inside the data file's bracket. */
int nextSerial(Bt3File *fd, int32_t *serial)
{
    if (fd->vl) {
        int s = vlSerial(fd->vl, 1);
        if (s < 0) return -1;
        if (s >= INT_MAX) return LIO_FAIL(F_BT3ADD, LIO_E_OVERFLOW);
        *serial = s;
        return 0;
    }
    int32_t *h = fd->dat->hdr;
    if (h[LIO_H_SERIAL] < 0 || h[LIO_H_SERIAL] >= INT_MAX - 1)
        return LIO_FAIL(F_BT3ADD, LIO_E_OVERFLOW);
    *serial = ++h[LIO_H_SERIAL];
    fd->dat->master->touched = 1;
    return 0;
}

/* Makes rec (whose stored bytes are in the copy) current; copies it into buf when given. */
void takeCurrent(Bt3File *fd, int rec, int len, char *buf)
{
    fd->curRec = rec;
    fd->curLen = len;
    fd->readState = 0;
    if (!buf) return;
    Bt3Buf *b = bt3FindBuff(buf);
    memcpy(buf - BT3_SERIAL, fd->copy.data(), BT3_SERIAL + std::min(len, b->size));
    b->owner = fd;
    b->serial = serialOf(fd->copy.data());
    fd->readState = 2;
}

/* Reads rec into the copy (and buf) and makes it current; the record length, -1. */
int load(Bt3File *fd, int rec, char *buf, int func)
{
    fd->curRec = 0;
    int len = bt3ReadStored(fd, rec, fd->copy.data());
    if (len < 0) return LIO_FAIL(func, 0);
    if (len == 0) return LIO_FAIL(func, LIO_E_RECNO);
    takeCurrent(fd, rec, len, buf);
    return len;
}

/* ======================================================================== index access ==== */

/* Positions index i on exactly this stored-form key: the record number of the key found there
 * (a duplicates index answers the first key not smaller, or its last key), 0 none, -1. */
int seekExact(Bt3File *fd, int i, const unsigned char *key)
{
    LioFile *x = fd->inx[i];
    int r = fd->keys[i].dups() ? lioSrPrtl(x, key, nullptr, 1) : lioSearch(x, key);
    if (r < 0 && lastCode() == LIO_E_EMPTY) return 0;
    return r;
}

/* Removes the entry of rec with this key: 0, or -1 with `missing` when it is not there. */
int removeKey(Bt3File *fd, int i, const unsigned char *key, int rec, int missing)
{
    int r = seekExact(fd, i, key);
    if (r < 0) return LIO_FAIL(F_BT3DELETE, 0);
    if (r != rec)
        return LIO_FAIL(F_BT3DELETE, r && !fd->keys[i].dups() ? (int)BT3_E_DIFFREC : missing);
    if (lioDelete(fd->inx[i], nullptr) != rec) return LIO_FAIL(F_BT3DELETE, LIO_E_INTERNAL);
    return 0;
}

/* 1 inserted, 0 the key exists (another record's), -1 failure. */
int insertKey(Bt3File *fd, int i, const unsigned char *key, int rec)
{
    int r = lioInsert(fd->inx[i], key, rec);
    if (r < 0) return LIO_FAIL(F_KEYINSERT, 0);
    return r == rec ? 1 : 0;
}

} // namespace

int bt3Reposition(Bt3File *fd)
{
    if (!fd->curRec) return 0;
    unsigned char key[LIO_MAXKEY + 4];
    bt3BuildKey(fd->keys[fd->cur], fd->copy.data(), key);
    int r = seekExact(fd, fd->cur, key);
    if (r == fd->curRec) return 0;
    fd->curRec = 0;
    return LIO_FAIL(F_BT3SELECT, r < 0 ? 0 : (int)BT3_E_NOKEY);
}

namespace {

/* Inserts every key of a new record: 1, or 0 when a key exists (undone, 356), or -1. */
int insertAll(Bt3File *fd, int rec, const unsigned char *stored)
{
    int order[BT3_MAXKEYS];
    int n = addOrder(fd, order);
    unsigned char key[LIO_MAXKEY + 4];
    for (int j = 0; j < n; j++) {
        bt3BuildKey(fd->keys[order[j]], stored, key);
        int r = insertKey(fd, order[j], key, rec);
        if (r == 1) continue;
        bool undone = true;
        for (int u = j - 1; u >= 0; u--) {
            bt3BuildKey(fd->keys[order[u]], stored, key);
            if (removeKey(fd, order[u], key, rec, BT3_E_NOKEY) < 0) undone = false;
        }
        if (r < 0 || !undone) return LIO_FAIL(F_INSERTALL, 0);
        LIO_FAIL(F_INSERTALL, BT3_E_DUPKEY);
        return 0;
    }
    return 1;
}

/* Moves the keys of indices moved[0..n) back from the new record's to the old record's. */
int unmove(Bt3File *fd, const int *moved, int n, const unsigned char *old, const unsigned char *now)
{
    int rc = 0;
    unsigned char ok[LIO_MAXKEY + 4], nk[LIO_MAXKEY + 4];
    for (int j = n - 1; j >= 0; j--) {
        bt3BuildKey(fd->keys[moved[j]], old, ok);
        bt3BuildKey(fd->keys[moved[j]], now, nk);
        if (removeKey(fd, moved[j], nk, fd->curRec, BT3_E_NOKEY) < 0 ||
            insertKey(fd, moved[j], ok, fd->curRec) != 1)
            rc = LIO_FAIL(F_BT3WRITE, BT3_E_KEYINS);
    }
    return rc;
}

} // namespace

/* ======================================================================= add, rewrite ==== */

namespace {

int addRecord(Bt3File *fd, char *buf, int len, int func)
{
    unsigned char *stored = (unsigned char *)buf - BT3_SERIAL;
    int32_t serial = 0;
    if (nextSerial(fd, &serial) < 0) return LIO_FAIL(func, 0);
    int rec = fd->dat ? lioAvl(fd->dat) : vlAvl(fd->vl);
    if (rec < 1) return LIO_FAIL(func, 0);
    memcpy(stored, &serial, BT3_SERIAL);
    int w =
        fd->dat ? lioWrite(fd->dat, rec, stored) : vlWrite(fd->vl, rec, stored, len + BT3_SERIAL);
    int ins = w < 0 ? -1 : insertAll(fd, rec, stored);
    if (ins <= 0) {
        if (freeData(fd, rec) < 0) ins = -1;
        bt3Reposition(fd);
        return ins < 0 ? LIO_FAIL(func, 0) : 0;
    }
    memcpy(fd->copy.data(), stored, BT3_SERIAL + len);
    memset(fd->copy.data() + BT3_SERIAL + len, 0, fd->reclen - len);
    takeCurrent(fd, rec, len, buf);
    fd->status = BT3_SAMEKEY;
    return len;
}

int checkAdd(Bt3File *fd, char *buf, int len, bool vl, int func)
{
    if (bt3CheckHandle(fd, func) < 0) return -1;
    bt3DropBatch(fd);
    if ((fd->vl != nullptr) != vl) return LIO_FAIL(func, BT3_E_KIND);
    if (len < 1 || len > fd->reclen)
        return LIO_FAIL(func, vl ? (int)VL_E_TOOLONG : (int)LIO_E_BADARG);
    if (buffValidate(buf, len, func) < 0) return -1;
    /* every key must lie inside the record, or it would be built from bytes never stored */
    for (int i = 0; i < fd->nkeys; i++)
        for (int s = 0; s < fd->keys[i].nseg; s++)
            if (fd->keys[i].off[s] + fd->keys[i].len[s] > len)
                return LIO_FAIL(func, LIO_E_SMALLREC);
    return 0;
}

/* The rewrite proper, inside the brackets.  old: the record as it is stored now. */
int rewrite(Bt3File *fd, char *buf, int len, int func)
{
    int rec = fd->curRec;
    std::vector<unsigned char> old(fd->reclen + BT3_SERIAL);
    int olen = bt3ReadStored(fd, rec, old.data());
    if (olen < 0) return LIO_FAIL(func, 0);
    /* deleted or replaced by another process since it was read */
    if (olen == 0 || serialOf(old.data()) != serialOf(fd->copy.data()))
        return LIO_FAIL(func, BT3_E_NOCUR);
    unsigned char *now = (unsigned char *)buf - BT3_SERIAL;
    memcpy(now, old.data(), BT3_SERIAL);
    int order[BT3_MAXKEYS], moved[BT3_MAXKEYS], nm = 0;
    int n = addOrder(fd, order);
    unsigned char ok[LIO_MAXKEY + 4], nk[LIO_MAXKEY + 4];
    for (int j = 0; j < n; j++) {
        int i = order[j];
        bt3BuildKey(fd->keys[i], old.data(), ok);
        bt3BuildKey(fd->keys[i], now, nk);
        if (memcmp(ok, nk, fd->keys[i].lioLen()) == 0) continue;
        if (removeKey(fd, i, ok, rec, BT3_E_NOKEY) < 0) {
            unmove(fd, moved, nm, old.data(), now);
            return LIO_FAIL(func, 0);
        }
        int r = insertKey(fd, i, nk, rec);
        if (r == 1) {
            moved[nm++] = i;
            continue;
        }
        int back = insertKey(fd, i, ok, rec);
        int undo = unmove(fd, moved, nm, old.data(), now);
        if (back != 1) return LIO_FAIL(func, BT3_E_KEYINS);
        if (r < 0 || undo < 0) return LIO_FAIL(func, 0);
        bt3Reposition(fd);
        LIO_FAIL(func, BT3_E_DUPKEY);
        return 0;
    }
    int w = fd->dat ? lioWrite(fd->dat, rec, now) : vlWrite(fd->vl, rec, now, len + BT3_SERIAL);
    if (w < 0) {
        unmove(fd, moved, nm, old.data(), now);
        return LIO_FAIL(func, 0);
    }
    memcpy(fd->copy.data(), now, BT3_SERIAL + len);
    memset(fd->copy.data() + BT3_SERIAL + len, 0, fd->reclen - len);
    fd->curLen = len;
    return len;
}

int writeRecord(Bt3File *fd, char *buf, int len, bool vl, int func)
{
    if (bt3CheckHandle(fd, func) < 0) return -1;
    bt3DropBatch(fd);
    if (!fd->curRec) return LIO_FAIL(func, BT3_E_NOCUR);
    if (fd->readState != 2) return LIO_FAIL(func, BT3_E_NOTREAD);
    if (buffValidate(buf, 1, func) < 0) return -1;
    Bt3Buf *b = bt3FindBuff(buf);
    if (b->owner != fd || b->serial != serialOf(fd->copy.data()))
        return LIO_FAIL(func, BT3_E_BUFUSE);
    if (checkAdd(fd, buf, len, vl, func) < 0) return -1;
    return bt3Locked(fd, kChange, func, [&] { return rewrite(fd, buf, len, func); });
}

} // namespace

int bt3Add(Bt3File *fd, char *buf)
{
    if (bt3CheckHandle(fd, F_BT3ADD) < 0) return -1;
    if (checkAdd(fd, buf, fd->reclen, false, F_BT3ADD) < 0) return -1;
    return bt3Locked(fd, kChange, F_BT3ADD,
                     [&] { return addRecord(fd, buf, fd->reclen, F_BT3ADD); });
}

int bt3VlAdd(Bt3File *fd, char *buf, int len)
{
    if (checkAdd(fd, buf, len, true, F_BT3VLADD) < 0) return -1;
    return bt3Locked(fd, kChange, F_BT3VLADD, [&] { return addRecord(fd, buf, len, F_BT3VLADD); });
}

int bt3Write(Bt3File *fd, char *buf)
{
    if (bt3CheckHandle(fd, F_BT3WRITE) < 0) return -1;
    return writeRecord(fd, buf, fd->reclen, false, F_BT3WRITE);
}

int bt3VlWrite(Bt3File *fd, char *buf, int len)
{
    return writeRecord(fd, buf, len, true, F_BT3VLWRITE);
}

/* ============================================================================= delete ==== */

namespace {

int removeRecord(Bt3File *fd)
{
    int rec = fd->curRec;
    std::vector<unsigned char> old(fd->reclen + BT3_SERIAL);
    int olen = bt3ReadStored(fd, rec, old.data());
    if (olen < 0) return LIO_FAIL(F_BT3DELETE, 0);
    if (olen == 0 || serialOf(old.data()) != serialOf(fd->copy.data()))
        return LIO_FAIL(F_BT3DELETE, BT3_E_NOCUR);
    unsigned char key[LIO_MAXKEY + 4];
    int done = 0;
    bool ok = true;
    for (; done < fd->nkeys && ok; done++) {
        bt3BuildKey(fd->keys[done], old.data(), key);
        ok = removeKey(fd, done, key, rec, BT3_E_NOCUR) == 0;
    }
    if (ok)
        ok = freeData(fd, rec) == 0;
    else
        done--;
    if (!ok) { /* put back the keys already removed */
        for (int i = 0; i < done; i++) {
            bt3BuildKey(fd->keys[i], old.data(), key);
            if (insertKey(fd, i, key, rec) != 1) LIO_FAIL(F_BT3DELETE, BT3_E_KEYINS);
        }
        bt3Reposition(fd);
        return LIO_FAIL(F_BT3DELETE, 0);
    }
    /* the first key not smaller than the deleted one becomes current, without reading */
    fd->curRec = 0;
    fd->status = BT3_SAMEKEY;
    bt3BuildKey(fd->keys[fd->cur], old.data(), key);
    int r = lioSrPrtl(fd->inx[fd->cur], key, nullptr, 1);
    if (r > 0 && load(fd, r, nullptr, F_BT3DELETE) < 0) fd->curRec = 0;
    return 0;
}

} // namespace

int bt3Delete(Bt3File *fd)
{
    if (bt3CheckHandle(fd, F_BT3DELETE) < 0) return -1;
    bt3DropBatch(fd);
    if (!fd->curRec) return LIO_FAIL(F_BT3DELETE, BT3_E_NOCUR);
    if (fd->readState != 2) return LIO_FAIL(F_BT3DELETE, BT3_E_NOTREAD);
    return bt3Locked(fd, kChange, F_BT3DELETE, [&] { return removeRecord(fd); });
}

/* ========================================================================= positioning ==== */

namespace {

/* The largest byte a key reads from a record: a find's buffer must reach it. */
int keyExtent(const Bt3File *fd)
{
    int e = 1;
    for (int i = 0; i < fd->nkeys; i++)
        for (int s = 0; s < fd->keys[i].nseg; s++)
            e = std::max(e, fd->keys[i].off[s] + fd->keys[i].len[s]);
    return e;
}

/* What a buffer that receives a record must hold: a whole fixed-length record; any part of a
 * variable-length one (the copy is cut to the buffer). */
int readNeed(const Bt3File *fd) { return fd->dat ? fd->reclen : 1; }

struct Finder {
    Bt3File *fd;
    const Bt3Key &k;
    LioFile *x;
    unsigned char key[LIO_MAXKEY + 4]; /* stored form: serial part, then the user part */
    unsigned char out[LIO_MAXKEY + 4];

    Finder(Bt3File *f) : fd(f), k(f->keys[f->cur]), x(f->inx[f->cur]) {}
    const unsigned char *user() const { return key + k.userOff(); }
    /* serials that sort before / after every duplicate of a user key in collation order */
    int32_t low() const { return k.dir() > 0 ? 0 : INT_MAX; }
    int32_t high() const { return k.dir() > 0 ? INT_MAX : 0; }

    /* First key not smaller than (user key, serial s); *c its order against the user key (> 0
     * after it, 0 equal, < 0 every key is smaller and the last key was taken). */
    int lower(int32_t s, int *c)
    {
        if (k.dups()) memcpy(key, &s, 4);
        int r = lioSrPrtl(x, key, out, 1);
        if (r > 0) *c = k.dir() * bt3UserCmp(k, out, user());
        return r;
    }
    int firstGreater()
    {
        int c = 0;
        int r = lower(k.dups() ? high() : low(), &c);
        if (r <= 0 || c > 0) return r;
        if (c < 0) return 0;
        int n = lioNext(x, nullptr); /* unique index: the key equals; take the one after it */
        return n == r ? 0 : n;
    }
    int before(int r) /* the key before the current one (r), 0 at the start */
    {
        int p = lioPrev(x, nullptr);
        return p == r ? 0 : p;
    }
    int find(int mode)
    {
        int c = 0, r;
        switch (mode) {
        case 1:
            r = lower(low(), &c);
            if (r <= 0 || c < 0) return r;
            return c > 0 ? 0 : before(r);
        case 2:
            return firstGreater();
        case 3:
            r = firstGreater();
            if (r < 0) return r;
            return r > 0 ? before(r) : lioLast(x, nullptr);
        case 4:
        case 6:
            r = lower(low(), &c);
            return r > 0 && c < 0 ? 0 : r;
        case 5:
            r = lower(low(), &c);
            return r > 0 && c != 0 ? 0 : r;
        default:
            return lower(low(), &c); /* 7: or the last key */
        }
    }
};

/* The status of a step from record old (its key in stored form: was) to record r (stored
 * bytes to). */
int stepStatus(const Bt3Key &k, int old, const unsigned char *was, int r, const unsigned char *to,
               bool fwd)
{
    if (r == old) return fwd ? BT3_ATEND : BT3_ATSTART;
    unsigned char now[LIO_MAXKEY + 4];
    bt3BuildKey(k, to, now);
    int u = k.userOff();
    return bt3UserCmp(k, was + u, now + u) == 0 ? BT3_SAMEKEY : BT3_NEWKEY;
}

/* A step of the current index from the current record; the new record's status. */
int stepFrom(Bt3File *fd, char *buf, bool fwd, int func)
{
    const Bt3Key &k = fd->keys[fd->cur];
    unsigned char was[LIO_MAXKEY + 4];
    bt3BuildKey(k, fd->copy.data(), was);
    int old = fd->curRec;
    int r = fwd ? lioNext(fd->inx[fd->cur], nullptr) : lioPrev(fd->inx[fd->cur], nullptr);
    if (r < 0 && lastCode() == LIO_E_EMPTY) { /* another process emptied the file */
        fd->curRec = 0;
        return 0;
    }
    if (r < 0) return LIO_FAIL(func, 0);
    int len = load(fd, r, buf, func);
    if (len < 0) return -1;
    fd->status = stepStatus(k, old, was, r, fd->copy.data(), fwd);
    return len;
}

int edge(Bt3File *fd, char *buf, bool last, int func)
{
    if (bt3CheckHandle(fd, func) < 0) return -1;
    bt3DropBatch(fd);
    if (buf && buffValidate(buf, readNeed(fd), func) < 0) return -1;
    return bt3Locked(fd, BT3_LK_DATA, func, [&] {
        fd->curRec = 0;
        LioFile *x = fd->inx[fd->cur];
        int r = last ? lioLast(x, nullptr) : lioFirst(x, nullptr);
        if (r <= 0) return r < 0 ? LIO_FAIL(func, 0) : 0;
        int len = load(fd, r, buf, func);
        if (len > 0) fd->status = last ? BT3_SAMEKEY : BT3_ATSTART;
        return len;
    });
}

int step(Bt3File *fd, char *buf, bool fwd)
{
    int func = fwd ? F_BT3NEXT : F_BT3PREV;
    if (bt3CheckHandle(fd, func) < 0) return -1;
    if (!fd->curRec) {
        bt3DropBatch(fd);
        return edge(fd, buf, !fwd, func);
    }
    if (buf && buffValidate(buf, readNeed(fd), func) < 0) return -1;
    return bt3BatchStep(fd, buf, fwd, func);
}

/* Reads rec, checks that its key in the current index leads back to it, makes it current. */
int setCurrent(Bt3File *fd, int rec, char *buf, int func)
{
    if (bt3CheckHandle(fd, func) < 0) return -1;
    bt3DropBatch(fd);
    if (buf && buffValidate(buf, readNeed(fd), func) < 0) return -1;
    return bt3Locked(fd, BT3_LK_DATA, func, [&] {
        fd->curRec = 0;
        int len = bt3ReadStored(fd, rec, fd->copy.data());
        if (len <= 0) return LIO_FAIL(func, len < 0 ? 0 : (int)LIO_E_RECNO);
        unsigned char key[LIO_MAXKEY + 4];
        bt3BuildKey(fd->keys[fd->cur], fd->copy.data(), key);
        int r = seekExact(fd, fd->cur, key);
        if (r != rec) {
            int mode = fd->dat ? lioSetMode(fd->dat, 0) : vlSetMode(fd->vl, 0);
            if ((mode & (LIO_SHARED | LIO_RDLOCK)) == (LIO_SHARED | LIO_RDLOCK))
                fd->dat ? lioUnLock(fd->dat, rec) : vlUnLock(fd->vl, rec);
            return LIO_FAIL(func, r < 0 ? 0 : r == 0 ? (int)BT3_E_NOKEY : (int)BT3_E_WRONGREC);
        }
        takeCurrent(fd, rec, len, buf);
        fd->status = BT3_SAMEKEY;
        return len;
    });
}

} // namespace

void bt3TakeCurrent(Bt3File *fd, int rec, int len, char *buf) { takeCurrent(fd, rec, len, buf); }

int bt3StepStatus(const Bt3Key &k, int old, const unsigned char *was, int r,
                  const unsigned char *to, bool fwd)
{
    return stepStatus(k, old, was, r, to, fwd);
}

int bt3StepFrom(Bt3File *fd, char *buf, bool fwd, int func) { return stepFrom(fd, buf, fwd, func); }

int bt3Find(Bt3File *fd, char *buf, int mode)
{
    if (bt3CheckHandle(fd, F_BT3FIND) < 0) return -1;
    bt3DropBatch(fd);
    int m = mode & ~BT3_NOREAD;
    if (m < 1 || m > 7) return LIO_FAIL(F_BT3FIND, LIO_E_BADARG);
    if (buffValidate(buf, std::max(keyExtent(fd), readNeed(fd)), F_BT3FIND) < 0) return -1;
    Finder f(fd);
    bt3BuildKey(f.k, (const unsigned char *)buf - BT3_SERIAL, f.key);
    if (m == 6)
        for (int i = 0; i < f.k.klen; i++) f.key[f.k.userOff() + i] ^= 0xFF;
    return bt3Locked(fd, BT3_LK_DATA, F_BT3FIND, [&] {
        fd->curRec = 0;
        int r = f.find(m);
        if (r <= 0) return r < 0 ? LIO_FAIL(F_BT3FIND, 0) : 0;
        int len = load(fd, r, (mode & BT3_NOREAD) ? nullptr : buf, F_BT3FIND);
        if (len > 0) fd->status = BT3_SAMEKEY;
        return len;
    });
}

int bt3Start(Bt3File *fd, char *buf) { return edge(fd, buf, false, F_BT3START); }
int bt3End(Bt3File *fd, char *buf) { return edge(fd, buf, true, F_BT3END); }
int bt3Next(Bt3File *fd, char *buf) { return step(fd, buf, true); }
int bt3Prev(Bt3File *fd, char *buf) { return step(fd, buf, false); }
int bt3SetCur(Bt3File *fd, int rec, char *buf) { return setCurrent(fd, rec, buf, F_BT3SETCUR); }
int bt3DataRead(Bt3File *fd, int rec, char *buf) { return setCurrent(fd, rec, buf, F_BT3DATAREAD); }

int bt3Select(Bt3File *fd, int inx)
{
    if (bt3CheckHandle(fd, F_BT3SELECT) < 0) return -1;
    bt3DropBatch(fd);
    if (inx < 0 || inx >= fd->nkeys) return LIO_FAIL(F_BT3SELECT, BT3_E_BADINX);
    fd->cur = inx;
    if (!fd->curRec) return 0;
    return bt3Locked(fd, BT3_LK_DATA, F_BT3SELECT, [&] { return bt3Reposition(fd); });
}

int bt3Check(Bt3File *fd, int inx, const char *key)
{
    if (bt3CheckHandle(fd, F_BT3CHECK) < 0) return -1;
    bt3DropBatch(fd);
    if (inx < 0 || inx >= fd->nkeys) return LIO_FAIL(F_BT3CHECK, BT3_E_BADINX);
    if (!key) return LIO_FAIL(F_BT3CHECK, LIO_E_BADARG);
    const Bt3Key &k = fd->keys[inx];
    unsigned char sk[LIO_MAXKEY + 4] = {};
    memcpy(sk + k.userOff(), key, k.klen);
    if (k.type() == LIO_KEY_CHAR) {
        unsigned char *z = (unsigned char *)memchr(sk + k.userOff(), 0, k.klen);
        if (z) memset(z, 0, sk + k.userOff() + k.klen - z);
    }
    return bt3Locked(fd, BT3_LK_DATA, F_BT3CHECK, [&] {
        int r = lioSearch(fd->inx[inx], sk);
        if (r < 0 && lastCode() == LIO_E_EMPTY) r = 0;
        if (r < 0) return LIO_FAIL(F_BT3CHECK, 0);
        if (inx == fd->cur && bt3Reposition(fd) < 0) return LIO_FAIL(F_BT3CHECK, 0);
        return r;
    });
}

int bt3GetLen(Bt3File *fd, int rec)
{
    if (bt3CheckHandle(fd, F_BT3GETLEN) < 0) return -1;
    if (fd->vl) {
        int n = vlRead(fd->vl, rec, nullptr, 0);
        if (n < 0) return LIO_FAIL(F_BT3GETLEN, 0);
        return n >= BT3_SERIAL ? n - BT3_SERIAL : 0;
    }
    std::vector<unsigned char> tmp(fd->reclen + BT3_SERIAL);
    if (lioRead(fd->dat, rec, tmp.data()) < 0) return LIO_FAIL(F_BT3GETLEN, 0);
    return fd->reclen;
}

int bt3Status(Bt3File *fd) { return bt3CheckHandle(fd, F_BT3GETCUR) < 0 ? -1 : fd->status; }
int bt3GetCur(Bt3File *fd) { return bt3CheckHandle(fd, F_BT3GETCUR) < 0 ? -1 : fd->curRec; }

int bt3Count(Bt3File *fd)
{
    if (bt3CheckHandle(fd, F_BT3GETCUR) < 0) return -1;
    int n = fd->dat ? lioSize(fd->dat) : vlCount(fd->vl);
    return n < 0 ? LIO_FAIL(F_BT3GETCUR, 0) : n;
}
