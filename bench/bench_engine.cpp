// bench_engine - the storage engine against SQLite on one workload shaped like the appointment
// table: 117-byte records with a unique 8-byte ID and a unique 69-byte key of five segments
// (date, time, title, resource, owner), generated from a fixed seed.  For each N: add N, find N
// at random by ID, walk all in the second key's order, rewrite N with a changed second key,
// delete N/2.  One operation per bracket (the engine) or per transaction (SQLite, autocommit;
// also each phase as one transaction).
//
//   bench_engine [N ...] [-d directory]     default N: 1000 10000 100000, directory: $TMPDIR
//
// Prints milliseconds per phase and configuration, then each configuration's time as a
// multiple of the engine in shared mode (above 1: slower than the engine as the program uses it).
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "btree/btree.h"

namespace {

const int kLen = 117;
// ID 0..7 | date 8..15 | time 16..19 | resource 20..28 | title 29..68 | owner 69..76 | rest
const int kKeys[] = {0, 8, 5, 8, 8, 5, 16, 4, 32, 29, 40, 32, 20, 9, 32, 69, 8, 32, -1};
enum Phase { Add, Find, Walk, Rewrite, Delete, Phases };
const char *kPhase[] = {"add", "find", "walk", "rewrite", "delete"};

struct Workload {
    std::vector<std::string> recs;  // as added
    std::vector<std::string> after; // the same records with another second key
    std::vector<int> findOrder, writeOrder, deleteOrder;
};

void put(std::string &r, int off, int len, const std::string &v)
{
    std::string f = v;
    f.resize(len, ' ');
    r.replace(off, len, f);
}

std::string appointment(std::mt19937 &g, uint32_t id, int version)
{
    static const char *words[] = {"Besprechung", "Termin", "Projekt", "Kunde", "Urlaub", "Messe"};
    char t[64];
    std::string r(kLen, ' ');
    snprintf(t, sizeof t, "%08X", id);
    put(r, 0, 8, t);
    snprintf(t, sizeof t, "%04u%02u%02u", 2020 + unsigned(g() % 10), 1 + unsigned(g() % 12),
             1 + unsigned(g() % 28));
    put(r, 8, 8, t);
    snprintf(t, sizeof t, "%02u%02u", unsigned(g() % 24), unsigned(g() % 60));
    put(r, 16, 4, t);
    put(r, 20, 9, g() % 3 ? "" : "RRaum" + std::to_string(g() % 20));
    // the ID in the title keeps the second key unique
    snprintf(t, sizeof t, "%s %s %08X/%d", words[g() % 6], words[g() % 6], id, version);
    put(r, 29, 40, t);
    put(r, 69, 8, "user" + std::to_string(g() % 9));
    put(r, 77, 40, "Bemerkung " + std::to_string(g()));
    return r;
}

Workload makeWorkload(int n)
{
    std::mt19937 g(19980812);
    Workload w;
    for (int i = 0; i < n; i++) {
        uint32_t id = (uint32_t)i * 2654435761u; // a bijection: IDs unique, in no order
        w.recs.push_back(appointment(g, id, 0));
        w.after.push_back(appointment(g, id, 1));
    }
    auto shuffled = [&](int count) {
        std::vector<int> v(n);
        std::iota(v.begin(), v.end(), 0);
        std::shuffle(v.begin(), v.end(), g);
        v.resize(count);
        return v;
    };
    w.findOrder = shuffled(n);
    w.writeOrder = shuffled(n);
    w.deleteOrder = shuffled(n / 2);
    return w;
}

double now()
{
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

[[noreturn]] void die(const char *what)
{
    char e[256];
    lioErrReport(e, sizeof e);
    fprintf(stderr, "bench_engine: %s failed: %s\n", what, e);
    exit(1);
}

// ---- the engine ----

void runEngine(const std::string &base, const Workload &w, int mode, double *ms)
{
    bt3Unlink(base.c_str());
    if (bt3Creat(base.c_str(), kLen, kKeys) < 0) die("bt3Creat");
    bt3SetCache(nullptr, -1, LIO_CACHE_PRIVATE, 5);
    Bt3File *fd = bt3Open(base.c_str(), mode);
    if (!fd) die("bt3Open");
    char *b = bt3GetBuff(fd, 0);
    int n = (int)w.recs.size();
    double t = now();
    for (const std::string &r : w.recs) {
        memcpy(b, r.data(), kLen);
        if (bt3Add(fd, b) != kLen) die("bt3Add");
    }
    ms[Add] = now() - t;
    t = now();
    for (int i : w.findOrder) {
        memcpy(b, w.recs[i].data(), 8);
        if (bt3Find(fd, b, 5) != kLen) die("bt3Find");
    }
    ms[Find] = now() - t;
    t = now();
    bt3Select(fd, 1);
    int seen = 0;
    for (int r = bt3Start(fd, b); r > 0 && bt3Status(fd) != BT3_ATEND; r = bt3Next(fd, b)) seen++;
    if (seen != n) die("walk");
    bt3Select(fd, 0);
    ms[Walk] = now() - t;
    t = now();
    for (int i : w.writeOrder) {
        memcpy(b, w.recs[i].data(), 8);
        if (bt3Find(fd, b, 5) != kLen) die("bt3Find");
        memcpy(b, w.after[i].data(), kLen);
        if (bt3Write(fd, b) != kLen) die("bt3Write");
    }
    ms[Rewrite] = now() - t;
    t = now();
    for (int i : w.deleteOrder) {
        memcpy(b, w.recs[i].data(), 8);
        if (bt3Find(fd, b, 5) != kLen || bt3Delete(fd) != 0) die("bt3Delete");
    }
    ms[Delete] = now() - t;
    if (bt3Count(fd) != n - n / 2) die("count");
    bt3FreeBuff(b);
    if (bt3Close(fd) < 0) die("bt3Close");
    bt3Unlink(base.c_str());
}

// ---- SQLite ----

sqlite3_stmt *prepare(sqlite3 *db, const char *sql)
{
    sqlite3_stmt *s = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) != SQLITE_OK) {
        fprintf(stderr, "bench_engine: %s: %s\n", sql, sqlite3_errmsg(db));
        exit(1);
    }
    return s;
}

