// booking_check.h - whether an appointment would book its resource a second time, and the
// question that tells the user so, without a window.
//
// Two appointments of one resource collide when their times overlap: each starts before the
// other ends.  An appointment ending at the minute the other starts does not collide; one whose
// end is not after its start (00:00 to 00:00, say) takes up its start minute.  The check counts
// every stored row, also the ones the calendar user may not see; those are named only as
// "belegt".  A new series is checked with all its repetitions, never against itself; an
// appointment that is rewritten is never checked against its own row (same ID).
//
// The question, Windows-1252:
//
//   Die Ressource Beamer ist in dieser Zeit schon belegt (03.06.2024 09:00-11:00 Sitzung).
//   Trotzdem speichern?
//
// or, for several bookings, one line each (at most kBookingLines, then "und N weitere"); the
// hidden ones together in one line "belegt" ("3-mal belegt").
#ifndef VELK_CALENDAR_BOOKING_CHECK_H
#define VELK_CALENDAR_BOOKING_CHECK_H

#include "calendar/termin.h"

#include <string>
#include <vector>

namespace velk {

class tTerminStore;

// One other appointment that books the resource in the time of ours.
struct tBookingConflict {
    tTermin other;       // the stored row (or the earlier entry of an import)
    bool visible = true; // whether the calendar user may see it
};

// The lines of the question before "und N weitere".
constexpr int kBookingLines = 8;

// Whether a..b and c..d overlap as bookings do (see above).
bool bookingsOverlap(const tDateTime &aFrom, const tDateTime &aTill, const tDateTime &cFrom,
                     const tDateTime &cTill);

// The span an appointment takes up: its own, or its start minute when the end is not later.
tDateTime bookedTill(const tDateTime &from, const tDateTime &till);

// The stored appointments that book t's resource while t (and, when t carries a rule, any of its
// repetitions) does; each once, in the order met.  Nothing when t books no resource.  The rows
// with t's ID are left out.
std::vector<tBookingConflict> bookingConflicts(tTerminStore &store, const tTermin &t);

// One line of the question: "03.06.2024 09:00-11:00 Sitzung", a span of several days as
// "03.06.2024 09:00-05.06.2024 11:00 Sitzung".
std::string bookingLine(const tTermin &t);

// The question for these conflicts over the resource titled `resource` (both Windows-1252);
// empty when there are none.
std::string bookingQuestion(const std::string &resource,
                            const std::vector<tBookingConflict> &conflicts);

// The title of the resource with this ID, or the ID itself when there is no such resource.
std::string resourceTitle(const std::string &id);

// What an import would collide with: for each entry that books a resource, the stored rows and
// the earlier entries of the same file (the user's own, so visible) that book it at that time.
// An entry the store would refuse as a duplicate of a stored row of the calendar user (same
// start, title, resource) is left out, as the import skips it.
struct tImportConflict {
    tTermin entry;
    tBookingConflict with;
};
std::vector<tImportConflict> importConflicts(tTerminStore &store,
                                             const std::vector<tTermin> &entries);

// The one question of an import (Windows-1252), empty when there is nothing to ask:
//
//   Die Datei belegt Ressourcen, die in dieser Zeit schon belegt sind:
//   Beamer: 03.06.2024 09:00-11:00 Sitzung
//   ...
//   Trotzdem importieren?
std::string importQuestion(const std::vector<tImportConflict> &conflicts);

} // namespace velk

#endif
