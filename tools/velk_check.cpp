#include "tools/velk_check.h"

namespace velkcheck {

namespace {

Result notYet(const std::string &dir)
{
    return Result{CannotRun, {}, {}, "velk-check: " + dir + ": checking is not built yet"};
}

} // namespace

Result verifyDir(const std::string &dir) { return notYet(dir); }
Result repairDir(const std::string &dir) { return notYet(dir); }
Result resetLocks(const std::string &dir) { return notYet(dir); }

} // namespace velkcheck
