#include "exchange/text_out.h"

#include "exchange/file_access.h"

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
    failed_ = false;
    if (!exportTarget(fileName, &target_)) return false;
    fd_ = createTempFile(target_, &temp_);
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
    bool ok = flush() && adoptTarget(fd_, target_) && fsync(fd_) == 0;
    ok = ::close(fd_) == 0 && ok;
    fd_ = -1;
    if (ok && replaceTarget(temp_, target_)) {
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
