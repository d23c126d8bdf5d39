// Kill test: a child runs a stream of adds, rewrites and deletes on both file sets in shared
// mode and is killed with SIGKILL at a random moment.  Before each operation it writes what it
// is about to do into a pipe, after it what it finished; so the parent knows every finished
// operation and the one (at most) that was cut off.  After each kill velk-check must answer 0 or
// 1, the repair must leave a directory that verifies clean and opens, and the sets must hold
// exactly the finished operations' records (the cut-off one either done or not done, or its
// record torn where the kill stopped the write between two pages).
//
// The directory carries over from kill to kill, so later rounds repair files that grew through
// earlier repairs.  VELK_SOAK_KILLS raises the number of kills (make soak).
#include "tests/tools/crash/crash_support.h"

#include <cstdlib>
#include <cstring>
#include <random>
#include <set>

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace velk::crashtest;

namespace {

// One line of the child's report.
struct Msg {
    char phase; // 'B' about to start, 'E' finished as expected
    char set;   // SetKind
    char op;    // 'A' add, 'W' rewrite, 'D' delete
    char pad;
    char id[8];
    char newId[8]; // rewrite: the ID the record gets
    int32_t version;
};
static_assert(sizeof(Msg) == 24, "one atomic pipe write");

struct Op {
    SetKind set;
    char op;
    std::string id, newId;
    int version;
};

Msg toMsg(char phase, const Op &o)
{
    Msg m = {};
    m.phase = phase;
    m.set = (char)o.set;
    m.op = o.op;
    memcpy(m.id, o.id.data(), 8);
    memcpy(m.newId, o.newId.data(), 8);
    m.version = o.version;
    return m;
}

Op fromMsg(const Msg &m)
{
    return Op{(SetKind)m.set, m.op, std::string(m.id, 8), std::string(m.newId, 8), m.version};
}

void applyOp(Contents &c, const Op &o)
{
    if (o.op == 'A') c[o.id] = o.version;
    if (o.op == 'W') {
        c.erase(o.id);
        c[o.newId] = o.version;
    }
    if (o.op == 'D') c.erase(o.id);
}

std::string freshId(int round, int &counter)
{
    char b[16];
    snprintf(b, sizeof b, "%03d%05d", round % 1000, counter++ % 100000);
    return b;
}

// The child: opens both sets, learns what they hold, then changes them until it is killed.
int workload(const std::string &dir, unsigned seed, int round, int out)
{
    Bt3File *fd[2] = {openSet(dir, Table), openSet(dir, Blob)};
    if (!fd[0] || !fd[1]) return 10;
    Contents c[2];
    std::string why;
    if (!scanSet(fd[0], Table, &c[0], &why) || !scanSet(fd[1], Blob, &c[1], &why)) return 11;
    std::mt19937 rng(seed);
    int counter = 0;
    for (;;) {
        SetKind k = rng() % 10 < 6 ? Table : Blob;
        Contents &m = c[k];
        unsigned roll = rng() % 100;
        Op o{k, 'A', "", "", 1};
        if (m.size() > 3 && (roll < 35 || m.size() > 150)) {
            auto it = m.begin();
            std::advance(it, rng() % m.size());
            o.id = it->first;
            o.version = it->second;
            if (roll < 22) {
                o.op = 'W';
                o.newId = rng() % 3 == 0 ? freshId(round, counter) : o.id;
                o.version++;
            } else {
                o.op = 'D';
            }
        } else {
            o.id = freshId(round, counter);
        }
        if (o.newId.empty()) o.newId = o.id;
        Msg b = toMsg('B', o);
        if (write(out, &b, sizeof b) != sizeof b) return 12;
        int rc = o.op == 'A'   ? addRecord(fd[k], k, o.id, o.version)
                 : o.op == 'W' ? rewriteRecord(fd[k], k, o.id, o.newId, o.version)
                               : deleteRecord(fd[k], k, o.id);
        if (rc < 0 || (rc == 0 && o.op != 'D')) return 13;
        applyOp(m, o);
        Msg e = toMsg('E', o);
        if (write(out, &e, sizeof e) != sizeof e) return 12;
    }
}

// Reads one report; false at end of file or after 30 s.
bool readMsg(int fd, Msg *m)
{
    size_t got = 0;
    while (got < sizeof *m) {
        struct pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, 30000) != 1) return false;
        ssize_t n = read(fd, (char *)m + got, sizeof *m - got);
        if (n <= 0) return false;
        got += (size_t)n;
    }
    return true;
}

