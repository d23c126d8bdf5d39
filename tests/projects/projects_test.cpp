// Projects and tasks on a real database: codes, store operations, the project list's lines and
// the task list's order.
#include "model/blob.h"
#include "projects/codes.h"
#include "projects/comparator.h"
#include "projects/project.h"
#include "projects/project_list.h"
#include "projects/task_alarm.h"
#include "tests/calendar/calendar_support.h"
#include "tests/model/model_support.h"

#include <string>
#include <vector>

using namespace velk;

namespace {

tProject project(const char *id, const char *title)
{
    tProject p;
    p.setId(id);
    p.setTitle(title);
    return p;
}

tTask task(const char *id, const char *projectId, const char *prio = "", tDate done = {})
{
    tTask k;
    k.setId(id);
    k.setTitle(std::string("Aufgabe ") + id);
    k.setProject(projectId);
    k.setPrio(prio);
    k.ENDDATE = done;
    return k;
}

std::vector<std::string> ids(const std::vector<tTask> &tasks)
{
    std::vector<std::string> out;
    for (const tTask &k : tasks) out.push_back(k.ID);
    return out;
}

using ProjectsTest = ModelTest;

} // namespace

TEST(ProjectCodes, PositionsAndTheMappingOfUnknownCodes)
{
    EXPECT_EQ(billingCodes().size(), 4u);
    EXPECT_STREQ(projectStatusCodes()[2].text, "Rechnung gestellt");
    EXPECT_STREQ(taskStatusCodes()[1].text, "Vobereitung");
    EXPECT_EQ(codePosition(billingCodes(), 'W'), 3);
    EXPECT_EQ(codePosition(projectStatusCodes(), 'R'), 5);
    EXPECT_EQ(codePosition(taskStatusCodes(), 'E'), 5);
    EXPECT_EQ(codePosition(billingCodes(), 'X'), -1) << "an unknown code selects nothing";
    EXPECT_EQ(codePosition(billingCodes(), ' '), -1) << "nor does a blank";
    EXPECT_EQ(codeAt(taskStatusCodes(), 3), 'M');
    EXPECT_EQ(codeAt(taskStatusCodes(), -1), ' ') << "no selection stores a blank";
    EXPECT_EQ(codeAt(billingCodes(), 4), ' ');
    EXPECT_EQ(leadingNumber("12abc"), 12);
    EXPECT_EQ(leadingNumber("abc"), 0);
    EXPECT_EQ(leadingNumber("  -3"), -3);
    EXPECT_FALSE(idAcceptable("T\t1"));
}

TEST_F(ProjectsTest, ProjectsAndTasksRoundTripAndDeleteTogether)
{
    tProject p1 = project("P1", "Umbau");
    p1.setCostumer("Gteam");
    p1.BILL = 'X';
    p1.MAXTIME = 120;
    p1.ENDDATE = {31, 12, 2026};
    ASSERT_EQ(p1.insert(), tStoreStatus::Stored);
    EXPECT_NE(project("P1", "again").insert(), tStoreStatus::Stored) << "the ID is unique";
    ASSERT_EQ(project("P2", "Neubau").insert(), tStoreStatus::Stored);
    for (tTask k : {task("T2", "P1"), task("T1", "P1"), task("T3", "P2"), task("T9", "P0")})
        ASSERT_EQ(k.insert(), tStoreStatus::Stored);

    tProject read;
    ASSERT_TRUE(read.find("P1"));
    EXPECT_STREQ(read.COSTUMER, "Gteam");
    EXPECT_EQ(read.BILL, 'X') << "stored as it was given";
    EXPECT_EQ(read.STATUS, ' ');
    EXPECT_EQ(read.MAXTIME, 120u);
    EXPECT_EQ(read.ENDDATE, (tDate{31, 12, 2026}));
    read.setTitle("Umbau Süd");
    ASSERT_EQ(read.update("P1"), tStoreStatus::Stored);
    EXPECT_NE(read.update("P7"), tStoreStatus::Stored);

    EXPECT_EQ(ids(tasksOf("P1")), (std::vector<std::string>{"T2", "T1"}))
        << "one project's tasks in the order stored, ending at the next project";
    EXPECT_EQ(ids(tasksOf("P0")), (std::vector<std::string>{"T9"}));
    EXPECT_EQ(ids(allTasks()), (std::vector<std::string>{"T1", "T2", "T3", "T9"}));

    std::vector<std::string> lines;
    for (const tProjectLine &l : projectListLines()) lines.push_back(l.text);
    EXPECT_EQ(lines,
              (std::vector<std::string>{"P P1\tUmbau Süd", "T T2\tAufgabe T2", "T T1\tAufgabe T1",
                                        "P P2\tNeubau", "T T3\tAufgabe T3"}))
        << "the task of a missing project is not listed";
    EXPECT_TRUE(isProjectLine(lines[0]));
    EXPECT_EQ(projectLineKey(lines[1]), "T2");

    ASSERT_EQ(read.removeWithTasks(), tStoreStatus::Stored);
    EXPECT_EQ(ids(allTasks()), (std::vector<std::string>{"T3", "T9"}));
    EXPECT_EQ(allProjects().size(), 1u);
}

