// "Rückgängig": every kind of record deleted and stored again as it was, byte for byte, under its
// ID; under a new ID where another copy of the program took it meanwhile; newest first.
#include <gtest/gtest.h>

#include "base/walk.h"
#include "model/tables.h"
#include "model/users.h"
#include "tests/btree/process_support.h"
#include "tests/views/views_support.h"
#include "views/undo_journal.h"

using namespace velk;
using namespace velk::caltest;

namespace {

// The stored record of this ID as bytes: the ID field blanked when `blankIds` (and a task's
// PROJECT with it), a comment as its text rather than its text's ID.
template <class T>
std::string raw(std::string_view id, bool blankIds)
{
    T *t = T::instance();
    if (!t || !t->selectIndex(0)) return "no table";
    t->rec.clear();
    t->ID.setText(std::string(id).c_str());
    if (!t->rec.find()) return "none";
    if (blankIds) t->ID.setText("");
    std::string comment;
    if constexpr (requires { t->COMMENT; }) {
        comment = t->COMMENT.getValue().text;
        t->COMMENT.setEmpty();
    }
    if constexpr (requires { t->PROJECT; })
        if (blankIds) t->PROJECT.setText("");
    return std::string(t->rec.data(), std::size_t(t->rec.size())) + "|" + comment;
}

std::string joined(const std::vector<std::string> &parts)
{
    std::string out;
    for (const std::string &p : parts) out += p + ",";
    return out;
}

// Everything the undo of this kind brings back, as text.
std::string stored(tUndoKind kind, std::string_view id, bool blankIds = false)
{
    switch (kind) {
    case tUndoKind::Termin:
        return raw<tTermTable>(id, blankIds);
    case tUndoKind::Alarm:
        return raw<tAlarmTable>(id, blankIds);
    case tUndoKind::Person:
        return raw<tPersTable>(id, blankIds) + joined(groupsOfMember(id)) +
               raw<tUserTable>(id, blankIds);
    case tUndoKind::Group:
        return raw<tGrpTable>(id, blankIds) + joined(membersOf(id));
    case tUndoKind::Resource:
        return raw<tResTable>(id, blankIds);
    case tUndoKind::Project: {
        std::string out = raw<tPrjTable>(id, blankIds);
        for (const tTask &k : tasksOf(id)) out += "/" + raw<tTaskTable>(k.ID, blankIds);
        return out;
    }
    case tUndoKind::Task:
        return raw<tTaskTable>(id, blankIds);
    }
    return {};
}

struct KindCase {
    tUndoKind kind;
    std::function<std::string()> make;             // stores the record, answers its ID
    std::function<bool(std::string_view)> remove;  // deletes it as the program does
    std::function<void(std::string_view)> intrude; // stores another record under that ID
};

tTask task(const char *id, const char *project, const char *comment)
{
    tTask k;
    k.setId(id);
    k.setTitle(std::string("Aufgabe ") + id);
    k.setProject(project);
    k.setWorker("Panna");
    k.STATUS = 'B';
    k.TIME = 12;
    k.ENDDATE = tDate{30, 6, 2027};
    k.setPrio("hoch");
    k.setComment(comment);
    EXPECT_EQ(k.insert(), tStoreStatus::Stored);
    return k;
}

std::vector<KindCase> kindCases()
{
    return {
        {tUndoKind::Termin,
         [] {
             tTermin t = termin("Sitzung \xfc", at(9, 7, 1996, 9, 5), at(11, 7, 1996, 10, 0),
                                "Gteam", "Gteam");
             t.setResource("raum1");
             t.setType("X");
             EXPECT_EQ(tTerminStore::instance().insert(t).status, tStoreStatus::Stored);
             return std::string(t.ID);
         },
         [](std::string_view id) {
             tTermin t;
             return tTerminStore::instance().find(id, t) && tTerminStore::instance().remove(t) == 0;
         },
         [](std::string_view id) {
             tTermin t = termin("Andere", at(1, 1, 2000, 8), at(1, 1, 2000, 9));
             copyText(t.ID, id);
             copyText(t.OWNER, "bert");
             ASSERT_EQ(tTerminStore::instance().restore(t), tStoreStatus::Stored);
             ASSERT_EQ(std::string(t.ID), id);
         }},
        {tUndoKind::Alarm,
         [] {
             tAlarm a;
             a.when = at(3, 10, 2027, 8, 30);
             a.setMessage("Anrufen");
             a.setWith("T00000001");
             EXPECT_EQ(tAlarmStore::instance().send(a).status, tStoreStatus::Stored);
             return std::string(a.ID);
         },
         [](std::string_view id) {
             tAlarm a;
             return tAlarmStore::instance().find(id, a) && tAlarmStore::instance().remove(a) == 0;
         },
         [](std::string_view id) {
             tAlarm a;
             a.when = at(4, 10, 2027, 8, 30);
             a.setMessage("Andere");
             a.setSendTo("carl");
             copyText(a.ID, id);
             ASSERT_EQ(tAlarmStore::instance().restore(a), tStoreStatus::Stored);
         }},
        {tUndoKind::Person,
         [] {
             tPerson p;
             p.setId("eva");
             p.setName("Engel");
             p.setChrName("Eva");
             p.setTel("0711 1");
             p.BIRTH = tDate{29, 2, 1988};
             p.setStreet("Hauptstr. 1\r\nHinterhaus");
             p.setZip("70173");
             p.setCity("Stuttgart");
             p.setCountry("D");
             EXPECT_EQ(p.insert(), tStoreStatus::Stored);
             EXPECT_TRUE(addMember("team", "eva"));
             EXPECT_TRUE(addMember("gone", "eva"));
             tUser login = newUser();
             copyText(login.ID, "eva");
             copyText(login.NAME, "eva");
             copyText(login.PASSWORD, "x7Qz");
             copyText(login.PRIO, "1");
             EXPECT_TRUE(writeUser(login));
             return std::string("eva");
         },
         [](std::string_view id) {
             // A user's person: root deletes its login with it.
             tPersonDeleteResult done = deletePersonAs(id, "root");
             return done.stored && done.decision == tPersonDelete::DeleteUserAndPerson;
         },
         [](std::string_view id) {
             tPerson p;
             p.setId(id);
             p.setName("Andere");
             ASSERT_EQ(p.insert(), tStoreStatus::Stored);
         }},
        {tUndoKind::Group,
         [] {
             tGroup g;
             g.setId("chor");
             g.setTitle("Chor");
             g.setCity("Ulm");
             g.setComment("probt\r\nmittwochs");
             EXPECT_EQ(g.insert(), tStoreStatus::Stored);
             EXPECT_TRUE(addMember("chor", "anna"));
             EXPECT_TRUE(addMember("chor", "dora"));
             return std::string("chor");
         },
         [](std::string_view id) {
             tGroup g;
             return g.find(id) && g.remove() == tStoreStatus::Stored;
         },
         [](std::string_view id) {
             tGroup g;
             g.setId(id);
             g.setTitle("Andere");
             ASSERT_EQ(g.insert(), tStoreStatus::Stored);
         }},
        {tUndoKind::Resource,
         [] {
             tResource r;
             r.setId("bus");
             r.setTitle("Kleinbus");
             EXPECT_EQ(r.insert(), tStoreStatus::Stored);
             return std::string("bus");
         },
         [](std::string_view id) {
             tResource r;
             return r.find(id) && r.remove() == tStoreStatus::Stored;
         },
         [](std::string_view id) {
             tResource r;
             r.setId(id);
             r.setTitle("Andere");
             ASSERT_EQ(r.insert(), tStoreStatus::Stored);
         }},
        {tUndoKind::Project,
         [] {
             tProject p;
             p.setId("bau");
             p.setTitle("Neubau");
             p.setCostumer("Gteam");
             p.BILL = 'S';
             p.STATUS = 'A';
             p.MAXTIME = 400;
             p.ENDDATE = tDate{31, 12, 2027};
             EXPECT_EQ(p.insert(), tStoreStatus::Stored);
             task("dach", "bau", "Ziegel rot");
             task("keller", "bau", "");
             return std::string("bau");
         },
         [](std::string_view id) {
             tProject p;
             return p.find(id) && p.removeWithTasks() == tStoreStatus::Stored;
         },
         [](std::string_view id) {
             tProject p;
             p.setId(id);
             p.setTitle("Andere");
             ASSERT_EQ(p.insert(), tStoreStatus::Stored);
         }},
        {tUndoKind::Task,
         [] {
             task("fenster", "bau", "dreifach\r\nverglast");
             return std::string("fenster");
         },
         [](std::string_view id) {
             tTask k;
             return k.find(id) && k.remove() == tStoreStatus::Stored;
         },
         [](std::string_view id) { task(std::string(id).c_str(), "alt", "andere"); }},
    };
}

class UndoJournalTest : public ViewsTest {
protected:
    void SetUp() override
    {
        ViewsTest::SetUp();
        journal.clear();
        tResource r;
        r.setId("raum1");
        r.setTitle("Raum 1");
        ASSERT_EQ(r.insert(), tStoreStatus::Stored);
    }
    void TearDown() override
    {
        journal.clear();
        ViewsTest::TearDown();
    }

