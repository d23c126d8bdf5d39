// What a repair does beyond the indices: backups, the record that a rebuilt unique index cannot
// take twice, the variable-length store, the process registry.
#include "tests/tools/check_support.h"

#include "tests/btree/engine_support.h"

#include <algorithm>

using namespace velk::checktest;
using velkcheck::Clean;
using velkcheck::Damaged;

namespace {

class RepairTest : public CheckTest {
protected:
    std::string backupDir() const
    {
        std::string found;
        for (const auto &e : std::filesystem::directory_iterator(dir_.path()))
            if (e.path().filename().string().rfind("backup-", 0) == 0) found = e.path().string();
        return found;
    }

    // Offset of the map entry of record n in blob.mp, and the area it points to.
    long mapEntry(int n) const
    {
        return velk::apptest::fileWord(path("blob.mp"), VL_H_MAPOFF * 4) + long(n - 1) * 8;
    }
};

TEST_F(RepairTest, BackupHoldsEveryChangedFileAsItWas)
{
    makePersons(10);
    makeBlob(5);
    velk::apptest::setHeaderWord(path("PERSON.dat"), 0, LIO_H_OPENCOUNT, 1);
    Bytes dat = velk::apptest::readFileBytes(path("PERSON.dat"));
    Bytes ndx = velk::apptest::readFileBytes(path("PERSON.ndx"));

    velkcheck::tResult r = velkcheck::repairDir(dir_.path());
    EXPECT_EQ(r.code, Clean) << describe(r);
    const std::string b = backupDir();
    ASSERT_FALSE(b.empty()) << describe(r);
    EXPECT_EQ(velk::apptest::readFileBytes(b + "/PERSON.dat"), dat);
    EXPECT_EQ(velk::apptest::readFileBytes(b + "/PERSON.ndx"), ndx);
    EXPECT_FALSE(velk::apptest::fileExists(b + "/blob.mp")) << "an undamaged set is not copied";
    EXPECT_EQ(velk::apptest::headerWord(path("PERSON.dat"), 0, LIO_H_OPENCOUNT), 0);
    EXPECT_EQ(contents("PERSON"), persons({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST_F(RepairTest, SecondRecordWithAUniqueKeyGoesToLostAndFound)
{
    makePersons(6);
    // record 5 gets the CODE of record 2 behind the engine's back; its keys stay as they were
    const long code5 = kDataStart + 4L * kRecStored + 4 + 28;
    Bytes b = velk::apptest::readFileBytes(path("PERSON.dat"));
    std::string code2 = personRecord(2).substr(28, 6);
    std::copy(code2.begin(), code2.end(), b.begin() + code5);
    const Bytes lostRecord(b.begin() + kDataStart + 4L * kRecStored,
                           b.begin() + kDataStart + 5L * kRecStored);
    velk::apptest::writeFileBytes(path("PERSON.dat"), b);

    velkcheck::tResult r = velkcheck::verifyDir(dir_.path());
    EXPECT_TRUE(mentions(r, "PERSON.dat",
                         "die Sätze 2 und 5 tragen denselben Schlüssel des eindeutigen Index 2"))
        << describe(r);

    // the binary, as a user runs it: no PROCFILE, some other working directory
    const Bytes registry = velk::apptest::readFileBytes(path("proc.id"));
    velk::apptest::TempDir elsewhere;
    EXPECT_EQ(runCheck(dir_.path(), "--repair", elsewhere.path()), 0) << checkOutput;
    EXPECT_NE(checkOutput.find(
                  "Satz 5 (Seriennummer 5) hat den Schlüssel des eindeutigen Index 2, den Satz 2 "
                  "(Seriennummer 2) hat; verschoben nach lost+found/PERSON.dat"),
              std::string::npos)
        << checkOutput;
    EXPECT_EQ(contents("PERSON"), persons({1, 2, 3, 4, 6}));
    EXPECT_EQ(velk::apptest::readFileBytes(path("proc.id")), registry)
        << "the repair took a process number";
    EXPECT_FALSE(velk::apptest::fileExists(elsewhere.file("proc.id")));

    // lost+found/PERSON.dat is a record file of the same layout holding the record
    velk::apptest::OpenFile lf(
        lioOpen(path("lost+found/PERSON.dat").c_str(), LIO_EXCL | LIO_RDONLY));
    ASSERT_NE(lf.get(), nullptr);
    EXPECT_EQ(lioPageSize(lf.get()), kRecStored);
    EXPECT_EQ(lioSize(lf.get()), 1);
    Bytes got(kRecStored);
    ASSERT_EQ(lioRead(lf.get(), 1, got.data()), kRecStored);
    EXPECT_EQ(got, lostRecord);
    EXPECT_EQ(velkcheck::checkDataFile(lf.get()), "");
}

TEST_F(RepairTest, StoreRecordWithATakenKeyGoesToALostAndFoundStore)
{
    makeBlob(6);
    // text 5 gets the key of text 2: its area holds length, serial, then the 16-byte key
    const long area5 = velk::apptest::fileWord(path("blob.mp"), mapEntry(5));
    Bytes st = velk::apptest::readFileBytes(path("blob.st"));
    const std::string key2 = textRecord(2).substr(0, 16);
    std::copy(key2.begin(), key2.end(), st.begin() + area5 + 8);
    const Bytes lost(st.begin() + area5 + 4,
                     st.begin() + area5 +
                         velk::apptest::fileWord(path("blob.mp"), mapEntry(5) + 4));
    velk::apptest::writeFileBytes(path("blob.st"), st);

    velkcheck::tResult r = velkcheck::repairDir(dir_.path());
    EXPECT_EQ(r.code, Clean) << describe(r);
    EXPECT_EQ(contents("blob", 0).size(), 5u);

    VlFile *lf = vlOpen(path("lost+found/blob").c_str(), LIO_EXCL | LIO_RDONLY);
    ASSERT_NE(lf, nullptr);
    EXPECT_EQ(vlCount(lf), 1);
    Bytes got(lost.size());
    EXPECT_EQ(vlRead(lf, 1, got.data(), int(got.size())), int(lost.size()));
    EXPECT_EQ(got, lost);
    int32_t h[VL_HDRWORDS], orig[VL_HDRWORDS];
    vlHeader(lf, h);
    EXPECT_EQ(vlClose(lf), 0);
    velk::apptest::Bytes mp = velk::apptest::readFileBytes(path("blob.mp"));
    for (int w : {VL_H_MIN, VL_H_MAX, VL_H_GRAN, VL_H_STASH}) {
        orig[w] = velk::apptest::loadWord(mp.data() + 4 * w);
        EXPECT_EQ(h[w], orig[w]) << "mapper word " << w;
    }
}

TEST_F(RepairTest, DuplicateSerialIsRenumberedSoDuplicatesIndexTakesBoth)
{
    makePersons(6); // persons 1 and 4 share "Name1" in the duplicates index
    velk::apptest::setFileWord(path("PERSON.dat"), kDataStart + 3L * kRecStored, 1);
    velkcheck::tResult r = velkcheck::verifyDir(dir_.path());
    EXPECT_TRUE(mentions(r, "PERSON.dat", "Seriennummer 1 trägt auch Satz 1")) << describe(r);
    repairClean();
    EXPECT_EQ(contents("PERSON"), persons({1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(velk::apptest::fileWord(path("PERSON.dat"), kDataStart + 3L * kRecStored), 7);
}

TEST_F(RepairTest, StoreDamageIsFoundAndRepaired)
{
    makeBlob(30);
    std::vector<std::string> all = contents("blob", 0);
    ASSERT_EQ(all.size(), 30u);

    velk::apptest::setFileWord(path("blob.mp"), VL_H_HEAPBYTES * 4, 4096);
    velkcheck::tResult r = velkcheck::verifyDir(dir_.path());
    EXPECT_TRUE(mentions(r, "blob.mp", "Wort 5 sagt 4096")) << describe(r);
    repairClean();
    EXPECT_EQ(contents("blob", 0), all);

    // An area whose length word disagrees with the map but needs an area of the same size: a
    // rewrite in place stopped between the area and its map entry leaves that, and the area,
    // written first, is the newer; the record keeps the length its area holds, and only it
    // changes.
    const long area = velk::apptest::fileWord(path("blob.mp"), mapEntry(7));
    ASSERT_EQ(velk::apptest::fileWord(path("blob.st"), area) & 1, 1);
    velk::apptest::flipByte(path("blob.st"), area, 0x01);
    r = velkcheck::verifyDir(dir_.path());
    EXPECT_TRUE(mentions(r, "blob.mp", "Satz 7")) << describe(r);
    r = velkcheck::repairDir(dir_.path());
    EXPECT_EQ(r.code, velkcheck::Clean) << describe(r);
    EXPECT_TRUE(std::any_of(r.actions.begin(), r.actions.end(), [](const std::string &a) {
        return a.find("Satz 7 übernimmt die Länge") != std::string::npos;
    })) << describe(r);
    std::vector<std::string> want = all;
    auto seven = std::find(want.begin(), want.end(), textRecord(7));
    ASSERT_NE(seven, want.end());
    seven->pop_back();
    EXPECT_EQ(contents("blob", 0), want);
}

TEST_F(RepairTest, StoreFreedNumberCycleAndLostTextKeyAreRepaired)
{
    makeBlob(12);
    {
        Bt3File *f = bt3Open(path("blob").c_str(), LIO_EXCL | LIO_RDWR);
        ASSERT_NE(f, nullptr);
        char *buf = bt3GetBuff(f, 10000);
        for (int i : {3, 8}) {
            std::string t = textRecord(i);
            std::copy(t.begin(), t.end(), buf);
            ASSERT_GT(bt3Find(f, buf, 5), 0);
            ASSERT_EQ(bt3Delete(f), 0);
        }
        bt3FreeBuff(buf);
        ASSERT_EQ(bt3Close(f), 0);
    }
    std::vector<std::string> all = contents("blob", 0);
    const int head = velk::apptest::fileWord(path("blob.mp"), VL_H_FREEHEAD * 4);
    velk::apptest::setFileWord(path("blob.mp"), mapEntry(head), head);
    {
        velk::apptest::OpenFile ndx(lioOpen(path("blob.ndx").c_str(), LIO_EXCL | LIO_RDWR));
        ASSERT_NE(ndx.get(), nullptr);
        std::string key = textRecord(5).substr(0, 16);
        ASSERT_GT(lioDelete(ndx.get(), key.c_str()), 0);
    }
    velkcheck::tResult r = velkcheck::verifyDir(dir_.path());
    EXPECT_TRUE(mentions(r, "blob.mp", "nennt Satz")) << describe(r);
    EXPECT_TRUE(mentions(r, "blob.ndx", "kein Schlüssel für Satz 5")) << describe(r);
    repairClean();
    EXPECT_EQ(contents("blob", 0), all);
}

TEST_F(RepairTest, ProcessRegistryAndStrayIndexFile)
{
    makePersons(3);
    velk::apptest::writeFileBytes(path("proc.id"), Bytes{7, 0, 0, 0, 0, 0});
    velk::apptest::writeFileBytes(path("GHOST.ndx"),
                                  velk::apptest::readFileBytes(path("PERSON.ndx")));
    velkcheck::tResult r = velkcheck::verifyDir(dir_.path());
    EXPECT_TRUE(mentions(r, "proc.id", "6 Bytes")) << describe(r);
    EXPECT_TRUE(mentions(r, "GHOST.ndx", "ohne ihre Datendatei")) << describe(r);

    r = velkcheck::repairDir(dir_.path());
    EXPECT_EQ(r.code, Damaged) << "a stray index cannot be repaired: " << describe(r);
    EXPECT_EQ(velk::apptest::readFileBytes(path("proc.id")), (Bytes{7, 0, 0, 0}));
    EXPECT_EQ(r.findings.size(), 1u) << describe(r);
}

} // namespace
