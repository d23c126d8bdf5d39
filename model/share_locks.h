// share_locks.h - whether copies of the program can share a database directory safely.
//
// Everything that keeps running copies apart rests on byte-range locks of the directory's file
// system (muProbeLocks, btree.h).  On a share that does not enforce them the program and
// velk-exchange refuse to start with one message, kept here, that names the directory and says
// how to mount the share instead.  The text is UTF-8.
#ifndef VELK_MODEL_SHARE_LOCKS_H
#define VELK_MODEL_SHARE_LOCKS_H

#include <string>

namespace velk {

// The message for a directory whose file system does not enforce locks; `why` is the probe's
// reason (an errno name, or the engine's "conflicting lock granted", said here in German).
std::string unlockedShareText(const std::string &dir, const std::string &why);

// Probes `dir` (a trailing separator is dropped, "" is the current directory): the message when
// its file system does not enforce locks, else "" (also when the probe cannot be made there: a
// missing or read-only directory is reported where the database is opened).
std::string unlockedShareRefusal(const std::string &dir);

} // namespace velk

#endif
