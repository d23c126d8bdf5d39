/*
 * btree.h - the storage engine's public interface.
 *
 * Record files (fixed-length data records addressed by number, and index files holding up to
 * LIO_MAXFILES B-tree sub-files), the B-tree operations on them, and the process-wide error state.
 * Every operation returns -1 (or NULL) on failure after recording an error; lioLastErr() tells
 * which.  Record numbers and page offsets are 32-bit ints, as they are stored on disk.
 *
 * The engine is plain C-callable code without any dependency on the user interface.
 */
#ifndef VELK_BTREE_H
#define VELK_BTREE_H

#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- open modes (the mode word of a file) ---- */
enum {
    LIO_SHARED = 0x8000, /* several processes: lock, re-read headers per operation */
    LIO_EXCL = 0x4000,   /* this process alone */
    LIO_RDWR = 1,        /* normal read/write */
    LIO_RDONLY = 2,      /* read only */
    LIO_WTHRU = 4,       /* write pages through the cache at once (always added) */
    LIO_WCLEAN = 8,      /* write through and rewrite the clean mark after each change */
    LIO_RDLOCK = 16,     /* lock each record when it is read (shared mode) */
    LIO_SHAREMASK = 0xC000,
    LIO_LOWMASK = 0x001F
};

/* ---- files made for sharing ----
 * Every file the engine creates (record and index files, the variable-length store, temporary
 * indices, the process registry) is made with LIO_CREATMODE, which the creating process's umask
 * narrows as for any other file: several Unix accounts that share a database directory give it
 * to a common group and work with umask 002, and each file one of them creates stays writable
 * for the others.  0600 would shut every other account out of a table the first user made. */
enum { LIO_CREATMODE = 0666 };

/* ---- file and key types ---- */
enum {
    LIO_DATAFILE = 6,       /* type argument of lioCreat for a data file */
    LIO_KEY_CHAR = 1,       /* NUL-terminated bytes, compared unsigned */
    LIO_KEY_FLOAT = 2,      /* refused */
    LIO_KEY_INTSUB = 3,     /* 32-bit integer compared by subtraction */
    LIO_KEY_INT = 4,        /* signed 32-bit integer */
    LIO_KEY_BINARY = 5,     /* unsigned bytes over the whole compare length */
    LIO_KEY_CALLERDUP = 16, /* the caller supplies the duplicate discriminator in front */
    LIO_KEY_DESC = 64,      /* descending order */
    LIO_KEY_DUPS = 128,     /* duplicates allowed */
    LIO_KEY_TYPEMASK = 15
};

/* ---- cache kinds ---- */
enum { LIO_CACHE_PRIVATE = 1, LIO_CACHE_SHARED = 2 };

/* ---- sizes and header words (32-bit little-endian words of the 340-byte header) ---- */
enum {
    LIO_HDRWORDS = 85,
    LIO_HDRSIZE = 340,
    LIO_MAGIC = 310,
    LIO_MAXFILES = 10, /* most sub-files of one index file */
    LIO_MAXKEY = 100,  /* longest stored key */
    LIO_MAXDEPTH = 10, /* tallest tree (path stack) */
    LIO_MAXLOCKS = 30, /* record-lock table entries per file */
    LIO_DEFORDER = 7,
    LIO_MAXORDER = 12,
    LIO_MARK_CLEAN = 42, /* '*' */
    LIO_MARK_DIRTY = 38  /* '&' */
};

enum {
    LIO_H_MAGIC = 0,
    LIO_H_HDRSIZE = 1,
    LIO_H_NFILES = 2,
    LIO_H_EOF = 3,
    LIO_H_STASH = 4,
    LIO_H_MARK = 5,
    LIO_H_MAXFILES = 6,
    LIO_H_LIVE = 8,
    LIO_H_DELETED = 9,
    LIO_H_FREE = 10,
    LIO_H_KEYS = 11,
    LIO_H_ROOT = 12,
    LIO_H_SERIAL = 13,
    LIO_H_DUPS = 14,
    LIO_H_DIR = 15,
    LIO_H_KEYLEN = 16,
    LIO_H_TYPE = 17,
    LIO_H_ORDER = 18,
    LIO_H_RECLEN = 19,
    LIO_H_MODCOUNT = 20,
    LIO_H_OPENCOUNT = 22,
    LIO_H_OWNER = 23,
    LIO_H_NLOCKS = 24,
    LIO_H_LOCKS = 25
};