// the child of a round: forked here, reports into fds[1]
pid_t spawnChild(const std::string &dir, unsigned seed, int round, int fds[2])
{
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        _exit(workload(dir, seed, round, fds[1]));
    }
    return pid;
}

// What differs between two contents, for a failure message.
std::string differences(const Contents &got, const Contents &want)
{
    std::string out;
    for (const auto &[id, v] : got) {
        auto it = want.find(id);
        if (it == want.end())
            out += " extra " + id + "/" + std::to_string(v);
        else if (it->second != v)
            out +=
                " " + id + " version " + std::to_string(v) + " not " + std::to_string(it->second);
    }
    for (const auto &[id, v] : want)
        if (!got.count(id)) out += " missing " + id + "/" + std::to_string(v);
    return out;
}

// Deletes the records listed, so that the next child starts on a sound set.
void dropRecords(Bt3File *fd, const std::set<int> &recs)
{
    char *buf = bt3GetBuff(fd, 300);
    for (int rec : recs) {
        EXPECT_GT(bt3DataRead(fd, rec, buf), 0);
        EXPECT_EQ(bt3Delete(fd), 0) << "error " << lioLastErr()->code;
    }
    bt3FreeBuff(buf);
}

// What the sets may hold after the kill: the finished operations, with the cut-off one (if any)
// either applied or not.  A SIGKILL can also tear that one operation's record write where it
// crosses a 4 KiB page (the kernel stops a write between pages for a fatal signal); without a
// journal the record then holds a mix of old and new bytes.  Such a record may stand only for
// the operation cut off; it is deleted before the next round.  Answers how many there were.
int expectSurvivors(const Contents before[2], const Op *cut, Bt3File *fd[2])
{
    int tornRecords = 0;
    for (int k = 0; k < 2; k++) {
        SCOPED_TRACE(setName((SetKind)k));
        Contents got;
        std::set<int> torn;
        std::string why;
        EXPECT_TRUE(scanSet(fd[k], (SetKind)k, &got, &why, &torn)) << why;
        const Contents &done = before[k];
        if (!cut || cut->set != k) {
            EXPECT_TRUE(torn.empty()) << "a record torn by no operation in flight";
            EXPECT_TRUE(got == done)
                << "against the finished operations:" << differences(got, done);
            continue;
        }
        Contents applied = done, rest = done;
        applyOp(applied, *cut);
        rest.erase(cut->id);
        rest.erase(cut->newId);
        if (torn.empty()) {
            EXPECT_TRUE(got == done || got == applied)
                << "the operation cut off (" << cut->op << " " << cut->id << " -> " << cut->newId
                << " version " << cut->version
                << ") left neither the old nor the new state:" << differences(got, done);
        } else {
            EXPECT_EQ(torn.size(), 1u);
            EXPECT_NE(cut->op, 'D') << "a delete writes no record bytes";
            EXPECT_TRUE(got == rest)
                << "besides the torn record of " << cut->id << " the set changed";
            tornRecords += (int)torn.size();
            dropRecords(fd[k], torn);
        }
    }
    return tornRecords;
}

// How the kills fell: inside an operation, and with damage that velk-check reported.
struct Tally {
    int kills = 0, insideOp = 0, damaged = 0, torn = 0;
};

