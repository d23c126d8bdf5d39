// Start-up and login on the real data model in a temporary directory, and the login across
// processes: a password given in one run takes effect in the next.
#include <QDir>
#include <QFile>

#include <cstring>
#include <fcntl.h>

#include <gtest/gtest.h>

#include "base/session.h"
#include "model/model_database.h"
#include "shell/ui/my_app.h"
#include "shell/ui/shell_host.h"
#include "btree/btree.h"
#include "model/blob.h"
#include "model/schema.h"
#include "model/users.h"
#include "tests/app/login_dialog_helpers.h"
#include "tests/app/recorder_host.h"
#include "tests/btree/process_support.h"
#include "tests/btree/files_support.h"

using namespace velk;
using namespace velk::apptest;

namespace {

class ModelStartupTest : public ::testing::Test {
protected:
    ModelStartupTest()
        : ini(QString::fromStdString(tmp.file("config/VELK.INI"))),
          dbDir(QString::fromStdString(tmp.file("daten")) + "/")
    {}
    ~ModelStartupTest() override { closeDatabase(); }

    // One run of the program up to the running frame; false when start-up ended.
    bool run(std::function<void(QDialog &)> login)
    {
        if (login) host.dialogScripts.push_back(std::move(login));
        TMyApp app(database, ini);
        app.setQuitRequest([] {});
        bool running = app.initMainWindow();
        app.shutDown();
        return running;
    }
    bool exists(const char *name) const { return fileExists((dbDir + name).toStdString()); }

    TempDir tmp;
    QString ini;
    QString dbDir;
    RecorderHost host;
    tModelDatabase database;
};

} // namespace

TEST_F(ModelStartupTest, FirstStartCreatesACompleteEmptyDatabase)
{
    ASSERT_TRUE(QDir().mkpath(dbDir));
    host.fileAnswers.push_back(dbDir + "start");
    ASSERT_TRUE(run(loginScript("root", "")));
    EXPECT_TRUE(database.created());
    EXPECT_EQ(readConfiguredPath(ini), dbDir + "datadict");
    for (const char *f : {"datadict.dat", "datadict.ndx", "blob.mp", "blob.st"})
        EXPECT_TRUE(exists(f)) << f;
    for (const char *table : kTableNames)
        for (const char *ext : {".dat", ".ndx"})
            EXPECT_TRUE(exists((std::string(table) + ext).c_str())) << table << ext;
    EXPECT_FALSE(exists("start"));
    EXPECT_STREQ(currentUser(), "root");
    EXPECT_FALSE(databaseOpen()); // shut down

    // The dictionary defines the nine tables.
    ASSERT_TRUE(openDatabase((dbDir + "datadict").toUtf8().constData()));
    EXPECT_FALSE(databaseCreated());
    const std::pair<const char *, int> sizes[] = {
        {"USERS", 49},   {"PERSON", 549}, {"RESOURCE", 48}, {"GROUP", 373}, {"MEMBER", 16},
        {"TERMIN", 117}, {"ALARM", 126},  {"PROJECT", 100}, {"TASK", 131}};
    for (auto [table, size] : sizes) EXPECT_EQ(tBlob::instance().recordSize(table), size) << table;
}

TEST_F(ModelStartupTest, SecondStartAsksNothingAndLeavesTheDatabaseAlone)
{
    host.fileAnswers.push_back(dbDir + "start");
    ASSERT_TRUE(QDir().mkpath(dbDir));
    ASSERT_TRUE(run(loginScript("root", "")));
    ASSERT_TRUE(openDatabase((dbDir + "datadict").toUtf8().constData()));
    ASSERT_TRUE(openUserTable());
    tUser anna = newUser();
    std::strcpy(anna.ID, "anna");
    std::strcpy(anna.PASSWORD, storedPassword("geheim").c_str());
    ASSERT_TRUE(writeUser(anna));
    closeDatabase();
    const long dictSize = fileSize((dbDir + "datadict.dat").toStdString());

    host.events.clear();
    ASSERT_TRUE(run(loginScript("anna", "geheim")));
    EXPECT_EQ(host.events, (QStringList{"dialog:tDiaLogin", "help:close"}));
    EXPECT_FALSE(database.created());
    EXPECT_STREQ(currentUser(), "anna");
    EXPECT_EQ(fileSize((dbDir + "datadict.dat").toStdString()), dictSize); // no rows added
}

