// bench_views - how fast the views fill on databases of 1,000 and 10,000 records in shared mode,
// each against SQLite answering the same rows with indexed queries, in the same run (main.cpp).
// This file holds what the sections share (bench_views.h); bench_share uses it too.
//
// Prints one table: view, records, milliseconds, SQLite milliseconds, the ratio (above 1: the
// view is slower than SQLite) and the goal.
#include "bench/views/bench_views.h"

#include "model/blob.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace velk::bench {

namespace {

std::vector<tBenchSection> &sections()
{
    static std::vector<tBenchSection> all;
    return all;
}

} // namespace

const std::vector<tBenchSection> &allSections() { return sections(); }

int addSection(tBenchSection section)
{
    sections().push_back(std::move(section));
    return int(sections().size());
}

tBenchDatabase::tBenchDatabase(const std::string &name)
{
    const char *tmp = getenv("TMPDIR");
    std::string pattern =
        std::string(tmp && *tmp ? tmp : "/tmp") + "/velk-bench-" + name + "-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back(0);
    if (!mkdtemp(buf.data())) {
        perror("mkdtemp");
        exit(2);
    }
    dir_ = buf.data();
    if (!openDatabase((dir_ + "/datadict").c_str())) {
        fprintf(stderr, "cannot create a database in %s\n", dir_.c_str());
        exit(2);
    }
}

tBenchDatabase::~tBenchDatabase()
{
    if (db_) sqlite3_close(db_);
    closeDatabase();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

sqlite3 *tBenchDatabase::sqlite()
{
    if (!db_) {
        if (sqlite3_open((dir_ + "/bench.sqlite").c_str(), &db_) != SQLITE_OK) exit(2);
        exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
    }
    return db_;
}

void tBenchDatabase::exec(const std::string &sql)
{
    char *err = nullptr;
    if (sqlite3_exec(sqlite(), sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        fprintf(stderr, "sqlite: %s\n", err ? err : "?");
        exit(2);
    }
}

double timeMs(const std::function<void()> &fn, int runs)
{
    std::vector<double> t;
    for (int i = 0; i < runs; i++) {
        auto start = std::chrono::steady_clock::now();
        fn();
        t.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

void report(const tBenchRow &row)
{
    char ratio[16] = "-", goal[24] = "-";
    if (row.sqliteMs > 0) snprintf(ratio, sizeof ratio, "%.2f", row.ms / row.sqliteMs);
    if (row.goalMs > 0)
        snprintf(goal, sizeof goal, "%s %.0f ms", row.ms <= row.goalMs ? "<" : "ABOVE", row.goalMs);
    printf("%-40s %8ld %10.2f %10.2f %7s  %-14s %s\n", row.view.c_str(), row.size, row.ms,
           row.sqliteMs, ratio, goal, row.comment.c_str());
    fflush(stdout);
}

std::string numbered(const char *prefix, long i)
{
    char id[32];
    std::snprintf(id, sizeof id, "%s%05ld", prefix, i);
    return id;
}

std::string stamp(const tDate &d)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d%02d", d.year, d.month, d.day);
    return text;
}

std::string clock(const tDateTime &t)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02d%02d", t.hour, t.minute);
    return text;
}

tDateTime dayTime(int dayOfRange, int minutes)
{
    tDateTime t;
    t.set(2023, 1, 1);
    t.setDayOfYear(1 + dayOfRange);
    t.hour = minutes / 60;
    t.minute = minutes % 60;
    return t;
}

tTermin mixedTermin(std::mt19937 &rng, long i, int users, int &owner)
{
    owner = int(rng() % unsigned(users));
    int day = int(rng() % 1096);
    int start = 7 * 60 + int(rng() % 48) * 15, kind = int(rng() % 100);
    int days = kind < 90 ? 0 : kind < 99 ? 1 + int(rng() % 4) : 14;
    tTermin t;
    t.from = dayTime(day, start);
    t.till = dayTime(day + days, start + 60 + int(rng() % 4) * 30);
    t.setTitle("Termin " + std::to_string(i));
    return t;
}

} // namespace velk::bench
