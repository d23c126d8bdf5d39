// text_out.h - a text file written whole or not at all.
//
// The bytes go to a temporary file beside the target ("<name>.<pid>-<n>.tmp", the target being the
// file a symbolic link names); commit() flushes it to the disk, gives it the replaced file's mode
// and owner and renames it to the target.  A name that is neither a regular file nor free is
// refused at open().  A failed write,
// a failed commit or discard() removes the temporary file and leaves the target untouched.
#ifndef VELK_EXCHANGE_TEXT_OUT_H
#define VELK_EXCHANGE_TEXT_OUT_H

#include "exchange/file_access.h"

#include <string>
#include <string_view>

namespace velk {

class tTextOut {
public:
    tTextOut() = default;
    ~tTextOut() { discard(); }
    tTextOut(const tTextOut &) = delete;
    tTextOut &operator=(const tTextOut &) = delete;

    // False when the name is refused or the temporary file cannot be created.
    bool open(const std::string &fileName);
    // Buffers and writes; false once any write failed.
    bool write(std::string_view text);
    // Everything written, flushed and renamed: true; else nothing is left behind.
    bool commit();
    void discard();
    bool failed() const { return failed_; }

private:
    bool flush();

    int fd_ = -1;
    bool failed_ = false;
    tExportTarget target_;
    std::string temp_, buffer_;
};

} // namespace velk

#endif
