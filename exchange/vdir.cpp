#include "exchange/vdir.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velk {

namespace {

int64_t nanosOf(const struct stat &st)
{
    return (int64_t)st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
}

bool writeAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        text.remove_prefix((size_t)n);
    }
    return true;
}

} // namespace

bool listVdir(const std::string &dir, std::string_view ext, std::vector<tVdirFile> *out)
{
    out->clear();
    DIR *d = opendir(dir.c_str());
    if (!d) return false;
    while (dirent *e = readdir(d)) {
        std::string_view name = e->d_name;
        if (name.empty() || name[0] == '.' || name.size() <= ext.size() || !name.ends_with(ext))
            continue;
        struct stat st;
        if (fstatat(dirfd(d), e->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode)) continue;
        out->push_back({std::string(name), (int64_t)st.st_size, nanosOf(st)});
    }
    closedir(d);
    std::sort(out->begin(), out->end(),
              [](const tVdirFile &a, const tVdirFile &b) { return a.name < b.name; });
    return true;
}

std::optional<std::string> readVdirFile(const std::string &dir, const std::string &name, long limit)
{
    int fd = open((dir + "/" + name).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return std::nullopt;
    std::string text;
    char buf[65536];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) != 0) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || (long)(text.size() + n) > limit) {
            close(fd);
            return std::nullopt;
        }
        text.append(buf, (size_t)n);
    }
    close(fd);
    return text;
}

bool writeVdirFile(const std::string &dir, const std::string &name, std::string_view text,
                   tVdirFile *written)
{
    std::string temp = dir + "/." + name + "." + std::to_string(getpid()) + ".tmp";
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool ok = writeAll(fd, text);
    struct stat st;
    ok = ok && fstat(fd, &st) == 0;
    ok = close(fd) == 0 && ok;
    std::string target = dir + "/" + name;
    if (!ok || rename(temp.c_str(), target.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    if (written) *written = {name, (int64_t)st.st_size, nanosOf(st)};
    return true;
}

bool removeVdirFile(const std::string &dir, const std::string &name)
{
    return unlink((dir + "/" + name).c_str()) == 0 || errno == ENOENT;
}

std::string vdirNameOfUid(std::string_view uid, std::string_view ext)
{
    bool safe = !uid.empty() && uid.size() <= 200 && uid[0] != '.';
    for (char c : uid)
        if (!(std::isalnum((unsigned char)c) ||
              std::string_view("_.-+@").find(c) != std::string_view::npos) ||
            (unsigned char)c >= 0x80)
            safe = false;
    if (safe) return std::string(uid) + std::string(ext);
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", (unsigned long long)syncHash(uid));
    return "velk-" + std::string(hex) + std::string(ext);
}

uint64_t syncHash(std::string_view bytes, uint64_t seed)
{
    uint64_t h = seed;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 1099511628211ULL;
    }
    return h;
}

bool syncVdir(const std::string &dir)
{
    int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = syncfs(fd) == 0;
    close(fd);
    return ok;
}

} // namespace velk
