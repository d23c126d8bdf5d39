// batch_hold.h - an import's table held locked for a batch of records at a time.
//
// Each insert alone takes the table's lock and re-reads its headers; held across a batch of
// records (tTableHold), the import does that once a batch.  Between two batches the hold is let
// go, so that other copies of the program get their turn, and only then does the import report
// its progress: the progress callback may handle window events, and no event handler must run
// while this process holds a table (one could wait on the user).
#ifndef VELK_EXCHANGE_BATCH_HOLD_H
#define VELK_EXCHANGE_BATCH_HOLD_H

#include "exchange/exchange.h"
#include "model/table.h"

#include <optional>

namespace velk {

class tBatchHold {
public:
    static constexpr long kBatch = 128;

    tBatchHold(tTable *table, const tExchangeProgress &progress)
        : table_(table), progress_(progress)
    {}

    // Before record n of total: at a batch boundary the hold is renewed around the progress
    // report.  False when the progress callback asks to stop.
    bool before(long n, long total)
    {
        if (hold_ && n % kBatch != 0) return true;
        hold_.reset();
        if (!goOn(progress_, n, total)) return false;
        hold_.emplace(table_);
        return true;
    }
    void release() { hold_.reset(); }

private:
    tTable *table_;
    const tExchangeProgress &progress_;
    std::optional<tTableHold> hold_;
};

} // namespace velk

#endif