TEST_F(ProjectsTest, TaskCommentStaysReplacedOrRemoved)
{
    tTask k = task("T1", "P1");
    k.setComment("erste Fassung\r\nmit \xfc");
    ASSERT_EQ(k.insert(), tStoreStatus::Stored);
    tTask read;
    ASSERT_TRUE(read.find("T1"));
    std::string textId = read.COMMENT.id;
    read.setTitle("neu");
    ASSERT_EQ(read.update(), tStoreStatus::Stored);
    ASSERT_TRUE(read.find("T1"));
    EXPECT_EQ(read.COMMENT.text, "erste Fassung\r\nmit \xfc") << "an unmodified comment stays";
    read.setComment("zweite");
    ASSERT_EQ(read.update(), tStoreStatus::Stored);
    ASSERT_TRUE(read.find("T1"));
    EXPECT_EQ(read.COMMENT.text, "zweite");
    read.setComment("");
    ASSERT_EQ(read.update(), tStoreStatus::Stored);
    ASSERT_TRUE(read.find("T1"));
    EXPECT_FALSE(read.COMMENT.hasText);
    EXPECT_EQ(tBlob::instance().textStore()->textLength(textId.c_str()), 0);
    ASSERT_EQ(read.remove(), tStoreStatus::Stored);
    EXPECT_FALSE(read.find("T1"));
}

TEST_F(ProjectsTest, TasksDueWalkInEndDateOrderWithinTheRange)
{
    struct Row {
        const char *id;
        tDate done;
    } stored[] = {
        {"A", {10, 6, 2024}},  {"B", {}},           {"C", {9, 6, 2024}},
        {"D", {31, 12, 1999}}, {"E", {1, 7, 2024}}, {"F", {10, 6, 2024}},
        {"G", {0, 6, 2024}},   {"H", {15, 1, 0}},   {"I", {5, 13, 2023}},
        {"J", {11, 6, 2024}},
    };
    for (const Row &r : stored)
        ASSERT_EQ(task(r.id, "P1", "", r.done).insert(), tStoreStatus::Stored);
    struct Case {
        tDate from, till;
        std::vector<std::string> due;
    } cases[] = {
        {{10, 6, 2024}, {10, 6, 2024}, {"A", "F"}},
        {{1, 1, 0}, {10, 6, 2024}, {"H", "D", "C", "A", "F"}},
        {{11, 6, 2024}, {30, 6, 2024}, {"J"}},
        {{2, 7, 2024}, {31, 12, 9999}, {}},
        {{1, 1, 2023}, {31, 12, 2023}, {}},
    };
    for (const Case &c : cases) {
        std::vector<std::string> due = ids(tasksDue(c.from, c.till));
        EXPECT_EQ(due, c.due) << c.from.day << "." << c.from.month << "." << c.from.year;
    }
    tTask k;
    long cur = k.firstDue({1, 6, 2024}, {30, 6, 2024});
    ASSERT_NE(cur, 0);
    EXPECT_STREQ(k.ID, "C");
    ASSERT_EQ(task("C2", "P1", "", {9, 6, 2024}).insert(), tStoreStatus::Stored)
        << "a store between two steps";
    std::vector<std::string> rest;
    while ((cur = k.nextDue({30, 6, 2024}, cur))) rest.push_back(k.ID);
    EXPECT_EQ(rest, (std::vector<std::string>{"C2", "A", "F", "J"}));
}

