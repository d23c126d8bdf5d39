// Alarms: recipients and due times as tables, then sending, the due check and the message
// dialog's operations on a real database.
#include "calendar/due_alarms.h"
#include "calendar_support.h"
#include "model/tables.h"

#include <algorithm>

using namespace velk;
using namespace velk::caltest;

namespace {

std::vector<std::string> teamOfThree(std::string_view gid)
{
    if (gid == "drei") return {"anna", "bert", "carl"};
    return {};
}

TEST(AlarmRules, RecipientsOfASend)
{
    struct Row {
        const char *sendTo;
        std::vector<std::string> users;
    } rows[] = {
        {"", {"anna"}},
        {"Panna", {"anna"}},
        {"Pbert", {"anna", "bert"}},
        {"Gdrei", {"anna", "bert", "carl"}},
        {"Gnone", {"anna"}},
        {"Xjunk", {"anna"}},
    };
    for (const Row &r : rows)
        EXPECT_EQ(alarmRecipients(r.sendTo, "anna", teamOfThree), r.users) << r.sendTo;
}

TEST(AlarmRules, DueOnlyAfterItsMinute)
{
    tAlarm a;
    a.when = at(6, 5, 2024, 10, 15);
    a.setSendTo("anna");
    struct Row {
        tDateTime now;
        const char *user;
        bool due;
    } rows[] = {
        {at(6, 5, 2024, 10, 14), "anna", false}, {at(6, 5, 2024, 10, 15), "anna", false},
        {at(6, 5, 2024, 10, 16), "anna", true},  {at(7, 5, 2024, 0, 0), "anna", true},
        {at(6, 5, 2024, 10, 16), "bert", false}, {at(5, 5, 2025, 0, 0), "anna", true},
    };
    for (const Row &r : rows)
        EXPECT_EQ(alarmDue(a, r.user, r.now), r.due) << r.now.hour << ":" << r.now.minute;
    tAlarm undated = a;
    undated.when = tDateTime{};
    EXPECT_FALSE(alarmDue(undated, "anna", at(1, 1, 2100)));
    undated.when = at(0, 5, 2024, 10, 15);
    EXPECT_FALSE(alarmDue(undated, "anna", at(1, 1, 2100))) << "day 0: no date set";
}

TEST(AlarmRules, LinesAndLinks)
{
    tAlarm a;
    a.when = at(6, 5, 2024, 9, 5);
    a.setMessage("Zahnarzt");
    EXPECT_EQ(alarmMessageLine(a), "06.05.2024 09:05 - Zahnarzt");
    EXPECT_EQ(alarmListLine(a), "* 6.5.2024 09:05 - Zahnarzt");
    EXPECT_EQ(alarmLink("T00000012").kind, tAlarmLink::Termin);
    EXPECT_EQ(alarmLink("T00000012").id, "00000012");
    EXPECT_EQ(alarmLink("Jtask1").kind, tAlarmLink::Task);
    EXPECT_EQ(alarmLink("").kind, tAlarmLink::None);
    EXPECT_EQ(alarmLink("Q12").kind, tAlarmLink::None);
}

class AlarmTest : public CalendarTest {
protected:
    tAlarmStore &alarms = tAlarmStore::instance();

    tAlarm alarm(const char *message, tDateTime when, const char *sendTo = "")
    {
        tAlarm a;
        a.setMessage(message);
        a.when = when;
        a.setSendTo(sendTo);
        a.setWith("T00000003");
        return a;
    }

    // user -> messages of the user's listed alarms
    std::vector<std::string> listedFor(const char *user)
    {
        setCurrentUser(user);
        std::vector<std::string> out;
        for (const tAlarm &a : alarms.listed()) out.push_back(a.MESSAGE);
        return out;
    }
};

TEST_F(AlarmTest, SendStoresOneRowPerRecipient)
{
    tGroup drei;
    drei.setId("drei");
    ASSERT_EQ(drei.insert(), tStoreStatus::Stored);
    for (const char *m : {"anna", "bert", "carl"}) ASSERT_TRUE(addMember("drei", m));
    setCurrentUser("anna");
    struct Row {
        const char *sendTo;
        std::vector<std::string> users;
    } rows[] = {
        {"", {"anna"}},      {"Pbert", {"anna", "bert"}}, {"Gdrei", {"anna", "bert", "carl"}},
        {"Panna", {"anna"}}, {"Ggone", {"anna"}},
    };
    int sent = 0;
    for (const Row &r : rows) {
        setCurrentUser("anna");
        std::string message = std::string("an ") + (r.sendTo[0] ? r.sendTo : "mich");
        tAlarm a = alarm(message.c_str(), at(6, 5, 2024, 9, ++sent), r.sendTo);
        tSendResult result = alarms.send(a);
        EXPECT_EQ(result.status, tStoreStatus::Stored) << r.sendTo;
        EXPECT_EQ(result.rows, int(r.users.size())) << r.sendTo;
        EXPECT_EQ(result.stored, result.rows) << r.sendTo;
        EXPECT_STREQ(a.SENDTO, r.sendTo) << "the recipients are put back";
        tAlarm own;
        ASSERT_TRUE(alarms.find(a.ID, own)) << "a holds the ID of the sender's row";
        EXPECT_STREQ(own.SENDTO, "anna");
        EXPECT_STREQ(own.WITH, "T00000003");
        EXPECT_STREQ(own.OWNER, "");
        for (const char *user : {"anna", "bert", "carl", "dora"}) {
            std::vector<std::string> mine = listedFor(user);
            bool addressed = std::find(r.users.begin(), r.users.end(), user) != r.users.end();
            EXPECT_EQ(std::count(mine.begin(), mine.end(), message), addressed ? 1 : 0)
                << r.sendTo << " for " << user;
        }
    }
}

TEST_F(AlarmTest, AnAlarmWithoutADateIsNeitherStoredNorPresented)
{
    setCurrentUser("anna");
    tAlarm a = alarm("ohne Datum", tDateTime{}, "Pbert");
    EXPECT_EQ(alarms.send(a).status, tStoreStatus::NoDate);
    tAlarm bad = alarm("31. Februar", at(31, 2, 2024, 10, 0));
    EXPECT_EQ(alarms.send(bad).status, tStoreStatus::NoDate);
    tAlarm noTime = alarm("25 Uhr", at(1, 2, 2024, 25, 0));
    EXPECT_EQ(alarms.send(noTime).status, tStoreStatus::NoDate);
    tAlarmTable *t = tAlarmTable::instance();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->recordCount(), 0) << "not even an ID was taken";

