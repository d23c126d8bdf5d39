// The start-up sequence and shut-down against a fake database: the questions of the first
// start, "VELK.INI", every failure message, "Beenden".
#include <QLabel>
#include <QAction>
#include <QFile>
#include <QMenuBar>
#include <QStandardPaths>
#include <QToolBar>

#include <gtest/gtest.h>

#include "shell/core/commands.h"
#include "shell/core/runtime_dir.h"
#include "base/session.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/mdi_client.h"
#include "shell/ui/my_app.h"
#include "shell/ui/shell_host.h"
#include "tests/app/fake_users.h"
#include "tests/app/login_dialog_helpers.h"
#include "tests/app/recorder_host.h"
#include "tests/btree/files_support.h"

using namespace velk;
using namespace velk::apptest;

namespace {

const QString kPrompt = QStringLiteral("Bitte den Pfad der Datenbank festlegen\n und start als "
                                       "Dateiname eingeben");

class StartupTest : public ::testing::Test {
protected:
    StartupTest() : ini(QString::fromStdString(tmp.file("config/VELK.INI"))) {}

    bool start()
    {
        app = std::make_unique<TMyApp>(db, ini);
        app->setQuitRequest([this] { ++quits; });
        return app->initMainWindow();
    }
    QString dbDir() const { return QString::fromStdString(tmp.path()) + "/daten/"; }
    QString iniText() const
    {
        QFile f(ini);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    TempDir tmp;
    QString ini;
    RecorderHost host;
    FakeDatabase db;
    std::unique_ptr<TMyApp> app;
    int quits = 0;
};

} // namespace

TEST_F(StartupTest, FirstStartAsksOnceStoresThePathAndLogsIn)
{
    host.fileAnswers.push_back(dbDir() + "start");
    host.dialogScripts.push_back(loginScript("root", ""));
    ASSERT_TRUE(start());
    EXPECT_EQ(host.events,
              (QStringList{"message:" + kPrompt, "open:Fileposition|*.*|", "dialog:tDiaLogin"}));
    EXPECT_EQ(host.messages[0].caption, appName());
    EXPECT_FALSE(host.lastMustExist); // "start" need not exist
    const std::string dict = (dbDir() + "datadict").toStdString();
    EXPECT_EQ(readConfiguredPath(ini).toStdString(), dict);
    EXPECT_TRUE(iniText().contains(QStringLiteral("[V.E.L.K]"))) << iniText().toStdString();
    EXPECT_STREQ(databasePath(), dict.c_str());
    EXPECT_EQ(db.log, (std::vector<std::string>{"open " + dict, "openUsers"}));
    EXPECT_STREQ(currentUser(), "root");
    EXPECT_EQ(quits, 0);
    // The frame is complete, and no view is open.
    ASSERT_NE(app->frame(), nullptr);
    EXPECT_EQ(mainFrame(), app->frame());
    EXPECT_EQ(mdiClient(), app->client());
    EXPECT_EQ(app->frame()->menuBar()->actions().size(), 6);
    EXPECT_EQ(app->frame()->toolBar()->actions().size(), 4);
    EXPECT_TRUE(app->client()->subWindowList().isEmpty());
    EXPECT_TRUE(app->client()->alarmTimerActive());
    // Who is logged in stands in the status bar.
    auto *user = app->frame()->findChild<QLabel *>("currentUser");
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(user->text(), QStringLiteral("Benutzer: root"));
}

TEST_F(StartupTest, SubsystemsAddTheirViewsAndDueCheckToTheFrame)
{
    ASSERT_TRUE(writeConfiguredPath(ini, dbDir() + "datadict"));
    host.dialogScripts.push_back(loginScript("root", ""));
    app = std::make_unique<TMyApp>(db, ini);
    app->setQuitRequest([] {});
    int checks = 0;
    app->addFrameSetup([&](tMainFrame &frame, TMyMDIClient &client) {
        client.registerView(ViewAlarmList, [](const tViewArgs &) { return new tView; });
        frame.registerViewCommand(CmAlarmList, ViewAlarmList);
        client.setDueCheck([&](QWidget *) { ++checks; });
    });
    ASSERT_TRUE(app->initMainWindow());
    QAction *alarms = app->frame()->findChild<QAction *>("cmd51692");
    ASSERT_TRUE(alarms->isEnabled());
    alarms->trigger();
    EXPECT_EQ(app->client()->views().size(), 1);
    EXPECT_FALSE(app->frame()->findChild<QAction *>("cmd51699")->isEnabled());
    app->client()->alarmTick();
    EXPECT_EQ(checks, 1);
    // "Beenden" closes the views and no check runs after it.
    app->frame()->findChild<QAction *>("cmd105")->trigger();
    EXPECT_TRUE(app->client()->subWindowList().isEmpty());
    app->client()->alarmTick();
    EXPECT_EQ(checks, 1);
}

TEST_F(StartupTest, SecondStartAsksNothing)
{
    ASSERT_TRUE(writeConfiguredPath(ini, dbDir() + "datadict"));
    host.dialogScripts.push_back(loginScript("root", ""));
    ASSERT_TRUE(start());
    EXPECT_EQ(host.events, (QStringList{"dialog:tDiaLogin"}));
    EXPECT_EQ(db.log.front(), "open " + (dbDir() + "datadict").toStdString());
}

TEST_F(StartupTest, CancelledFileDialogEndsWithoutDatabaseOrLogin)
{
    host.fileAnswers.push_back(std::nullopt);
    EXPECT_FALSE(start());
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[1].text, QStringLiteral("Problem mit dem Datenbankpfad"));
    EXPECT_EQ(host.messages[1].caption, QStringLiteral("Wiederholen"));
    EXPECT_TRUE(host.eventsOf("dialog:").isEmpty());
    EXPECT_TRUE(db.log.empty());
    EXPECT_FALSE(QFile::exists(ini)); // nothing written
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(app->exitCode(), 1);
    EXPECT_EQ(host.eventsOf("help:"), (QStringList{"help:close"}));
}

