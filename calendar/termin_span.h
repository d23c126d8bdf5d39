// termin_span.h - the longest span of any stored appointment, which bounds how far the touching
// walk looks back.
//
// Kept in the WRITE field of TERMIN's counter row (ID "########"), a field no appointment uses:
// 9 decimal digits, the whole days from start date to end date of the longest appointment ever
// stored ("000000003": four days, 01.03. to 04.03.).  It only grows; deleting that appointment
// leaves it.  Every copy raises it under the counter row's lock before it stores a longer
// appointment, so a walk never meets a row longer than the value it read first.  A blank or
// unreadable field (a database from before the value was kept) is replaced by the longest span
// found by reading the whole table once.  Nothing else about the row changes.
#ifndef VELK_CALENDAR_TERMIN_SPAN_H
#define VELK_CALENDAR_TERMIN_SPAN_H

namespace velk {

class tTermTable;

// The kept value, found and stored first when unknown; the longest span of the rows read when
// it cannot be stored (no counter row yet); -1 when the table cannot be read.
long longestTerminSpan(tTermTable &table);

// Makes the kept value at least `days`; false when it could not be stored.  Needs the counter
// row, which the first new ID creates.
bool raiseTerminSpan(tTermTable &table, long days);

} // namespace velk

#endif
