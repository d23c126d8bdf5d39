// The person list: its lines as the window fills them (personListLines, surname then first
// name), against SQLite reading the same rows in the same order through an index on name and
// first name and formatting the same lines.
#include "bench/views/bench_views.h"

#include "address/lists.h"
#include "address/person.h"
#include "address/resource.h"

#include <cstdio>
#include <string>

namespace velk::bench {

namespace {

// Deterministic names: a few hundred surnames, first names cycling, now and then a birthday.
tPerson benchPerson(long i)
{
    static const char *surnames[] = {"M\xfcller", "Schmidt", "Schneider", "Fischer", "Weber",
                                     "Meyer",     "Wagner",  "Becker",    "Schulz",  "Hoffmann"};
    static const char *firstNames[] = {"Anna", "Bernd", "Clara", "Dieter", "Eva", "Frank", "Gabi"};
    tPerson p;
    char text[32];
    std::snprintf(text, sizeof text, "P%07ld", i);
    p.setId(text);
    std::snprintf(text, sizeof text, "%s%ld", surnames[i % 10], (i * 7919) % 331);
    p.setName(text);
    p.setChrName(firstNames[(i / 10) % 7]);
    std::snprintf(text, sizeof text, "0711 %06ld", (i * 104729) % 1000000);
    p.setTel(text);
    if (i % 3 == 0) p.BIRTH = tDate{int(i % 28) + 1, int(i % 12) + 1, 1950 + int(i % 50)};
    return p;
}

long sqliteLines(sqlite3 *db)
{
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT id, chrname, name, day, month, year, tel FROM person "
                       "ORDER BY name, chrname",
                       -1, &st, nullptr);
    std::vector<tListLine> lines;
    while (sqlite3_step(st) == SQLITE_ROW) {
        char birth[40];
        std::snprintf(birth, sizeof birth, "%2d.%2d.%04d", sqlite3_column_int(st, 3),
                      sqlite3_column_int(st, 4), sqlite3_column_int(st, 5));
        std::string id = reinterpret_cast<const char *>(sqlite3_column_text(st, 0));
        lines.push_back({id + '\t' + reinterpret_cast<const char *>(sqlite3_column_text(st, 1)) +
                             ' ' + reinterpret_cast<const char *>(sqlite3_column_text(st, 2)) +
                             '\t' + birth + '\t' +
                             reinterpret_cast<const char *>(sqlite3_column_text(st, 6)),
                         id});
    }
    sqlite3_finalize(st);
    return long(lines.size());
}

void runPersons(const std::vector<long> &sizes)
{
    for (long n : sizes) {
        tBenchDatabase db("persons");
        db.exec("CREATE TABLE person (id TEXT PRIMARY KEY, name TEXT, chrname TEXT, tel TEXT, "
                "day INT, month INT, year INT);"
                "CREATE INDEX person_name ON person (name, chrname);");
        sqlite3_stmt *ins = nullptr;
        sqlite3_prepare_v2(db.sqlite(), "INSERT INTO person VALUES (?, ?, ?, ?, ?, ?, ?)", -1, &ins,
                           nullptr);
        db.exec("BEGIN");
        for (long i = 0; i < n; i++) {
            tPerson p = benchPerson(i);
            if (p.insert() != tStoreStatus::Stored) {
                std::fprintf(stderr, "person %ld not stored\n", i);
                return;
            }
            sqlite3_bind_text(ins, 1, p.ID, -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(ins, 2, p.NAME, -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(ins, 3, p.CHRNAME, -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(ins, 4, p.TEL, -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(ins, 5, p.BIRTH.day);
            sqlite3_bind_int(ins, 6, p.BIRTH.month);
            sqlite3_bind_int(ins, 7, p.BIRTH.year);
            sqlite3_step(ins);
            sqlite3_reset(ins);
        }
        db.exec("COMMIT");
        sqlite3_finalize(ins);

        long shown = 0, read = 0;
        double ms = timeMs([&] { shown = long(personListLines().size()); });
        double sqliteMs = timeMs([&] { read = sqliteLines(db.sqlite()); });
        std::string comment = shown == n && read == n ? "" : "ROW COUNT DIFFERS";
        report({"person list fill", n, ms, sqliteMs, n == 1000 ? 50.0 : 0.0, comment});
    }
}

// The resource list: every resource in ID order, "ID<tab>TITLE", against SQLite by its key.
void runResources(const std::vector<long> &sizes)
{
    for (long n : sizes) {
        tBenchDatabase db("resources");
        db.exec("CREATE TABLE resource (id TEXT PRIMARY KEY, title TEXT)");
        sqlite3_stmt *ins = nullptr;
        sqlite3_prepare_v2(db.sqlite(), "INSERT INTO resource VALUES (?, ?)", -1, &ins, nullptr);
        db.exec("BEGIN");
        for (long i = 0; i < n; i++) {
            char id[16], title[40];
            std::snprintf(id, sizeof id, "R%06ld", (i * 7919) % 1000003);
            std::snprintf(title, sizeof title, "Raum %ld im Haus %ld", i, i % 17);
            tResource r;
            r.setId(id);
            r.setTitle(title);
            if (r.insert() != tStoreStatus::Stored) {
                std::fprintf(stderr, "resource %ld not stored\n", i);
                return;
            }
            sqlite3_bind_text(ins, 1, r.ID, -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(ins, 2, r.TITLE, -1, SQLITE_TRANSIENT);
            sqlite3_step(ins);
            sqlite3_reset(ins);
        }
        db.exec("COMMIT");
        sqlite3_finalize(ins);

        long shown = 0, read = 0;
        double ms = timeMs([&] { shown = long(resourceListLines().size()); });
        double sqliteMs = timeMs([&] {
            sqlite3_stmt *st = nullptr;
            sqlite3_prepare_v2(db.sqlite(), "SELECT id, title FROM resource ORDER BY id", -1, &st,
                               nullptr);
            std::vector<std::string> lines;
            while (sqlite3_step(st) == SQLITE_ROW)
                lines.push_back(std::string((const char *)sqlite3_column_text(st, 0)) + '\t' +
                                (const char *)sqlite3_column_text(st, 1));
            sqlite3_finalize(st);
            read = long(lines.size());
        });
        std::string comment = shown == n && read == n ? "" : "ROW COUNT DIFFERS";
        report({"resource list fill", n, ms, sqliteMs, 50.0, comment});
    }
}

} // namespace

VELK_BENCH_SECTION("persons", runPersons);
VELK_BENCH_SECTION("resources", runResources);

} // namespace velk::bench
