// ical_uid.h - the UIDs of the iCalendar events and vCards this system writes:
// "<encoded ID>-<identity>@velk", the identity being the database's (uid_register.h).
//
// The ID is written as "x-" and the hexadecimal digits of its bytes ("x-4142" for "AB"): no two
// IDs give UIDs that a reader could take for the same, not even one that compares them without
// regard to case or decodes "%XX" first.  Earlier versions wrote letters and digits as they stand
// and every other byte as "%XX" ("AB%2F1"); such UIDs are read still.  That form never holds a
// "-", so the two cannot be mistaken for each other.
#ifndef VELK_EXCHANGE_ICAL_UID_H
#define VELK_EXCHANGE_ICAL_UID_H

#include <string>
#include <string_view>

namespace velk {

// Encodes an ID for a UID ("x-41422F31"), and back from either form, in upper or lower case
// (false when it is no such encoding); the ID of a UID of the database with that identity, in any
// case (false when uid is not of it).
std::string encodeUidId(std::string_view id);
bool decodeUidId(std::string_view encoded, std::string *id);
std::string ownUid(std::string_view id, const std::string &identity);
bool ownIdOfUid(std::string_view uid, const std::string &identity, std::string *id);

} // namespace velk

#endif
