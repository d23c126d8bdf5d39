#include "base/session.h"

#include <cstring>

#include "model/db_path.h"
#include "model/login.h"

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

void setCurrentUser(std::string_view name)
{
    name = name.substr(0, kMaxUserName);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    name.copy(gCurrentUser, name.size());
    gCurrentUser[name.size()] = 0;
}

} // namespace velk
