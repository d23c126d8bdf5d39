// sync_state.h - what the last sync of one user's collection left in step: for each UID the
// records it stands for on our side (with a hash of each) and its file in the vdir (name, hash
// of the bytes, size and modification time).  A run compares both sides with it and handles
// only what changed on either side since.
//
// The state lives in the user's configuration directory, one file per database, user,
// collection kind and vdir: "<config>/velk/sync/state/<hash>.state", a text file of one line per
// item, tab-separated:
//
//   UID  FILE  FILEHASH  SIZE  MTIME  RECORDS
//
// RECORDS are "ID/OCCURRENCE/HASH" joined by ",": a record's ID, the local start (minutes since
// 1970) of the occurrence of its series it stands for (0 for one of its own), and the hash of
// its values.  Hashes in hexadecimal.  The file is written whole under a temporary name and
// renamed, so that a run killed part-way leaves the previous state or the new one.
#ifndef VELK_EXCHANGE_SYNC_STATE_H
#define VELK_EXCHANGE_SYNC_STATE_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace velk {

struct tSyncRecord {
    std::string id;
    long long occurrence = 0;
    uint64_t hash = 0;
};

struct tSyncItem {
    std::string file;
    uint64_t fileHash = 0;
    int64_t size = 0, mtime = 0;
    std::vector<tSyncRecord> records;
};

class tSyncState {
public:
    std::map<std::string, tSyncItem> items; // by UID

    // False when the file exists but cannot be read; a missing file is an empty state.
    bool load(const std::string &path);
    bool save(const std::string &path) const;
};

// The state file of a database directory, user, kind ("termine", "termine-team", "personen")
// and vdir under configHome ($XDG_CONFIG_HOME, else ~/.config); its directories are made.
std::string syncStatePath(const std::string &configHome, const std::string &databaseDir,
                          const std::string &user, const std::string &kind,
                          const std::string &vdir);

// $XDG_CONFIG_HOME when it is absolute, else $HOME/.config.
std::string userConfigHome();

} // namespace velk

#endif
