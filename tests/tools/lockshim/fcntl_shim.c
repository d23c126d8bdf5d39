/*
 * fcntl_shim.c - a file system that does not enforce byte-range locks, for the tests.
 *
 * Loaded with LD_PRELOAD, it answers the lock requests of fcntl as such a share does, chosen by
 * VELK_LOCKSHIM:
 *   enolck  every lock request answers -1 with ENOLCK (NFSv3 without the lock daemon)
 *   einval  every lock request answers -1 with EINVAL
 *   grant   every lock request answers 0 without asking the kernel, and F_GETLK / F_OFD_GETLK
 *           report the range free (a share that grants what it does not enforce)
 * Any other value, or none, and every other command pass to the real fcntl.  The third argument
 * of a lock command is a struct flock pointer, of every other command an int or a pointer; both
 * are passed on as a word.  A program built with AddressSanitizer needs
 * ASAN_OPTIONS=verify_asan_link_order=0 to start with this library in front of its runtime.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

typedef int (*fcntl_fn)(int, int, ...);

static int isLockCommand(int cmd)
{
    return cmd == F_SETLK || cmd == F_SETLKW || cmd == F_GETLK || cmd == F_OFD_SETLK ||
           cmd == F_OFD_SETLKW || cmd == F_OFD_GETLK;
}

/* 0: pass on; otherwise the answer, with errno set. */
static int faked(int cmd, struct flock *fl, int *answer)
{
    const char *mode = getenv("VELK_LOCKSHIM");
    if (!mode || !isLockCommand(cmd)) return 0;
    if (strcmp(mode, "enolck") == 0 || strcmp(mode, "einval") == 0) {
        errno = mode[1] == 'n' ? ENOLCK : EINVAL;
        *answer = -1;
        return 1;
    }
    if (strcmp(mode, "grant") == 0) {
        if ((cmd == F_GETLK || cmd == F_OFD_GETLK) && fl) fl->l_type = F_UNLCK;
        *answer = 0;
        return 1;
    }
    return 0;
}

static int forward(const char *name, int fd, int cmd, void *arg)
{
    fcntl_fn real = (fcntl_fn)dlsym(RTLD_NEXT, name);
    if (!real) {
        errno = ENOSYS;
        return -1;
    }
    return real(fd, cmd, arg);
}

static int shim(const char *name, int fd, int cmd, va_list ap)
{
    void *arg = va_arg(ap, void *);
    int answer;
    if (faked(cmd, (struct flock *)arg, &answer)) return answer;
    return forward(name, fd, cmd, arg);
}

int fcntl(int fd, int cmd, ...)
{
    va_list ap;
    va_start(ap, cmd);
    int rc = shim("fcntl", fd, cmd, ap);
    va_end(ap);
    return rc;
}

int fcntl64(int fd, int cmd, ...)
{
    va_list ap;
    va_start(ap, cmd);
    int rc = shim("fcntl64", fd, cmd, ap);
    va_end(ap);
    return rc;
}
