// ical_item.h - the file of one item of a vdir of appointments: one UID, its event, and for a
// series from another program the events that replace single occurrences.
//
// An item VELK made holds one appointment.  An item from another program may be a series that
// VELK keeps as several appointments (ical.h); each of them stands for one occurrence, known by
// its local start.  When appointments of an item change on our side, its file is rewritten from
// the file as it is, so that what VELK has no field for (descriptions, categories, further
// attendees, the rule of a series beyond VELK's horizon) stays:
//
//   an event of its own       the values VELK keeps (DTSTART, DTEND, SUMMARY, LOCATION, CLASS,
//                             VELK's ATTENDEE, the VALARMs) replaced by the appointment's
//   an occurrence changed     an event with its RECURRENCE-ID and the appointment's values,
//                             replacing the one there was
//   an occurrence deleted     an EXDATE of the series, and no event replacing it
//
// Without a file (or with one that holds no event of the UID) the file is made anew: one
// appointment as its event; several as the first with an RDATE for each further one, each
// further one as an event replacing that occurrence.
#ifndef VELK_EXCHANGE_ICAL_ITEM_H
#define VELK_EXCHANGE_ICAL_ITEM_H

#include "calendar/alarm.h"
#include "calendar/termin.h"

#include <map>
#include <string>
#include <vector>

namespace velk {

struct tIcsItemRow {
    tTermin row;
    long long occurrence = 0;      // 0: an event of its own
    const tAlarm *alarm = nullptr; // the calendar user's alarm on it
    bool gone = false;             // deleted on our side
    bool changed = true;           // to be written (gone rows always are)
};

// The text of the item's file; resources are the titles by resource ID.
std::string icsItemText(const std::string &existing, const std::string &uid,
                        const std::vector<tIcsItemRow> &rows,
                        const std::map<std::string, std::string> &resources);

// The text with every UID equal to uid replaced by newUid (the copy of a conflict).
std::string icsWithUid(const std::string &text, const std::string &uid, const std::string &newUid);

} // namespace velk

#endif
