#include "exchange/file_access.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velk {

namespace {

std::string kindOf(mode_t mode)
{
    if (S_ISDIR(mode)) return "ein Verzeichnis";
    if (S_ISFIFO(mode)) return "eine benannte Pipe";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "ein Ger\xE4t";
    if (S_ISSOCK(mode)) return "ein Socket";
    return "keine gew\xF6hnliche Datei";
}

std::string directoryPart(const std::string &path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

int openForImport(const std::string &name, tFileStatus *status, std::string *kind)
{
    int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *status = tFileStatus::CannotOpen;
        return -1;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (kind) *kind = kindOf(st.st_mode);
        ::close(fd);
        *status = tFileStatus::NotRegular;
        return -1;
    }
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        *status = tFileStatus::CannotOpen;
        return -1;
    }
    *status = tFileStatus::Ok;
    return fd;
}

tFileStatus readForImport(const std::string &name, long limit, std::string *text, std::string *kind)
{
    tFileStatus status;
    int fd = openForImport(name, &status, kind);
    if (fd < 0) return status;
    struct stat st {};
    if (fstat(fd, &st) != 0 || st.st_size > limit) {
        ::close(fd);
        return st.st_size > limit ? tFileStatus::TooBig : tFileStatus::CannotOpen;
    }
    text->clear();
    text->reserve((size_t)st.st_size);
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            status = tFileStatus::CannotOpen;
            break;
        }
        if (n == 0) break;
        if ((long)(text->size() + (size_t)n) > limit) { // the file grew while it was read
            status = tFileStatus::TooBig;
            break;
        }
        text->append(buf, (size_t)n);
    }
    ::close(fd);
    if (status != tFileStatus::Ok) text->clear();
    return status;
}

std::string fileStatusText(tFileStatus status, const std::string &kind, long limit)
{
    switch (status) {
    case tFileStatus::Ok:
        break;
    case tFileStatus::CannotOpen:
        return "die Datei kann nicht gelesen werden";
    case tFileStatus::NotRegular:
        return "keine gew\xF6hnliche Datei (" + kind + ")";
    case tFileStatus::TooBig:
        return "die Datei ist gr\xF6\xDF"
               "er als " +
               std::to_string(limit / (1024 * 1024)) + " MB";
    }
    return {};
}

bool exportTarget(const std::string &name, tExportTarget *target, std::string *kind)
{
    std::string path = name;
    for (int links = 0; links < 40; links++) {
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0) {
            if (errno != ENOENT) break; // unreadable directory on the way: refused below
            *target = tExportTarget{path, false, 0, 0, 0};
            return true;
        }
        if (S_ISREG(st.st_mode)) {
            if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
                if (kind) *kind = "schreibgesch\xFCtzt"; // replacing it would overrule that
                return false;
            }
            *target = tExportTarget{path, true, st.st_mode & 07777, st.st_uid, st.st_gid};
            return true;
        }
        if (!S_ISLNK(st.st_mode)) {
            if (kind) *kind = kindOf(st.st_mode);
            return false;
        }
        char buf[PATH_MAX];
        ssize_t n = readlink(path.c_str(), buf, sizeof buf - 1);
        if (n <= 0) break;
        std::string link(buf, (size_t)n);
        path = link[0] == '/' ? link : directoryPart(path) + link;
    }
    if (kind) *kind = "nicht erreichbar";
    return false;
}

int createTempFile(const tExportTarget &target, std::string *tempName)
{
    static unsigned serial = 0;
    for (int attempt = 0; attempt < 100; attempt++) {
        *tempName =
            target.path + "." + std::to_string(getpid()) + "-" + std::to_string(serial++) + ".tmp";
        int fd = ::open(tempName->c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool adoptTarget(int fd, const tExportTarget &target)
{
    if (!target.exists) return true;
    struct stat st {};
    if (fstat(fd, &st) != 0) return false;
    // The owner first: a change of owner clears the set-user-ID bits that fchmod sets.
    if (st.st_uid != target.uid || st.st_gid != target.gid)
        if (fchown(fd, target.uid, target.gid) != 0 && st.st_gid != target.gid)
            (void)!fchown(fd, (uid_t)-1, target.gid); // a group of ours, where the user is not
    return fchmod(fd, target.mode) == 0;
}

bool replaceTarget(const std::string &tempName, const tExportTarget &target)
{
    struct stat st {};
    if (lstat(target.path.c_str(), &st) == 0 ? !S_ISREG(st.st_mode) : errno != ENOENT) return false;
    return std::rename(tempName.c_str(), target.path.c_str()) == 0;
}

bool databaseWritable(const std::string &dir)
{
    std::string d = dir.empty() ? std::string("./") : dir;
    if (d.back() != '/') d += '/';
    if (access(d.c_str(), W_OK | X_OK) != 0) return false;
    const std::string dict = d + "datadict.dat";
    return access(dict.c_str(), F_OK) != 0 || access(dict.c_str(), W_OK) == 0;
}

} // namespace velk
