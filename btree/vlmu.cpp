/*
 * vlmu.cpp - the mapper header of the variable-length store, the multi-user bracket around every
 * operation on a shared store, its record locks and its exclusive owner.
 *
 * Mapper header: 78 little-endian 32-bit words (312 bytes) at offset 0 of base + ".mp".
 *
 *   offset  size  word   meaning
 *   0       4     0      magic 310
 *   4       4     1      highest record number handed out
 *   8       4     2      head of the freed record numbers, 0 = none
 *   12      4     3      freed record numbers
 *   16      4     4      end of the store: offset of the next new area
 *   20      4     5      bytes on the delete heap
 *   24      4     6      mark: 42 clean, 38 modified
 *   28      4     7      0
 *   32      4     8      min, the smallest area size (a multiple of g)
 *   36      4     9      max, the longest stored length (record length + 4)
 *   40      4     10     g, the granule of area sizes
 *   44      4     11     offset of the map: ((max - min + 1) / g + 1) * 4 + 312
 *   48      4     12     stash size
 *   52      4     13     last record serial handed out by the ISAM layer
 *   56      4     14     0
 *   60      4     15     open count
 *   64      4     16     process number of the exclusive owner, 0 = none
 *   68      4     17     record-lock entries
 *   72      240   18-77  30 pairs (record number, process number), packed
 *
 * The bracket (shared mode, 0x8000): lock byte 0 of the mapper (a read lock for a reader),
 * re-read and check the header,
 * refuse a store another process owns (19), act, write the header with mark 42 when anything
 * changed, unlock.  Before the first change inside a bracket the header goes to disk with mark
 * 38, so that a process that dies in the middle leaves a store that opens read-only.
 *
 * Words 15..19 of a shared store opened twice, process 3 holding record 7 locked:
 *   02 00 00 00  00 00 00 00  01 00 00 00  07 00 00 00  03 00 00 00
 *   open count 2, no owner,   one lock,    record 7,    process 3
 *
 * Invariants kept:
 *   (1) In shared mode every operation works on a header read under the byte-0 lock of the
 *       mapper; nothing of the header is trusted from an earlier operation.
 *   (2) A header is taken into the descriptor only after vlHeadCheck passed on it, against the
 *       real sizes of both files; so no later offset derived from it lies past their ends.
 *   (3) The mark on disk is 38 from the first change of a bracket (or, in exclusive mode, of the
 *       first change after a clean header write) until the header is written clean again.
 *   (4) The owner word names a process only while that process has the store open exclusively;
 *       an exclusive open is refused while another process holds record locks (13).
 *   (5) The lock table holds at most 30 entries, one per record.
 */
#include "btree/vlint.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#define MODULE "vlmu.cpp"

namespace {

bool between(long long v, long long lo, long long hi) { return v >= lo && v <= hi; }

void deriveGeometry(VlFile *fd)
{
    const int32_t *h = fd->hdr;
    fd->classes = (h[VL_H_MAX] - h[VL_H_MIN] + 1) / h[VL_H_GRAN] + 1;
    fd->dataStart = VL_STOREHDR + h[VL_H_STASH];
}

} // namespace

/* Readers take a read lock on byte 0 (possible on a handle opened read-only), so that they never
 * see a header half written by a writer. */
int vlLockMapper(int fh, bool reader) { return muLockByte0(fh, reader); }

/* 0 for a sound header, else the error code: 436 parameters that make no sense or disagree with
 * the store's copy, 435 anything else out of range of the files as they are. */
