// Failing I/O: an add, a rewrite and a delete on a set of 60 records, run once for every I/O
// call the operation makes, with that call (once, or it and all later ones) answering EIO or
// ENOSPC; in shared mode as the program uses it, and with EIO in exclusive mode, where the
// headers live in memory until the set is closed.  Each time: the operation answers an error
// exactly when the fault hit something it could not do without; no byte-0 lock stays behind; a set
// the engine left marked clean is consistent; and after velk-check --repair the set verifies clean
// and holds every record of a finished operation (a failed one either done or not done).
#include "tests/tools/crash/crash_support.h"

#include <cerrno>
#include <cstring>

#include <gtest/gtest.h>

using namespace velk::crashtest;

namespace {

struct Case {
    SetKind set;
    char op; // 'A', 'W', 'D'
};

std::string seedId(int i)
{
    char b[16];
    snprintf(b, sizeof b, "T%07d", i);
    return b;
}

Contents seeded()
{
    Contents c;
    for (int i = 1; i <= 60; i++) c[seedId(i)] = 1;
    return c;
}

Contents afterOp(char op)
{
    Contents c = seeded();
    if (op == 'A') c["N0000001"] = 1;
    if (op == 'W') {
        c.erase(seedId(30));
        c["N0000030"] = 2;
    }
    if (op == 'D') c.erase(seedId(31));
    return c;
}

class IoFaults : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override
    {
        lioInit();
        ASSERT_EQ(createSets(tpl_.path()), 0);
        for (SetKind k : {Table, Blob}) {
            Bt3File *fd = openSet(tpl_.path(), k);
            ASSERT_NE(fd, nullptr);
            for (const auto &[id, v] : seeded()) ASSERT_GT(addRecord(fd, k, id, v), 0);
            ASSERT_EQ(bt3Close(fd), 0);
        }
    }

    // Runs the operation with the hook armed as given; answers its result and the calls made.
    int runOp(Bt3File *fd, int nth, int err, int persistent, int *calls)
    {
        Case c = GetParam();
        char *buf = bt3GetBuff(fd, 300);
        int rc = -100;
        if (c.op == 'A') {
            Bytes r = makeRecord(c.set, "N0000001", 1);
            memcpy(buf, r.data(), r.size());
            lioIoFault(nth, err, persistent);
            rc = c.set == Table ? bt3Add(fd, buf) : bt3VlAdd(fd, buf, (int)r.size());
        } else {
            memset(buf, 0, 300);
            std::string id = seedId(c.op == 'W' ? 30 : 31);
            memcpy(buf, id.data(), 8);
            if (bt3Find(fd, buf, 5) > 0) {
                Bytes r = makeRecord(c.set, "N0000030", 2);
                memcpy(buf, r.data(), r.size());
                lioIoFault(nth, err, persistent);
                if (c.op == 'D')
                    rc = bt3Delete(fd);
                else
                    rc = c.set == Table ? bt3Write(fd, buf) : bt3VlWrite(fd, buf, (int)r.size());
            }
        }
        *calls = lioIoCalls();
        lioIoFault(-1, 0, 0);
        bt3FreeBuff(buf);
        return rc;
    }

    void oneRun(int nth, int err, int persistent);
    void walk(const std::vector<int> &errs);

    DbDir tpl_;
    int mode_ = LIO_SHARED | LIO_RDWR;
};

