#include "app/core/session.h"

#include <cstring>

#include "app/core/db_path.h"
#include "app/core/login.h"

namespace velk {

static char gDatabasePath[kMaxDbPath + 1];
static char gCurrentUser[kMaxUserName + 1];

const char *DatabasePath() { return gDatabasePath; }

void SetDatabasePath(const char *path)
{
    std::strncpy(gDatabasePath, path ? path : "", kMaxDbPath);
    gDatabasePath[kMaxDbPath] = '\0';
}

const char *CurrentUser() { return gCurrentUser; }
char *CurrentUserBuffer() { return gCurrentUser; }

} // namespace velk