int vlHeadCheck(const int32_t *h, long long mapSize, long long storeSize, const int32_t *sh)
{
    long long min = h[VL_H_MIN], max = h[VL_H_MAX], g = h[VL_H_GRAN];
    if (!between(g, 1, VL_MAXGRAN) || !between(min, VL_FREEFORM, VL_MAXMIN) || min % g != 0 ||
        !between(max, VL_FREEFORM, VL_MAXMAX))
        return VL_E_SYNC;
    if (sh[0] != min || sh[1] != max || sh[2] != g) return VL_E_SYNC;
    long long classes = (max - min + 1) / g + 1;
    if (classes < 1) return VL_E_SYNC;
    long long mapOff = classes * 4 + VL_HDRSIZE;
    if (h[VL_H_MAPOFF] != mapOff) return VL_E_CORRUPT;
    if (!between(h[VL_H_STASH], 0, VL_MAXSTASH)) return VL_E_CORRUPT;
    long long start = VL_STOREHDR + h[VL_H_STASH], end = h[VL_H_END];
    if (end < start || end > storeSize) return VL_E_CORRUPT;
    long long highest = h[VL_H_HIGHEST];
    if (highest < 0 || mapOff + highest * 8 > mapSize) return VL_E_CORRUPT;
    if (!between(h[VL_H_FREECOUNT], 0, highest) || !between(h[VL_H_FREEHEAD], 0, highest) ||
        (h[VL_H_FREECOUNT] == 0) != (h[VL_H_FREEHEAD] == 0))
        return VL_E_CORRUPT;
    if (!between(h[VL_H_HEAPBYTES], 0, end - start)) return VL_E_CORRUPT;
    if (!between(h[VL_H_NLOCKS], 0, LIO_MAXLOCKS) || h[VL_H_OWNER] < 0 || h[VL_H_OPENCOUNT] < 0)
        return VL_E_CORRUPT;
    return 0;
}

int readVlHead(VlFile *fd)
{
    int32_t h[VL_HDRWORDS], sh[3];
    if (lioPread(fd->mfh, h, VL_HDRSIZE, 0) != VL_HDRSIZE)
        return LIO_FAIL(F_READVLHEAD, LIO_E_HDRREAD);
    if (h[VL_H_MAGIC] != LIO_MAGIC) return LIO_FAIL(F_READVLHEAD, LIO_E_VERSION);
    struct stat ms, ss;
    if (fstat(fd->mfh, &ms) < 0 || fstat(fd->sfh, &ss) < 0)
        return LIO_FAIL(F_READVLHEAD, LIO_E_HDRREAD);
    if (lioPread(fd->sfh, sh, VL_STOREHDR, 0) != VL_STOREHDR)
        return LIO_FAIL(F_READVLHEAD, VL_E_CORRUPT);
    int err = vlHeadCheck(h, ms.st_size, ss.st_size, sh);
    if (err) return LIO_FAIL(F_READVLHEAD, err);
    memcpy(fd->hdr, h, VL_HDRSIZE);
    deriveGeometry(fd);
    return 0;
}

int writeVlHead(VlFile *fd, int mark)
{
    if (fd->unfinished) mark = LIO_MARK_DIRTY;
    fd->hdr[VL_H_MARK] = mark;
    if (lioPwrite(fd->mfh, fd->hdr, VL_HDRSIZE, 0) != VL_HDRSIZE)
        return LIO_FAIL(F_WRITEVLHEAD, LIO_E_HDRWRITE);
    return 0;
}

int vlMarkChanged(VlFile *fd)
{
    fd->touched = 1;
    lioCountChange();
    if (fd->mode & LIO_SHARED) {
        if (fd->markedDirty) return 0;
        fd->markedDirty = 1;
    } else if (fd->hdr[VL_H_MARK] != LIO_MARK_CLEAN) {
        return 0;
    }
    return writeVlHead(fd, LIO_MARK_DIRTY);
}

int vlChangeDone(VlFile *fd)
{
    if (!(fd->mode & LIO_SHARED) && (fd->mode & LIO_WCLEAN)) return writeVlHead(fd, LIO_MARK_CLEAN);
    return 0;
}

/* ---- the bracket ---- */

