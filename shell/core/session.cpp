#include "shell/core/session.h"

#include <cstring>

#include "shell/core/db_path.h"
#include "shell/core/login.h"

namespace velk {

static char gDatabasePath[kMaxDbPath + 1];
static char gCurrentUser[kMaxUserName + 1];

const char *databasePath() { return gDatabasePath; }

void setDatabasePath(const char *path)
{
    std::strncpy(gDatabasePath, path ? path : "", kMaxDbPath);
    gDatabasePath[kMaxDbPath] = '\0';
}

const char *currentUser() { return gCurrentUser; }
char *currentUserBuffer() { return gCurrentUser; }

} // namespace velk