// One kill: returns the contents after the repair (the start of the next round).
void killRound(const std::string &dir, std::mt19937 &rng, unsigned seed, int round, Contents c[2],
               Tally &tally)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    pid_t pid = spawnChild(dir, seed, round, fds);
    ASSERT_GT(pid, 0);
    close(fds[1]);
    int finishedBeforeKill = (int)(rng() % 40);
    int waitUs = (int)(rng() % 400);
    Msg m;
    Op cut;
    bool open = false, early = false;
    for (int done = 0; done < finishedBeforeKill;) {
        if (!readMsg(fds[0], &m)) {
            early = true;
            break;
        }
        if (m.phase == 'B') {
            cut = fromMsg(m);
            open = true;
        } else {
            applyOp(c[(int)m.set], fromMsg(m));
            open = false;
            done++;
        }
    }
    if (!early) usleep(waitUs);
    kill(pid, SIGKILL); // also a child gone silent: it must not keep the parent waiting
    int st = 0;
    waitpid(pid, &st, 0);
    ASSERT_TRUE(!early && WIFSIGNALED(st) && WTERMSIG(st) == SIGKILL)
        << (WIFEXITED(st) ? "the child ended by itself, status " + std::to_string(WEXITSTATUS(st))
                          : std::string("the child reported nothing for 30 s"));
    while (readMsg(fds[0], &m)) {
        if (m.phase == 'B') {
            cut = fromMsg(m);
            open = true;
        } else {
            applyOp(c[(int)m.set], fromMsg(m));
            open = false;
        }
    }
    close(fds[0]);

    ToolRun v = runTool({dir});
    ASSERT_TRUE(v.exited && (v.code == 0 || v.code == 1)) << "velk-check: " << v.describe();
    tally.kills++;
    tally.insideOp += open;
    tally.damaged += v.code == 1;
    ToolRun r = runTool({"--repair", dir});
    ASSERT_TRUE(r.exited && r.code == 0) << "velk-check --repair: " << r.describe();
    ToolRun again = runTool({dir});
    ASSERT_TRUE(again.exited && again.code == 0) << "after the repair: " << again.describe();
    EXPECT_TRUE(lostAndFoundEmpty(dir)) << "a record was moved to lost+found";

    Bt3File *fd[2] = {openSet(dir, Table), openSet(dir, Blob)};
    ASSERT_TRUE(fd[0] && fd[1]) << "the repaired sets do not open, error " << lioLastErr()->code;
    tally.torn += expectSurvivors(c, open ? &cut : nullptr, fd);
    for (int k = 0; k < 2; k++) {
        std::string why;
        scanSet(fd[k], (SetKind)k, &c[k], &why);
        EXPECT_EQ(bt3Close(fd[k]), 0);
    }
    dropBackups(dir);
}

int kills()
{
    const char *soak = getenv("VELK_SOAK_KILLS");
    int n = soak ? atoi(soak) : 0;
    return n > 0 ? n : 200;
}

} // namespace

TEST(KillTest, EveryFinishedOperationSurvivesKillAndRepair)
{
    const unsigned base = 20261209;
    const int perRun = 25;
    int total = kills();
    Tally tally;
    for (int run = 0; run * perRun < total && !HasFailure(); run++) {
        unsigned seed = base + run;
        SCOPED_TRACE("seed " + std::to_string(seed));
        DbDir dir;
        ASSERT_EQ(createSets(dir.path()), 0);
        std::mt19937 rng(seed);
        Contents c[2];
        for (int round = 0; round < perRun && run * perRun + round < total && !HasFailure();
             round++) {
            SCOPED_TRACE("kill " + std::to_string(round));
            killRound(dir.path(), rng, seed * 1000 + round, round, c, tally);
        }
    }
    printf("%d kills, %d inside an operation, %d left damage that velk-check reported, "
           "%d tore a record write\n",
           tally.kills, tally.insideOp, tally.damaged, tally.torn);
    EXPECT_EQ(tally.kills, total);
    EXPECT_GT(tally.insideOp, 0) << "no kill fell inside an operation";
}
