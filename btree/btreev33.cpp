/*
 * btreev33.cpp - B-tree indices over the pages of an index file, and the engine's error state.
 *
 * Page of an index with key length K and order n (P = (K + 8) * 2n + 8 bytes):
 *
 *   offset      size         field
 *   0           1            m, items in the page (0..2n)
 *   1           4            p0: child with the keys below item 0; 0 in a leaf
 *   5           m * (K + 8)  items: key (K), child right of the item (4), record number (4)
 *
 * A leaf of an order-1 index with 4-byte integer keys 7 and 9 (records 3 and 5), P = 40:
 *   02  00 00 00 00  07 00 00 00 00 00 00 00 03 00 00 00  09 00 00 00 00 00 00 00 05 00 00 00 ...
 *
 * Key user part (what the type comparison sees): all K bytes; with duplicates bytes 0..K-5 and a
 * 4-byte discriminator behind (a serial the index hands out); with the caller-supplied
 * discriminator (flag 16) bytes 4..K-1 and the discriminator in front.
 *
 * Invariants (the test tree's checker tests them by number):
 *   (1) Every page but the root holds n..2n items; the root holds 1..2n; an empty index has root 0.
 *   (2) Keys ascend (in collation order, discriminator included) within a page and across it:
 *       the keys below p0 are smaller than item 0, those below item i's child lie between item i
 *       and item i + 1.
 *   (3) All leaves lie at one depth, at most 10.
 *   (4) Header word 11 equals the keys held, word 8 the pages reachable from the root.
 *   (5) A freed page carries the deletion marker and is on its sub-file's free chain.
 *   (6) With duplicates, each stored discriminator is unique among equal user parts.
 */
#include "btree/lioint.h"

#include <algorithm>
#include <cstring>
#include <map>

#define MODULE "btreev33.cpp"

/* ======================================================================== error state ==== */

#include "btree/errors.inc"

namespace {

struct MsgTable {
    const char *const *entries;
    int nnames, nentries;
};

std::map<int, MsgTable> g_tables;
LioErr g_last;
LioErr g_trace[LIO_TRACE_MAX];
int g_ntrace;
bool g_init;
int g_order = LIO_DEFORDER;
LioCompare g_compare;

const char *funcName(int func)
{
    for (auto &[base, t] : g_tables)
        if (func >= base && func < base + t.nnames) return t.entries[func - base];
    return nullptr;
}

} // namespace

int lioFail(const char *module, int func, int code, int line)
{
    LioErr e = {code, func, line, module};
    if (code != 0) g_last = e;
    int n = std::min(g_ntrace, LIO_TRACE_MAX - 1);
    std::memmove(g_trace + 1, g_trace, n * sizeof(LioErr));
    g_trace[0] = e;
    g_ntrace = n + 1;
    return -1;
}

int lioRecordErr(const char *module, int func, int code, int line)
{
    return lioFail(module, func, code, line);
}

int lioRegisterMessages(int base, const char *const *entries, int nnames, int nentries)
{
    if (!entries || nnames < 0 || nentries < nnames) return LIO_FAIL(F_LIOINIT, LIO_E_BADARG);
    g_tables[base] = MsgTable{entries, nnames, nentries};
    return 0;
}

int lioInit(void)
{
    if (g_init) return 0;
    g_init = true;
    lioRegisterMessages(1, kCommonMsgs, 0, (int)(sizeof kCommonMsgs / sizeof *kCommonMsgs));
    lioRegisterMessages(100, kRecFileTable, kRecFileNames,
                        (int)(sizeof kRecFileTable / sizeof *kRecFileTable));
    lioRegisterMessages(200, kBtreeTable, kBtreeNames,
                        (int)(sizeof kBtreeTable / sizeof *kBtreeTable));
    return 0;
}

void lioEnsureInit()
{
    if (!g_init) lioInit();
}

const LioErr *lioLastErr(void) { return &g_last; }

int lioTrace(LioErr *out, int max)
{
    int n = std::min(std::max(max, 0), g_ntrace);
    if (out) std::memcpy(out, g_trace, n * sizeof(LioErr));
    return n;
}

void lioClearErr(void)
{
    g_last = LioErr{0, 0, 0, nullptr};
    g_ntrace = 0;
}

const char *lioErrMsg(int code)
{
    for (auto &[base, t] : g_tables)
        if (code >= base + t.nnames && code < base + t.nentries) return t.entries[code - base];
    return "";
}

int lioErrReport(char *buf, int size)
{
    if (!buf || size <= 0) return -1;
    return snprintf(buf, size, "Error %4d (line %4d, %s): %s", g_last.code, g_last.line,
                    g_last.module ? g_last.module : "", lioErrMsg(g_last.code));
}

int lioTraceReport(FILE *out)
{
    if (!out) return -1;
    fprintf(out, "\nModule         Function         Line   Message\n");
    for (int i = 0; i < 62; i++) fputc('-', out);
    fputc('\n', out);
    for (int i = 0; i < g_ntrace; i++) {
        const LioErr &e = g_trace[i];
        const char *name = funcName(e.func);
        char fn[32];
        if (name)
            snprintf(fn, sizeof fn, "%s", name);
        else
            snprintf(fn, sizeof fn, "Function: %2d", e.func);
        fprintf(out, "%-15s%-15s%5d    %s\n", e.module ? e.module : "", fn, e.line,
                e.code ? lioErrMsg(e.code) : "");
    }
    return g_ntrace;
}

