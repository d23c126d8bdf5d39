// sync.h - a two-way sync between the database, seen as the calendar user, and a vdir
// (vdir.h), which vdirsyncer keeps in step with a CalDAV or CardDAV server.
//
//   termine       the appointments the user owns, one .ics each (UID as the export gives it, the
//                 user's alarm with it); new, changed and deleted files come back as new, changed
//                 and deleted appointments of the user, a series from another program as its
//                 repetitions (ical.h), kept together by their UID.
//   termine-team  the appointments of others that the user may see, one .ics each, written
//                 only: a change or deletion made to those files elsewhere is not applied, but
//                 reported and overwritten.
//   personen      the persons of the address book, one .vcf each, both ways.
//
// The state of the last run (sync_state.h) tells what changed on either side since; only that is
// read, written or stored.  When both sides changed one item and the contents differ, ours wins:
// the file is written from our records, and the other version is kept beside it as
// "<name>.konflikt.ics" (".vcf") with a UID of its own, which the same run stores as a new item,
// so that nothing is lost.  A change on one side against a deletion on the other: the change
// wins.  An item another copy deletes or changes while the run works on it is handled as a walk
// handles it: the deleted one stored again from the file, reported.
//
// Every step can be interrupted (a kill included): the state is saved after every batch of
// changes, and what a run did before it saved is recognised by its contents on the next run
// (files equal to our records, records equal to files, a record stored twice refused by its key
// and taken for the item's own).
#ifndef VELK_EXCHANGE_SYNC_H
#define VELK_EXCHANGE_SYNC_H

#include "exchange/exchange.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velk {

enum class tSyncKind { Termine, TermineTeam, Personen };

// "termine", "termine-team", "personen", and back.
const char *syncKindName(tSyncKind kind);
std::optional<tSyncKind> syncKindNamed(std::string_view name);

struct tSyncCounts {
    long added = 0, changed = 0, deleted = 0, conflicts = 0;
};

struct tSyncReport {
    tExchangeResult::Outcome outcome = tExchangeResult::Done;
    tSyncCounts in;  // into the database
    tSyncCounts out; // into the vdir
    long unchanged = 0;
    // One line (Windows-1252) for each conflict, refused change and unreadable file.
    std::vector<std::string> remarks;
    std::string message, detail; // Windows-1252; empty when Done
    bool ok() const { return outcome == tExchangeResult::Done; }
};

// What one item came to, seen from its state, our records and its file.
struct tSyncSides {
    bool known = false;       // in the state of the last run
    bool ours = false;        // records on our side
    bool oursChanged = false; // new or changed since the last run (also: all deleted)
    bool file = false;        // a file in the vdir
    bool fileChanged = false; // new or changed since the last run (also: deleted)
};

enum class tSyncAction {
    Nothing,        // in step
    Forget,         // gone on both sides
    WriteFile,      // ours new or changed
    DeleteFile,     // ours deleted, the file unchanged
    StoreFile,      // the file new or changed
    DeleteRecords,  // the file deleted, ours unchanged
    Compare,        // both new or both changed: the same contents, else a conflict
    RestoreFile,    // the file deleted, ours changed: the change wins (a conflict)
    RestoreRecords, // ours deleted, the file changed: the change wins (a conflict)
};

// The action of a collection both ways, and of one written only (termine-team: the file is
// written again wherever it differs from ours, and deleted where ours is gone).
tSyncAction decideSync(const tSyncSides &s);
tSyncAction decideWrittenOnly(const tSyncSides &s);

// The sync of the vdir for the calendar user of the open database; statePath as syncStatePath
// gives it.  Progress counts the items handled.
tSyncReport runSync(tSyncKind kind, const std::string &vdir, const std::string &statePath,
                    const tExchangeProgress &progress = {});

// "in die Datenbank: 1 neu, 0 ge\xE4ndert, 0 gel\xF6scht, 0 Konflikte; ins Verzeichnis: ..."
// (Windows-1252).
std::string describeSync(const tSyncReport &r);

} // namespace velk

#endif
