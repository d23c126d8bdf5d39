#include "base/walk.h"

namespace velk {

long walkFirst(tTable &table, tRecord &rec, int key)
{
    if (!table.selectIndex(key)) return 0;
    return table.first(rec);
}

long walkNext(tTable &table, tRecord &rec, int key, long cursor)
{
    if (cursor <= 0) return 0;
    if (table.selectedIndex() != key && !table.selectIndex(key)) return 0;
    if (table.current() != cursor && !table.setCurrent(cursor, rec)) {
        // The record was deleted meanwhile: go on from the first key after the one rec holds.
        long found = table.seek(rec, 2);
        return found != cursor ? found : 0;
    }
    long next = table.next(rec);
    return next != cursor ? next : 0;
}

} // namespace velk
