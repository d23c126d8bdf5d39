// text_out.h - a text file written whole or not at all.
//
// The bytes go to a temporary file beside the target ("<name>.<pid>-<n>.tmp"); commit() flushes
// it to the disk and renames it to the target, replacing a file of that name.  A failed write,
// a failed commit or discard() removes the temporary file and leaves the target untouched.
#ifndef VELK_EXCHANGE_TEXT_OUT_H
#define VELK_EXCHANGE_TEXT_OUT_H

#include <string>
#include <string_view>

namespace velk {

class tTextOut {
public:
    tTextOut() = default;
    ~tTextOut() { discard(); }
    tTextOut(const tTextOut &) = delete;
    tTextOut &operator=(const tTextOut &) = delete;

    // False when the temporary file cannot be created.
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
    std::string temp_, target_, buffer_;
};

} // namespace velk

#endif
