// The places of a user's sync, the vdirsyncer configuration, the password file, the runs of
// other programs and the messages of a failed vdirsyncer run: everything that needs no server.
#include "exchange/sync_server.h"
#include "tests/sync/radicale_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace velk {
namespace {

using synctest::filesIn;
using synctest::readTextFile;
using synctest::tTempDir;
using synctest::writeTextFile;

const tSyncServer kServer = {"https://dav.example.org/", "anna"};

mode_t modeOf(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(SyncPlaces, LieUnderTheUsersDirectory)
{
    tSyncPlaces p = syncPlaces("/home/a/.config", "anna");
    EXPECT_EQ(p.dir, "/home/a/.config/velk/sync/anna/");
    EXPECT_EQ(p.config, p.dir + "vdirsyncer/config");
    EXPECT_EQ(p.status, p.dir + "vdirsyncer/status/");
    EXPECT_EQ(p.password, p.dir + "password");
    EXPECT_EQ(p.termine, p.dir + "termine/");
    EXPECT_EQ(p.termineTeam, p.dir + "termine-team/");
    EXPECT_EQ(p.personen, p.dir + "personen/");
    EXPECT_EQ(termineVdir(p), p.dir + "termine/velk-termine/");
    EXPECT_EQ(termineTeamVdir(p, kServer), p.dir + "termine-team/velk-team-anna/");
    EXPECT_EQ(personenVdir(p), p.dir + "personen/velk-personen/");
}

TEST(SyncPlaces, UserNamesBecomeSafeNames)
{
    struct {
        const char *user, *dir;
    } rows[] = {{"bert", "bert"}, {"../x", "_._x"}, {"a/b", "a_b"}, {".hidden", "_hidden"},
                {"", "_"},        {"Jörg", "Jörg"}, {"a\nb", "a_b"}};
    for (const auto &row : rows)
        EXPECT_EQ(syncPlaces("/c/", row.user).dir, std::string("/c/velk/sync/") + row.dir + "/")
            << row.user;
    struct {
        const char *user, *collection;
    } teams[] = {{"anna", "velk-team-anna"},
                 {"a.b@example.org", "velk-team-a_b_example_org"},
                 {"Jörg", "velk-team-J__rg"},
                 {"x-y_z", "velk-team-x-y_z"}};
    for (const auto &row : teams)
        EXPECT_EQ(teamCollection({"u", row.user}), row.collection) << row.user;
}

TEST(SyncPlaces, ConfigHomeFromTheEnvironment)
{
    std::string oldXdg = getenv("XDG_CONFIG_HOME") ? getenv("XDG_CONFIG_HOME") : "";
    std::string oldHome = getenv("HOME") ? getenv("HOME") : "";
    setenv("HOME", "/home/anna", 1);
    setenv("XDG_CONFIG_HOME", "/xdg", 1);
    EXPECT_EQ(defaultConfigHome(), "/xdg");
    setenv("XDG_CONFIG_HOME", "relative", 1); // not absolute: ignored, as the basedir rules say
    EXPECT_EQ(defaultConfigHome(), "/home/anna/.config");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(defaultConfigHome(), "/home/anna/.config");
    setenv("HOME", oldHome.c_str(), 1);
    if (!oldXdg.empty()) setenv("XDG_CONFIG_HOME", oldXdg.c_str(), 1);
}

// The lines of one section of a configuration, up to the next section.
std::string section(const std::string &config, const std::string &name)
{
    size_t at = config.find("[" + name + "]\n");
    if (at == std::string::npos) return "";
    size_t end = config.find("\n[", at + 1);
    return config.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

TEST(VdirsyncerConfig, PairsAndStorages)
{
    tSyncPlaces p = syncPlaces("/c", "anna");
    std::string config = vdirsyncerConfig(p, kServer, tSecret::File);
    EXPECT_NE(
        section(config, "general").find("status_path = \"/c/velk/sync/anna/vdirsyncer/status/\""),
        std::string::npos);
    struct {
        const char *pair, *root, *ext, *dav, *collection;
        bool oneWay;
    } rows[] = {
        {"velk_termine", "termine/", ".ics", "caldav", "velk-termine", false},
        {"velk_team", "termine-team/", ".ics", "caldav", "velk-team-anna", true},
        {"velk_personen", "personen/", ".vcf", "carddav", "velk-personen", false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.pair);
        std::string pair = section(config, std::string("pair ") + row.pair);
        std::string local = section(config, std::string("storage ") + row.pair + "_local");
        std::string server = section(config, std::string("storage ") + row.pair + "_server");
        EXPECT_NE(pair.find(std::string("a = \"") + row.pair + "_local\""), std::string::npos);
        EXPECT_NE(pair.find(std::string("b = \"") + row.pair + "_server\""), std::string::npos);
        EXPECT_NE(pair.find(std::string("collections = [\"") + row.collection + "\"]"),
                  std::string::npos);
        EXPECT_NE(pair.find("conflict_resolution = \"a wins\""), std::string::npos);
        EXPECT_EQ(pair.find("partial_sync = \"revert\"") != std::string::npos, row.oneWay);
        EXPECT_NE(local.find("type = \"filesystem\""), std::string::npos);
        EXPECT_NE(local.find(std::string("path = \"/c/velk/sync/anna/") + row.root + "\""),
                  std::string::npos);
        EXPECT_NE(local.find(std::string("fileext = \"") + row.ext + "\""), std::string::npos);
        EXPECT_EQ(local.find("read_only = true") != std::string::npos, row.oneWay);
        EXPECT_NE(server.find(std::string("type = \"") + row.dav + "\""), std::string::npos);
        EXPECT_NE(server.find("url = \"https://dav.example.org/\""), std::string::npos);
        EXPECT_NE(server.find("username = \"anna\""), std::string::npos);
        EXPECT_NE(server.find("password.fetch = [\"command\", \"cat\", "
                              "\"/c/velk/sync/anna/password\"]"),
                  std::string::npos);
        EXPECT_EQ(server.find("read_only"), std::string::npos);
    }
}

TEST(VdirsyncerConfig, KeyringAndQuoting)
{
    tSyncPlaces p = syncPlaces("/c \"x\"", "anna");
    std::string config = vdirsyncerConfig(p, {"https://h/", "an\"na\\"}, tSecret::Keyring);
    EXPECT_NE(config.find("password.fetch = [\"command\", \"secret-tool\", \"lookup\", "
                          "\"service\", \"velk\", \"user\", \"an\\\"na\\\\\"]"),
              std::string::npos);
    EXPECT_NE(config.find("path = \"/c \\\"x\\\"/velk/sync/anna/termine/\""), std::string::npos);
    EXPECT_EQ(config.find("\"cat\""), std::string::npos);
    // vdirsyncer normalises every word of the command as a path: the user must survive that.
    struct {
        const char *user, *attribute;
    } rows[] = {{"~bob", "_bob"}, {"a/../b", "a_.._b"}, {"", "_"}, {"a.b@c", "a.b@c"}};
    for (const auto &row : rows)
        EXPECT_NE(vdirsyncerConfig(p, {"https://h/", row.user}, tSecret::Keyring)
                      .find(std::string("\"user\", \"") + row.attribute + "\"]"),
                  std::string::npos)
            << row.user;
    EXPECT_EQ(config.find("password = "), std::string::npos); // never the password itself
}

TEST(SyncSetup, WritesDirectoriesConfigAndAPrivatePasswordFile)
{
    tTempDir tmp;
    mode_t oldMask = umask(0); // even with nothing masked, nobody else may read
    tSyncPlaces p = syncPlaces(tmp.path(), "anna");
    tSetupResult r = writeSyncSetup(p, kServer, "geheim1", tSecret::File);
    umask(oldMask);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.secret, tSecret::File);
    EXPECT_EQ(modeOf(p.dir), 0700u);
    EXPECT_EQ(modeOf(p.password), 0600u);
    EXPECT_EQ(readTextFile(p.password), "geheim1");
    EXPECT_EQ(readTextFile(p.config), vdirsyncerConfig(p, kServer, tSecret::File));
    for (const std::string &d :
         {p.status, termineVdir(p), termineTeamVdir(p, kServer), personenVdir(p)})
        EXPECT_NE(modeOf(d), 0u) << d;

    // Again with a new password: replaced, still private, no temporary file left.
    chmod(p.password.c_str(), 0644);
    r = writeSyncSetup(p, {"http://other/", "anna"}, "neu", tSecret::File);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(readTextFile(p.password), "neu");
    EXPECT_EQ(modeOf(p.password), 0600u);
    EXPECT_NE(readTextFile(p.config).find("url = \"http://other/\""), std::string::npos);
    EXPECT_EQ(filesIn(p.dir, ".tmp").size(), 0u);
    EXPECT_EQ(filesIn(p.dir + "vdirsyncer", ".tmp").size(), 0u);
}

TEST(SyncSetup, KeyringThatDoesNotAnswerFallsBackToTheFile)
{
    tTempDir tmp;
    std::string oldPath = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", tmp.path().c_str(), 1); // no secret-tool here
    EXPECT_FALSE(keyringAnswers());
    tSyncPlaces p = syncPlaces(tmp.path(), "anna");
    tSetupResult r = writeSyncSetup(p, kServer, "geheim1", tSecret::Keyring);
    setenv("PATH", oldPath.c_str(), 1);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.secret, tSecret::File);
    EXPECT_EQ(readTextFile(p.password), "geheim1");
    EXPECT_NE(readTextFile(p.config).find("\"cat\""), std::string::npos);
}

// A secret-tool of the test's own in an otherwise empty PATH.
void writeFakeSecretTool(const tTempDir &tmp, const std::string &lookupBody)
{
    std::string script = "#!/bin/sh\n"
                         "case \"$1\" in\n"
                         "lookup) " +
                         lookupBody +
                         " ;;\n"
                         "store) echo \"$@\" > " +
                         tmp.sub("args") + "; cat > " + tmp.sub("stored") +
                         " ;;\n"
                         "esac\n";
    writeTextFile(tmp.sub("secret-tool"), script);
    chmod(tmp.sub("secret-tool").c_str(), 0755);
}

TEST(SyncSetup, KeyringKeepsThePasswordAndTheOldFileGoes)
{
    tTempDir tmp;
    writeFakeSecretTool(tmp, "exit 1"); // answers: nothing stored yet
    tSyncPlaces p = syncPlaces(tmp.path(), "anna");
    ASSERT_TRUE(writeSyncSetup(p, kServer, "alt", tSecret::File).ok);
    ASSERT_EQ(readTextFile(p.password), "alt");
    std::string oldPath = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", (tmp.path() + ":/bin:/usr/bin").c_str(), 1);
    bool answers = keyringAnswers();
    tSetupResult r = writeSyncSetup(p, kServer, "geheim1", tSecret::Keyring);
    setenv("PATH", oldPath.c_str(), 1);
    EXPECT_TRUE(answers);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.secret, tSecret::Keyring);
    EXPECT_EQ(readTextFile(tmp.sub("stored")), "geheim1");
    EXPECT_EQ(readTextFile(tmp.sub("args")),
              "store --label=VELK Abgleich anna service velk user anna\n");
    EXPECT_EQ(modeOf(p.password), 0u); // removed
    EXPECT_NE(readTextFile(p.config).find("\"secret-tool\", \"lookup\""), std::string::npos);
}