/* ---- error codes ---- */
enum {
    LIO_E_SEEK = 1,
    LIO_E_READ = 2,
    LIO_E_HDRREAD = 3,
    LIO_E_HDRWRITE = 4,
    LIO_E_WRITE = 5,
    LIO_E_NOMEM = 6,
    LIO_E_CREAT = 7,
    LIO_E_OPEN = 8,
    LIO_E_CLOSE = 9,
    LIO_E_EXISTS = 10,
    LIO_E_NOFILE = 11,
    LIO_E_NOFILE2 = 12,
    LIO_E_LOCK = 13,
    LIO_E_UNLOCK = 14,
    LIO_E_RECLOCK = 15,
    LIO_E_RECUNLOCK = 16,
    LIO_E_BADFD = 17,
    LIO_E_LOCKFULL = 18,
    LIO_E_OWNED = 19,
    LIO_E_BADARG = 20,
    LIO_E_MODE = 21,
    LIO_E_VERSION = 22,
    LIO_E_INTERNAL = 23,

    LIO_E_FNOFILE = 126,
    LIO_E_FBADFD = 127,
    LIO_E_FTYPE = 128,
    LIO_E_RDONLY = 129,
    LIO_E_SMALLREC = 130,
    LIO_E_MAXFILES = 131,
    LIO_E_BADREC = 132,
    LIO_E_INDATA = 133,
    LIO_E_FSYNC = 134,
    LIO_E_KEYSIZE = 135,
    LIO_E_NEEDMU = 136,
    LIO_E_INITHDR = 137,
    LIO_E_HDRALLOC = 138,
    LIO_E_HDRREAD2 = 139,
    LIO_E_TOOMANY = 140,
    LIO_E_RECNO = 141,
    LIO_E_CORRUPT = 142,
    LIO_E_FLOAT = 143,

    LIO_E_BEXISTS = 234,
    LIO_E_BRDONLY = 235,
    LIO_E_OVERFLOW = 236,
    LIO_E_VLHDR = 237,
    LIO_E_EMPTY = 238,
    LIO_E_NOCMP = 239
};

/* ---- record files and B-tree index ---- */
typedef struct LioFile LioFile; /* a descriptor: one data file, or one sub-file of an index file */

int lioInit(void);
int lioCreat(const char *path, int len, int type, int stash, int maxfiles);
LioFile *lioOpen(const char *path, int mode); /* for an index file: the descriptor of sub-file 1 */
LioFile *lioSubFile(LioFile *fd, int n);      /* sub-file n (1-based) of an open index file */
LioFile *lioInxCreat(LioFile *fd, int keylen, int keytype);
int lioClose(LioFile *fd);
int lioFlush(LioFile *fd);
int lioRead(LioFile *fd, int rec, void *buf);
int lioWrite(LioFile *fd, int rec, const void *buf);
int lioAvl(LioFile *fd);
int lioFree(LioFile *fd, int rec);
int lioSize(LioFile *fd);
int lioWStash(LioFile *fd, const void *buf);
int lioRStash(LioFile *fd, void *buf);
int lioSetCache(LioFile *fd, int kind, int slots);
int lioCacheSize(LioFile *fd, int kind, int slots);
int lioSetMode(LioFile *fd, int mode);
int lioSearch(LioFile *fd, const void *key);
int lioInsert(LioFile *fd, const void *key, int rec);
int lioDelete(LioFile *fd, const void *key); /* key NULL: the current key */
int lioFirst(LioFile *fd, void *key);
int lioLast(LioFile *fd, void *key);
int lioNext(LioFile *fd, void *key);
int lioPrev(LioFile *fd, void *key);
int lioSrPrtl(LioFile *fd, const void *key, void *out, int exact);
int lioSerNum(LioFile *fd, const void *key, int rec);
int lioDup(LioFile *fd);
int lioSetOrder(int order);

/* Compare function for key types other than 1..5: (compare length, key type, a, b) -> <0, 0, >0. */
typedef int (*LioCompare)(int len, int type, const void *a, const void *b);
LioCompare lioSetCompare(LioCompare fn); /* installs the process-wide function, answers the old */