    // A row without a date as another program may have stored it.
    t->rec.clear();
    t->ID.setText("00000077");
    t->SENDTO.setText("anna");
    t->MESSAGE.setText("alt");
    ASSERT_TRUE(t->rec.insert());
    tDueAlarms due;
    EXPECT_FALSE(due.check(at(1, 1, 2100)));
    EXPECT_TRUE(alarms.listed().empty());
    tAlarm old;
    ASSERT_TRUE(alarms.find("00000077", old));
    EXPECT_EQ(alarms.update(old), tStoreStatus::NoDate) << "nor rewritten without one";
}

TEST_F(AlarmTest, PresentedAtTheFirstCheckAfterItsMinute)
{
    setCurrentUser("anna");
    tAlarm a = alarm("10:15", at(6, 5, 2024, 10, 15), "Pbert");
    ASSERT_EQ(alarms.send(a).status, tStoreStatus::Stored);
    tAlarm later = alarm("morgen", at(7, 5, 2024, 8, 0));
    ASSERT_EQ(alarms.send(later).status, tStoreStatus::Stored);
    tDueAlarms due;
    EXPECT_FALSE(due.check(at(6, 5, 2024, 10, 15)));
    EXPECT_TRUE(due.check(at(6, 5, 2024, 10, 16)));
    EXPECT_EQ(due.lines(), (std::vector<std::string>{"06.05.2024 10:15 - 10:15"}));
    EXPECT_EQ(due.link(0).kind, tAlarmLink::Termin);
    setCurrentUser("bert");
    EXPECT_TRUE(due.check(at(6, 5, 2024, 10, 16))) << "the other recipient's row";
    setCurrentUser("carl");
    EXPECT_FALSE(due.check(at(6, 5, 2024, 10, 16)));
}

TEST_F(AlarmTest, MessageDialogOperations)
{
    setCurrentUser("anna");
    tAlarm first = alarm("erster", at(6, 5, 2024, 9, 0));
    tAlarm second = alarm("zweiter", at(6, 5, 2024, 9, 30));
    tAlarm third = alarm("dritter", at(6, 5, 2024, 9, 45));
    for (tAlarm *a : {&first, &second, &third})
        ASSERT_EQ(alarms.send(*a).status, tStoreStatus::Stored);
    tDueAlarms due;
    ASSERT_TRUE(due.check(at(6, 5, 2024, 10, 16)));
    ASSERT_EQ(due.size(), 3u);

    // "Schließen": the same alarms at the next check.
    due.close();
    EXPECT_TRUE(due.empty());
    ASSERT_TRUE(due.check(at(6, 5, 2024, 10, 17)));
    EXPECT_EQ(due.size(), 3u);

    // "Neu vorlegen" on the second line: the second alarm moves, the first stays.
    tAlarm moved = due.at(1);
    moved.when = at(6, 5, 2024, 12, 0);
    moved.setMessage("zweiter, später");
    EXPECT_EQ(due.reschedule(1, moved), tStoreStatus::Stored);
    EXPECT_EQ(due.lines(), (std::vector<std::string>{"06.05.2024 09:00 - erster",
                                                     "06.05.2024 09:45 - dritter"}));
    tAlarm read;
    ASSERT_TRUE(alarms.find(second.ID, read));
    EXPECT_STREQ(read.MESSAGE, "zweiter, später");
    EXPECT_EQ(read.when.hour, 12);
    ASSERT_TRUE(alarms.find(first.ID, read));
    EXPECT_STREQ(read.MESSAGE, "erster");
    tAlarm undated = due.at(0);
    undated.when = tDateTime{};
    EXPECT_EQ(due.reschedule(0, undated), tStoreStatus::NoDate);

    // "Alarm löschen" on the first line.
    EXPECT_TRUE(due.remove(0));
    EXPECT_EQ(due.lines(), (std::vector<std::string>{"06.05.2024 09:45 - dritter"}));
    EXPECT_FALSE(alarms.find(first.ID, read));
    EXPECT_EQ(alarms.remove(first), 0) << "a missing row answers 0";
    EXPECT_FALSE(due.remove(5));
    EXPECT_TRUE(due.check(at(6, 5, 2024, 12, 1)));
    EXPECT_EQ(due.size(), 2u) << "the moved one is due again after its new time";
}

} // namespace
