#include "exchange/uid_register.h"

#include "model/blob.h"

#include <cstdio>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace velk {

namespace {

bool lockWhole(int fd, short type)
{
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    return fcntl(fd, F_OFD_SETLKW, &fl) == 0;
}

std::string hashIdentity(const std::string &path)
{
    unsigned long long h = 1469598103934665603ULL;
    for (char c : path) h = (h ^ (unsigned char)c) * 1099511628211ULL;
    char buf[40];
    snprintf(buf, sizeof buf, "%016llx%016llx", h, h * 0x9E3779B97F4A7C15ULL);
    return buf;
}

std::string randomIdentity()
{
    std::random_device rd;
    char buf[40];
    snprintf(buf, sizeof buf, "%08x%08x%08x%08x", rd(), rd(), rd(), rd());
    return buf;
}

} // namespace

tUidRegister::tUidRegister()
{
    std::string dir = tBlob::instance().directory();
    std::string path = dir + "ical.uid";
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0664);
    if (fd_ < 0 || !lockWhole(fd_, F_WRLCK)) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        identity_ = hashIdentity(dir);
        return;
    }
    std::string text;
    char buf[65536];
    for (ssize_t n; (n = ::read(fd_, buf, sizeof buf)) > 0;) text.append(buf, (size_t)n);
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) break; // a line cut short by a crash is no entry
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (identity_.empty())
            identity_ = line;
        else
            uids_.insert(line);
    }
    if (identity_.size() != 32) {
        // A new (or empty) file: its identity is drawn now, under the lock.
        identity_ = randomIdentity();
        std::string first = identity_ + "\n";
        if (ftruncate(fd_, 0) != 0 ||
            pwrite(fd_, first.data(), first.size(), 0) != (ssize_t)first.size())
            identity_ = hashIdentity(dir);
        uids_.clear();
    }
}

std::string tUidRegister::databaseIdentity()
{
    std::string path = tBlob::instance().directory() + "ical.uid";
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        char line[33];
        ssize_t n = pread(fd, line, sizeof line, 0);
        ::close(fd);
        if (n == 33 && line[32] == '\n') return std::string(line, 32);
    }
    return tUidRegister().identity();
}

tUidRegister::~tUidRegister()
{
    if (fd_ >= 0) ::close(fd_); // closing gives up the OFD lock
}

bool tUidRegister::add(const std::string &uid)
{
    if (uid.empty() || uid.find('\n') != std::string::npos) return false;
    if (!uids_.insert(uid).second) return true;
    if (fd_ < 0) return false;
    std::string line = uid + "\n";
    off_t end = lseek(fd_, 0, SEEK_END);
    return end >= 0 && pwrite(fd_, line.data(), line.size(), end) == (ssize_t)line.size();
}

} // namespace velk
