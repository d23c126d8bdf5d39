// Faults of the sync end to end, each ending with both sides compared: nothing lost, nothing
// doubled.  The server stopped before or during "sync alle", a file of the vdir cut in half,
// and velk-exchange killed part-way through a sync of many appointments in either direction.
#include "tests/sync/e2e_support.h"
#include "tests/sync/peer_clients.h"

#include "exchange/sync_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <thread>
#include <unistd.h>

namespace velk {
namespace {

using namespace synctest;

// Every file under dir with its contents, by path.
std::map<std::string, std::string> snapshot(const std::string &dir)
{
    std::map<std::string, std::string> out;
    std::error_code ec;
    for (const auto &e : std::filesystem::recursive_directory_iterator(dir, ec))
        if (e.is_regular_file()) out[e.path().string()] = readTextFile(e.path().string());
    return out;
}

class SyncFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char *program : {"radicale", "vdirsyncer", "khal"})
            if (!programInPath(program)) GTEST_SKIP() << program << " is not installed";
        radicale = std::make_unique<tRadicale>();
        ASSERT_TRUE(radicale->running()) << radicale->error();
        ASSERT_TRUE(makeDatabase(db(), {{"anna", "annapw"}}));
        anna = std::make_unique<tVelkUser>("anna", "annapw", db());
        tToolRun r = anna->server(radicale->url(), kAnna);
        ASSERT_EQ(r.code(), 0) << r.output;
        khal = std::make_unique<tPeer>(tPeer::Calendar, radicale->url(), kAnna, kTermineCollection);
        ASSERT_TRUE(khal->discover().result.ok());
    }

    std::string db() const { return base.sub("db"); }
    std::string serverFolder() const
    {
        return radicale->collectionFolder("anna", kTermineCollection);
    }
    void syncAll()
    {
        tToolRun r = anna->syncAll();
        ASSERT_EQ(r.code(), 0) << r.output;
    }
    void peerSync()
    {
        tPeerRun r = khal->sync();
        ASSERT_TRUE(r.result.ok()) << r.output;
    }
    // VELK's export, the server's collection and khal's vdir hold the same events.
    void expectConverged(const std::vector<std::string> &titles)
    {
        std::vector<tEventSeen> ours = eventsOf(anna->exportIcs());
        EXPECT_EQ(summaries(ours), titles);
        EXPECT_EQ(eventsIn(serverFolder()), ours);
        EXPECT_EQ(eventsIn(khal->vdir()), ours);
        tToolRun check = runTool({VELK_CHECK_BIN, db()}, {}, "");
        EXPECT_EQ(check.code(), 0) << check.output;
    }

    std::unique_ptr<tRadicale> radicale;
    tTempDir base{"velk-fault"};
    std::unique_ptr<tVelkUser> anna;
    std::unique_ptr<tPeer> khal;
};

std::vector<tNewEvent> numbered(const std::string &title, int count)
{
    std::vector<tNewEvent> out;
    for (int i = 0; i < count; ++i) {
        char start[32], uid[32], summary[64];
        snprintf(start, sizeof start, "2027%02d%02dT%02d0000", 3 + i / 280, 1 + (i / 10) % 28,
                 8 + i % 10);
        snprintf(uid, sizeof uid, "%s-%04d", title.c_str(), i);
        snprintf(summary, sizeof summary, "%s %04d", title.c_str(), i);
        out.push_back({uid, summary, start});
    }
    return out;
}

std::vector<std::string> titlesOf(const std::vector<tNewEvent> &events)
{
    std::vector<std::string> out;
    for (const tNewEvent &e : events) out.push_back(e.summary);
    std::sort(out.begin(), out.end());
    return out;
}

TEST_F(SyncFaults, ServerStoppedBeforeOrDuringTheSync)
{
    struct {
        const char *what;
        long stopAfterMs; // < 0: before the run
    } rows[] = {{"before", -1}, {"during", 1200}};
    std::vector<std::string> titles;
    int round = 0;
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        // Changes on both sides, then the server goes away.
        std::vector<tNewEvent> ours = numbered(std::string("Velk") + row.what, 40);
        ASSERT_EQ(anna->importIcs(calendarOf(ours)).code(), 0);
        std::string theirs = std::string("Khal ") + row.what;
        ASSERT_TRUE(khal->khalNew({"2027-05-0" + std::to_string(++round), "10:00", "11:00", theirs})
                        .result.ok());
        peerSync();
        for (const std::string &t : titlesOf(ours)) titles.push_back(t);
        titles.push_back(theirs);
        std::sort(titles.begin(), titles.end());

        std::string stateDir = anna->configHome() + "/velk/sync/state";
        std::map<std::string, std::string> stateBefore = snapshot(stateDir);
        std::vector<tEventSeen> exportBefore = eventsOf(anna->exportIcs());
        tToolRun r;
        if (row.stopAfterMs < 0) {
            radicale->stop();
            r = anna->syncAll();
            EXPECT_EQ(r.code(), 2) << r.output;
            EXPECT_NE(r.output.find("Der Server ist nicht erreichbar"), std::string::npos)
                << r.output;
            EXPECT_EQ(snapshot(stateDir), stateBefore);
            EXPECT_EQ(eventsOf(anna->exportIcs()), exportBefore);
        } else {
            // The server stops under the run; it fails or completes, depending on how far
            // it got, and either way the next one converges.
            std::thread run([&] { r = anna->syncAll(); });
            usleep(useconds_t(row.stopAfterMs * 1000));
            radicale->stop();
            run.join();
            EXPECT_NE(r.code(), -1) << r.output;
        }
        ASSERT_TRUE(radicale->restart()) << radicale->error();
        syncAll();
        peerSync();
        expectConverged(titles);
    }
}

