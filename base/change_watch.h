// change_watch.h - what other copies of the program changed in the database since the last look.
//
// Each copy sends the data-changed notice for its own changes at once; a change made by another
// copy on the same directory reaches its views only through this watch.  check() reads the
// modification counter of every file of every open table (one 4-byte read each, no lock, nothing
// written; see bt3PeekCounts) and answers the notice bits (base/notice_bits.h) of the tables
// whose counters moved for another process since the previous check.
//
// A file's counter is taken as moved by another process when it differs from what the previous
// check read and either this process changed nothing anywhere since then (tTable::ownChanges did
// not move), or it differs from this process's own copy of it (which its own changes keep equal
// to the disk).  The first rule keeps a change seen when this process merely read the table after
// it; the second keeps this process's own changes, whose notices went out already, quiet.  When
// this process made changes and also read another table after another copy changed it, that
// change goes unseen until the next one.  A record lock taken by this process while it changed
// nothing counts as a change (a refill too many, never one too few).
//
// The first check of a table (the first check at all, a table opened since, one that gained a
// temporary index) only records its counters.  Tables not open are skipped: opening is not the
// watch's business.
#ifndef VELK_BASE_CHANGE_WATCH_H
#define VELK_BASE_CHANGE_WATCH_H

#include <map>
#include <string>
#include <vector>

namespace velk {

// The notice bits of a table's changes: TERMIN appointments, ALARM alarms, PERSON, GROUP and
// MEMBER persons, RESOURCE resources, PROJECT and TASK projects; 0 for any other (USERS, the
// dictionary and the text store: no view shows them).
int noticeBitsOfTable(const std::string &name);

class tChangeWatch {
public:
    // The tables with notice bits, in the order they are read.
    static const std::vector<std::string> &watchedTables();

    // The bits of the open tables another process changed since the last check; 0 when none.
    int check();

private:
    std::map<std::string, std::vector<int>> lastSeen_; // counters on disk per open table
    unsigned ownChanges_ = 0;                          // tTable::ownChanges() at the last check
    bool checked_ = false;
};

} // namespace velk

#endif