// The program marks its directory in use right after opening it, before the login, and keeps
// the mark until the process ends, so that velk-check leaves a copy waiting at its login alone.
TEST_F(ModelStartupTest, StartUpMarksTheDirectoryInUseBeforeTheLogin)
{
    ASSERT_TRUE(QDir().mkpath(dbDir));
    ASSERT_TRUE(writeConfiguredPath(ini, dbDir + "datadict"));
    const std::string marked = (dbDir + "datadict.dat").toStdString();
    int atLogin = -1;
    auto login = loginScript("root", "");
    ASSERT_TRUE(run([&](QDialog &d) {
        atLogin = muInUse(marked.c_str());
        login(d);
    }));
    EXPECT_EQ(atLogin, 1);
    EXPECT_EQ(muInUse(marked.c_str()), 1) << "shut down, but the process still runs";
    EXPECT_EQ(muReleaseInUse(), 0);
    EXPECT_EQ(muInUse(marked.c_str()), 0);
}

// While velk-check repairs the directory (it write-locks the in-use byte of every file), a copy
// that starts cannot mark the directory and ends as when its dictionary cannot be opened.
TEST_F(ModelStartupTest, ACopyDoesNotStartWhileARepairHoldsTheDirectory)
{
    ASSERT_TRUE(QDir().mkpath(dbDir));
    const std::string dict = (dbDir + "datadict").toStdString();
    ASSERT_TRUE(database.open(dict));
    database.close();
    ASSERT_EQ(muReleaseInUse(), 0);
    ASSERT_TRUE(writeConfiguredPath(ini, dbDir + "datadict"));
    const std::string marked = dict + ".dat";
    Signal holding, done;
    pid_t repair = spawn([&] {
        int fd = ::open(marked.c_str(), O_RDWR);
        struct flock fl = {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = MU_INUSE_BYTE;
        fl.l_len = 1;
        if (fd < 0 || fcntl(fd, F_OFD_SETLK, &fl) != 0) return 1;
        holding.post();
        done.wait();
        return 0;
    });
    ASSERT_TRUE(holding.wait());
    EXPECT_FALSE(run(loginScript("root", "")));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, QStringLiteral("Fehler beim Erzeugen des Datadictionaries"));
    EXPECT_TRUE(host.eventsOf("dialog:").isEmpty()) << "no login";
    EXPECT_FALSE(databaseOpen());
    done.post();
    EXPECT_EQ(waitFor(repair), 0);
    EXPECT_TRUE(run(loginScript("root", ""))) << "the next start, after the repair";
    EXPECT_EQ(muReleaseInUse(), 0);
}

TEST_F(ModelStartupTest, UnreadableDictionaryIsReportedAndNotReplaced)
{
    ASSERT_TRUE(QDir().mkpath(dbDir));
    const Bytes garbage(300, 0x5a);
    writeFileBytes((dbDir + "datadict.dat").toStdString(), garbage);
    writeFileBytes((dbDir + "datadict.ndx").toStdString(), garbage);
    ASSERT_TRUE(writeConfiguredPath(ini, dbDir + "datadict"));
    EXPECT_FALSE(run(nullptr));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, QStringLiteral("Fehler beim Erzeugen des Datadictionaries"));
    EXPECT_EQ(host.messages[0].caption, appName());
    EXPECT_TRUE(host.eventsOf("dialog:").isEmpty());
    EXPECT_EQ(readFileBytes((dbDir + "datadict.dat").toStdString()), garbage);
    EXPECT_EQ(readConfiguredPath(ini), dbDir + "datadict");
}

TEST_F(ModelStartupTest, DirectoryThatCannotBeCreatedIsReported)
{
    ASSERT_TRUE(writeConfiguredPath(ini, dbDir + "fehlt/datadict"));
    EXPECT_FALSE(run(nullptr));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, QStringLiteral("Fehler beim Erzeugen des Datadictionaries"));
}

TEST_F(ModelStartupTest, LoginStoresAndChecksThroughTheUsersTable)
{
    ASSERT_TRUE(QDir().mkpath(dbDir));
    ASSERT_TRUE(openDatabase((dbDir + "datadict").toUtf8().constData()));
    ASSERT_TRUE(database.openUsers());
    tUserStore &users = database.users();
    EXPECT_EQ(users.count(), 0);
    EXPECT_EQ(decideLogin(users, {"root", "", "", false}).resultName, "root");
    ASSERT_EQ(decideLogin(users, {"anna", "abcdefgh1", "abcdefgh1", true}).outcome,
              tLoginOutcome::Close);
    EXPECT_EQ(users.count(), 1);
    tUser stored = newUser();
    ASSERT_TRUE(readUser("anna", &stored));
    EXPECT_EQ(std::string(stored.PASSWORD), storedPassword("abcdefgh1"));
    EXPECT_EQ(std::strlen(stored.PASSWORD), 12u);
    EXPECT_EQ(decideLogin(users, {"anna", "abcdefgh2", "", false}).resultName, "anna");
    EXPECT_EQ(decideLogin(users, {"anna", "abcdefg", "", false}).resultName, "");
    // Setting it again rewrites the one record.
    decideLogin(users, {"anna", "neu", "neu", true});
    EXPECT_EQ(users.count(), 1);
    EXPECT_EQ(decideLogin(users, {"root", "", "", false}).resultName, "root");
    EXPECT_EQ(decideLogin(users, {"ROOT", "", "", false}).resultName, "");
}

