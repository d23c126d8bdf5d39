/*
 * lockprobe.cpp - whether the file system of a directory enforces byte-range locks.
 *
 * Every guarantee between running copies rests on the byte-0 bracket and the in-use lock (mu.cpp).
 * Some network shares take lock requests without enforcing them: NFSv3 mounted without the lock
 * daemon ("nolock", "local_lock=all|posix"), SMB mounted with "nobrl", many FUSE file systems.
 * The kernel then answers ENOLCK or EINVAL, or grants a conflicting lock to a second open file
 * description of the same file.  The probe asks exactly that question in the directory itself,
 * on a file of its own that no engine file ever is: byte 0 of ".velk-lockprobe-XXXXXX", write-
 * locked through one open file description, then asked for through a second one.  The requests
 * pass the engine's seam (lioLockCall), so they are counted and a test's fault applies to them.
 * The file is removed and both descriptors closed before the probe answers, which drops every
 * lock it took.
 *
 * Some of these shares keep locks on the client alone: the kernel enforces them between the
 * processes of this machine, and the probe, which runs on one machine, sees them work.  Such a
 * mount is told by its options in /proc/self/mountinfo (the line of the directory's device):
 * NFS with "nolock" or "local_lock=all|posix", SMB/CIFS with "nobrl", sshfs.
 */
#include "btree/lioint.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

namespace {

const char *errnoName(int err)
{
    switch (err) {
    case ENOLCK:
        return "ENOLCK";
    case EINVAL:
        return "EINVAL";
    case EAGAIN:
        return "EAGAIN";
    case EACCES:
        return "EACCES";
    case EBADF:
        return "EBADF";
    case EIO:
        return "EIO";
    case ENOSPC:
        return "ENOSPC";
    case EROFS:
        return "EROFS";
    case ENOENT:
        return "ENOENT";
    case ENOTDIR:
        return "ENOTDIR";
    case EPERM:
        return "EPERM";
    case ENAMETOOLONG:
        return "ENAMETOOLONG";
    default:
        return nullptr;
    }
}

void tell(char *why, int size, const char *text, int err = 0)
{
    if (!why || size <= 0) return;
    const char *name = err ? errnoName(err) : nullptr;
    if (err && !name)
        snprintf(why, (size_t)size, "errno %d", err);
    else
        snprintf(why, (size_t)size, "%s", name ? name : text);
}

int byte0(int fh, short type)
{
    struct flock fl = {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 1;
    return lioLockCall(fh, F_OFD_SETLK, &fl);
}

/* ENOLCK: the file system has no lock manager; EINVAL: it refuses the kind of lock. */
bool notEnforced(int err) { return err == ENOLCK || err == EINVAL; }

/* The two requests on the probe file open as `first`; the file's path lets the second open it. */
int ask(int first, const char *path, char *why, int size)
{
    int second = open(path, O_RDWR | O_CLOEXEC);
    if (second < 0) {
        tell(why, size, "", errno);
        return -1;
    }
    int rc;
    if (byte0(first, F_WRLCK) != 0) {
        int err = errno;
        rc = notEnforced(err) ? 1 : -1;
        tell(why, size, "", err);
    } else {
        if (byte0(second, F_WRLCK) == 0) {
            rc = 1;
            tell(why, size, MU_LOCKPROBE_GRANTED);
            byte0(second, F_UNLCK);
        } else if (errno == EAGAIN || errno == EACCES) {
            rc = 0;
            tell(why, size, "");
        } else {
            int err = errno;
            rc = notEnforced(err) ? 1 : -1;
            tell(why, size, "", err);
        }
        byte0(first, F_UNLCK);
    }
    close(second);
    return rc;
}

/* Whether the comma-separated list holds the option. */
bool hasOption(const std::string &list, const char *option)
{
    return ("," + list + ",").find("," + std::string(option) + ",") != std::string::npos;
}

/* The options of a mount that make its locks local to this machine, or "". */
std::string localLockOption(const std::string &type, const std::string &options)
{
    static const char *const nfs[] = {"nolock", "local_lock=all", "local_lock=posix"};
    if (type.rfind("nfs", 0) == 0)
        for (const char *o : nfs)
            if (hasOption(options, o)) return type + " " + o;
    if ((type == "cifs" || type == "smb3") && hasOption(options, "nobrl")) return type + " nobrl";
    if (type == "fuse.sshfs") return type;
    return "";
}

/* One line of a mountinfo file: "id parent major:minor root point options [tags] - type source
 * super-options".  The local-lock option of its mount when it is the line of device dev. */
std::string lineLocalLock(const std::string &line, unsigned devMajor, unsigned devMinor)
{
    std::vector<std::string> f;
    for (size_t at = 0; at < line.size();) {
        size_t end = line.find(' ', at);
        if (end == std::string::npos) end = line.size();
        if (end > at) f.push_back(line.substr(at, end - at));
        at = end + 1;
    }
    unsigned ma = 0, mi = 0;
    if (f.size() < 10 || sscanf(f[2].c_str(), "%u:%u", &ma, &mi) != 2) return "";
    if (ma != devMajor || mi != devMinor) return "";
    size_t dash = 6;
    while (dash < f.size() && f[dash] != "-") dash++;
    if (dash + 3 >= f.size()) return "";
    return localLockOption(f[dash + 1], f[5] + "," + f[dash + 3]);
}

std::string readAll(const char *path)
{
    std::string text;
    FILE *in = fopen(path, "re");
    if (!in) return text;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, in)) > 0;) text.append(buf, n);
    fclose(in);
    return text;
}

} // namespace

int muLocalLockMount(const char *mountinfo, unsigned long long dev, char *why, int size)
{
    std::string text = mountinfo ? std::string(mountinfo) : readAll("/proc/self/mountinfo");
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string option = lineLocalLock(text.substr(at, end - at), major(dev), minor(dev));
        if (!option.empty()) {
            tell(why, size, option.c_str());
            return 1;
        }
        at = end + 1;
    }
    return 0;
}

int muProbeLocks(const char *dir, char *why, int size)
{
    tell(why, size, "");
    if (!dir) {
        tell(why, size, "", EINVAL);
        return -1;
    }
    std::string path = std::string(*dir ? dir : ".") + "/.velk-lockprobe-XXXXXX";
    int first = mkostemp(&path[0], O_CLOEXEC);
    if (first < 0) {
        tell(why, size, "", errno);
        return -1;
    }
    int rc = ask(first, path.c_str(), why, size);
    struct stat st;
    if (rc == 0 && fstat(first, &st) == 0 && muLocalLockMount(nullptr, st.st_dev, why, size) == 1)
        rc = 1;
    unlink(path.c_str());
    close(first);
    return rc;
}
