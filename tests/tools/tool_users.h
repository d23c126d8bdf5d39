// tool_users.h - users with passwords in USERS, so that the tools' tests can log in as them.
#ifndef VELK_TESTS_TOOLS_TOOL_USERS_H
#define VELK_TESTS_TOOLS_TOOL_USERS_H

#include "model/login.h"
#include "model/users.h"

#include <gtest/gtest.h>

#include <cstring>

namespace velk::tooltest {

// Writes the USERS record of `id` with this password (the user table must be open).
inline void setPassword(const char *id, const char *password)
{
    tUser u = newUser();
    std::strcpy(u.ID, id);
    std::strcpy(u.PASSWORD, storedPassword(password).c_str());
    ASSERT_TRUE(writeUser(u));
}

} // namespace velk::tooltest

#endif
