// The programs on a share that does not enforce locks, played by the fcntl shim in front of each
// (LD_PRELOAD, VELK_LOCKSHIM): every lock request answered ENOLCK, or EINVAL, or granted without
// asking the kernel.  For each such share and each program: the probe says so, velk-exchange and
// the program's start refuse with the message that names the directory and create no database,
// velk-check verifies but says the same and a repair changes nothing; without the shim all of
// them work as before.  No probe file stays behind.
#include <cstdlib>
#include <dirent.h>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/share_locks.h"
#include "tests/btree/files_support.h"
#include "tests/tools/exchange_run.h"

using namespace velk;
using namespace velk::apptest;
using namespace velk::tooltest;

namespace {

enum class tProgram { Probe, Exchange, Check, Repair, Start };

struct tShare {
    const char *mode;  // "" runs without the shim
    const char *why;   // what the probe reports
    const char *grund; // the same in the program's German message
};

const tShare kShares[] = {
    {"", "", ""},
    {"enolck", "ENOLCK", "ENOLCK"},
    {"einval", "EINVAL", "EINVAL"},
    {"grant", "conflicting lock granted", "eine zweite, widersprechende Sperre wurde gewährt"},
};

struct tCase {
    tShare share;
    tProgram program;
};

std::string programName(tProgram p)
{
    switch (p) {
    case tProgram::Probe:
        return "Probe";
    case tProgram::Exchange:
        return "Exchange";
    case tProgram::Check:
        return "Check";
    case tProgram::Repair:
        return "Repair";
    case tProgram::Start:
        return "Start";
    }
    return "";
}

void PrintTo(const tCase &c, std::ostream *os)
{
    *os << (*c.share.mode ? c.share.mode : "locks") << " " << programName(c.program);
}

std::vector<tCase> allCases()
{
    std::vector<tCase> cases;
    for (const tShare &s : kShares)
        for (tProgram p : {tProgram::Probe, tProgram::Exchange, tProgram::Check, tProgram::Repair,
                           tProgram::Start})
            cases.push_back({s, p});
    return cases;
}

// Sets a variable of this process (inherited by the children it starts) until destruction.
class tEnv {
public:
    tEnv(const char *name, const std::string &value) : name_(name)
    {
        const char *old = getenv(name);
        had_ = old != nullptr;
        if (had_) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~tEnv()
    {
        if (had_)
            setenv(name_, old_.c_str(), 1);
        else
            unsetenv(name_);
    }
    tEnv(const tEnv &) = delete;
    tEnv &operator=(const tEnv &) = delete;

private:
    const char *name_;
    bool had_ = false;
    std::string old_;
};

// Runs argv with the shim in front when the share asks for it.
tRun runOn(const tShare &share, const std::vector<std::string> &argv, const std::string &input)
{
    if (!*share.mode) return runProcess(argv, input);
    const char *asan = getenv("ASAN_OPTIONS");
    tEnv preload("LD_PRELOAD", VELK_SHIM_LIB);
    tEnv mode("VELK_LOCKSHIM", share.mode);
    // A program built with the sanitizers starts with the shim before their runtime.
    tEnv sanitizer("ASAN_OPTIONS",
                   std::string(asan && *asan ? asan : "") + ":verify_asan_link_order=0");
    return runProcess(argv, input);
}

bool hasProbeFile(const std::string &dir)
{
    bool found = false;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *e = readdir(d))
            if (std::string(e->d_name).rfind(".velk-lockprobe-", 0) == 0) found = true;
        closedir(d);
    }
    return found;
}

class LockProbeToolTest : public ::testing::TestWithParam<tCase> {
protected:
    // A database made by velk-exchange without the shim, for velk-check.
    void makeDatabase()
    {
        tRun made = runProcess({VELK_EXCHANGE_BIN, "--password-stdin", dir, "export",
                                "personen-txt", tmp.file("made.txt")},
                               "x\n");
        ASSERT_EQ(made.code(), 0) << made.output;
    }
    std::string german(const tShare &s) const
    {
        return "Das Verzeichnis „" + dir + "“ sperrt keine Dateibereiche (" + s.grund + ").";
    }
    std::string checkLine(const tShare &s) const
    {
        return "velk-check: " + dir + ": sein Dateisystem setzt keine Bereichssperren durch (" +
               s.why + ")";
    }

