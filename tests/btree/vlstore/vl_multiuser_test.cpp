// Several processes on one store (fork, each child with its own open): record locks refuse
// other processes until released, the exclusive owner keeps others out, shared mode sees the
// other processes' last writes, and concurrent writers and freers lose nothing.
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/btree/vlstore/vl_support.h"

namespace vltest {
namespace {

// Runs fn in a child process; answers its exit status (fn's result, 0 = all checks passed).
pid_t spawn(const std::function<int()> &fn)
{
    pid_t pid = fork();
    if (pid == 0) _exit(fn());
    return pid;
}

int waitFor(pid_t pid)
{
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

int inChild(const std::function<int()> &fn) { return waitFor(spawn(fn)); }

class VlShared : public VlTest {
protected:
    void SetUp() override
    {
        VlTest::SetUp();
        ASSERT_EQ(vlCreat(base_.c_str(), 16, 2000, 32, 0), 0);
    }
    VlFile *openShared(int low = LIO_RDWR) { return vlOpen(base_.c_str(), LIO_SHARED | low); }
};

TEST_F(VlShared, RecordLockRefusesOtherProcessesUntilUnlocked)
{
    Store fd(openShared());
    ASSERT_NE(fd.get(), nullptr);
    int rec = vlAvl(fd);
    ASSERT_EQ(vlWrite(fd, rec, "parent", 6), 6);
    ASSERT_EQ(vlLock(fd, rec), 0);
    EXPECT_EQ(inChild([&] {
                  Store c(openShared());
                  char buf[8];
                  if (!c.get() || vlRead(c, rec, buf, 0) != 6) return 1;
                  if (vlWrite(c, rec, "child", 5) != -1 || lastCode() != LIO_E_RECLOCK) return 2;
                  if (vlFree(c, rec) != -1 || lastCode() != LIO_E_RECLOCK) return 3;
                  if (vlLock(c, rec) != -1 || lastCode() != LIO_E_RECLOCK) return 4;
                  if (vlUnLock(c, rec) != -1 || vlLockCheck(c, rec) != 1) return 5;
                  if (vlOpen(base_.c_str(), LIO_EXCL | LIO_RDWR) || lastCode() != LIO_E_LOCK)
                      return 6;
                  return 0;
              }),
              0);
    EXPECT_EQ(vlLockCheck(fd, rec), 0); // its own lock does not count against it
    ASSERT_EQ(vlUnLock(fd, rec), 0);
    EXPECT_EQ(inChild([&] {
                  Store c(openShared());
                  return c.get() && vlWrite(c, rec, "child", 5) == 5 ? 0 : 1;
              }),
              0);
    char buf[8] = {};
    EXPECT_EQ(vlRead(fd, rec, buf, 0), 5); // the other process's write, seen at once
    EXPECT_STREQ(buf, "child");

    // mode bit 16: a read locks the record, the next write of the reader releases it
    int done[2];
    ASSERT_EQ(pipe(done), 0);
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    pid_t reader = spawn([&] {
        Store c(openShared(LIO_RDLOCK));
        char b[8], x = 0;
        int rc = c.get() && vlRead(c, rec, b, 0) == 5 ? 0 : 1;
        (void)!write(done[1], &x, 1);
        (void)!read(go[0], &x, 1);
        if (rc == 0 && vlWrite(c, rec, "again", 5) != 5) rc = 2;
        return rc;
    });
    char x = 0;
    ASSERT_EQ(read(done[0], &x, 1), 1);
    EXPECT_EQ(vlWrite(fd, rec, "mine", 4), -1);
    EXPECT_EQ(lastCode(), LIO_E_RECLOCK);
    ASSERT_EQ(write(go[1], &x, 1), 1);
    EXPECT_EQ(waitFor(reader), 0);
    EXPECT_EQ(vlWrite(fd, rec, "mine", 4), 4);
    for (int f : {done[0], done[1], go[0], go[1]}) close(f);
}

TEST_F(VlShared, ExclusiveOwnerKeepsOtherProcessesOut)
{
    Store fd(vlOpen(base_.c_str(), LIO_EXCL | LIO_RDWR));
    ASSERT_NE(fd.get(), nullptr);
    EXPECT_EQ(inChild([&] {
                  if (openShared() || lastCode() != LIO_E_OWNED) return 1;
                  if (vlOpen(base_.c_str(), LIO_EXCL | LIO_RDWR) || lastCode() != LIO_E_OWNED)
                      return 2;
                  return 0;
              }),
              0);
    ASSERT_EQ(vlSetMode(fd, LIO_SHARED), LIO_SHARED | LIO_WTHRU); // gives the owner mark up
    EXPECT_EQ(inChild([&] {
                  Store c(openShared());
                  return c.get() && vlAvl(c) == 1 ? 0 : 1;
              }),
              0);
    EXPECT_EQ(vlCount(fd), 1);
}

// Each child adds, rewrites and frees its own records and takes serials; afterwards every
// child's records read back as it left them and no serial was handed out twice.
TEST_F(VlShared, ConcurrentWritersLoseNothing)
{
    const int kChildren = 4, kSteps = 200;
    std::vector<pid_t> pids;
    for (int c = 0; c < kChildren; c++) {
        pids.push_back(spawn([&, c] {
            Store fd(openShared());
            if (!fd.get()) return 10;
            std::mt19937 rng(100 + c);
            std::map<int, std::pair<int, int>> mine; // record -> (length, version)
            std::ofstream out(dir_ + "/child" + std::to_string(c));
            for (int step = 0; step < kSteps; step++) {
                int r = (int)(rng() % 10), version = c * 100000 + step;
                int len = (int)(rng() % 1997);
                if (r < 5 || mine.empty()) {
                    int rec = vlAvl(fd);
                    if (rec < 1 || vlWrite(fd, rec, pattern(len, version).data(), len) != len)
                        return 11;
                    mine[rec] = {len, version};
                    out << "serial " << vlSerial(fd, 1) << "\n";
                } else {
                    auto it = std::next(mine.begin(), rng() % mine.size());
                    std::string back(it->second.first, '\0');
                    if (vlRead(fd, it->first, back.data(), 0) != it->second.first ||
                        back != pattern(it->second.first, it->second.second))
                        return 12;
                    if (r < 8) {
                        if (vlWrite(fd, it->first, pattern(len, version).data(), len) != len)
                            return 13;
                        it->second = {len, version};
                    } else {
                        if (vlFree(fd, it->first) != it->second.first) return 14;
                        mine.erase(it);
                    }
                }
            }
            for (auto &[rec, v] : mine)
                out << "record " << rec << " " << v.first << " " << v.second << "\n";
            return fd.close() == 0 ? 0 : 15;
        }));
    }
    for (pid_t p : pids) EXPECT_EQ(waitFor(p), 0);

    Store fd(openShared());
    ASSERT_NE(fd.get(), nullptr);
    std::set<int> serials, records;
    int total = 0;
    for (int c = 0; c < kChildren; c++) {
        std::ifstream in(dir_ + "/child" + std::to_string(c));
        std::string kind;
        while (in >> kind) {
            if (kind == "serial") {
                int s;
                in >> s;
                EXPECT_TRUE(serials.insert(s).second) << "serial " << s << " twice";
                continue;
            }
            int rec, len, version;
            in >> rec >> len >> version;
            EXPECT_TRUE(records.insert(rec).second) << "record " << rec << " of two children";
            std::string back(len, '\0');
            ASSERT_EQ(vlRead(fd, rec, back.data(), 0), len) << "record " << rec;
            EXPECT_EQ(back, pattern(len, version)) << "record " << rec;
            total++;
        }
    }
    EXPECT_GT(total, 0);
    EXPECT_EQ(vlCount(fd), total);
    EXPECT_EQ(vlSerial(fd, 0), (int)serials.size());
    EXPECT_EQ(fileWord(mp_, VL_H_OPENCOUNT * 4), 1);
    ASSERT_EQ(fd.close(), 0);
    EXPECT_EQ(checkStore(base_), "");
}

} // namespace
} // namespace vltest