// Root gives anna a password in one process; a second process, started afterwards as the next
// run of the program would be, logs her in with it and refuses another.
TEST_F(ModelStartupTest, PasswordSetInOneProcessAdmitsInTheNext)
{
    ASSERT_TRUE(QDir().mkpath(dbDir));
    const std::string dict = (dbDir + "datadict").toStdString();
    pid_t setter = spawn([&] {
        tModelDatabase db;
        if (!db.open(dict) || !db.openUsers()) return 1;
        auto d = decideLogin(db.users(), {"anna", "geheim", "geheim", true});
        db.closeUsers();
        db.close();
        return d.outcome == tLoginOutcome::Close ? 0 : 2;
    });
    ASSERT_EQ(waitFor(setter), 0);
    pid_t checker = spawn([&] {
        tModelDatabase db;
        if (!db.open(dict) || !db.openUsers()) return 1;
        if (decideLogin(db.users(), {"anna", "geheim", "", false}).resultName != "anna") return 2;
        if (!decideLogin(db.users(), {"anna", "falsch", "", false}).resultName.empty()) return 3;
        if (decideLogin(db.users(), {"bernd", "geheim", "", false}).resultName != "") return 4;
        db.close();
        return 0;
    });
    EXPECT_EQ(waitFor(checker), 0);
}

// Two copies of the program start at once on one empty directory.  The one that loses the race
// to create the dictionary may find it half made and report the failure (creation never
// overwrites); neither may damage the database of the other, and everything a successful copy
// stored is there afterwards.
TEST_F(ModelStartupTest, TwoProcessesStartingTogetherLeaveOneSoundDatabase)
{
    ASSERT_TRUE(QDir().mkpath(dbDir));
    const std::string dict = (dbDir + "datadict").toStdString();
    Signal go;
    auto copy = [&](const char *name) {
        return spawn([&, name] {
            go.wait();
            tModelDatabase db;
            if (!db.open(dict)) return 1; // "Fehler beim Erzeugen des Datadictionaries"
            if (!db.openUsers()) return 3;
            auto d = decideLogin(db.users(), {name, "pw", "pw", true});
            db.close();
            return d.outcome == tLoginOutcome::Close ? 0 : 2;
        });
    };
    pid_t a = copy("anna");
    pid_t b = copy("bernd");
    go.post();
    go.post();
    const int ra = waitFor(a), rb = waitFor(b);
    EXPECT_TRUE(ra == 0 || ra == 1) << ra;
    EXPECT_TRUE(rb == 0 || rb == 1) << rb;
    EXPECT_TRUE(ra == 0 || rb == 0);
    ASSERT_TRUE(database.open(dict));
    EXPECT_FALSE(database.created());
    ASSERT_TRUE(database.openUsers());
    EXPECT_EQ(database.users().count(), (ra == 0) + (rb == 0));
    EXPECT_EQ(decideLogin(database.users(), {"anna", "pw", "", false}).resultName,
              ra == 0 ? "anna" : "");
    EXPECT_EQ(decideLogin(database.users(), {"bernd", "pw", "", false}).resultName,
              rb == 0 ? "bernd" : "");
}

// On an existing database two copies give passwords at the same time: both records arrive.
TEST_F(ModelStartupTest, TwoProcessesStoringPasswordsAtOnceBothArrive)
{
    ASSERT_TRUE(QDir().mkpath(dbDir));
    const std::string dict = (dbDir + "datadict").toStdString();
    ASSERT_TRUE(database.open(dict));
    ASSERT_TRUE(database.openUsers());
    database.close();
    Signal go;
    auto copy = [&](const char *prefix) {
        return spawn([&, prefix] {
            go.wait();
            tModelDatabase db;
            if (!db.open(dict) || !db.openUsers()) return 1;
            for (int i = 0; i < 20; ++i) {
                std::string name = prefix + std::to_string(i);
                if (decideLogin(db.users(), {name, name, name, true}).outcome !=
                    tLoginOutcome::Close)
                    return 2;
            }
            db.close();
            return 0;
        });
    };
    pid_t a = copy("a");
    pid_t b = copy("b");
    go.post();
    go.post();
    EXPECT_EQ(waitFor(a), 0);
    EXPECT_EQ(waitFor(b), 0);
    ASSERT_TRUE(database.open(dict));
    ASSERT_TRUE(database.openUsers());
    EXPECT_EQ(database.users().count(), 40);
    for (std::string name : {"a0", "a19", "b7", "b19"})
        EXPECT_EQ(decideLogin(database.users(), {name, name, "", false}).resultName, name);
}
