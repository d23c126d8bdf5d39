// The sync end to end: velk-exchange of simulated VELK users (each with its own configuration
// directory and server account) on one database, a real Radicale on 127.0.0.1, and khal and
// khard with their own vdirsyncer as the other side.  Appointments and persons go both ways
// (new, changed, deleted), conflicts keep both versions, series from khal arrive as their
// repetitions, users see each other's shared appointments and never a private one.
#include "tests/sync/e2e_support.h"
#include "tests/sync/peer_clients.h"

#include "address/person.h"
#include "base/cp1252.h"
#include "calendar/termin_store.h"
#include "exchange/sync_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace velk {
namespace {

using namespace synctest;

bool contains(const std::vector<std::string> &list, const std::string &item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

std::string cp1252(const std::string &utf8)
{
    long lost = 0;
    return utf8ToCp1252(utf8, &lost);
}

// A database with users anna and bert, a Radicale, and anna's VELK set up with her account.
class SyncEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char *program : {"radicale", "vdirsyncer", "khal", "khard"})
            if (!programInPath(program)) GTEST_SKIP() << program << " is not installed";
        radicale = std::make_unique<tRadicale>();
        ASSERT_TRUE(radicale->running()) << radicale->error();
        ASSERT_TRUE(makeDatabase(db(), {{"anna", "annapw"}, {"bert", "bertpw"}}));
        anna = std::make_unique<tVelkUser>("anna", "annapw", db());
        bert = std::make_unique<tVelkUser>("bert", "bertpw", db());
        tToolRun r = anna->server(radicale->url(), kAnna);
        ASSERT_EQ(r.code(), 0) << r.output;
    }

    std::string db() const { return base.sub("db"); }
    std::string annaFolder(const std::string &collection) const
    {
        return radicale->collectionFolder("anna", collection);
    }

    void syncAll(const tVelkUser &user)
    {
        tToolRun r = user.syncAll();
        ASSERT_EQ(r.code(), 0) << r.output;
    }
    void peerSync(const tPeer &peer)
    {
        tPeerRun r = peer.sync();
        ASSERT_TRUE(r.result.ok()) << r.output;
    }
    std::unique_ptr<tPeer> calendarPeer(const std::string &collection = kTermineCollection)
    {
        auto peer = std::make_unique<tPeer>(tPeer::Calendar, radicale->url(), kAnna, collection);
        tPeerRun r = peer->discover();
        EXPECT_TRUE(r.result.ok()) << r.output;
        return peer;
    }
    // The file of the peer's vdir holding an event of that title ("" when none).
    static std::string fileWith(const std::string &vdir, const std::string &summary)
    {
        for (const std::string &name : filesIn(vdir, ".ics"))
            for (const tEventSeen &e : eventsOf(readTextFile(vdir + name)))
                if (e.summary == summary) return vdir + name;
        return "";
    }
    // What anna's VELK holds, what her collection on the server holds, and that both agree.
    std::vector<std::string> converged(const tVelkUser &user, const std::string &collection)
    {
        std::vector<std::string> ours = summaries(eventsOf(user.exportIcs()));
        std::vector<std::string> server =
            summaries(eventsIn(radicale->collectionFolder(user.name(), collection)));
        EXPECT_EQ(ours, server);
        return ours;
    }

    std::unique_ptr<tRadicale> radicale;
    tTempDir base{"velk-e2e"};
    std::unique_ptr<tVelkUser> anna, bert;
};

// Changes an appointment of the user's in the database as the program's dialog would: a new
// title, or deleted when title is empty.
void changeInVelk(const std::string &db, const std::string &user, const std::string &oldTitle,
                  const std::string &newTitle)
{
    bool found = false;
    withDatabase(db, user, [&] {
        tTerminStore &store = tTerminStore::instance();
        tTermin t;
        for (long p = store.first(0, t); p && !found; p = store.next(0, p, t)) {
            if (t.isCounter() || cp1252(oldTitle) != t.TITLE) continue;
            found = true;
            if (newTitle.empty()) {
                EXPECT_EQ(store.remove(t), 0);
            } else {
                tTermin changed = t;
                changed.setTitle(cp1252(newTitle));
                EXPECT_EQ(store.update(t.ID, changed), tStoreStatus::Stored);
            }
        }
    });
    EXPECT_TRUE(found) << oldTitle;
}

