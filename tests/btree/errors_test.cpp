// The process-wide error state: the codes creation reports, the one-line report, the trace of
// a failure several calls deep, and the message tables of later layers.
#include <cstdio>
#include <functional>

#include "tests/btree/engine_support.h"

namespace velk::apptest {
namespace {

std::string report()
{
    char buf[512];
    std::memset(buf, 0, sizeof buf);
    lioErrReport(buf, sizeof buf);
    return buf;
}

std::string expectedReport(const LioErr &e)
{
    char buf[512];
    std::snprintf(buf, sizeof buf, "Error %4d (line %4d, %s): %s", e.code, e.line, e.module,
                  lioErrMsg(e.code));
    return buf;
}

std::string traceReport()
{
    FILE *f = std::tmpfile();
    if (!f) return "";
    lioTraceReport(f);
    std::fflush(f);
    std::rewind(f);
    std::string s;
    for (int c; (c = std::fgetc(f)) != EOF;) s += char(c);
    std::fclose(f);
    return s;
}

std::vector<std::string> lines(const std::string &s)
{
    std::vector<std::string> out;
    size_t at = 0;
    for (size_t nl; (nl = s.find('\n', at)) != std::string::npos; at = nl + 1)
        out.push_back(s.substr(at, nl - at));
    if (at < s.size()) out.push_back(s.substr(at));
    return out;
}

std::string rtrim(std::string s)
{
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

const char kHeading[] = "\nModule         Function         Line   Message\n";

// ---- codes of refused creations ----

struct CreateCase {
    const char *name;
    int keyLen, type, maxFiles;
    int code; // 0: the creation succeeds
    int storedKeyLen;
};

class CreateCodeTest : public EngineTest, public ::testing::WithParamInterface<CreateCase> {};

TEST_P(CreateCodeTest, CreationAnswersTheCode)
{
    const CreateCase &c = GetParam();
    const std::string p = dir_.file("index");
    lioClearErr();
    const int r = lioCreat(p.c_str(), c.keyLen, c.type, 0, c.maxFiles);
    if (c.code) {
        EXPECT_EQ(r, -1);
        EXPECT_EQ(lastCode(), c.code);
        return;
    }
    ASSERT_EQ(r, 0) << lastCode();
    EXPECT_EQ(headerWord(p, 0, LIO_H_KEYLEN), c.storedKeyLen);
    EXPECT_EQ(headerWord(p, 0, LIO_H_MAXFILES), c.maxFiles);
    EXPECT_EQ(fileSize(p), 340L * c.maxFiles);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CreateCodeTest,
    ::testing::Values(
        CreateCase{"NoSubFiles", 8, LIO_KEY_BINARY, 0, LIO_E_MAXFILES, 0},
        CreateCase{"ElevenSubFiles", 8, LIO_KEY_BINARY, 11, LIO_E_MAXFILES, 0},
        CreateCase{"TenSubFiles", 8, LIO_KEY_BINARY, 10, 0, 8},
        CreateCase{"KeyOf101", 101, LIO_KEY_BINARY, 1, LIO_E_KEYSIZE, 0},
        CreateCase{"KeyOf100", 100, LIO_KEY_BINARY, 1, 0, 100},
        CreateCase{"DupKeyOf97", 97, LIO_KEY_CHAR | LIO_KEY_DUPS, 1, LIO_E_KEYSIZE, 0},
        CreateCase{"DupKeyOf96", 96, LIO_KEY_CHAR | LIO_KEY_DUPS, 1, 0, 100},
        CreateCase{"CallerDupKeyOf97", 97, LIO_KEY_CHAR | LIO_KEY_DUPS | LIO_KEY_CALLERDUP, 1,
                   LIO_E_KEYSIZE, 0},
        CreateCase{"IntKeySizeCheckedBeforeForcing", 101, LIO_KEY_INT, 1, LIO_E_KEYSIZE, 0},
        CreateCase{"FloatKey", 8, 2, 1, LIO_E_FLOAT, 0},
        CreateCase{"FloatDupKey", 8, 2 | LIO_KEY_DUPS, 1, LIO_E_FLOAT, 0}),
    [](const ::testing::TestParamInfo<CreateCase> &info) { return info.param.name; });

TEST_F(EngineTest, EleventhSubFileIsRefused)
{
    const std::string p = dir_.file("index");
    ASSERT_EQ(lioCreat(p.c_str(), 8, LIO_KEY_BINARY, 0, 10), 0);
    OpenFile f(lioOpen(p.c_str(), LIO_EXCL | LIO_RDWR));
    ASSERT_NE(f.get(), nullptr);
    for (int n = 2; n <= 10; ++n)
        ASSERT_NE(lioInxCreat(f.get(), 4 + n, LIO_KEY_CHAR), nullptr) << n;
    lioClearErr();
    EXPECT_EQ(lioInxCreat(f.get(), 4, LIO_KEY_CHAR), nullptr);
    EXPECT_EQ(lastCode(), LIO_E_MAXFILES);
    lioClearErr();
    EXPECT_EQ(lioSubFile(f.get(), 11), nullptr);
    ASSERT_NE(lioSubFile(f.get(), 10), nullptr);
    ASSERT_EQ(f.close(), 0);
    EXPECT_EQ(headerWord(p, 0, LIO_H_NFILES), 10);
    EXPECT_EQ(headerWord(p, 9, LIO_H_KEYLEN), 14);
    EXPECT_EQ(fileSize(p), 3400);
}

TEST_F(EngineTest, RefusedSubFileLeavesTheFileAsItWas)
{
    const std::string p = dir_.file("index");
    ASSERT_EQ(lioCreat(p.c_str(), 8, LIO_KEY_BINARY, 0, 3), 0);
    OpenFile f(lioOpen(p.c_str(), LIO_EXCL | LIO_RDWR));
    ASSERT_NE(f.get(), nullptr);
    EXPECT_EQ(lioInxCreat(f.get(), 97, LIO_KEY_CHAR | LIO_KEY_DUPS), nullptr);
    EXPECT_EQ(lastCode(), LIO_E_KEYSIZE);
    EXPECT_EQ(lioInxCreat(f.get(), 8, 2), nullptr);
    EXPECT_EQ(lastCode(), LIO_E_FLOAT);
    EXPECT_EQ(lioSubFile(f.get(), 2), nullptr);
    ASSERT_EQ(f.close(), 0);
    EXPECT_EQ(headerWord(p, 0, LIO_H_NFILES), 1);
    EXPECT_EQ(fileRange(p, 340, 1020), Bytes(680, 0));
}

// ---- the one-line report ----

TEST_F(EngineTest, RecordFileErrorReportsCodeLineModuleAndMessage)
{
    const std::string p = dir_.file("data");
    ASSERT_EQ(lioCreat(p.c_str(), 16, LIO_DATAFILE, 0, 1), 0);
    lioClearErr();
    ASSERT_EQ(lioCreat(p.c_str(), 16, LIO_DATAFILE, 0, 1), -1);
    const LioErr e = *lioLastErr();
    EXPECT_EQ(e.code, LIO_E_EXISTS);
    EXPECT_EQ(e.func, 100);
    EXPECT_STREQ(e.module, "flen3.cpp");
    EXPECT_GT(e.line, 0);
    EXPECT_STREQ(lioErrMsg(LIO_E_EXISTS), "file exists already");
    EXPECT_EQ(report(), expectedReport(e));
    EXPECT_EQ(report().rfind("Error   10 (line ", 0), 0u);
}

TEST_F(EngineTest, BtreeErrorReportsItsOwnModule)
{
    const std::string p = dir_.file("index");
    ASSERT_EQ(lioCreat(p.c_str(), 4, LIO_KEY_BINARY, 0, 1), 0);
    OpenFile f(lioOpen(p.c_str(), LIO_EXCL | LIO_RDWR));
    ASSERT_NE(f.get(), nullptr);
    lioClearErr();
    ASSERT_EQ(lioSearch(f.get(), binKey(1).data()), -1);
    const LioErr e = *lioLastErr();
    EXPECT_EQ(e.code, LIO_E_EMPTY);
    EXPECT_EQ(e.func, 200);
    EXPECT_STREQ(e.module, "btreev33.cpp");
    EXPECT_EQ(report(), expectedReport(e));
    EXPECT_NE(report().find("): File is empty"), std::string::npos) << report();
}

// ---- the trace ----

// Order 1, keys 1..3: root [2] with leaves [1] and [3].  The root's p0 is bent out of the file, so
// a search for 1 fails reading the leaf, below the search recursion, below lioSearch.
TEST_F(EngineTest, FailureThreeCallsDeepTracesMessageOnlyAtTheInnermost)
{
    const std::string p = dir_.file("index");
    {
        OrderGuard guard(1);
        ASSERT_EQ(lioCreat(p.c_str(), 4, LIO_KEY_BINARY, 0, 1), 0);
    }
    {
        OpenFile f(lioOpen(p.c_str(), LIO_EXCL | LIO_RDWR));
        ASSERT_NE(f.get(), nullptr);
        for (uint32_t k = 1; k <= 3; ++k)
            ASSERT_EQ(lioInsert(f.get(), binKey(k).data(), int(k)), int(k));
    }
    const long root = headerWord(p, 0, LIO_H_ROOT);
    setFileWord(p, root + 1, 0x40000000);
    OpenFile f(lioOpen(p.c_str(), LIO_EXCL | LIO_RDWR));
    ASSERT_NE(f.get(), nullptr);

    LioErr trace[LIO_TRACE_MAX];
    lioClearErr();
    ASSERT_EQ(lioTrace(trace, LIO_TRACE_MAX), 0) << "clearing empties the trace";
    ASSERT_EQ(lioSearch(f.get(), binKey(1).data()), -1);

    const int n = lioTrace(trace, LIO_TRACE_MAX);
    ASSERT_GE(n, 3);
    const LioErr &inner = trace[n - 1];
    EXPECT_EQ(inner.code, LIO_E_RECNO) << "the innermost entry carries the error";
    for (int i = 0; i < n - 1; ++i) EXPECT_EQ(trace[i].code, 0) << "caller entry " << i;
    EXPECT_EQ(trace[0].func, 200) << "the newest entry is lioSearch itself";
    EXPECT_STREQ(trace[0].module, "btreev33.cpp");
    const LioErr *last = lioLastErr();
    EXPECT_EQ(last->code, LIO_E_RECNO) << "caller entries leave the last error alone";
    EXPECT_EQ(last->line, inner.line);
    EXPECT_STREQ(last->module, inner.module);

    const std::string text = traceReport();
    ASSERT_EQ(text.rfind(kHeading, 0), 0u) << text;
    const std::vector<std::string> rows = lines(text.substr(sizeof kHeading - 1));
    ASSERT_EQ(rows.size(), size_t(n + 1)) << text;
    EXPECT_EQ(rows[0], std::string(62, '-'));
    for (int i = 0; i < n; ++i) {
        const std::string &row = rows[size_t(i + 1)];
        ASSERT_GE(row.size(), 34u) << row;
        char lineField[8];
        std::snprintf(lineField, sizeof lineField, "%5d", trace[i].line);
        EXPECT_EQ(rtrim(row.substr(0, 15)), trace[i].module) << row;
        EXPECT_EQ(row.substr(30, 5), lineField) << row;
        const std::string name = rtrim(row.substr(15, 15));
        EXPECT_TRUE(name.size() > 2 && name.find("()") != std::string::npos) << row;
        const std::string message = row.size() > 39 ? rtrim(row.substr(39)) : "";
        if (i == n - 1)
            EXPECT_EQ(message, "Bad record number") << row;
        else
            EXPECT_EQ(message, "") << row;
    }
    EXPECT_EQ(rtrim(rows[1].substr(15, 15)), "lioSearch()");
}

TEST_F(EngineTest, TraceKeepsTheFifteenNewestEntriesNewestFirst)
{
    const std::string p = dir_.file("data");
    ASSERT_EQ(lioCreat(p.c_str(), 16, LIO_DATAFILE, 0, 1), 0);
    OpenFile f(lioOpen(p.c_str(), LIO_EXCL | LIO_RDWR));
    ASSERT_NE(f.get(), nullptr);
    lioClearErr();
    for (int i = 0; i < 20; ++i) { // even: lioSetOrder (212), odd: lioDup on a data file (229)
        if (i % 2 == 0)
            ASSERT_EQ(lioSetOrder(50 + i), -1);
        else
            ASSERT_EQ(lioDup(f.get()), -1);
    }
    LioErr trace[LIO_TRACE_MAX + 5];
    ASSERT_EQ(lioTrace(trace, LIO_TRACE_MAX + 5), LIO_TRACE_MAX);
    for (int k = 0; k < LIO_TRACE_MAX; ++k) {
        EXPECT_EQ(trace[k].code, LIO_E_BADARG) << k;
        EXPECT_EQ(trace[k].func, (19 - k) % 2 == 0 ? 212 : 229) << k;
    }
    LioErr few[4];
    ASSERT_EQ(lioTrace(few, 4), 4);
    EXPECT_EQ(few[0].func, 229);
    EXPECT_EQ(few[1].func, 212);
    EXPECT_EQ(lioSetOrder(0), LIO_DEFORDER) << "refused orders changed nothing";

    lioClearErr();
    EXPECT_EQ(lastCode(), 0);
    EXPECT_EQ(lioTrace(trace, LIO_TRACE_MAX), 0);
    EXPECT_EQ(traceReport(), std::string(kHeading) + std::string(62, '-') + "\n");
}

// ---- message tables of later layers ----

TEST_F(EngineTest, RegisteredTableNamesFunctionsAndMessages)
{
    // Names are printed as the table writes them.
    static const char *const entries[] = {"bt3Open()", "bt3Close()", "no such table", "table busy"};
    ASSERT_EQ(lioRegisterMessages(300, entries, 2, 4), 0);
    EXPECT_STREQ(lioErrMsg(302), "no such table");
    EXPECT_STREQ(lioErrMsg(303), "table busy");
    EXPECT_STREQ(lioErrMsg(304), "");
    lioClearErr();
    lioRecordErr("isamv3.cpp", 301, 303, 77);
    lioRecordErr("model.cpp", 300, 0, 12);
    const LioErr *e = lioLastErr();
    EXPECT_EQ(e->code, 303);
    EXPECT_EQ(e->func, 301);
    EXPECT_EQ(e->line, 77);
    EXPECT_STREQ(e->module, "isamv3.cpp");
    EXPECT_EQ(report(), "Error  303 (line   77, isamv3.cpp): table busy");
    const std::vector<std::string> rows = lines(traceReport().substr(sizeof kHeading - 1));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rtrim(rows[1]), "model.cpp      bt3Open()         12");
    EXPECT_EQ(rows[2], "isamv3.cpp     bt3Close()        77    table busy");
}

} // namespace
} // namespace velk::apptest
