// store_status.h - what a write of a store came to: the keyed tables (row_store.h), the
// appointment store and the alarms.
#ifndef VELK_BASE_STORE_STATUS_H
#define VELK_BASE_STORE_STATUS_H

namespace velk {

enum class tStoreStatus {
    Stored,    // written
    Duplicate, // refused: another row has the same unique key (nothing written)
    NotFound,  // no row with that ID (nothing written)
    NoDate,    // refused: an alarm without a valid date and time (nothing written)
    NoTable,   // the table could not be opened
    Failed,    // the engine failed: no ID, a lock held too long, a write refused
};

} // namespace velk

#endif
