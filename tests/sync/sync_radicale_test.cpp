// vdirsyncer with VELK's configuration against a real Radicale on 127.0.0.1: discover accepts the
// configuration and creates the collections; appointments and persons go from VELK's vdirs to
// khal and khard (each with its own vdirsyncer) and back; the team calendar goes one way; login
// failures, an unreachable server and a server that stops during a sync come back as messages.
#include "exchange/sync_server.h"
#include "tests/sync/peer_clients.h"
#include "tests/sync/radicale_fixture.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <sys/stat.h>

namespace velk {
namespace {

using namespace synctest;

const int kTimeout = 60;

std::string icsEvent(const std::string &uid, const std::string &summary, const std::string &day)
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//VELK//Termine//DE\r\n"
           "BEGIN:VEVENT\r\nUID:" +
           uid + "\r\nDTSTAMP:20260101T000000Z\r\nDTSTART:" + day + "T090000Z\r\nDTEND:" + day +
           "T100000Z\r\nSUMMARY:" + summary + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
}

std::string vcard(const std::string &uid, const std::string &first, const std::string &last)
{
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + first + " " + last +
           "\r\nN:" + last + ";" + first + ";;;\r\nEND:VCARD\r\n";
}

bool isDir(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The UID line of an iCalendar or vCard text.
std::string uidOf(const std::string &text)
{
    size_t at = text.find("UID:");
    if (at == std::string::npos) return "";
    size_t end = text.find_first_of("\r\n", at);
    return text.substr(at + 4, end - at - 4);
}

class SyncServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char *program : {"radicale", "vdirsyncer"})
            if (!programInPath(program)) GTEST_SKIP() << program << " is not installed";
        radicale = std::make_unique<tRadicale>();
        ASSERT_TRUE(radicale->running()) << radicale->error();
        server = {radicale->url(), kAnna.name};
        places = syncPlaces(home.sub("config"), "anna");
        tSetupResult setup = writeSyncSetup(places, server, kAnna.password, tSecret::File);
        ASSERT_TRUE(setup.ok) << setup.message;
    }

    tRunResult discover() { return runDiscover(places, {}, log(), kTimeout); }
    tRunResult sync() { return runSync(places, {}, log(), kTimeout); }
    tLineSink log()
    {
        return [this](const std::string &line) { output += line + "\n"; };
    }
    void requirePeer(const char *program)
    {
        if (!programInPath(program)) GTEST_SKIP() << program << " is not installed";
    }

    std::unique_ptr<tRadicale> radicale;
    tTempDir home;
    tSyncServer server;
    tSyncPlaces places;
    std::string output;
};

TEST_F(SyncServer, DiscoverAcceptsTheConfigurationAndMakesTheCollections)
{
    // One pair first, then all.
    tRunResult r = runDiscover(places, {kPairPersonen}, log(), kTimeout);
    ASSERT_TRUE(r.ok()) << r.message << "\n" << output;
    EXPECT_TRUE(isDir(radicale->collectionFolder("anna", kPersonenCollection)));
    EXPECT_FALSE(isDir(radicale->collectionFolder("anna", kTermineCollection)));
    r = discover();
    ASSERT_TRUE(r.ok()) << r.message << "\n" << output;
    EXPECT_TRUE(r.message.empty());
    for (const char *collection : {"velk-termine", "velk-team-anna", "velk-personen"})
        EXPECT_TRUE(isDir(radicale->collectionFolder("anna", collection))) << collection;
    r = sync();
    EXPECT_TRUE(r.ok()) << r.message << "\n" << output;
}

TEST_F(SyncServer, PathsWithQuotesSpacesAndUmlautsAreRead)
{
    tTempDir other;
    std::string configHome = other.sub("Jörg \"M\" 100% ; #x");
    tSyncPlaces p = syncPlaces(configHome, "jörg");
    ASSERT_TRUE(writeSyncSetup(p, server, kAnna.password, tSecret::File).ok);
    writeTextFile(termineVdir(p) + "a.ics", icsEvent("a", "Umlaute", "20270110"));
    tRunResult r = runDiscover(p, {}, log(), kTimeout);
    ASSERT_TRUE(r.ok()) << r.message << "\n" << output;
    r = runSync(p, {}, log(), kTimeout);
    ASSERT_TRUE(r.ok()) << r.message << "\n" << output;
    EXPECT_EQ(filesIn(radicale->collectionFolder("anna", kTermineCollection), ".ics").size(), 1u);
}

