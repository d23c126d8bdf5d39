// file_access.h - the files an import reads and an export writes, checked before they are used.
//
// An import reads a regular file only: the name is opened non-blocking (a FIFO cannot hang the
// open), the opened descriptor is checked with fstat, and at most a limit of bytes is read.  An
// export follows symbolic links to the file they name and replaces that file (a temporary file
// beside it, renamed over it, given the old file's mode and owner); a name that is neither a
// regular file nor free is refused before anything is written.
#ifndef VELK_EXCHANGE_FILE_ACCESS_H
#define VELK_EXCHANGE_FILE_ACCESS_H

#include <string>
#include <sys/types.h>

namespace velk {

enum class tFileStatus {
    Ok,
    CannotOpen, // missing, unreadable, or a read failed
    NotRegular, // a directory, FIFO, device or socket
    TooBig      // more bytes than the limit
};

// The opened file (non-blocking cleared), or -1 with *status set; *kind names what a file that
// is not regular is ("ein Verzeichnis", ...).
int openForImport(const std::string &name, tFileStatus *status, std::string *kind = nullptr);
// The whole file into *text, at most limit bytes.
tFileStatus readForImport(const std::string &name, long limit, std::string *text,
                          std::string *kind = nullptr);
// The detail of "Fehler beim Lesen" for a status other than Ok (Windows-1252).
std::string fileStatusText(tFileStatus status, const std::string &kind, long limit);

// Whether this process may store into the database of directory dir (with or without its
// trailing '/'; "" is the current directory): the directory and its data dictionary, where it has
// one, writable.  An import asks first, since each of its stores would fail on its own.
bool databaseWritable(const std::string &dir);

// What an export replaces.
struct tExportTarget {
    std::string path;    // the name with its symbolic links followed
    bool exists = false; // a regular file of that name is replaced
    mode_t mode = 0;
    uid_t uid = 0;
    gid_t gid = 0;
};

// Follows the links of name: true with *target for a regular file this process may write or a
// free name, false (and *kind saying what stands there) for anything else or a loop of links.
bool exportTarget(const std::string &name, tExportTarget *target, std::string *kind = nullptr);
// A new file beside target.path that nobody else uses ("<path>.<pid>-<n>.tmp"), opened for
// reading and writing: its descriptor, or -1.
int createTempFile(const tExportTarget &target, std::string *tempName);
// Gives the file of fd the mode and owner of the file it replaces (nothing for a new name); the
// owner only where this process may give it.  False when the mode cannot be set.
bool adoptTarget(int fd, const tExportTarget &target);
// Renames tempName over the target; the target is checked once more first (false when
// something other than a regular file has come to stand there).
bool replaceTarget(const std::string &tempName, const tExportTarget &target);

} // namespace velk

#endif