    tUndoJournal &journal = tUndoJournal::instance();
};

} // namespace

TEST_F(UndoJournalTest, EveryKindComesBackAsItWasUnderItsId)
{
    for (const KindCase &c : kindCases()) {
        SCOPED_TRACE(undoKindName(c.kind));
        const std::string id = c.make();
        const std::string before = stored(c.kind, id);
        ASSERT_NE(before.substr(0, 4), "none");
        ASSERT_TRUE(journal.deleting(c.kind, id, [&] { return c.remove(id); }));
        EXPECT_EQ(stored(c.kind, id).substr(0, 4), "none") << "deleted";
        ASSERT_TRUE(journal.canUndo());

        const tUndone done = journal.undo();
        EXPECT_EQ(done.status, tStoreStatus::Stored);
        EXPECT_EQ(done.id, id);
        EXPECT_EQ(stored(c.kind, id), before);
        EXPECT_EQ(done.text.rfind("Wiederhergestellt: ", 0), 0u) << done.text;
        EXPECT_FALSE(journal.canUndo());
    }
}

TEST_F(UndoJournalTest, AnIdTakenMeanwhileGivesANewOne)
{
    for (const KindCase &c : kindCases()) {
        SCOPED_TRACE(undoKindName(c.kind));
        const std::string id = c.make();
        const std::string before = stored(c.kind, id, true);
        ASSERT_TRUE(journal.deleting(c.kind, id, [&] { return c.remove(id); }));
        // Another copy of the program stores a record under the ID meanwhile.
        const std::string dict = dictPath();
        closeDatabase();
        pid_t other = apptest::spawn([&] {
            if (!openDatabase(dict.c_str())) return 1;
            c.intrude(id);
            closeDatabase();
            return ::testing::Test::HasFailure() ? 2 : 0;
        });
        ASSERT_EQ(apptest::waitFor(other), 0);
        ASSERT_TRUE(openDatabase(dict.c_str()));
        const std::string intruder = stored(c.kind, id);

        const tUndone done = journal.undo();
        EXPECT_EQ(done.status, tStoreStatus::Stored);
        EXPECT_NE(done.id, id);
        EXPECT_FALSE(done.id.empty());
        EXPECT_EQ(stored(c.kind, done.id, true), before) << "all but the ID as it was";
        EXPECT_EQ(stored(c.kind, id), intruder) << "the other record stays";
        // Clean up for the next kind, whose records may refer to these IDs.
        journal.clear();
    }
}