TEST_F(SyncEndToEnd, AppointmentsGoBothWaysNewChangedDeleted)
{
    ASSERT_EQ(anna->importIcs(calendarOf({{"imp-1", "Zahnarzt", "20270115T090000"},
                                          {"imp-2", "Friseur", "20270116T140000"}}))
                  .code(),
              0);
    syncAll(*anna);
    auto khal = calendarPeer();
    peerSync(*khal);
    tPeerRun list = khal->khalList("2027-01-15", "2027-01-17");
    EXPECT_NE(list.output.find("09:00-10:00 Zahnarzt"), std::string::npos) << list.output;
    EXPECT_NE(list.output.find("14:00-15:00 Friseur"), std::string::npos) << list.output;

    tPeerRun made = khal->khalNew({"2027-01-20", "11:00", "12:00", "Teamsitzung Ärger"});
    ASSERT_TRUE(made.result.ok()) << made.output;
    peerSync(*khal);
    syncAll(*anna);
    std::vector<tEventSeen> ours = eventsOf(anna->exportIcs());
    EXPECT_TRUE(std::find(ours.begin(), ours.end(),
                          tEventSeen{"Teamsitzung Ärger", "20270120T110000"}) != ours.end());

    // A change and a deletion on each side.
    changeInVelk(db(), "anna", "Zahnarzt", "Zahnarzt verschoben");
    changeInVelk(db(), "anna", "Friseur", "");
    std::string khals = fileWith(khal->vdir(), "Teamsitzung Ärger");
    ASSERT_FALSE(khals.empty());
    ASSERT_TRUE(replaceFile(
        khals, withLine(readTextFile(khals), "SUMMARY:", "SUMMARY:Teamsitzung abgesagt")));
    ASSERT_TRUE(made.result.ok());
    ASSERT_TRUE(khal->khalNew({"2027-01-21", "08:00", "09:00", "Kurz"}).result.ok());
    peerSync(*khal);
    syncAll(*anna);
    peerSync(*khal);
    std::string kurz = fileWith(khal->vdir(), "Kurz");
    ASSERT_FALSE(kurz.empty());
    ASSERT_EQ(std::remove(kurz.c_str()), 0);
    peerSync(*khal);
    syncAll(*anna);
    peerSync(*khal);

    std::vector<std::string> expected = {"Teamsitzung abgesagt", "Zahnarzt verschoben"};
    EXPECT_EQ(converged(*anna, kTermineCollection), expected);
    list = khal->khalList("2027-01-15", "2027-01-22");
    EXPECT_NE(list.output.find("09:00-10:00 Zahnarzt verschoben"), std::string::npos)
        << list.output;
    EXPECT_NE(list.output.find("11:00-12:00 Teamsitzung abgesagt"), std::string::npos)
        << list.output;
    for (const char *gone : {"Friseur", "Kurz", "Ärger"})
        EXPECT_EQ(list.output.find(gone), std::string::npos) << gone << "\n" << list.output;
}

TEST_F(SyncEndToEnd, AConflictKeepsBothVersionsOnBothSides)
{
    ASSERT_EQ(anna->importIcs(calendarOf({{"imp-1", "Besprechung", "20270210T100000"}})).code(), 0);
    syncAll(*anna);
    auto khal = calendarPeer();
    peerSync(*khal);
    std::string theirs = fileWith(khal->vdir(), "Besprechung");
    ASSERT_FALSE(theirs.empty());

    // Both change the same appointment before the next sync.
    changeInVelk(db(), "anna", "Besprechung", "Besprechung VELK");
    ASSERT_TRUE(replaceFile(
        theirs, withLine(readTextFile(theirs), "SUMMARY:", "SUMMARY:Besprechung khal")));
    peerSync(*khal);
    tToolRun r = anna->syncAll();
    ASSERT_EQ(r.code(), 0) << r.output;
    EXPECT_NE(r.output.find("1 Konflikt"), std::string::npos) << r.output;
    syncAll(*anna);
    peerSync(*khal);

    std::vector<std::string> expected = {"Besprechung VELK", "Besprechung khal"};
    EXPECT_EQ(converged(*anna, kTermineCollection), expected);
    EXPECT_EQ(summaries(eventsIn(khal->vdir())), expected);
    // VELK's version stays in the item, the other is a second item of its own.
    std::string item = fileWith(khal->vdir(), "Besprechung VELK");
    EXPECT_EQ(item, theirs);
    std::vector<std::string> velkFiles = filesIn(anna->termineVdir(), ".ics");
    EXPECT_EQ(std::count_if(
                  velkFiles.begin(), velkFiles.end(),
                  [](const std::string &n) { return n.find(".konflikt.") != std::string::npos; }),
              1)
        << ::testing::PrintToString(velkFiles);
}

