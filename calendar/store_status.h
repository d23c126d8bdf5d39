// store_status.h - what a write of the calendar's stores came to.
#ifndef VELK_CALENDAR_STORE_STATUS_H
#define VELK_CALENDAR_STORE_STATUS_H

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
