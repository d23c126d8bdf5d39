// The users table.
#include "model_support.h"

#include "model/users.h"

#include <sys/stat.h>

using namespace velk;

TEST_F(ModelTest, UsersAreWrittenReadCountedAndDeleted)
{
    EXPECT_EQ(userCount(), 0);
    tUser u = newUser();
    EXPECT_STREQ(u.ID, "");
    EXPECT_STREQ(u.PASSWORD, "");
    std::snprintf(u.ID, sizeof u.ID, "%s", "anna");
    std::snprintf(u.NAME, sizeof u.NAME, "%s", "Anna Schmidt");
    std::snprintf(u.PASSWORD, sizeof u.PASSWORD, "%s", "wqABCDEFGHIJ");
    EXPECT_TRUE(writeUser(u));
    EXPECT_EQ(userCount(), 1);
    std::snprintf(u.PRIO, sizeof u.PRIO, "%s", "7");
    std::snprintf(u.NAME, sizeof u.NAME, "%s", "Anna Meier");
    EXPECT_TRUE(writeUser(u)) << "rewritten in place";
    EXPECT_EQ(userCount(), 1);

    tUser r = newUser();
    ASSERT_TRUE(readUser("anna", &r));
    EXPECT_STREQ(r.ID, "anna");
    EXPECT_STREQ(r.NAME, "Anna Meier") << "without trailing spaces";
    EXPECT_STREQ(r.PASSWORD, "wqABCDEFGHIJ");
    EXPECT_STREQ(r.PRIO, "7");
    EXPECT_FALSE(readUser("Anna", &r)) << "names are exact";

    EXPECT_FALSE(deleteUser("bert"));
    EXPECT_EQ(userCount(), 1);
    EXPECT_TRUE(deleteUser("anna"));
    EXPECT_EQ(userCount(), 0);
    EXPECT_FALSE(readUser("anna", &r));

    closeUserTable();
    EXPECT_EQ(userCount(), 0);
    EXPECT_TRUE(openUserTable());
}

TEST(Users, WithoutADatabaseEveryOperationFails)
{
    closeDatabase();
    tUser u = newUser();
    std::snprintf(u.ID, sizeof u.ID, "%s", "root");
    EXPECT_FALSE(openUserTable());
    EXPECT_FALSE(writeUser(u));
    EXPECT_FALSE(readUser("root", &u));
    EXPECT_FALSE(deleteUser("root"));
    EXPECT_EQ(userCount(), 0);
}
