/* Table operations: iteration, the record operations' results, IDs, lazy creation. */
#include "model_support.h"

#include "btree/btree.h"
#include "model/textstore.h"
#include "tests/btree/process_support.h"

#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

bool addResource(const char *id, const char *title)
{
    tResTable *r = tResTable::Instance();
    r->rec.Clear();
    r->ID.SetText(id);
    r->TITLE.SetText(title);
    return r->rec.Insert();
}

std::vector<std::string> walk(tTable *t, tRecord &rec, tDBField &field)
{
    std::vector<std::string> seen;
    long prev = rec.First();
    if (prev == 0) return seen;
    for (;;) {
        seen.push_back(field.GetText());
        long cur = rec.Next();
        if (cur == prev) break;
        prev = cur;
    }
    (void)t;
    return seen;
}

} // namespace

TEST_F(ModelTest, TablesAreCreatedOnFirstUse)
{
    EXPECT_FALSE(velktest::fileExists(file("RESOURCE.dat")));
    tResTable *r = tResTable::Instance();
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(velktest::fileExists(file("RESOURCE.dat")));
    EXPECT_TRUE(velktest::fileExists(file("RESOURCE.ndx")));
    EXPECT_EQ(tResTable::Instance(), r) << "one object per process";
    EXPECT_EQ(r->RecordCount(), 0);
    EXPECT_EQ(r->rec.First(), 0) << "an empty table";
    EXPECT_FALSE(velktest::fileExists(file("PERSON.dat"))) << "only the table used";
}

TEST_F(ModelTest, IterationInIndexOrderEndsWhenTheRecordNumberRepeats)
{
    tResTable *r = tResTable::Instance();
    ASSERT_NE(r, nullptr);
    for (const char *id : {"R3", "R1", "R2"}) ASSERT_TRUE(addResource(id, "Raum"));
    EXPECT_EQ(walk(r, r->rec, r->ID), (std::vector<std::string>{"R1", "R2", "R3"}));

    tPersTable *p = tPersTable::Instance();
    ASSERT_NE(p, nullptr);
    const char *people[][3] = {{"P1", "Meier", "Ulla"}, {"P2", "Abel", "Zora"}, {"P3", "Meier", "Anna"}};
    for (auto &who : people) {
        p->rec.Clear();
        p->ID.SetText(who[0]);
        p->NAME.SetText(who[1]);
        p->CHRNAME.SetText(who[2]);
        ASSERT_TRUE(p->rec.Insert());
    }
    ASSERT_TRUE(p->SelectIndex(1));
    EXPECT_EQ(walk(p, p->rec, p->ID), (std::vector<std::string>{"P2", "P3", "P1"}))
        << "surname, then first name";
}

TEST_F(ModelTest, InsertUpdateAndDeleteAnswerAsDefined)
{
    tResTable *r = tResTable::Instance();
    ASSERT_NE(r, nullptr);
    ASSERT_TRUE(addResource("BEAMER", "Beamer"));
    EXPECT_FALSE(addResource("BEAMER", "Zweiter")) << "the ID exists";
    EXPECT_EQ(r->RecordCount(), 1);
    ASSERT_TRUE(addResource("RAUM1", "Raum"));

    r->rec.Clear();
    r->ID.SetText("BEAMER");
    ASSERT_TRUE(r->rec.Find());
    EXPECT_STREQ(r->TITLE.GetText(), "Beamer");
    r->TITLE.SetText("Beamer neu");
    EXPECT_FALSE(r->rec.Update()) << "stored: update answers false";
    r->ID.SetText("RAUM1");
    EXPECT_TRUE(r->rec.Update()) << "refused for the unique key: update answers true";
    r->rec.Clear();
    r->ID.SetText("BEAMER");
    ASSERT_TRUE(r->rec.Find());
    EXPECT_STREQ(r->TITLE.GetText(), "Beamer neu");

    r->rec.Clear();
    r->ID.SetText("NOSUCH");
    EXPECT_FALSE(r->rec.Delete());
    r->ID.SetText("BEAMER");
    EXPECT_TRUE(r->rec.Delete());
    EXPECT_FALSE(r->rec.Find());
    EXPECT_EQ(r->RecordCount(), 1);
}

TEST_F(ModelTest, AppointmentsWithTheSameStartTitleResourceAndOwnerClash)
{
    tTermTable *t = tTermTable::Instance();
    ASSERT_NE(t, nullptr);
    auto add = [&](const char *id, const char *owner) {
        t->rec.Clear();
        t->ID.SetText(id);
        t->TITLE.SetText("Sitzung");
        t->FROMDATE.SetDate(9, 12, 2026);
        t->FROMTIME.SetTime(10, 0);
        t->OWNER.SetText(owner);
        return t->rec.Insert();
    };
    EXPECT_TRUE(add("00000001", "anna"));
    EXPECT_FALSE(add("00000002", "anna"));
    EXPECT_TRUE(add("00000002", "bert"));
}

TEST_F(ModelTest, DeletingARecordDeletesItsText)
{
    tGrpTable *g = tGrpTable::Instance();
    ASSERT_NE(g, nullptr);
    g->rec.Clear();
    g->ID.SetText("VEREIN");
    tTextValue comment;
    comment.modified = comment.hasText = true;
    comment.text = "Treffen jeden Dienstag";
    g->COMMENT.SetValue(comment);
    ASSERT_TRUE(g->rec.Insert());
    tTextStore *store = tBlob::Instance().TextStore();
    ASSERT_NE(store, nullptr);
    EXPECT_GT(store->TextLength(comment.id), 0);

    g->rec.Clear();
    g->ID.SetText("VEREIN");
    EXPECT_TRUE(g->rec.Delete()) << "the text ID comes from the stored record";
    EXPECT_EQ(store->TextLength(comment.id), 0);
}

