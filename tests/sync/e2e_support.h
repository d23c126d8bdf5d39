// e2e_support.h - VELK users with their own configuration directories running velk-exchange on
// one database, and what the sides of a sync hold, for the end-to-end tests of the sync.
//
// A tVelkUser runs velk-exchange as a separate process with XDG_CONFIG_HOME of its own (its
// sync set-up and states), TZ Europe/Berlin and its VELK password on standard input; a run may
// be killed with a signal after a delay.  The database's users are written by the test process
// itself, as root's password dialog would, on a database velk-exchange made.
#ifndef VELK_TESTS_SYNC_E2E_SUPPORT_H
#define VELK_TESTS_SYNC_E2E_SUPPORT_H

#include "tests/sync/radicale_fixture.h"

#include <csignal>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace velk::synctest {

struct tToolRun {
    int status = -1; // as waitpid gives it
    std::string output;
    int code() const; // the exit status, -1 when killed by a signal
    bool killed() const;
};

// Runs argv (an absolute path first) with env over this process's environment and input on
// standard input; output and errors captured.  killAfterMs >= 0 sends sig after that delay.
tToolRun runTool(const std::vector<std::string> &argv, const std::vector<std::string> &env,
                 const std::string &input, long killAfterMs = -1, int sig = SIGKILL);

// A new database in dir (made by velk-exchange as root), with users and their passwords.
bool makeDatabase(const std::string &dir,
                  const std::vector<std::pair<std::string, std::string>> &users);

// Opens the database of dir in this process as user, runs work and closes it again.
void withDatabase(const std::string &dir, const std::string &user,
                  const std::function<void()> &work);

class tVelkUser {
public:
    tVelkUser(std::string name, std::string password, std::string databaseDir);
    const std::string &name() const { return name_; }
    std::string configHome() const { return config_.path(); }

    // velk-exchange --user NAME --password-stdin DIR args...; more is given after the password.
    tToolRun exchange(const std::vector<std::string> &args, const std::string &more = "",
                      long killAfterMs = -1) const;
    tToolRun server(const std::string &url, const tDavUser &login) const;
    tToolRun syncAll(long killAfterMs = -1) const;
    tToolRun importIcs(const std::string &calendarText) const;
    tToolRun importVcf(const std::string &vcardText) const;
    // "export ical" / "export vcard" into a file of the user's; its text ("" on failure).
    std::string exportIcs() const;
    std::string exportVcf() const;

    std::string termineVdir() const;
    std::string teamVdir(const std::string &serverUser) const;
    std::string personenVdir() const;

private:
    std::string name_, password_, dir_;
    tTempDir config_{"velk-user"};
};

// An event as the sides show it: its title and its start ("YYYYMMDDTHHMMSS" as written, the
// zone left out).
struct tEventSeen {
    std::string summary, start;
    bool operator<(const tEventSeen &o) const
    {
        return summary != o.summary ? summary < o.summary : start < o.start;
    }
    bool operator==(const tEventSeen &o) const { return summary == o.summary && start == o.start; }
};

inline void PrintTo(const tEventSeen &e, std::ostream *os) { *os << e.summary << " " << e.start; }

// The VEVENTs of an iCalendar text (folded lines joined), sorted; "FN" of each vCard likewise.
std::vector<tEventSeen> eventsOf(const std::string &text);
std::vector<std::string> namesOf(const std::string &vcards);
// Every event of the .ics files of a folder (a vdir or the server's collection), sorted.
std::vector<tEventSeen> eventsIn(const std::string &folder);
std::vector<std::string> namesIn(const std::string &folder);
std::vector<std::string> summaries(const std::vector<tEventSeen> &events); // sorted

// A calendar of events given as (summary, local start "YYYYMMDDTHHMMSS"), one hour each;
// private ones with CLASS:PRIVATE.
struct tNewEvent {
    std::string uid, summary, start;
    bool isPrivate = false;
};
std::string calendarOf(const std::vector<tNewEvent> &events);
std::string vcardOf(const std::string &uid, const std::string &first, const std::string &last);

// Writes text under a new name and renames it over path, so that vdirsyncer's look at mtime
// and inode sees the change.
bool replaceFile(const std::string &path, const std::string &text);
// text with every line beginning with key replaced by line ("" drops it).
std::string withLine(const std::string &text, const std::string &key, const std::string &line);

} // namespace velk::synctest

#endif // VELK_TESTS_SYNC_E2E_SUPPORT_H
