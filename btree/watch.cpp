/*
 * watch.cpp - what another process changed in an open file set, seen from outside its brackets.
 *
 * Every change bracket that writes a record or index file's headers advances its modification
 * counter (header word 20 of the file's first 340-byte header), and so does every record or page
 * written; a bracket that only reads leaves it alone.  A process that wants to know whether
 * another one changed a set compares the word on disk with what it saw last time.
 *
 * The word is read with one 4-byte pread per file and no lock: the header may be half written at
 * that moment, but an aligned word of it is either the old or the new value, and a value read
 * early is simply seen to move at the next look.  Nothing is written and nothing in memory
 * changes.
 *
 * The process's own copy of the word (master->hdrs[20]) follows its own brackets: it is read
 * from disk whenever the process enters one, and advanced and written back by its own changes.
 * After an own change it equals the word on disk; after another process's change it does not,
 * until this process enters a bracket on the file again.
 *
 * A variable-length set keeps its records in a store without such a counter: only its indices
 * are looked at (a change of the records changes them too, except a rewrite in place of a text
 * under the same keys).
 */
#include "btree/isint.h"

#define MODULE "watch.cpp"

namespace {

/* The counter on disk into *onDisk, the process's copy into *known; 0, or -1 recorded. */
int peekOne(LioFile *m, int *onDisk, int *known)
{
    int32_t word = 0;
    if (lioPread(m->fh, &word, 4, (off_t)LIO_H_MODCOUNT * 4) != 4)
        return LIO_FAIL(F_BT3GETCUR, LIO_E_HDRREAD);
    *onDisk = word;
    *known = m->hdrs[LIO_H_MODCOUNT];
    return 0;
}

} // namespace

int bt3PeekCounts(Bt3File *fd, int *onDisk, int *known, int room)
{
    if (bt3CheckHandle(fd, F_BT3GETCUR) < 0) return -1;
    if (!onDisk || !known) return LIO_FAIL(F_BT3GETCUR, LIO_E_BADARG);
    LioFile *files[BT3_PEEKMAX] = {};
    int n = 0;
    if (fd->dat) files[n++] = fd->dat->master;
    files[n++] = fd->ndx->master;
    if (fd->nx) files[n++] = fd->nx->master;
    if (room < n) return LIO_FAIL(F_BT3GETCUR, LIO_E_BADARG);
    for (int i = 0; i < n; i++)
        if (peekOne(files[i], &onDisk[i], &known[i]) < 0) return -1;
    return n;
}

unsigned lioOwnChanges(void) { return lioChanges(); }
