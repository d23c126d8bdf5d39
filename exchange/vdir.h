// vdir.h - a "vdir": a directory of one file per item (".ics" per event, ".vcf" per contact),
// each file named by its item's UID, as khal, khard and vdirsyncer keep them.
//
// Only the regular files directly in the directory whose names end in the extension and do not
// begin with "." count; everything else (subdirectories, temporary files of other programs) is
// left alone.  A file is written under a temporary name beside it and renamed, so that a reader
// (vdirsyncer running at the same time) sees the old or the new text, never a part.
#ifndef VELK_EXCHANGE_VDIR_H
#define VELK_EXCHANGE_VDIR_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velk {

struct tVdirFile {
    std::string name; // the file name, without the directory
    int64_t size = 0;
    int64_t mtime = 0; // nanoseconds since 1970
};

// The items' files of dir with extension ext (".ics"), sorted by name; none when dir cannot be
// read (false).
bool listVdir(const std::string &dir, std::string_view ext, std::vector<tVdirFile> *out);

// The whole file, at most limit bytes (none when larger or unreadable).
std::optional<std::string> readVdirFile(const std::string &dir, const std::string &name,
                                        long limit);

// Writes text as dir/name whole or not at all; the stat of the written file in *written.  The
// file reaches the disk with the next syncVdir (one flush for many files instead of one each).
bool writeVdirFile(const std::string &dir, const std::string &name, std::string_view text,
                   tVdirFile *written);

// Flushes what was written to the file system of dir to the disk.
bool syncVdir(const std::string &dir);

// Removes dir/name; true also when it was gone.
bool removeVdirFile(const std::string &dir, const std::string &name);

// The file name of an item with this UID: the UID itself where it holds only letters, digits
// and "_.-+@" (what vdirsyncer keeps as it stands) and is not too long, else "velk-" and a hash
// of it; then ext.
std::string vdirNameOfUid(std::string_view uid, std::string_view ext);

// A 64-bit FNV-1a hash of bytes, as the sync keeps them.
uint64_t syncHash(std::string_view bytes, uint64_t seed = 1469598103934665603ULL);

} // namespace velk

#endif
