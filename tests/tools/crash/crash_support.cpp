#include "tests/tools/crash/crash_support.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace velk {

namespace fs = std::filesystem;

namespace crashtest {

namespace {

const int kTableLen = 48;
const int kBlobMax = 300;
const int kTableKeys[] = {0, 8, LIO_KEY_CHAR, 8, 8, LIO_KEY_CHAR | (int)BT3_DUPS, -1, 0, 0};
const int kBlobKeys[] = {0, 8, LIO_KEY_CHAR, 8, 4, LIO_KEY_CHAR | (int)BT3_DUPS, -1, 0, 0};

// a small deterministic mix of the ID and the version
unsigned mix(const std::string &id, int version)
{
    unsigned h = 2166136261u ^ (unsigned)version;
    for (unsigned char c : id) h = (h ^ c) * 16777619u;
    return h;
}

std::string digits(int v, int width)
{
    char b[16];
    snprintf(b, sizeof b, "%0*d", width, v);
    return b;
}

int blobLength(const std::string &id, int version)
{
    return 21 + (int)(mix(id, version) % (kBlobMax - 20));
}

// A record buffer from bt3GetBuff, freed on leaving the scope.
struct Buffer {
    char *p;
    explicit Buffer(Bt3File *fd) : p(bt3GetBuff(fd, kBlobMax)) {}
    ~Buffer()
    {
        if (p) bt3FreeBuff(p);
    }
};

// Finds the record with this ID and makes it current: its length, 0 none, -1.
int findId(Bt3File *fd, char *buf, const std::string &id)
{
    if (bt3Select(fd, 0) < 0) return -1;
    memset(buf, 0, kBlobMax);
    memcpy(buf, id.data(), 8);
    int n = bt3Find(fd, buf, 5);
    if (n <= 0) return n;
    return memcmp(buf, id.data(), 8) == 0 ? n : 0;
}

} // namespace

const char *setName(SetKind k) { return k == Table ? "TERMIN" : "blob"; }

DbDir::DbDir()
{
    const char *old = getenv("PROCFILE");
    hadProcfile_ = old != nullptr;
    if (old) oldProcfile_ = old;
    setenv("PROCFILE", (tmp_.path() + "/proc.id").c_str(), 1);
}

DbDir::~DbDir()
{
    if (hadProcfile_)
        setenv("PROCFILE", oldProcfile_.c_str(), 1);
    else
        unsetenv("PROCFILE");
}

int createSets(const std::string &dir)
{
    lioInit();
    if (bt3Creat((dir + "/" + setName(Table)).c_str(), kTableLen, kTableKeys) < 0) return -1;
    return bt3VlCreate((dir + "/" + setName(Blob)).c_str(), kBlobKeys, 24, kBlobMax, 16);
}

Bt3File *openSet(const std::string &dir, SetKind k, int mode)
{
    return bt3Open((dir + "/" + setName(k)).c_str(), mode);
}

Bytes makeRecord(SetKind k, const std::string &id, int version)
{
    std::string v = digits(version, 8);
    unsigned h = mix(id, version);
    Bytes r;
    if (k == Table) {
        std::string owner = "user" + digits(version % 5, 4);
        r.insert(r.end(), id.begin(), id.end());
        r.insert(r.end(), owner.begin(), owner.end());
        r.insert(r.end(), v.begin(), v.end());
        for (int i = 0; i < kTableLen - 24; i++)
            r.push_back((unsigned char)('a' + (h >> (i % 24)) % 26));
        return r;
    }
    std::string kind = "k" + digits(version % 4, 3);
    r.insert(r.end(), id.begin(), id.end());
    r.insert(r.end(), kind.begin(), kind.end());
    r.insert(r.end(), v.begin(), v.end());
    int len = blobLength(id, version);
    for (int i = 20; i < len; i++) r.push_back((unsigned char)('A' + (h + i * 7) % 26));
    return r;
}

bool parseRecord(SetKind k, const unsigned char *p, int len, std::string *id, int *version,
                 std::string *why)
{
    if (len < 20) {
        *why = "record of " + std::to_string(len) + " bytes";
        return false;
    }
    *id = std::string((const char *)p, 8);
    std::string v((const char *)p + (k == Table ? 16 : 12), 8);
    *version = atoi(v.c_str());
    Bytes want = makeRecord(k, *id, *version);
    if ((int)want.size() != len || memcmp(want.data(), p, len) != 0) {
        *why = "record " + *id + " version " + v + ": bytes do not match";
        return false;
    }
    return true;
}

int addRecord(Bt3File *fd, SetKind k, const std::string &id, int version)
{
    Buffer b(fd);
    if (!b.p) return -1;
    Bytes r = makeRecord(k, id, version);
    memcpy(b.p, r.data(), r.size());
    return k == Table ? bt3Add(fd, b.p) : bt3VlAdd(fd, b.p, (int)r.size());
}

int rewriteRecord(Bt3File *fd, SetKind k, const std::string &id, const std::string &newId,
                  int version)
{
    Buffer b(fd);
    if (!b.p) return -1;
    int n = findId(fd, b.p, id);
    if (n <= 0) return n < 0 ? -1 : -2;
    Bytes r = makeRecord(k, newId, version);
    memcpy(b.p, r.data(), r.size());
    return k == Table ? bt3Write(fd, b.p) : bt3VlWrite(fd, b.p, (int)r.size());
}

int deleteRecord(Bt3File *fd, SetKind k, const std::string &id)
{
    (void)k;
    Buffer b(fd);
    if (!b.p) return -1;
    int n = findId(fd, b.p, id);
    if (n <= 0) return n < 0 ? -1 : -2;
    return bt3Delete(fd);
}

namespace {

// Every record in the order of index inx, as (id, version) pairs.
bool scanIndex(Bt3File *fd, SetKind k, int inx, std::multiset<std::pair<std::string, int>> *out,
               std::string *why, std::set<int> *torn)
{
    Buffer b(fd);
    if (!b.p || bt3Select(fd, inx) < 0) {
        *why = "cannot select index " + std::to_string(inx);
        return false;
    }
    int n = bt3Start(fd, b.p);
    std::set<int> seen;
    while (n > 0) {
        int rec = bt3GetCur(fd);
        if (!seen.insert(rec).second) {
            *why = "index " + std::to_string(inx) + " reaches record " + std::to_string(rec) +
                   " twice";
            return false;
        }
        std::string id;
        int version = 0;
        if (parseRecord(k, (const unsigned char *)b.p, n, &id, &version, why))
            out->insert({id, version});
        else if (torn)
            torn->insert(rec);
        else
            return false;
        n = bt3Next(fd, b.p);
        if (n > 0 && bt3Status(fd) == BT3_ATEND) break;
    }
    if (n < 0) {
        *why = "reading index " + std::to_string(inx) + " failed, error " +
               std::to_string(lioLastErr()->code);
        return false;
    }
    return true;
}

} // namespace

bool scanSet(Bt3File *fd, SetKind k, Contents *out, std::string *why, std::set<int> *torn)
{
    std::multiset<std::pair<std::string, int>> byId, byOther;
    std::set<int> tornById, tornByOther;
    if (!scanIndex(fd, k, 0, &byId, why, torn ? &tornById : nullptr) ||
        !scanIndex(fd, k, 1, &byOther, why, torn ? &tornByOther : nullptr))
        return false;
    if (byId != byOther || tornById != tornByOther) {
        *why = "the two indices reach different records";
        return false;
    }
    if (torn) *torn = tornById;
    if ((int)(byId.size() + tornById.size()) != bt3Count(fd)) {
        *why = "index holds " + std::to_string(byId.size()) + " records, data file " +
               std::to_string(bt3Count(fd));
        return false;
    }
    out->clear();
    for (const auto &[id, version] : byId)
        if (!out->emplace(id, version).second) {
            *why = "record " + id + " stored twice";
            return false;
        }
    return true;
}

std::string ToolRun::describe() const
{
    return (exited ? "exit " : "signal ") + std::to_string(code) + "\n" + output;
}

ToolRun runTool(const std::vector<std::string> &args)
{
    ToolRun r;
    int fds[2];
    if (pipe(fds) != 0) return r;
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        dup2(fds[1], 2);
        close(fds[0]);
        close(fds[1]);
        std::vector<char *> argv;
        argv.push_back(const_cast<char *>(VELK_CHECK_BIN));
        for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(VELK_CHECK_BIN, argv.data());
        _exit(127);
    }
    close(fds[1]);
    char buf[4096];
    for (;;) {
        struct pollfd p = {fds[0], POLLIN, 0};
        if (poll(&p, 1, 60000) != 1) { // a tool that hangs is a failure, not a stuck test
            kill(pid, SIGKILL);
            r.output += "(no answer within 60 s, killed)\n";
            break;
        }
        ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        r.output.append(buf, (size_t)n);
    }
    close(fds[0]);
    int st = 0;
    if (pid < 0 || waitpid(pid, &st, 0) != pid) return r;
    r.exited = WIFEXITED(st);
    r.code = r.exited ? WEXITSTATUS(st) : WTERMSIG(st);
    return r;
}

