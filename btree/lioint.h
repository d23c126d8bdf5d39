/*
 * lioint.h - what the record-file and B-tree layers keep about an open file.  Only btree/ sources
 * include this; everything else goes through btree.h.
 */
#ifndef VELK_LIOINT_H
#define VELK_LIOINT_H

#include "btree/btree.h"

#include <cstdint>
#include <fcntl.h>
#include <sys/types.h>
#include <sys/uio.h>

/* Function codes of the record-file and B-tree layers, as they appear in the trace. */
enum {
    F_LIOCREAT = 100,
    F_LIOWSTASH,
    F_LIORSTASH,
    F_LIOOPEN,
    F_LIOINXCREAT,
    F_LIOSETCACHE,
    F_LIOAVL,
    F_LIOCACHESIZE,
    F_LIOREAD,
    F_LIOWRITE,
    F_LIOCLOSE,
    F_LIOFLUSH,
    F_LIOSIZE,
    F_ALLOCCACHE,
    F_FLCACHE,
    F_WRITEHEAD,
    F_READHEAD,
    F_MAKEKEYDES,
    F_FREEKEYDES,
    F_PREPINDEX,
    F_RAWREAD,
    F_RAWWRITE,
    F_LIOFREE,
    F_RDCACHE,
    F_WRTCACHE,
    F_FLALLCACHE,

    F_LIOSEARCH = 200,
    F_LIOSETMODE,
    F_LIOWRTKEY,
    F_LIOPREV,
    F_LIOSRPRTL,
    F_LIOSERNUM,
    F_LIOFIRST,
    F_LIOLAST,
    F_LIONEXT,
    F_LIOINSERT,
    F_LIODELETE,
    F_LIORDKEY,
    F_LIOSETORDER,
    F_TRINSERT,
    F_LIOINIT,
    F_BTREEFIRST,
    F_BTREELAST,
    F_MARKFILE,
    F_READPAGE,
    F_WRITEPAGE,
    F_NODALLOC,
    F_BTREEDELETE,
    F_PROLOG,
    F_UNDERFLOW,
    F_GETREP,
    F_BTREESEARCH,
    F_BTREEINSERT,
    F_MAKNOD,
    F_NDXCMP1,
    F_LIODUP,
    F_LIOLOCK,
    F_LIOUNLOCK,
    F_MUENTRY,
    F_MUEXIT
};

struct LioCache;
struct LioShare;

struct LioFile {
    LioFile *self;   /* validity check */
    LioFile *master; /* the file's first descriptor: mode, bracket state, all headers */
    int32_t *hdr;    /* this descriptor's 85 header words (inside master->hdrs) */
    int fh;          /* OS handle, shared by all sub-files */
    int sub;         /* 0-based sub-file number */
    int hdrArea;     /* bytes before the first record / page (data: 340, stash follows) */

    /* master only */
    int mode;
    int inside;      /* inside the multi-user bracket now */
    int touched;     /* headers changed inside the bracket */
    int markedDirty; /* mark 38 written to disk inside this bracket */
    int staleDirty;  /* the file carried mark 38 when the bracket was entered */
    int unfinished;  /* exclusive: an operation was cut short; never marked clean again */
    int lockKind;    /* inside: MU_LK_WRITE, MU_LK_READ, or 0 (index read under its data's lock) */
    int guardBelow;  /* a write bracket taken inside such a lock-free one, which it returns to */
    unsigned failuresAtEntry; /* lioIoFailures() when the bracket was entered */
    LioShare *share;          /* shared mode: pages / records kept across brackets (scache.cpp) */
    int isIndex;
    int nwords; /* header words of the whole file */
    int32_t *hdrs;
    LioFile *subs[LIO_MAXFILES];
    char *path;

    /* B-tree state (index descriptors) */
    int depth;
    int pathOff[LIO_MAXDEPTH];
    int hasCur;    /* a current key is set */
    int pathValid; /* the path leads to the current key */
    int posMod;    /* modification counter when the path was built */
    unsigned char key[LIO_MAXKEY + 4];
    int cmpLen, cmpStart, twoN;

    /* page cache (index descriptors) */
    LioCache *cache;
    int cacheKind;
};

/* ---- error recording (btreev33.cpp) ---- */
int lioFail(const char *module, int func, int code, int line); /* records, answers -1 */
void lioEnsureInit();
#define LIO_FAIL(func, code) lioFail(MODULE, (func), (code), __LINE__)

/* ---- shared between flen3.cpp and btreev33.cpp ---- */
int lioValid(const LioFile *fd); /* a live descriptor */
int lioIsShared(const LioFile *fd);
int lioReadOnly(const LioFile *fd);
int readHead(LioFile *fd);
int writeHead(LioFile *fd, int mark);
int lioMarkChanged(LioFile *fd); /* before the first write of a change */
int lioPageValid(const LioFile *fd, int off);
int rawRead(LioFile *fd, int n, void *buf); /* record n / page at offset n, uncached */
int rawWrite(LioFile *fd, int n, const void *buf);
int checkFd(LioFile *fd, int func); /* 0 for a live descriptor, else records */
/* Page cache (pcache.cpp). */
int allocCache(LioFile *fd, int kind, int slots);
int allocDefaultCache(LioFile *fd);    /* the kind and slots set by lioSetCache(NULL) */
int releaseCache(LioFile *fd);         /* writes back and detaches */
int flAllCache(LioFile *m, bool drop); /* writes back every sub-file's pages */
void lioRetargetCache(LioCache *from, LioCache *to);  /* every live descriptor on from uses to */
int rdPage(LioFile *fd, int off, unsigned char *buf); /* through the cache */
int wrtPage(LioFile *fd, int off, const unsigned char *buf); /* through the cache */
void lioFixDescriptor(LioFile *fd);           /* compare length etc. from the header */
int lioNormMode(int cur, int mode, int *out); /* 0 and the mode in force, -1 for a bad mode */

