// The data dictionary: a new database, its rows in the bytes, the schema read back.
#include "model_support.h"

#include "btree/btree.h"
#include "btree/check/velk_check.h"

#include <cstring>
#include <vector>

using namespace velk;

namespace {

std::string row(const char *buf) { return std::string(buf, kDictRecordSize); }

// Every row of the dictionary file in key order, read through the engine.
std::vector<std::string> allRows(const std::string &base)
{
    std::vector<std::string> rows;
    Bt3File *fd = bt3Open(base.c_str(), LIO_SHARED | LIO_RDWR);
    EXPECT_NE(fd, nullptr);
    if (!fd) return rows;
    char *buf = bt3GetBuff(fd, 0);
    for (int n = bt3Start(fd, buf); n > 0; n = bt3Next(fd, buf)) {
        rows.push_back(row(buf));
        if (bt3Status(fd) == BT3_ATEND) {
            rows.pop_back();
            break;
        }
    }
    bt3FreeBuff(buf);
    bt3Close(fd);
    return rows;
}

} // namespace

// The first start makes every table's files with the dictionary, so that copies started later
// never race to create one; the new directory verifies clean, open and closed.
TEST_F(ModelTest, NewDatabaseIsCreatedComplete)
{
    ASSERT_TRUE(databaseCreated());
    for (const char *table : kTableNames)
        for (const char *ext : {".dat", ".ndx"})
            EXPECT_TRUE(velk::apptest::fileExists(file(std::string(table) + ext))) << table << ext;
    // made from the dictionary's rows: a record of the size the dictionary gives fits
    tMemTable *members = tMemTable::instance();
    ASSERT_NE(members, nullptr);
    EXPECT_EQ(members->recordSize(), 16);
    EXPECT_EQ(members->recordCount(), 0);

    closeDatabase();
    velkcheck::tResult r = velkcheck::verifyDir(dir_.path());
    EXPECT_EQ(r.code, velkcheck::Clean) << r.message;
    for (const auto &f : r.findings)
        ADD_FAILURE() << f.file << ": " << f.what << " (" << f.where << ")";
    EXPECT_NE(r.message.find("11 Dateigruppen"), std::string::npos) << r.message;

    // A second start neither recreates nor changes a table.
    const velk::apptest::Bytes before = velk::apptest::readFileBytes(file("TASK.dat"));
    ASSERT_TRUE(openDatabase(dictPath().c_str()));
    EXPECT_FALSE(databaseCreated());
    closeDatabase();
    EXPECT_EQ(velk::apptest::readFileBytes(file("TASK.dat")), before);
    ASSERT_TRUE(openDatabase(dictPath().c_str()));
}

// The mark outlives closing the database (it is held until the process ends) and follows the
// database to another directory.
TEST_F(ModelTest, HoldingTheDatabaseInUseKeepsVelkCheckOff)
{
    ASSERT_TRUE(holdDatabaseInUse());
    EXPECT_EQ(muInUse(file("datadict.dat").c_str()), 1);
    velkcheck::tResult r = velkcheck::verifyDir(dir_.path());
    EXPECT_EQ(r.code, velkcheck::InUse) << r.message;
    EXPECT_TRUE(r.findings.empty()) << "its open counts are no damage";
    closeDatabase();
    EXPECT_EQ(velkcheck::repairDir(dir_.path()).code, velkcheck::InUse);
    EXPECT_FALSE(holdDatabaseInUse()) << "no database open";

    velk::apptest::TempDir other;
    ASSERT_TRUE(openDatabase((other.path() + "/datadict").c_str()));
    ASSERT_TRUE(holdDatabaseInUse());
    EXPECT_EQ(muInUse(file("datadict.dat").c_str()), 0) << "given up for the other directory";
    EXPECT_EQ(muInUse(other.file("datadict.dat").c_str()), 1);
    EXPECT_EQ(muReleaseInUse(), 0);
    EXPECT_EQ(muInUse(other.file("datadict.dat").c_str()), 0);
    closeDatabase();
    EXPECT_EQ(velkcheck::verifyDir(dir_.path()).code, velkcheck::Clean);
    ASSERT_TRUE(openDatabase(dictPath().c_str()));
}