TEST_F(StartupTest, DatabaseThatCannotBeOpenedEndsAndKeepsThePath)
{
    host.fileAnswers.push_back(dbDir() + "start");
    db.openSucceeds = false;
    EXPECT_FALSE(start());
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[1].text, QStringLiteral("Fehler beim Erzeugen des Datadictionaries"));
    EXPECT_EQ(host.messages[1].caption, appName());
    EXPECT_EQ(readConfiguredPath(ini), dbDir() + "datadict");
    EXPECT_TRUE(host.eventsOf("dialog:").isEmpty());
    EXPECT_EQ(quits, 1);
}

TEST_F(StartupTest, RefusedLoginEndsAndClosesTheDatabase)
{
    ASSERT_TRUE(writeConfiguredPath(ini, dbDir() + "datadict"));
    host.dialogScripts.push_back(loginScript("anna", "geheim"));
    EXPECT_FALSE(start());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, QStringLiteral("Zugriff verweigert"));
    EXPECT_EQ(host.messages[0].caption, appName());
    EXPECT_EQ(db.log, (std::vector<std::string>{"open " + (dbDir() + "datadict").toStdString(),
                                                "openUsers", "closeUsers", "close"}));
    EXPECT_EQ(quits, 1);
}

TEST_F(StartupTest, CancelledLoginIsRefusedToo)
{
    ASSERT_TRUE(writeConfiguredPath(ini, dbDir() + "datadict"));
    host.dialogScripts.push_back([](QDialog &d) { clickButton(d, "buttonCancel"); });
    EXPECT_FALSE(start());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, QStringLiteral("Zugriff verweigert"));
}

TEST_F(StartupTest, UsersTableThatDoesNotOpenLeavesOnlyRoot)
{
    ASSERT_TRUE(writeConfiguredPath(ini, dbDir() + "datadict"));
    db.usersSucceed = false;
    host.dialogScripts.push_back(loginScript("root", ""));
    EXPECT_TRUE(start());
    EXPECT_STREQ(currentUser(), "root");
}

