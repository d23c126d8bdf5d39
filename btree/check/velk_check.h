// velk_check.h - verify and repair the files of a database directory.
//
// verifyDir reads every file set of a directory raw ("datadict", "blob", each table's
// "<NAME>.dat"/".ndx", and "proc.id") and reports what it finds broken; it never writes.
// repairDir copies every file it is about to change into DIR/backup-<date-time>/, then makes the
// directory usable again with the data files as the truth (clean marks, no stale locks, free
// chains and indices rebuilt), and verifies once more.  resetLocks clears only the lock tables,
// owner marks and open counts.  All three refuse (InUse) and change nothing while the directory
// is in use: a running copy of the program holds its in-use lock (muHoldInUse, btree.h: byte
// MU_INUSE_BYTE of the dictionary's data file; every file is probed, so a dictionary of another
// name is seen as well), or another process holds byte 0 of one of its files (inside an
// operation).  A repair or reset then holds both locks of every file itself, for writing, until
// it is done, so that no copy starts meanwhile.
// On a directory whose file system does not enforce locks (muProbeLocks, btree.h: a share
// mounted without them) no lock can keep a copy out: a repair or reset refuses (NoLocks) and
// changes nothing; a verify still reads and reports its findings, then the same line, with
// NoLocks, since it cannot tell whether a copy was at work meanwhile.
#ifndef VELK_BTREE_CHECK_VELK_CHECK_H
#define VELK_BTREE_CHECK_VELK_CHECK_H

#include <string>
#include <vector>

namespace velkcheck {

enum ExitCode { Clean = 0, Damaged = 1, CannotRun = 2, InUse = 3, NoLocks = 4 };

// One thing found broken: the file (name inside the directory), what is wrong, and where.
struct tFinding {
    std::string file;
    std::string what;
    std::string where;
};

struct tResult {
    int code; // an ExitCode
    std::vector<tFinding> findings;
    std::vector<std::string> actions; // what a repair or reset did, in order
    std::string message;              // why it could not run, or the summary
};

tResult verifyDir(const std::string &dir);
tResult repairDir(const std::string &dir); // backup first, then repair; code = result of the final
                                           // verify, or CannotRun / InUse
tResult resetLocks(const std::string &dir);

// The tool's texts are German, with the noun in the number of its count.
// "1 Befund", "2 Befunde": n and the noun for one or for many.
std::string counted(long n, const char *one, const char *many);
// "velk-check: DIR: 3 Dateigruppen, 40 Sätze: in Ordnung" (or "1 Befund", ...).
std::string summaryText(const std::string &dir, long sets, long records, long findings);
// "2 Dateien nach backup-20261210-120000/ kopiert".
std::string copiedText(long files, const std::string &backup);

} // namespace velkcheck

#endif
