// velk-check - verify and repair the files of a database directory.
//
//   velk-check DIR                 verify; exit 0 clean, 1 damaged, 2 could not run, 3 the
//                                  directory is in use (a copy of the program runs on it), 4
//                                  its file system does not enforce locks (findings still shown)
//   velk-check --repair DIR        back up, repair, verify again
//   velk-check --reset-locks DIR   clear lock tables, owner marks and open counts only
//   velk-check --help | -h         the usage on standard output
//   velk-check --version | -V      "velk-check 0.1"
// Its own texts are German like the program's; the engine's error texts stay as they are.
#include "btree/check/velk_check.h"
#include "velk_version.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char *kUsage =
    "Aufruf: velk-check [--repair | --reset-locks] VERZEICHNIS\n"
    "       velk-check VERZEICHNIS                 pr\xC3\xBC"
    "fen, nichts \xC3\xA4ndern\n"
    "       velk-check --repair VERZEICHNIS        sichern, reparieren, erneut pr\xC3\xBC"
    "fen\n"
    "       velk-check --reset-locks VERZEICHNIS   nur Sperrtabellen, Besitzermarken und\n"
    "                                              \xC3\x96"
    "ffnungsz\xC3\xA4hler zur\xC3\xBC"
    "cksetzen\n"
    "       velk-check --help | -h                 diese Hilfe\n"
    "       velk-check --version | -V              die Version\n"
    "Ende: 0 in Ordnung, 1 besch\xC3\xA4"
    "digt, 2 nicht ausf\xC3\xBChrbar, 3 in Benutzung,\n"
    "      4 das Dateisystem setzt keine Sperren durch\n";

int usage()
{
    std::fputs(kUsage, stderr);
    return velkcheck::CannotRun;
}

// --help or --version as the only argument: the answer on standard output, exit 0; -1 else.
int answerInfoOption(int argc, char **argv)
{
    if (argc != 2) return -1;
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kUsage, stdout);
        return velkcheck::Clean;
    }
    if (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-V") == 0) {
        std::printf("velk-check %s\n", VELK_VERSION);
        return velkcheck::Clean;
    }
    return -1;
}

void print(const velkcheck::tResult &r)
{
    for (const velkcheck::tFinding &f : r.findings)
        std::printf("%s: %s (%s)\n", f.file.c_str(), f.what.c_str(), f.where.c_str());
    for (const std::string &a : r.actions) std::printf("erledigt: %s\n", a.c_str());
    if (!r.message.empty())
        std::fprintf(r.code >= velkcheck::CannotRun ? stderr : stdout, "%s\n", r.message.c_str());
}

} // namespace

int main(int argc, char **argv)
{
    if (int rc = answerInfoOption(argc, argv); rc >= 0) return rc;
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
