// termin_store.h - the one process-wide appointment store: every read and write of TERMIN rows
// for the dialogs and views.
//
// Walks answer positions: the row's record number, 0 at the end (or when the table is not open).
// A next-step takes the position the previous step answered and the tTermin it filled; the walk
// goes on from that row even when other operations moved the table in between, and from the
// tTermin's key when the row was deleted meanwhile.  Every walk skips the rows that the
// visibility rule (termin.h) hides from the calendar user (calendar_user.h).
//
// Index numbers: 0 orders by ID, 1 by FROMDATE, FROMTIME, TITLE, RESOURCE, OWNER (unique).  The
// walks over an index return the table's ID counter row first (it has no dates and an empty
// READ; tTermin::isCounter tells it); the walks by date never meet it.
//
// The touching walk looks back from the range's start by the longest span of any stored
// appointment, kept in the counter row (termin_span.h), so that it reads only the rows that can
// overlap the range.
#ifndef VELK_CALENDAR_TERMIN_STORE_H
#define VELK_CALENDAR_TERMIN_STORE_H

#include "base/store_status.h"
#include "calendar/termin.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace velk {

class tTermTable;

// The result of an insert: the appointment's own status, and for a series how many repetitions
// the rule generated and how many of them were stored.
struct tInsertResult {
    tStoreStatus status = tStoreStatus::NoTable;
    int repetitions = 0;
    int repetitionsStored = 0;

    int notStored() const { return repetitions - repetitionsStored; }
    // The appointment and every repetition stored.
    bool complete() const { return status == tStoreStatus::Stored && notStored() == 0; }
};

class tTerminStore {
public:
    enum Index { ById = 0, ByStart = 1 };

    static tTerminStore &instance();

    // Whether the TERMIN table is open (opening it on first use).
    bool isOpen();

    // Stores t as a new row: a new ID from the counter, OWNER := the calendar user (an empty TYPE
    // is stored as the blank new appointments carry).  On success t receives ID and OWNER; then,
    // when a rule is attached, each repetition is inserted the same way with the rule detached (a
    // failed one does not stop the others).  Duplicate: a row with the same start, title, resource
    // and owner exists.
    tInsertResult insert(tTermin &t);
    // Rewrites every field of the row with this ID from t (the ID stays); no repetitions.
    tStoreStatus update(std::string_view id, const tTermin &t);
    // Fills t from the row with this ID; false when there is none.
    bool find(std::string_view id, tTermin &t);
    // Deletes the row with t's ID: 0 when deleted, or when there was no such row or no table;
    // -1 when the row stays because the delete failed.
    int remove(const tTermin &t);
    // Stores a deleted row again as it was read (OWNER, READ, every field as given), under its ID
    // where that is free, else under a new one from the counter (t receives it).  Duplicate: a
    // row with the same start, title, resource and owner exists.
    tStoreStatus restore(tTermin &t);

    // The visible appointments that start on `day`, in index 1 order.
    long firstOfDay(const tDate &day, tTermin &t);
    long nextOfDay(const tDate &day, long position, tTermin &t);

    // Every visible row in the order of index 0 or 1.
    long first(int index, tTermin &t);
    long next(int index, long position, tTermin &t);

    // The visible appointments that overlap from..till, in start order: each that does not end
    // before `from` and does not start after `till` (to the minute), however early it began.
    long firstTouching(const tDateTime &from, const tDateTime &till, tTermin &t);
    long nextTouching(const tDateTime &from, const tDateTime &till, long position, tTermin &t);

    // The walks above as lists.
    std::vector<tTermin> ofDay(const tDate &day);
    std::vector<tTermin> touching(const tDateTime &from, const tDateTime &till);
    // The touching walk over every row, the ones hidden from the calendar user included (visible
    // tells them apart); for what must count every appointment, such as a resource's bookings.
    std::vector<tTermin> touchingAll(const tDateTime &from, const tDateTime &till);

    // Whether the calendar user may see t (the group answers are kept for one walk).
    bool visible(const tTermin &t);

private:
    tTerminStore() = default;
    tStoreStatus insertOne(tTermin &t);
    long dayStep(tTermTable &table, const tDate &day, long position, tTermin &t);
    long indexStep(tTermTable &table, int index, long position, tTermin &t);
    long touchStep(tTermTable &table, const tDateTime &from, const tDateTime &till, long position,
                   tTermin &t, bool hidden = false);

    // The user's membership in each group met, kept for one walk.
    std::map<std::string, bool, std::less<>> groups_;
    std::string groupsUser_;
};

} // namespace velk

#endif