TEST_F(UndoJournalTest, NewestFirstOnePerUndo)
{
    const std::vector<KindCase> cases = kindCases();
    std::vector<std::string> ids;
    // The task "fenster" of project "bau" goes with its project, before its own delete.
    for (const KindCase &c : cases) ids.push_back(c.make());
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(journal.deleting(cases[i].kind, ids[i], [&] { return cases[i].remove(ids[i]); }),
                  cases[i].kind != tUndoKind::Task)
            << undoKindName(cases[i].kind);
    EXPECT_EQ(journal.size(), cases.size() - 1) << "the task went with its project already";
    std::vector<std::string> order;
    while (journal.canUndo()) order.push_back(undoKindName(journal.undo().kind));
    EXPECT_EQ(order, (std::vector<std::string>{"Projekt", "Ressource", "Gruppe", "Person", "Alarm",
                                               "Termin"}));
    EXPECT_EQ(journal.undo().status, tStoreStatus::NotFound) << "nothing left";
}

TEST_F(UndoJournalTest, AFailedDeleteRecordsNothingAndAnAppointmentMadeAgainIsReported)
{
    EXPECT_FALSE(journal.deleting(tUndoKind::Resource, "raum1", [] { return false; }));
    EXPECT_FALSE(journal.canUndo());
    bool ran = false;
    EXPECT_FALSE(journal.deleting(tUndoKind::Resource, "nix", [&] { return ran = true; }));
    EXPECT_FALSE(ran) << "what cannot be read is not deleted";
    EXPECT_FALSE(journal.canUndo());

    // The same appointment made again meanwhile: the table refuses the copy.
    tTermin t = termin("Zahnarzt", at(2, 3, 2026, 8), at(2, 3, 2026, 9));
    ASSERT_EQ(store.insert(t).status, tStoreStatus::Stored);
    ASSERT_TRUE(journal.deleting(tUndoKind::Termin, t.ID, [&] { return store.remove(t) == 0; }));
    tTermin again = termin("Zahnarzt", at(2, 3, 2026, 8), at(2, 3, 2026, 9));
    ASSERT_EQ(store.insert(again).status, tStoreStatus::Stored);
    const tUndone done = journal.undo();
    EXPECT_EQ(done.status, tStoreStatus::Duplicate);
    EXPECT_EQ(done.text,
              "Nicht wiederhergestellt: Termin \xe2\x80\x9eZahnarzt\xe2\x80\x9c (2.3.2026)");
    EXPECT_FALSE(journal.canUndo());
}

