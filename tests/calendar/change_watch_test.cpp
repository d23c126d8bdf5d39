// The change watch between real processes: which table another copy changed answers which
// notice bits; the first look only records; this copy's own changes answer nothing, and a table
// this copy merely read after another's change still answers; tables not open are skipped; a
// look reads one word per file and neither locks nor writes.
#include "base/change_watch.h"
#include "base/notice_bits.h"
#include "btree/btree.h"
#include "btree/check/velk_check.h"
#include "calendar_support.h"
#include "tests/btree/process_support.h"

using namespace velk;
using namespace velk::caltest;

namespace {

class ChangeWatchTest : public CalendarTest {
protected:
    void SetUp() override
    {
        CalendarTest::SetUp();
        tUserTable::instance();
        tTermTable::instance();
        tAlarmTable::instance();
        tPersTable::instance();
        tGrpTable::instance();
        tMemTable::instance();
        tResTable::instance();
        tPrjTable::instance();
        tTaskTable::instance();
    }
    void TearDown() override
    {
        CalendarTest::TearDown();
        velkcheck::tResult check = velkcheck::verifyDir(dir_.path());
        EXPECT_EQ(check.code, velkcheck::Clean) << check.message;
    }

    // Another copy adds a record to the table and deletes it again, with its own open of the
    // table's files (never the objects inherited from this process).
    void otherChanges(const char *table)
    {
        tTable *t = tTable::ifOpen(table);
        ASSERT_TRUE(t) << table;
        otherChangesFiles(t->basePath(), t->recordSize());
    }
    void otherChangesFiles(const std::string &base, int len)
    {
        pid_t child = apptest::spawn([&] {
            Bt3File *fd = bt3Open(base.c_str(), LIO_SHARED | LIO_RDWR);
            if (!fd) return 2;
            char *buf = bt3GetBuff(fd, 0);
            memset(buf, 'z', len);
            bool ok = bt3Add(fd, buf) == len && bt3Find(fd, buf, 5) == len && bt3Delete(fd) == 0;
            bt3FreeBuff(buf);
            return bt3Close(fd) == 0 && ok ? 0 : 3;
        });
        ASSERT_EQ(apptest::waitFor(child), 0) << base;
    }
    static int filesOpen()
    {
        int n = 0;
        std::vector<tFileCount> counts;
        for (const std::string &name : tChangeWatch::watchedTables())
            if (tTable *t = tTable::ifOpen(name.c_str()); t && t->peekCounts(counts))
                n += int(counts.size());
        return n;
    }

    tChangeWatch watch;
};

TEST_F(ChangeWatchTest, AnotherCopysChangeAnswersTheTablesBits)
{
    struct Row {
        const char *table;
        int bits;
    } rows[] = {
        {"TERMIN", NoticeAppointments}, {"ALARM", NoticeAlarms},   {"PERSON", NoticePersons},
        {"GROUP", NoticePersons},       {"MEMBER", NoticePersons}, {"RESOURCE", NoticeResources},
        {"PROJECT", NoticeProjects},    {"TASK", NoticeProjects},  {"USERS", 0},
    };
    EXPECT_EQ(watch.check(), 0) << "the first look only records";
    for (const Row &r : rows) {
        EXPECT_EQ(noticeBitsOfTable(r.table), r.bits) << r.table;
        otherChanges(r.table);
        EXPECT_EQ(watch.check(), r.bits) << r.table;
        EXPECT_EQ(watch.check(), 0) << r.table << ": nothing new since";
    }
    // Two tables between two looks: both tables' bits.
    otherChanges("TERMIN");
    otherChanges("TASK");
    EXPECT_EQ(watch.check(), NoticeAppointments | NoticeProjects);
}

TEST_F(ChangeWatchTest, FirstLookOnlyRecords)
{
    otherChanges("TERMIN");
    EXPECT_EQ(watch.check(), 0);
    otherChanges("TERMIN");
    EXPECT_EQ(watch.check(), NoticeAppointments);
}

// This copy's own changes sent their notices already; a table it only read after another copy
// changed it still answers, also when this copy changed another table meanwhile.
TEST_F(ChangeWatchTest, OwnChangesAnswerNothingOwnReadsHideNothing)
{
    EXPECT_EQ(watch.check(), 0);
    add("carl", termin("Eigener", at(3, 6, 2024, 9), at(3, 6, 2024, 10)));
    EXPECT_EQ(watch.check(), 0) << "own appointment";
    tPerson p;
    p.setId("emil");
    p.setName("Emil");
    ASSERT_EQ(p.insert(), tStoreStatus::Stored);
    EXPECT_EQ(watch.check(), 0) << "own person";

    otherChanges("PERSON");
    ASSERT_TRUE(p.find("anna")); // this copy reads the table the other one changed
    EXPECT_EQ(watch.check(), NoticePersons) << "read after the other's change";

    otherChanges("PERSON");
    add("carl", termin("Noch einer", at(4, 6, 2024, 9), at(4, 6, 2024, 10)));
    EXPECT_EQ(watch.check(), NoticePersons) << "own appointment, the other's person";
}

TEST_F(ChangeWatchTest, TablesNotOpenAreSkipped)
{
    std::string base = tPrjTable::instance()->basePath();
    int len = tPrjTable::instance()->recordSize();
    EXPECT_EQ(watch.check(), 0);
    tTable::release("PROJECT");
    ASSERT_EQ(tTable::ifOpen("PROJECT"), nullptr);
    // Another copy changes it while it is closed here: nothing, and the look does not open it.
    otherChangesFiles(base, len);
    EXPECT_EQ(watch.check(), 0);
    EXPECT_EQ(tTable::ifOpen("PROJECT"), nullptr);
    tPrjTable::instance();
    EXPECT_EQ(watch.check(), 0) << "opened since: recorded";
    otherChanges("PROJECT");
    EXPECT_EQ(watch.check(), NoticeProjects);
}

TEST_F(ChangeWatchTest, LookReadsOneWordPerFileWithoutLockOrWrite)
{
    int files = filesOpen();
    EXPECT_EQ(files, 16) << "eight tables, data file and index each";
    EXPECT_EQ(watch.check(), 0);
    LioIoCount a, b;
    lioIoCount(&a);
    for (int tick = 0; tick < 5; tick++) EXPECT_EQ(watch.check(), 0);
    lioIoCount(&b);
    EXPECT_EQ(b.readCalls - a.readCalls, 5 * files);
    EXPECT_EQ(b.readBytes - a.readBytes, 5 * files * 4);
    EXPECT_EQ(b.lockCalls - a.lockCalls, 0);
    EXPECT_EQ(b.writeCalls - a.writeCalls, 0);
}

} // namespace