TEST_F(ModelTest, AppointmentAndAlarmIdsCountWithCarry)
{
    tTermTable *t = tTermTable::Instance();
    ASSERT_NE(t, nullptr);
    char id[9] = "";
    ASSERT_TRUE(t->NewID(id));
    EXPECT_STREQ(id, "00000000");
    ASSERT_TRUE(t->NewID(id));
    EXPECT_STREQ(id, "00000001");
    EXPECT_EQ(t->RecordCount(), 1) << "the counter is a row of its own";

    /* set the counter to end in '~' and look for the carry */
    t->rec.Clear();
    t->ID.SetText("########");
    ASSERT_TRUE(t->rec.Find());
    t->RESOURCE.SetText("0000~~~~");
    ASSERT_FALSE(t->rec.Update());
    ASSERT_TRUE(t->NewID(id));
    EXPECT_STREQ(id, "00010000");

    tAlarmTable *a = tAlarmTable::Instance();
    ASSERT_NE(a, nullptr);
    ASSERT_TRUE(a->NewID(id));
    EXPECT_STREQ(id, "00000000");
    ASSERT_TRUE(a->NewID(id));
    EXPECT_STREQ(id, "00000001");
    a->rec.Clear();
    a->ID.SetText("########");
    ASSERT_TRUE(a->rec.Find());
    EXPECT_STREQ(a->OWNER.GetText(), "00000001");
}

TEST_F(ModelTest, ANewIdLeavesTheFoundRecordCurrent)
{
    tTermTable *t = tTermTable::Instance();
    ASSERT_NE(t, nullptr);
    char id[9];
    ASSERT_TRUE(t->NewID(id));
    t->rec.Clear();
    t->ID.SetText(id);
    t->TITLE.SetText("Zahnarzt");
    ASSERT_TRUE(t->rec.Insert());
    ASSERT_TRUE(t->rec.Find());
    char next[9];
    ASSERT_TRUE(t->NewID(next));
    t->TITLE.SetText("Zahnarzt verschoben");
    EXPECT_FALSE(t->rec.Update()) << "stored";
    t->rec.Clear();
    t->ID.SetText("########");
    ASSERT_TRUE(t->rec.Find()) << "the counter record is intact";
    EXPECT_STREQ(t->RESOURCE.GetText(), "00000001");
    t->rec.Clear();
    t->ID.SetText(id);
    ASSERT_TRUE(t->rec.Find());
    EXPECT_STREQ(t->TITLE.GetText(), "Zahnarzt verschoben");
}

/* The counter held by another process: the ID is refused, not made up. */
TEST_F(ModelTest, ALockedCounterGivesNoId)
{
    tTermTable *t = tTermTable::Instance();
    ASSERT_NE(t, nullptr);
    char id[9] = "";
    ASSERT_TRUE(t->NewID(id));
    CloseDatabase(); /* the child must not share this process's open files */
    velktest::Signal locked, done;
    pid_t child = velktest::spawn([&] {
        if (!OpenDatabase(dictPath().c_str())) return 1;
        tTermTable *c = tTermTable::Instance();
        if (!c) return 2;
        c->rec.Clear();
        c->ID.SetText("########");
        if (!c->rec.Find() || !c->rec.Lock()) return 3;
        locked.post();
        done.wait();
        int rc = c->rec.Unlock() ? 0 : 4;
        CloseDatabase();
        return rc;
    });
    ASSERT_TRUE(locked.wait());
    ASSERT_TRUE(OpenDatabase(dictPath().c_str()));
    t = tTermTable::Instance();
    ASSERT_NE(t, nullptr);
    char other[9] = "unset";
    EXPECT_FALSE(t->NewID(other));
    EXPECT_STREQ(other, "unset");
    done.post();
    EXPECT_EQ(velktest::waitFor(child), 0);
    ASSERT_TRUE(t->NewID(id)) << "free again once the other process let go";
    EXPECT_STREQ(id, "00000001");
}

TEST_F(ModelTest, FourProcessesTakeDistinctIds)
{
    CloseDatabase();
    const int perChild = 500, children = 4;
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::vector<pid_t> pids;
    for (int c = 0; c < children; c++) {
        pids.push_back(velktest::spawn([&] {
            close(fds[0]);
            if (!OpenDatabase(dictPath().c_str())) return 1;
            tTermTable *t = tTermTable::Instance();
            if (!t) return 2;
            for (int i = 0; i < perChild; i++) {
                char id[9];
                if (!t->NewID(id)) return 3;
                if (write(fds[1], id, 8) != 8) return 4;
            }
            CloseDatabase();
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
    for (pid_t p : pids) EXPECT_EQ(velktest::waitFor(p), 0);
    EXPECT_EQ(total, size_t(children * perChild));
    EXPECT_EQ(ids.size(), size_t(children * perChild));
    ASSERT_TRUE(OpenDatabase(dictPath().c_str()));
}

TEST_F(ModelTest, ATableThatCannotBeCreatedFailsAloneAndComesBack)
{
    /* a directory in the place of the table's data file */
    ASSERT_EQ(mkdir(file("PROJECT.dat").c_str(), 0700), 0);
    EXPECT_EQ(tPrjTable::Instance(), nullptr);
    ASSERT_NE(tResTable::Instance(), nullptr) << "the rest of the database works";
    EXPECT_TRUE(addResource("R1", "Raum"));
    ASSERT_EQ(rmdir(file("PROJECT.dat").c_str()), 0);
    unlink(file("PROJECT.ndx").c_str());
    ASSERT_NE(tPrjTable::Instance(), nullptr) << "tried again at the next use";
}
