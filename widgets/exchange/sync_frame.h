// sync_frame.h - the sync with a calendar server in the "Datei" menu, and in the background.
//
// "Server einrichten..." (107) runs the set-up dialog ("diaSyncServer": "Adresse des Servers",
// "Benutzer", "Kennwort", "Kennwort im Schlüsselbund ablegen" where the keyring answers),
// prefilled with the user's server; OK checks the fields (checkSyncSetup), then writes the
// set-up and lets vdirsyncer make the collections, with the progress window, and says how it
// went.
//
// "Synchronisieren" (106) runs the sync of the logged-in user (syncUser) with the progress
// window, says what it came to (the summary of each collection, or what failed) and refills
// every open view.  Without a set-up it says so and offers the set-up.
//
// The background sync: key "Synchronisieren" of section "V.E.L.K" in VELK.INI gives the minutes
// between two syncs (syncPeriodMinutes; 0 is off), read at the login.  Each one runs without a
// window; it is skipped while another sync or a modal window runs.  The status bar says what it
// came to, and the open views refill.
#ifndef VELK_WIDGETS_EXCHANGE_SYNC_FRAME_H
#define VELK_WIDGETS_EXCHANGE_SYNC_FRAME_H

#include <QDialog>
#include <QObject>
#include <QString>

#include "exchange/sync_choice.h"

class QCheckBox;
class QLineEdit;
class QTimer;

namespace velk {

class tMainFrame;
class TMyMDIClient;

// The set-up dialog; OK closes it only when checkSyncSetup finds nothing.
class tDiaSyncServer : public QDialog {
    Q_OBJECT
public:
    tDiaSyncServer(QWidget *parent, const tSyncServer &server, bool keyring);

    tSyncServer server() const;
    std::string password() const;
    bool keyringChosen() const;

    void accept() override;

private:
    QLineEdit *url_, *user_, *password_;
    QCheckBox *keyring_;
};

// The places of the logged-in user under defaultConfigHome().
tSyncPlaces currentSyncPlaces();
// Whether a sync or a set-up runs now (the menu's or the background's).
bool syncRunning();

// The commands; true when the set-up, or the sync, went.
bool setUpServerFromMenu(QWidget *parent);
bool syncFromMenu(QWidget *parent, TMyMDIClient *client);

// Key "Synchronisieren" of VELK.INI, in minutes (0: off).
int readSyncPeriod(const QString &iniPath);

class tBackgroundSync : public QObject {
    Q_OBJECT
public:
    tBackgroundSync(QWidget *frame, TMyMDIClient *client, int minutes);

    bool active() const;
    int periodMinutes() const { return minutes_; }
    // One sync as the timer runs it; false when it was skipped (another sync, a modal window).
    bool tick();

private:
    QWidget *frame_;
    TMyMDIClient *client_;
    QTimer *timer_;
    int minutes_;
};

// Registers the two commands.
void syncFrameSetup(tMainFrame &frame, TMyMDIClient &client);
// Starts the background sync the INI asks for (a child of the frame named "backgroundSync").
void syncLoginSetup(tMainFrame &frame, TMyMDIClient &client, const QString &iniPath);

} // namespace velk

#endif
