/*
 * vlint.h - what the variable-length store keeps about an open mapper/store pair.  Only btree/
 * sources include this; everything else goes through btree.h.
 */
#ifndef VELK_VLINT_H
#define VELK_VLINT_H

#include "btree/lioint.h"

/* Function codes of the variable-length store, as they appear in the trace. */
enum {
    F_VLCREAT = 400,
    F_VLOPEN,
    F_VLREAD,
    F_VLWRITE,
    F_VLFREE,
    F_VLCLOSE,
    F_VLFLUSH,
    F_VLAVL,
    F_VLSTATS,
    F_MAPSEEK,
    F_DELSREAD,
    F_DELSWRITE,
    F_DELWRITE,
    F_DELREAD,
    F_DELSEEK,
    F_MAPWRITE,
    F_MAPREAD,
    F_WRITEVLHEAD,
    F_READVLHEAD,
    F_VLDCREAT,
    F_VLDREAD,
    F_VLDDELETE,
    F_VLLOCK,
    F_VLUNLOCK,
    F_VLLOCKCHECK,
    F_VLSETMODE,
    F_VLRSTASH,
    F_VLWSTASH,
    F_VLMUENTRY,
    F_VLFIXUP,
    F_MAPCLEANUP
};

enum {
    VL_MAXSTASH = 1000000,
    VL_MAXMIN = 1000000, /* largest minimum area size vlCreat accepts */
    VL_MAXMAX = 30000,   /* largest stored length (record + 4) */
    VL_MAXGRAN = 1024
};

struct VlFile {
    VlFile *self; /* validity check */
    int mfh, sfh; /* mapper and store handles */
    int mode;
    int inside;      /* inside the multi-user bracket now */
    int touched;     /* header words changed inside the bracket */
    int markedDirty; /* mark 38 written to disk inside this bracket */
    int staleDirty;  /* the mapper carried mark 38 when the bracket was entered */
    int unfinished;  /* exclusive: an operation was cut short; never marked clean again */
    int owns;        /* this descriptor put its process number into word 16 */
    int readOnlyFh;  /* the handles were opened read-only: writing is impossible */
    int counted;     /* this descriptor added itself to the open count (word 15) */
    int32_t hdr[VL_HDRWORDS];

    /* derived from the header at each read */
    int classes;   /* size classes in the delete-heap table */
    int dataStart; /* first byte of the area region: 12 + stash */
};

/* ---- descriptors and geometry (vlen3.cpp) ---- */
int vlValid(const VlFile *fd);
void vlRegisterMessages();

/* ---- header, bracket, locks, owner (vlmu.cpp) ---- */
int vlLockMapper(int fh, bool reader); /* byte 0 of the mapper; a reader takes a read lock */
int vlHeadCheck(const int32_t *h, long long mapSize, long long storeSize, const int32_t *storeHdr);
int readVlHead(VlFile *fd);            /* reads and checks; the copy is kept only when sound */
int writeVlHead(VlFile *fd, int mark); /* writes the copy with the mark */
int vlMarkChanged(VlFile *fd);         /* before the first write of a change */
int vlChangeDone(VlFile *fd);          /* after a change: mode bit 8 rewrites the clean mark */
int vlTakeOwner(VlFile *fd);
int vlDropOwner(VlFile *fd, int mark);
LockTable vlLocks(VlFile *fd);
int vlLockedByOther(VlFile *fd, int rec);

/* Leaves the bracket, as muLeave does for record files. */
int vlMuLeave(VlFile *fd, int entered, bool cutShort);
void vlNoteUnfinished(VlFile *fd); /* as lioNoteUnfinished */

/* The bracket around one public operation of the store, as Bracket is for record files. */
struct VlBracket {
    VlFile *fd;
    unsigned failures = lioIoFailures(), changes = lioChanges();
    int entered;
    explicit VlBracket(VlFile *f) : fd(f), entered(vlMuEntry(f)) {}
    bool ok() const { return entered >= 0; }
    int leave()
    {
        int e = entered;
        entered = 0;
        return vlMuExit(fd, e);
    }
    ~VlBracket()
    {
        bool cutShort = lioIoFailures() != failures;
        if (entered > 0)
            vlMuLeave(fd, entered, cutShort);
        else if (cutShort && lioChanges() != changes)
            vlNoteUnfinished(fd);
    }
    VlBracket(const VlBracket &) = delete;
    VlBracket &operator=(const VlBracket &) = delete;
};

#endif
