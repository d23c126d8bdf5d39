// main_frame.h - the main frame: menu resource 1, tool bar, status bar, the client of the views.
//
// Every action is built from the menu table in one place and carries the command id as its
// object name ("cmd105").  updateMenus() enables them: the view-dependent commands (124, 125,
// 126, 51691, 1001, 1002) when the active view handles them, the "Fenster" commands while views
// are open, help and "Beenden" always, and every other command once a handler is registered for
// it (its view or dialog exists).  The print commands (108, 109, 110) are the frame's own and
// are enabled while the active view can print; "Als PDF sichern..." asks for the file through
// the host (".pdf" added to a name without an extension).
#ifndef VELK_SHELL_UI_MAIN_FRAME_H
#define VELK_SHELL_UI_MAIN_FRAME_H

#include <QMainWindow>

#include <functional>
#include <map>

#include "shell/ui/view.h"

class QAction;
class QLabel;
class QToolBar;

namespace velk {

class TMyMDIClient;
class tKeyModeIndicators;
struct tMenuEntry;

class tMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit tMainFrame(TMyMDIClient *client, QWidget *parent = nullptr);
    ~tMainFrame() override;

    TMyMDIClient *client() const { return client_; }
    QAction *action(int id) const;
    QToolBar *toolBar() const { return toolBar_; }
    tKeyModeIndicators *keyModes() const { return keyModes_; }
    // The status bar names the logged-in user (several people may share one machine).
    void showUser(const QString &name);
    // A line on what the last command did (an import, an export).  It stays until the next one;
    // the tips of the menu entries cover it only while the menu is open.
    void showStatus(const QString &text);
    QString statusText() const;

    // Runs the command as the menu would (a disabled command does nothing).
    void execute(int id);

    // A command with its own handler (a view to open, a dialog to run).
    void registerCommand(int id, std::function<void()> handler);
    // A registered command that is enabled only while `on` answers true (updateMenus asks).
    void enableWhen(int id, std::function<bool()> on);
    // A menu command that opens a view of `type` through the client; enabled once the client
    // can create that type.
    void registerViewCommand(int id, int type);
    // A menu command that runs a dialog; when it ends with OK the notice `mask` goes out.
    void registerDialogCommand(int id, std::function<bool(QWidget *parent)> run, tNotices mask);

    void updateMenus();

signals:
    void exitRequested(); // "Beenden"
    void closing();       // the window system closes the frame

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createActions();
    void setShortcuts(QAction *act, const tMenuEntry &entry);
    void createToolBar();
    void createStatusBar();
    void createHelpKey();
    void helpKey();
    bool runBuiltIn(int id);
    // "Drucken...", "Druckvorschau...", "Als PDF sichern..." of the active view.
    void printActive(int id);

    TMyMDIClient *client_;
    std::map<int, QAction *> actions_;
    std::map<int, std::function<void()>> handlers_;
    std::map<int, std::function<bool()>> enabledWhen_;
    std::map<int, int> viewTypes_; // command -> view type it opens
    QToolBar *toolBar_ = nullptr;
    tKeyModeIndicators *keyModes_ = nullptr;
    QLabel *user_ = nullptr;
    QString userName_; // the logged-in user, for the printed pages' heading
    QLabel *status_ = nullptr;
};

} // namespace velk

#endif
