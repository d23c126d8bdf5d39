// undo_journal.h - "Rückgängig": the deletions of this run of the program, to be undone newest
// first, one at a time.
//
// The code that deletes takes a snapshot of the record before it deletes (snapshotOf: the row
// as stored and what goes with it) and hands it to the journal once the delete succeeded.  Undo
// stores the newest snapshot again:
//
//   kind         what comes back
//   Termin       the row: OWNER, READ, WITH, resource as stored (the rule of a series is not
//                stored; its repetitions are rows of their own)
//   Alarm        the row, for its one recipient
//   Person       the row, its memberships and, for a user, the USERS record (its login)
//   Group        the row, its comment and its memberships
//   Resource     the row
//   Project      the row and every task it had, with their comments
//   Task         the row and its comment
//
// Each record keeps its ID where that is still free.  Where another record took it meanwhile,
// appointments and alarms get a new ID from their counter as new records do; the IDs people type
// (persons, groups, resources, projects, tasks) get the first free one of the ID with "2", "3",
// ... appended, shortened to the field where needed (freeTypedId), and what refers to the record
// (memberships, a project's tasks) follows it.  A comment comes back as a new text.  A record
// that cannot be stored (its table refused it: a copy made meanwhile with the same start and
// title, say) is reported and leaves the journal all the same.
#ifndef VELK_VIEWS_UNDO_JOURNAL_H
#define VELK_VIEWS_UNDO_JOURNAL_H

#include "address/group.h"
#include "address/person.h"
#include "address/resource.h"
#include "base/notice_bits.h"
#include "base/store_status.h"
#include "calendar/alarm.h"
#include "calendar/termin.h"
#include "model/users.h"
#include "projects/project.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velk {

enum class tUndoKind { Termin, Alarm, Person, Group, Resource, Project, Task };

// A deleted record as it was, with what went with it.  Only the member of its kind counts.
struct tDeleted {
    tUndoKind kind = tUndoKind::Termin;
    tTermin termin;
    tAlarm alarm;
    tPerson person;
    tGroup group;
    tResource resource;
    tProject project;
    std::vector<tTask> tasks;     // a project's tasks, or the one task
    std::vector<std::string> ids; // a person's groups, or a group's members
    std::optional<tUser> user;    // the login of a user's person (root deletes both)

    // The record's ID.
    std::string id() const;
};

// The record of this kind and ID as stored now, with what goes with it; none when it is gone.
std::optional<tDeleted> snapshotOf(tUndoKind kind, std::string_view id);

// What an undo did.
struct tUndone {
    tUndoKind kind = tUndoKind::Termin;
    tStoreStatus status = tStoreStatus::NotFound; // NotFound: the journal was empty
    std::string id;                               // the ID it was stored under
    std::string text;                             // a line for the status bar (UTF-8)
    int notice = 0;                               // the tNoticeBit of the views to refill
};

class tUndoJournal {
public:
    static tUndoJournal &instance();

    // A snapshot of a record whose delete succeeded.
    void record(tDeleted deleted);
    // Snapshot and delete in one: takes the snapshot, runs `remove`, and records the snapshot
    // when `remove` answers true.  Answers what `remove` answered; false without running it
    // when the record could not be read (gone, or a failed read): nothing is deleted that could
    // not come back.
    bool deleting(tUndoKind kind, std::string_view id, const std::function<bool()> &remove);
    // The same for a record the caller has just read.
    bool deleting(tDeleted before, const std::function<bool()> &remove);

    bool canUndo() const { return !entries_.empty(); }
    std::size_t size() const { return entries_.size(); }
    // Stores the newest snapshot again and drops it from the journal.
    tUndone undo();
    void clear();

    // Called after every change of the journal (the frame enables "Rückgängig" by it).
    void onChange(std::function<void()> listener) { listener_ = std::move(listener); }

private:
    tUndoJournal() = default;
    void changed();

    std::vector<tDeleted> entries_;
    std::function<void()> listener_;
};

// The first ID of base, base + "2", base + "3", ... that `taken` does not know, each shortened
// so that it fits `width` characters.
std::string freeTypedId(std::string_view base, std::size_t width,
                        const std::function<bool(std::string_view)> &taken);

// The name of a kind as the status bar says it: "Termin", "Person", ...
const char *undoKindName(tUndoKind kind);

} // namespace velk

#endif