LioCompare lioSetCompare(LioCompare fn)
{
    LioCompare old = g_compare;
    g_compare = fn;
    return old;
}

int lioSetOrder(int order)
{
    if (order == 0) return g_order;
    if (order < 1 || order > LIO_MAXORDER) return LIO_FAIL(F_LIOSETORDER, LIO_E_BADARG);
    g_order = order;
    return g_order;
}

/* ============================================================================ pages ==== */

namespace {

enum { kPoolPages = 20, kMaxPage = (LIO_MAXKEY + 8) * 2 * LIO_MAXORDER + 8 };

/* In-memory page images of one operation. */
unsigned char g_pool[kPoolPages][kMaxPage];
int g_poolUsed;

struct PoolScope {
    int mark;
    PoolScope() : mark(g_poolUsed) {}
    ~PoolScope() { g_poolUsed = mark; }
};

unsigned char *takePage()
{
    if (g_poolUsed >= kPoolPages) {
        LIO_FAIL(F_MAKNOD, LIO_E_OVERFLOW);
        return nullptr;
    }
    unsigned char *p = g_pool[g_poolUsed++];
    std::memset(p, 0, kMaxPage);
    return p;
}

int32_t word(const unsigned char *p)
{
    int32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

void setWord(unsigned char *p, int32_t v) { std::memcpy(p, &v, 4); }

/* One operation on one index: the descriptor's geometry and the search key. */
struct Op {
    LioFile *fd;
    int K, isz, n;
    bool full = true;    /* compare the discriminator too */
    bool assign = false; /* insertion: hand out a serial to a key whose discriminator is 0 */
    bool prefix = false; /* a character search key ends at its NUL: it equals every key it begins */
    unsigned char skey[LIO_MAXKEY + 4];
    bool serialOwn; /* discriminator is the index's serial (duplicates, no flag 16) */

    explicit Op(LioFile *f) : fd(f)
    {
        K = f->hdr[LIO_H_KEYLEN];
        isz = K + 8;
        n = f->hdr[LIO_H_ORDER];
        serialOwn = f->hdr[LIO_H_DUPS] && !(f->hdr[LIO_H_TYPE] & LIO_KEY_CALLERDUP);
        std::memset(skey, 0, sizeof skey);
    }
    int discOff() const { return serialOwn ? K - 4 : 0; }

    static int cnt(const unsigned char *p) { return p[0]; }
    static int p0(const unsigned char *p) { return word(p + 1); }
    unsigned char *item(unsigned char *p, int i) const { return p + 5 + i * isz; }
    const unsigned char *item(const unsigned char *p, int i) const { return p + 5 + i * isz; }
    int child(const unsigned char *p, int i) const { return i < 0 ? p0(p) : word(item(p, i) + K); }
    int rec(const unsigned char *p, int i) const { return word(item(p, i) + K + 4); }
    void setChild(unsigned char *p, int i, int c) const
    {
        if (i < 0)
            setWord(p + 1, c);
        else
            setWord(item(p, i) + K, c);
    }
};

int typeCmp(const LioFile *fd, const unsigned char *a, const unsigned char *b, bool prefix = false)
{
    int len = fd->cmpLen;
    switch (fd->hdr[LIO_H_TYPE] & LIO_KEY_TYPEMASK) {
    case LIO_KEY_CHAR:
        for (int i = 0; i < len; i++) {
            if (prefix && !a[i]) return 0;
            if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
            if (!a[i]) return 0;
        }
        return 0;
    case LIO_KEY_INTSUB: {
        int32_t d = (int32_t)((uint32_t)word(a) - (uint32_t)word(b));
        return d < 0 ? -1 : d > 0;
    }
    case LIO_KEY_INT: {
        int32_t x = word(a), y = word(b);
        return x < y ? -1 : x > y;
    }
    case LIO_KEY_BINARY: {
        int c = std::memcmp(a, b, len);
        return c < 0 ? -1 : c > 0;
    }
    default:
        if (!g_compare) {
            LIO_FAIL(F_NDXCMP1, LIO_E_NOCMP);
            return 0;
        }
        return g_compare(len, fd->hdr[LIO_H_TYPE], a, b);
    }
}

/* Compares the search key with a stored key in collation order. */
int cmp(Op &op, const unsigned char *k)
{
    LioFile *fd = op.fd;
    int dir = fd->hdr[LIO_H_DIR];
    int c = typeCmp(fd, op.skey + fd->cmpStart, k + fd->cmpStart, op.prefix);
    if (c) return c * dir;
    if (!fd->hdr[LIO_H_DUPS] || !op.full) return 0;
    int d = op.discOff();
    if (op.assign && op.serialOwn && word(op.skey + d) == 0) {
        /* a new duplicate: its serial is above all, so it follows every equal key */
        setWord(op.skey + d, ++fd->hdr[LIO_H_SERIAL]);
        return dir;
    }
    int32_t s = word(op.skey + d), t = word(k + d);
    return s < t ? -dir : s > t ? dir : 0;
}

/* Binary search: R = last item below the key (-1: none); answers whether item R + 1 equals it. */
bool binSearch(Op &op, const unsigned char *p, int *Rout)
{
    int L = 0, R = Op::cnt(p) - 1;
    int last = 1;
    while (R >= L) {
        int k = (L + R) / 2;
        last = cmp(op, op.item(p, k));
        if (last <= 0) R = k - 1;
        if (last >= 0) L = k + 1;
    }
    *Rout = R;
    return L - R > 1;
}

/* minItems: 1 for a page of a tree at rest; 0 for the short page of a deletion in progress */
int readPage(Op &op, int off, unsigned char *p, int minItems = 1)
{
    if (!lioPageValid(op.fd, off)) return LIO_FAIL(F_READPAGE, LIO_E_RECNO);
    if (rdPage(op.fd, off, p) < 0) return LIO_FAIL(F_READPAGE, 0);
    int m = Op::cnt(p);
    if (m < minItems || m > 2 * op.n) return LIO_FAIL(F_READPAGE, LIO_E_CORRUPT);
    return 0;
}

int writePage(Op &op, int off, const unsigned char *p)
{
    if (wrtPage(op.fd, off, p) < 0) return LIO_FAIL(F_WRITEPAGE, 0);
    return 0;
}

/* Loads a caller's key into the search buffer: the user part, with a discriminator of 0 where
 * the index hands out serials; a character key is taken up to its NUL. */
void loadKey(Op &op, const void *key, bool withCallerDisc)
{
    LioFile *fd = op.fd;
    const unsigned char *src = (const unsigned char *)key;
    std::memset(op.skey, 0, sizeof op.skey);
    int start = fd->cmpStart;
    if (start && withCallerDisc) std::memcpy(op.skey, src, 4);
    if (!start || withCallerDisc) src += start;
    unsigned char *dst = op.skey + start;
    if ((fd->hdr[LIO_H_TYPE] & LIO_KEY_TYPEMASK) == LIO_KEY_CHAR) {
        for (int i = 0; i < fd->cmpLen && src[i]; i++) dst[i] = src[i];
    } else {
        std::memcpy(dst, src, fd->cmpLen);
    }
}

void copyOut(const LioFile *fd, const unsigned char *k, void *out)
{
    if (out) std::memcpy(out, k + fd->cmpStart, fd->cmpLen);
}

/* Makes item i of page p (at the end of the path) the current key. */
void setCurrent(Op &op, const unsigned char *p, int i)
{
    LioFile *fd = op.fd;
    std::memcpy(fd->key, op.item(p, i), op.K);
    fd->hasCur = 1;
    fd->pathValid = 1;
    fd->posMod = fd->master->hdrs[LIO_H_MODCOUNT];
}

int push(LioFile *fd, int off)
{
    if (fd->depth >= LIO_MAXDEPTH) return LIO_FAIL(F_BTREESEARCH, LIO_E_CORRUPT);
    fd->pathOff[fd->depth++] = off;
    return 0;
}

/* Descends to the key in op.skey, recording the path to the page that holds it or to the leaf
 * where it would be.  Answers 1 found (record in *rec), 0 not found, -1 failure. */
int locate(Op &op, int *rec)
{
    LioFile *fd = op.fd;
    PoolScope scope;
    unsigned char *p = takePage();
    if (!p) return -1;
    fd->depth = 0;
    int a = fd->hdr[LIO_H_ROOT];
    while (a) {
        if (push(fd, a) < 0 || readPage(op, a, p) < 0) return LIO_FAIL(F_BTREESEARCH, 0);
        int R;
        if (binSearch(op, p, &R)) {
            *rec = op.rec(p, R + 1);
            setCurrent(op, p, R + 1);
            return 1;
        }
        a = op.child(p, R);
    }
    std::memcpy(fd->key, op.skey, op.K);
    fd->hasCur = 1;
    fd->pathValid = 1;
    fd->posMod = fd->master->hdrs[LIO_H_MODCOUNT];
    return 0;
}

/* Finds the first key not smaller than op.skey and makes it current.  Answers its record number,
 * 0 when every key is smaller, -1 on failure. */
int lowerBound(Op &op)
{
    LioFile *fd = op.fd;
    PoolScope scope;
    unsigned char *p = takePage();
    unsigned char *best = takePage();
    if (!p || !best) return -1;
    int bestDepth = 0, bestPos = -1, found = 0;
    fd->depth = 0;
    int a = fd->hdr[LIO_H_ROOT];
    while (a) {
        if (push(fd, a) < 0 || readPage(op, a, p) < 0) return LIO_FAIL(F_LIOSRPRTL, 0);
        int L = 0, R = Op::cnt(p) - 1;
        while (L <= R) { /* first item with key <= item */
            int k = (L + R) / 2;
            if (cmp(op, op.item(p, k)) <= 0)
                R = k - 1;
            else
                L = k + 1;
        }
        if (L < Op::cnt(p)) {
            std::memcpy(best, p, fd->hdr[LIO_H_RECLEN]);
            bestDepth = fd->depth;
            bestPos = L;
            found = 1;
        }
        a = op.child(p, L - 1);
    }
    if (!found) return 0;
    fd->depth = bestDepth;
    setCurrent(op, best, bestPos);
    return op.rec(best, bestPos);
}

/* Descends along p0 (first) or the last child (last) from page a to a leaf. */
int descendEdge(Op &op, int a, bool last, unsigned char *p)
{
    for (;;) {
        if (push(op.fd, a) < 0 || readPage(op, a, p) < 0) return LIO_FAIL(F_BTREEFIRST, 0);
        int c = op.child(p, last ? Op::cnt(p) - 1 : -1);
        if (!c) return 0;
        a = c;
    }
}

int edgeKey(Op &op, bool last, void *out)
{
    LioFile *fd = op.fd;
    PoolScope scope;
    unsigned char *p = takePage();
    if (!p) return -1;
    fd->depth = 0;
    if (descendEdge(op, fd->hdr[LIO_H_ROOT], last, p) < 0)
        return LIO_FAIL(last ? F_BTREELAST : F_BTREEFIRST, 0);
    int i = last ? Op::cnt(p) - 1 : 0;
    setCurrent(op, p, i);
    copyOut(fd, op.item(p, i), out);
    return op.rec(p, i);
}

/* Rebuilds the path when the file changed since the current key was positioned. */
int refreshPath(Op &op)
{
    LioFile *fd = op.fd;
    if (fd->pathValid && fd->posMod == fd->master->hdrs[LIO_H_MODCOUNT]) return 0;
    std::memcpy(op.skey, fd->key, op.K);
    int rec;
    if (locate(op, &rec) < 0) return -1;
    return 0;
}

/* One step to the neighbour of the current key; fwd selects next or previous. */
int step(Op &op, bool fwd, void *out)
{
    LioFile *fd = op.fd;
    int func = fwd ? F_LIONEXT : F_LIOPREV;
    if (refreshPath(op) < 0) return LIO_FAIL(func, 0);
    std::memcpy(op.skey, fd->key, op.K);
    PoolScope scope;
    unsigned char *p = takePage();
    if (!p) return -1;
    int top = fd->pathOff[fd->depth - 1];
    if (readPage(op, top, p) < 0) return LIO_FAIL(func, 0);
    int R;
    bool eq = binSearch(op, p, &R);
    /* i: last item not greater (next) / last item smaller (prev) than the current key */
    int i = fwd ? R + (eq ? 1 : 0) : R;
    int c = op.child(p, i);
    if (c && (!fwd || eq || i >= 0) && (fwd ? true : eq)) {
        if (descendEdge(op, c, !fwd, p) < 0) return LIO_FAIL(func, 0);
        int j = fwd ? 0 : Op::cnt(p) - 1;
        setCurrent(op, p, j);
        copyOut(fd, op.item(p, j), out);
        return op.rec(p, j);
    }
    int j = fwd ? i + 1 : i;
    while (j < 0 || j >= Op::cnt(p)) {
        if (--fd->depth == 0) {
            int r = edgeKey(op, fwd, out);
            return r < 0 ? LIO_FAIL(func, 0) : r;
        }
        if (readPage(op, fd->pathOff[fd->depth - 1], p) < 0) return LIO_FAIL(func, 0);
        eq = binSearch(op, p, &R);
        j = fwd ? R + 1 + (eq ? 1 : 0) : R;
    }
    setCurrent(op, p, j);
    copyOut(fd, op.item(p, j), out);
    return op.rec(p, j);
}

/* ========================================================================= insertion ==== */

struct Rising {
    bool h = false;
    unsigned char item[LIO_MAXKEY + 8];
};

/* Puts the rising item behind position R of page a (image p); splits a full page. */
int btreeInsert(Op &op, int a, unsigned char *p, int R, Rising &v)
{
    PoolScope scope; /* the pages of this level go back on return */
    int n = op.n, m = Op::cnt(p), isz = op.isz;
    if (m < 2 * n) {
        std::memmove(op.item(p, R + 2), op.item(p, R + 1), (size_t)(m - R - 1) * isz);
        std::memcpy(op.item(p, R + 1), v.item, isz);
        p[0] = (unsigned char)(m + 1);
        v.h = false;
        return writePage(op, a, p) < 0 ? LIO_FAIL(F_BTREEINSERT, 0) : 0;
    }
    unsigned char *b = takePage();
    if (!b) return -1;
    int boff = lioAvl(op.fd);
    if (boff < 0) return LIO_FAIL(F_BTREEINSERT, 0);
    unsigned char u[LIO_MAXKEY + 8];
    if (R >= n) {
        std::memcpy(u, op.item(p, n), isz);
        int left = R - n; /* items n+1..R */
        std::memcpy(op.item(b, 0), op.item(p, n + 1), (size_t)left * isz);
        std::memcpy(op.item(b, left), v.item, isz);
        std::memcpy(op.item(b, left + 1), op.item(p, R + 1), (size_t)(2 * n - 1 - R) * isz);
    } else {
        if (R == n - 1) {
            std::memcpy(u, v.item, isz);
        } else {
            std::memcpy(u, op.item(p, n - 1), isz);
            std::memmove(op.item(p, R + 2), op.item(p, R + 1), (size_t)(n - 2 - R) * isz);
            std::memcpy(op.item(p, R + 1), v.item, isz);
        }
        std::memcpy(op.item(b, 0), op.item(p, n), (size_t)n * isz);
    }
    p[0] = (unsigned char)n;
    b[0] = (unsigned char)n;
    setWord(b + 1, word(u + op.K));
    setWord(u + op.K, boff);
    std::memcpy(v.item, u, isz);
    if (writePage(op, boff, b) < 0 || writePage(op, a, p) < 0) return LIO_FAIL(F_BTREEINSERT, 0);
    return 0;
}

/* The recursive descent of an insertion; answers the record number the key now carries. */
int btreeSearch(Op &op, int a, int rec, Rising &v, int level)
{
    PoolScope scope; /* the pages of this level go back on return */
    LioFile *fd = op.fd;
    if (!a) {
        if (op.serialOwn && word(op.skey + op.discOff()) == 0)
            setWord(op.skey + op.discOff(), ++fd->hdr[LIO_H_SERIAL]);
        std::memcpy(v.item, op.skey, op.K);
        setWord(v.item + op.K, 0);
        setWord(v.item + op.K + 4, rec);
        v.h = true;
        fd->hdr[LIO_H_KEYS]++;
        std::memcpy(fd->key, op.skey, op.K);
        fd->hasCur = 1;
        return rec;
    }
    if (level >= LIO_MAXDEPTH) return LIO_FAIL(F_BTREESEARCH, LIO_E_CORRUPT);
    unsigned char *p = takePage();
    if (!p) return -1;
    if (readPage(op, a, p) < 0) return LIO_FAIL(F_BTREESEARCH, 0);
    fd->pathOff[level] = a;
    fd->depth = level + 1;
    int R;
    if (binSearch(op, p, &R)) {
        setCurrent(op, p, R + 1);
        return op.rec(p, R + 1);
    }
    int got = btreeSearch(op, op.child(p, R), rec, v, level + 1);
    if (got < 0) return LIO_FAIL(F_BTREESEARCH, 0);
    if (v.h && btreeInsert(op, a, p, R, v) < 0) return LIO_FAIL(F_BTREESEARCH, 0);
    return got;
}

/* A tree of the greatest height whose pages on the way down are all full cannot take one more
 * key: the root would have to rise above the path stack.  Checked before anything changes. */
int wouldOverflow(Op &op)
{
    LioFile *fd = op.fd;
    PoolScope scope;
    unsigned char *p = takePage();
    if (!p) return -1;
    int a = fd->hdr[LIO_H_ROOT], depth = 0;
    bool allFull = true;
    while (a) {
        if (readPage(op, a, p) < 0) return -1;
        if (++depth > LIO_MAXDEPTH) return LIO_FAIL(F_TRINSERT, LIO_E_CORRUPT);
        int R;
        Op probe = op;
        probe.assign = false;
        probe.full = !op.serialOwn;
        if (binSearch(probe, p, &R) && !op.serialOwn) return 0; /* exists: nothing inserted */
        if (Op::cnt(p) < 2 * op.n) allFull = false;
        a = op.child(p, R);
    }
    return depth == LIO_MAXDEPTH && allFull;
}

int trInsert(Op &op, int rec)
{
    LioFile *fd = op.fd;
    int over = wouldOverflow(op);
    if (over < 0) return LIO_FAIL(F_TRINSERT, 0);
    if (over) return LIO_FAIL(F_TRINSERT, LIO_E_OVERFLOW);
    if (lioMarkChanged(fd) < 0) return LIO_FAIL(F_TRINSERT, 0);
    PoolScope scope;
    Rising v;
    op.assign = true;
    int keysBefore = fd->hdr[LIO_H_KEYS];
    int got = btreeSearch(op, fd->hdr[LIO_H_ROOT], rec, v, 0);
    if (got < 0) return LIO_FAIL(F_TRINSERT, 0);
    if (v.h) {
        unsigned char *r = takePage();
        if (!r) return -1;
        int roff = lioAvl(fd);
        if (roff < 0) return LIO_FAIL(F_TRINSERT, 0);
        r[0] = 1;
        setWord(r + 1, fd->hdr[LIO_H_ROOT]);
        std::memcpy(op.item(r, 0), v.item, op.isz);
        if (writePage(op, roff, r) < 0) return LIO_FAIL(F_TRINSERT, 0);
        fd->hdr[LIO_H_ROOT] = roff;
    }
    if (fd->hdr[LIO_H_KEYS] != keysBefore) fd->pathValid = 0;
    return got;
}

/* ========================================================================== deletion ==== */

/* Child a (at position s of parent c, image cp at coff) holds n - 1 items: borrow or merge. */
int underflow(Op &op, int coff, unsigned char *cp, int aoff, int s, bool &h)
{
    PoolScope scope; /* the pages of this level go back on return */
    int n = op.n, isz = op.isz, K = op.K;
    unsigned char *a = takePage(), *b = takePage();
    if (!a || !b) return -1;
    if (readPage(op, aoff, a, 0) < 0) return LIO_FAIL(F_UNDERFLOW, 0);
    int mc = Op::cnt(cp);
    if (s < mc - 1) {
        s++;
        int boff = op.child(cp, s);
        if (readPage(op, boff, b) < 0) return LIO_FAIL(F_UNDERFLOW, 0);
        int mb = Op::cnt(b), k = (mb - n + 1) / 2;
        std::memcpy(op.item(a, n - 1), op.item(cp, s), isz);
        setWord(op.item(a, n - 1) + K, Op::p0(b));
        if (k > 0) {
            std::memcpy(op.item(a, n), op.item(b, 0), (size_t)(k - 1) * isz);
            std::memcpy(op.item(cp, s), op.item(b, k - 1), isz);
            setWord(op.item(cp, s) + K, boff);
            setWord(b + 1, word(op.item(b, k - 1) + K));
            mb -= k;
            std::memmove(op.item(b, 0), op.item(b, k), (size_t)mb * isz);
            b[0] = (unsigned char)mb;
            a[0] = (unsigned char)(n - 1 + k);
            h = false;
            if (writePage(op, aoff, a) < 0 || writePage(op, boff, b) < 0)
                return LIO_FAIL(F_UNDERFLOW, 0);
        } else {
            std::memcpy(op.item(a, n), op.item(b, 0), (size_t)n * isz);
            a[0] = (unsigned char)(2 * n);
            std::memmove(op.item(cp, s), op.item(cp, s + 1), (size_t)(mc - s - 1) * isz);
            cp[0] = (unsigned char)(mc - 1);
            h = mc - 1 < n;
            if (writePage(op, aoff, a) < 0 || lioFree(op.fd, boff) < 0)
                return LIO_FAIL(F_UNDERFLOW, 0);
        }
    } else {
        int boff = op.child(cp, s - 1);
        if (readPage(op, boff, b) < 0) return LIO_FAIL(F_UNDERFLOW, 0);
        int mb = Op::cnt(b), k = (mb + 1 - n) / 2;
        if (k > 0) {
            std::memmove(op.item(a, k), op.item(a, 0), (size_t)(n - 1) * isz);
            std::memcpy(op.item(a, k - 1), op.item(cp, s), isz);
            setWord(op.item(a, k - 1) + K, Op::p0(a));
            mb -= k;
            std::memcpy(op.item(a, 0), op.item(b, mb + 1), (size_t)(k - 1) * isz);
            setWord(a + 1, word(op.item(b, mb) + K));
            std::memcpy(op.item(cp, s), op.item(b, mb), isz);
            setWord(op.item(cp, s) + K, aoff);
            b[0] = (unsigned char)mb;
            a[0] = (unsigned char)(n - 1 + k);
            h = false;
            if (writePage(op, aoff, a) < 0 || writePage(op, boff, b) < 0)
                return LIO_FAIL(F_UNDERFLOW, 0);
        } else {
            std::memcpy(op.item(b, mb), op.item(cp, s), isz);
            setWord(op.item(b, mb) + K, Op::p0(a));
            std::memcpy(op.item(b, mb + 1), op.item(a, 0), (size_t)(n - 1) * isz);
            b[0] = (unsigned char)(2 * n);
            cp[0] = (unsigned char)(mc - 1);
            h = mc - 1 < n;
            if (writePage(op, boff, b) < 0 || lioFree(op.fd, aoff) < 0)
                return LIO_FAIL(F_UNDERFLOW, 0);
        }
    }
    if (writePage(op, coff, cp) < 0) return LIO_FAIL(F_UNDERFLOW, 0);
    return 0;
}

/* Replaces item k of page ap by the greatest key below page poff. */
int getRep(Op &op, int poff, unsigned char *ap, int k, bool &h, int level)
{
    PoolScope scope; /* the pages of this level go back on return */
    if (level >= LIO_MAXDEPTH) return LIO_FAIL(F_GETREP, LIO_E_CORRUPT);
    unsigned char *p = takePage();
    if (!p) return -1;
    if (readPage(op, poff, p) < 0) return LIO_FAIL(F_GETREP, 0);
    int m = Op::cnt(p);
    int q = op.child(p, m - 1);
    if (q) {
        if (getRep(op, q, ap, k, h, level + 1) < 0) return LIO_FAIL(F_GETREP, 0);
        if (h && underflow(op, poff, p, q, m - 1, h) < 0) return LIO_FAIL(F_GETREP, 0);
        return 0;
    }
    unsigned char *dst = op.item(ap, k);
    const unsigned char *src = op.item(p, m - 1);
    std::memcpy(dst, src, op.K);
    std::memcpy(dst + op.K + 4, src + op.K + 4, 4);
    p[0] = (unsigned char)(m - 1);
    h = m - 1 < op.n;
    if (writePage(op, poff, p) < 0) return LIO_FAIL(F_GETREP, 0);
    return 0;
}

/* Answers the removed key's record number, 0 when it is not below page a, -1 on failure. */
int btreeDelete(Op &op, int a, bool &h, int level)
{
    PoolScope scope; /* the pages of this level go back on return */
    h = false;
    if (!a) return 0;
    if (level >= LIO_MAXDEPTH) return LIO_FAIL(F_BTREEDELETE, LIO_E_CORRUPT);
    unsigned char *p = takePage();
    if (!p) return -1;
    if (readPage(op, a, p) < 0) return LIO_FAIL(F_BTREEDELETE, 0);
    int R;
    bool found = binSearch(op, p, &R);
    int q = op.child(p, R);
    if (found) {
        int k = R + 1, rec = op.rec(p, k), m = Op::cnt(p);
        op.fd->hdr[LIO_H_KEYS]--;
        if (!q) {
            std::memmove(op.item(p, k), op.item(p, k + 1), (size_t)(m - k - 1) * op.isz);
            p[0] = (unsigned char)(m - 1);
            h = m - 1 < op.n;
            if (writePage(op, a, p) < 0) return LIO_FAIL(F_BTREEDELETE, 0);
            return rec;
        }
        if (getRep(op, q, p, k, h, level + 1) < 0) return LIO_FAIL(F_BTREEDELETE, 0);
        if (h) {
            if (underflow(op, a, p, q, R, h) < 0) return LIO_FAIL(F_BTREEDELETE, 0);
        } else if (writePage(op, a, p) < 0) {
            return LIO_FAIL(F_BTREEDELETE, 0);
        }
        return rec;
    }
    if (!q) return 0;
    int rec = btreeDelete(op, q, h, level + 1);
    if (rec < 0) return LIO_FAIL(F_BTREEDELETE, 0);
    if (rec > 0 && h && underflow(op, a, p, q, R, h) < 0) return LIO_FAIL(F_BTREEDELETE, 0);
    return rec;
}

/* ====================================================================== public calls ==== */

int prolog(LioFile *fd, int func)
{
    if (!lioValid(fd)) return LIO_FAIL(func, LIO_E_BADFD);
    if (!fd->master->isIndex) return LIO_FAIL(func, LIO_E_BADARG);
    return 0;
}

bool empty(const LioFile *fd) { return fd->hdr[LIO_H_ROOT] == 0; }

/* lioSearch without its own bracket. */
int search(LioFile *fd, const void *key)
{
    Op op(fd);
    loadKey(op, key, true);
    if (fd->hdr[LIO_H_DUPS]) {
        op.full = false;
        int r = lowerBound(op);
        if (r < 0) return LIO_FAIL(F_LIOSEARCH, 0);
        if (r == 0 || typeCmp(fd, op.skey + fd->cmpStart, fd->key + fd->cmpStart) != 0) return 0;
        return r;
    }
    int rec = 0;
    int f = locate(op, &rec);
    if (f < 0) return LIO_FAIL(F_LIOSEARCH, 0);
    return f ? rec : 0;
}

} // namespace

int lioSearch(LioFile *fd, const void *key)
{
    if (prolog(fd, F_LIOSEARCH) < 0) return -1;
    if (!key) return LIO_FAIL(F_LIOSEARCH, LIO_E_BADARG);
    Bracket br(fd, MU_READ);
    if (!br.ok()) return LIO_FAIL(F_LIOSEARCH, 0);
    if (empty(fd)) return LIO_FAIL(F_LIOSEARCH, LIO_E_EMPTY);
    int r = search(fd, key);
    if (r < 0) return -1;
    if (br.leave() < 0) return LIO_FAIL(F_LIOSEARCH, 0);
    return r;
}

int lioInsert(LioFile *fd, const void *key, int rec)
{
    if (prolog(fd, F_LIOINSERT) < 0) return -1;
    if (!key) return LIO_FAIL(F_LIOINSERT, LIO_E_BADARG);
    if (lioReadOnly(fd)) return LIO_FAIL(F_LIOINSERT, LIO_E_BRDONLY);
    Bracket br(fd);
    if (!br.ok()) return LIO_FAIL(F_LIOINSERT, 0);
    Op op(fd);
    loadKey(op, key, true);
    int r = trInsert(op, rec);
    if (r < 0) return LIO_FAIL(F_LIOINSERT, 0);
    if (br.leave() < 0) return LIO_FAIL(F_LIOINSERT, 0);
    return r;
}

int lioDelete(LioFile *fd, const void *key)
{
    if (prolog(fd, F_LIODELETE) < 0) return -1;
    if (lioReadOnly(fd)) return LIO_FAIL(F_LIODELETE, LIO_E_BRDONLY);
    Bracket br(fd);
    if (!br.ok()) return LIO_FAIL(F_LIODELETE, 0);
    if (key) {
        if (empty(fd)) return LIO_FAIL(F_LIODELETE, LIO_E_EMPTY);
        int r = search(fd, key);
        if (r < 1) return r < 0 ? LIO_FAIL(F_LIODELETE, 0) : 0;
    } else if (!fd->hasCur || empty(fd)) {
        return 0;
    }
    Op op(fd);
    std::memcpy(op.skey, fd->key, op.K);
    if (lioMarkChanged(fd) < 0) return LIO_FAIL(F_LIODELETE, 0);
    PoolScope scope;
    bool h = false;
    int rec = btreeDelete(op, fd->hdr[LIO_H_ROOT], h, 0);
    if (rec < 0) return LIO_FAIL(F_LIODELETE, LIO_E_INTERNAL);
    if (h) {
        unsigned char *p = takePage();
        int root = fd->hdr[LIO_H_ROOT];
        if (!p || rdPage(fd, root, p) < 0) return LIO_FAIL(F_LIODELETE, LIO_E_INTERNAL);
        if (p[0] == 0) {
            fd->hdr[LIO_H_ROOT] = Op::p0(p);
            if (lioFree(fd, root) < 0) return LIO_FAIL(F_LIODELETE, LIO_E_INTERNAL);
        }
    }
    fd->pathValid = 0;
    if (br.leave() < 0) return LIO_FAIL(F_LIODELETE, 0);
    return rec;
}

static int edgeCall(LioFile *fd, void *key, bool last)
{
    int func = last ? F_LIOLAST : F_LIOFIRST;
    if (prolog(fd, func) < 0) return -1;
    Bracket br(fd, MU_READ);
    if (!br.ok()) return LIO_FAIL(func, 0);
    if (empty(fd)) {
        LIO_FAIL(func, LIO_E_EMPTY);
        return 0;
    }
    Op op(fd);
    int r = edgeKey(op, last, key);
    if (r < 0) return LIO_FAIL(func, 0);
    if (br.leave() < 0) return LIO_FAIL(func, 0);
    return r;
}

int lioFirst(LioFile *fd, void *key) { return edgeCall(fd, key, false); }
int lioLast(LioFile *fd, void *key) { return edgeCall(fd, key, true); }

static int stepCall(LioFile *fd, void *key, bool fwd)
{
    int func = fwd ? F_LIONEXT : F_LIOPREV;
    if (prolog(fd, func) < 0) return -1;
    Bracket br(fd, MU_READ);
    if (!br.ok()) return LIO_FAIL(func, 0);
    if (empty(fd)) return LIO_FAIL(func, LIO_E_EMPTY);
    Op op(fd);
    int r = fd->hasCur ? step(op, fwd, key) : edgeKey(op, !fwd, key);
    if (r < 0) return LIO_FAIL(func, 0);
    if (br.leave() < 0) return LIO_FAIL(func, 0);
    return r;
}

int lioNext(LioFile *fd, void *key) { return stepCall(fd, key, true); }
int lioPrev(LioFile *fd, void *key) { return stepCall(fd, key, false); }

int lioSrPrtl(LioFile *fd, const void *key, void *out, int exact)
{
    if (prolog(fd, F_LIOSRPRTL) < 0) return -1;
    if (!key) return LIO_FAIL(F_LIOSRPRTL, LIO_E_BADARG);
    Bracket br(fd, MU_READ);
    if (!br.ok()) return LIO_FAIL(F_LIOSRPRTL, 0);
    if (empty(fd)) {
        LIO_FAIL(F_LIOSRPRTL, LIO_E_EMPTY);
        return 0;
    }
    Op op(fd);
    loadKey(op, key, true);
    op.full = exact != 0;
    op.prefix = exact == 0;
    int r = lowerBound(op);
    if (r < 0) return LIO_FAIL(F_LIOSRPRTL, 0);
    if (r == 0) {
        r = edgeKey(op, true, out);
        if (r < 0) return LIO_FAIL(F_LIOSRPRTL, 0);
    } else {
        copyOut(fd, fd->key, out);
    }
    if (br.leave() < 0) return LIO_FAIL(F_LIOSRPRTL, 0);
    return r;
}

int lioSerNum(LioFile *fd, const void *key, int rec)
{
    if (prolog(fd, F_LIOSERNUM) < 0) return -1;
    if (!key) return LIO_FAIL(F_LIOSERNUM, LIO_E_BADARG);
    Bracket br(fd, MU_READ);
    if (!br.ok()) return LIO_FAIL(F_LIOSERNUM, 0);
    if (empty(fd)) return LIO_FAIL(F_LIOSERNUM, LIO_E_EMPTY);
    int r = search(fd, key);
    if (r < 0) return LIO_FAIL(F_LIOSERNUM, 0);
    if (r > 0 && r != rec && fd->hdr[LIO_H_DUPS]) {
        Op op(fd);
        loadKey(op, key, true);
        unsigned char want[LIO_MAXKEY + 4];
        std::memcpy(want, op.skey, sizeof want);
        for (;;) {
            int before = r;
            unsigned char prevKey[LIO_MAXKEY + 4];
            std::memcpy(prevKey, fd->key, op.K);
            r = step(op, true, nullptr);
            if (r < 0) return LIO_FAIL(F_LIOSERNUM, 0);
            bool same = std::memcmp(prevKey, fd->key, op.K) == 0;
            if (same || typeCmp(fd, want + fd->cmpStart, fd->key + fd->cmpStart) != 0 ||
                r == before) {
                r = 0;
                break;
            }
            if (r == rec) break;
        }
    }
    if (br.leave() < 0) return LIO_FAIL(F_LIOSERNUM, 0);
    return r == rec ? rec : 0;
}

int lioDup(LioFile *fd)
{
    if (!lioValid(fd)) return LIO_FAIL(F_LIODUP, LIO_E_BADFD);
    if (!fd->master->isIndex) return LIO_FAIL(F_LIODUP, LIO_E_BADARG);
    return fd->hdr[LIO_H_DUPS];
}
