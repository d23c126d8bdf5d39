// Another process's changes seen from outside: the modification counters of a shared file set,
// read without a lock (bt3PeekCounts), move on disk for every change another process makes
// (also a rewrite that leaves the file's size alone) and stay equal to this process's own copy
// after its own changes; a look costs one read per file, no lock and no write.
#include <sys/stat.h>

#include "tests/btree/isam/isam_support.h"

using namespace isamtest;

namespace {

const int kLen = 32;
const int kShared = LIO_SHARED | LIO_RDWR;
int kDef[] = {0, 8, 1, 8, 4, 1 | 128, -1};

Bytes record(const char *key, const char *payload)
{
    Bytes r(kLen, 0);
    memcpy(r.data(), key, strlen(key));
    memcpy(r.data() + 8, payload, strlen(payload));
    return r;
}

struct Counts {
    int n = 0;
    int onDisk[BT3_PEEKMAX] = {}, known[BT3_PEEKMAX] = {};
};

Counts peek(Bt3File *fd)
{
    Counts c;
    c.n = bt3PeekCounts(fd, c.onDisk, c.known, BT3_PEEKMAX);
    return c;
}

long long fileSize(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

class IsamWatch : public IsamTest {
protected:
    void SetUp() override
    {
        IsamTest::SetUp();
        ASSERT_EQ(bt3Creat(base_.c_str(), kLen, kDef), 0);
        fd_ = bt3Open(base_.c_str(), kShared);
        ASSERT_TRUE(fd_);
        add("anna", "eins");
    }
    void TearDown() override
    {
        if (fd_) {
            EXPECT_EQ(bt3Close(fd_), 0);
        }
        {
            velk::apptest::OpenFile ndx(lioOpen(path(".ndx").c_str(), LIO_EXCL | LIO_RDWR));
            velk::apptest::OpenFile dat(lioOpen(path(".dat").c_str(), LIO_EXCL | LIO_RDWR));
            EXPECT_TRUE(ndx.get() && dat.get());
            if (ndx.get() && dat.get()) {
                EXPECT_EQ(velk::apptest::checkIndexFile(ndx.get()), "");
                EXPECT_EQ(velk::apptest::checkDataFile(dat.get()), "");
            }
        }
        IsamTest::TearDown();
    }
    void add(const char *key, const char *payload)
    {
        Buf b(fd_);
        b.set(record(key, payload));
        ASSERT_EQ(bt3Add(fd_, b.get()), kLen);
    }
    // What another copy does: its own open of the set, one operation, close.
    int inChild(const std::function<bool(Bt3File *, char *)> &op)
    {
        std::string base = base_;
        return waitFor(spawn([&] {
            Bt3File *fd = bt3Open(base.c_str(), kShared);
            if (!fd) return 2;
            char *b = bt3GetBuff(fd, 0);
            bool ok = op(fd, b);
            bt3FreeBuff(b);
            return bt3Close(fd) == 0 && ok ? 0 : 3;
        }));
    }

    Bt3File *fd_ = nullptr;
};

TEST_F(IsamWatch, OwnChangeLeavesDiskAndOwnCopyEqual)
{
    Counts before = peek(fd_);
    ASSERT_EQ(before.n, 2) << "the data file and .ndx";
    unsigned own = lioOwnChanges();
    add("bert", "zwei");
    EXPECT_NE(lioOwnChanges(), own);
    Counts after = peek(fd_);
    ASSERT_EQ(after.n, 2);
    for (int i = 0; i < 2; i++) {
        EXPECT_NE(after.onDisk[i], before.onDisk[i]) << "file " << i;
        EXPECT_EQ(after.onDisk[i], after.known[i]) << "file " << i;
    }
    // A read changes nothing: neither the counters nor the own-change count.
    own = lioOwnChanges();
    Buf b(fd_);
    b.set(record("anna", ""));
    ASSERT_EQ(bt3Find(fd_, b.get(), 5), kLen);
    Counts read = peek(fd_);
    EXPECT_EQ(lioOwnChanges(), own);
    for (int i = 0; i < 2; i++) EXPECT_EQ(read.onDisk[i], after.onDisk[i]) << "file " << i;
}

// Which operation of another process moves which file's counter on disk, while this process's
// copy stays where its last bracket left it; the next bracket here catches up.
TEST_F(IsamWatch, AnotherProcessesChangeShowsOnDiskOnly)
{
    add("bert", "zwei");
    struct Row {
        const char *what;
        std::function<bool(Bt3File *, char *)> op;
        bool data, ndx; // whose counter moves
        bool sameSize;  // the data file keeps its size
    } rows[] = {
        {"add",
         [](Bt3File *fd, char *b) {
             memcpy(b, record("carl", "drei").data(), kLen);
             return bt3Add(fd, b) == kLen;
         },
         true, true, false},
        {"rewrite in place",
         [](Bt3File *fd, char *b) {
             memcpy(b, record("anna", "").data(), kLen);
             if (bt3Find(fd, b, 5) != kLen) return false;
             memcpy(b, record("anna", "EINS").data(), kLen);
             return bt3Write(fd, b) == kLen;
         },
         true, true, true},
        {"rewrite in place, keys unchanged",
         [](Bt3File *fd, char *b) {
             memcpy(b, record("anna", "").data(), kLen);
             if (bt3Find(fd, b, 5) != kLen) return false;
             memcpy(b + 12, "neu", 3);
             return bt3Write(fd, b) == kLen;
         },
         true, true, true},
        {"delete",
         [](Bt3File *fd, char *b) {
             memcpy(b, record("bert", "").data(), kLen);
             return bt3Find(fd, b, 5) == kLen && bt3Delete(fd) == 0;
         },
         true, true, true},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        Counts before = peek(fd_);
        ASSERT_EQ(before.n, 2);
        long long size = fileSize(path(".dat"));
        ASSERT_EQ(inChild(r.op), 0);
        if (r.sameSize) {
            EXPECT_EQ(fileSize(path(".dat")), size);
        }

        LioIoCount a, b;
        lioIoCount(&a);
        Counts after = peek(fd_);
        lioIoCount(&b);
        ASSERT_EQ(after.n, 2);
        EXPECT_EQ(b.readCalls - a.readCalls, 2) << "one read per file";
        EXPECT_EQ(b.readBytes - a.readBytes, 8);
        EXPECT_EQ(b.lockCalls - a.lockCalls, 0);
        EXPECT_EQ(b.writeCalls - a.writeCalls, 0);
        bool moved[2] = {r.data, r.ndx};
        for (int i = 0; i < 2; i++) {
            EXPECT_EQ(after.onDisk[i] != before.onDisk[i], moved[i]) << "file " << i;
            EXPECT_EQ(after.known[i], before.known[i]) << "file " << i;
            EXPECT_EQ(after.onDisk[i] != after.known[i], moved[i]) << "file " << i;
        }
        // Any bracket of this process reads the headers again.
        EXPECT_GE(bt3Count(fd_), 0);
        Buf buf(fd_);
        buf.set(record("anna", ""));
        ASSERT_EQ(bt3Find(fd_, buf.get(), 5), kLen);
        Counts caught = peek(fd_);
        for (int i = 0; i < 2; i++) EXPECT_EQ(caught.onDisk[i], caught.known[i]) << "file " << i;
    }
}

// A temporary index adds ".nx$" to the files looked at; a variable-length set has no counter in
// its store and answers its ".ndx" alone; too little room is refused.
TEST_F(IsamWatch, FilesOfTheSet)
{
    // Temporary indices are made in exclusive use only.
    ASSERT_EQ(bt3Close(fd_), 0);
    fd_ = bt3Open(base_.c_str(), LIO_EXCL | LIO_RDWR);
    ASSERT_TRUE(fd_);
    int tmp[] = {8, 4, 1 | 128, -1};
    ASSERT_GE(bt3AddInx(fd_, tmp), 0);
    Counts three = peek(fd_);
    EXPECT_EQ(three.n, 3);
    int onDisk[2], known[2];
    EXPECT_EQ(bt3PeekCounts(fd_, onDisk, known, 2), -1);
    EXPECT_EQ(lastCode(), LIO_E_BADARG);
    EXPECT_EQ(bt3DelInx(fd_), 0);
    EXPECT_EQ(peek(fd_).n, 2);
    EXPECT_EQ(bt3PeekCounts(nullptr, onDisk, known, 2), -1);

    std::string vl = dir_.file("v");
    int vdef[] = {0, 8, 1, -1};
    ASSERT_EQ(bt3VlCreate(vl.c_str(), vdef, 16, 4096, 128), 0);
    Bt3File *v = bt3Open(vl.c_str(), kShared);
    ASSERT_TRUE(v);
    Counts one = peek(v);
    EXPECT_EQ(one.n, 1) << "the store has no counter";
    int rc = waitFor(spawn([&] {
        Bt3File *w = bt3Open(vl.c_str(), kShared);
        if (!w) return 2;
        char *b = bt3GetBuff(w, 0);
        memset(b, 0, 40);
        memcpy(b, "textid01", 8);
        bool ok = bt3VlAdd(w, b, 40) == 40;
        bt3FreeBuff(b);
        return bt3Close(w) == 0 && ok ? 0 : 3;
    }));
    ASSERT_EQ(rc, 0);
    Counts later = peek(v);
    ASSERT_EQ(later.n, 1);
    EXPECT_NE(later.onDisk[0], one.onDisk[0]) << "a new text changes its index";
    EXPECT_EQ(later.known[0], one.known[0]);
    EXPECT_EQ(bt3Close(v), 0);
}

} // namespace