void IoFaults::oneRun(int nth, int err, int persistent)
{
    Case c = GetParam();
    DbDir d;
    copyDir(tpl_.path(), d.path());
    Bt3File *fd = openSet(d.path(), c.set, mode_);
    ASSERT_NE(fd, nullptr);
    int calls = 0;
    int rc = runOp(fd, nth, err, persistent, &calls);
    ASSERT_NE(rc, -100) << "the record to change was not found";
    bool ok = c.op == 'D' ? rc == 0 : rc > 0;
    if (calls < nth) {
        EXPECT_TRUE(ok) << "no fault was injected, yet the operation answered " << rc;
    }
    // A delete is done once its record is freed; the step to the next record that follows may
    // fail and leaves no current record.  Any other hit must fail the operation.
    if (ok && calls >= nth) {
        EXPECT_EQ(c.op, 'D') << "the fault hit the operation, yet it answered " << rc;
        EXPECT_EQ(bt3GetCur(fd), 0);
    }
    if (!ok) {
        EXPECT_EQ(rc, -1) << "a failure must answer -1, not a duplicate key";
        EXPECT_NE(lioLastErr()->code, 0);
    }
    for (const std::string &f : setFiles(d.path(), c.set))
        EXPECT_TRUE(byte0Free(f)) << f << " stays locked";
    EXPECT_EQ(bt3Close(fd), 0) << "error " << lioLastErr()->code;

    Contents before = seeded(), after = afterOp(c.op), got;
    std::string why;
    // whatever the engine left marked clean must be sound, without any repair
    if (Bt3File *again = openSet(d.path(), c.set)) {
        EXPECT_TRUE(scanSet(again, c.set, &got, &why)) << "marked clean but broken: " << why;
        EXPECT_TRUE(got == after || (!ok && got == before)) << "marked clean with wrong records";
        bt3Close(again);
    } else {
        int code = lioLastErr()->code;
        EXPECT_TRUE(code == LIO_E_CORRUPT || code == VL_E_CORRUPT)
            << "the set neither opens nor says it was left unfinished: error " << code;
    }

    ToolRun r = runTool({"--repair", d.path()});
    ASSERT_TRUE(r.exited && r.code == 0) << "velk-check --repair: " << r.describe();
    ToolRun v = runTool({d.path()});
    ASSERT_TRUE(v.exited && v.code == 0) << "after the repair: " << v.describe();
    for (SetKind k : {Table, Blob}) {
        Bt3File *set = openSet(d.path(), k);
        ASSERT_NE(set, nullptr) << setName(k) << " does not open after the repair";
        ASSERT_TRUE(scanSet(set, k, &got, &why)) << setName(k) << ": " << why;
        if (k != c.set)
            EXPECT_TRUE(got == before) << "the other set changed";
        else if (ok)
            EXPECT_TRUE(got == after) << "the operation succeeded but its change is not there";
        else
            EXPECT_TRUE(got == before || got == after) << "neither the old nor the new state";
        EXPECT_EQ(bt3Close(set), 0);
    }
}

} // namespace

void IoFaults::walk(const std::vector<int> &errs)
{
    int total = 0;
    {
        DbDir d;
        copyDir(tpl_.path(), d.path());
        Bt3File *fd = openSet(d.path(), GetParam().set, mode_);
        ASSERT_NE(fd, nullptr);
        ASSERT_GE(runOp(fd, 0, 0, 0, &total), 0);
        bt3Close(fd);
    }
    ASSERT_GT(total, 2) << "the operation made hardly any I/O: is the seam in place?";
    for (int err : errs)
        for (int persistent : {0, 1})
            for (int nth = 1; nth <= total + 1 && !HasFailure(); nth++) {
                SCOPED_TRACE("call " + std::to_string(nth) + " of " + std::to_string(total) + ", " +
                             strerror(err) + (persistent ? ", from then on" : ", once"));
                oneRun(nth, err, persistent);
            }
}

TEST_P(IoFaults, EveryCallOfTheOperationFails) { walk({EIO, ENOSPC}); }

TEST_P(IoFaults, EveryCallFailsInExclusiveMode)
{
    mode_ = LIO_EXCL | LIO_RDWR;
    walk({EIO});
}

INSTANTIATE_TEST_SUITE_P(Operations, IoFaults,
                         ::testing::Values(Case{Table, 'A'}, Case{Table, 'W'}, Case{Table, 'D'},
                                           Case{Blob, 'A'}, Case{Blob, 'W'}, Case{Blob, 'D'}),
                         [](const ::testing::TestParamInfo<Case> &i) {
                             return std::string(setName(i.param.set)) + (i.param.op == 'A' ? "Add"
                                                                         : i.param.op == 'W'
                                                                             ? "Rewrite"
                                                                             : "Delete");
                         });
