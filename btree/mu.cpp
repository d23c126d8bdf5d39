/*
 * mu.cpp - the multi-user bracket around every operation on a shared file.
 *
 * In shared mode (0x8000) each operation locks byte 0 of the file (a read lock when it only
 * reads), re-reads all headers, works through the cache of shared files (scache.cpp, valid while
 * the headers' modification counter is unchanged), writes the headers back with mark 42 when it
 * changed anything, and unlocks.  A change never writes a byte while only a read lock is held:
 * it converts the lock first (muMayWrite, muEnter) or is refused with 13.
 * The bracket is not re-entered: an operation that calls another one inside its own bracket gets 0
 * from muEntry and the inner muExit does nothing.
 *
 * The lock is an open-file-description lock (F_OFD_SETLK): it belongs to the descriptor that
 * took it.  Classic POSIX record locks (F_SETLK) belong to the process, are dropped when the
 * process closes any other descriptor of the same file, and never exclude two descriptors of one
 * process from each other; either would let two users' changes interleave.  F_SETLK is used only
 * where the kernel refuses OFD locks.
 *
 * At the end: the mark of a running copy on its database directory (muHoldInUse).
 */
#include "btree/lioint.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#define MODULE "mu.cpp"

namespace {

bool g_noOfd; /* the kernel refused OFD locks once: use process locks from then on */

int setLock(int fh, short type, off_t at = 0)
{
    struct flock fl = {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = at;
    fl.l_len = 1;
    if (!g_noOfd) {
        if (lioLockCall(fh, F_OFD_SETLK, &fl) == 0) return 0;
        if (errno != EINVAL) return -1;
        g_noOfd = true;
    }
    fl.l_pid = 0;
    return lioLockCall(fh, F_SETLK, &fl);
}

/* Only another process's lock is worth waiting for; an I/O or resource error stays. */
bool contended() { return errno == EAGAIN || errno == EACCES || errno == EINTR; }

void pause(long usec)
{
    struct timespec ts = {usec / 1000000, (usec % 1000000) * 1000};
    nanosleep(&ts, nullptr);
}

/* Ten attempts one right after the other, then short sleeps for about two seconds in all: under
 * ordinary contention between a few running copies ten immediate attempts last microseconds and
 * would throw the user's change away.  Any other failure (the kernel's lock table full, an I/O
 * error on a network file system) answers at once: waiting would not change it. */
int lockPatiently(int fh, short type, off_t at)
{
    for (int i = 0; i < 10; i++) {
        if (setLock(fh, type, at) == 0) return 0;
        if (!contended()) return -1;
    }
    long waited = 0, step = 200;
    while (waited < 2000000) {
        pause(step);
        waited += step;
        if (setLock(fh, type, at) == 0) return 0;
        if (!contended()) return -1;
        if (step < 20000) step *= 2;
    }
    return -1;
}

} // namespace

int muLockByte0(int fh, bool shared) { return lockPatiently(fh, shared ? F_RDLCK : F_WRLCK, 0); }

int muUnlockByte0(int fh) { return setLock(fh, F_UNLCK); }

namespace {

/* Headers, owner and cache check of a bracket just entered (the lock, if any, is held). */
int enterHeld(LioFile *m, int kind)
{
    bool rdonly = (m->mode & LIO_RDONLY) != 0;
    if (readHead(m) < 0) {
        if (kind) muUnlockByte0(m->fh);
        return LIO_FAIL(F_MUENTRY, LIO_E_HDRREAD);
    }
    int owner = m->hdrs[LIO_H_OWNER];
    if (owner && !rdonly && owner != muProcId()) {
        if (kind) muUnlockByte0(m->fh);
        return LIO_FAIL(F_MUENTRY, LIO_E_OWNED);
    }
    m->inside = 1;
    m->lockKind = kind;
    m->touched = 0;
    m->markedDirty = 0;
    m->staleDirty = 0;
    m->failuresAtEntry = lioIoFailures();
    int n = m->isIndex ? m->hdrs[LIO_H_NFILES] : 1;
    for (int i = 0; !rdonly && i < n; i++)
        if (m->hdrs[i * LIO_HDRWORDS + LIO_H_MARK] != LIO_MARK_CLEAN) m->staleDirty = 1;
    shareCheck(m);
    return 1;
}

/* A read lock becomes a write lock on the same descriptor: the kernel converts it without
 * giving it up, so the headers read under it stay valid. */
int upgrade(LioFile *m)
{
    if (m->lockKind == MU_LK_WRITE) return 0;
    if (m->lockKind != MU_LK_READ || lockPatiently(m->fh, F_WRLCK, 0) < 0)
        return LIO_FAIL(F_MUENTRY, LIO_E_LOCK);
    m->lockKind = MU_LK_WRITE;
    return 0;
}

} // namespace

int muEnter(LioFile *fd, int how)
{
    if (!lioValid(fd)) return LIO_FAIL(F_MUENTRY, LIO_E_BADFD);
    LioFile *m = fd->master;
    if (!(m->mode & LIO_SHARED)) return 0;
    bool rdonly = (m->mode & LIO_RDONLY) != 0;
    if (m->inside) {
        if (how != MU_WRITE || rdonly || m->lockKind == MU_LK_WRITE) return 0;
        if (m->lockKind == MU_LK_READ) return upgrade(m) < 0 ? -1 : 0;
        /* a change inside a lock-free index bracket takes the lock as a bracket of its own */
        if (muLockByte0(m->fh) < 0) return LIO_FAIL(F_MUENTRY, LIO_E_LOCK);
        if (enterHeld(m, MU_LK_WRITE) < 0) {
            m->inside = 1;
            m->lockKind = 0;
            return -1;
        }
        m->guardBelow = 1;
        return 1;
    }
    if (how == MU_GUARD) return enterHeld(m, 0);
    /* A reader takes a read lock: without it, it could read a header half written by a writer.
     * A read in mode LIO_RDLOCK enters a record lock in the header: a change. */
    bool reader = rdonly || (how == MU_READ && !(m->mode & LIO_RDLOCK));
    if (muLockByte0(m->fh, reader) < 0) return LIO_FAIL(F_MUENTRY, LIO_E_LOCK);
    return enterHeld(m, reader ? MU_LK_READ : MU_LK_WRITE);
}

int muEntry(LioFile *fd) { return muEnter(fd, MU_WRITE); }

int muMayWrite(LioFile *fd)
{
    LioFile *m = fd->master;
    if (!(m->mode & LIO_SHARED) || !m->inside || m->lockKind == MU_LK_WRITE) return 0;
    if (m->lockKind == MU_LK_READ) return upgrade(m);
    return LIO_FAIL(F_MUENTRY, LIO_E_LOCK);
}

/* Leaves the bracket.  An operation cut short by failing I/O may leave half a change: when this
 * bracket already put mark 38 on disk, the headers are written with 38 again (they tell a repair
 * how far the file reaches now), so the next open (or velk-check) sees it.  A file that carried
 * 38 when the bracket was entered (another process died or failed inside an operation) keeps it
 * too: marking it clean would hide the damage from everyone who opens it later.  Headers are
 * written only under the write lock: a change that could not get it wrote nothing. */
int muLeave(LioFile *fd, int entered, bool cutShort)
{
    if (entered != 1) return 0;
    if (!lioValid(fd)) return LIO_FAIL(F_MUEXIT, LIO_E_BADFD);
    LioFile *m = fd->master;
    int rc = 0;
    bool unfinished = (cutShort && m->markedDirty) || m->staleDirty;
    int mark = unfinished ? LIO_MARK_DIRTY : LIO_MARK_CLEAN;
    if (m->touched && !(m->mode & LIO_RDONLY)) {
        if (m->lockKind != MU_LK_WRITE)
            rc = LIO_FAIL(F_MUEXIT, LIO_E_LOCK);
        else if (writeHead(m, mark) < 0)
            rc = LIO_FAIL(F_MUEXIT, LIO_E_HDRWRITE);
    }
    if (rc < 0 || (m->touched && m->lockKind != MU_LK_WRITE) ||
        lioIoFailures() != m->failuresAtEntry)
        shareDrop(m);
    else
        shareSettle(m);
    int kind = m->lockKind;
    m->inside = m->guardBelow;
    m->lockKind = 0;
    m->guardBelow = 0;
    m->touched = 0;
    m->markedDirty = 0;
    m->staleDirty = 0;
    if (kind && muUnlockByte0(m->fh) < 0 && rc == 0) rc = LIO_FAIL(F_MUEXIT, LIO_E_UNLOCK);
    return rc;
}

int muExit(LioFile *fd, int entered) { return muLeave(fd, entered, false); }

void lioNoteUnfinished(LioFile *fd)
{
    if (lioValid(fd) && !(fd->master->mode & LIO_SHARED)) fd->master->unfinished = 1;
}

/* ---- the directory in use ----
 * Between two operations a running copy holds no byte-0 lock, so a tool that repairs a directory
 * could not tell it from a copy that crashed and left its open counts behind.  Every copy
 * therefore holds, for its whole run, a read lock on byte MU_INUSE_BYTE of the dictionary's data
 * file: copies share it, a repair's write lock on it excludes them all, and the kernel drops it
 * with the last descriptor of a process that dies, so a crashed copy never blocks anybody.
 *
 * The byte is 2^31 - 1.  Every offset the engine stores is a 32-bit signed int and every file
 * ends below it, so it is no record, page or header byte, never meets the byte-0 bracket lock
 * and is never written: the stored bytes stay as they are.
 *
 * One descriptor carries the lock, opened with O_CLOEXEC so that a program started from a copy
 * does not inherit it; closing the engine's own descriptors of the file leaves it alone (it is
 * an open-file-description lock, not a process lock; on a kernel without OFD locks, where the
 * engine falls back to process locks, closing the dictionary drops it).  Failures are recorded
 * under muEntry's function code: the function table of this layer has no free slot. */

namespace {

int g_inUseFh = -1;
dev_t g_inUseDev;
ino_t g_inUseIno;

} // namespace

int muHoldInUse(const char *path)
{
    if (!path) return LIO_FAIL(F_MUENTRY, LIO_E_BADARG);
    int fh = open(path, O_RDONLY | O_CLOEXEC);
    if (fh < 0) return LIO_FAIL(F_MUENTRY, errno == ENOENT ? LIO_E_NOFILE : LIO_E_OPEN);
    struct stat st;
    if (fstat(fh, &st) != 0) {
        close(fh);
        return LIO_FAIL(F_MUENTRY, LIO_E_OPEN);
    }
    if (g_inUseFh >= 0 && st.st_dev == g_inUseDev && st.st_ino == g_inUseIno) {
        close(fh);
        return 0;
    }
    if (lockPatiently(fh, F_RDLCK, MU_INUSE_BYTE) < 0) {
        close(fh);
        return LIO_FAIL(F_MUENTRY, LIO_E_LOCK);
    }
    muReleaseInUse();
    g_inUseFh = fh;
    g_inUseDev = st.st_dev;
    g_inUseIno = st.st_ino;
    return 0;
}

int muReleaseInUse(void)
{
    if (g_inUseFh >= 0) close(g_inUseFh);
    g_inUseFh = -1;
    return 0;
}

int muInUse(const char *path)
{
    int fh = path ? open(path, O_RDONLY | O_CLOEXEC) : -1;
    if (fh < 0) return -1;
    struct flock fl = {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = MU_INUSE_BYTE;
    fl.l_len = 1;
    int rc = fcntl(fh, g_noOfd ? F_GETLK : F_OFD_GETLK, &fl);
    close(fh);
    if (rc != 0) return -1;
    return fl.l_type == F_UNLCK ? 0 : 1;
}