/* Copies of a descriptor's header words and geometry, for checkers and tools. */
int lioHeader(LioFile *fd, int *words); /* the 85 header words of this descriptor; 0 */
int lioPageSize(LioFile *fd);           /* page size (index) or record length (data) */

/* ---- error state ---- */
typedef struct LioErr {
    int code, func, line;
    const char *module;
} LioErr;

enum { LIO_TRACE_MAX = 15 };

const LioErr *lioLastErr(void);     /* the last error recorded */
int lioTrace(LioErr *out, int max); /* the trace, newest first; answers how many */
void lioClearErr(void);
const char *lioErrMsg(int code);       /* the message of a code, "" when none */
int lioErrReport(char *buf, int size); /* "Error %4d (line %4d, %s): %s" */
int lioTraceReport(FILE *out);

/* Message tables by base number (1, 100, 200, 300, 400): entries[0..nnames-1] name the functions
 * with codes base.., the rest are the messages of the codes base+nnames..; a later layer registers
 * its own table at start-up. */
int lioRegisterMessages(int base, const char *const *entries, int nnames, int nentries);
/* Records an error of another layer of the engine (module, function code, error code, line). */
int lioRecordErr(const char *module, int func, int code, int line);

/* ---- multi-user bracket, record locks, process registry ---- */
int muEntry(LioFile *fd);             /* 1 took the file lock, 0 already inside or not needed */
int muExit(LioFile *fd, int entered); /* with 1: headers written (when changed), lock released */
int muProcId(void); /* this process's number, taken from the registry at first need */
int lioLock(LioFile *fd, int rec);
int lioUnLock(LioFile *fd, int rec); /* rec 0: every lock of this process */

/* ---- the directory in use ----
 * A running program marks its database directory in use for its whole run with a shared
 * open-file-description read lock on byte MU_INUSE_BYTE of the dictionary's data file
 * ("datadict.dat"); velk-check refuses to change a directory while any process holds it.  The
 * byte lies beyond every offset of every engine file and is never written (see mu.cpp). */
enum { MU_INUSE_BYTE = 0x7FFFFFFF };
/* Takes the read lock on path for the rest of the process (a lock held on another file is given
 * up; the same file again answers 0).  Waits about two seconds for a writer (a repair) to end;
 * then -1 with error 13, or 11 / 8 when the file cannot be opened. */
int muHoldInUse(const char *path);
int muReleaseInUse(void); /* gives the lock up; 0 */
/* 1 when some open file description (another process's, or another of this one) holds a lock on
 * byte MU_INUSE_BYTE of path, 0 when none does, -1 when the file cannot be probed. */
int muInUse(const char *path);

/* ---- whether a directory's file system enforces locks ----
 * Running copies are kept apart only by byte-range locks; a share that grants them without
 * enforcing them (NFSv3 "nolock", SMB "nobrl", many FUSE file systems) lets copies overwrite each
 * other's changes.  muProbeLocks makes a file ".velk-lockprobe-XXXXXX" in dir ("" is the current
 * directory), write-locks byte 0 of it through one open file description and asks for the same
 * lock through a second one, then releases, closes and removes everything.  Answers 0 when the
 * second request is refused (locks work); 1 when the first is answered ENOLCK or EINVAL or the
 * second is granted (locks are not enforced); -1 when the probe cannot be made (the directory is
 * missing or not writable, another error): the caller goes on and meets that on its usual paths.
 * why (size bytes, may be NULL) receives the errno name, MU_LOCKPROBE_GRANTED, or "" for 0.
 * Three lock requests (four when the second is granted) through the seam below.  A share that
 * keeps locks on this machine alone passes that test; its mount options tell it (see
 * muLocalLockMount), and it answers 1 too, with why naming the file system type and option. */
#define MU_LOCKPROBE_GRANTED "conflicting lock granted"
int muProbeLocks(const char *dir, char *why, int size);
/* 1 when the mount of device dev (a stat's st_dev) in the mountinfo text (NULL: this process's
 * /proc/self/mountinfo) enforces locks only between the processes of this machine: NFS with
 * "nolock", "local_lock=all" or "local_lock=posix", SMB/CIFS with "nobrl", sshfs; why then
 * receives "<type> <option>".  0 otherwise, and when no line is of that device. */
