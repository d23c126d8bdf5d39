// sync_side.h - what the sync (sync.h) asks of the records of one kind: ours by UID, a file's
// text from them, and the records from a file's text.  Not for use outside the exchange.
#ifndef VELK_EXCHANGE_SYNC_SIDE_H
#define VELK_EXCHANGE_SYNC_SIDE_H

#include "exchange/sync.h"
#include "exchange/sync_state.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace velk {

class tSyncSide {
public:
    virtual ~tSyncSide() = default;
    virtual const char *extension() const = 0;
    // Our records by UID, with their hashes (occurrences as far as the side knows them);
    // uidOfId gives the UIDs the last run knew.
    virtual std::map<std::string, std::vector<tSyncRecord>>
    ours(const std::map<std::string, std::string> &uidOfId) = 0;
    // The UID of a file's text; empty when it holds no item.
    virtual std::string uidOf(const std::string &text) = 0;
    // The file's text for our records of uid, written over existing (empty: none); before: the
    // records of the last run.  Empty when nothing can be written.
    virtual std::string textOf(const std::string &uid, const std::vector<tSyncRecord> &records,
                               const std::vector<tSyncRecord> &before,
                               const std::string &existing) = 0;
    // Stores the file's item over the records of the last run; the records now standing for it
    // in *after.  False when the store failed (r's message says why).
    virtual bool store(const std::string &uid, const std::string &text,
                       const std::vector<tSyncRecord> &before, std::vector<tSyncRecord> *after,
                       tSyncReport &r) = 0;
    // Whether the last store changed a record (not so when it found them all as stored).
    virtual bool storeChanged() const { return true; }
    virtual bool removeRecords(const std::vector<tSyncRecord> &records) = 0;
    // Whether the file's text holds what our records hold.
    virtual bool sameContent(const std::string &text, const std::vector<tSyncRecord> &records) = 0;
    // The text with the item's UID replaced.
    virtual std::string withUid(const std::string &text, const std::string &uid,
                                const std::string &newUid) = 0;
    // A name for remarks: the title of an appointment, the name of a person (Windows-1252).
    virtual std::string nameOf(const std::vector<tSyncRecord> &records) = 0;
};

std::unique_ptr<tSyncSide> appointmentSide(bool team);
std::unique_ptr<tSyncSide> personSide();

} // namespace velk

#endif
