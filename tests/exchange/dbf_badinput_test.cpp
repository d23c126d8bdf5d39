// dBASE files that are not what they claim: each must be refused with its code and nothing read
// past what the file holds; and writes that fail must leave no file that looks complete.
#include "exchange/dbf.h"
#include "tests/btree/process_support.h"
#include "tests/btree/files_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <dirent.h>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace velk;
using velk::apptest::Bytes;

namespace {

// Two fields (NAME C 10, AGE N 3), two records: header 97 bytes, records 14, file 126.
Bytes goodFile(const std::string &path)
{
    tCreateDBF layout;
    layout.addField("NAME", 'C', 10);
    layout.addField("AGE", 'N', 3);
    tDBF dbf;
    EXPECT_TRUE(dbf.openNew(layout, path));
    for (const char *name : {"Anna", "Bert"}) {
        dbf.append();
        dbf.setText(0, name);
        dbf.setNumber(1, 42);
    }
    EXPECT_TRUE(dbf.close());
    return velk::apptest::readFileBytes(path);
}

void put16(Bytes &b, size_t at, unsigned v) { b[at] = v & 0xFF, b[at + 1] = v >> 8; }
void put32(Bytes &b, size_t at, unsigned long v)
{
    for (int i = 0; i < 4; i++) b[at + i] = (v >> (8 * i)) & 0xFF;
}

std::vector<std::string> filesIn(const std::string &dir)
{
    std::vector<std::string> names;
    DIR *d = opendir(dir.c_str());
    while (dirent *e = d ? readdir(d) : nullptr)
        if (e->d_name[0] != '.') names.push_back(e->d_name);
    if (d) closedir(d);
    return names;
}

} // namespace

TEST(DbfBadInput, DamagedFilesAreRefusedWithTheirCode)
{
    velk::apptest::TempDir dir;
    const Bytes good = goodFile(dir.file("good.dbf"));
    ASSERT_EQ(good.size(), 126u);
    const struct {
        const char *what;
        std::function<void(Bytes &)> damage;
        int code;
    } cases[] = {
        {"empty file", [](Bytes &b) { b.clear(); }, kDbfNoHeader},
        {"shorter than the header", [](Bytes &b) { b.resize(31); }, kDbfNoHeader},
        {"a text file", [](Bytes &b) { b.assign(200, 'h'); }, kDbfBadHeader},
        {"unknown version", [](Bytes &b) { b[0] = 0x02; }, kDbfBadHeader},
        {"header longer than the file", [](Bytes &b) { put16(b, 8, 4000); }, kDbfBadHeader},
        {"header without a field", [](Bytes &b) { put16(b, 8, 33); }, kDbfBadHeader},
        {"first descriptor ends the header", [](Bytes &b) { b[32] = 0x0D; }, kDbfBadHeader},
        {"record length 1", [](Bytes &b) { put16(b, 10, 1); }, kDbfBadHeader},
        {"fields longer than the record", [](Bytes &b) { put16(b, 10, 13); }, kDbfBadHeader},
        {"field length 0", [](Bytes &b) { b[64 + 16] = 0; }, kDbfBadHeader},
        {"field length 255", [](Bytes &b) { b[64 + 16] = 255; }, kDbfBadHeader},
        {"one record more than the file", [](Bytes &b) { put32(b, 4, 3); }, kDbfBadHeader},
        {"record count near 2^32", [](Bytes &b) { put32(b, 4, 0xFFFFFFFF); }, kDbfBadHeader},
        {"record length beyond the file", [](Bytes &b) { put16(b, 10, 60000); }, kDbfBadHeader},
        {"last record cut short", [](Bytes &b) { b.resize(b.size() - 2); }, kDbfBadHeader},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Bytes b = good;
        c.damage(b);
        velk::apptest::writeFileBytes(dir.file("bad.dbf"), b);
        tDBF dbf;
        EXPECT_FALSE(dbf.open(dir.file("bad.dbf")));
        EXPECT_EQ(dbf.lastError(), c.code);
        EXPECT_FALSE(dbf.isOpen());
        EXPECT_EQ(dbf.recordCount(), 0);
        EXPECT_EQ(dbf.fieldCount(), 0);
        EXPECT_EQ(dbf.getText(0), "");
        EXPECT_FALSE(dbf.append());
    }
}