int muLocalLockMount(const char *mountinfo, unsigned long long dev, char *why, int size);

/* ---- test hook: failing I/O ----
 * Every read, write and lock request of the engine passes one seam.  lioIoFault(nth, err, 0)
 * makes the nth such call from now answer -1 with errno err (EIO, ENOSPC, ...) once;
 * persistent 1 makes it and every later call fail.  nth 0 only counts, nth < 0 disarms.
 * Releasing a lock is passed through and not counted: nothing could undo a failed release.
 * lioIoCalls answers the calls counted since the last lioIoFault. */
int lioIoFault(int nth, int err, int persistent);
int lioIoCalls(void);

/* ---- I/O counter ----
 * Every call of the seam, counted for the life of the process: lock requests (releases
 * included: on a network share each is a round trip), reads and writes with their bytes.  A
 * benchmark or a test takes two snapshots and subtracts them. */
typedef struct LioIoCount {
    long long lockCalls;
    long long readCalls, readBytes;
    long long writeCalls, writeBytes;
} LioIoCount;
void lioIoCount(LioIoCount *out);

/* ---- the cache of shared files ----
 * In shared mode records and index pages are kept across operations while the file's
 * modification counter (header word 20) is unchanged; each operation still re-reads the
 * headers under its lock.  Another process's change drops what is kept for that file.
 * lioSetShareCache(0) turns the cache off for the whole process (1 on, the default) and answers
 * the old setting; lioShareCacheLimit bounds the bytes kept per file (default 64 MiB; 0 only
 * queries) and answers the old bound.  The files written are the same either way. */
int lioSetShareCache(int on);
long long lioShareCacheLimit(long long bytes);

/* ---- variable-length record store (mapper base + ".mp", store base + ".st") ---- */
typedef struct VlFile VlFile;

enum {
    VL_HDRWORDS = 78,
    VL_HDRSIZE = 312, /* mapper header; the delete-heap heads follow it */
    VL_STOREHDR = 12, /* min, max, g copied at the front of the store */
    VL_FREEFORM = 13  /* size, marker, next: the head of a freed area */
};

/* Mapper header words. */
enum {
    VL_H_MAGIC = 0,
    VL_H_HIGHEST = 1,
    VL_H_FREEHEAD = 2,
    VL_H_FREECOUNT = 3,
    VL_H_END = 4,
    VL_H_HEAPBYTES = 5,
    VL_H_MARK = 6,
    VL_H_MIN = 8,
    VL_H_MAX = 9,
    VL_H_GRAN = 10,
    VL_H_MAPOFF = 11,
    VL_H_STASH = 12,
    VL_H_SERIAL = 13,
    VL_H_OPENCOUNT = 15,
    VL_H_OWNER = 16,
    VL_H_NLOCKS = 17,
    VL_H_LOCKS = 18
};

enum {
    VL_E_EXISTS = 431,
    VL_E_MAPOPEN = 432,
    VL_E_STOREOPEN = 433,
    VL_E_DELINIT = 434,
    VL_E_CORRUPT = 435,
    VL_E_SYNC = 436,
    VL_E_TOOLONG = 437,
    VL_E_INTEGRITY = 438,
    VL_E_BADFD = 439,
    VL_E_MUEXIT = 440,
    VL_E_BALANCE = 441
};

typedef struct VlStats {
    int records;           /* highest record number minus freed numbers */
    int highest;           /* highest record number handed out */
    int freedNumbers;      /* record numbers waiting for reuse */
    int areasInUse;        /* records that have an area */
    long long recordBytes; /* their record lengths added up */
    long long areaBytes;   /* their area sizes added up */
    long long storeBytes;  /* the area region: end of store minus store header and stash */
    long long heapBytes;   /* bytes on the delete heap (word 5) */
    int freeAreas;         /* areas on the delete heap */
    int freeClasses;       /* size classes holding at least one free area */
    int classes;           /* size classes of the delete-heap table */
    long long unlisted;    /* area-region bytes neither in use nor on the heap */
} VlStats;

int vlCreat(const char *base, int min, int max, int g, int stash);
VlFile *vlOpen(const char *base, int mode);
int vlClose(VlFile *fd);
int vlFlush(VlFile *fd);
int vlAvl(VlFile *fd);                                      /* a record number to write */
int vlWrite(VlFile *fd, int rec, const void *buf, int len); /* answers len */
/* Answers the record's length (0: no such record or no area) and copies at most size bytes of
 * it into buf (size 0: all of it; buf NULL: nothing). */
