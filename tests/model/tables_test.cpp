// Table operations: iteration, the record operations' results, IDs, lazy creation.
#include "model_support.h"

#include "btree/btree.h"
#include "model/textstore.h"
#include "tests/btree/process_support.h"

#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace velk;

namespace {

bool addResource(const char *id, const char *title)
{
    tResTable *r = tResTable::instance();
    r->rec.clear();
    r->ID.setText(id);
    r->TITLE.setText(title);
    return r->rec.insert();
}

std::vector<std::string> walk(tTable *t, tRecord &rec, tDBField &field)
{
    std::vector<std::string> seen;
    long prev = rec.first();
    if (prev == 0) return seen;
    for (;;) {
        seen.push_back(field.getText());
        long cur = rec.next();
        if (cur == prev) break;
        prev = cur;
    }
    (void)t;
    return seen;
}

} // namespace

// A directory from before tables were made with the dictionary: some tables have no files yet.
static void dropTableFiles(const std::string &dictPath, std::initializer_list<const char *> tables)
{
    closeDatabase();
    const std::string dir = directoryOf(dictPath);
    for (const char *t : tables) {
        ASSERT_EQ(bt3Unlink((dir + t).c_str()), 0) << t;
        EXPECT_FALSE(velk::apptest::fileExists(dir + t + ".dat")) << t;
    }
    ASSERT_TRUE(openDatabase(dictPath.c_str()));
    EXPECT_FALSE(databaseCreated());
}

TEST_F(ModelTest, TablesAreCreatedOnFirstUse)
{
    dropTableFiles(dictPath(), {"RESOURCE", "PERSON"});
    tResTable *r = tResTable::instance();
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(velk::apptest::fileExists(file("RESOURCE.dat")));
    EXPECT_TRUE(velk::apptest::fileExists(file("RESOURCE.ndx")));
    EXPECT_EQ(tResTable::instance(), r) << "one object per process";
    EXPECT_EQ(r->recordCount(), 0);
    EXPECT_EQ(r->rec.first(), 0) << "an empty table";
    EXPECT_FALSE(velk::apptest::fileExists(file("PERSON.dat"))) << "only the table used";
}

TEST_F(ModelTest, IterationInIndexOrderEndsWhenTheRecordNumberRepeats)
{
    tResTable *r = tResTable::instance();
    ASSERT_NE(r, nullptr);
    for (const char *id : {"R3", "R1", "R2"}) ASSERT_TRUE(addResource(id, "Raum"));
    EXPECT_EQ(walk(r, r->rec, r->ID), (std::vector<std::string>{"R1", "R2", "R3"}));

    tPersTable *p = tPersTable::instance();
    ASSERT_NE(p, nullptr);
    const char *people[][3] = {
        {"P1", "Meier", "Ulla"}, {"P2", "Abel", "Zora"}, {"P3", "Meier", "Anna"}};
    for (auto &who : people) {
        p->rec.clear();
        p->ID.setText(who[0]);
        p->NAME.setText(who[1]);
        p->CHRNAME.setText(who[2]);
        ASSERT_TRUE(p->rec.insert());
    }
    ASSERT_TRUE(p->selectIndex(1));
    EXPECT_EQ(walk(p, p->rec, p->ID), (std::vector<std::string>{"P2", "P3", "P1"}))
        << "surname, then first name";
}

TEST_F(ModelTest, InsertUpdateAndDeleteAnswerAsDefined)
{
    tResTable *r = tResTable::instance();
    ASSERT_NE(r, nullptr);
    ASSERT_TRUE(addResource("BEAMER", "Beamer"));
    EXPECT_FALSE(addResource("BEAMER", "Zweiter")) << "the ID exists";
    EXPECT_EQ(r->recordCount(), 1);
    ASSERT_TRUE(addResource("RAUM1", "Raum"));

    r->rec.clear();
    r->ID.setText("BEAMER");
    ASSERT_TRUE(r->rec.find());
    EXPECT_STREQ(r->TITLE.getText(), "Beamer");
    r->TITLE.setText("Beamer neu");
    EXPECT_FALSE(r->rec.update()) << "stored: update answers false";
    r->ID.setText("RAUM1");
    EXPECT_TRUE(r->rec.update()) << "refused for the unique key: update answers true";
    r->rec.clear();
    r->ID.setText("BEAMER");
    ASSERT_TRUE(r->rec.find());
    EXPECT_STREQ(r->TITLE.getText(), "Beamer neu");

    r->rec.clear();
    r->ID.setText("NOSUCH");
    EXPECT_FALSE(r->rec.remove());
    r->ID.setText("BEAMER");
    EXPECT_TRUE(r->rec.remove());
    EXPECT_FALSE(r->rec.find());
    EXPECT_EQ(r->recordCount(), 1);
}

