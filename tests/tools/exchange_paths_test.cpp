// velk-exchange on names that are not plain files: directories, FIFOs, devices, symbolic links,
// files the user cannot read or write, and an interrupt at any moment.  Real processes on a
// database directory made here; after each run velk-check must find the database clean.
#include "tests/btree/files_support.h"
#include "tests/tools/exchange_run.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace velk::tooltest;
using velk::apptest::TempDir;

namespace {

std::string ics(const std::string &uid)
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:" + uid +
           "\r\nDTSTART:20260801T100000\r\nDTEND:20260801T110000\r\nSUMMARY:Treffen " + uid +
           "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
}

void writeText(const std::string &path, const std::string &text)
{
    FILE *f = fopen(path.c_str(), "wb");
    ASSERT_TRUE(f) << path;
    fputs(text.c_str(), f);
    fclose(f);
}

std::string readText(const std::string &path)
{
    velk::apptest::Bytes b = velk::apptest::readFileBytes(path);
    return std::string(b.begin(), b.end());
}

mode_t linkMode(const std::string &path)
{
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

class ExchangePathsTest : public ::testing::Test {
protected:
    // root/  0755: db/ (the database, nobody's), files/ (0777), ro/ (0755, root's)
    void SetUp() override
    {
        root_ = top_.path();
        chmod(root_.c_str(), 0755);
        for (const char *d : {"db", "files", "ro"}) mkdir((root_ + "/" + d).c_str(), 0755);
        chmod(files().c_str(), 0777);
        writeText(files() + "/seed.ics", ics("seed"));
        tRun r = runExchange({db(), "import", "ical", files() + "/seed.ics"});
        ASSERT_EQ(r.code(), 0) << r.output;
        if (canDropToNobody()) {
            for (const auto &e : std::filesystem::recursive_directory_iterator(db()))
                ASSERT_EQ(lchown(e.path().c_str(), kNobody, kNobody), 0);
        }
        ASSERT_EQ(chown(db().c_str(), kNobody, kNobody), 0);
    }

    std::string db() const { return root_ + "/db"; }
    std::string files() const { return root_ + "/files"; }
    std::string ro() const { return root_ + "/ro"; }

    void expectClean()
    {
        std::string report;
        EXPECT_TRUE(checkClean(db(), &report)) << report;
    }

    TempDir top_;
    std::string root_;
};

} // namespace

