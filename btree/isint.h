/*
 * isint.h - what the ISAM layer keeps about an open file set.  Only btree/ sources include this;
 * everything else goes through btree.h.
 */
#ifndef VELK_ISINT_H
#define VELK_ISINT_H

#include "btree/vlint.h"

#include <cstring>
#include <string>
#include <vector>

/* Function codes of the ISAM layer, as they appear in the trace. */
enum {
    F_BT3CREAT = 300,
    F_KEYDEFINE,
    F_BT3OPEN,
    F_BT3READ,
    F_MAKEKEYBLOCK,
    F_BT3CLOSE,
    F_BT3ADD,
    F_BT3SYNC,
    F_BT3FIND,
    F_BT3WRITE,
    F_BT3SETCUR,
    F_BT3CHECK,
    F_BT3START,
    F_BT3END,
    F_BT3NEXT,
    F_BT3PREV,
    F_BT3SELECT,
    F_BT3DELETE,
    F_BT3FINDREL,
    F_BT3INXCREATE,
    F_BT3GETCUR,
    F_KEYINSERT,
    F_INSERTALL,
    F_ISAMLOCKUP,
    F_ISAMUNLOCK,
    F_BT3ADDINX,
    F_BT3DELINX,
    F_BT3GETLEN,
    F_BT3VLCREATE,
    F_BT3VLADD,
    F_BT3VLWRITE,
    F_BT3SETMODE,
    F_BT3SETCACHE,
    F_BT3GETBUFF,
    F_BT3FREEBUFF,
    F_BT3DATAREAD,
    F_BUFFVALIDATE,
    F_BT3BUFFCOPY,
    F_BT3UNLINK,
    F_BT3LOCK,
    F_BT3MAKELIST,
    F_BT3FREELIST,
    F_BT3FILLLIST
};

enum {
    BT3_MAXKEYLEN = LIO_MAXKEY, /* user part of one key */
    BT3_MAXSEGS = LIO_MAXKEY,   /* every segment is at least one byte long */
    BT3_BLOCKWORDS = BT3_STASH / 4,
    BT3_MAXREC = 1000000 - BT3_SERIAL /* the record files' longest record, less the serial */
};

/* Mask bits of isamLockUp / isamUnLock. */
enum { BT3_LK_NDX = 1, BT3_LK_DATA = 2, BT3_LK_NX = 4 };

/* One key: its segments in order and how the index stores it. */
struct Bt3Key {
    int flags; /* key type | 64 descending | 128 duplicates, as defined */
    int nseg;
    int off[BT3_MAXSEGS], len[BT3_MAXSEGS];
    int klen; /* user part: the segments' lengths added up */

    bool dups() const { return (flags & BT3_DUPS) != 0; }
    int type() const { return flags & LIO_KEY_TYPEMASK; }
    int dir() const { return (flags & BT3_DESC) ? -1 : 1; }
    /* a duplicates key carries the record serial in front (caller-supplied discriminator) */
    int lioLen() const { return klen + (dups() ? BT3_SERIAL : 0); }
    int lioType() const { return flags | (dups() ? LIO_KEY_CALLERDUP : 0); }
    int userOff() const { return dups() ? BT3_SERIAL : 0; }
};

/* Rows a step in shared mode read ahead under one bracket, handed out by the steps that follow
 * (isbatch.cpp).  Row i: rec[i], len[i], status[i] as the step to it answered them, its stored
 * copy (serial + record, reclen + 4 bytes) at stored[i * (reclen + 4)].  The rows stay good while
 * nothing else happens on the handle: same index, direction and mode, no bracket held, no change
 * by this process (lioChanges), the data file's headers in memory as they were (hdr). */
struct Bt3Batch {
    std::vector<unsigned char> stored;
    std::vector<int> rec, len, status;
    int n = 0, next = 0; /* rows read, rows handed out */
    int cur = 0, fwd = 1, mode = 0;
    int exact = 0; /* the index stands on the last row read, as the step to it left it */
    unsigned changes = 0;
    int32_t hdr[LIO_HDRWORDS] = {};
    int grow = 0; /* rows the next batch reads, 0: the first size */
    int cap = -1; /* most rows of a batch, 0: no batches, -1: the process's default */
};

