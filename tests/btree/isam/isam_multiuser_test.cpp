// Several processes on one shared file set: each operation is one bracket over the data file and
// the indices, so four processes adding, rewriting and deleting at once leave a consistent file
// set with nothing lost; unique keys stay unique across processes; record locks serialise a
// counter; a lock held by one process refuses another's rewrite.
#include <random>
#include <set>

#include "tests/btree/isam/isam_support.h"

using namespace isamtest;

namespace {

const int kLen = 48;
const int kShared = LIO_SHARED | LIO_RDWR;

// 48-byte records: key 0 unique at 0..7 (the owner's letter and a number), key 1 unique at
// 8..15 + 40..43, key 2 character with duplicates at 16..19, payload 20..39.
int kDef[] = {0, 8, 5, 8, 8, 1, 40, 4, 32, 16, 4, 1 | 128, -1};

Bytes record(char who, int i, int version)
{
    char t[64] = {};
    snprintf(t, sizeof t, "%c%07d%c%06dv%02dgrp%dpayload-%c-%06d-%03d..", who, i, who, i,
             version % 100, i % 5, who, i, version);
    Bytes r(t, t + kLen);
    snprintf(t, sizeof t, "%04d", version);
    memcpy(&r[40], t, 4);
    return r;
}

// The operations of one process, the same in the child and in the parent's replay: the records
// that must be there at the end, by number.
struct Script {
    char who;
    std::mt19937 rng;
    std::map<int, int> live; // number -> version
    int next = 0;

