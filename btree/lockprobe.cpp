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
 */
#include "btree/lioint.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

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

} // namespace

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
    unlink(path.c_str());
    close(first);
    return rc;
}