TEST_F(UndoJournalTest, TheListenerHearsEveryChange)
{
    int heard = 0;
    journal.onChange([&] { ++heard; });
    tResource r;
    r.setId("bus");
    ASSERT_EQ(r.insert(), tStoreStatus::Stored);
    journal.deleting(tUndoKind::Resource, "bus",
                     [&] { return r.remove() == tStoreStatus::Stored; });
    EXPECT_EQ(heard, 1);
    journal.undo();
    EXPECT_EQ(heard, 2);
    journal.onChange(nullptr);
}

TEST(UndoIds, AFreeTypedId)
{
    struct Case {
        const char *base;
        std::vector<std::string> taken;
        const char *id;
    };
    const Case cases[] = {
        {"eva", {}, "eva2"},
        {"eva", {"eva2", "eva3"}, "eva4"},
        {"abcdefgh", {}, "abcdefg2"},
        {"abcdefgh",
         {"abcdefg2", "abcdefg3", "abcdefg4", "abcdefg5", "abcdefg6", "abcdefg7", "abcdefg8",
          "abcdefg9"},
         "abcdef10"},
        {"", {}, "2"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(freeTypedId(c.base, 8,
                              [&](std::string_view id) {
                                  return std::find(c.taken.begin(), c.taken.end(), id) !=
                                         c.taken.end();
                              }),
                  c.id)
            << c.base;
}
