#include "btree/check/rawfile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velkcheck {

int32_t loadWord(const unsigned char *p)
{
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                   uint32_t(p[3]) << 24);
}

void storeWord(unsigned char *p, int32_t v)
{
    auto u = uint32_t(v);
    p[0] = u & 0xFF;
    p[1] = (u >> 8) & 0xFF;
    p[2] = (u >> 16) & 0xFF;
    p[3] = (u >> 24) & 0xFF;
}

tRawFile::~tRawFile() { close(); }

bool tRawFile::open(const std::string &path, bool writable, std::string *why)
{
    close();
    fd_ = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd_ < 0) {
        *why = std::strerror(errno);
        return false;
    }
    struct stat st;
    if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        *why = "keine gewöhnliche Datei";
        close();
        return false;
    }
    size_ = st.st_size;
    return true;
}

void tRawFile::close()
{
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    size_ = 0;
}

bool tRawFile::read(long long offset, size_t len, void *buf) const
{
    if (fd_ < 0 || offset < 0 || offset + (long long)len > size_) return false;
    auto *p = static_cast<unsigned char *>(buf);
    while (len > 0) {
        ssize_t n = pread(fd_, p, len, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        offset += n;
        len -= size_t(n);
    }
    return true;
}

bool tRawFile::write(long long offset, size_t len, const void *buf)
{
    if (fd_ < 0 || offset < 0) return false;
    auto *p = static_cast<const unsigned char *>(buf);
    long long end = offset + (long long)len;
    while (len > 0) {
        ssize_t n = pwrite(fd_, p, len, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        offset += n;
        len -= size_t(n);
    }
    if (end > size_) size_ = end;
    return true;
}

bool tRawFile::truncate(long long size)
{
    if (fd_ < 0 || ftruncate(fd_, size) != 0) return false;
    size_ = size;
    return true;
}

bool tRawFile::sync() { return fd_ >= 0 && fsync(fd_) == 0; }

tRecordFileSource::tRecordFileSource(const tRawFile &file) : file_(file)
{
    unsigned char h[LIO_HDRSIZE];
    if (file_.read(0, sizeof h, h)) {
        for (int i = 0; i < LIO_HDRWORDS; ++i) first_[i] = loadWord(h + 4 * i);
        haveFirst_ = true;
    }
}

bool tRecordFileSource::header(int sub, int *words)
{
    if (!haveFirst_ || sub < 1) return false;
    const bool data = first_[LIO_H_TYPE] == LIO_DATAFILE;
    if (sub > (data ? 1 : first_[LIO_H_NFILES]) || sub > LIO_MAXFILES) return false;
    unsigned char h[LIO_HDRSIZE];
    if (!file_.read((long long)(sub - 1) * LIO_HDRSIZE, sizeof h, h)) return false;
    for (int i = 0; i < LIO_HDRWORDS; ++i) words[i] = loadWord(h + 4 * i);
    return true;
}

bool tRecordFileSource::read(int sub, long where, int len, unsigned char *buf)
{
    int h[LIO_HDRWORDS];
    if (len <= 0 || !header(sub, h)) return false;
    if (h[LIO_H_TYPE] != LIO_DATAFILE) return file_.read(where, size_t(len), buf);
    if (where < 1 || len != h[LIO_H_RECLEN] || h[LIO_H_STASH] < 0) return false;
    long long at = LIO_HDRSIZE + (long long)h[LIO_H_STASH] + (long long)(where - 1) * len;
    return file_.read(at, size_t(len), buf);
}

int byteZeroHeld(const std::string &path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct flock fl;
    std::memset(&fl, 0, sizeof fl);
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 1;
    int rc = fcntl(fd, F_OFD_GETLK, &fl);
    ::close(fd);
    if (rc != 0) return -1;
    return fl.l_type == F_UNLCK ? 0 : 1;
}

bool copyFile(const std::string &from, const std::string &to)
{
    std::string why;
    tRawFile in;
    if (!in.open(from, false, &why)) return false;
    int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, LIO_CREATMODE);
    if (out < 0) return false;
    bool ok = true;
    std::vector<unsigned char> buf(1 << 16);
    for (long long at = 0; ok && at < in.size();) {
        size_t n = size_t(std::min<long long>((long long)buf.size(), in.size() - at));
        ok = in.read(at, n, buf.data()) && ::write(out, buf.data(), n) == ssize_t(n);
        at += (long long)n;
    }
    ok = fsync(out) == 0 && ok;
    return ::close(out) == 0 && ok;
}

unsigned processUmask()
{
    mode_t mask = umask(022); // velk-check has one thread: nothing creates a file meanwhile
    umask(mask);
    return unsigned(mask);
}

void keepAccessOf(const std::string &made, const std::string &old)
{
    struct stat st;
    if (stat(old.c_str(), &st) != 0) return;
    // An ordinary user may give only a group of its own and never another owner: what cannot
    // be given stays as made.
    int rc = chown(made.c_str(), st.st_uid, st.st_gid);
    if (rc != 0) rc = chown(made.c_str(), uid_t(-1), st.st_gid);
    rc = chmod(made.c_str(), st.st_mode & 07777);
    (void)rc;
}

} // namespace velkcheck