TEST_F(ModelTest, NewDatabaseHoldsTheNineTablesRowsInTheirBytes)
{
    EXPECT_TRUE(databaseCreated());
    EXPECT_TRUE(velk::apptest::fileExists(file("datadict.dat")));
    EXPECT_TRUE(velk::apptest::fileExists(file("blob.mp")));
    EXPECT_TRUE(velk::apptest::fileExists(file("blob.st")));
    closeDatabase();

    std::vector<std::string> rows = allRows(dictPath());
    // 82 field rows and 27 index segment rows
    ASSERT_EQ(rows.size(), 109u);
    const std::string field = "TERMIN              "
                              "            "
                              "FROMTIME            "
                              "000056"
                              "T"
                              "000004"
                              "00";
    const std::string index = "TERMIN              "
                              "0000000001"
                              "04"
                              "OWNER               "
                              "000090"
                              "C"
                              "000009"
                              "00";
    const std::string birthday = "PERSON              "
                                 "0000000012"
                                 "00"
                                 "BIRTH               "
                                 "000092"
                                 "D"
                                 "000004"
                                 "00";
    int found = 0;
    for (const std::string &r : rows) found += (r == field) + (r == index) + (r == birthday);
    EXPECT_EQ(found, 3);
    // rows of one table: fields before indices, indices by number, then segment
    std::vector<std::string> termin;
    for (const std::string &r : rows)
        if (r.compare(0, 20, "TERMIN              ") == 0) termin.push_back(r);
    ASSERT_EQ(termin.size(), 18u);
    EXPECT_EQ(termin[12].substr(20, 12), "000000000000");
    EXPECT_EQ(termin[17].substr(20, 12), "000000000104");

    ASSERT_TRUE(openDatabase(dictPath().c_str()));
    EXPECT_FALSE(databaseCreated());
    closeDatabase();
    EXPECT_EQ(allRows(dictPath()).size(), 109u) << "a second start adds nothing";
    ASSERT_TRUE(openDatabase(dictPath().c_str()));
}

TEST_F(ModelTest, RecordSizesAndOffsetsOfEveryTable)
{
    tBlob &blob = tBlob::instance();
    const struct {
        const char *table;
        int size;
    } sizes[] = {{"USERS", 49},   {"PERSON", 549}, {"RESOURCE", 48}, {"GROUP", 373}, {"MEMBER", 16},
                 {"TERMIN", 117}, {"ALARM", 126},  {"PROJECT", 100}, {"TASK", 131}};
    for (auto s : sizes) EXPECT_EQ(blob.recordSize(s.table), s.size) << s.table;
    EXPECT_EQ(blob.recordSize("NOSUCH"), 0);

    const struct {
        const char *table, *field;
        char type;
        int offset, length;
    } fields[] = {{"USERS", "PRIO", 'C', 45, 4},      {"PERSON", "BIRTH", 'D', 88, 8},
                  {"PERSON", "ZIP", 'C', 256, 30},    {"PERSON", "GROUP", 'C', 541, 8},
                  {"RESOURCE", "TITLE", 'C', 8, 40},  {"GROUP", "COMMENT", 'B', 316, 8},
                  {"GROUP", "LINK", 'C', 364, 9},     {"MEMBER", "MID", 'C', 8, 8},
                  {"TERMIN", "TILLTIME", 'T', 68, 4}, {"TERMIN", "WRITE", 'C', 108, 9},
                  {"ALARM", "ID", 'C', 0, 9},         {"ALARM", "OWNER", 'C', 118, 8},
                  {"PROJECT", "MAXTIME", 'U', 59, 8}, {"PROJECT", "OWNER", 'C', 92, 8},
                  {"TASK", "COMMENT", 'B', 90, 8},    {"TASK", "PRIO", 'C', 123, 8}};
    for (auto f : fields) {
        tFieldDef d = blob.findField(f.table, f.field);
        EXPECT_EQ(d.type, f.type) << f.table << "." << f.field;
        EXPECT_EQ(int(d.offset), f.offset) << f.table << "." << f.field;
        EXPECT_EQ(int(d.length), f.length) << f.table << "." << f.field;
    }
    tFieldDef none = blob.findField("PERSON", "NOSUCH");
    EXPECT_EQ(int(none.offset), 0);
    EXPECT_EQ(int(none.length), 0);
}

