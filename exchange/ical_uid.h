// ical_uid.h - the UIDs of the iCalendar events and vCards this system writes:
// "<encoded ID>-<identity>@velk", the identity being the database's (uid_register.h).
#ifndef VELK_EXCHANGE_ICAL_UID_H
#define VELK_EXCHANGE_ICAL_UID_H

#include <string>
#include <string_view>

namespace velk {

// Encodes an ID for a UID ("AB%2F1"), and back (false when it is no such encoding); the ID of a
// UID of the database with that identity (false when uid is not of it).
std::string encodeUidId(std::string_view id);
bool decodeUidId(std::string_view encoded, std::string *id);
std::string ownUid(std::string_view id, const std::string &identity);
bool ownIdOfUid(std::string_view uid, const std::string &identity, std::string *id);

} // namespace velk

#endif