void exec(sqlite3 *db, const char *sql)
{
    char *err = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        fprintf(stderr, "bench_engine: %s: %s\n", sql, err);
        exit(1);
    }
}

// Binds the seven fields of a record from column `first` on.
void bindRecord(sqlite3_stmt *s, const std::string &r, int first)
{
    const int off[] = {0, 8, 16, 20, 29, 69, 77}, len[] = {8, 8, 4, 9, 40, 8, 40};
    for (int f = 0; f < 7; f++)
        sqlite3_bind_text(s, first + f, r.data() + off[f], len[f], SQLITE_STATIC);
}

void step(sqlite3 *db, sqlite3_stmt *s, int want = SQLITE_DONE)
{
    int rc = sqlite3_step(s);
    if (rc != want) {
        fprintf(stderr, "bench_engine: step: %s\n", sqlite3_errmsg(db));
        exit(1);
    }
    sqlite3_reset(s);
}

// How SQLite is set up: its journal, and whether each phase is one transaction.
struct SqliteSetup {
    const char *pragmas;
    bool onePerPhase;
};
const SqliteSetup kFull{"PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL", false};
const SqliteSetup kOff{"PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF", false};
const SqliteSetup kWal{"PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL", false};
const SqliteSetup kWalOne{"PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL", true};

// Runs fn as one phase: timed into ms, inside one transaction when the setup says so.
void phase(sqlite3 *db, const SqliteSetup &setup, double &ms, const std::function<void()> &fn)
{
    double t = now();
    if (setup.onePerPhase) exec(db, "BEGIN");
    fn();
    if (setup.onePerPhase) exec(db, "COMMIT");
    ms = now() - t;
}

void runSqlite(const std::string &path, const Workload &w, const SqliteSetup &setup, double *ms)
{
    for (const char *s : {"", "-journal", "-wal", "-shm"}) std::filesystem::remove(path + s);
    sqlite3 *db;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) exit(1);
    exec(db, setup.pragmas);
    exec(db,
         "CREATE TABLE termin(id TEXT NOT NULL, fromdate TEXT, fromtime TEXT, resource TEXT,"
         " title TEXT, owner TEXT, rest TEXT);"
         "CREATE UNIQUE INDEX termin_id ON termin(id);"
         "CREATE UNIQUE INDEX termin_when ON termin(fromdate, fromtime, title, resource, owner)");
    sqlite3_stmt *ins = prepare(db, "INSERT INTO termin VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    sqlite3_stmt *get = prepare(db, "SELECT * FROM termin WHERE id = ?1");
    sqlite3_stmt *walk =
        prepare(db, "SELECT * FROM termin ORDER BY fromdate, fromtime, title, resource, owner");
    sqlite3_stmt *upd = prepare(db, "UPDATE termin SET fromdate = ?2, fromtime = ?3, resource = ?4,"
                                    " title = ?5, owner = ?6, rest = ?7 WHERE id = ?1");
    sqlite3_stmt *del = prepare(db, "DELETE FROM termin WHERE id = ?1");
    int n = (int)w.recs.size();
    phase(db, setup, ms[Add], [&] {
        for (const std::string &r : w.recs) {
            bindRecord(ins, r, 1);
            step(db, ins);
        }
    });
    phase(db, setup, ms[Find], [&] {
        for (int i : w.findOrder) {
            sqlite3_bind_text(get, 1, w.recs[i].data(), 8, SQLITE_STATIC);
            step(db, get, SQLITE_ROW);
        }
    });
    phase(db, setup, ms[Walk], [&] {
        int seen = 0;
        while (sqlite3_step(walk) == SQLITE_ROW) seen++;
        sqlite3_reset(walk);
        if (seen != n) exit(1);
    });
    phase(db, setup, ms[Rewrite], [&] {
        for (int i : w.writeOrder) {
            bindRecord(upd, w.after[i], 1);
            step(db, upd);
        }
    });
    phase(db, setup, ms[Delete], [&] {
        for (int i : w.deleteOrder) {
            sqlite3_bind_text(del, 1, w.recs[i].data(), 8, SQLITE_STATIC);
            step(db, del);
        }
    });
    for (sqlite3_stmt *s : {ins, get, walk, upd, del}) sqlite3_finalize(s);
    sqlite3_close(db);
    for (const char *s : {"", "-journal", "-wal", "-shm"}) std::filesystem::remove(path + s);
}

