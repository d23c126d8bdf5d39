/*
 * lock.cpp - process numbers, record locks and the exclusive owner of a file.
 *
 * Process registry ("proc.id", or the file named by PROCFILE): 4 bytes, the next number to hand
 * out, little-endian.  A process takes its number at its first need: it locks byte 0 of the
 * registry, reads the number, writes it + 1 back and unlocks, so two copies that start together
 * never get the same number.  A child made by fork() is another process and takes its own.
 *
 * The I/O seam at the end of this file is the engine's only way to the disk and to the locks.
 *
 * Record-lock table (header words 24..84 of a record or index file; 17..77 of a variable-length
 * mapper): a count, then up to 30 pairs (record number, process number), kept packed: a removed
 * entry is replaced by the last one.
 */
#include "btree/lioint.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#define MODULE "lock.cpp"

namespace {

int g_procId = -1;
pid_t g_procPid = -1;   /* the OS process that took g_procId */
std::string g_procPath; /* and the registry it came from */

const char *registryPath()
{
    const char *path = getenv("PROCFILE");
    return path && *path ? path : "proc.id";
}

int takeProcId(const char *path)
{
    bool existed = access(path, F_OK) == 0;
    int fh = open(path, O_RDWR | O_CREAT, LIO_CREATMODE);
    if (fh < 0) return LIO_FAIL(F_LIOLOCK, existed ? LIO_E_OPEN : LIO_E_CREAT);
    if (muLockByte0(fh) < 0) {
        close(fh);
        return LIO_FAIL(F_LIOLOCK, LIO_E_LOCK);
    }
    int32_t next = 0;
    ssize_t got = lioPread(fh, &next, 4, 0);
    int id = (got == 4 && next > 0) ? next : 1;
    int32_t after = id + 1;
    bool ok = lioPwrite(fh, &after, 4, 0) == 4;
    muUnlockByte0(fh);
    close(fh);
    if (!ok) return LIO_FAIL(F_LIOLOCK, LIO_E_WRITE);
    return id;
}

} // namespace

int muProcId(void)
{
    pid_t me = getpid();
    const char *path = registryPath();
    if (g_procPid != me || g_procId < 0 || g_procPath != path) {
        int id = takeProcId(path);
        if (id < 0) return -1;
        g_procId = id;
        g_procPid = me;
        g_procPath = path;
    }
    return g_procId;
}

/* ---- record-lock tables ---- */

int lockFind(const LockTable &t, int rec)
{
    for (int i = 0; i < *t.count; i++)
        if (t.pairs[2 * i] == rec) return i;
    return -1;
}

int lockHolder(const LockTable &t, int rec)
{
    int i = lockFind(t, rec);
    return i < 0 ? 0 : t.pairs[2 * i + 1];
}

int lockAdd(const LockTable &t, int rec, int pid)
{
    int i = lockFind(t, rec);
    if (i >= 0) return t.pairs[2 * i + 1] == pid ? 0 : LIO_E_RECLOCK;
    if (*t.count >= LIO_MAXLOCKS) return LIO_E_LOCKFULL;
    t.pairs[2 * *t.count] = rec;
    t.pairs[2 * *t.count + 1] = pid;
    ++*t.count;
    return 0;
}

void lockRemoveAt(const LockTable &t, int i)
{
    int last = --*t.count;
    t.pairs[2 * i] = t.pairs[2 * last];
    t.pairs[2 * i + 1] = t.pairs[2 * last + 1];
    t.pairs[2 * last] = t.pairs[2 * last + 1] = 0;
}

int lockRemove(const LockTable &t, int rec, int pid)
{
    int i = lockFind(t, rec);
    if (i < 0) return 0;
    if (t.pairs[2 * i + 1] != pid) return LIO_E_RECUNLOCK;
    lockRemoveAt(t, i);
    return 0;
}

