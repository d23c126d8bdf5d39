// What the project and task dialogs check and store, on a real database without a window: the
// ID checks, numbers and dates as typed, the comment, and the store with the task's alarm.
#include "model/blob.h"
#include "projects/dialog_rules.h"
#include "tests/calendar/calendar_support.h"

#include <string>
#include <vector>

using namespace velk;

namespace {

using DialogRulesTest = velk::caltest::CalendarTest;

std::vector<std::string> alarmsOf(const char *user)
{
    setCurrentUser(user);
    std::vector<std::string> rows;
    for (const tAlarm &a : tAlarmStore::instance().listed())
        rows.push_back(std::string(a.MESSAGE) + " " + a.WITH);
    return rows;
}

tTaskFields taskFields(const char *id, const char *title, const char *worker)
{
    tTaskFields f;
    f.id = id;
    f.title = title;
    f.worker = worker;
    return f;
}

} // namespace

TEST_F(DialogRulesTest, IdsOfNewRecordsAreCheckedAndOfChangedOnesNot)
{
    tProject p;
    p.setId("P1");
    ASSERT_EQ(p.insert(), tStoreStatus::Stored);
    tTask k;
    k.setId("T1");
    ASSERT_EQ(k.insert(), tStoreStatus::Stored);
    struct Case {
        bool isNew;
        const char *id;
        tIdCheck project, task;
    } cases[] = {
        {true, "P1", tIdCheck::Taken, tIdCheck::Ok},
        {true, "T1", tIdCheck::Ok, tIdCheck::Taken},
        {true, "X\t1", tIdCheck::HasTab, tIdCheck::HasTab},
        {true, "X1", tIdCheck::Ok, tIdCheck::Ok},
        {false, "P1", tIdCheck::Ok, tIdCheck::Ok},
        {false, "T1", tIdCheck::Ok, tIdCheck::Ok},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(checkProjectId(c.isNew, c.id), c.project) << c.id << " new " << c.isNew;
        EXPECT_EQ(checkTaskId(c.isNew, c.id), c.task) << c.id << " new " << c.isNew;
    }
}

TEST(DialogNumbers, CountsAndDatesAsTyped)
{
    struct Case {
        const char *typed;
        unsigned long count;
    } cases[] = {
        {"12", 12}, {"12 Stunden", 12},     {"12abc", 12},          {"abc", 0}, {"", 0}, {" +7", 7},
        {"-5", 0},  {"99999999", 99999999}, {"123456789", 99999999}};
    for (const Case &c : cases) EXPECT_EQ(dialogCount(c.typed), c.count) << c.typed;
    EXPECT_EQ(dialogDate("31", "2x", "2026"), (tDate{31, 2, 2026})) << "not checked";
    EXPECT_EQ(dialogDate("", "ab", "20261"), (tDate{0, 0, 2026})) << "year of at most 4 digits";
}

TEST_F(DialogRulesTest, ANewProjectStoresItsFieldsAndUnknownSelectionsAsBlanks)
{
    tProjectFields f;
    f.id = "P1";
    f.title = "Umbau";
    f.costumer = "Gteam";
    f.bill = 2;
    f.status = 9;
    f.maxTime = "12 Stunden";
    f.day = "24";
    f.month = "12";
    f.year = "2026";
    ASSERT_EQ(storeProject(projectFromDialog(f), true, ""), tStoreStatus::Stored);
    EXPECT_NE(storeProject(projectFromDialog(f), true, ""), tStoreStatus::Stored)
        << "a second P1 is refused";
    tProject read;
    ASSERT_TRUE(read.find("P1"));
    EXPECT_STREQ(read.COSTUMER, "Gteam");
    EXPECT_EQ(read.BILL, 'P');
    EXPECT_EQ(read.STATUS, ' ');
    EXPECT_EQ(read.MAXTIME, 12u);
    EXPECT_EQ(read.ENDDATE, (tDate{24, 12, 2026}));

    tProjectFields empty;
    empty.id = "P2";
    ASSERT_EQ(storeProject(projectFromDialog(empty), true, ""), tStoreStatus::Stored);
    ASSERT_TRUE(read.find("P2"));
    EXPECT_EQ(read.BILL, ' ');
    EXPECT_EQ(read.MAXTIME, 0u);
    EXPECT_EQ(read.ENDDATE, tDate{});
    EXPECT_NE(storeProject(projectFromDialog(empty), false, "P7"), tStoreStatus::Stored)
        << "a vanished project";
}

