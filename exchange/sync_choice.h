// sync_choice.h - what the program's sync commands decide without a window: whether a set-up
// typed into "Server einrichten..." can be used, the period of the background sync, the
// directory of the open database and the text of a sync's end.
#ifndef VELK_EXCHANGE_SYNC_CHOICE_H
#define VELK_EXCHANGE_SYNC_CHOICE_H

#include "exchange/sync_user.h"

#include <string>
#include <string_view>

namespace velk {

// Which field of the set-up a problem is in (the dialog puts the focus there).
enum class tSetupField { None, Url, User, Password };

struct tSetupCheck {
    tSetupField field = tSetupField::None;
    std::string message; // German UTF-8, one line; empty when the set-up can be used
    bool ok() const { return field == tSetupField::None; }
};

// The URL and user as syncServerProblem checks them, then a password that is not empty.
tSetupCheck checkSyncSetup(const tSyncServer &server, const std::string &password);

// Key "Synchronisieren" of VELK.INI: minutes between two background syncs.  0 (also a missing,
// malformed or negative value) is off; a value above kMaxSyncMinutes is kMaxSyncMinutes.
constexpr int kMaxSyncMinutes = 7 * 24 * 60;
int syncPeriodMinutes(std::string_view value);

// The directory of the database whose dictionary is dictPath ("DIR/datadict" gives "DIR");
// "." for a dictionary without a directory.
std::string databaseDirOf(const std::string &dictPath);

// The message at the end of a sync (UTF-8): the summary lines when it went, else what failed,
// followed by the summary lines of the collections that were done.
std::string syncEndMessage(const tUserSync &sync);

// The status-bar line of a background sync (UTF-8): "Abgleich um HH:MM: ..." with the counts
// into the database, or what failed.
std::string syncStatusLine(const tUserSync &sync, int hour, int minute);

} // namespace velk

#endif
