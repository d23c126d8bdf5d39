// my_app.h - TMyApp, the application object: start-up and shut-down.
//
// Start-up, in this order: the client TMyMDIClient, the main frame with menu, status bar and
// tool bar; the database path from "VELK.INI" (asking for the directory on the first start and
// storing directory + "datadict" at once); whether the directory's file system enforces locks
// (a share that does not is refused with its message); the database (created complete and empty
// where none opens); the USERS table; the login; the follow timer, which shows other copies'
// changes in the open views (base/change_watch.h); the login setups; the desk the user left at
// the last "Beenden" (shell/ui/desk.h).  Each failure shows its message and shuts down.
// Shut-down after a login keeps the user's desk in "VELK.INI", then closes the USERS table and
// the database, closes the help and ends the event loop.
#ifndef VELK_SHELL_UI_MY_APP_H
#define VELK_SHELL_UI_MY_APP_H

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

namespace velk {

class tDatabase;
class tMainFrame;
class TMyMDIClient;

// "VELK.INI" in the user's configuration directory ($XDG_CONFIG_HOME, else ~/.config).
QString defaultIniPath();
// Key "Path" of section "V.E.L.K"; "" when missing.
QString readConfiguredPath(const QString &iniPath);
bool writeConfiguredPath(const QString &iniPath, const QString &dictPath);
// Key "Abgleich" of section "V.E.L.K": seconds between two looks for other copies' changes
// (TMyMDIClient's follow timer), answered in ms.  0 turns the looks off; a missing key, a value
// that is not a whole number, a negative one and one above a day give kDefaultFollowSeconds.
constexpr int kDefaultFollowSeconds = 2;
constexpr int kMaxFollowSeconds = 86400;
int readFollowPeriod(const QString &iniPath);

// The process-wide references start-up fills: dialogs use the frame as their parent.
tMainFrame *mainFrame();
TMyMDIClient *mdiClient();

// What a subsystem adds to the frame: its views (client.registerView), the menu commands that
// open them and its dialogs (frame.registerViewCommand, registerDialogCommand), the due check.
using tFrameSetup = std::function<void(tMainFrame &frame, TMyMDIClient &client)>;
// What a subsystem starts once the user has logged in (a timer that works as that user); it gets
// the path of VELK.INI to read its own keys.
using tLoginSetup =
    std::function<void(tMainFrame &frame, TMyMDIClient &client, const QString &iniPath)>;

class TMyApp : public QObject {
    Q_OBJECT
public:
    TMyApp(tDatabase &database, const QString &iniPath);
    ~TMyApp() override;

    // Applied, in the order added, as soon as the frame is built.
    void addFrameSetup(tFrameSetup setup) { setups_.push_back(std::move(setup)); }
    // Applied, in the order added, after a successful login.
    void addLoginSetup(tLoginSetup setup) { loginSetups_.push_back(std::move(setup)); }

    // The start-up sequence; false when it ended in a shut-down.
    bool initMainWindow();
    // Idempotent: "Beenden", every failed start-up, and closing the frame come here.
    void shutDown();

    tMainFrame *frame() const { return frame_; }
    TMyMDIClient *client() const { return client_; }
    int exitCode() const { return exitCode_; }

    // Ends the event loop; the program posts a quit to the application, tests record it.
    void setQuitRequest(std::function<void()> quit) { quit_ = std::move(quit); }

private:
    bool locateDatabase();
    bool directoryLocks();
    bool fail();

    tDatabase &database_;
    QString iniPath_;
    TMyMDIClient *client_ = nullptr;
    tMainFrame *frame_ = nullptr;
    std::vector<tFrameSetup> setups_;
    std::vector<tLoginSetup> loginSetups_;
    std::function<void()> quit_;
    int exitCode_ = 0;
    bool loggedIn_ = false;
    bool shutDown_ = false;
};

} // namespace velk

#endif
