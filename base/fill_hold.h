// fill_hold.h - one bracket per table for the whole fill of a view.
//
// A view reads several tables, each of them many times: a week asks for the birthdays, the
// appointments and the due tasks of seven days, a month for thirty days of birthdays.  Without
// a hold every one of those questions locks its table and reads its headers again, and on a
// file server each of them is a round trip.  Held, each table is locked once and its headers
// read once for the whole fill; everything the fill asks nests in the hold.
//
// The holds are read holds: copies filling views share them, a writer waits until the fill is
// done.  Hold only for the fill itself, never while waiting on the user, and never around a
// change.  The tables are taken in one fixed order (by name), whatever order the caller lists
// them in.  A table that is not open (null) is
// skipped; a lock that cannot be taken leaves each question to take its own, as without a hold.
#ifndef VELK_BASE_FILL_HOLD_H
#define VELK_BASE_FILL_HOLD_H

#include "model/tables.h"

#include <initializer_list>
#include <memory>
#include <vector>

namespace velk {

class tFillHold {
public:
    explicit tFillHold(std::initializer_list<tTable *> tables);
    ~tFillHold();
    tFillHold(const tFillHold &) = delete;
    tFillHold &operator=(const tFillHold &) = delete;

private:
    std::vector<std::unique_ptr<tTableHold>> holds_;
};

} // namespace velk

#endif