TEST_F(SyncServer, PasswordFromTheKeyring)
{
    // A secret-tool of the test's own, ahead in PATH, that keeps one password in a file.
    tTempDir bin;
    std::string script = "#!/bin/sh\n"
                         "case \"$1\" in\n"
                         "lookup) [ \"$*\" = \"lookup service velk user anna\" ] && cat " +
                         bin.sub("kept") +
                         " ;;\n"
                         "store) cat > " +
                         bin.sub("kept") +
                         " ;;\n"
                         "esac\n";
    writeTextFile(bin.sub("secret-tool"), script);
    chmod(bin.sub("secret-tool").c_str(), 0755);
    std::string oldPath = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", (bin.path() + ":" + oldPath).c_str(), 1);
    tTempDir other;
    tSyncPlaces p = syncPlaces(other.path(), "anna");
    tSetupResult setup = writeSyncSetup(p, server, kAnna.password, tSecret::Keyring);
    tRunResult r = runDiscover(p, {}, log(), kTimeout);
    setenv("PATH", oldPath.c_str(), 1);
    ASSERT_TRUE(setup.ok) << setup.message;
    EXPECT_EQ(setup.secret, tSecret::Keyring);
    EXPECT_EQ(readTextFile(bin.sub("kept")), kAnna.password);
    EXPECT_NE(access(p.password.c_str(), F_OK), 0); // no password file
    EXPECT_TRUE(r.ok()) << r.message << "\n" << output;
}

// A socket bound to a port of 127.0.0.1 without listening: connections to it are refused, and
// nothing else can take the port while the socket is held (a port merely found free could be
// taken by a server of a test running beside this one).
class tRefusingPort {
public:
    tRefusingPort() : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (bind(fd_, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0 &&
            getsockname(fd_, reinterpret_cast<sockaddr *>(&addr), &len) == 0)
            port_ = ntohs(addr.sin_port);
    }
    ~tRefusingPort() { close(fd_); }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

private:
    int fd_;
    int port_ = 0;
};

TEST_F(SyncServer, RefusedLoginAndUnreachableServer)
{
    tRefusingPort refusing;
    struct {
        const char *what;
        std::string url, user, password;
        const char *message;
    } rows[] = {
        {"wrong password", radicale->url(), "anna", "falsch",
         "Der Server hat die Anmeldung abgelehnt (Benutzername oder Passwort falsch)"},
        {"unknown user", radicale->url(), "carl", "geheim1",
         "Der Server hat die Anmeldung abgelehnt (Benutzername oder Passwort falsch)"},
        {"nobody listens", refusing.url(), "anna", "geheim1", "Der Server ist nicht erreichbar"},
    };
    for (const auto &row : rows) {
        tTempDir other;
        tSyncPlaces p = syncPlaces(other.path(), "anna");
        ASSERT_TRUE(writeSyncSetup(p, {row.url, row.user}, row.password, tSecret::File).ok);
        tRunResult r = runDiscover(p, {}, {}, kTimeout);
        EXPECT_FALSE(r.ok()) << row.what;
        EXPECT_EQ(r.message, row.message) << row.what << ": " << r.lastLine;
    }
}

TEST_F(SyncServer, AServerThatNeverAnswersIsGivenUp)
{
    // A port that takes connections (the kernel's backlog) but never answers a request.
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
    ASSERT_EQ(listen(fd, 16), 0);
    ASSERT_EQ(getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len), 0);
    tTempDir other;
    tSyncPlaces p = syncPlaces(other.path(), "anna");
    std::string url = "http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) + "/";
    ASSERT_TRUE(writeSyncSetup(p, {url, "anna"}, "geheim1", tSecret::File).ok);
    tRunResult r = runDiscover(p, {}, {}, 3);
    close(fd);
    EXPECT_TRUE(r.timedOut);
    EXPECT_EQ(r.message, "vdirsyncer hat nach 3 Sekunden nicht geendet und wurde abgebrochen");
}

