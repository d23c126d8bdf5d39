// db_path.h - where the database and the configuration file lie.
//
// The configuration ("VELK.INI") holds one path: the data dictionary's file, that is the database
// directory followed by "datadict".  The user picks that directory once by typing a file name
// (by habit "start") in it; only the directory of the chosen name counts.
#ifndef VELK_MODEL_DB_PATH_H
#define VELK_MODEL_DB_PATH_H

#include <optional>
#include <string>

namespace velk {

// The longest dictionary path the program keeps (the stored key allows no more).
constexpr std::size_t kMaxDbPath = 255;

constexpr const char *kIniFileName = "VELK.INI";
constexpr const char *kIniSection = "V.E.L.K";
constexpr const char *kIniKey = "Path";
constexpr const char *kDictFileName = "datadict";

// The dictionary path for a chosen file name: everything after the last '/' or '\' is replaced
// by "datadict".  A name without any separator lies in no directory and gives plain "datadict".
// Empty when the result would be longer than kMaxDbPath: a shortened path names another place.
std::string deriveDictPath(const std::string &chosen);

// The directory part of a dictionary path, with its trailing separator ("" when it has none).
std::string databaseDirectory(const std::string &dictPath);

// "VELK.INI" in the user's configuration directory: $XDG_CONFIG_HOME when it is an absolute
// path, else $HOME/.config.  Empty when neither is known.
std::string configFilePath(const char *xdgConfigHome, const char *home);

// Turns the filter list of the file dialogs ("Name|pattern|Name|pattern|") into Qt's form
// ("name (pattern);;name (pattern)").  "*.*" matches every file, also those without a dot.
std::string qtFileFilter(const std::string &filterList);

} // namespace velk

#endif
