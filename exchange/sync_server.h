// sync_server.h - the set-up around vdirsyncer that keeps a user's vdirs in step with a
// CalDAV/CardDAV server.
//
// VELK writes its appointments, its team appointments and its persons into three vdirs (one
// .ics or .vcf file per item, named by its UID); vdirsyncer moves them to and from the server.
// Everything of one VELK user lives in <configHome>/velk/sync/<user>/ (mode 0700):
//
//   vdirsyncer/config         the vdirsyncer configuration written by vdirsyncerConfig()
//   vdirsyncer/status/        vdirsyncer's status of the last sync (its own format)
//   password                  the server password, mode 0600, unless the keyring keeps it
//   termine/velk-termine/     the user's appointments          <-> CalDAV velk-termine
//   termine-team/velk-team-U/ the team appointments VELK shows  --> CalDAV velk-team-U
//   personen/velk-personen/   the address book                  <-> CardDAV velk-personen
//
// Each root is a vdirsyncer filesystem storage with collections: one subdirectory per
// collection, named as the collection on the server (U is the server user, see teamCollection).
//
// The three pairs:
//   velk_termine   both ways; an item changed on both sides since the last sync is taken from
//                  VELK ("a wins"; a is VELK's side).
//   velk_team      one way: VELK's side is read_only for vdirsyncer, so vdirsyncer never writes
//                  into VELK's team vdir, and a change someone makes to the server copy is
//                  reverted (partial_sync "revert"): the first sync after it only notes it in
//                  the status, the second finds VELK's side different from that and copies
//                  VELK's item over it (and deletes an item added there).  VELK's database is
//                  the only source of the team calendar; the server copy is for others to read.
//                  The server side is not read_only, since VELK writes it.
//   velk_personen  both ways, "a wins".
// Collections are fixed names, so discover creates them on the server (it asks; runDiscover
// answers yes) and nothing else of the user's account is touched.
//
// A file vdirsyncer fetches into a vdir is named "<UID>.ics"/".vcf" only where the UID is made
// of [A-Za-z0-9_.+-]; any other UID gets a random UUID as the name.  Readers of the vdirs take
// the UID from the file, not from its name.
//
// Nothing here uses Qt; the messages are German UTF-8.
#ifndef VELK_EXCHANGE_SYNC_SERVER_H
#define VELK_EXCHANGE_SYNC_SERVER_H

#include "exchange/child_process.h"

#include <functional>
#include <string>
#include <vector>

namespace velk {

struct tSyncServer {
    std::string url;  // the server's base URL, e.g. "https://dav.example.org/" (CalDAV and CardDAV)
    std::string user; // the user name on the server
};

// Where the server password is kept.
enum class tSecret {
    File,   // the file "password" (mode 0600), read by vdirsyncer through "cat"
    Keyring // the desktop's keyring: secret-tool, service "velk", user <server user> ("/" and a
            // leading "~" as "_", since vdirsyncer treats each word of the command as a path)
};

struct tSyncPlaces {
    std::string dir;         // <configHome>/velk/sync/<user>/
    std::string config;      // dir + "vdirsyncer/config"
    std::string status;      // dir + "vdirsyncer/status/"
    std::string password;    // dir + "password"
    std::string termine;     // dir + "termine/"        (root of collections)
    std::string termineTeam; // dir + "termine-team/"   (root of collections)
    std::string personen;    // dir + "personen/"       (root of collections)
};

// The pairs, as runDiscover and runSync take them ("velk_termine/velk-termine" names the
// collection of a pair).
extern const char *const kPairTermine;  // "velk_termine"
extern const char *const kPairTeam;     // "velk_team"
extern const char *const kPairPersonen; // "velk_personen"
// The collections, the same name on both sides.
extern const char *const kTermineCollection;  // "velk-termine"
extern const char *const kPersonenCollection; // "velk-personen"
// "velk-team-" + the server user, with every character but [A-Za-z0-9_-] as '_'.
std::string teamCollection(const tSyncServer &server);

// The vdirs VELK reads and writes (a root + its collection + '/').
std::string termineVdir(const tSyncPlaces &places);
std::string termineTeamVdir(const tSyncPlaces &places, const tSyncServer &server);
std::string personenVdir(const tSyncPlaces &places);

// $XDG_CONFIG_HOME when set to an absolute path, else $HOME/.config.
std::string defaultConfigHome();
// The places of velkUser under configHome (see above).  A user name is made a safe directory
// name: '/', control characters and a leading '.' become '_'; an empty name becomes "_".
tSyncPlaces syncPlaces(const std::string &configHome, const std::string &velkUser);

// The text of the vdirsyncer configuration (see above); paths and names are written as JSON
// strings, as vdirsyncer reads them.
std::string vdirsyncerConfig(const tSyncPlaces &places, const tSyncServer &server, tSecret how);

struct tSetupResult {
    bool ok = false;
    tSecret secret = tSecret::File; // where the password went
    std::string message;            // German, one line; empty when ok
};

// Makes the directories (the user's with mode 0700), writes the configuration (a temporary file
// renamed over it) and keeps the password: how == Keyring stores it with "secret-tool store"
// when keyringAnswers(), and removes an old password file then; otherwise, also when the
// keyring does not answer, it goes into the password file, created O_EXCL with mode 0600 beside
// the old one and renamed over it, so that no other user can read it at any moment.  The
// configuration names where the password went.
tSetupResult writeSyncSetup(const tSyncPlaces &places, const tSyncServer &server,
                            const std::string &password, tSecret how);

// Whether secret-tool is installed and a lookup finishes within a few seconds without an error
// (no D-Bus session or no keyring daemon is an error; a missing entry is not).
bool keyringAnswers();

using tLineSink = std::function<void(const std::string &line)>;

// Runs "vdirsyncer -c <places.config> ARGS" (input: the text for its standard input), every
// line of its output (standard output and standard error) to onLine, killed after
// timeoutSeconds.  On failure result.message is one German line (see syncFailureMessage).
tRunResult runVdirsyncer(const tSyncPlaces &places, std::vector<std::string> args,
                         const tLineSink &onLine, int timeoutSeconds,
                         const std::string &input = std::string());
// "discover" of the given pairs (all when empty), answering yes to its questions whether to
// create a missing collection.
tRunResult runDiscover(const tSyncPlaces &places, const std::vector<std::string> &pairs,
                       const tLineSink &onLine, int timeoutSeconds);
// "sync" of the given pairs or pair/collection names (all when empty).
tRunResult runSync(const tSyncPlaces &places, const std::vector<std::string> &pairs,
                   const tLineSink &onLine, int timeoutSeconds);

// The one-line German message for a failed vdirsyncer run, from how it ended and the lines it
// wrote: not installed, timed out, server unreachable, login refused, a certificate refused,
// else "Abgleich fehlgeschlagen: " + its last error line.
std::string syncFailureMessage(const tRunResult &result, const std::vector<std::string> &lines,
                               int timeoutSeconds);

} // namespace velk

#endif // VELK_EXCHANGE_SYNC_SERVER_H
