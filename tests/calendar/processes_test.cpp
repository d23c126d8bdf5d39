// Several copies of the program on one database: real processes.
#include "calendar/alarm.h"
#include "calendar_support.h"
#include "tests/btree/process_support.h"
#include "btree/check/velk_check.h"

#include <set>

using namespace velk;
using namespace velk::caltest;

namespace {

using ProcessTest = CalendarTest;

TEST_F(ProcessTest, ThreeCopiesInsertSeriesAtOnce)
{
    closeDatabase();
    const char *users[] = {"anna", "bert", "carl"};
    const int count = 50;
    velk::apptest::Signal go[3];
    std::vector<pid_t> pids;
    for (int c = 0; c < 3; c++) {
        pids.push_back(velk::apptest::spawn([&, c] {
            if (!openDatabase(dictPath().c_str())) return 1;
            setCurrentUser(users[c]);
            tTermin t = termin("Serie", at(1, 3, 2024, 8 + c), at(3, 3, 2024, 9));
            tRepeat daily;
            daily.count = count;
            t.attachRepeat(daily);
            if (!go[c].wait()) return 2;
            tInsertResult r = tTerminStore::instance().insert(t);
            closeDatabase();
            return r.complete() && r.repetitions == count ? 0 : 3;
        }));
    }
    for (auto &g : go) g.post(); // all three start together
    for (pid_t p : pids) EXPECT_EQ(velk::apptest::waitFor(p), 0);

    velkcheck::tResult check = velkcheck::verifyDir(dir_.path());
    EXPECT_EQ(check.code, velkcheck::Clean) << check.message;
    for (const auto &f : check.findings)
        ADD_FAILURE() << f.file << ": " << f.what << " " << f.where;

    ASSERT_TRUE(openDatabase(dictPath().c_str()));
    setCurrentUser("dora");
    std::set<std::string> ids;
    std::map<std::string, int> perOwner;
    tTerminStore &s = tTerminStore::instance();
    tTermin t;
    for (long p = s.first(tTerminStore::ByStart, t); p; p = s.next(tTerminStore::ByStart, p, t)) {
        if (t.isCounter()) continue;
        ids.insert(t.ID);
        perOwner[t.OWNER]++;
    }
    EXPECT_EQ(ids.size(), size_t(3 * (count + 1))) << "every row there, each with its own ID";
    for (const char *u : users) EXPECT_EQ(perOwner[u], count + 1) << u;
    // The three-day rows of all three stay visible to a touching walk of a day they span.
    EXPECT_EQ(s.touching(at(2, 4, 2024), at(2, 4, 2024, 23, 59)).size(), 9u);
}

TEST_F(ProcessTest, WhatAnotherCopyStoresIsFoundHere)
{
    setCurrentUser("bert");
    tAlarmStore &alarms = tAlarmStore::instance();
    tTerminStore &store = tTerminStore::instance();
    tAlarm a;
    // This copy has walked before; the other then stores a longer appointment and an alarm.
    EXPECT_TRUE(store.touching(at(1, 6, 2024), at(30, 6, 2024, 23, 59)).empty());
    EXPECT_EQ(alarms.firstDue(at(6, 5, 2024, 10, 16), a), 0);
    closeDatabase(); // the child must not share this process's open files
    velk::apptest::Signal sent, done;
    pid_t child = velk::apptest::spawn([&] {
        if (!openDatabase(dictPath().c_str())) return 1;
        setCurrentUser("anna");
        tAlarm alarm;
        alarm.when = at(6, 5, 2024, 10, 15);
        alarm.setMessage("von anna");
        alarm.setSendTo("Pbert");
        if (tAlarmStore::instance().send(alarm).status != tStoreStatus::Stored) return 2;
        tTermin long_ = termin("seit zwei Jahren", at(1, 5, 2022), at(31, 12, 2024));
        if (!tTerminStore::instance().insert(long_).complete()) return 3;
        sent.post();
        done.wait();
        closeDatabase();
        return 0;
    });
    ASSERT_TRUE(openDatabase(dictPath().c_str()));
    ASSERT_TRUE(sent.wait());
    ASSERT_NE(alarms.firstDue(at(6, 5, 2024, 10, 16), a), 0);
    EXPECT_STREQ(a.MESSAGE, "von anna");
    EXPECT_STREQ(a.SENDTO, "bert");
    EXPECT_EQ(titles(store.touching(at(1, 6, 2024), at(30, 6, 2024, 23, 59))),
              (std::vector<std::string>{"seit zwei Jahren"}));
    done.post();
    EXPECT_EQ(velk::apptest::waitFor(child), 0);
}

} // namespace