/* ---- the I/O seam (lock.cpp): the engine's only reads, writes and lock requests ----
 * Each answers as the system call it stands for; a test can make it fail (lioIoFault). */
ssize_t lioPread(int fh, void *buf, size_t len, off_t off);
ssize_t lioPwrite(int fh, const void *buf, size_t len, off_t off);
ssize_t lioPwritev(int fh, const struct iovec *v, int n, off_t off);
int lioLockCall(int fh, int cmd, struct flock *fl); /* F_OFD_SETLK / F_SETLK */
/* Calls of the seam that failed (an error, or a write that fell short), counted for the life of
 * the process: an operation compares it before and after to tell a refusal from a cut-off. */
unsigned lioIoFailures();
/* Changes begun (lioMarkChanged, vlMarkChanged), counted for the life of the process. */
unsigned lioChanges();
void lioCountChange();
/* Exclusive mode: an operation was cut short by failing I/O after it began a change.  The
 * headers in memory are all the file has, so from now on they are written with mark 38 only. */
void lioNoteUnfinished(LioFile *fd);

/* ---- the cache of shared files (scache.cpp) ----
 * Valid while word 20 of the first header is the value this process last saw or wrote. */
int shareRead(LioFile *fd, long long off, int len, void *buf);  /* 1 served, 0 not cached */
int shareFetch(LioFile *fd, long long off, int len, void *buf); /* reads (a block) and keeps it */
void shareWrote(LioFile *fd, long long off, int len, const void *buf);
void shareCheck(LioFile *m);  /* after the headers were read on entry: drop when stale */
void shareSettle(LioFile *m); /* on leaving: the counter now on disk is the cache's */
void shareDrop(LioFile *m);
void shareFree(LioFile *m);
bool shareActive(const LioFile *fd); /* reads and writes of fd go through the cache now */

/* ---- multi-user bracket (mu.cpp) ---- */
/* How a bracket is entered: a change (write lock), a read (read lock; write lock in mode
 * LIO_RDLOCK), or an index read while this process holds the bracket of the index's data
 * file (no lock: every writer of the index holds that bracket too; the headers are re-read). */
enum { MU_WRITE = 0, MU_READ = 1, MU_GUARD = 2 };
enum { MU_LK_NONE = 0, MU_LK_READ = 1, MU_LK_WRITE = 2 }; /* LioFile::lockKind */
/* As muEntry.  Inside a bracket already: MU_WRITE converts a read lock into a write lock (0),
 * and takes the write lock over a lock-free index bracket (1: its muExit returns to it). */
int muEnter(LioFile *fd, int how);
/* 0 when fd's bracket may write (not shared, or the write lock is held); else -1 with 13 */
int muMayWrite(LioFile *fd);
/* 10 immediate attempts, then short sleeps for about 2 s; shared: a read lock */
int muLockByte0(int fh, bool shared = false);
int muUnlockByte0(int fh);

/* ---- record-lock tables (lock.cpp): a count word and 30 (record, process) pairs ---- */
struct LockTable {
    int32_t *count;
    int32_t *pairs;
};
int lockFind(const LockTable &t, int rec);            /* entry index, -1 when not listed */
int lockHolder(const LockTable &t, int rec);          /* process number, 0 when not listed */
int lockAdd(const LockTable &t, int rec, int pid);    /* 0, or error code 15 / 18 */
int lockRemove(const LockTable &t, int rec, int pid); /* 0, or error code 16 (other holder) */
int lockRemoveAll(const LockTable &t, int pid);       /* how many were removed */
bool lockOthers(const LockTable &t, int pid);         /* any entry of another process */
LockTable lioLocks(LioFile *fd);
int lioLockedByOther(LioFile *fd, int rec);
int lioTakeOwner(LioFile *fd);
int lioDropOwner(LioFile *fd, int mark);

/* Leaves a bracket.  cutShort: the operation failed after I/O failed inside it; a file that
 * already carries mark 38 from this bracket then keeps it (the headers are written with 38).
 * Otherwise as muExit.  The lock is released either way. */
int muLeave(LioFile *fd, int entered, bool cutShort);

/* The bracket around one public operation: entered on construction (a no-op unless the file is
 * shared and the bracket not yet held), left by leave() on success; destruction without leave()
 * is a failed operation. */
struct Bracket {
    LioFile *fd;
    unsigned failures = lioIoFailures(), changes = lioChanges();
    int entered;
    explicit Bracket(LioFile *f, int how = MU_WRITE) : fd(f), entered(muEnter(f, how)) {}
    bool ok() const { return entered >= 0; }
    int leave()
    {
        int e = entered;
        entered = 0;
        return muExit(fd, e);
    }
    ~Bracket()
    {
        bool cutShort = lioIoFailures() != failures;
        if (entered > 0)
            muLeave(fd, entered, cutShort);
        else if (cutShort && lioChanges() != changes)
            lioNoteUnfinished(fd);
    }
    Bracket(const Bracket &) = delete;
    Bracket &operator=(const Bracket &) = delete;
};

#endif