TEST_F(SyncServer, AnotherUserSeesNoneOfIt)
{
    const std::string uid = "velk-termin-privat";
    writeTextFile(termineVdir(places) + uid + ".ics", icsEvent(uid, "Privat", "20270105"));
    ASSERT_TRUE(discover().ok()) << output;
    ASSERT_TRUE(sync().ok()) << output;
    // bert's collection of the same name is his own, made by his discover, and stays empty.
    tPeer bert(tPeer::Calendar, radicale->url(), kBert, kTermineCollection);
    tPeerRun found = bert.discover();
    ASSERT_TRUE(found.result.ok()) << found.output;
    ASSERT_TRUE(bert.sync().result.ok());
    EXPECT_TRUE(filesIn(bert.vdir(), ".ics").empty());
    EXPECT_TRUE(isDir(radicale->collectionFolder("bert", kTermineCollection)));
    EXPECT_EQ(filesIn(radicale->collectionFolder("anna", kTermineCollection), ".ics").size(), 1u);
}

TEST_F(SyncServer, AppointmentGoesToKhalAndKhalsComesBack)
{
    requirePeer("khal");
    const std::string uid = "velk-termin-4711@example.org";
    ASSERT_TRUE(writeTextFile(termineVdir(places) + uid + ".ics",
                              icsEvent(uid, "Zahnarzt Müller", "20270115")));
    ASSERT_TRUE(discover().ok()) << output;
    ASSERT_TRUE(sync().ok()) << output;

    tPeer khal(tPeer::Calendar, radicale->url(), kAnna, kTermineCollection);
    ASSERT_TRUE(khal.discover().result.ok()) << khal.discover().output;
    ASSERT_TRUE(khal.sync().result.ok());
    tPeerRun list = khal.khalList("2027-01-15", "2027-01-16");
    ASSERT_TRUE(list.result.ok()) << list.output;
    EXPECT_NE(list.output.find("Zahnarzt Müller"), std::string::npos) << list.output;

    tPeerRun made = khal.khalNew({"2027-01-20", "09:00", "10:00", "Teamsitzung Ärger"});
    ASSERT_TRUE(made.result.ok()) << made.output;
    ASSERT_TRUE(khal.sync().result.ok());
    ASSERT_TRUE(sync().ok()) << output;
    std::vector<std::string> files = filesIn(termineVdir(places), ".ics");
    ASSERT_EQ(files.size(), 2u);
    std::string fromKhal = files[0] == uid + ".ics" ? files[1] : files[0];
    std::string text = readTextFile(termineVdir(places) + fromKhal);
    EXPECT_NE(text.find("SUMMARY:Teamsitzung Ärger"), std::string::npos) << text;
    // khal's UIDs are letters and digits, so vdirsyncer names the file by the UID.
    EXPECT_EQ(fromKhal, uidOf(text) + ".ics");
}

TEST_F(SyncServer, PersonGoesToKhardAndKhardsComesBack)
{
    requirePeer("khard");
    const std::string uid = "velk-person-12@example.org";
    ASSERT_TRUE(writeTextFile(personenVdir(places) + uid + ".vcf", vcard(uid, "Jörg", "Weiß")));
    ASSERT_TRUE(discover().ok()) << output;
    ASSERT_TRUE(sync().ok()) << output;

    tPeer khard(tPeer::Contacts, radicale->url(), kAnna, kPersonenCollection);
    ASSERT_TRUE(khard.discover().result.ok());
    ASSERT_TRUE(khard.sync().result.ok());
    tPeerRun list = khard.khardList();
    ASSERT_TRUE(list.result.ok()) << list.output;
    EXPECT_NE(list.output.find("Jörg Weiß"), std::string::npos) << list.output;

    tPeerRun made = khard.khardNew("Ute", "Übel");
    ASSERT_TRUE(made.result.ok()) << made.output;
    ASSERT_TRUE(khard.sync().result.ok());
    ASSERT_TRUE(sync().ok()) << output;
    std::vector<std::string> files = filesIn(personenVdir(places), ".vcf");
    ASSERT_EQ(files.size(), 2u);
    std::string fromKhard = files[0] == uid + ".vcf" ? files[1] : files[0];
    std::string text = readTextFile(personenVdir(places) + fromKhard);
    EXPECT_NE(text.find("Übel;Ute"), std::string::npos) << text;
    EXPECT_EQ(fromKhard, uidOf(text) + ".vcf");
}

