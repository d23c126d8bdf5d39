// The ID counters of appointments, alarms and texts, and the record lock
// taken around their increment.
#ifndef VELK_MODEL_COUNTER_H
#define VELK_MODEL_COUNTER_H

struct Bt3File;

namespace velk {

// Raises an 8-character counter by one: from the last character, a
// character below '~' goes up by one and ends the increment, '~' becomes
// '0' and carries to the one before.
void incrementCounter(char *counter8);

// The engine's reason for the last failure: the newest non-zero code of
// its trace (a caller failing because of a callee records 0).
int engineCause();

// Where the counter record of a file set lives: the record with ID
// "########" at idOffset, its 8 counter characters at counterOffset.  In a
// variable-length set the record is `size` bytes and the counter is followed
// by a zero byte; in a fixed-length set `size` is the record size.
struct tCounterPlace {
    Bt3File *fd;
    char *buf; // an ISAM buffer of fd
    int size;
    int idOffset;
    int counterOffset;
    bool variable;
};

// The next ID from the counter record into out (8 characters and a
// terminator): "00000000" when the record is stored first, else the stored
// counter raised by one, under the record's lock.  False when the counter
// stays locked by another process or cannot be stored.
bool takeCounterId(const tCounterPlace &place, char *out);

// Locks the current record of fd.  A record held by another process is
// tried again for about two seconds; true once it is ours.
bool lockCurrentWithRetry(Bt3File *fd);

} // namespace velk

#endif