int vlRead(VlFile *fd, int rec, void *buf, int size);
int vlFree(VlFile *fd, int rec); /* the freed record's length */
int vlRStash(VlFile *fd, void *buf);
int vlWStash(VlFile *fd, const void *buf);
int vlSetMode(VlFile *fd, int mode); /* 0 queries */
int vlStats(VlFile *fd, VlStats *st);
int vlLock(VlFile *fd, int rec);
int vlUnLock(VlFile *fd, int rec);    /* rec 0: every lock of this process */
int vlLockCheck(VlFile *fd, int rec); /* 1 another process holds rec, else 0 */
/* 1 took the mapper lock (a read lock when the store is read-only), 0 already inside or not
 * shared; vlMuExit with 1 writes the header when anything changed and unlocks. */
int vlMuEntry(VlFile *fd);
int vlMuExit(VlFile *fd, int entered);
int vlCount(VlFile *fd);               /* highest minus freed numbers */
int vlHeader(VlFile *fd, int *words);  /* the 78 mapper header words; 0 */
int vlSerial(VlFile *fd, int advance); /* word 13, advanced first when asked */

/* ---- ISAM file sets: one data file (or variable-length store) and its indices in step ---- */
typedef struct Bt3File Bt3File;

enum {
    BT3_MAXKEYS = 10, /* indices of one file set, temporary ones included */
    BT3_STASH = 1024, /* stash of the data file; the key block lives at its start */
    BT3_SERIAL = 4,   /* hidden bytes in front of a record buffer and a stored record */
    BT3_DUPS = 128,   /* key flags: duplicates allowed */
    BT3_DESC = 64,    /*            descending order */
    BT3_CONT = 32,    /*            a row that continues the key of the row before */
    BT3_NOREAD = 64,  /* bt3Find mode + 64: position without reading into the buffer */
    /* isamLockUp: the hold only reads.  The data file takes a shared (read) lock, so readers do
     * not wait for each other; the indices take no lock of their own (every writer of an index
     * holds its data file's lock).  A change inside converts the read lock into a write lock
     * first (waiting like any lock, else error 13 and nothing written).  Mode LIO_RDLOCK, whose
     * reads enter record locks, takes the write lock. */
    BT3_LK_READ = 8
};

/* Status after a positioning step (bt3Status). */
enum {
    BT3_ATEND = -1,   /* bt3Next found no further record: the last one again */
    BT3_ATSTART = -2, /* bt3Start, or bt3Prev found no earlier record */
    BT3_SAMEKEY = -3, /* positioned; a step met a record with the same key */
    BT3_NEWKEY = -4   /* a step met a record with another key */
};

enum {
    BT3_E_KEYDEF = 343,
    BT3_E_NKEYS = 344,
    BT3_E_MAXKEYS = 345,
    BT3_E_CREAT = 346,
    BT3_E_NOCUR = 347,
    BT3_E_NOTREAD = 348,
    BT3_E_WRONGREC = 349,
    BT3_E_BADINX = 350,
    BT3_E_DIFFREC = 351,
    BT3_E_RECSIZE = 352,
    BT3_E_NOKEY = 353,
    BT3_E_KEYINS = 354,
    BT3_E_KEYEXISTS = 355,
    BT3_E_DUPKEY = 356,
    BT3_E_NOTEMP = 357,
    BT3_E_KIND = 358,
    BT3_E_BUFFER = 359,
    BT3_E_BUFUSE = 360,
    BT3_E_COUNT = 361
};