TEST_F(SyncServer, TeamCalendarGoesOneWay)
{
    const std::string vdir = termineTeamVdir(places, server);
    const std::string uid = "velk-team-1@example.org";
    const std::string original = icsEvent(uid, "Betriebsausflug", "20270301");
    ASSERT_TRUE(writeTextFile(vdir + uid + ".ics", original));
    ASSERT_TRUE(discover().ok()) << output;
    ASSERT_TRUE(sync().ok()) << output;

    // Someone with the login changes the server copy and adds an item of his own.
    tPeer other(tPeer::Calendar, radicale->url(), kAnna, teamCollection(server));
    ASSERT_TRUE(other.discover().result.ok());
    ASSERT_TRUE(other.sync().result.ok());
    // vdirsyncer names a file by the UID only where the UID is made of [A-Za-z0-9_.+-]; this
    // one has an '@', so the peer's copy has a name of its own.
    std::vector<std::string> copies = filesIn(other.vdir(), ".ics");
    ASSERT_EQ(copies.size(), 1u);
    std::string theirs = other.vdir() + copies[0];
    ASSERT_EQ(uidOf(readTextFile(theirs)), uid);
    // A new file renamed over the old: vdirsyncer sees a change by mtime and inode, and the
    // mtime alone may not move within the clock's granularity.
    writeTextFile(theirs + ".neu", icsEvent(uid, "Betriebsausflug abgesagt", "20270301"));
    ASSERT_EQ(rename((theirs + ".neu").c_str(), theirs.c_str()), 0);
    writeTextFile(other.vdir() + "fremd.ics", icsEvent("fremd", "Fremder Termin", "20270302"));
    ASSERT_TRUE(other.sync().result.ok());
    // Read from Radicale's storage: the peer's vdirsyncer would not fetch the item VELK puts
    // back, as its status remembers that very content.
    std::string folder = radicale->collectionFolder("anna", teamCollection(server));
    ASSERT_EQ(filesIn(folder, ".ics").size(), 2u);

    // VELK's syncs leave its vdir alone and put its own state back on the server: the first
    // notes the server's change without copying it, the second finds VELK's side different
    // from that and copies it over.
    tRunResult r = sync();
    ASSERT_TRUE(r.ok()) << r.message << "\n" << output;
    EXPECT_EQ(filesIn(vdir, ".ics"), std::vector<std::string>{uid + ".ics"});
    EXPECT_EQ(readTextFile(vdir + uid + ".ics"), original);
    r = sync();
    ASSERT_TRUE(r.ok()) << r.message << "\n" << output;
    EXPECT_EQ(filesIn(vdir, ".ics"), std::vector<std::string>{uid + ".ics"});
    EXPECT_EQ(readTextFile(vdir + uid + ".ics"), original);
    // The server holds VELK's item again, and only that.
    std::vector<std::string> onServer = filesIn(folder, ".ics");
    ASSERT_EQ(onServer.size(), 1u);
    std::string text = readTextFile(folder + "/" + onServer[0]);
    EXPECT_EQ(uidOf(text), uid);
    EXPECT_NE(text.find("SUMMARY:Betriebsausflug\r\n"), std::string::npos) << text;
}

TEST_F(SyncServer, ServerStoppedDuringASync)
{
    const int count = 150;
    for (int i = 0; i < count; ++i) {
        std::string uid = "velk-viele-" + std::to_string(i);
        writeTextFile(termineVdir(places) + uid + ".ics", icsEvent(uid, "Termin", "20270401"));
    }
    ASSERT_TRUE(discover().ok()) << output;
    int copied = 0;
    tRunResult r = runSync(
        places, {},
        [&](const std::string &line) {
            output += line + "\n";
            if (line.find("Copying") != std::string::npos && ++copied == 5) radicale->stop();
        },
        kTimeout);
    EXPECT_GE(copied, 5) << output;
    EXPECT_FALSE(r.ok()) << output;
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.message, "Der Server ist nicht erreichbar") << output;
    // VELK's side is untouched.
    EXPECT_EQ(filesIn(termineVdir(places), ".ics").size(), size_t(count));
}

} // namespace
} // namespace velk