TEST_F(SyncEndToEnd, ASeriesFromKhalArrivesAsItsRepetitions)
{
    syncAll(*anna);
    auto khal = calendarPeer();
    tPeerRun made = khal->khalNew(
        {"--repeat", "weekly", "--until", "2027-02-23", "2027-02-01", "14:00", "15:00", "Kurs"});
    ASSERT_TRUE(made.result.ok()) << made.output;
    peerSync(*khal);
    syncAll(*anna);
    std::vector<tEventSeen> ours = eventsOf(anna->exportIcs());
    std::vector<tEventSeen> weekly = {{"Kurs", "20270201T140000"},
                                      {"Kurs", "20270208T140000"},
                                      {"Kurs", "20270215T140000"},
                                      {"Kurs", "20270222T140000"}};
    EXPECT_EQ(ours, weekly);

    // khal's side changes the rule: the repetitions are replaced.
    std::string file = fileWith(khal->vdir(), "Kurs");
    ASSERT_FALSE(file.empty());
    std::string text = readTextFile(file);
    ASSERT_NE(text.find("RRULE:"), std::string::npos) << text;
    ASSERT_TRUE(replaceFile(file, withLine(text, "RRULE:", "RRULE:FREQ=DAILY;COUNT=2")));
    peerSync(*khal);
    syncAll(*anna);
    ours = eventsOf(anna->exportIcs());
    std::vector<tEventSeen> daily = {{"Kurs", "20270201T140000"}, {"Kurs", "20270202T140000"}};
    EXPECT_EQ(ours, daily);
    // The server keeps khal's one item with its rule.
    std::vector<std::string> onServer = filesIn(annaFolder(kTermineCollection), ".ics");
    ASSERT_EQ(onServer.size(), 1u);
    EXPECT_NE(readTextFile(annaFolder(kTermineCollection) + "/" + onServer[0])
                  .find("RRULE:FREQ=DAILY;COUNT=2"),
              std::string::npos);
}

// Changes a person of the database by surname: a new first name, or deleted when empty.
void changePersonInVelk(const std::string &db, const std::string &surname,
                        const std::string &firstName)
{
    bool found = false;
    withDatabase(db, "anna", [&] {
        tPerson p;
        for (long c = p.first(PersonByName); c && !found; c = p.next(c)) {
            if (cp1252(surname) != p.NAME) continue;
            found = true;
            if (firstName.empty()) {
                EXPECT_EQ(p.remove(), tStoreStatus::Stored);
            } else {
                tPerson changed = p;
                changed.setChrName(cp1252(firstName));
                EXPECT_EQ(changed.update(p.ID), tStoreStatus::Stored);
            }
        }
    });
    EXPECT_TRUE(found) << surname;
}

