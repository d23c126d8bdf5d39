#include "shell/core/runtime_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace velk {

// A directory of ours that only we can enter, with the mode put right where only that was off.
static bool isPrivateDir(const std::string &path)
{
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid())
        return false;
    if ((st.st_mode & 07777) != 0700 && chmod(path.c_str(), 0700) != 0) return false;
    return true;
}

std::string ensureRuntimeDir()
{
    if (const char *set = std::getenv("XDG_RUNTIME_DIR"); set && *set) return set;
    const char *tmp = std::getenv("TMPDIR");
    const std::string base = tmp && *tmp == '/' ? tmp : "/tmp";
    std::string dir = base + "/velk-runtime-" + std::to_string(getuid());
    mkdir(dir.c_str(), 0700);
    if (!isPrivateDir(dir)) {
        std::string pattern = base + "/velk-runtime-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (!mkdtemp(name.data())) return std::string();
        dir = name.data();
    }
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    return dir;
}

} // namespace velk
