#include "shell/ui/my_app.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <memory>

#include "model/database.h"
#include "model/db_path.h"
#include "model/share_locks.h"
#include "base/change_watch.h"
#include "base/session.h"
#include "shell/ui/cp1252.h"
#include "shell/ui/desk.h"
#include "shell/ui/dia_login.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/mdi_client.h"
#include "shell/ui/shell_host.h"

namespace velk {

static tMainFrame *gMainFrame = nullptr;
static TMyMDIClient *gMdiClient = nullptr;

tMainFrame *mainFrame() { return gMainFrame; }
TMyMDIClient *mdiClient() { return gMdiClient; }

static const QString kPathKey =
    QStringLiteral("%1/%2").arg(QLatin1String(kIniSection), QLatin1String(kIniKey));

static const QString kFollowKey = QStringLiteral("%1/Abgleich").arg(QLatin1String(kIniSection));

QString defaultIniPath()
{
    return QString::fromStdString(configFilePath(getenv("XDG_CONFIG_HOME"), getenv("HOME")));
}

QString readConfiguredPath(const QString &iniPath)
{
    QSettings ini(iniPath, QSettings::IniFormat);
    QVariant value = ini.value(kPathKey);
    // A hand-written path with a comma reads back as a list: it is still one path.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

bool writeConfiguredPath(const QString &iniPath, const QString &dictPath)
{
    QDir().mkpath(QFileInfo(iniPath).absolutePath());
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.setValue(kPathKey, dictPath);
    ini.sync();
    return ini.status() == QSettings::NoError;
}

int readFollowPeriod(const QString &iniPath)
{
    QSettings ini(iniPath, QSettings::IniFormat);
    bool ok = false;
    int seconds = ini.value(kFollowKey).toString().trimmed().toInt(&ok);
    if (!ok || seconds < 0 || seconds > kMaxFollowSeconds) seconds = kDefaultFollowSeconds;
    return seconds * 1000;
}

TMyApp::TMyApp(tDatabase &database, const QString &iniPath) : database_(database), iniPath_(iniPath)
{
    quit_ = [] {
        QMetaObject::invokeMethod(
            qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    };
}

TMyApp::~TMyApp()
{
    shutDown();
    if (gMainFrame == frame_) gMainFrame = nullptr;
    if (gMdiClient == client_) gMdiClient = nullptr;
    delete frame_; // owns the client
}

bool TMyApp::initMainWindow()
{
    client_ = new TMyMDIClient;
    gMdiClient = client_;
    frame_ = new tMainFrame(client_);
    gMainFrame = frame_;
    connect(frame_, &tMainFrame::exitRequested, this, &TMyApp::shutDown);
    connect(frame_, &tMainFrame::closing, this, &TMyApp::shutDown);
    for (const tFrameSetup &setup : setups_) setup(*frame_, *client_);
    frame_->updateMenus();

    if (!locateDatabase()) return fail();
    if (!directoryLocks()) return fail();
    if (databasePath()[0] == '\0' || !database_.open(databasePath())) {
        shellHost().message(frame_, QStringLiteral("Fehler beim Erzeugen des Datadictionaries"),
                            appName());
        return fail();
    }
    database_.openUsers(); // without it the login below lets nobody in
    setLoginUsers(&database_.users());
    if (!RunLogin(frame_, currentUserBuffer(), false, database_.users())) {
        shellHost().message(frame_, QStringLiteral("Zugriff verweigert"), appName());
        return fail();
    }
    frame_->showUser(fromCp1252(currentUser()));
    setPrintIniPath(iniPath_);
    // From now on other copies' changes reach the open views by themselves; the first look
    // records where the tables stand now.
    auto watch = std::make_shared<tChangeWatch>();
    watch->check();
    client_->setChangeCheck([watch] { return watch->check(); });
    client_->setFollowPeriod(readFollowPeriod(iniPath_));
    for (const tLoginSetup &setup : loginSetups_) setup(*frame_, *client_, iniPath_);
    // The desk this user left at the last "Beenden"; none saved: the frame as it opens.
    loggedIn_ = true;
    restoreDesk(*frame_, readDesk(iniPath_, fromCp1252(currentUser())));
    return true;
}

bool TMyApp::locateDatabase()
{
    QByteArray configured = QFile::encodeName(readConfiguredPath(iniPath_));
    if (!configured.isEmpty()) {
        // A path too long for the buffer is not cut: the shortened one names another place.
        setDatabasePath(configured.size() <= qsizetype(kMaxDbPath) ? configured.constData() : "");
        return true;
    }
    shellHost().message(frame_,
                        QStringLiteral("Bitte den Pfad der Datenbank festlegen\n und start als "
                                       "Dateiname eingeben"),
                        appName());
    std::optional<QString> chosen =
        shellHost().openFileName(frame_, QStringLiteral("Fileposition|*.*|"), false);
    std::string dictPath;
    if (chosen) dictPath = deriveDictPath(QFile::encodeName(*chosen).toStdString());
    if (dictPath.empty()) {
        shellHost().message(frame_, QStringLiteral("Problem mit dem Datenbankpfad"),
                            QStringLiteral("Wiederholen"));
        return false;
    }
    setDatabasePath(dictPath.c_str());
    writeConfiguredPath(iniPath_, QFile::decodeName(dictPath.c_str()));
    return true;
}

// The directory's file system must enforce locks, or copies there overwrite each other's changes.
bool TMyApp::directoryLocks()
{
    if (databasePath()[0] == '\0') return true; // no path: the open below reports it
    std::string refusal = unlockedShareRefusal(databaseDirectory(databasePath()));
    if (refusal.empty()) return true;
    shellHost().message(frame_, QString::fromUtf8(refusal), appName());
    return false;
}

bool TMyApp::fail()
{
    exitCode_ = 1;
    shutDown();
    return false;
}

void TMyApp::shutDown()
{
    if (shutDown_) return;
    shutDown_ = true;
    // The desk of the user who worked here, before its views close.
    if (loggedIn_ && frame_) writeDesk(iniPath_, fromCp1252(currentUser()), captureDesk(*frame_));
    // No view refills and no due check runs on a database about to close.
    if (client_) {
        client_->setDueCheck(nullptr);
        client_->setChangeCheck(nullptr);
        client_->closeAllSubWindows();
    }
    if (database_.usersOpen()) database_.closeUsers();
    if (database_.isOpen()) database_.close();
    setLoginUsers(nullptr);
    shellHost().helpClose();
    if (quit_) quit_();
}

} // namespace velk