TEST_F(ModelTest, KeyDefinitionsFromTheIndexRows)
{
    tBlob &blob = tBlob::instance();
    EXPECT_EQ(blob.keyDefinitions("TERMIN"), (std::vector<int>{0, 8, 5, 48, 8, 5, 56, 4, 32, 8, 40,
                                                               32, 73, 8, 32, 90, 9, 32, -1}));
    EXPECT_EQ(blob.keyDefinitions("PERSON"),
              (std::vector<int>{0, 8, 5, 8, 25, 133, 33, 25, 32, 92, 4, 133, -1}));
    EXPECT_EQ(blob.keyDefinitions("MEMBER"), (std::vector<int>{0, 8, 5, 8, 8, 32, 8, 8, 133, -1}));
    EXPECT_EQ(blob.keyDefinitions("TASK"),
              (std::vector<int>{0, 8, 5, 48, 8, 133, 56, 8, 32, 65, 9, 133, 115, 8, 133, -1}));
    EXPECT_TRUE(blob.keyDefinitions("NOSUCH").empty());

    tFieldDef text;
    ASSERT_TRUE(blob.nextTextField("GROUP", nullptr, &text));
    EXPECT_STREQ(text.field, "COMMENT");
    EXPECT_FALSE(blob.nextTextField("GROUP", &text, &text));
    EXPECT_FALSE(blob.nextTextField("PERSON", nullptr, &text));
}

TEST_F(ModelTest, FieldsOfANewTableFollowTheLayoutRule)
{
    tBlob &blob = tBlob::instance();
    EXPECT_TRUE(blob.addField("NOTES", "ID", 'C', 8, 0));
    EXPECT_FALSE(blob.addField("NOTES", "ID", 'C', 12, 0)) << "a row that exists is refused";
    EXPECT_TRUE(blob.addField("NOTES", "DAY", 'D', 3, 2)) << "dates are always 8 wide";
    EXPECT_TRUE(blob.addField("NOTES", "A_VERY_LONG_FIELD_NAME_INDEED", 'U', 5, 0));
    EXPECT_EQ(int(blob.findField("NOTES", "ID").offset), 0);
    tFieldDef day = blob.findField("NOTES", "DAY");
    EXPECT_EQ(int(day.offset), 8);
    EXPECT_EQ(int(day.length), 8);
    EXPECT_EQ(int(day.decimals), 0);
    tFieldDef cut = blob.findField("NOTES", "A_VERY_LONG_FIELD_NA");
    EXPECT_EQ(int(cut.offset), 16) << "names are cut at 20 characters";
    EXPECT_EQ(blob.recordSize("NOTES"), 21);

    EXPECT_TRUE(blob.addIndexSegment("NOTES", 0, 0, "ID", 0, 0));
    EXPECT_TRUE(blob.addIndexSegment("NOTES", 10, 0, "DAY", 4, 4));
    EXPECT_TRUE(blob.addIndexSegment("NOTES", 10, 1, "MISSING", 0, 0));
    EXPECT_EQ(blob.keyDefinitions("NOTES"), (std::vector<int>{0, 8, 5, 12, 4, 133, 0, 0, 32, -1}))
        << "a missing field adds nothing to its key";
}

TEST(Dictionary, AnUnreadableDictionaryIsNotReplaced)
{
    velk::apptest::TempDir dir;
    std::string path = dir.file("datadict");
    velk::apptest::writeFileBytes(path + ".dat", velk::apptest::Bytes(400, 'x'));
    EXPECT_FALSE(openDatabase(path.c_str()));
    EXPECT_FALSE(databaseOpen());
    EXPECT_EQ(velk::apptest::fileSize(path + ".dat"), 400);
    EXPECT_EQ(tPersTable::instance(), nullptr) << "no tables without a dictionary";
    closeDatabase();
}
