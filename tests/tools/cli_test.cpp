// The command line's conventions of velk, velk-check and velk-exchange: --help and -h print the
// German usage on standard output and exit 0, --version and -V the program's name and version;
// a usage error still exits 2 with the usage on standard error.  velk answers before Qt looks
// for a display.
#include <gtest/gtest.h>

#include <csignal>
#include <sstream>
#include <string>
#include <vector>

#include "exchange/exchange.h"
#include "exchange/sync.h"
#include "tests/tools/exchange_run.h"
#include "velk_version.h"
#include "views/print_kinds.h"
#include "views/search.h"

namespace {

using velk::tooltest::tRun;

// Runs `program args` (split at blanks) with an empty environment but PATH (no display, no
// configuration), standard error apart from the output.
tRun run(const std::string &program, const std::string &args)
{
    std::vector<std::string> argv = {"/usr/bin/env", "-i", "PATH=/usr/bin:/bin",
                                     "HOME=/nonexistent", program};
    std::istringstream words(args);
    for (std::string w; words >> w;) argv.push_back(w);
    return velk::tooltest::runProcess(argv, "", false, -1, SIGTERM, true);
}

struct tProgram {
    const char *name;
    const char *path;
};

const tProgram kPrograms[] = {
    {"velk", VELK_BIN},
    {"velk-check", VELK_CHECK_BIN},
    {"velk-exchange", VELK_EXCHANGE_BIN},
};

TEST(CommandLine, HelpAndVersionAnswerOnStandardOutputAndExitZero)
{
    for (const tProgram &p : kPrograms)
        for (const char *option : {"--help", "-h", "--version", "-V"}) {
            SCOPED_TRACE(std::string(p.name) + " " + option);
            tRun r = run(p.path, option);
            EXPECT_EQ(r.code(), 0) << r.errors;
            EXPECT_EQ(r.errors, "");
            if (std::string(option) == "--version" || std::string(option) == "-V") {
                EXPECT_EQ(r.output, std::string(p.name) + " " + VELK_VERSION + "\n");
            } else { // the German usage, naming --version too
                EXPECT_EQ(r.output.rfind(std::string("Aufruf: ") + p.name + " ", 0), 0u)
                    << r.output;
                EXPECT_NE(r.output.find("--version"), std::string::npos) << r.output;
            }
        }
}

TEST(CommandLine, TheVersionIsTheProjects)
{
    // "0.1" and the like: digits and dots, as project(velk VERSION ...) allows.
    std::string v = VELK_VERSION;
    ASSERT_FALSE(v.empty());
    EXPECT_EQ(v.find_first_not_of("0123456789."), std::string::npos) << v;
    EXPECT_NE(v.find('.'), std::string::npos) << v;
}

TEST(CommandLine, AnUnknownOptionIsStillAUsageError)
{
    const tProgram tools[] = {kPrograms[1], kPrograms[2]};
    for (const tProgram &p : tools)
        for (const char *args : {"--frobnicate", "--helpme /tmp", "--versions"}) {
            SCOPED_TRACE(std::string(p.name) + " " + args);
            tRun r = run(p.path, args);
            EXPECT_EQ(r.code(), 2);
            EXPECT_EQ(r.output, "");
            EXPECT_NE(r.errors.find(std::string("Aufruf: ") + p.name), std::string::npos)
                << r.errors;
        }
}

TEST(CommandLine, HelpOnlyAsAnOptionNotAsASearchWord)
{
    // After the directory, "-h" is the word searched for, not the question for help.
    tRun r = run(VELK_EXCHANGE_BIN, "/nonexistent/dir suche -h");
    EXPECT_EQ(r.code(), 2);
    EXPECT_NE(r.errors.find("kein Verzeichnis"), std::string::npos) << r.errors;
}

TEST(CommandLine, ExchangeUsageNamesEveryKindAndCommand)
{
    std::string usage = run(VELK_EXCHANGE_BIN, "--help").output;
    std::vector<std::string> names = {"import", "export", "sync",   "alle",
                                      "suche",  "server", "--user", "--datum",
                                      "--art",  "--von",  "--bis",  "--password-stdin"};
    for (int k = 0; k <= static_cast<int>(velk::tExchangeKind::VCard); k++)
        names.push_back(velk::kindName(static_cast<velk::tExchangeKind>(k)));
    for (const std::string &n : velk::printKindNames()) names.push_back(n);
    for (int k = 0; k < velk::kSearchKinds; k++)
        names.push_back(velk::searchKindName(static_cast<velk::tSearchKind>(k)));
    for (velk::tSyncKind k :
         {velk::tSyncKind::Termine, velk::tSyncKind::TermineTeam, velk::tSyncKind::Personen})
        names.push_back(velk::syncKindName(k));
    for (const std::string &n : names) {
        ASSERT_FALSE(n.empty());
        // a whole word: after a blank or a bracket
        bool named =
            usage.find(" " + n) != std::string::npos || usage.find("[" + n) != std::string::npos;
        EXPECT_TRUE(named) << n << " missing in\n" << usage;
    }
}

} // namespace
