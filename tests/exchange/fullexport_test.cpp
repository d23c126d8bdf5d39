// The complete export: eight files from the dictionary, the stored values unconverted, the
// counter record included, read back by dbfread; the directory of the chosen name.
#include "exchange/fullexport.h"
#include "tests/btree/process_support.h"
#include "tests/exchange/exchange_support.h"
#include "tests/model/model_support.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace velk;
using namespace velk::exchangetest;

namespace {

class FullExportTest : public ModelTest {
protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        ASSERT_EQ(mkdir(file("one").c_str(), 0777), 0);
        ASSERT_EQ(mkdir(file("one/two").c_str(), 0777), 0);
    }

    // A person, a resource, an appointment with an ID from the counter, a task with numbers.
    void fill()
    {
        tPersTable *p = tPersTable::instance();
        ASSERT_NE(p, nullptr);
        p->rec.clear();
        p->ID.setText("P1");
        p->NAME.setText("M\xFCller");
        p->BIRTH.setDate(3, 7, 1961);
        ASSERT_TRUE(p->rec.insert());

        tResTable *r = tResTable::instance();
        r->rec.clear();
        r->ID.setText("R1");
        r->TITLE.setText("Raum 1");
        ASSERT_TRUE(r->rec.insert());

        tTermTable *t = tTermTable::instance();
        char id[9];
        ASSERT_TRUE(t->newId(id));
        t->rec.clear();
        t->ID.setText(id);
        t->TITLE.setText("Besprechung");
        t->FROMDATE.setDate(5, 3, 2026);
        t->FROMTIME.setTime(9, 30);
        ASSERT_TRUE(t->rec.insert());

        tTaskTable *k = tTaskTable::instance();
        k->rec.clear();
        k->ID.setText("T1");
        k->TIME.setNumber(12);
        ASSERT_TRUE(k->rec.insert());
    }
};

} // namespace

TEST_F(FullExportTest, EveryTableGetsItsFileWithTheDictionaryFields)
{
    fill();
    std::vector<std::string> failed;
    ASSERT_TRUE(exportAllTables(file("one/two/Export.dbf"), &failed));
    EXPECT_TRUE(failed.empty());
    const struct {
        const char *table;
        int fields;
        const char *types; // dBASE type of each field in order
    } expected[] = {
        {"PERSON", 19, "CCCCDCCCCCCCCDCCCCC"}, {"RESOURCE", 2, "CC"},
        {"GROUP", 13, "CCCCCCCCCCCCC"},        {"MEMBER", 2, "CC"},
        {"TERMIN", 12, "CCDCDCCCCCCC"},        {"ALARM", 7, "CCDCCCC"},
        {"PROJECT", 10, "CCCCCNDCCC"},         {"TASK", 13, "CCCCCCNNCCCDC"},
    };
    for (const auto &e : expected) {
        SCOPED_TRACE(e.table);
        std::string path = file(std::string("one/two/") + e.table + ".DBF");
        tDBF dbf;
        ASSERT_TRUE(dbf.open(path));
        ASSERT_EQ(dbf.fieldCount(), e.fields);
        std::string types;
        for (int i = 0; i < dbf.fieldCount(); i++) {
            types += dbf.field(i).type;
            tFieldDef row = tBlob::instance().findField(e.table, dbf.field(i).name.c_str());
            // Copied: a packed member cannot be bound to a reference.
            EXPECT_EQ(dbf.field(i).length, int(row.length)) << dbf.field(i).name;
        }
        EXPECT_EQ(types, e.types);
        EXPECT_NE(dbfreadDump(path, "cp1252"), "") << "dbfread reads it";
    }
    EXPECT_FALSE(velk::apptest::fileExists(file("one/two/USERS.DBF")));
    EXPECT_FALSE(velk::apptest::fileExists(file("one/PERSON.DBF"))) << "the last \"/\" counts";
    EXPECT_FALSE(velk::apptest::fileExists(file("one/two/Export.dbf")));
}

TEST_F(FullExportTest, ValuesAreTheStoredTextsAndTheCounterRecordIsKept)
{
    fill();
    ASSERT_TRUE(exportAllTables(file("one/two/x.dbf")));
    std::string person = dbfreadDump(file("one/two/PERSON.DBF"), "cp1252");
    EXPECT_NE(person.find("records 1 deleted 0\nID=P1|NAME=Müller|CHRNAME=|TEL=|BIRTH=1961-07-03|"),
              std::string::npos)
        << person;

    // TERMIN: the counter record "########" (its RESOURCE holds the counter) and the
    // appointment; times as stored "%02d%02d" in a text field.
    tDBF termin;
    ASSERT_TRUE(termin.open(file("one/two/TERMIN.DBF")));
    ASSERT_EQ(termin.recordCount(), 2);
    int id = termin.findField("ID"), from = termin.findField("FROMTIME");
    int resource = termin.findField("RESOURCE"), date = termin.findField("FROMDATE");
    EXPECT_EQ(termin.getText(id), "########");
    EXPECT_NE(termin.getText(resource), "");
    ASSERT_TRUE(termin.goTo(1));
    EXPECT_EQ(termin.getText(from), "0930");
    EXPECT_EQ(termin.getText(date), "20260305");

    // A U field keeps its zeros, left as stored: no right alignment.
    tDBF task;
    ASSERT_TRUE(task.open(file("one/two/TASK.DBF")));
    EXPECT_EQ(task.getText(task.findField("TIME")), "00000012");
    EXPECT_NE(dbfreadDump(file("one/two/TASK.DBF"), "cp1252").find("|TIME=12|"), std::string::npos);

    // An empty table: descriptors only.
    tDBF project;
    ASSERT_TRUE(project.open(file("one/two/PROJECT.DBF")));
    EXPECT_EQ(project.recordCount(), 0);
    EXPECT_EQ(project.fieldCount(), 10);
    EXPECT_EQ(velk::apptest::fileSize(file("one/two/PROJECT.DBF")), 32 * 11 + 1 + 1);
}

TEST_F(FullExportTest, AFailedTableLeavesNoFileAndTheOthersGoOn)
{
    fill();
    // PERSON.DBF as a directory: that one file cannot be written.
    ASSERT_EQ(mkdir(file("one/PERSON.DBF").c_str(), 0777), 0);
    std::vector<std::string> failed;
    EXPECT_FALSE(exportAllTables(file("one/x.dbf"), &failed));
    EXPECT_EQ(failed, std::vector<std::string>{"PERSON"});
    EXPECT_TRUE(velk::apptest::fileExists(file("one/TASK.DBF")));

    // Out of space in the middle of a file: no RESOURCE.DBF at all.  The limit lies above every
    // offset the engine writes to while the table is read.
    tResTable *r = tResTable::instance();
    for (int i = 0; i < 400; i++) {
        r->rec.clear();
        r->ID.setText(("X" + std::to_string(i)).c_str());
        ASSERT_TRUE(r->rec.insert());
    }
    pid_t child = velk::apptest::spawn([&] {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {8192, 8192};
        setrlimit(RLIMIT_FSIZE, &limit);
        return exportTable("RESOURCE", file("one/two/RESOURCE.DBF")) ? 1 : 0;
    });
    EXPECT_EQ(velk::apptest::waitFor(child), 0);
    EXPECT_FALSE(velk::apptest::fileExists(file("one/two/RESOURCE.DBF")));
    ASSERT_TRUE(exportTable("RESOURCE", file("one/two/RESOURCE.DBF")));
    tDBF dbf;
    ASSERT_TRUE(dbf.open(file("one/two/RESOURCE.DBF")));
    EXPECT_EQ(dbf.recordCount(), 401);
}
