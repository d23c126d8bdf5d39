/* The ID counters of appointments, alarms and texts, and the record lock
 * taken around their increment. */
#pragma once

struct Bt3File;

/* Raises an 8-character counter by one: from the last character, a
 * character below '~' goes up by one and ends the increment, '~' becomes
 * '0' and carries to the one before. */
void IncrementCounter(char *counter8);

/* The engine's reason for the last failure: the newest non-zero code of
 * its trace (a caller failing because of a callee records 0). */
int EngineCause();

/* Locks the current record of fd.  A record held by another process is
 * tried again for about two seconds; true once it is ours. */
bool LockCurrentWithRetry(Bt3File *fd);
