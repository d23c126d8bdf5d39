// calendar_support.h - appointments and alarms on a database in a temporary directory: persons
// anna, bert, carl and dora; group "team" of anna and bert; a membership of anna in a group
// "gone" that does not exist.
#ifndef VELK_TESTS_CALENDAR_CALENDAR_SUPPORT_H
#define VELK_TESTS_CALENDAR_CALENDAR_SUPPORT_H

#include "address/group.h"
#include "address/person.h"
#include "base/session.h"
#include "calendar/termin_store.h"
#include "date_test_support.h"
#include "tests/model/model_support.h"

#include <string>
#include <vector>

namespace velk::caltest {

inline tDateTime at(int d, int m, int y, int hour = 0, int minute = 0)
{
    tDateTime t;
    t.set(y, m, d);
    t.hour = hour;
    t.minute = minute;
    return t;
}

inline tTermin termin(const char *title, tDateTime from, tDateTime till, const char *read = "",
                      const char *with = "")
{
    tTermin t;
    t.setTitle(title);
    t.from = from;
    t.till = till;
    t.setRead(read);
    t.setWith(with);
    return t;
}

inline std::vector<std::string> titles(const std::vector<tTermin> &list)
{
    std::vector<std::string> out;
    for (const tTermin &t : list) out.push_back(t.TITLE);
    return out;
}

class CalendarTest : public ModelTest {
protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        for (const char *id : {"anna", "bert", "carl", "dora"}) {
            tPerson p;
            p.setId(id);
            p.setName(id);
            ASSERT_EQ(p.insert(), tStoreStatus::Stored);
        }
        tGroup team;
        team.setId("team");
        team.setTitle("Team");
        ASSERT_EQ(team.insert(), tStoreStatus::Stored);
        ASSERT_TRUE(addMember("team", "anna"));
        ASSERT_TRUE(addMember("team", "bert"));
        ASSERT_TRUE(addMember("gone", "anna"));
        setCurrentUser("carl");
    }
    void TearDown() override
    {
        setCurrentUser("");
        ModelTest::TearDown();
    }

    tTerminStore &store = tTerminStore::instance();

    // Inserts as `user`; the appointment must be stored.
    tTermin add(const char *user, tTermin t)
    {
        setCurrentUser(user);
        tInsertResult r = store.insert(t);
        EXPECT_TRUE(r.complete()) << t.TITLE;
        return t;
    }
};

} // namespace velk::caltest

#endif