bool byte0Free(const std::string &path)
{
    int fh = open(path.c_str(), O_RDONLY);
    if (fh < 0) return true;
    struct flock fl = {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 1;
    int rc = fcntl(fh, F_OFD_GETLK, &fl);
    close(fh);
    return rc == 0 && fl.l_type == F_UNLCK;
}

std::vector<std::string> setFiles(const std::string &dir, SetKind k)
{
    std::string b = dir + "/" + setName(k);
    if (k == Table) return {b + ".dat", b + ".ndx"};
    return {b + ".mp", b + ".st", b + ".ndx"};
}

void dropBackups(const std::string &dir)
{
    std::error_code ec;
    for (const auto &e : fs::directory_iterator(dir, ec))
        if (e.is_directory() && e.path().filename().string().rfind("backup-", 0) == 0)
            fs::remove_all(e.path(), ec);
}

bool lostAndFoundEmpty(const std::string &dir)
{
    std::error_code ec;
    fs::path lf = fs::path(dir) / "lost+found";
    if (!fs::exists(lf, ec)) return true;
    return fs::is_empty(lf, ec);
}

void copyDir(const std::string &from, const std::string &to)
{
    fs::create_directories(to);
    for (const auto &e : fs::directory_iterator(from))
        if (e.is_regular_file())
            fs::copy_file(e.path(), fs::path(to) / e.path().filename(),
                          fs::copy_options::overwrite_existing);
}

} // namespace crashtest

} // namespace velk
