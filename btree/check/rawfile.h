// rawfile.h - a database file read and patched byte by byte, without the engine.
//
// velk-check must look at files the engine refuses (mark 38, a header that disagrees with the
// file's size), so it reads them itself.  tRawFile reads exact ranges and refuses anything beyond
// the real end of the file; tRecordFileSource presents a record or index file to the structural
// rules of check_rules.h.
#ifndef VELK_BTREE_CHECK_RAWFILE_H
#define VELK_BTREE_CHECK_RAWFILE_H

#include <cstdint>
#include <string>
#include <vector>

#include "btree/check/check_rules.h"

namespace velkcheck {

using Bytes = std::vector<unsigned char>;

int32_t loadWord(const unsigned char *p);
void storeWord(unsigned char *p, int32_t v);

class tRawFile {
public:
    tRawFile() = default;
    ~tRawFile();
    tRawFile(const tRawFile &) = delete;
    tRawFile &operator=(const tRawFile &) = delete;

    // Opens read-only or read/write; false with a message naming the reason.
    bool open(const std::string &path, bool writable, std::string *why);
    void close();
    long long size() const { return size_; }
    bool read(long long offset, size_t len, void *buf) const; // exactly len bytes
    bool write(long long offset, size_t len, const void *buf);
    bool truncate(long long size);
    bool sync();

private:
    int fd_ = -1;
    long long size_ = 0;
};

// A record file (one header) or index file (maxfiles headers side by side) read raw.
class tRecordFileSource : public tFileSource {
public:
    explicit tRecordFileSource(const tRawFile &file);
    bool header(int sub, int *words) override;
    bool read(int sub, long where, int len, unsigned char *buf) override;

private:
    const tRawFile &file_;
    int first_[85] = {};
    bool haveFirst_ = false;
};

// 1 when another open file description holds a lock on byte 0 of the file, 0 when none does, -1
// when the file cannot be probed.
int byteZeroHeld(const std::string &path);

// Copies a file byte for byte into a new file (mode LIO_CREATMODE under the umask, as the
// engine's own files); false when it could not.
bool copyFile(const std::string &from, const std::string &to);

// Directories velk-check makes (backups, lost+found, its scratch directory) are made with this
// mode under the umask, so that the other users of a shared directory can read and clear them.
constexpr unsigned kDirMode = 0777;

// The umask of this process.
unsigned processUmask();

// A file built anew to replace `old` takes old's permission bits, and its owner and group as far
// as this process may give them: a repair run by root or with another umask must not shut the
// users of the directory out of their index.  Nothing happens when old does not exist.
void keepAccessOf(const std::string &made, const std::string &old);

} // namespace velkcheck

#endif