int vlMuEntry(VlFile *fd)
{
    if (!vlValid(fd)) return LIO_FAIL(F_VLMUENTRY, VL_E_BADFD);
    if (!(fd->mode & LIO_SHARED) || fd->inside) return 0;
    bool reader = (fd->mode & LIO_RDONLY) != 0;
    if (vlLockMapper(fd->mfh, reader) < 0) return LIO_FAIL(F_VLMUENTRY, LIO_E_LOCK);
    if (readVlHead(fd) < 0) {
        muUnlockByte0(fd->mfh);
        return LIO_FAIL(F_VLMUENTRY, 0);
    }
    int owner = fd->hdr[VL_H_OWNER];
    if (owner && !reader && owner != muProcId()) {
        muUnlockByte0(fd->mfh);
        return LIO_FAIL(F_VLMUENTRY, LIO_E_OWNED);
    }
    fd->inside = 1;
    fd->touched = 0;
    fd->markedDirty = 0;
    fd->staleDirty = !reader && fd->hdr[VL_H_MARK] != LIO_MARK_CLEAN;
    return 1;
}

/* As muLeave of record files: after an operation cut short by failing I/O the header goes out
 * with mark 38 again; a mapper that carried 38 on entry keeps it. */
int vlMuLeave(VlFile *fd, int entered, bool cutShort)
{
    if (entered != 1) return 0;
    if (!vlValid(fd)) return LIO_FAIL(F_VLMUENTRY, VL_E_BADFD);
    int rc = 0;
    bool unfinished = (cutShort && fd->markedDirty) || fd->staleDirty;
    int mark = unfinished ? LIO_MARK_DIRTY : LIO_MARK_CLEAN;
    if (fd->touched && !(fd->mode & LIO_RDONLY) && writeVlHead(fd, mark) < 0)
        rc = LIO_FAIL(F_VLMUENTRY, VL_E_MUEXIT);
    fd->inside = 0;
    fd->touched = 0;
    fd->markedDirty = 0;
    fd->staleDirty = 0;
    if (muUnlockByte0(fd->mfh) < 0 && rc == 0) rc = LIO_FAIL(F_VLMUENTRY, LIO_E_UNLOCK);
    return rc;
}

int vlMuExit(VlFile *fd, int entered) { return vlMuLeave(fd, entered, false); }

void vlNoteUnfinished(VlFile *fd)
{
    if (vlValid(fd) && !(fd->mode & LIO_SHARED)) fd->unfinished = 1;
}

/* ---- record locks ---- */

LockTable vlLocks(VlFile *fd) { return LockTable{fd->hdr + VL_H_NLOCKS, fd->hdr + VL_H_LOCKS}; }

int vlLockedByOther(VlFile *fd, int rec)
{
    LockTable t = vlLocks(fd);
    if (*t.count == 0) return 0;
    int holder = lockHolder(t, rec);
    if (!holder) return 0;
    int me = muProcId();
    return me < 0 || holder != me;
}

int vlLock(VlFile *fd, int rec)
{
    if (!vlValid(fd)) return LIO_FAIL(F_VLLOCK, VL_E_BADFD);
    if (!(fd->mode & LIO_SHARED)) return 0; /* nobody else can reach the store */
    if (fd->mode & LIO_RDONLY) return LIO_FAIL(F_VLLOCK, LIO_E_MODE);
    if (rec < 1) return LIO_FAIL(F_VLLOCK, LIO_E_BADARG);
    int me = muProcId();
    if (me < 0) return LIO_FAIL(F_VLLOCK, 0);
    VlBracket br(fd);
    if (!br.ok()) return LIO_FAIL(F_VLLOCK, 0);
    LockTable t = vlLocks(fd);
    int before = *t.count;
    int err = lockAdd(t, rec, me);
    if (err) return LIO_FAIL(F_VLLOCK, err);
    if (*t.count != before) fd->touched = 1;
    if (br.leave() < 0) return LIO_FAIL(F_VLLOCK, 0);
    return 0;
}