TEST(SyncSetup, KeyringThatHangsOrFailsDoesNotAnswer)
{
    struct {
        const char *lookup;
    } rows[] = {{"sleep 30"}, {"echo 'Cannot autolaunch D-Bus' >&2; exit 1"}, {"exit 3"}};
    for (const auto &row : rows) {
        tTempDir tmp;
        writeFakeSecretTool(tmp, row.lookup);
        std::string oldPath = getenv("PATH") ? getenv("PATH") : "";
        setenv("PATH", (tmp.path() + ":/bin:/usr/bin").c_str(), 1);
        bool answers = keyringAnswers();
        setenv("PATH", oldPath.c_str(), 1);
        EXPECT_FALSE(answers) << row.lookup;
    }
}

TEST(SyncSetup, ReportsWhatCannotBeWritten)
{
    struct {
        const char *what;
        bool fileForDir; // a file where the directory "velk" should be, else a directory in
                         // place of the password file
        const char *message;
    } rows[] = {{"directory", true, "kann nicht angelegt werden"},
                {"password", false, "/velk/sync/anna/password“ kann nicht geschrieben werden"}};
    for (const auto &row : rows) {
        tTempDir tmp;
        tSyncPlaces p = syncPlaces(tmp.path(), "anna");
        if (row.fileForDir)
            writeTextFile(tmp.sub("velk"), "a file");
        else
            std::filesystem::create_directories(p.password);
        tSetupResult r = writeSyncSetup(p, kServer, "x", tSecret::File);
        EXPECT_FALSE(r.ok) << row.what;
        EXPECT_NE(r.message.find(row.message), std::string::npos) << r.message;
        EXPECT_EQ(modeOf(p.config), 0u) << row.what; // nothing that names a missing password
    }
}

} // namespace
} // namespace velk
