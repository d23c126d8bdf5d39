// bench_views.h - what the sections of bench_views share: a database in a temporary directory,
// SQLite beside it, timing, and one table of results.
//
// Each subsystem adds a file with a section (VELK_BENCH_SECTION) that fills a database, times
// how its views fill, times SQLite answering the same rows, and reports each pair as one row.
#ifndef VELK_BENCH_VIEWS_BENCH_VIEWS_H
#define VELK_BENCH_VIEWS_BENCH_VIEWS_H

#include "base/date.h"
#include "calendar/termin.h"

#include <sqlite3.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

namespace velk::bench {

// A fresh database (dictionary and every table) in a new temporary directory, open in this
// process in shared mode as the program uses it; removed with the object.
class tBenchDatabase {
public:
    explicit tBenchDatabase(const std::string &name);
    ~tBenchDatabase();
    tBenchDatabase(const tBenchDatabase &) = delete;
    tBenchDatabase &operator=(const tBenchDatabase &) = delete;

    const std::string &dir() const { return dir_; }
    // An SQLite database file in the same directory (journal WAL, synchronous NORMAL).
    sqlite3 *sqlite();
    void exec(const std::string &sql);

private:
    std::string dir_;
    sqlite3 *db_ = nullptr;
};

// The median of `runs` timings of fn, in milliseconds.
double timeMs(const std::function<void()> &fn, int runs = 5);

struct tBenchRow {
    std::string view;    // "person list", "week fill", ...
    long size;           // records in the database that matter for the view
    double ms;           // the view's time
    double sqliteMs;     // SQLite answering the same rows; 0 when not measured
    double goalMs;       // the goal; 0 for none
    std::string comment; // anything to say
};

void report(const tBenchRow &row);

// What the sections' data is made of.
// prefix followed by i in five digits: "R00042"
std::string numbered(const char *prefix, long i);
// A date and a time as stored: "20240615", "0930"
std::string stamp(const tDate &d);
std::string clock(const tDateTime &t);
// The day dayOfRange days after 1.1.2023 (the start of the data's three years), minutes after
// midnight.
tDateTime dayTime(int dayOfRange, int minutes);
// An appointment of the sections' mix, titled "Termin i", its owner drawn first among `users`: on
// one of the 1,096 days from 7:00 in quarter hours, for one to two and a half hours; a tenth last
// up to five days, one in a hundred two weeks.
tTermin mixedTermin(std::mt19937 &rng, long i, int users, int &owner);

struct tBenchSection {
    const char *name;
    std::function<void(const std::vector<long> &sizes)> run;
};
int addSection(tBenchSection section);
const std::vector<tBenchSection> &allSections(); // in the order they registered

} // namespace velk::bench

#define VELK_BENCH_CONCAT2(a, b) a##b
#define VELK_BENCH_CONCAT(a, b) VELK_BENCH_CONCAT2(a, b)
// Registers a section: VELK_BENCH_SECTION("persons", [](const std::vector<long> &sizes) {...});
#define VELK_BENCH_SECTION(name, ...)                                                              \
    static int VELK_BENCH_CONCAT(velkBenchSection, __LINE__) =                                     \
        ::velk::bench::addSection({name, __VA_ARGS__})

#endif
