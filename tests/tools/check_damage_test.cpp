// Damage made on purpose: each kind is found by a verify, and a repair leaves a clean set that
// opens shared and holds every record whose data survived.
#include "tests/tools/check_support.h"

#include "tests/btree/engine_support.h"

using namespace velk::checktest;
using velkcheck::Clean;
using velkcheck::Damaged;

namespace {

class DamageTest : public CheckTest {
protected:
    void SetUp() override
    {
        CheckTest::SetUp();
        makePersons(40);
        makeBlob(25);
    }

    std::vector<std::string> allPersons() const
    {
        std::vector<std::string> out;
        for (int i = 1; i <= 40; ++i) out.push_back(personRecord(i));
        return out;
    }

    long recordOffset(int rec) const { return kDataStart + long(rec - 1) * kRecStored; }

    // Frees record `rec` of PERSON.dat behind the ISAM layer's back: its keys stay.
    void freeBehindIndex(int rec)
    {
        velk::apptest::OpenFile dat(lioOpen(path("PERSON.dat").c_str(), LIO_EXCL | LIO_RDWR));
        ASSERT_NE(dat.get(), nullptr);
        ASSERT_EQ(lioFree(dat.get(), rec), 0);
    }
};

TEST_F(DamageTest, FreshDirectoryIsCleanAndNeedsNoRepair)
{
    velkcheck::tResult r = velkcheck::verifyDir(dir_.path());
    EXPECT_EQ(r.code, Clean) << describe(r);
    EXPECT_TRUE(r.findings.empty());
    EXPECT_NE(r.message.find("65 Sätze"), std::string::npos) << r.message;
    EXPECT_EQ(runCheck(dir_.path()), 0) << checkOutput;

    r = velkcheck::repairDir(dir_.path());
    EXPECT_EQ(r.code, Clean) << describe(r);
    for (const auto &e : std::filesystem::directory_iterator(dir_.path()))
        EXPECT_EQ(e.path().filename().string().rfind("backup-", 0), std::string::npos)
            << "a clean directory got a backup";
}

TEST_F(DamageTest, LostKeyIsFoundAndRebuilt)
{
    {
        velk::apptest::OpenFile ndx(lioOpen(path("PERSON.ndx").c_str(), LIO_EXCL | LIO_RDWR));
        ASSERT_NE(ndx.get(), nullptr);
        std::string key = personRecord(17).substr(28, 6);
        ASSERT_EQ(lioDelete(lioSubFile(ndx.get(), 3), key.data()), 17);
    }
    velkcheck::tResult r = velkcheck::verifyDir(dir_.path());
    EXPECT_EQ(r.code, Damaged);
    EXPECT_TRUE(mentions(r, "PERSON.ndx", "kein Schlüssel für Satz 17")) << describe(r);
    EXPECT_TRUE(mentions(r, "PERSON.ndx", "39 Schlüssel, die Datendatei zählt 40 Sätze"))
        << describe(r);
    EXPECT_EQ(bt3Open(path("PERSON").c_str(), LIO_SHARED | LIO_RDWR), nullptr);

    repairClean();
    EXPECT_EQ(contents("PERSON"), allPersons());
}

TEST_F(DamageTest, LostRecordIsFoundAndItsKeysDropped)
{
    freeBehindIndex(5);
    velkcheck::tResult r = velkcheck::verifyDir(dir_.path());
    EXPECT_EQ(r.code, Damaged);
    EXPECT_TRUE(mentions(r, "PERSON.ndx", "Schlüssel ohne seinen Satz, er zeigt auf Satz 5"))
        << describe(r);

    repairClean();
    std::vector<std::string> want = allPersons();
    want.erase(want.begin() + 4);
    EXPECT_EQ(contents("PERSON"), want);
}

TEST_F(DamageTest, BrokenFreeChainIsFoundAndChainedAgain)
{
    freeBehindIndex(5);
    freeBehindIndex(9);
    velk::apptest::flipByte(path("PERSON.dat"), recordOffset(9) + 2); // the head's marker
    velkcheck::tResult r = velkcheck::verifyDir(dir_.path());
    EXPECT_TRUE(mentions(r, "PERSON.dat", "fehlt die Löschmarke")) << describe(r);

    repairClean();
    EXPECT_EQ(contents("PERSON").size(), 39u) << "record 9 had no marker, so it is a record again";
    EXPECT_EQ(velk::apptest::headerWord(path("PERSON.dat"), 0, LIO_H_DELETED), 1);
}

TEST_F(DamageTest, CycleInFreeChainIsFoundAndBroken)
{
    freeBehindIndex(5);
    freeBehindIndex(9);
    velk::apptest::setFileWord(path("PERSON.dat"), recordOffset(5) + 5, 9); // 9 -> 5 -> 9
    velkcheck::tResult r = velkcheck::verifyDir(dir_.path());
    EXPECT_TRUE(mentions(r, "PERSON.dat", "erreicht Satz 9 erneut")) << describe(r);

    repairClean();
    std::vector<std::string> want = allPersons();
    want.erase(want.begin() + 8);
    want.erase(want.begin() + 4);
    EXPECT_EQ(contents("PERSON"), want);
    // both freed records can be taken again
    Bt3File *f = bt3Open(path("PERSON").c_str(), LIO_SHARED | LIO_RDWR);
    ASSERT_NE(f, nullptr);
    char *buf = bt3GetBuff(f, 0);
    for (int i : {5, 9}) {
        std::string rec = personRecord(i);
        std::copy(rec.begin(), rec.end(), buf);
        EXPECT_EQ(bt3Add(f, buf), kRecLen);
    }
    bt3FreeBuff(buf);
    EXPECT_EQ(bt3Close(f), 0);
    EXPECT_EQ(velk::apptest::headerWord(path("PERSON.dat"), 0, LIO_H_EOF),
              kDataStart + 40 * kRecStored);
    EXPECT_EQ(contents("PERSON"), allPersons());
}

TEST_F(DamageTest, FlippedPageByteIsFoundAndRebuilt)
{
    const int root = velk::apptest::headerWord(path("PERSON.ndx"), 0, LIO_H_ROOT);
    velk::apptest::flipByte(path("PERSON.ndx"),
                            root + 5 + 3); // a key byte of the root's first item
    velkcheck::tResult r = velkcheck::verifyDir(dir_.path());
    EXPECT_EQ(r.code, Damaged) << describe(r);
    EXPECT_TRUE(mentions(r, "PERSON.ndx", "Index 0")) << describe(r);

    repairClean();
    EXPECT_EQ(contents("PERSON"), allPersons());
}

TEST_F(DamageTest, TruncatedIndexIsFoundAndRebuilt)
{
    velk::apptest::truncateFile(path("PERSON.ndx"),
                                velk::apptest::fileSize(path("PERSON.ndx")) - 100);
    velkcheck::tResult r = velkcheck::verifyDir(dir_.path());
    EXPECT_TRUE(mentions(r, "PERSON.ndx", "abgeschnitten")) << describe(r);
    repairClean();
    EXPECT_EQ(contents("PERSON"), allPersons());

    velk::apptest::truncateFile(path("PERSON.ndx"), 0);
    r = velkcheck::verifyDir(dir_.path());
    EXPECT_TRUE(mentions(r, "PERSON.ndx", "leere Datei")) << describe(r);
    repairClean();
    EXPECT_EQ(contents("PERSON"), allPersons());

    std::filesystem::remove(path("blob.ndx"));
    r = velkcheck::verifyDir(dir_.path());
    EXPECT_TRUE(mentions(r, "blob.ndx", "kann nicht geöffnet werden")) << describe(r);
    repairClean();
    EXPECT_EQ(contents("blob", 0).size(), 25u);
}

TEST_F(DamageTest, TruncatedDataFileIsFoundAndKeepsItsWholeRecords)
{
    velk::apptest::truncateFile(path("PERSON.dat"), recordOffset(31) + 10);
    velkcheck::tResult r = velkcheck::verifyDir(dir_.path());
    EXPECT_EQ(r.code, Damaged);
    EXPECT_TRUE(mentions(r, "PERSON.dat", "abgeschnitten")) << describe(r);

    repairClean();
    std::vector<std::string> want = allPersons();
    want.resize(30);
    EXPECT_EQ(contents("PERSON"), want);
}

TEST_F(DamageTest, UncleanMarkIsFoundAndCleared)
{
    velk::apptest::setHeaderWord(path("PERSON.dat"), 0, LIO_H_MARK, LIO_MARK_DIRTY);
    velk::apptest::setHeaderWord(path("PERSON.ndx"), 1, LIO_H_MARK, LIO_MARK_DIRTY);
    velkcheck::tResult r = velkcheck::verifyDir(dir_.path());
    EXPECT_TRUE(mentions(r, "PERSON.dat", "Marke 38")) << describe(r);
    EXPECT_TRUE(mentions(r, "PERSON.ndx", "Unterdatei 2")) << describe(r);
    repairClean();
    EXPECT_EQ(contents("PERSON"), allPersons());
}

TEST_F(DamageTest, RecordPastStaleEndOfFileIsKept)
{
    // an add whose header never reached the disk: the record is there, the header one short
    Bytes before = velk::apptest::readFileBytes(path("PERSON.dat"));
    Bytes header(before.begin(), before.begin() + 340);
    {
        Bt3File *f = bt3Open(path("PERSON").c_str(), LIO_EXCL | LIO_RDWR);
        ASSERT_NE(f, nullptr);
        char *buf = bt3GetBuff(f, 0);
        std::string rec = personRecord(41);
        std::copy(rec.begin(), rec.end(), buf);
        ASSERT_EQ(bt3Add(f, buf), kRecLen);
        bt3FreeBuff(buf);
        ASSERT_EQ(bt3Close(f), 0);
    }
    Bytes after = velk::apptest::readFileBytes(path("PERSON.dat"));
    std::copy(header.begin(), header.end(), after.begin());
    velk::apptest::writeFileBytes(path("PERSON.dat"), after);

    velkcheck::tResult r = velkcheck::verifyDir(dir_.path());
    EXPECT_TRUE(mentions(r, "PERSON.dat", "hinter dem Dateiende")) << describe(r);
    repairClean();
    std::vector<std::string> want = allPersons();
    want.push_back(personRecord(41));
    EXPECT_EQ(contents("PERSON"), want);
    EXPECT_EQ(velk::apptest::headerWord(path("PERSON.dat"), 0, LIO_H_SERIAL), 41)
        << "the serial counter covers the record found past the end";
}

} // namespace

namespace {

TEST_F(DamageTest, SerialCounterBehindItsRecordsIsRaisedAndTheReportStaysShort)
{
    velk::apptest::setHeaderWord(path("PERSON.dat"), 0, LIO_H_SERIAL, 0);
    velkcheck::tResult r = velkcheck::verifyDir(dir_.path());
    EXPECT_TRUE(mentions(r, "PERSON.dat", "Seriennummer 1 über dem Zähler 0")) << describe(r);
    EXPECT_TRUE(mentions(r, "PERSON.dat", "15 weitere Befunde nicht aufgeführt")) << describe(r);
    EXPECT_EQ(r.findings.size(), 26u) << describe(r);

    repairClean();
    EXPECT_EQ(velk::apptest::headerWord(path("PERSON.dat"), 0, LIO_H_SERIAL), 40);
    EXPECT_EQ(contents("PERSON"), allPersons());
}

} // namespace
