// runtime_dir.h - a private runtime directory where the session gives none.
//
// Qt keeps sockets and locks in $XDG_RUNTIME_DIR.  A login without a session manager (su, ssh,
// a virtual display, cron) leaves it unset, and Qt then warns on every start before it falls
// back to a directory of its own.  The program gives it one instead, as the base directory
// rules ask: owned by the user, mode 0700, on a local file system.
#ifndef VELK_SHELL_CORE_RUNTIME_DIR_H
#define VELK_SHELL_CORE_RUNTIME_DIR_H

#include <string>

namespace velk {

// Leaves a set XDG_RUNTIME_DIR alone.  Else makes "<tmp>/velk-runtime-<uid>" (tmp: $TMPDIR, else
// /tmp), mode 0700, or puts right the mode of one the user already owns; a name taken by
// anything else (another user's directory, a symbolic link, a file) is passed over for a new
// directory of a random name.  Sets XDG_RUNTIME_DIR to it and answers it; "" when nothing could
// be made (the variable then stays unset).
std::string ensureRuntimeDir();

} // namespace velk

#endif