int lockRemoveAll(const LockTable &t, int pid)
{
    int removed = 0;
    for (int i = *t.count - 1; i >= 0; i--)
        if (t.pairs[2 * i + 1] == pid) {
            lockRemoveAt(t, i);
            removed++;
        }
    return removed;
}

bool lockOthers(const LockTable &t, int pid)
{
    for (int i = 0; i < *t.count; i++)
        if (t.pairs[2 * i + 1] != pid) return true;
    return false;
}

/* ---- record and index files ---- */

LockTable lioLocks(LioFile *fd)
{
    int32_t *h = fd->master->hdrs;
    return LockTable{h + LIO_H_NLOCKS, h + LIO_H_LOCKS};
}

/* Whether another process holds a lock on the record (answers false without any lock). */
int lioLockedByOther(LioFile *fd, int rec)
{
    LockTable t = lioLocks(fd);
    if (*t.count == 0) return 0;
    int holder = lockHolder(t, rec);
    if (!holder) return 0;
    int me = muProcId();
    return me < 0 || holder != me;
}

int lioLock(LioFile *fd, int rec)
{
    if (!lioValid(fd)) return LIO_FAIL(F_LIOLOCK, LIO_E_BADFD);
    if (!(fd->master->mode & LIO_SHARED)) return 0; /* nobody else can reach the file */
    if (lioReadOnly(fd)) return LIO_FAIL(F_LIOLOCK, LIO_E_MODE);
    int me = muProcId();
    if (me < 0) return LIO_FAIL(F_LIOLOCK, 0);
    Bracket br(fd);
    if (!br.ok()) return LIO_FAIL(F_LIOLOCK, 0);
    LockTable t = lioLocks(fd);
    int before = *t.count;
    int err = lockAdd(t, rec, me);
    if (err) return LIO_FAIL(F_LIOLOCK, err);
    if (*t.count != before) fd->master->touched = 1;
    if (br.leave() < 0) return LIO_FAIL(F_LIOLOCK, 0);
    return 0;
}

int lioUnLock(LioFile *fd, int rec)
{
    if (!lioValid(fd)) return LIO_FAIL(F_LIOUNLOCK, LIO_E_BADFD);
    if (!(fd->master->mode & LIO_SHARED) || lioReadOnly(fd)) return 0;
    Bracket br(fd);
    if (!br.ok()) return LIO_FAIL(F_LIOUNLOCK, 0);
    LockTable t = lioLocks(fd);
    if (*t.count == 0) return br.leave() < 0 ? LIO_FAIL(F_LIOUNLOCK, 0) : 0;
    int me = muProcId();
    if (me < 0) return LIO_FAIL(F_LIOUNLOCK, 0);
    int before = *t.count;
    if (rec == 0) {
        lockRemoveAll(t, me);
    } else {
        int err = lockRemove(t, rec, me);
        if (err) return LIO_FAIL(F_LIOUNLOCK, err);
    }
    if (*t.count != before) fd->master->touched = 1;
    if (br.leave() < 0) return LIO_FAIL(F_LIOUNLOCK, 0);
    return 0;
}

/* Exclusive use: under the byte-0 lock, refuse a file another process holds record locks on
 * (13) or owns (19); otherwise record this process as the owner. */
int lioTakeOwner(LioFile *fd)
{
    LioFile *m = fd->master;
    int me = muProcId();
    if (me < 0) return LIO_FAIL(F_MUENTRY, 0);
    if (muLockByte0(m->fh) < 0) return LIO_FAIL(F_MUENTRY, LIO_E_LOCK);
    int rc = 0;
    if (readHead(m) < 0) {
        rc = LIO_FAIL(F_MUENTRY, LIO_E_HDRREAD);
    } else if (m->hdrs[LIO_H_OWNER] && m->hdrs[LIO_H_OWNER] != me) {
        rc = LIO_FAIL(F_MUENTRY, LIO_E_OWNED);
    } else if (lockOthers(lioLocks(m), me)) {
        rc = LIO_FAIL(F_MUENTRY, LIO_E_LOCK);
    } else if (m->hdrs[LIO_H_OWNER] != me) {
        m->hdrs[LIO_H_OWNER] = me;
        if (writeHead(m, m->hdrs[LIO_H_MARK]) < 0) rc = LIO_FAIL(F_MUENTRY, 0);
    }
    muUnlockByte0(m->fh);
    return rc;
}

