// velk-check - verify and repair the files of a database directory.
//
//   velk-check DIR                 verify; exit 0 clean, 1 damaged, 2 could not run, 3 the
//                                  directory is in use (a copy of the program runs on it), 4
//                                  its file system does not enforce locks (findings still shown)
//   velk-check --repair DIR        back up, repair, verify again
//   velk-check --reset-locks DIR   clear lock tables, owner marks and open counts only
#include "btree/check/velk_check.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: velk-check [--repair | --reset-locks] DIR\n");
    return velkcheck::CannotRun;
}

void print(const velkcheck::tResult &r)
{
    for (const velkcheck::tFinding &f : r.findings)
        std::printf("%s: %s (%s)\n", f.file.c_str(), f.what.c_str(), f.where.c_str());
    for (const std::string &a : r.actions) std::printf("done: %s\n", a.c_str());
    if (!r.message.empty())
        std::fprintf(r.code >= velkcheck::CannotRun ? stderr : stdout, "%s\n", r.message.c_str());
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && argv[1][0] != '-') {
        velkcheck::tResult r = velkcheck::verifyDir(argv[1]);
        print(r);
        return r.code;
    }
    if (argc != 3) return usage();
    velkcheck::tResult r;
    if (std::strcmp(argv[1], "--repair") == 0)
        r = velkcheck::repairDir(argv[2]);
    else if (std::strcmp(argv[1], "--reset-locks") == 0)
        r = velkcheck::resetLocks(argv[2]);
    else
        return usage();
    print(r);
    return r.code;
}
