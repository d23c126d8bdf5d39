// check_support.h - database directories for the tests of velk-check.
//
// A directory gets a table-shaped file set "PERSON" (40-byte records: ID 8 bytes unique, NAME 20
// bytes with duplicates, CODE 6 bytes unique, 6 bytes of other data) and a text-store shaped
// variable-length set "blob" (16-byte character key), made and filled through the engine.  The
// tests then damage a file byte by byte and run the checker, in this process or as the binary.
#ifndef VELK_TESTS_TOOLS_CHECK_SUPPORT_H
#define VELK_TESTS_TOOLS_CHECK_SUPPORT_H

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "btree/btree.h"
#include "tests/btree/files_support.h"
#include "btree/check/velk_check.h"

namespace velk {

namespace checktest {

using velk::apptest::Bytes;

enum { kRecLen = 40, kRecStored = kRecLen + 4, kDataStart = 340 + 1024 };

inline const int kPersonKeys[] = {
    0,  8, LIO_KEY_BINARY, 8,  20, int(LIO_KEY_BINARY) | int(BT3_DUPS),
    28, 6, LIO_KEY_BINARY, -1, 0,  0};
inline const int kBlobKeys[] = {0, 16, LIO_KEY_CHAR, -1, 0, 0};

// The record of person i: ID "P0000007", a name shared by every third person, CODE "C00007".
inline std::string personRecord(int i, const std::string &name = "")
{
    char buf[kRecLen + 8];
    std::snprintf(buf, sizeof buf, "P%07u%-20.20sC%05u%-6s", unsigned(i) % 10000000u,
                  (name.empty() ? "Name" + std::to_string(i % 3) : name).c_str(),
                  unsigned(i) % 100000u, "x");
    return std::string(buf, kRecLen);
}

inline std::string textRecord(int i)
{
    char key[17];
    std::snprintf(key, sizeof key, "%-16s", ("T" + std::to_string(i)).c_str());
    return std::string(key, 16) + std::string(size_t(20 + 37 * (i % 7)), char('a' + i % 26)) + '\0';
}

inline std::string checkOutput; // stdout and stderr of the last runCheck

// Runs the binary on dir with an optional option, without PROCFILE and, when given, in the
// working directory cwd; answers its exit code (-1: did not exit).
inline int runCheck(const std::string &dir, const std::string &option = "",
                    const std::string &cwd = "")
{
    std::string cmd = (cwd.empty() ? "" : "cd '" + cwd + "' && ") + "env -u PROCFILE " +
                      std::string(VELK_CHECK_BIN) + " " + option + " '" + dir + "' 2>&1";
    checkOutput.clear();
    FILE *p = popen(cmd.c_str(), "r");
    if (!p) return -1;
    char buf[512];
    while (fgets(buf, sizeof buf, p)) checkOutput += buf;
    int st = pclose(p);
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

inline std::string describe(const velkcheck::tResult &r)
{
    std::string s = "code " + std::to_string(r.code) + ": " + r.message + "\n";
    for (const auto &f : r.findings) s += "  " + f.file + ": " + f.what + " (" + f.where + ")\n";
    for (const auto &a : r.actions) s += "  done: " + a + "\n";
    return s;
}

inline bool mentions(const velkcheck::tResult &r, const std::string &file, const std::string &text)
{
    for (const auto &f : r.findings)
        if (f.file == file && (f.what + " " + f.where).find(text) != std::string::npos) return true;
    return false;
}

class CheckTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        lioInit();
        lioClearErr();
        setenv("PROCFILE", dir_.file("proc.id").c_str(), 1);
    }
    void TearDown() override { unsetenv("PROCFILE"); }

    std::string path(const std::string &name) const { return dir_.file(name); }

    // PERSON with persons 1..n (exclusive mode, closed cleanly).
    void makePersons(int n)
    {
        ASSERT_EQ(bt3Creat(path("PERSON").c_str(), kRecLen, kPersonKeys), 0);
        Bt3File *f = bt3Open(path("PERSON").c_str(), LIO_EXCL | LIO_RDWR);
        ASSERT_NE(f, nullptr);
        char *buf = bt3GetBuff(f, 0);
        for (int i = 1; i <= n; ++i) {
            std::string r = personRecord(i);
            std::copy(r.begin(), r.end(), buf);
            ASSERT_EQ(bt3Add(f, buf), kRecLen) << i;
        }
        bt3FreeBuff(buf);
        ASSERT_EQ(bt3Close(f), 0);
    }

    void makeBlob(int n)
    {
        ASSERT_EQ(bt3VlCreate(path("blob").c_str(), kBlobKeys, 16, 32768, 128), 0);
        Bt3File *f = bt3Open(path("blob").c_str(), LIO_EXCL | LIO_RDWR);
        ASSERT_NE(f, nullptr);
        char *buf = bt3GetBuff(f, 10000);
        for (int i = 1; i <= n; ++i) {
            std::string r = textRecord(i);
            std::copy(r.begin(), r.end(), buf);
            ASSERT_EQ(bt3VlAdd(f, buf, int(r.size())), int(r.size())) << i;
        }
        bt3FreeBuff(buf);
        ASSERT_EQ(bt3Close(f), 0);
    }

    // The records a file set yields in its first index after opening it shared read/write.
    std::vector<std::string> contents(const std::string &name, int len = kRecLen)
    {
        std::vector<std::string> out;
        Bt3File *f = bt3Open(path(name).c_str(), LIO_SHARED | LIO_RDWR);
        EXPECT_NE(f, nullptr) << name << " does not open shared, error "
                              << (lioLastErr() ? lioLastErr()->code : 0);
        if (!f) return out;
        char *buf = bt3GetBuff(f, 10000);
        for (int n = bt3Start(f, buf); n > 0; n = bt3Next(f, buf)) {
            if (bt3Status(f) == BT3_ATEND) break;
            out.emplace_back(buf, size_t(len > 0 ? len : n));
        }
        bt3FreeBuff(buf);
        EXPECT_EQ(bt3Close(f), 0);
        return out;
    }

    std::vector<std::string> persons(std::initializer_list<int> ids)
    {
        std::vector<std::string> out;
        for (int i : ids) out.push_back(personRecord(i));
        return out;
    }

    // Repairs and expects a clean result, printing what was done otherwise.
    void repairClean()
    {
        velkcheck::tResult r = velkcheck::repairDir(dir_.path());
        EXPECT_EQ(r.code, velkcheck::Clean) << describe(r);
        velkcheck::tResult v = velkcheck::verifyDir(dir_.path());
        EXPECT_EQ(v.code, velkcheck::Clean) << describe(v);
    }

    velk::apptest::TempDir dir_;
};

} // namespace checktest

} // namespace velk

#endif
