// ical_parts.h - the pieces of the iCalendar writer that the items of a vdir are made of
// (ical_write.cpp, ical_item.cpp).  Not for use outside the exchange.
#ifndef VELK_EXCHANGE_ICAL_PARTS_H
#define VELK_EXCHANGE_ICAL_PARTS_H

#include "calendar/alarm.h"
#include "calendar/termin.h"

#include <libical/ical.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace velk {

// Components libical made, freed when they go.
struct tFreeComponent {
    void operator()(icalcomponent *c) const { icalcomponent_free(c); }
};
using tComponentPtr = std::unique_ptr<icalcomponent, tFreeComponent>;

// A component as libical writes it (folded, escaped, UTF-8).
std::string serialised(icalcomponent *c);

// The calendar user's first alarm of each appointment, by appointment ID.
std::map<std::string, tAlarm> alarmsOfUser();

// A VCALENDAR with the zone from fromYear on around VEVENT texts.
std::string icsCalendarOf(const std::vector<std::string> &events, int fromYear);
// One appointment as a VEVENT with this UID, with the alarm when given; resources are the
// titles by resource ID (LOCATION).
std::string icsEventText(const tTermin &t, const std::string &uid, const tAlarm *alarm,
                         const std::map<std::string, std::string> &resources);
// New components and properties, owned by the caller.
icalcomponent *icsBerlinZone(int fromYear);
icalproperty *icsAttendee(const tTermin &t); // null without a participant
icalcomponent *icsAlarm(const tTermin &t, const tAlarm &a);
// Whether a calendar can take the row (a valid start).
bool icsWritable(const tTermin &t);

} // namespace velk

#endif
