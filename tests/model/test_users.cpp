/* The users table. */
#include "model_support.h"

#include "model/users.h"

#include <sys/stat.h>

TEST_F(ModelTest, UsersAreWrittenReadCountedAndDeleted)
{
    EXPECT_EQ(UserCount(), 0);
    tUser u = NewUser();
    EXPECT_STREQ(u.ID, "");
    EXPECT_STREQ(u.PASSWORD, "");
    std::snprintf(u.ID, sizeof u.ID, "%s", "anna");
    std::snprintf(u.NAME, sizeof u.NAME, "%s", "Anna Schmidt");
    std::snprintf(u.PASSWORD, sizeof u.PASSWORD, "%s", "wqABCDEFGHIJ");
    EXPECT_TRUE(WriteUser(u));
    EXPECT_EQ(UserCount(), 1);
    std::snprintf(u.PRIO, sizeof u.PRIO, "%s", "7");
    std::snprintf(u.NAME, sizeof u.NAME, "%s", "Anna Meier");
    EXPECT_TRUE(WriteUser(u)) << "rewritten in place";
    EXPECT_EQ(UserCount(), 1);

    tUser r = NewUser();
    ASSERT_TRUE(ReadUser("anna", &r));
    EXPECT_STREQ(r.ID, "anna");
    EXPECT_STREQ(r.NAME, "Anna Meier") << "without trailing spaces";
    EXPECT_STREQ(r.PASSWORD, "wqABCDEFGHIJ");
    EXPECT_STREQ(r.PRIO, "7");
    EXPECT_FALSE(ReadUser("Anna", &r)) << "names are exact";

    EXPECT_FALSE(DeleteUser("bert"));
    EXPECT_EQ(UserCount(), 1);
    EXPECT_TRUE(DeleteUser("anna"));
    EXPECT_EQ(UserCount(), 0);
    EXPECT_FALSE(ReadUser("anna", &r));

    CloseUserTable();
    EXPECT_EQ(UserCount(), 0);
    EXPECT_TRUE(OpenUserTable());
}

TEST(Users, WithoutADatabaseEveryOperationFails)
{
    CloseDatabase();
    tUser u = NewUser();
    std::snprintf(u.ID, sizeof u.ID, "%s", "root");
    EXPECT_FALSE(OpenUserTable());
    EXPECT_FALSE(WriteUser(u));
    EXPECT_FALSE(ReadUser("root", &u));
    EXPECT_FALSE(DeleteUser("root"));
    EXPECT_EQ(UserCount(), 0);
}