TEST(DbfBadInput, SoundVariantsOpen)
{
    velk::apptest::TempDir dir;
    const Bytes good = goodFile(dir.file("good.dbf"));
    const struct {
        const char *what;
        std::function<void(Bytes &)> change;
        long records;
    } cases[] = {
        {"no end marker", [](Bytes &b) { b.pop_back(); }, 2},
        {"bytes after the end marker", [](Bytes &b) { b.insert(b.end(), 50, 'x'); }, 2},
        {"fewer records counted than held", [](Bytes &b) { put32(b, 4, 1); }, 1},
        {"dBASE III with memo", [](Bytes &b) { b[0] = 0x83; }, 2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Bytes b = good;
        c.change(b);
        velk::apptest::writeFileBytes(dir.file("ok.dbf"), b);
        tDBF dbf;
        ASSERT_TRUE(dbf.open(dir.file("ok.dbf")));
        EXPECT_EQ(dbf.recordCount(), c.records);
        EXPECT_EQ(dbf.getText(0), "Anna");
        EXPECT_EQ(dbf.getNumber(1), 42);
    }
}

TEST(DbfBadInput, FilesThatCannotBeOpenedOrCreated)
{
    velk::apptest::TempDir dir;
    tDBF dbf;
    EXPECT_FALSE(dbf.open(dir.file("missing.dbf")));
    EXPECT_EQ(dbf.lastError(), kDbfCannotOpen);
    EXPECT_FALSE(dbf.open(dir.path()));
    EXPECT_EQ(dbf.lastError(), kDbfNotRegular) << "a directory";
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    EXPECT_FALSE(dbf.open(dir.file("fifo"))) << "a FIFO neither hangs nor opens";
    EXPECT_EQ(dbf.lastError(), kDbfNotRegular);

    tCreateDBF layout;
    layout.addField("A", 'C', 1);
    EXPECT_EQ(layout.create(dir.file("no/such/dir/x.dbf")), kDbfCannotOpen);
    EXPECT_FALSE(dbf.openNew(layout, dir.file("no/such/dir/x.dbf")));
    EXPECT_EQ(dbf.lastError(), kDbfCannotOpen);
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"fifo"});
}

TEST(DbfBadInput, AFileThatShrinksWhileOpenReadsNothingUnsound)
{
    velk::apptest::TempDir dir;
    goodFile(dir.file("f.dbf"));
    tDBF dbf;
    ASSERT_TRUE(dbf.open(dir.file("f.dbf")));
    velk::apptest::truncateFile(dir.file("f.dbf"), 100);
    EXPECT_FALSE(dbf.goTo(1));
    EXPECT_EQ(dbf.lastError(), kDbfReadFailed);
    EXPECT_TRUE(dbf.eof());
    EXPECT_EQ(dbf.getText(0), "");
}

// A write that fails in the middle of a file: no file of the target name, no temporary file,
// and an older file of that name as it was.
TEST(DbfBadInput, AFailedWriteLeavesNoFileThatLooksComplete)
{
    velk::apptest::TempDir dir;
    const std::string target = dir.file("out.dbf");
    velk::apptest::writeFileBytes(target, Bytes{'o', 'l', 'd'});
    pid_t child = velk::apptest::spawn([&] {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        tCreateDBF layout;
        layout.addField("TEXT", 'C', 100);
        tDBF dbf;
        if (!dbf.openNew(layout, target)) return 1;
        bool appended = true;
        for (int i = 0; i < 100 && appended; i++) {
            appended = dbf.append();
            dbf.setText(0, "a record of a hundred bytes");
        }
        if (appended || dbf.lastError() != kDbfWriteFailed) return 2;
        return dbf.close() ? 3 : 0;
    });
    EXPECT_EQ(velk::apptest::waitFor(child), 0);
    EXPECT_EQ(velk::apptest::readFileBytes(target), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"out.dbf"});
}
