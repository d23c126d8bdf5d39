// Input that is no database directory: a clear message and exit code 2, never a crash, and
// nothing written.  Run under the sanitizer build as well.
#include "tests/tools/check_support.h"

#include "tests/btree/engine_support.h"

#include <set>

using namespace velk::checktest;

namespace {

class BadInputTest : public CheckTest {
protected:
    // Every mode answers 2 with `text` in its message, and the directory stays as it was.
    void expectRefused(const std::string &dir, const std::string &text)
    {
        std::vector<std::string> before;
        std::error_code ec;
        for (const auto &e : std::filesystem::recursive_directory_iterator(dir, ec))
            before.push_back(e.path().string() + ":" +
                             std::to_string(e.is_regular_file() ? e.file_size() : 0));
        for (const char *option : {"", "--repair", "--reset-locks"}) {
            EXPECT_EQ(runCheck(dir, option), 2) << option << ": " << checkOutput;
            EXPECT_NE(checkOutput.find(text), std::string::npos) << option << ": " << checkOutput;
        }
        std::vector<std::string> after;
        for (const auto &e : std::filesystem::recursive_directory_iterator(dir, ec))
            after.push_back(e.path().string() + ":" +
                            std::to_string(e.is_regular_file() ? e.file_size() : 0));
        EXPECT_EQ(after, before);
    }
};

TEST_F(BadInputTest, MissingDirectoryOrNoDirectory)
{
    expectRefused(path("nowhere"), "Verzeichnis existiert nicht");
    velk::apptest::writeFileBytes(path("plain"), Bytes{1, 2, 3});
    EXPECT_EQ(runCheck(path("plain")), 2);
    EXPECT_NE(checkOutput.find(": kein Verzeichnis"), std::string::npos) << checkOutput;
}

TEST_F(BadInputTest, DirectoryWithoutDatabaseFiles)
{
    velk::apptest::writeFileBytes(path("notes.txt"), Bytes{'h', 'i'});
    expectRefused(dir_.path(), "keine Datenbankdateien");
}

TEST_F(BadInputTest, EmptyFiles)
{
    makePersons(3);
    velk::apptest::writeFileBytes(path("TASK.dat"), {});
    expectRefused(dir_.path(), "TASK.dat: leere Datei");
    std::filesystem::remove(path("TASK.dat"));

    velk::apptest::writeFileBytes(path("blob.mp"), {});
    velk::apptest::writeFileBytes(path("blob.st"), {});
    expectRefused(dir_.path(), "blob.mp: leere Datei");
}

TEST_F(BadInputTest, FilesThatAreNotEngineFiles)
{
    makePersons(3);
    std::string text = "Sehr geehrte Damen und Herren, dies ist keine Datei der Datenbank.\n";
    Bytes letter(text.begin(), text.end());
    while (letter.size() < 5000) letter.insert(letter.end(), text.begin(), text.end());
    velk::apptest::writeFileBytes(path("LETTER.dat"), letter);
    expectRefused(dir_.path(), "LETTER.dat: keine Datendatei der Datenbank");

    velk::apptest::writeFileBytes(path("LETTER.dat"), Bytes(letter.begin(), letter.begin() + 100));
    expectRefused(dir_.path(), "zu kurz");
    std::filesystem::remove(path("LETTER.dat"));

    velk::apptest::writeFileBytes(path("TEXT.mp"), letter);
    velk::apptest::writeFileBytes(path("TEXT.st"), letter);
    expectRefused(dir_.path(), "TEXT.mp: keine Zuordnung der Datenbank");
    std::filesystem::remove(path("TEXT.mp"));
    std::filesystem::remove(path("TEXT.st"));

    EXPECT_EQ(runCheck(dir_.path()), 0) << checkOutput;
}

TEST_F(BadInputTest, GarbageHeaderWordsNeverCrash)
{
    // header words of a real data file set to extreme values one at a time
    makePersons(5);
    makeBlob(5);
    const Bytes dat = velk::apptest::readFileBytes(path("PERSON.dat"));
    const Bytes mp = velk::apptest::readFileBytes(path("blob.mp"));
    // the words a data file uses; the index words (11..18 but 13) mean nothing in it
    const std::set<int> used = {2, 3, 4, 5, 6, 8, 9, 10, 13, 19, 22, 23, 24};
    for (int32_t v : {-1, 0, 0x7fffffff, int32_t(0x80000000), 3}) {
        for (int w = 1; w < LIO_H_LOCKS + 1; ++w) {
            velk::apptest::writeFileBytes(path("PERSON.dat"), dat);
            velk::apptest::setHeaderWord(path("PERSON.dat"), 0, w, v);
            velkcheck::tResult r = velkcheck::verifyDir(dir_.path());
            const bool identity = w == LIO_H_HDRSIZE || w == LIO_H_TYPE;
            const bool changed = velk::apptest::loadWord(dat.data() + 4 * w) != v;
            if (identity) {
                EXPECT_EQ(r.code, velkcheck::CannotRun) << "word " << w << " = " << v;
            } else if (used.count(w) && changed && !(w == LIO_H_SERIAL && v > 5)) {
                EXPECT_EQ(r.code, velkcheck::Damaged)
                    << "word " << w << " = " << v << ": " << describe(r);
            }
            r = velkcheck::repairDir(dir_.path());
            if (!identity) {
                EXPECT_NE(r.code, velkcheck::CannotRun)
                    << "word " << w << " = " << v << ": " << describe(r);
            }
        }
        velk::apptest::writeFileBytes(path("PERSON.dat"), dat);
        for (int w = 1; w < VL_H_LOCKS + 1; ++w) {
            velk::apptest::writeFileBytes(path("blob.mp"), mp);
            velk::apptest::setFileWord(path("blob.mp"), 4L * w, v);
            velkcheck::tResult r = velkcheck::verifyDir(dir_.path());
            EXPECT_NE(r.code, velkcheck::CannotRun)
                << "mapper word " << w << " = " << v << ": " << describe(r);
            r = velkcheck::repairDir(dir_.path());
            EXPECT_NE(r.code, velkcheck::CannotRun)
                << "mapper word " << w << " = " << v << ": " << describe(r);
        }
        velk::apptest::writeFileBytes(path("blob.mp"), mp);
    }
}

TEST_F(BadInputTest, UsageErrors)
{
    EXPECT_EQ(runCheck(dir_.path(), "--frobnicate"), 2);
    EXPECT_NE(checkOutput.find("Aufruf: velk-check"), std::string::npos) << checkOutput;
    EXPECT_EQ(runCheck(""), 2);
}

} // namespace
