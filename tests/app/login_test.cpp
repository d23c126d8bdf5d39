// The login decision: the root rule, the stored password form, both dialog modes.
#include <crypt.h>

#include <cstring>

#include <gtest/gtest.h>

#include "model/login.h"
#include "tests/app/fake_users.h"

using velk::decideLogin;
using velk::tLoginInput;
using velk::tLoginOutcome;
using velk::apptest::FakeUsers;

namespace {

std::string login(FakeUsers &users, const std::string &name, const std::string &password)
{
    tLoginInput in{name, password, "", false};
    auto d = decideLogin(users, in);
    EXPECT_EQ(d.outcome, tLoginOutcome::Close);
    return d.resultName;
}

velk::tLoginDecision setPassword(FakeUsers &users, const std::string &name,
                                 const std::string &password, const std::string &confirmation)
{
    return decideLogin(users, tLoginInput{name, password, confirmation, true});
}

} // namespace

TEST(StoredPassword, IsTheFirstTwelveCharactersOfLibcryptsDesHashWithSaltWq)
{
    for (const char *pw : {"", "geheim", "abcdefgh", "abcdefghXYZ", "\xe4\xf6\xfc"}) {
        struct crypt_data data {};
        const char *reference = crypt_r(pw, "wq", &data);
        ASSERT_NE(reference, nullptr);
        ASSERT_EQ(std::strlen(reference), 13u) << pw;
        std::string stored = velk::storedPassword(pw);
        EXPECT_EQ(stored, std::string(reference, 12)) << pw;
        EXPECT_EQ(stored.substr(0, 2), "wq");
    }
    EXPECT_NE(velk::storedPassword("geheim"), velk::storedPassword("Geheim"));
}

TEST(LoginRootRule, EmptyTableAdmitsRootWithAnyPasswordAndNobodyElse)
{
    FakeUsers users;
    EXPECT_EQ(login(users, "root", ""), "root");
    EXPECT_EQ(login(users, "root", "irgendwas"), "root");
    EXPECT_EQ(login(users, "anna", ""), "");
    EXPECT_EQ(login(users, "anna", "irgendwas"), "");
    EXPECT_EQ(login(users, "", ""), "");
}

TEST(LoginRootRule, RootWithoutRecordStillAdmittedWhenOthersExist)
{
    FakeUsers users;
    users.add("anna", "geheim");
    EXPECT_EQ(login(users, "root", "falsch"), "root");
    EXPECT_EQ(login(users, "anna", "geheim"), "anna");
}

TEST(LoginRootRule, RootWithRecordNeedsItsPassword)
{
    FakeUsers users;
    users.add("root", "admin");
    EXPECT_EQ(login(users, "root", "admin"), "root");
    EXPECT_EQ(login(users, "root", ""), "");
    EXPECT_EQ(login(users, "root", "falsch"), "");
}

TEST(LoginRootRule, UpperCaseRootIsAnOrdinaryName)
{
    FakeUsers users;
    EXPECT_EQ(login(users, "ROOT", ""), "");
    EXPECT_EQ(login(users, "Root", ""), "");
    users.add("ROOT", "x");
    EXPECT_EQ(login(users, "ROOT", "x"), "ROOT");
    // root has no record of its own, so the rule still holds for the exact name.
    EXPECT_EQ(login(users, "root", "y"), "root");
}

TEST(LoginPassword, RightPasswordAdmitsWrongOrMissingRefuses)
{
    FakeUsers users;
    users.add("anna", "geheim");
    EXPECT_EQ(login(users, "anna", "geheim"), "anna");
    EXPECT_EQ(login(users, "anna", "Geheim"), "");
    EXPECT_EQ(login(users, "anna", ""), "");
    EXPECT_EQ(login(users, "bernd", "geheim"), "");
}

