// Finding records by a word ("Bearbeiten > Suchen..."): per size N, N appointments (a third with
// a participant, a fifth booking a resource, a tenth another user's private ones), N/10 persons,
// N/2 tasks (every fourth with a comment), 20 groups, 50 resources, 100 projects.  The word is
// "mueller", which the search folds to find "Müller" too; SQLite answers the same rows with LIKE
// over the same fields, once for each spelling, joined to the participant and the resource.
// Timed: the first search (a new index reads every kind) and a repeated one (nothing changed).
#include "bench/views/bench_views.h"

#include "address/group.h"
#include "address/person.h"
#include "address/resource.h"
#include "base/cp1252.h"
#include "base/session.h"
#include "calendar/termin_store.h"
#include "projects/project.h"
#include "views/search.h"

#include <cstdio>
#include <string>

namespace velk::bench {

namespace {

const char *kSurnames[] = {"M\xfcller", "Schmidt", "Schneider", "Fischer", "Weber",
                           "Meyer",     "Wagner",  "Becker",    "Schulz",  "Hoffmann"};
const char *kTitles[] = {"Besprechung", "Kundentermin", "Jour fixe", "Schulung", "Werkstatt"};

std::string utf8(const char *cp1252) { return cp1252ToUtf8(cp1252); }

struct tSearchFill {
    long persons = 0, tasks = 0, appointments = 0;
};

void fillAddress(tBenchDatabase &db, long persons)
{
    db.exec("CREATE TABLE person (id TEXT PRIMARY KEY, name TEXT, chrname TEXT, city TEXT, "
            "tel TEXT); CREATE TABLE resource (id TEXT PRIMARY KEY, title TEXT);"
            "CREATE TABLE grp (id TEXT PRIMARY KEY, title TEXT, city TEXT, comment TEXT);");
    for (long i = 0; i < persons; i++) {
        tPerson p;
        p.setId(numbered("P", i));
        p.setName(std::string(kSurnames[i % 10]) + std::to_string((i * 7919) % 331));
        p.setChrName(i % 2 ? "Anna" : "Bernd");
        p.setCity(i % 3 ? "Stuttgart" : "K\xf6ln");
        p.setTel("0711 " + std::to_string((i * 104729) % 1000000));
        (void)p.insert();
        db.exec("INSERT INTO person VALUES ('" + std::string(p.ID) + "','" + utf8(p.NAME) + "','" +
                p.CHRNAME + "','" + utf8(p.CITY) + "','" + p.TEL + "')");
    }
    for (long i = 0; i < 50; i++) {
        tResource r;
        r.setId(numbered("R", i));
        r.setTitle("Raum " + std::to_string(i));
        (void)r.insert();
        db.exec("INSERT INTO resource VALUES ('" + std::string(r.ID) + "','" + r.TITLE + "')");
    }
    for (long i = 0; i < 20; i++) {
        tGroup g;
        g.setId(numbered("G", i));
        g.setTitle("Abteilung " + std::to_string(i));
        g.setCity("Ulm");
        (void)g.insert();
        db.exec("INSERT INTO grp VALUES ('" + std::string(g.ID) + "','" + g.TITLE + "','Ulm','')");
    }
}

void fillAppointments(tBenchDatabase &db, long n, long persons)
{
    db.exec("CREATE TABLE termin (id TEXT PRIMARY KEY, title TEXT, resource TEXT, person TEXT, "
            "owner TEXT, read TEXT, start TEXT)");
    sqlite3_stmt *ins = nullptr;
    sqlite3_prepare_v2(db.sqlite(), "INSERT INTO termin VALUES (?, ?, ?, ?, ?, ?, ?)", -1, &ins,
                       nullptr);
    std::mt19937 rng(32);
    for (long i = 0; i < n; i++) {
        int owner = 0;
        tTermin t = mixedTermin(rng, i, 2, owner);
        t.setTitle(std::string(kTitles[i % 5]) + " " + std::to_string(i));
        if (i % 3 == 0) t.setWith("P" + numbered("P", long(rng() % unsigned(persons))));
        if (i % 5 == 0) t.setResource(numbered("R", long(rng() % 50u)));
        const char *user = owner ? "bert" : "root";
        if (owner && i % 5 == 1) t.setRead("Pbert");
        setCurrentUser(user);
        if (!tTerminStore::instance().insert(t).complete()) continue;
        const std::string with = t.WITH[0] ? t.WITH + 1 : "";
        for (int c = 1; c <= 6; c++) {
            const std::string texts[] = {t.ID, t.TITLE, t.RESOURCE, with, user, t.READ};
            sqlite3_bind_text(ins, c, texts[c - 1].c_str(), -1, SQLITE_TRANSIENT);
        }
        sqlite3_bind_text(ins, 7, (stamp(t.from) + clock(t.from)).c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(ins);
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    setCurrentUser("root");
}

void fillProjects(tBenchDatabase &db, long tasks)
{
    db.exec("CREATE TABLE project (id TEXT PRIMARY KEY, title TEXT);"
            "CREATE TABLE task (id TEXT PRIMARY KEY, title TEXT, comment TEXT)");
    for (long i = 0; i < 100; i++) {
        tProject p;
        p.setId(numbered("J", i));
        p.setTitle("Projekt " + std::to_string(i));
        (void)p.insert();
        db.exec("INSERT INTO project VALUES ('" + std::string(p.ID) + "','" + p.TITLE + "')");
    }
    for (long i = 0; i < tasks; i++) {
        tTask k;
        k.setId(numbered("T", i));
        k.setTitle("Aufgabe " + std::to_string(i));
        k.setProject(numbered("J", i % 100));
        std::string comment;
        if (i % 4 == 0)
            comment = "R\xfc"
                      "ckruf bei " +
                      std::string(kSurnames[i % 10]) + ", Angebot " + std::to_string(i);
        k.setComment(comment);
        (void)k.insert();
        db.exec("INSERT INTO task VALUES ('" + std::string(k.ID) + "','" + k.TITLE + "','" +
                utf8(comment.c_str()) + "')");
    }
}

// The rows SQLite finds for both spellings, the visible appointments only, as the search does.
long sqliteSearch(sqlite3 *db)
{
    const char *queries[] = {
        "SELECT t.id, t.title, t.start FROM termin t LEFT JOIN person p ON p.id = t.person "
        "LEFT JOIN resource r ON r.id = t.resource WHERE (t.read = '' OR t.owner = 'root') AND "
        "(t.title LIKE ?1 OR t.title LIKE ?2 OR r.title LIKE ?1 OR r.title LIKE ?2 OR "
        "t.resource LIKE ?1 OR t.resource LIKE ?2 OR p.name LIKE ?1 OR p.name LIKE ?2 OR "
        "p.chrname LIKE ?1 OR p.chrname LIKE ?2) ORDER BY t.start DESC",
        "SELECT id, name FROM person WHERE id LIKE ?1 OR id LIKE ?2 OR name LIKE ?1 OR name LIKE "
        "?2 OR chrname LIKE ?1 OR chrname LIKE ?2 OR city LIKE ?1 OR city LIKE ?2 OR tel LIKE ?1 "
        "OR tel LIKE ?2 ORDER BY name, chrname",
        "SELECT id, title FROM grp WHERE id LIKE ?1 OR id LIKE ?2 OR title LIKE ?1 OR title LIKE "
        "?2 OR city LIKE ?1 OR city LIKE ?2 OR comment LIKE ?1 OR comment LIKE ?2",
        "SELECT id, title FROM resource WHERE id LIKE ?1 OR id LIKE ?2 OR title LIKE ?1 OR title "
        "LIKE ?2",
        "SELECT id, title FROM project WHERE id LIKE ?1 OR id LIKE ?2 OR title LIKE ?1 OR title "
        "LIKE ?2",
        "SELECT id, title FROM task WHERE id LIKE ?1 OR id LIKE ?2 OR title LIKE ?1 OR title LIKE "
        "?2 OR comment LIKE ?1 OR comment LIKE ?2",
    };
    long rows = 0;
    for (const char *sql : queries) {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
        sqlite3_bind_text(st, 1, "%m\xc3\xbcller%", -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 2, "%mueller%", -1, SQLITE_STATIC);
        std::vector<std::string> found;
        while (sqlite3_step(st) == SQLITE_ROW)
            found.push_back(reinterpret_cast<const char *>(sqlite3_column_text(st, 1)));
        sqlite3_finalize(st);
        rows += long(found.size());
    }
    return rows;
}

void runSearch(const std::vector<long> &sizes)
{
    for (long n : sizes) {
        tBenchDatabase db("search");
        setCurrentUser("root");
        db.exec("BEGIN");
        fillAddress(db, n / 10);
        fillAppointments(db, n, n / 10);
        fillProjects(db, n / 2);
        db.exec("COMMIT");

        long first = 0, repeated = 0, rows = 0;
        double firstMs = timeMs([&] {
            tSearchIndex index;
            first = long(index.find("mueller").size());
        });
        tSearchIndex index;
        index.find("mueller");
        double repeatedMs = timeMs([&] { repeated = long(index.find("mueller").size()); });
        double sqliteMs = timeMs([&] { rows = sqliteSearch(db.sqlite()); });
        std::string comment = first == rows && repeated == rows
                                  ? std::to_string(rows) + " hits"
                                  : "HITS DIFFER: " + std::to_string(first) + " against " +
                                        std::to_string(rows) + " in SQLite";
        std::string records = std::to_string(n) + "/" + std::to_string(n / 10) + "/" +
                              std::to_string(n / 2) + " appointments/persons/tasks; ";
        report({"search, first", n, firstMs, sqliteMs, n == 10000 ? 50.0 : 0.0, records + comment});
        report({"search, repeated", n, repeatedMs, sqliteMs, n == 10000 ? 50.0 : 0.0, comment});
    }
    setCurrentUser("");
}

} // namespace

VELK_BENCH_SECTION("search", runSearch);

} // namespace velk::bench