TEST_F(SyncFaults, AFileCutInHalfIsReportedAndNothingIsLost)
{
    std::vector<tNewEvent> events = numbered("Termin", 5);
    ASSERT_EQ(anna->importIcs(calendarOf(events)).code(), 0);
    syncAll();
    peerSync();
    std::vector<std::string> files = filesIn(anna->termineVdir(), ".ics");
    ASSERT_EQ(files.size(), 5u);
    std::string path = anna->termineVdir() + files[2];
    std::string whole = readTextFile(path);
    ASSERT_TRUE(replaceFile(path, whole.substr(0, whole.size() / 2)));

    // The run reports the file and writes it again from the database; nothing is lost on
    // either side.
    tToolRun r = anna->syncAll();
    EXPECT_EQ(r.code(), 0) << r.output;
    EXPECT_NE(r.output.find("Datei nicht lesbar, aus der Datenbank neu geschrieben: " + files[2]),
              std::string::npos)
        << r.output;
    EXPECT_EQ(summaries(eventsOf(anna->exportIcs())), titlesOf(events));
    EXPECT_EQ(summaries(eventsIn(serverFolder())), titlesOf(events));

    // Written whole again, as the next pull or an editor would: it converges.
    ASSERT_TRUE(replaceFile(path, whole));
    syncAll();
    syncAll();
    peerSync();
    expectConverged(titlesOf(events));
}

// Left alone, a cut file must not block the later syncs: vdirsyncer's pull would try to upload
// it, the server refuse it and nothing else run, while vdirsyncer dropped the server's copy of
// the item (and khal with it).  The database's records write the file whole again first.
TEST_F(SyncFaults, ACutFileIsWrittenAgainFromTheDatabase)
{
    std::vector<tNewEvent> events = numbered("Termin", 3);
    ASSERT_EQ(anna->importIcs(calendarOf(events)).code(), 0);
    syncAll();
    peerSync();
    std::vector<std::string> files = filesIn(anna->termineVdir(), ".ics");
    ASSERT_EQ(files.size(), 3u);
    std::string path = anna->termineVdir() + files[1];
    std::string whole = readTextFile(path);
    ASSERT_TRUE(replaceFile(path, whole.substr(0, whole.size() / 2)));
    anna->syncAll();
    syncAll();
    peerSync();
    expectConverged(titlesOf(events));
}

// velk-exchange killed again and again part-way through a sync of many appointments: out of the
// database into the vdir, and from a vdir filled by the other side into an empty database.  The
// run after the kills converges without doubling or losing one, and velk-check finds the
// database clean.
TEST_F(SyncFaults, KilledDuringASyncOfManyAppointments)
{
    const int count = 2000;
    const long killsMs[] = {100, 250, 400, 600};
    struct {
        const char *direction;
        bool fromVdir;
    } rows[] = {{"out", false}, {"in", true}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.direction);
        tTempDir place{"velk-kill"};
        std::string dir = place.sub("db");
        ASSERT_TRUE(makeDatabase(dir, {{"anna", "annapw"}}));
        tVelkUser user("anna", "annapw", dir);
        std::string vdir = place.sub("vdir/");
        std::filesystem::create_directories(vdir);
        std::vector<tNewEvent> events = numbered(row.direction, count);
        if (row.fromVdir) {
            for (const tNewEvent &e : events)
                ASSERT_TRUE(writeTextFile(vdir + e.uid + ".ics", calendarOf({e})));
        } else {
            ASSERT_EQ(user.importIcs(calendarOf(events)).code(), 0);
        }
        int killed = 0;
        for (long ms : killsMs) {
            tToolRun r = user.exchange({"sync", "termine", vdir}, "", ms);
            killed += r.killed();
        }
        EXPECT_GT(killed, 0) << "no run was killed part-way";
        // A kill inside a write of the engine leaves the table marked unfinished, and every
        // kill its open counts: velk-check --repair clears that, as the manual tells.
        tToolRun check = runTool({VELK_CHECK_BIN, dir}, {}, "");
        if (check.code() != 0) {
            tToolRun repair = runTool({VELK_CHECK_BIN, "--repair", dir}, {}, "");
            ASSERT_EQ(repair.code(), 0) << repair.output;
        }
        tToolRun r = user.exchange({"sync", "termine", vdir});
        ASSERT_EQ(r.code(), 0) << r.output;
        r = user.exchange({"sync", "termine", vdir});
        ASSERT_EQ(r.code(), 0) << r.output;
        EXPECT_NE(r.output.find("in die Datenbank: 0 neu, 0 ge\xC3\xA4ndert, 0 gel\xC3\xB6scht"),
                  std::string::npos)
            << r.output;

        std::vector<tEventSeen> ours = eventsOf(user.exportIcs());
        EXPECT_EQ(summaries(ours), titlesOf(events));
        EXPECT_EQ(eventsIn(vdir), ours);
        EXPECT_EQ(filesIn(vdir, ".ics").size(), size_t(count));
        check = runTool({VELK_CHECK_BIN, dir}, {}, "");
        EXPECT_EQ(check.code(), 0) << check.output;
    }
}

} // namespace
} // namespace velk