    explicit Script(char w) : who(w), rng(1000 + w) {}
    enum Op { Add, Rewrite, Delete };
    Op pick(int &i, int &version)
    {
        unsigned r = rng() % 10;
        version = 0;
        if (live.empty() || r < 5) {
            i = next++;
            version = 0;
            live[i] = 0;
            return Add;
        }
        auto it = live.begin();
        std::advance(it, rng() % live.size());
        i = it->first;
        if (r < 8) {
            version = ++it->second;
            return Rewrite;
        }
        live.erase(it);
        return Delete;
    }
};

int runChild(const std::string &base, char who, int ops)
{
    Bt3File *fd = bt3Open(base.c_str(), kShared);
    if (!fd) return 2;
    char *b = bt3GetBuff(fd, 0);
    Script s(who);
    for (int n = 0; n < ops; n++) {
        int i, version;
        Script::Op op = s.pick(i, version);
        Bytes r = record(who, i, version);
        memcpy(b, r.data(), kLen);
        if (op == Script::Add) {
            if (bt3Add(fd, b) != kLen) return 3;
            continue;
        }
        if (bt3Find(fd, b, 5) != kLen) return 4;
        if (op == Script::Rewrite) {
            memcpy(b, r.data(), kLen);
            if (bt3Write(fd, b) != kLen) return 5;
        } else if (bt3Delete(fd) != 0) {
            return 6;
        }
        if (n % 10 == 0) { // a key every process wants: exactly one gets it
            Bytes c = record('#', n / 10, 0);
            memcpy(b, c.data(), kLen);
            int got = bt3Add(fd, b);
            if (got != kLen && !(got == 0 && lastCode() == BT3_E_DUPKEY)) return 7;
        }
    }
    bt3FreeBuff(b);
    return bt3Close(fd) == 0 ? 0 : 8;
}

class IsamMultiUser : public IsamTest {};

TEST_F(IsamMultiUser, FourProcessesChangingOneFileSetLoseNothing)
{
    ASSERT_EQ(bt3Creat(base_.c_str(), kLen, kDef), 0);
    const int ops = 1000;
    Signal go;
    std::vector<pid_t> kids;
    for (char who = 'A'; who < 'E'; who++)
        kids.push_back(spawn([&, who] { return go.wait() ? runChild(base_, who, ops) : 9; }));
    for (size_t i = 0; i < kids.size(); i++) go.post();
    for (pid_t k : kids) EXPECT_EQ(waitFor(k), 0);

    Bt3File *fd = bt3Open(base_.c_str(), kShared); // the key counts agree, or 361
    ASSERT_NE(fd, nullptr) << lastCode();
    Buf b(fd);
    size_t expected = 0;
    for (char who = 'A'; who < 'E'; who++) {
        Script s(who);
        for (int n = 0; n < ops; n++) {
            int i, v;
            s.pick(i, v);
        }
        expected += s.live.size();
        for (auto &[i, version] : s.live) {
            Bytes r = record(who, i, version);
            b.set(r);
            ASSERT_EQ(bt3Find(fd, b.get(), 5), kLen) << who << i;
            EXPECT_EQ(b.take(kLen), r);
            ASSERT_EQ(bt3Select(fd, 1), 0);
            b.set(r);
            ASSERT_EQ(bt3Find(fd, b.get(), 5), kLen) << "by key 1: " << who << i;
            ASSERT_EQ(bt3Select(fd, 0), 0);
        }
    }
    // the shared keys: each taken once
    int common = 0;
    for (int n = 0; n < ops / 10; n++) {
        Bytes c = record('#', n, 0);
        int rec = bt3Check(fd, 0, (const char *)c.data());
        if (rec > 0) common++;
    }
    EXPECT_GT(common, 0);
    EXPECT_EQ(bt3Count(fd), int(expected) + common);
    std::set<int> walked;
    ASSERT_EQ(bt3Select(fd, 2), 0);
    for (int r = bt3Start(fd, b.get()); r > 0 && bt3Status(fd) != BT3_ATEND;
         r = bt3Next(fd, b.get()))
        walked.insert(bt3GetCur(fd));
    EXPECT_EQ(walked.size(), expected + common) << "the duplicates index lists every record once";
    ASSERT_EQ(bt3Close(fd), 0);

    velk::apptest::OpenFile ndx(lioOpen(path(".ndx").c_str(), LIO_EXCL | LIO_RDWR));
    velk::apptest::OpenFile dat(lioOpen(path(".dat").c_str(), LIO_EXCL | LIO_RDWR));
    ASSERT_TRUE(ndx.get() && dat.get());
    EXPECT_EQ(velk::apptest::checkIndexFile(ndx.get()), "");
    EXPECT_EQ(velk::apptest::checkDataFile(dat.get()), "");
}

// Read, lock, read again, increment, rewrite, unlock: with the lock no increment is lost.
TEST_F(IsamMultiUser, LockedCounterCountsEveryIncrement)
{
    ASSERT_EQ(bt3Creat(base_.c_str(), kLen, kDef), 0);
    {
        Bt3File *fd = bt3Open(base_.c_str(), kShared);
        ASSERT_NE(fd, nullptr);
        Buf b(fd);
        b.set(record('C', 0, 0));
        ASSERT_EQ(bt3Add(fd, b.get()), kLen);
        ASSERT_EQ(bt3Close(fd), 0);
    }
    const int each = 60;
    auto child = [&]() -> int {
        Bt3File *fd = bt3Open(base_.c_str(), kShared);
        if (!fd) return 2;
        char *b = bt3GetBuff(fd, 0);
        Bytes key = record('C', 0, 0);
        for (int n = 0; n < each; n++) {
            for (int tries = 0;; tries++) {
                memcpy(b, key.data(), kLen);
                if (bt3Find(fd, b, 5) != kLen) return 3;
                if (bt3Lock(fd) == 0) break;
                if (lastCode() != LIO_E_RECLOCK || tries > 100000) return 4;
                usleep(50);
            }
            memcpy(b, key.data(), kLen);
            if (bt3Find(fd, b, 5) != kLen) return 5; // what the last holder wrote
            int v = atoi(std::string(b + 20, 8).c_str());
            char t[16];
            snprintf(t, sizeof t, "%08d", (v + 1) % 100000000);
            memcpy(b + 20, t, 8);
            if (bt3Write(fd, b) != kLen || bt3UnLock(fd) != 0) return 6;
        }
        bt3FreeBuff(b);
        return bt3Close(fd) == 0 ? 0 : 7;
    };
    {
        Bt3File *fd = bt3Open(base_.c_str(), kShared);
        ASSERT_NE(fd, nullptr);
        Buf b(fd);
        b.set(record('C', 0, 0));
        memcpy(b.get() + 20, "00000000", 8);
        ASSERT_EQ(bt3Find(fd, b.get(), 5), kLen);
        memcpy(b.get() + 20, "00000000", 8);
        ASSERT_EQ(bt3Write(fd, b.get()), kLen);
        ASSERT_EQ(bt3Lock(fd), 0);
        // held here: another process may not rewrite the record
        pid_t k = spawn([&] {
            Bt3File *f = bt3Open(base_.c_str(), kShared);
            char *x = bt3GetBuff(f, 0);
            memcpy(x, record('C', 0, 0).data(), kLen);
            if (bt3Find(f, x, 5) != kLen) return 2;
            return bt3Write(f, x) == -1 && lastCode() == LIO_E_RECLOCK ? 0 : 3;
        });
        EXPECT_EQ(waitFor(k), 0);
        ASSERT_EQ(bt3UnLock(fd), 0);
        ASSERT_EQ(bt3Close(fd), 0);
    }
    std::vector<pid_t> kids;
    for (int c = 0; c < 4; c++) kids.push_back(spawn(child));
    for (pid_t k : kids) EXPECT_EQ(waitFor(k), 0);
    Bt3File *fd = bt3Open(base_.c_str(), kShared);
    ASSERT_NE(fd, nullptr);
    Buf b(fd);
    b.set(record('C', 0, 0));
    ASSERT_EQ(bt3Find(fd, b.get(), 5), kLen);
    EXPECT_EQ(std::string(b.get() + 20, 8), "00000240");
    EXPECT_EQ(bt3Close(fd), 0);
}

// Two handles of one shared file set: a rewrite takes the old keys from the record as it is
// stored now, not from the copy its handle read before another handle changed the record.
TEST_F(IsamMultiUser, RewriteOverAnotherHandlesChangeKeepsIndicesInStep)
{
    ASSERT_EQ(bt3Creat(base_.c_str(), kLen, kDef), 0);
    Bt3File *a = bt3Open(base_.c_str(), kShared), *b = bt3Open(base_.c_str(), kShared);
    ASSERT_TRUE(a && b);
    Buf ba(a), bb(b);
    Bytes r = record('R', 1, 0);
    ba.set(r);
    ASSERT_EQ(bt3Add(a, ba.get()), kLen);
    int rec = bt3GetCur(a);
    bb.set(r);
    ASSERT_EQ(bt3Find(b, bb.get(), 5), kLen);
    memcpy(bb.get() + 16, "zzzz", 4); // b moves the record's duplicates key
    ASSERT_EQ(bt3Write(b, bb.get()), kLen);

    memcpy(ba.get() + 20, "changed by a", 12); // a's buffer still has the old key
    ASSERT_EQ(bt3Write(a, ba.get()), kLen);
    EXPECT_EQ(bt3Check(a, 2, (const char *)r.data() + 16), rec) << "the record's key again";
    EXPECT_EQ(bt3Check(a, 2, "zzzz"), 0) << "no key left behind";

    // b deletes the record and adds another one into its number: a's rewrite is refused
    bb.set(r);
    ASSERT_EQ(bt3Find(b, bb.get(), 5), kLen);
    ASSERT_EQ(bt3Delete(b), 0);
    Bytes other = record('S', 2, 0);
    bb.set(other);
    ASSERT_EQ(bt3Add(b, bb.get()), kLen);
    ASSERT_EQ(bt3GetCur(b), rec);
    EXPECT_EQ(bt3Write(a, ba.get()), -1);
    EXPECT_EQ(lastCode(), BT3_E_NOCUR);
    EXPECT_EQ(bt3Delete(a), -1);
    EXPECT_EQ(lastCode(), BT3_E_NOCUR);
    bb.set(other);
    ASSERT_EQ(bt3Find(b, bb.get(), 5), kLen);
    EXPECT_EQ(bb.take(kLen), other);
    EXPECT_EQ(bt3Count(b), 1);
    EXPECT_EQ(bt3Close(a), 0);
    EXPECT_EQ(bt3Close(b), 0);
    velk::apptest::OpenFile ndx(lioOpen(path(".ndx").c_str(), LIO_EXCL | LIO_RDWR));
    ASSERT_NE(ndx.get(), nullptr);
    EXPECT_EQ(velk::apptest::checkIndexFile(ndx.get()), "");
}

// Two processes creating the same file sets at the same moment: one create of each set wins,
// and the loser never removes the winner's files (each create may fail only because the other
// made the file first).
TEST_F(IsamMultiUser, ConcurrentCreatesLeaveTheWinnersFilesInPlace)
{
    const int sets = 60;
    const int def[] = {0, 8, 5, 8, 8, 133, -1};
    const int vdef[] = {0, 16, 1, -1};
    auto name = [&](int i) { return dir_.file("s" + std::to_string(i)); };
    velk::apptest::Signal go;
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    auto creator = [&] {
        go.wait();
        std::string won(sets, '0');
        for (int i = 0; i < sets; i++) {
            int rc = i % 2 ? bt3Creat(name(i).c_str(), 40, def)
                           : bt3VlCreate(name(i).c_str(), vdef, 16, 32768, 128);
            if (rc == 0) won[i] = '1';
        }
        return won;
    };
    pid_t child = velk::apptest::spawn([&] {
        std::string won = creator();
        return write(fds[1], won.data(), sets) == sets ? 0 : 1;
    });
    go.post();
    go.post(); // one for each side
    std::string mine = creator();
    std::string theirs(sets, '?');
    EXPECT_EQ(read(fds[0], theirs.data(), sets), sets);
    EXPECT_EQ(velk::apptest::waitFor(child), 0);
    close(fds[0]);
    close(fds[1]);
    for (int i = 0; i < sets; i++) {
        SCOPED_TRACE("set " + std::to_string(i));
        EXPECT_EQ((mine[i] == '1') + (theirs[i] == '1'), 1) << "exactly one create wins";
        Bt3File *fd = bt3Open(name(i).c_str(), LIO_SHARED | LIO_RDWR);
        EXPECT_NE(fd, nullptr) << "the winner's set was damaged, error " << lioLastErr()->code;
        if (fd) {
            EXPECT_EQ(bt3Close(fd), 0);
        }
    }
}

} // namespace
