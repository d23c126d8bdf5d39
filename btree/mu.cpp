/*
 * mu.cpp - the multi-user bracket around every operation on a shared file.
 *
 * In shared mode (0x8000) each operation locks byte 0 of the file, re-reads all headers, works
 * without cache, writes the headers back with mark 42 when it changed anything, and unlocks.
 * The bracket is not re-entered: an operation that calls another one inside its own bracket gets 0
 * from muEntry and the inner muExit does nothing.
 *
 * The lock is an open-file-description lock (F_OFD_SETLK): it belongs to the descriptor that
 * took it.  Classic POSIX record locks (F_SETLK) belong to the process, are dropped when the
 * process closes any other descriptor of the same file, and never exclude two descriptors of one
 * process from each other; either would let two users' changes interleave.  F_SETLK is used only
 * where the kernel refuses OFD locks.
 */
#include "btree/lioint.h"

#include <cerrno>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#define MODULE "mu.cpp"

namespace {

bool g_noOfd; /* the kernel refused OFD locks once: use process locks from then on */

int setLock(int fh, short type)
{
    struct flock fl = {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
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

} // namespace

/* Ten attempts one right after the other, then short sleeps for about two seconds in all: under
 * ordinary contention between a few running copies ten immediate attempts last microseconds and
 * would throw the user's change away.  Any other failure (the kernel's lock table full, an I/O
 * error on a network file system) answers at once: waiting would not change it. */
int muLockByte0(int fh, bool shared)
{
    short type = shared ? F_RDLCK : F_WRLCK;
    for (int i = 0; i < 10; i++) {
        if (setLock(fh, type) == 0) return 0;
        if (!contended()) return -1;
    }
    long waited = 0, step = 200;
    while (waited < 2000000) {
        pause(step);
        waited += step;
        if (setLock(fh, type) == 0) return 0;
        if (!contended()) return -1;
        if (step < 20000) step *= 2;
    }
    return -1;
}

int muUnlockByte0(int fh) { return setLock(fh, F_UNLCK); }

int muEntry(LioFile *fd)
{
    if (!lioValid(fd)) return LIO_FAIL(F_MUENTRY, LIO_E_BADFD);
    LioFile *m = fd->master;
    if (!(m->mode & LIO_SHARED) || m->inside) return 0;
    /* A reader takes a read lock: without it, it could read a header half written by a writer. */
    bool reader = (m->mode & LIO_RDONLY) != 0;
    if (muLockByte0(m->fh, reader) < 0) return LIO_FAIL(F_MUENTRY, LIO_E_LOCK);
    if (readHead(m) < 0) {
        muUnlockByte0(m->fh);
        return LIO_FAIL(F_MUENTRY, LIO_E_HDRREAD);
    }
    int owner = m->hdrs[LIO_H_OWNER];
    if (owner && !reader && owner != muProcId()) {
        muUnlockByte0(m->fh);
        return LIO_FAIL(F_MUENTRY, LIO_E_OWNED);
    }
    m->inside = 1;
    m->touched = 0;
    m->markedDirty = 0;
    m->staleDirty = 0;
    int n = m->isIndex ? m->hdrs[LIO_H_NFILES] : 1;
    for (int i = 0; !reader && i < n; i++)
        if (m->hdrs[i * LIO_HDRWORDS + LIO_H_MARK] != LIO_MARK_CLEAN) m->staleDirty = 1;
    return 1;
}

/* Leaves the bracket.  An operation cut short by failing I/O may leave half a change: when this
 * bracket already put mark 38 on disk, the headers are written with 38 again (they tell a repair
 * how far the file reaches now), so the next open (or velk-check) sees it.  A file that carried
 * 38 when the bracket was entered (another process died or failed inside an operation) keeps it
 * too: marking it clean would hide the damage from everyone who opens it later. */
int muLeave(LioFile *fd, int entered, bool cutShort)
{
    if (entered != 1) return 0;
    if (!lioValid(fd)) return LIO_FAIL(F_MUEXIT, LIO_E_BADFD);
    LioFile *m = fd->master;
    int rc = 0;
    bool unfinished = (cutShort && m->markedDirty) || m->staleDirty;
    int mark = unfinished ? LIO_MARK_DIRTY : LIO_MARK_CLEAN;
    if (m->touched && writeHead(m, mark) < 0) rc = LIO_FAIL(F_MUEXIT, LIO_E_HDRWRITE);
    m->inside = 0;
    m->touched = 0;
    m->markedDirty = 0;
    m->staleDirty = 0;
    if (muUnlockByte0(m->fh) < 0 && rc == 0) rc = LIO_FAIL(F_MUEXIT, LIO_E_UNLOCK);
    return rc;
}

int muExit(LioFile *fd, int entered) { return muLeave(fd, entered, false); }

void lioNoteUnfinished(LioFile *fd)
{
    if (lioValid(fd) && !(fd->master->mode & LIO_SHARED)) fd->master->unfinished = 1;
}
