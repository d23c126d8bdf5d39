// Start-up on the real data model when the database directory's file system does not enforce
// locks: the lock requests of the probe fail as on such a share (the engine's fault hook), and
// the start shows the one message naming the directory, before the dictionary is opened and
// before the login.  A probe that cannot be made (another failure) stops nothing.
#include <QDir>

#include <cerrno>

#include <gtest/gtest.h>

#include "base/session.h"
#include "btree/btree.h"
#include "model/blob.h"
#include "model/model_database.h"
#include "model/share_locks.h"
#include "shell/ui/my_app.h"
#include "shell/ui/shell_host.h"
#include "tests/app/login_dialog_helpers.h"
#include "tests/app/recorder_host.h"
#include "tests/btree/files_support.h"

using namespace velk;
using namespace velk::apptest;

namespace {

class LockProbeStartTest : public ::testing::Test {
protected:
    LockProbeStartTest()
        : ini(QString::fromStdString(tmp.file("config/VELK.INI"))),
          dbDir(QString::fromStdString(tmp.file("daten")) + "/")
    {
        QDir().mkpath(dbDir);
        writeConfiguredPath(ini, dbDir + "datadict");
    }
    ~LockProbeStartTest() override
    {
        lioIoFault(-1, 0, 0);
        closeDatabase();
    }

    // Starts with the nth call of the engine's I/O seam failing with err.
    bool start(int nth, int err)
    {
        host.dialogScripts.push_back(loginScript("root", ""));
        TMyApp app(database, ini);
        app.setQuitRequest([] {});
        lioIoFault(nth, err, 0);
        bool running = app.initMainWindow();
        lioIoFault(-1, 0, 0);
        exitCode = app.exitCode();
        app.shutDown();
        return running;
    }

    TempDir tmp;
    QString ini;
    QString dbDir;
    RecorderHost host;
    tModelDatabase database;
    int exitCode = -1;
};

} // namespace

TEST_F(LockProbeStartTest, ShareWithoutLocksIsRefusedBeforeTheDictionaryOpens)
{
    for (int err : {ENOLCK, EINVAL}) {
        host.messages.clear();
        host.events.clear();
        host.dialogScripts.clear();
        EXPECT_FALSE(start(1, err)); // the probe's lock request is the first call of the seam
        EXPECT_EQ(exitCode, 1);
        const std::string dir = tmp.file("daten");
        const std::string why = err == ENOLCK ? "ENOLCK" : "EINVAL";
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].text, QString::fromStdString(unlockedShareText(dir, why)));
        EXPECT_TRUE(host.messages[0].text.startsWith(QStringLiteral("Das Verzeichnis „") +
                                                     QString::fromStdString(dir) +
                                                     QStringLiteral("“ sperrt keine")));
        EXPECT_EQ(host.messages[0].caption, appName());
        EXPECT_TRUE(host.eventsOf("dialog:").isEmpty()); // no login
        EXPECT_FALSE(fileExists(tmp.file("daten/datadict.dat")));
    }
}

TEST_F(LockProbeStartTest, ProbeThatCannotBeMadeStopsNothing)
{
    EXPECT_TRUE(start(1, EIO));
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(fileExists(tmp.file("daten/datadict.dat")));
    EXPECT_STREQ(currentUser(), "root");
}
