// sync_user.h - the sync of one user with the server: "Datei > Synchronisieren", the
// background sync and "velk-exchange DIR sync alle".
//
// A user's set-up (sync_server.h) lives in <config>/velk/sync/<user>/; beside vdirsyncer's
// configuration the file "server" keeps the server's URL and user name (two lines), so that a
// sync knows the team collection.  A sync of the user runs, each step reported as a line:
//
//   0. damaged files          a file of a vdir that the last sync left in step and that no
//                             longer holds its item (cut off, emptied) is written again from
//                             the database, so that vdirsyncer does not send it (the server
//                             would refuse it, and drop its copy); a series of another program
//                             is then written as its repetitions, without its rule
//   1. vdirsyncer sync        what the server has comes into the vdirs; when it fails (server
//                             down, login refused) nothing else runs and nothing is changed
//   2. the three vdirs        termine, termine-team and personen against the database (sync.h)
//   3. vdirsyncer sync        what came from the database goes to the server; when this fails
//                             the vdirs keep it for the next sync
//
// The set-up writes vdirsyncer's configuration and the password, then runs vdirsyncer's
// discover, which makes the collections on the server where they are missing.
#ifndef VELK_EXCHANGE_SYNC_USER_H
#define VELK_EXCHANGE_SYNC_USER_H

#include "exchange/sync.h"
#include "exchange/sync_server.h"

#include <optional>
#include <string>

namespace velk {

// The server of a user's set-up; none before "Server einrichten...".
std::optional<tSyncServer> loadSyncServer(const tSyncPlaces &places);

// What a URL and user name typed into the set-up are missing (German UTF-8, one line); empty
// when they can be used: the URL must begin with http:// or https:// and name a host, the user
// must not be empty; neither may hold blanks or control characters.
std::string syncServerProblem(const tSyncServer &server);

// Writes the set-up (writeSyncSetup), keeps the server, and runs discover.  The result's message
// is German UTF-8, empty when everything went.
tSetupResult setUpSyncServer(const tSyncPlaces &places, const tSyncServer &server,
                             const std::string &password, tSecret how, const tLineSink &onLine,
                             int timeoutSeconds = 60);

struct tUserSync {
    bool ok = false;
    bool pulled = false, pushed = false; // the two vdirsyncer runs succeeded
    tSyncReport termine, team, personen;
    std::string message; // German UTF-8: what failed, empty when ok
    // "Termine: in die Datenbank: ...", one line per collection (UTF-8).
    std::vector<std::string> summary;
};

// The whole sync of the calendar user of the open database (databaseDir is its directory).
// onLine gets vdirsyncer's lines and one for each step (UTF-8); progress counts the steps (5)
// and may cancel between them.
tUserSync syncUser(const tSyncPlaces &places, const std::string &databaseDir,
                   const tLineSink &onLine, const tExchangeProgress &progress = {},
                   int timeoutSeconds = 300);

} // namespace velk

#endif