    TempDir tmp;
    TempDir other; // INI files and exports, away from the database directory
    const std::string dir = tmp.path();
    LockProbeToolTest() : lsan("LSAN_OPTIONS", "suppressions=" VELK_LSAN_SUPP) {}
    tEnv lsan;
};

} // namespace

TEST_P(LockProbeToolTest, RefusesOnAShareWithoutLocksAndWorksWithThem)
{
    const tShare &share = GetParam().share;
    const bool locks = !*share.mode;
    const std::string dict = tmp.file("datadict.dat");
    tRun r;
    switch (GetParam().program) {
    case tProgram::Probe:
        r = runOn(share, {VELK_PROBE_BIN, dir}, "");
        EXPECT_EQ(r.code(), 0);
        EXPECT_EQ(r.output,
                  locks ? "0 3 \n"
                        : "1 " + std::string(*share.mode == 'g' ? "4 " : "1 ") + share.why + "\n");
        break;
    case tProgram::Exchange:
        r = runOn(share,
                  {VELK_EXCHANGE_BIN, "--password-stdin", dir, "export", "personen-txt",
                   other.file("out.txt")},
                  "x\n");
        EXPECT_EQ(r.code(), locks ? 0 : 2) << r.output;
        if (!locks) {
            EXPECT_EQ(r.output, "velk-exchange: " + unlockedShareText(dir, share.why) + "\n");
            EXPECT_NE(r.output.find(german(share)), std::string::npos) << r.output;
        }
        EXPECT_EQ(fileExists(dict), locks); // refused before the database is made
        break;
    case tProgram::Check:
        makeDatabase();
        r = runOn(share, {VELK_CHECK_BIN, dir}, "");
        EXPECT_EQ(r.code(), locks ? 0 : 4) << r.output;
        EXPECT_NE(r.output.find(": in Ordnung"), std::string::npos)
            << r.output; // verified all the same
        EXPECT_EQ(r.output.find(checkLine(share)) != std::string::npos, !locks) << r.output;
        break;
    case tProgram::Repair: {
        makeDatabase();
        const std::vector<int32_t> before = headerWords(dict, 0);
        r = runOn(share, {VELK_CHECK_BIN, "--repair", dir}, "");
        EXPECT_EQ(r.code(), locks ? 0 : 4) << r.output;
        EXPECT_EQ(r.output.find(checkLine(share)) != std::string::npos, !locks) << r.output;
        if (!locks) {
            EXPECT_NE(r.output.find("Nichts wurde geändert."), std::string::npos) << r.output;
        }
        EXPECT_EQ(headerWords(dict, 0), before);
        break;
    }
    case tProgram::Start:
        r = runOn(share, {VELK_START_BIN, dir, other.file("VELK.INI")}, "");
        EXPECT_EQ(r.code(), locks ? 0 : 1) << r.output;
        if (locks) {
            EXPECT_EQ(r.output.find("message:"), std::string::npos) << r.output;
        } else {
            // Qt may say something of its own first; the one message is the refusal.
            const std::string message = "message: " + unlockedShareText(dir, share.why) + "\n";
            EXPECT_EQ(r.output.substr(r.output.find("message:")), message);
        }
        EXPECT_EQ(fileExists(dict), locks); // refused before the dictionary is opened
        break;
    }
    EXPECT_FALSE(hasProbeFile(dir));
}

INSTANTIATE_TEST_SUITE_P(Shares, LockProbeToolTest, ::testing::ValuesIn(allCases()),
                         [](const auto &info) {
                             const char *mode = info.param.share.mode;
                             return std::string(*mode ? mode : "locks") +
                                    programName(info.param.program);
                         });