int vlUnLock(VlFile *fd, int rec)
{
    if (!vlValid(fd)) return LIO_FAIL(F_VLUNLOCK, VL_E_BADFD);
    if (!(fd->mode & LIO_SHARED) || (fd->mode & LIO_RDONLY)) return 0;
    VlBracket br(fd);
    if (!br.ok()) return LIO_FAIL(F_VLUNLOCK, 0);
    LockTable t = vlLocks(fd);
    if (*t.count) {
        int me = muProcId();
        if (me < 0) return LIO_FAIL(F_VLUNLOCK, 0);
        int before = *t.count;
        if (rec == 0) {
            lockRemoveAll(t, me);
        } else {
            int err = lockRemove(t, rec, me);
            if (err) return LIO_FAIL(F_VLUNLOCK, err);
        }
        if (*t.count != before) fd->touched = 1;
    }
    if (br.leave() < 0) return LIO_FAIL(F_VLUNLOCK, 0);
    return 0;
}

int vlLockCheck(VlFile *fd, int rec)
{
    if (!vlValid(fd)) return LIO_FAIL(F_VLLOCKCHECK, VL_E_BADFD);
    VlBracket br(fd);
    if (!br.ok()) return LIO_FAIL(F_VLLOCKCHECK, 0);
    int held = vlLockedByOther(fd, rec);
    if (br.leave() < 0) return LIO_FAIL(F_VLLOCKCHECK, 0);
    return held ? 1 : 0;
}

/* ---- exclusive owner ---- */

/* Under the byte-0 lock: refuse a store another process owns (19) or holds record locks on (13),
 * else record this process as the owner. */
int vlTakeOwner(VlFile *fd)
{
    int me = muProcId();
    if (me < 0) return LIO_FAIL(F_VLMUENTRY, 0);
    if (muLockByte0(fd->mfh) < 0) return LIO_FAIL(F_VLMUENTRY, LIO_E_LOCK);
    int rc = 0;
    if (readVlHead(fd) < 0) {
        rc = LIO_FAIL(F_VLMUENTRY, 0);
    } else if (fd->hdr[VL_H_OWNER] && fd->hdr[VL_H_OWNER] != me) {
        rc = LIO_FAIL(F_VLMUENTRY, LIO_E_OWNED);
    } else if (lockOthers(vlLocks(fd), me)) {
        rc = LIO_FAIL(F_VLMUENTRY, LIO_E_LOCK);
    } else {
        fd->hdr[VL_H_OWNER] = me;
        if (writeVlHead(fd, fd->hdr[VL_H_MARK]) < 0)
            rc = LIO_FAIL(F_VLMUENTRY, 0);
        else
            fd->owns = 1;
    }
    muUnlockByte0(fd->mfh);
    return rc;
}

int vlDropOwner(VlFile *fd, int mark)
{
    if (!fd->owns) return 0;
    int me = muProcId();
    if (me < 0 || fd->hdr[VL_H_OWNER] != me) return LIO_FAIL(F_VLCLOSE, LIO_E_INTERNAL);
    fd->hdr[VL_H_OWNER] = 0;
    fd->owns = 0;
    return writeVlHead(fd, mark);
}

int vlSetMode(VlFile *fd, int mode)
{
    if (!vlValid(fd)) return LIO_FAIL(F_VLSETMODE, VL_E_BADFD);
    if (mode == 0) return fd->mode;
    int want;
    if (lioNormMode(fd->mode, mode, &want) < 0) return LIO_FAIL(F_VLSETMODE, LIO_E_BADARG);
    if (!(want & LIO_RDONLY) && fd->readOnlyFh) return LIO_FAIL(F_VLSETMODE, LIO_E_MODE);
    bool wasShared = fd->mode & LIO_SHARED, toShared = want & LIO_SHARED;
    if (!wasShared && !(fd->mode & LIO_RDONLY) && (want & LIO_RDONLY)) {
        if (writeVlHead(fd, LIO_MARK_CLEAN) < 0) return LIO_FAIL(F_VLSETMODE, 0);
    }
    /* the owner mark goes with exclusive use: kept through read-only, given up when shared */
    if (!toShared && !(want & LIO_RDONLY) && !fd->owns && vlTakeOwner(fd) < 0)
        return LIO_FAIL(F_VLSETMODE, 0);
    if (toShared && fd->owns && vlDropOwner(fd, LIO_MARK_CLEAN) < 0)
        return LIO_FAIL(F_VLSETMODE, 0);
    fd->mode = want;
    return fd->mode;
}
