// Fuzz target of the iCalendar reader: any bytes as a file.  Every appointment read has a start
// and an end that exist (the end not before the start, or "no end" on the start day), a title
// within its field, at most the series' bound of rows per event.  Violations abort.
#include "address/group.h"
#include "exchange/ical.h"
#include "exchange/ical_time.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

using namespace velk;

namespace {

void check(bool ok)
{
    if (!ok) abort();
}

bool storable(const tDateTime &t)
{
    return t.valid() && t.validTime() && t.year >= 1 && t.year <= 9999;
}

} // namespace

// The group lookups of the appointment's visibility rule (termin.cpp), which the readers never
// reach; the stores are not part of this target.
bool velk::isMember(std::string_view, std::string_view) { abort(); }
bool velk::tGroup::find(std::string_view) { abort(); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string_view text(reinterpret_cast<const char *>(data), size);
    tIcsReadout ics = readICalendarText(text, tDate{1, 1, 2026});
    for (const tIcsEvent &e : ics.events) {
        check(e.rows.size() <= (size_t)kSeriesMax);
        for (const tTermin &t : e.rows) {
            check(storable(t.from) && storable(t.till));
            bool noEnd = t.till.sameDay(t.from) && t.till.hour == 0 && t.till.minute == 0;
            check(noEnd || minutesOf(t.till) >= minutesOf(t.from));
            check(strlen(t.TITLE) <= 40);
        }
    }
    return 0;
}
