/*
 * isbatch.cpp - walks in batches (bt3SetBatch).  A step in shared mode outside any bracket reads
 * its own row and the rows that follow under one bracket of the data file and the indices,
 * keeping for each what its step would have answered; the steps after it hand them out.  The
 * step itself, finds and changes are in isamv3.cpp.
 *
 * A batch: the index stepped for every row, then their records read (through the cache of the
 * shared file when it is on, else in runs of neighbouring record numbers), then each row's
 * status against the row before, as a step computes it.
 *
 * Invariants kept:
 *   (1) While a batch has rows left, the current index stands on the last row read, not on the
 *       current record.  Dropping the batch puts it back on the current record's key, its path
 *       to be found again from the key (as after another process's change), so that the next
 *       index operation goes on exactly as after a single step.  Every operation of isamv3.cpp
 *       that positions, reads or changes drops the batch first.
 *   (2) Rows are handed out only while nothing else happened: the same index, direction and
 *       mode, no bracket held, no change by this process (lioChanges), the data file's headers
 *       in memory as the batch left them (a lock or unlock through the handle changes them).
 *   (3) Only reads: the stored bytes are those of the same operations without batches.
 *
 * Sizes: 32 rows, then twice the size of the batch before while the walk goes on, up to the
 * handle's cap and 1 MB of rows.  After a drop the next batch reads as many rows as the dropped
 * one handed out (a walk that rewrites every row it meets reads one row a step, as without
 * batches), at most 32.
 */
#include "btree/isint.h"

#include <algorithm>
#include <cstring>

#define MODULE "isbatch.cpp"

namespace {

int g_batchCap = BT3_BATCH;
const int kFirstBatch = 32;
const long kBatchBytes = 1L << 20;
const long kRunBytes = 1L << 16; /* most bytes of one read of neighbouring records */

int batchCap(const Bt3File *fd) { return fd->batch.cap < 0 ? g_batchCap : fd->batch.cap; }

/* The current index back on the current record's key (invariant (5)). */
void park(Bt3File *fd)
{
    Bt3Batch &b = fd->batch;
    if (!fd->curRec || b.cur >= fd->nkeys) return;
    LioFile *x = fd->inx[b.cur];
    bt3BuildKey(fd->keys[b.cur], fd->copy.data(), x->key);
    x->hasCur = 1;
    x->pathValid = 0;
}

/* Nothing happened on the handle, nor any change in this process, since the batch was read. */
bool goesOn(const Bt3File *fd, bool fwd)
{
    const Bt3Batch &b = fd->batch;
    if (b.n == 0 || !fd->dat || b.fwd != (int)fwd || b.cur != fd->cur) return false;
    const LioFile *m = fd->dat->master;
    return fd->curRec == b.rec[b.next - 1] && b.changes == lioChanges() && m->mode == b.mode &&
           !m->inside && memcmp(b.hdr, fd->dat->hdr, sizeof b.hdr) == 0;
}

/* Reads the stored records of rows [from, n) of the batch in runs of neighbouring record numbers,
 * one read a run (a record of the data file lies at header + stash + (number - 1) * length, as
 * the record file places it); answers the first row, in walk order, that could not be read. */
int readRows(Bt3File *fd, int from)
{
    Bt3Batch &b = fd->batch;
    const LioFile *d = fd->dat;
    long sz = d->hdr[LIO_H_RECLEN];
    if (shareActive(d)) { /* the cache reads the file in blocks and keeps them */
        int m = from;
        while (m < b.n && rawRead(fd->dat, b.rec[m], &b.stored[m * sz]) == sz) m++;
        return m;
    }
    long gap = std::max(1L, 4096 / sz), most = std::max(1L, kRunBytes / sz);
    int top = d->hdr[LIO_H_LIVE] + d->hdr[LIO_H_DELETED];
    std::vector<int> order;
    for (int i = from; i < b.n; i++) order.push_back(i);
    std::sort(order.begin(), order.end(), [&b](int x, int y) { return b.rec[x] < b.rec[y]; });
    std::vector<char> ok(b.n, 0);
    std::vector<unsigned char> run;
    for (size_t i = 0, j; i < order.size(); i = j) {
        int first = b.rec[order[i]];
        for (j = i + 1; j < order.size(); j++) {
            int r = b.rec[order[j]];
            if (r - b.rec[order[j - 1]] > gap || r - first >= most) break;
        }
        int last = b.rec[order[j - 1]];
        if (first < 1 || last > top) continue;
        size_t len = (size_t)(last - first + 1) * sz;
        run.resize(len);
        long long off = (long long)d->hdrArea + d->hdr[LIO_H_STASH] + (long long)(first - 1) * sz;
        if (lioPread(d->fh, run.data(), len, off) != (ssize_t)len) continue;
        for (size_t k = i; k < j; k++) {
            int row = order[k];
            memcpy(&b.stored[row * sz], &run[(b.rec[row] - first) * sz], sz);
            ok[row] = 1;
        }
    }
    int m = from;
    while (m < b.n && ok[m]) m++;
    return m;
}

/* The step proper under the brackets of the data file and the indices, then up to rows - 1 rows
 * more read ahead: the index stepped for all of them, then their records read.  A failure while
 * reading ahead ends the batch before that row: the step that meets it will read it again. */
int readBatch(Bt3File *fd, char *buf, bool fwd, int func, int rows)
{
    int len = bt3StepFrom(fd, buf, fwd, func);
    if (len <= 0 || !fd->curRec) return len;
    Bt3Batch &b = fd->batch;
    const Bt3Key &k = fd->keys[fd->cur];
    LioFile *x = fd->inx[fd->cur];
    size_t sz = fd->reclen + BT3_SERIAL;
    rows = (int)std::min((long)rows, std::max(1L, kBatchBytes / (long)sz));
    if (b.rec.size() < (size_t)rows) {
        b.stored.resize(rows * sz);
        b.rec.resize(rows);
        b.len.resize(rows);
        b.status.resize(rows);
    }
    memcpy(b.stored.data(), fd->copy.data(), sz);
    b.rec[0] = fd->curRec;
    b.len[0] = len;
    b.status[0] = fd->status;
    b.n = b.next = 1;
    b.exact = 1;
    b.fwd = fwd;
    b.cur = fd->cur;
    b.grow = rows;
    bool atEdge = fd->status == (fwd ? BT3_ATEND : BT3_ATSTART);
    while (b.n < rows && !atEdge) {
        int r = fwd ? lioNext(x, nullptr) : lioPrev(x, nullptr);
        if (r <= 0) {
            b.exact = 0;
            break;
        }
        atEdge = r == b.rec[b.n - 1]; /* the last one again */
        b.rec[b.n++] = r;
    }
    int m = readRows(fd, 1);
    if (m < b.n) {
        b.n = m;
        b.exact = 0;
    }
    unsigned char was[LIO_MAXKEY + 4];
    for (int i = 1; i < b.n; i++) {
        bt3BuildKey(k, &b.stored[(i - 1) * sz], was);
        b.len[i] = fd->reclen;
        b.status[i] = bt3StepStatus(k, b.rec[i - 1], was, b.rec[i], &b.stored[i * sz], fwd);
    }
    return len;
}

/* The next row of the batch, as its step made it current. */
int handOut(Bt3File *fd, char *buf)
{
    Bt3Batch &b = fd->batch;
    size_t sz = fd->reclen + BT3_SERIAL;
    int i = b.next++;
    memcpy(fd->copy.data(), &b.stored[i * sz], sz);
    bt3TakeCurrent(fd, b.rec[i], b.len[i], buf);
    fd->status = b.status[i];
    return b.len[i];
}

/* Rows the step reads: 0 when it reads only its own, outside batches. */
int batchRows(Bt3File *fd, bool goingOn)
{
    const Bt3Batch &b = fd->batch;
    int cap = batchCap(fd);
    if (!fd->dat || cap <= 0) return 0;
    int mode = fd->dat->master->mode;
    if (!(mode & LIO_SHARED) || (mode & LIO_RDLOCK) || fd->dat->master->inside) return 0;
    int rows = b.grow == 0 ? kFirstBatch : goingOn ? 2 * b.grow : b.grow;
    return std::max(1, std::min(rows, cap));
}

} // namespace

