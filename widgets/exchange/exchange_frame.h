// exchange_frame.h - the file commands of the "Datei" menu.
//
// "Öffnen..." (102) asks for a file under the filter list of kExchangeFilter and imports by the
// chosen filter: 1 appointments from dBASE, 2 persons from dBASE, 3 appointments from a Portfolio
// diary file, 4 and 5 nothing; after 1 to 3 every open view refills (notice 31), also after a
// failure, since what was stored before it stays.  While the person list is the active view,
// "Öffnen..." is the person list's own import instead: its filter list kPersonListFilter, persons
// from dBASE under filter 1 and "noch nicht implementiert" for the others.
//
// "Sichern als..." (104) asks for a file name and exports by the filter: 1 appointments and 2
// persons to dBASE, 3 appointments to a Portfolio diary file, 4 persons as text, 5 every table
// (into the directory of the chosen name).
//
// A file that cannot be read shows "Fehler beim Lesen"; an export that fails says so, and no
// file is left that looks complete.  Long work shows a progress dialog that can be cancelled; a
// cancelled import keeps what it stored and says how much.  The work is the current user's.
// Afterwards the frame's status bar says what was done, how many and with which file
// (exchange_status.h).
//
// exchangeFrameSetup also registers "Synchronisieren" and "Server einrichten..." (sync_frame.h).
#ifndef VELK_WIDGETS_EXCHANGE_EXCHANGE_FRAME_H
#define VELK_WIDGETS_EXCHANGE_EXCHANGE_FRAME_H

class QWidget;

namespace velk {

class tMainFrame;
class TMyMDIClient;
class tPersListWin;

void exchangeFrameSetup(tMainFrame &frame, TMyMDIClient &client);

// The commands themselves, as the frame runs them.
void importFromMenu(QWidget *parent, TMyMDIClient *client);
void exportFromMenu(QWidget *parent);
void importIntoPersonList(tPersListWin &list);

} // namespace velk

#endif