TEST_F(StartupTest, BeendenClosesTableDatabaseAndHelpOnce)
{
    ASSERT_TRUE(writeConfiguredPath(ini, dbDir() + "datadict"));
    host.dialogScripts.push_back(loginScript("root", ""));
    ASSERT_TRUE(start());
    db.log.clear();
    app->frame()->findChild<QAction *>("cmd105")->trigger();
    EXPECT_EQ(db.log, (std::vector<std::string>{"closeUsers", "close"}));
    EXPECT_EQ(host.eventsOf("help:"), (QStringList{"help:close"}));
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(app->exitCode(), 0);
    app->frame()->close(); // the window system's close after it changes nothing
    EXPECT_EQ(quits, 1);
}

TEST_F(StartupTest, ClosingTheFrameAlsoClosesTheDatabase)
{
    ASSERT_TRUE(writeConfiguredPath(ini, dbDir() + "datadict"));
    host.dialogScripts.push_back(loginScript("root", ""));
    ASSERT_TRUE(start());
    app->frame()->show();
    app->frame()->close();
    EXPECT_FALSE(db.isOpen());
}

TEST_F(StartupTest, OverlongConfiguredPathIsNotCutShort)
{
    QString longPath = dbDir() + QString(300, 'x') + "/datadict";
    ASSERT_TRUE(writeConfiguredPath(ini, longPath));
    EXPECT_FALSE(start());
    EXPECT_TRUE(db.log.empty()); // neither the shortened path nor an empty one is opened
    EXPECT_EQ(host.messages.back().text,
              QStringLiteral("Fehler beim Erzeugen des Datadictionaries"));
}

TEST(VelkIni, PathsWithSpacesCommasAndUmlautsSurvive)
{
    TempDir tmp;
    QString ini = QString::fromStdString(tmp.file("a/b/VELK.INI"));
    EXPECT_EQ(readConfiguredPath(ini), QString());
    for (QString path :
         {QStringLiteral("/tmp/Meine Termine/datadict"), QStringLiteral("/tmp/a,b/datadict"),
          QStringLiteral("/tmp/Büro/datadict"), QStringLiteral("/tmp/x\\y;z=1/datadict")}) {
        ASSERT_TRUE(writeConfiguredPath(ini, path));
        EXPECT_EQ(readConfiguredPath(ini), path);
    }
}

TEST(VelkIni, HandWrittenFileIsRead)
{
    TempDir tmp;
    QString ini = QString::fromStdString(tmp.file("VELK.INI"));
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[V.E.L.K]\nPath=/srv/velk/daten,alt/datadict\n");
    f.close();
    EXPECT_EQ(readConfiguredPath(ini), QStringLiteral("/srv/velk/daten,alt/datadict"));
}

TEST(VelkIni, DefaultPlaceFollowsXdgConfigHome)
{
    QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "/tmp/velk-conf");
    EXPECT_EQ(defaultIniPath(), QStringLiteral("/tmp/velk-conf/VELK.INI"));
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(defaultIniPath(), QString::fromLocal8Bit(qgetenv("HOME")) + "/.config/VELK.INI");
    if (!saved.isNull()) qputenv("XDG_CONFIG_HOME", saved);
}

// Without XDG_RUNTIME_DIR Qt warns at the first look at its runtime location; with the directory
// the program gives it, it takes that one without a word.
TEST(RuntimeDir, QtTakesTheProgramsDirectoryWithoutAWarning)
{
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("XDG_RUNTIME_DIR");
    static QStringList warnings;
    warnings.clear();
    QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &text) { warnings << text; });
    const std::string dir = ensureRuntimeDir();
    const QString shown = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    qInstallMessageHandler(previous);
    if (saved.isEmpty())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", saved);
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(shown, QString::fromStdString(dir));
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join(QLatin1Char('\n')).toStdString();
}