TEST(LoginPassword, OnlyTheFirstEightCharactersCount)
{
    FakeUsers users;
    users.add("anna", "abcdefgh1");
    EXPECT_EQ(login(users, "anna", "abcdefgh"), "anna");
    EXPECT_EQ(login(users, "anna", "abcdefgh-anders"), "anna");
    EXPECT_EQ(login(users, "anna", "abcdefg"), "");
}

TEST(LoginPassword, RecordWithoutStoredPasswordMatchesNothing)
{
    FakeUsers users;
    users.records["anna"] = {"anna", "Anna", "", ""};
    EXPECT_EQ(login(users, "anna", ""), "");
}

TEST(LoginPassword, NameIsCutToEightCharacters)
{
    FakeUsers users;
    users.add("abcdefgh", "pw");
    EXPECT_EQ(login(users, "abcdefghij", "pw"), "abcdefgh");
}

TEST(LoginPassword, ClosedTableAdmitsOnlyRoot)
{
    FakeUsers users;
    users.add("anna", "geheim");
    users.open = false;
    EXPECT_EQ(login(users, "anna", "geheim"), "");
    EXPECT_EQ(login(users, "root", ""), "root");
}

TEST(NewPassword, StoresTwelveCharacterHashUnderTheName)
{
    FakeUsers users;
    auto d = setPassword(users, "anna", "geheim", "geheim");
    EXPECT_EQ(d.outcome, tLoginOutcome::Close);
    EXPECT_EQ(d.resultName, "");
    ASSERT_EQ(users.records.count("anna"), 1u);
    const auto &rec = users.records["anna"];
    EXPECT_EQ(rec.password.size(), 12u);
    EXPECT_EQ(rec.password.substr(0, 2), "wq");
    EXPECT_EQ(rec.password, velk::storedPassword("geheim"));
    EXPECT_EQ(login(users, "anna", "geheim"), "anna");
    EXPECT_EQ(login(users, "anna", "geheim2"), "");
}

TEST(NewPassword, DifferingConfirmationStoresNothing)
{
    FakeUsers users;
    auto d = setPassword(users, "anna", "geheim", "geheix");
    EXPECT_EQ(d.outcome, tLoginOutcome::PasswordsDiffer);
    EXPECT_TRUE(users.writes.empty());
    // Only the first 12 characters of each field are read.
    d = setPassword(users, "anna", "123456789012X", "123456789012Y");
    EXPECT_EQ(d.outcome, tLoginOutcome::Close);
    EXPECT_EQ(users.writes.size(), 1u);
}

TEST(NewPassword, KeepsNameAndPriorityOfAnExistingUser)
{
    FakeUsers users;
    users.add("anna", "alt", "Anna Beispiel", "2");
    ASSERT_EQ(setPassword(users, "anna", "neu", "neu").outcome, tLoginOutcome::Close);
    EXPECT_EQ(users.records["anna"].name, "Anna Beispiel");
    EXPECT_EQ(users.records["anna"].prio, "2");
    EXPECT_EQ(login(users, "anna", "neu"), "anna");
    EXPECT_EQ(login(users, "anna", "alt"), "");
}

TEST(NewPassword, RootGettingAPasswordEndsTheRootRule)
{
    FakeUsers users;
    auto d = setPassword(users, "root", "admin", "admin");
    EXPECT_EQ(d.outcome, tLoginOutcome::Close);
    EXPECT_EQ(d.resultName, "root"); // the rule applied before the record existed
    EXPECT_EQ(login(users, "root", ""), "");
    EXPECT_EQ(login(users, "root", "admin"), "root");
}

TEST(NewPassword, EmptyNameOrFailedStoreKeepsTheDialogOpen)
{
    FakeUsers users;
    EXPECT_EQ(setPassword(users, "", "x", "x").outcome, tLoginOutcome::NameMissing);
    EXPECT_TRUE(users.records.empty());
    users.refuseWrites = true;
    EXPECT_EQ(setPassword(users, "anna", "x", "x").outcome, tLoginOutcome::StoreFailed);
    EXPECT_TRUE(users.records.empty());
}