TEST_F(ModelTest, AppointmentsWithTheSameStartTitleResourceAndOwnerClash)
{
    tTermTable *t = tTermTable::instance();
    ASSERT_NE(t, nullptr);
    auto add = [&](const char *id, const char *owner) {
        t->rec.clear();
        t->ID.setText(id);
        t->TITLE.setText("Sitzung");
        t->FROMDATE.setDate(9, 12, 2026);
        t->FROMTIME.setTime(10, 0);
        t->OWNER.setText(owner);
        return t->rec.insert();
    };
    EXPECT_TRUE(add("00000001", "anna"));
    EXPECT_FALSE(add("00000002", "anna"));
    EXPECT_TRUE(add("00000002", "bert"));
}

TEST_F(ModelTest, DeletingARecordDeletesItsText)
{
    tGrpTable *g = tGrpTable::instance();
    ASSERT_NE(g, nullptr);
    g->rec.clear();
    g->ID.setText("VEREIN");
    tTextValue comment;
    comment.modified = comment.hasText = true;
    comment.text = "Treffen jeden Dienstag";
    g->COMMENT.setValue(comment);
    ASSERT_TRUE(g->rec.insert());
    tTextStore *store = tBlob::instance().textStore();
    ASSERT_NE(store, nullptr);
    EXPECT_GT(store->textLength(comment.id), 0);

    g->rec.clear();
    g->ID.setText("VEREIN");
    EXPECT_TRUE(g->rec.remove()) << "the text ID comes from the stored record";
    EXPECT_EQ(store->textLength(comment.id), 0);
}

TEST_F(ModelTest, AppointmentAndAlarmIdsCountWithCarry)
{
    tTermTable *t = tTermTable::instance();
    ASSERT_NE(t, nullptr);
    char id[9] = "";
    ASSERT_TRUE(t->newId(id));
    EXPECT_STREQ(id, "00000000");
    ASSERT_TRUE(t->newId(id));
    EXPECT_STREQ(id, "00000001");
    EXPECT_EQ(t->recordCount(), 1) << "the counter is a row of its own";

    // set the counter to end in '~' and look for the carry
    t->rec.clear();
    t->ID.setText("########");
    ASSERT_TRUE(t->rec.find());
    t->RESOURCE.setText("0000~~~~");
    ASSERT_FALSE(t->rec.update());
    ASSERT_TRUE(t->newId(id));
    EXPECT_STREQ(id, "00010000");

    tAlarmTable *a = tAlarmTable::instance();
    ASSERT_NE(a, nullptr);
    ASSERT_TRUE(a->newId(id));
    EXPECT_STREQ(id, "00000000");
    ASSERT_TRUE(a->newId(id));
    EXPECT_STREQ(id, "00000001");
    a->rec.clear();
    a->ID.setText("########");
    ASSERT_TRUE(a->rec.find());
    EXPECT_STREQ(a->OWNER.getText(), "00000001");
}