struct Config {
    const char *name;
    std::function<void(const Workload &, double *)> run;
};

} // namespace

int main(int argc, char **argv)
{
    std::vector<int> sizes;
    std::string dir = getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp";
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "-d") && i + 1 < argc)
            dir = argv[++i];
        else
            sizes.push_back(atoi(argv[i]));
    }
    if (sizes.empty()) sizes = {1000, 10000, 100000};
    std::string work = dir + "/velk-bench-XXXXXX";
    if (!mkdtemp(work.data())) {
        perror("bench_engine: mkdtemp");
        return 1;
    }
    setenv("PROCFILE", (work + "/proc.id").c_str(), 1);
    std::string base = work + "/TERMIN", db = work + "/termin.db";
    std::vector<Config> configs = {
        {"engine shared",
         [&](const Workload &w, double *ms) { runEngine(base, w, LIO_SHARED | LIO_RDWR, ms); }},
        {"engine exclusive",
         [&](const Workload &w, double *ms) { runEngine(base, w, LIO_EXCL | LIO_RDWR, ms); }},
        {"sqlite full", [&](const Workload &w, double *ms) { runSqlite(db, w, kFull, ms); }},
        {"sqlite off", [&](const Workload &w, double *ms) { runSqlite(db, w, kOff, ms); }},
        {"sqlite wal", [&](const Workload &w, double *ms) { runSqlite(db, w, kWal, ms); }},
        {"sqlite wal 1 txn", [&](const Workload &w, double *ms) { runSqlite(db, w, kWalOne, ms); }},
    };
    printf("VELK storage engine against SQLite %s; 117-byte records, keys of 8 and 69 bytes\n",
           sqlite3_libversion());
    printf(
        "engine: one bracket per operation (shared: locks and header reads; exclusive:\n"
        "        5-slot page cache per index, pages written through, no fsync)\n"
        "sqlite: prepared statements, autocommit unless said; full = rollback journal,\n"
        "        synchronous=FULL; off = no journal, synchronous=OFF (no fsync, as the engine);\n"
        "        wal = WAL, synchronous=NORMAL; wal 1 txn = the same, each phase one transaction\n"
        "The engine's speed against a peer is the peer's column on the right (0.50x: half as "
        "fast).\n");
    for (int n : sizes) {
        Workload w = makeWorkload(n);
        std::vector<std::vector<double>> ms(configs.size(), std::vector<double>(Phases));
        for (size_t c = 0; c < configs.size(); c++) configs[c].run(w, ms[c].data());
        printf(
            "\nN = %d                 milliseconds                          time / engine shared\n",
            n);
        printf("%-9s", "phase");
        for (auto &c : configs) printf(" %16s", c.name);
        printf("   ");
        for (size_t c = 1; c < configs.size(); c++) printf(" %16s", configs[c].name);
        printf("\n");
        std::vector<double> total(configs.size(), 0);
        for (int p = 0; p <= Phases; p++) {
            printf("%-9s", p < Phases ? kPhase[p] : "total");
            for (size_t c = 0; c < configs.size(); c++) {
                double v = p < Phases ? ms[c][p] : total[c];
                if (p < Phases) total[c] += v;
                printf(" %16.1f", v);
            }
            printf("   ");
            for (size_t c = 1; c < configs.size(); c++) {
                double a = p < Phases ? ms[c][p] : total[c], e = p < Phases ? ms[0][p] : total[0];
                printf(" %15.2fx", e > 0 ? a / e : 0);
            }
            printf("\n");
        }
        fflush(stdout);
    }
    std::filesystem::remove_all(work);
    return 0;
}