TEST_F(SyncEndToEnd, PersonsGoBothWaysWithKhard)
{
    ASSERT_EQ(
        anna->importVcf(vcardOf("p-1", "Jörg", "Weiß") + vcardOf("p-2", "Eva", "Ernst")).code(), 0);
    syncAll(*anna);
    tPeer khard(tPeer::Contacts, radicale->url(), kAnna, kPersonenCollection);
    ASSERT_TRUE(khard.discover().result.ok());
    peerSync(khard);
    tPeerRun list = khard.khardList();
    EXPECT_NE(list.output.find("Jörg Weiß"), std::string::npos) << list.output;
    ASSERT_TRUE(khard.khardNew("Ute", "Übel").result.ok());
    ASSERT_TRUE(khard.khardNew("Kai", "Kurz").result.ok());
    peerSync(khard);
    syncAll(*anna);
    std::vector<std::string> ours = namesOf(anna->exportVcf());
    EXPECT_TRUE(contains(ours, "Ute Übel")) << ::testing::PrintToString(ours);

    // A change and a deletion on each side.
    changePersonInVelk(db(), "Weiß", "Jürgen");
    changePersonInVelk(db(), "Ernst", "");
    for (const std::string &name : filesIn(khard.vdir(), ".vcf")) {
        std::string path = khard.vdir() + name, text = readTextFile(path);
        if (text.find("Übel;Ute") != std::string::npos) {
            ASSERT_TRUE(replaceFile(path, withLine(withLine(text, "FN:", "FN:Ute Übelacker"),
                                                   "N:", "N:Übelacker;Ute;;;")));
        } else if (text.find("Kurz;Kai") != std::string::npos) {
            ASSERT_EQ(std::remove(path.c_str()), 0);
        }
    }
    peerSync(khard);
    syncAll(*anna);
    peerSync(khard);

    ours = namesOf(anna->exportVcf());
    std::vector<std::string> expected = {"Jürgen Weiß", "Ute Übelacker"};
    EXPECT_EQ(ours, expected);
    EXPECT_EQ(namesIn(annaFolder(kPersonenCollection)), expected);
    list = khard.khardList();
    for (const char *name : {"Jürgen Weiß", "Ute Übelacker"})
        EXPECT_NE(list.output.find(name), std::string::npos) << name << "\n" << list.output;
    for (const char *gone : {"Eva", "Kai"})
        EXPECT_EQ(list.output.find(gone), std::string::npos) << gone << "\n" << list.output;
}

TEST_F(SyncEndToEnd, UsersSeeSharedAppointmentsAndNeverAPrivateOne)
{
    tToolRun r = bert->server(radicale->url(), kBert);
    ASSERT_EQ(r.code(), 0) << r.output;
    ASSERT_EQ(anna->importIcs(calendarOf({{"a-1", "Teamfest", "20270301T180000"},
                                          {"a-2", "Arzt Anna", "20270302T080000", true}}))
                  .code(),
              0);
    ASSERT_EQ(bert->importIcs(calendarOf({{"b-1", "Bert für alle", "20270303T100000"},
                                          {"b-2", "Bert geheim", "20270304T100000", true}}))
                  .code(),
              0);
    syncAll(*anna);
    syncAll(*bert);
    syncAll(*anna);

    struct {
        const char *user, *collection;
        std::vector<std::string> titles;
    } rows[] = {
        {"anna", "velk-termine", {"Arzt Anna", "Teamfest"}},
        {"anna", "velk-team-anna", {"Bert für alle"}},
        {"bert", "velk-termine", {"Bert für alle", "Bert geheim"}},
        {"bert", "velk-team-bert", {"Teamfest"}},
    };
    for (const auto &row : rows)
        EXPECT_EQ(summaries(eventsIn(radicale->collectionFolder(row.user, row.collection))),
                  row.titles)
            << row.user << " " << row.collection;

    // The team vdir is one way: a change made to the server's copy is reverted and never
    // reaches the database.
    auto other = calendarPeer(teamCollection({radicale->url(), "anna"}));
    peerSync(*other);
    std::string copy = fileWith(other->vdir(), "Bert für alle");
    ASSERT_FALSE(copy.empty());
    ASSERT_TRUE(
        replaceFile(copy, withLine(readTextFile(copy), "SUMMARY:", "SUMMARY:Bert übernommen")));
    peerSync(*other);
    syncAll(*anna);
    syncAll(*anna);
    EXPECT_EQ(summaries(eventsIn(annaFolder("velk-team-anna"))),
              std::vector<std::string>{"Bert für alle"});
    std::vector<std::string> bertSees = summaries(eventsOf(bert->exportIcs()));
    EXPECT_TRUE(contains(bertSees, "Bert für alle")) << ::testing::PrintToString(bertSees);
    EXPECT_FALSE(contains(bertSees, "Bert übernommen"));
    EXPECT_FALSE(contains(bertSees, "Arzt Anna"));
}

} // namespace
} // namespace velk
