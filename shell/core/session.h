// session.h - what the whole run shares: the dictionary path and the current user.
//
// The dictionary path (directory plus "datadict", at most 255 characters) is fixed by start-up;
// the current user (at most 8 characters, "" = nobody) is written once by the login at start-up
// and read by the appointment store, the alarms and the person list.
#ifndef VELK_SHELL_CORE_SESSION_H
#define VELK_SHELL_CORE_SESSION_H

namespace velk {

const char *databasePath();
void setDatabasePath(const char *path); // cut to 255 characters

const char *currentUser();
char *currentUserBuffer(); // 9 bytes; the login's result buffer

} // namespace velk

#endif
