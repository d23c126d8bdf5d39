// session.h - what the whole run shares: the dictionary path and the current user.
//
// The dictionary path (directory plus "datadict", at most 255 characters) is fixed by start-up.
// The current user (at most 8 characters, "" = nobody) is set once by the login (the program's
// or velk-exchange's) and read by everyone: the appointment store and the alarms show, hide and
// address records for that user, the person list decides deletions by it.  Tests set it to act
// as several users in turn.
#ifndef VELK_BASE_SESSION_H
#define VELK_BASE_SESSION_H

#include <string_view>

namespace velk {

const char *databasePath();
void setDatabasePath(const char *path); // cut to 255 characters

const char *currentUser();
char *currentUserBuffer();                  // 9 bytes: the login's result buffer
void setCurrentUser(std::string_view name); // cut to 8 characters, trailing blanks removed

} // namespace velk

#endif
