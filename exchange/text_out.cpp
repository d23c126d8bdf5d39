#include "exchange/text_out.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace velk {

namespace {

constexpr size_t kBufferSize = 1 << 16;

} // namespace

bool tTextOut::open(const std::string &fileName)
{
    discard();
    static unsigned serial = 0;
    failed_ = false;
    target_ = fileName;
    for (int attempt = 0; attempt < 100 && fd_ < 0; attempt++) {
        temp_ = fileName + "." + std::to_string(getpid()) + "-" + std::to_string(serial++) + ".tmp";
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) temp_.clear();
    return fd_ >= 0;
}

bool tTextOut::flush()
{
    const char *p = buffer_.data();
    size_t left = buffer_.size();
    while (left > 0 && !failed_) {
        ssize_t n = ::write(fd_, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            failed_ = true;
        else
            p += n, left -= n;
    }
    buffer_.clear();
    return !failed_;
}

bool tTextOut::write(std::string_view text)
{
    if (fd_ < 0) return false;
    buffer_.append(text);
    return buffer_.size() < kBufferSize ? !failed_ : flush();
}

bool tTextOut::commit()
{
    if (fd_ < 0) return false;
    bool ok = flush() && fsync(fd_) == 0;
    ok = ::close(fd_) == 0 && ok;
    fd_ = -1;
    if (ok && std::rename(temp_.c_str(), target_.c_str()) == 0) {
        temp_.clear();
        return true;
    }
    failed_ = true;
    unlink(temp_.c_str());
    temp_.clear();
    return false;
}

void tTextOut::discard()
{
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) unlink(temp_.c_str());
    temp_.clear();
    buffer_.clear();
}

} // namespace velk