TEST_F(ModelTest, ANewIdLeavesTheFoundRecordCurrent)
{
    tTermTable *t = tTermTable::instance();
    ASSERT_NE(t, nullptr);
    char id[9];
    ASSERT_TRUE(t->newId(id));
    t->rec.clear();
    t->ID.setText(id);
    t->TITLE.setText("Zahnarzt");
    ASSERT_TRUE(t->rec.insert());
    ASSERT_TRUE(t->rec.find());
    char next[9];
    ASSERT_TRUE(t->newId(next));
    t->TITLE.setText("Zahnarzt verschoben");
    EXPECT_FALSE(t->rec.update()) << "stored";
    t->rec.clear();
    t->ID.setText("########");
    ASSERT_TRUE(t->rec.find()) << "the counter record is intact";
    EXPECT_STREQ(t->RESOURCE.getText(), "00000001");
    t->rec.clear();
    t->ID.setText(id);
    ASSERT_TRUE(t->rec.find());
    EXPECT_STREQ(t->TITLE.getText(), "Zahnarzt verschoben");
}

// The counter held by another process: the ID is refused, not made up.
TEST_F(ModelTest, ALockedCounterGivesNoId)
{
    tTermTable *t = tTermTable::instance();
    ASSERT_NE(t, nullptr);
    char id[9] = "";
    ASSERT_TRUE(t->newId(id));
    closeDatabase(); // the child must not share this process's open files
    velk::apptest::Signal locked, done;
    pid_t child = velk::apptest::spawn([&] {
        if (!openDatabase(dictPath().c_str())) return 1;
        tTermTable *c = tTermTable::instance();
        if (!c) return 2;
        c->rec.clear();
        c->ID.setText("########");
        if (!c->rec.find() || !c->rec.lock()) return 3;
        locked.post();
        done.wait();
        int rc = c->rec.unlock() ? 0 : 4;
        closeDatabase();
        return rc;
    });
    ASSERT_TRUE(locked.wait());
    ASSERT_TRUE(openDatabase(dictPath().c_str()));
    t = tTermTable::instance();
    ASSERT_NE(t, nullptr);
    char other[9] = "unset";
    EXPECT_FALSE(t->newId(other));
    EXPECT_STREQ(other, "unset");
    done.post();
    EXPECT_EQ(velk::apptest::waitFor(child), 0);
    ASSERT_TRUE(t->newId(id)) << "free again once the other process let go";
    EXPECT_STREQ(id, "00000001");
}

TEST_F(ModelTest, FourProcessesTakeDistinctIds)
{
    closeDatabase();
    const int perChild = 500, children = 4;
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::vector<pid_t> pids;
    for (int c = 0; c < children; c++) {
        pids.push_back(velk::apptest::spawn([&] {
            close(fds[0]);
            if (!openDatabase(dictPath().c_str())) return 1;
            tTermTable *t = tTermTable::instance();
            if (!t) return 2;
            for (int i = 0; i < perChild; i++) {
                char id[9];
                if (!t->newId(id)) return 3;
                if (write(fds[1], id, 8) != 8) return 4;
            }
            closeDatabase();
            return 0;
        }));
    }
    close(fds[1]);
    std::set<std::string> ids;
    char id[8];
    size_t total = 0;
    while (read(fds[0], id, 8) == 8) {
        ids.insert(std::string(id, 8));
        total++;
    }
    close(fds[0]);
    for (pid_t p : pids) EXPECT_EQ(velk::apptest::waitFor(p), 0);
    EXPECT_EQ(total, size_t(children * perChild));
    EXPECT_EQ(ids.size(), size_t(children * perChild));
    ASSERT_TRUE(openDatabase(dictPath().c_str()));
}

TEST_F(ModelTest, ATableThatCannotBeCreatedFailsAloneAndComesBack)
{
    dropTableFiles(dictPath(), {"PROJECT"});
    // a directory in the place of the table's data file
    ASSERT_EQ(mkdir(file("PROJECT.dat").c_str(), 0700), 0);
    EXPECT_EQ(tPrjTable::instance(), nullptr);
    ASSERT_NE(tResTable::instance(), nullptr) << "the rest of the database works";
    EXPECT_TRUE(addResource("R1", "Raum"));
    ASSERT_EQ(rmdir(file("PROJECT.dat").c_str()), 0);
    unlink(file("PROJECT.ndx").c_str());
    ASSERT_NE(tPrjTable::instance(), nullptr) << "tried again at the next use";
}