TEST(TaskComparator, EveryColumnsRule)
{
    TMyLwComparator cmp;
    struct Case {
        tTask a, b;
        int column, expected;
    } cases[] = {
        {task("T10", ""), task("T9", ""), TaskColumnId, -1},
        {task("T9", ""), task("T10", ""), TaskColumnId, 1},
        {task("A", ""), task("A", ""), TaskColumnId, 0},
        {task("x", "", "10"), task("y", "", "9"), TaskColumnPrio, -1},
        {task("x", "", "9"), task("y", "", "a"), TaskColumnPrio, -1},
        {task("x", "", "a"), task("y", "", "10"), TaskColumnPrio, 1},
        {task("x", "", " 7"), task("y", "", "7x"), TaskColumnPrio, 0},
        {task("x", "", "", {1, 2, 2026}), task("y", "", "", {31, 1, 2026}), TaskColumnDone, 1},
        {task("x", "", "", {31, 12, 2025}), task("y", "", "", {1, 1, 2026}), TaskColumnDone, -1},
        {task("x", "", "", {5, 5, 2026}), task("y", "", "", {5, 5, 2026}), TaskColumnDone, 0},
        {task("x", "", "", {1, 1, 2026}), task("y", "", "", {}), TaskColumnDone, -1},
        {task("x", "", "", {30, 2, 2026}), task("y", "", "", {1, 1, 2030}), TaskColumnDone, 1},
        {task("x", "", "", {29, 2, 0}), task("y", "", "", {1, 1, 1}), TaskColumnDone, -1},
        {task("x", "", "", {}), task("y", "", "", {31, 4, 2026}), TaskColumnDone, 0},
        {task("a", ""), task("b", ""), 7, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(cmp(c.a, c.b, c.column), c.expected)
            << c.a.ID << "/" << c.a.PRIO << " vs " << c.b.ID << "/" << c.b.PRIO << " column "
            << c.column;
    EXPECT_EQ(taskColumnText(task("x", "", "", {}), TaskColumnDone), "0.0.   0");
    EXPECT_EQ(taskColumnText(task("x", "", "", {3, 4, 2026}), TaskColumnDone), "3.4.2026");
}

namespace {

using TaskAlarmTest = velk::caltest::CalendarTest;

std::vector<std::string> alarmRows(const char *user)
{
    setCurrentUser(user);
    std::vector<std::string> rows;
    for (const tAlarm &a : tAlarmStore::instance().listed())
        rows.push_back(std::string(a.SENDTO) + " " + a.MESSAGE + " " + a.WITH);
    return rows;
}

} // namespace

TEST_F(TaskAlarmTest, AChangeOfWorkerAlarmsTheCurrentUserAndTheNewWorkers)
{
    setCurrentUser("carl");
    tTask k = task("T1", "P1");
    k.setWorker("Panna");
    ASSERT_EQ(k.insert(), tStoreStatus::Stored);
    EXPECT_FALSE(workerChanged("Panna", "Panna")) << "a title-only change raises nothing";
    EXPECT_TRUE(workerChanged("", "Panna")) << "a new task with a worker";

    k.setWorker("Gteam");
    ASSERT_EQ(k.update(), tStoreStatus::Stored);
    tSendResult sent = sendTaskAlarm(k, velk::caltest::at(9, 12, 2026, 10, 15));
    EXPECT_EQ(sent.status, tStoreStatus::Stored);
    EXPECT_EQ(sent.rows, 3) << "the current user and each member of the group";
    EXPECT_EQ(alarmRows("carl"), (std::vector<std::string>{"carl Aufgabe T1 JT1"}));
    EXPECT_EQ(alarmRows("anna"), (std::vector<std::string>{"anna Aufgabe T1 JT1"}));
    EXPECT_EQ(alarmRows("bert"), (std::vector<std::string>{"bert Aufgabe T1 JT1"}));
    EXPECT_TRUE(alarmRows("dora").empty());

    setCurrentUser("anna");
    tSendResult own = sendTaskAlarm(k, velk::caltest::at(9, 12, 2026, 11, 0));
    EXPECT_EQ(own.rows, 2) << "a member who is the current user gets one row";
}

// A refused insert (the ID is taken) takes back the comment's text it has just stored.
TEST_F(ProjectsTest, ARefusedTaskLeavesNoCommentText)
{
    tTask first = task("T1", "P1");
    first.setComment("eins");
    ASSERT_EQ(first.insert(), tStoreStatus::Stored);
    tTask twice = task("T1", "P1");
    twice.setComment("verwaist");
    EXPECT_NE(twice.insert(), tStoreStatus::Stored);
    EXPECT_TRUE(twice.COMMENT.modified) << "kept, to be stored with the next try";
    EXPECT_EQ(twice.COMMENT.text, "verwaist");
    tTask second = task("T2", "P1");
    second.setComment("zwei");
    ASSERT_EQ(second.insert(), tStoreStatus::Stored);

    // Text IDs are handed out in turn: the refused task's text had the one between.
    std::string between = first.COMMENT.id;
    ASSERT_EQ(std::string(second.COMMENT.id).back(), between.back() + 2);
    between.back() = char(between.back() + 1);
    tTextStore *store = tBlob::instance().textStore();
    EXPECT_EQ(store->textLength(between.c_str()), 0) << "no orphan text";
    EXPECT_GT(store->textLength(first.COMMENT.id), 0);
    tTask read;
    ASSERT_TRUE(read.find("T1"));
    EXPECT_EQ(read.COMMENT.text, "eins");
}