TEST_F(DialogRulesTest, TheCommentStaysIsReplacedOrRemoved)
{
    tTaskFields f = taskFields("T1", "Dach", "");
    f.commentModified = true;
    f.comment = "erste Fassung";
    tTask k = taskFromDialog(tTask(), f);
    ASSERT_EQ(storeTask(k, true, "", caltest::at(9, 12, 2026)).stored, tStoreStatus::Stored);

    struct Step {
        bool modified;
        const char *typed;
        bool hasText;
        const char *stored;
    } steps[] = {
        {false, "", true, "erste Fassung"}, // opened and OK: an unmodified comment stays
        {true, "zweite", true, "zweite"},   // edited: replaced
        {true, "", false, ""},              // emptied: the stored text goes
        {false, "", false, ""},             // and stays gone
        {true, "wieder da", true, "wieder da"},
    };
    std::string previousId;
    for (const Step &s : steps) {
        tTask loaded;
        ASSERT_TRUE(loaded.find("T1"));
        if (loaded.COMMENT.id[0]) previousId = loaded.COMMENT.id;
        tTaskFields g = taskFields("T1", "Dach", "");
        g.commentModified = s.modified;
        g.comment = s.typed;
        tTask changed = taskFromDialog(loaded, g);
        ASSERT_EQ(storeTask(changed, false, "", caltest::at(9, 12, 2026)).stored,
                  tStoreStatus::Stored);
        tTask read;
        ASSERT_TRUE(read.find("T1"));
        EXPECT_EQ(read.COMMENT.hasText, s.hasText) << s.typed;
        EXPECT_EQ(read.COMMENT.text, s.stored);
        if (!s.hasText) {
            EXPECT_EQ(tBlob::instance().textStore()->textLength(previousId.c_str()), 0)
                << "the removed text is gone from the text store";
        }
    }
}

TEST_F(DialogRulesTest, TheAlarmGoesOutOnlyForAStoredTaskWhoseWorkerChanged)
{
    const tDateTime now = caltest::at(9, 12, 2026, 10, 15);
    tTask k = taskFromDialog(tTask(), taskFields("T1", "Dach", "Panna"));
    tTaskStored r = storeTask(k, true, "", now);
    EXPECT_EQ(r.stored, tStoreStatus::Stored);
    EXPECT_TRUE(r.alarmSent) << "a new task with a worker";
    EXPECT_EQ(r.alarm.rows, 2) << "the current user and the person";

    tTask again = taskFromDialog(tTask(), taskFields("T1", "Doppelt", "Pdora"));
    r = storeTask(again, true, "", now);
    EXPECT_NE(r.stored, tStoreStatus::Stored) << "another copy stored T1 meanwhile";
    EXPECT_FALSE(r.alarmSent) << "no alarm for a task that is not there";

    tTask loaded;
    ASSERT_TRUE(loaded.find("T1"));
    tTask renamed = taskFromDialog(loaded, taskFields("T1", "Dach neu", "Panna"));
    r = storeTask(renamed, false, loaded.WORKER, now);
    EXPECT_EQ(r.stored, tStoreStatus::Stored);
    EXPECT_FALSE(r.alarmSent) << "only the title changed";

    tTask toGroup = taskFromDialog(loaded, taskFields("T1", "Dach neu", "Gteam"));
    r = storeTask(toGroup, false, loaded.WORKER, now);
    EXPECT_TRUE(r.alarmSent);
    EXPECT_EQ(r.alarm.rows, 3) << "the current user and each member";

    ASSERT_EQ(loaded.remove(), tStoreStatus::Stored);
    tTask vanished = taskFromDialog(loaded, taskFields("T1", "Dach", "Pdora"));
    r = storeTask(vanished, false, "Gteam", now);
    EXPECT_NE(r.stored, tStoreStatus::Stored)
        << "removed by another copy while the dialog was open";
    EXPECT_FALSE(r.alarmSent);

    EXPECT_EQ(alarmsOf("carl"), (std::vector<std::string>{"Dach JT1", "Dach neu JT1"}));
    EXPECT_EQ(alarmsOf("anna"), (std::vector<std::string>{"Dach JT1", "Dach neu JT1"}));
    EXPECT_EQ(alarmsOf("bert"), (std::vector<std::string>{"Dach neu JT1"}));
    EXPECT_TRUE(alarmsOf("dora").empty());
}