TEST_F(ExchangePathsTest, OnlyRegularFilesAreReadAndReplaced)
{
    if (!canDropToNobody()) GTEST_SKIP() << "needs root to run the tool as nobody";
    std::string f = files();
    // A regular file the export replaces through a link keeps its mode and owner.
    auto regular = [&](const std::string &name, mode_t mode) {
        writeText(name, ics(name.substr(name.rfind('/') + 1)));
        chmod(name.c_str(), mode);
        ASSERT_EQ(chown(name.c_str(), 0, 0), 0);
    };
    // A device node of our own (the numbers of /dev/full), never the system's: an export that
    // went wrong would replace it.
    bool haveNode = mknod((f + "/fullnode").c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0;
    struct tCase {
        const char *name;
        std::string path; // what the tool gets
        std::function<void()> make;
        bool nobody;    // run as nobody
        int importCode; // -1: no import in this row
        const char *importSays;
        const char *exportKind;
        int exportCode;
        const char *exportSays;
        std::function<void()> after; // the name after the export
    };
    auto stillFifo = [&] { EXPECT_TRUE(S_ISFIFO(linkMode(f + "/fifo"))); };
    const tCase cases[] = {
        {"directory", f, [] {}, false, 2, "keine gew\xC3\xB6hnliche Datei (ein Verzeichnis)",
         "ical", 2, "keine gew\xC3\xB6hnliche Datei (ein Verzeichnis)",
         [&] { EXPECT_TRUE(S_ISDIR(linkMode(f))); }},
        {"fifo", f + "/fifo", [&] { ASSERT_EQ(mkfifo((f + "/fifo").c_str(), 0666), 0); }, false, 2,
         "(eine benannte Pipe)", "ical", 2, "(eine benannte Pipe)", stillFifo},
        {"/dev/zero, read only", "/dev/zero", [] {}, false, 2, "(ein Ger\xC3\xA4t)", nullptr, 0,
         nullptr, nullptr},
        {"own device node", f + "/fullnode", [] {}, false, 2, "(ein Ger\xC3\xA4t)", "ical", 2,
         "(ein Ger\xC3\xA4t)", [&] { EXPECT_TRUE(S_ISCHR(linkMode(f + "/fullnode"))); }},
        {"symlink to a regular file", f + "/link",
         [&] {
             regular(f + "/target.ics", 0640);
             ASSERT_EQ(chown((f + "/target.ics").c_str(), kNobody, kNobody), 0);
             ASSERT_EQ(symlink("target.ics", (f + "/link").c_str()), 0);
         },
         false, 0, "1 Termin gespeichert", "ical", 0, "Termine geschrieben",
         [&] {
             EXPECT_TRUE(S_ISLNK(linkMode(f + "/link")));
             EXPECT_EQ(linkMode(f + "/target.ics"), S_IFREG | 0640);
             struct stat st {};
             ASSERT_EQ(stat((f + "/target.ics").c_str(), &st), 0);
             EXPECT_EQ(st.st_uid, kNobody) << "the owner stays";
             EXPECT_EQ(st.st_gid, kNobody);
             EXPECT_NE(readText(f + "/target.ics").find("Treffen seed"), std::string::npos);
         }},
        {"dangling symlink", f + "/dangling",
         [&] { ASSERT_EQ(symlink("new.ics", (f + "/dangling").c_str()), 0); }, false, 2,
         "die Datei kann nicht gelesen werden", "ical", 0, "Termine geschrieben",
         [&] {
             EXPECT_TRUE(S_ISLNK(linkMode(f + "/dangling")));
             EXPECT_NE(readText(f + "/new.ics").find("Treffen seed"), std::string::npos);
         }},
        {"unreadable file, as nobody", f + "/secret.ics", [&] { regular(f + "/secret.ics", 0600); },
         true, 2, "die Datei kann nicht gelesen werden", "ical", 2, "(schreibgesch\xC3\xBCtzt)",
         [&] {
             EXPECT_EQ(linkMode(f + "/secret.ics"), S_IFREG | 0600);
             EXPECT_EQ(readText(f + "/secret.ics"), ics("secret.ics"));
         }},
        {"file in a read-only directory, as nobody", ro() + "/in.ics",
         [&] { regular(ro() + "/in.ics", 0666); }, true, 0, "1 Termin gespeichert", "ical", 2,
         "kann nicht angelegt werden",
         [&] { EXPECT_EQ(readText(ro() + "/in.ics"), ics("in.ics")); }},
        {"komplett onto a FIFO", f + "/egal",
         [&] { ASSERT_EQ(mkfifo((f + "/TERMIN.DBF").c_str(), 0666), 0); }, false, -1, nullptr,
         "komplett", 2, "TERMIN.DBF: keine gew\xC3\xB6hnliche Datei (eine benannte Pipe)",
         [&] {
             EXPECT_TRUE(S_ISFIFO(linkMode(f + "/TERMIN.DBF")));
             EXPECT_EQ(linkMode(f + "/PERSON.DBF"), 0u) << "nothing written";
         }},
        {"komplett through a symlink", ro() + "/egal",
         [&] {
             ASSERT_EQ(unlink((f + "/TERMIN.DBF").c_str()), 0);
             regular(f + "/termine.dbf", 0604);
             for (const char *t :
                  {"PERSON", "RESOURCE", "GROUP", "MEMBER", "ALARM", "PROJECT", "TASK"})
                 ASSERT_EQ(
                     symlink((f + "/" + t + ".DBF").c_str(), (ro() + "/" + t + ".DBF").c_str()), 0);
             ASSERT_EQ(symlink("../files/termine.dbf", (ro() + "/TERMIN.DBF").c_str()), 0);
         },
         false, -1, nullptr, "komplett", 0, "8 Tabellen geschrieben",
         [&] {
             EXPECT_TRUE(S_ISLNK(linkMode(ro() + "/TERMIN.DBF")));
             EXPECT_EQ(linkMode(f + "/termine.dbf"), S_IFREG | 0604);
             EXPECT_EQ(readText(f + "/termine.dbf")[0], '\x03');
             EXPECT_TRUE(S_ISREG(linkMode(f + "/PERSON.DBF")));
         }},
    };
    for (const tCase &c : cases) {
        SCOPED_TRACE(c.name);
        if (std::string(c.name) == "own device node" && !haveNode) continue;
        c.make();
        if (c.importCode >= 0) {
            tRun r = runExchange({db(), "import", "ical", c.path}, c.nobody);
            EXPECT_EQ(r.code(), c.importCode) << r.output;
            EXPECT_NE(r.output.find(c.importSays), std::string::npos) << r.output;
            EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << r.output;
            expectClean();
        }
        if (c.exportKind) {
            tRun r = runExchange({db(), "export", c.exportKind, c.path}, c.nobody);
            EXPECT_EQ(r.code(), c.exportCode) << r.output;
            EXPECT_NE(r.output.find(c.exportSays), std::string::npos) << r.output;
            c.after();
            expectClean();
        }
    }
    // No temporary file stays behind anywhere.
    for (const std::string &d : {files(), ro()})
        for (const auto &e : std::filesystem::directory_iterator(d))
            EXPECT_NE(e.path().extension(), ".tmp") << e.path();
}

TEST_F(ExchangePathsTest, ADatabaseTheUserCannotWriteIsRefusedUpFront)
{
    if (!canDropToNobody()) GTEST_SKIP() << "needs root to run the tool as nobody";
    ASSERT_EQ(chown(db().c_str(), 0, 0), 0); // the directory is root's, 0755
    writeText(files() + "/n.ics", ics("n"));
    tRun r = runExchange({db(), "import", "ical", files() + "/n.ics"}, true);
    EXPECT_EQ(r.code(), 2) << r.output;
    EXPECT_EQ(r.output,
              "velk-exchange: die Datenbank in " + db() + " kann nicht beschrieben werden\n");
    expectClean();
    // An export only reads: it goes on as before.
    r = runExchange({db(), "export", "ical", files() + "/out.ics"}, true);
    EXPECT_EQ(r.code(), 0) << r.output;
    EXPECT_NE(readText(files() + "/out.ics").find("Treffen seed"), std::string::npos);
    expectClean();
}

TEST_F(ExchangePathsTest, AnInterruptAtAnyMomentLeavesTheDatabaseClean)
{
    // Enough appointments that the import takes a while; killed at random moments.
    std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n";
    for (int i = 0; i < 3000; i++)
        text += "BEGIN:VEVENT\r\nUID:k" + std::to_string(i) +
                "\r\nDTSTART:20260801T100000\r\nSUMMARY:Termin " + std::to_string(i) +
                "\r\nEND:VEVENT\r\n";
    writeText(files() + "/many.ics", text + "END:VCALENDAR\r\n");
    // Once a FIFO as the file: the signal must end the tool as well.
    ASSERT_EQ(mkfifo((files() + "/fifo").c_str(), 0666), 0);
    std::mt19937 random(20261209);
    for (int round = 0; round < 24; round++) {
        // Half of the moments fall into the start (login, opening the database).
        long after = std::uniform_int_distribution<long>(0, round % 2 ? 400000 : 40000)(random);
        int sig = round % 4 < 2 ? SIGINT : SIGTERM;
        std::string source = files() + (round == 5 ? "/fifo" : "/many.ics");
        SCOPED_TRACE(source + ", signal " + std::to_string(sig) + " after " +
                     std::to_string(after) + " us");
        tRun r = runExchange({db(), "import", "ical", source}, false, after, sig);
        if (WIFEXITED(r.status)) {
            EXPECT_LE(r.code(), 2) << r.output; // 2: the FIFO, refused before the work
        }
        std::string report;
        ASSERT_TRUE(checkClean(db(), &report)) << report << r.output;
    }
}