/* Forgets the rows not handed out. */
void bt3DropBatch(Bt3File *fd)
{
    Bt3Batch &b = fd->batch;
    if (b.n == 0) return;
    if (b.next < b.n || !b.exact) park(fd);
    if (b.next < b.n) b.grow = b.next;
    b.grow = std::min(b.grow, (int)kFirstBatch);
    b.n = b.next = 0;
}

int bt3BatchStep(Bt3File *fd, char *buf, bool fwd, int func)
{
    Bt3Batch &b = fd->batch;
    bool on = goesOn(fd, fwd);
    if (on && b.next < b.n) return handOut(fd, buf);
    if (on && !b.exact) park(fd);
    if (on) b.n = b.next = 0;
    bt3DropBatch(fd);
    int rows = batchRows(fd, on);
    if (!rows)
        return bt3Locked(fd, BT3_LK_DATA, func, [&] { return bt3StepFrom(fd, buf, fwd, func); });
    int len = bt3Locked(fd, BT3_LK_DATA | BT3_LK_READ, func,
                        [&] { return readBatch(fd, buf, fwd, func, rows); });
    if (len <= 0) {
        bt3DropBatch(fd);
        return len;
    }
    b.mode = fd->dat->master->mode;
    b.changes = lioChanges();
    memcpy(b.hdr, fd->dat->hdr, sizeof b.hdr);
    return len;
}

int bt3SetBatch(Bt3File *fd, int rows)
{
    bt3RegisterMessages();
    if (fd && bt3CheckHandle(fd, F_BT3SETMODE) < 0) return -1;
    if (rows < 0) return LIO_FAIL(F_BT3SETMODE, LIO_E_BADARG);
    int old = fd ? batchCap(fd) : g_batchCap;
    if (!fd) {
        g_batchCap = rows;
        return old;
    }
    bt3DropBatch(fd);
    fd->batch.cap = rows;
    fd->batch.grow = 0;
    return old;
}