/* Key definition lists are rows of three ints (offset, length, flags) ended by offset -1. */
int bt3Creat(const char *base, int maxrec, const int *keydef);
int bt3VlCreate(const char *base, const int *keydef, int minrec, int maxrec, int param);
Bt3File *bt3Open(const char *base, int mode);
int bt3Close(Bt3File *fd);
char *bt3GetBuff(Bt3File *fd, int size); /* fd may be NULL; size 0: the record length */
int bt3FreeBuff(char *buf);
int bt3Add(Bt3File *fd, char *buf);            /* record length; 0: a key exists (356) */
int bt3VlAdd(Bt3File *fd, char *buf, int len); /* len; 0: a key exists (356) */
int bt3Find(Bt3File *fd, char *buf, int mode); /* record length; 0: none */
int bt3Write(Bt3File *fd, char *buf);          /* record length; 0: a key exists (356) */
int bt3VlWrite(Bt3File *fd, char *buf, int len);
int bt3Delete(Bt3File *fd);
int bt3Start(Bt3File *fd, char *buf);
int bt3End(Bt3File *fd, char *buf);
int bt3Next(Bt3File *fd, char *buf);
int bt3Prev(Bt3File *fd, char *buf);
int bt3SetCur(Bt3File *fd, int rec, char *buf); /* buf may be NULL */
int bt3Select(Bt3File *fd, int inx);
/* key: the key's bytes, its segments concatenated; the record number, 0: no such key */
int bt3Check(Bt3File *fd, int inx, const char *key);
int bt3GetLen(Bt3File *fd, int rec);              /* the record's length (variable: as stored) */
int bt3DataRead(Bt3File *fd, int rec, char *buf); /* buf may be NULL */
/* 1, 2, 16 and 8 go to the data file, 1, 2, 4 and 8 to the indices (16 becomes 1 there), the
 * sharing bits to both; 0 queries.  Answers the data file's mode. */
int bt3SetMode(Bt3File *fd, int mode);
int bt3SetCache(Bt3File *fd, int inx, int kind, int slots); /* fd NULL: default; inx -1: all */
int bt3Sync(Bt3File *fd);
int bt3Lock(Bt3File *fd);
int bt3UnLock(Bt3File *fd);
int bt3AddInx(Bt3File *fd, const int *keydef); /* the new index number */
int bt3DelInx(Bt3File *fd);
int bt3Unlink(const char *base);
/* which: 2 data file, 1 index files; + BT3_LK_READ: a hold that only reads.  Answers the mask
 * of what it entered, for isamUnLock. */
int isamLockUp(Bt3File *fd, int which);
int isamUnLock(Bt3File *fd, int mask); /* mask: 2 data, 1 ".ndx", 4 ".nx$" */
int bt3Status(Bt3File *fd);
/* Walks in batches.  A bt3Next / bt3Prev on a shared fixed-length set (no LIO_RDLOCK, no bracket
 * held) reads the rows that follow under one bracket of the data file and the indices: 32, then
 * twice as many each time the walk goes on, up to rows (default BT3_BATCH); the steps after it
 * hand them out without any lock or I/O, each answering, copying and leaving current exactly what
 * its own step would have at the moment the batch was read.  Anything else on the handle (find,
 * start, end, set, read, select, check, add, rewrite, delete, a lock or unlock, a mode, a step the
 * other way, a bracket held) and any change this process makes to any file drops the rest; the
 * next step goes on from the current record.  Another process's changes are seen by the next
 * batch.  rows 0 turns batches off; fd NULL sets the default of every handle that has not been
 * given its own.  Answers the old setting, -1 for rows < 0. */
enum { BT3_BATCH = 4096 };
int bt3SetBatch(Bt3File *fd, int rows);
int bt3GetCur(Bt3File *fd); /* current record number, 0: none */
int bt3Count(Bt3File *fd);  /* records in the data file */

/* ---- watching a set for other processes' changes (watch.cpp) ----
 * The modification counter (header word 20) of each file of an open set: the data file, ".ndx",
 * and ".nx$" when it exists, in that order; a variable-length set's store has none and is left
 * out.  onDisk[i] is the word on disk, read with one 4-byte read per file and no lock; known[i]
 * is this process's copy, taken from disk whenever it enters a bracket on the file and advanced
 * by its own changes.  Nothing is written.  Answers how many files (1..BT3_PEEKMAX), -1 on
 * failure (a room smaller than that: 20). */
enum { BT3_PEEKMAX = 3 };
int bt3PeekCounts(Bt3File *fd, int *onDisk, int *known, int room);
/* Changes this process began on any file (a record, page, stash or header written by one of
 * its operations), counted for the life of the process.  A process whose count did not move
 * since it last looked has changed nothing: every counter that moved meanwhile moved for
 * another process. */
unsigned lioOwnChanges(void);

#ifdef __cplusplus
}
#endif

#endif