/* Gives up the owner mark (switch to shared, or close); only the owner may. */
int lioDropOwner(LioFile *fd, int mark)
{
    LioFile *m = fd->master;
    if (!m->hdrs[LIO_H_OWNER]) return 0;
    int me = muProcId();
    if (me < 0 || m->hdrs[LIO_H_OWNER] != me) return LIO_FAIL(F_LIOCLOSE, LIO_E_INTERNAL);
    m->hdrs[LIO_H_OWNER] = 0;
    return writeHead(m, mark);
}

/* ---- the I/O seam ----
 * Every read, write and lock request of the engine passes here.  While no fault is armed a call
 * costs one well-predicted branch and a failure count on top of the system call.  Armed, every
 * call counts; the nth fails (and with `persistent` every one after it).  A failed call (an
 * error, or a write that fell short) is counted for the life of the process, so that an
 * operation can tell a refusal it undid from one cut short by failing I/O. */

namespace {

struct IoFault {
    int armed;       /* counting (and maybe failing) */
    long long calls; /* counted since arming */
    long long nth;   /* 0: count only */
    int err;
    int persistent;
};
IoFault g_io;
LioIoCount g_count;
unsigned g_ioFailures;
unsigned g_changes;

bool ioFails()
{
    long long n = ++g_io.calls;
    if (g_io.nth <= 0 || n < g_io.nth || (n > g_io.nth && !g_io.persistent)) return false;
    errno = g_io.err;
    return true;
}

ssize_t counted(ssize_t got, size_t want, bool writing)
{
    if (got < 0 || (writing && (size_t)got != want)) g_ioFailures++;
    long long bytes = got > 0 ? got : 0;
    if (writing) {
        g_count.writeCalls++;
        g_count.writeBytes += bytes;
    } else {
        g_count.readCalls++;
        g_count.readBytes += bytes;
    }
    return got;
}

} // namespace

int lioIoFault(int nth, int err, int persistent)
{
    g_io = IoFault{nth >= 0, 0, nth > 0 ? nth : 0, err ? err : EIO, persistent != 0};
    return 0;
}

int lioIoCalls(void) { return (int)g_io.calls; }

void lioIoCount(LioIoCount *out)
{
    if (out) *out = g_count;
}
unsigned lioIoFailures() { return g_ioFailures; }
unsigned lioChanges() { return g_changes; }
void lioCountChange() { g_changes++; }

ssize_t lioPread(int fh, void *buf, size_t len, off_t off)
{
    if (__builtin_expect(g_io.armed, 0) && ioFails()) return counted(-1, len, false);
    return counted(pread(fh, buf, len, off), len, false);
}

ssize_t lioPwrite(int fh, const void *buf, size_t len, off_t off)
{
    if (__builtin_expect(g_io.armed, 0) && ioFails()) return counted(-1, len, true);
    return counted(pwrite(fh, buf, len, off), len, true);
}

ssize_t lioPwritev(int fh, const struct iovec *v, int n, off_t off)
{
    size_t want = 0;
    for (int i = 0; i < n; i++) want += v[i].iov_len;
    if (__builtin_expect(g_io.armed, 0) && ioFails()) return counted(-1, want, true);
    return counted(pwritev(fh, v, n, off), want, true);
}

/* A release is never made to fail: nothing could undo it, and the kernel does not refuse one on
 * a valid descriptor. */
int lioLockCall(int fh, int cmd, struct flock *fl)
{
    g_count.lockCalls++;
    if (__builtin_expect(g_io.armed, 0) && fl->l_type != F_UNLCK && ioFails()) return -1;
    return fcntl(fh, cmd, fl);
}
