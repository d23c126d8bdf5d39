// velk-check and other processes: it refuses while one holds byte 0 of a file or a running copy
// holds its in-use lock, and --reset-locks frees what a process that ended without closing left
// behind.
#include "tests/tools/check_support.h"

#include "tests/btree/process_support.h"
#include "tests/btree/engine_support.h"

#include <csignal>
#include <fcntl.h>

using namespace velk::checktest;
using velkcheck::Clean;
using velkcheck::Damaged;
using velkcheck::InUse;

namespace {

class LockTest : public CheckTest {
protected:
    void SetUp() override
    {
        CheckTest::SetUp();
        makePersons(8);
        makeBlob(4);
    }

    // Finds person i in an open set, changes its trailing data and rewrites it.
    static int rewritePerson(Bt3File *f, int i)
    {
        char *buf = bt3GetBuff(f, 0);
        std::string rec = personRecord(i);
        std::copy(rec.begin(), rec.end(), buf);
        int rc = bt3Find(f, buf, 5) > 0 ? 0 : -2;
        if (rc == 0) {
            buf[kRecLen - 1] = 'y';
            rc = bt3Write(f, buf);
        }
        bt3FreeBuff(buf);
        return rc;
    }

    std::vector<std::pair<std::string, Bytes>> snapshot() const
    {
        std::vector<std::pair<std::string, Bytes>> out;
        for (const char *f :
             {"PERSON.dat", "PERSON.ndx", "blob.mp", "blob.st", "blob.ndx", "proc.id"})
            out.emplace_back(f, velk::apptest::readFileBytes(path(f)));
        return out;
    }
};

TEST_F(LockTest, RefusesWhileAnotherProcessHoldsByteZero)
{
    for (const char *held : {"PERSON", "blob"}) {
        velk::apptest::setHeaderWord(path("PERSON.dat"), 0, LIO_H_OPENCOUNT,
                                     3); // work for a repair
        velk::apptest::Signal inside, done;
        const std::string base = path(held);
        pid_t kid = velk::apptest::spawn([&] {
            Bt3File *f = bt3Open(base.c_str(), LIO_SHARED | LIO_RDWR);
            if (!f || isamLockUp(f, 2) < 0) return 1;
            inside.post();
            done.wait();
            return 0;
        });
        ASSERT_TRUE(inside.wait()) << held;
        auto before = snapshot();

        EXPECT_EQ(runCheck(dir_.path()), 3) << checkOutput;
        EXPECT_NE(checkOutput.find("in Benutzung"), std::string::npos) << checkOutput;
        EXPECT_EQ(runCheck(dir_.path(), "--repair"), 3) << checkOutput;
        EXPECT_EQ(runCheck(dir_.path(), "--reset-locks"), 3) << checkOutput;
        velkcheck::tResult r = velkcheck::repairDir(dir_.path());
        EXPECT_EQ(r.code, InUse) << describe(r);
        EXPECT_NE(r.message.find(std::string(held)), std::string::npos) << r.message;
        EXPECT_EQ(snapshot(), before) << "nothing may change while the directory is in use";

        done.post();
        EXPECT_EQ(velk::apptest::waitFor(kid), 0);
        EXPECT_EQ(runCheck(dir_.path(), "--repair"), 0) << checkOutput;
    }
}

// A copy of the program between two operations holds no byte-0 lock, only its in-use lock, and
// its open count is in the headers.  velk-check must keep off until it ends, and a copy killed
// with SIGKILL must not keep it off any longer.  (velk-check probes the in-use byte of every
// file; the program holds it on "datadict.dat", which this directory does not have.)
TEST_F(LockTest, ARunningCopyKeepsVelkCheckOffUntilItIsKilled)
{
    velk::apptest::Signal ready, done;
    const std::string base = path("PERSON"), marked = path("PERSON.dat");
    pid_t copy = velk::apptest::spawn([&] {
        Bt3File *f = bt3Open(base.c_str(), LIO_SHARED | LIO_RDWR);
        if (!f || muHoldInUse(marked.c_str()) != 0) return 1;
        if (rewritePerson(f, 2) != kRecLen) return 2;
        ready.post();
        done.wait(); // killed long before
        return 0;
    });
    ASSERT_TRUE(ready.wait());
    ASSERT_EQ(velk::apptest::headerWord(marked, 0, LIO_H_OPENCOUNT), 1);
    const auto before = snapshot();

    EXPECT_EQ(runCheck(dir_.path()), 3) << checkOutput;
    EXPECT_NE(
        checkOutput.find(
            "in Benutzung durch eine laufende Kopie des Programms (ihre Sperre auf PERSON.dat)"),
        std::string::npos)
        << checkOutput;
    EXPECT_EQ(checkOutput.find("Öffnungszähler"), std::string::npos)
        << "a running copy's open count is no damage: " << checkOutput;
    EXPECT_EQ(runCheck(dir_.path(), "--repair"), 3) << checkOutput;
    EXPECT_EQ(runCheck(dir_.path(), "--reset-locks"), 3) << checkOutput;
    EXPECT_EQ(velkcheck::resetLocks(dir_.path()).code, InUse);
    EXPECT_EQ(snapshot(), before) << "nothing may change while a copy runs";
    EXPECT_FALSE(std::filesystem::exists(path("lost+found")));
    for (const auto &e : std::filesystem::directory_iterator(dir_.path()))
        EXPECT_TRUE(e.is_regular_file()) << "no backup made: " << e.path();

    // Other processes work on beside it: the mark is not the byte-0 bracket.
    Bt3File *f = bt3Open(base.c_str(), LIO_SHARED | LIO_RDWR);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(rewritePerson(f, 5), kRecLen);
    ASSERT_EQ(bt3Close(f), 0);

    ASSERT_EQ(kill(copy, SIGKILL), 0);
    EXPECT_EQ(velk::apptest::waitFor(copy), 128 + SIGKILL);
    velkcheck::tResult r = velkcheck::verifyDir(dir_.path());
    EXPECT_EQ(r.code, Damaged) << describe(r);
    EXPECT_TRUE(mentions(r, "PERSON.dat", "Öffnungszähler 1")) << describe(r);
    EXPECT_EQ(runCheck(dir_.path(), "--repair"), 0) << checkOutput;
    EXPECT_EQ(velk::apptest::headerWord(marked, 0, LIO_H_OPENCOUNT), 0);
}

// A repair write-locks the in-use byte of every file for as long as it works: a copy that starts
// meanwhile cannot mark the directory in use (and so does not start), while the byte-0 brackets
// stay free.
TEST_F(LockTest, ACopyCannotMarkTheDirectoryWhileARepairHoldsIt)
{
    const std::string marked = path("PERSON.dat");
    velk::apptest::Signal holding, done;
    pid_t repair = velk::apptest::spawn([&] {
        int fd = open(marked.c_str(), O_RDWR);
        struct flock fl = {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = MU_INUSE_BYTE;
        fl.l_len = 1;
        if (fd < 0 || fcntl(fd, F_OFD_SETLK, &fl) != 0) return 1;
        holding.post();
        done.wait();
        return 0;
    });
    ASSERT_TRUE(holding.wait());
    EXPECT_EQ(muInUse(marked.c_str()), 1);
    EXPECT_EQ(muHoldInUse(marked.c_str()), -1);
    EXPECT_EQ(velk::apptest::lastCode(), LIO_E_LOCK);
    Bt3File *f = bt3Open(path("PERSON").c_str(), LIO_SHARED | LIO_RDWR);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(rewritePerson(f, 4), kRecLen);
    ASSERT_EQ(bt3Close(f), 0);
    done.post();
    EXPECT_EQ(velk::apptest::waitFor(repair), 0);

    EXPECT_EQ(muHoldInUse(marked.c_str()), 0);
    EXPECT_EQ(muHoldInUse(marked.c_str()), 0) << "taken once";
    EXPECT_EQ(muInUse(marked.c_str()), 1) << "seen through any other descriptor";
    EXPECT_EQ(velkcheck::verifyDir(dir_.path()).code, InUse);
    EXPECT_EQ(muReleaseInUse(), 0);
    EXPECT_EQ(muInUse(marked.c_str()), 0);
    EXPECT_EQ(velkcheck::verifyDir(dir_.path()).code, Clean);
}

TEST_F(LockTest, StaleRecordLockIsClearedByResetLocks)
{
    const std::string base = path("PERSON");
    pid_t kid = velk::apptest::spawn([&] {
        Bt3File *f = bt3Open(base.c_str(), LIO_SHARED | LIO_RDWR);
        char *buf = f ? bt3GetBuff(f, 0) : nullptr;
        std::string rec = personRecord(3);
        if (!buf) return 1;
        std::copy(rec.begin(), rec.end(), buf);
        if (bt3Find(f, buf, 5) <= 0 || bt3Lock(f) != 0) return 2;
        return 0; // ends without unlocking or closing
    });
    ASSERT_EQ(velk::apptest::waitFor(kid), 0);

    Bt3File *f = bt3Open(base.c_str(), LIO_SHARED | LIO_RDWR);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(rewritePerson(f, 3), -1);
    EXPECT_EQ(velk::apptest::lastCode(), LIO_E_RECLOCK);
    ASSERT_EQ(bt3Close(f), 0);

    velkcheck::tResult r = velkcheck::verifyDir(dir_.path());
    EXPECT_EQ(r.code, Damaged);
    EXPECT_TRUE(mentions(r, "PERSON.dat", "Satz 3 gesperrt von Prozess")) << describe(r);
    EXPECT_TRUE(mentions(r, "PERSON.dat", "Öffnungszähler 1")) << describe(r);

    EXPECT_EQ(runCheck(dir_.path(), "--reset-locks"), 0) << checkOutput;
    EXPECT_NE(
        checkOutput.find("PERSON.dat: Sperrtabelle, Besitzermarke und Öffnungszähler geleert"),
        std::string::npos)
        << checkOutput;
    f = bt3Open(base.c_str(), LIO_SHARED | LIO_RDWR);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(rewritePerson(f, 3), kRecLen);
    ASSERT_EQ(bt3Close(f), 0);
    EXPECT_EQ(runCheck(dir_.path()), 0) << checkOutput;
}

TEST_F(LockTest, ResetLocksClearsOwnerMarksAndTouchesNothingElse)
{
    velk::apptest::setHeaderWord(path("PERSON.ndx"), 0, LIO_H_OWNER, 12);
    velk::apptest::setFileWord(path("blob.mp"), VL_H_OWNER * 4, 5);
    velk::apptest::setFileWord(path("blob.mp"), VL_H_NLOCKS * 4, 1);
    velk::apptest::setFileWord(path("blob.mp"), VL_H_LOCKS * 4, 2);
    velk::apptest::setFileWord(path("blob.mp"), VL_H_LOCKS * 4 + 4, 5);
    velk::apptest::setHeaderWord(path("PERSON.dat"), 0, LIO_H_MARK, LIO_MARK_DIRTY);

    velkcheck::tResult r = velkcheck::verifyDir(dir_.path());
    EXPECT_TRUE(mentions(r, "PERSON.ndx", "exklusiver Besitzerprozess 12")) << describe(r);
    EXPECT_TRUE(mentions(r, "blob.mp", "Satz 2 gesperrt von Prozess 5")) << describe(r);

    r = velkcheck::resetLocks(dir_.path());
    EXPECT_EQ(r.code, Damaged) << "the mark is a repair's business: " << describe(r);
    ASSERT_EQ(r.findings.size(), 1u) << describe(r);
    EXPECT_TRUE(mentions(r, "PERSON.dat", "Marke 38")) << describe(r);
    EXPECT_EQ(velk::apptest::headerWord(path("PERSON.ndx"), 0, LIO_H_OWNER), 0);
    EXPECT_EQ(velk::apptest::fileWord(path("blob.mp"), VL_H_NLOCKS * 4), 0);
}

} // namespace