struct Bt3File {
    Bt3File *self; /* validity check */
    std::string base;
    LioFile *dat = nullptr; /* fixed-length data file, or */
    VlFile *vl = nullptr;   /* the variable-length store */
    LioFile *ndx = nullptr; /* ".ndx" master descriptor */
    LioFile *nx = nullptr;  /* ".nx$" master descriptor, when temporary indices exist */
    LioFile *inx[BT3_MAXKEYS] = {};
    int nkeys = 0, nNdx = 0; /* all keys; those in ".ndx" (the rest are in ".nx$") */
    Bt3Key keys[BT3_MAXKEYS];
    int reclen = 0;    /* fixed: the record length; variable: the longest record */
    int cur = 0;       /* current index */
    int curRec = 0;    /* current record, 0 = none */
    int curLen = 0;    /* its length */
    int readState = 0; /* 2: read into a caller's buffer; 0: only positioned */
    int status = BT3_SAMEKEY;
    std::vector<unsigned char> copy; /* serial + record of the current record */
    Bt3Batch batch;
};

inline int32_t bt3SerialOf(const unsigned char *stored)
{
    int32_t s;
    memcpy(&s, stored, 4);
    return s;
}

/* ---- isamv3.cpp: records and keys ---- */
/* Key of a record (serial + record bytes) in the index's stored form; normalised. */
void bt3BuildKey(const Bt3Key &k, const unsigned char *stored, unsigned char *out);
int bt3UserCmp(const Bt3Key &k, const unsigned char *a, const unsigned char *b);
int bt3ReadStored(Bt3File *fd, int rec, unsigned char *out); /* record length, 0 none, -1 */
int bt3Reposition(Bt3File *fd); /* the current index back on the current record */
/* Makes rec (whose stored bytes are in the copy) current; copies it into buf when given. */
void bt3TakeCurrent(Bt3File *fd, int rec, int len, char *buf);
/* A step of the current index from the current record, inside the data file's bracket. */
int bt3StepFrom(Bt3File *fd, char *buf, bool fwd, int func);
/* The status of a step from record old (its key in stored form: was) to r (stored bytes to). */
int bt3StepStatus(const Bt3Key &k, int old, const unsigned char *was, int r,
                  const unsigned char *to, bool fwd);

/* ---- isbatch.cpp: walks in batches ---- */
void bt3DropBatch(Bt3File *fd); /* forgets the rows not handed out */
/* A step from the current record outside any bracket: the next row of the batch, or a new
 * batch, or a single step where batches do not apply. */
int bt3BatchStep(Bt3File *fd, char *buf, bool fwd, int func);

/* ---- ismu.cpp: file sets, brackets, buffers ---- */
int bt3Valid(const Bt3File *fd);
int bt3CheckHandle(Bt3File *fd, int func); /* 0, or -1 with 17 */
void bt3RegisterMessages();
/* Parses a definition list (343/344); answers the number of keys, -1 on failure. */
int keyDefine(const int *keydef, int maxrec, Bt3Key *keys, int room, int func);

/* An operation between isamLockUp(which) and isamUnLock; failures record code 0 under func. */
int bt3Enter(Bt3File *fd, int which, int func);
/* ioFailures, changes: lioIoFailures() and lioChanges() when the operation began; a failed
 * operation during which I/O failed leaves the files it wrote marked 38. */
int bt3Leave(Bt3File *fd, int mask, int func, int rc, unsigned ioFailures, unsigned changes);
template <class F>
int bt3Locked(Bt3File *fd, int which, int func, F body)
{
    unsigned failures = lioIoFailures(), changes = lioChanges();
    int mask = bt3Enter(fd, which, func);
    if (mask < 0) return -1;
    return bt3Leave(fd, mask, func, body(), failures, changes);
}

struct Bt3Buf {
    int size;             /* usable bytes behind the hidden serial */
    const Bt3File *owner; /* the handle that last read a record into it */
    int32_t serial;       /* and that record's serial */
};
Bt3Buf *bt3FindBuff(const char *buf);                  /* NULL when not handed out */
int buffValidate(const char *buf, int need, int func); /* 359 / 20; 0 */
void bt3BuffForget(const Bt3File *fd);                 /* at close: the handle may be reused */

#endif
