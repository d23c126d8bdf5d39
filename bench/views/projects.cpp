// The project list and the task list: their lines and rows as the windows fill them (every
// project with its tasks through the project index; every task, the last ID first, with the
// four column texts), on 200 projects and 5,000 tasks, against SQLite reading the same rows in
// the same order through the same indexes and formatting the same texts.
#include "bench/views/bench_views.h"

#include "projects/comparator.h"
#include "projects/project_list.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace velk::bench {

namespace {

// Per size: as many tasks as the size, one project for every 25 of them.
long gProjects = 200;
long gTasks = 5000;

tProject benchProject(long i)
{
    tProject p;
    char text[48];
    std::snprintf(text, sizeof text, "P%05ld", i);
    p.setId(text);
    std::snprintf(text, sizeof text,
                  "Projekt %ld Umbau S\xfc"
                  "d",
                  i);
    p.setTitle(text);
    return p;
}

// Tasks spread over the projects out of ID order, some without a date.
tTask benchTask(long i)
{
    tTask k;
    char text[48];
    std::snprintf(text, sizeof text, "T%06ld", i);
    k.setId(text);
    std::snprintf(text, sizeof text, "Aufgabe %ld", i);
    k.setTitle(text);
    std::snprintf(text, sizeof text, "P%05ld", (i * 7919) % gProjects);
    k.setProject(text);
    std::snprintf(text, sizeof text, "%ld", i % 10);
    k.setPrio(text);
    if (i % 4) k.ENDDATE = tDate{int(i % 28) + 1, int(i % 12) + 1, 2026 + int(i % 3)};
    return k;
}

const char *column(sqlite3_stmt *st, int i)
{
    return reinterpret_cast<const char *>(sqlite3_column_text(st, i));
}

long sqliteProjectLines(sqlite3 *db)
{
    sqlite3_stmt *projects = nullptr, *tasks = nullptr;
    sqlite3_prepare_v2(db, "SELECT id, title FROM project ORDER BY id", -1, &projects, nullptr);
    sqlite3_prepare_v2(db, "SELECT id, title FROM task WHERE project = ? ORDER BY project, parent",
                       -1, &tasks, nullptr);
    std::vector<tProjectLine> lines;
    while (sqlite3_step(projects) == SQLITE_ROW) {
        lines.push_back(
            {true, std::string("P ") + column(projects, 0) + '\t' + column(projects, 1)});
        sqlite3_bind_text(tasks, 1, column(projects, 0), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(tasks) == SQLITE_ROW)
            lines.push_back(
                {false, std::string("T ") + column(tasks, 0) + '\t' + column(tasks, 1)});
        sqlite3_reset(tasks);
    }
    sqlite3_finalize(tasks);
    sqlite3_finalize(projects);
    return long(lines.size());
}

// The rows as the task list shows them: the four column texts of each.
long taskListTexts(const std::vector<tTask> &rows)
{
    long chars = 0;
    for (const tTask &k : rows)
        for (int c = 0; c < 4; c++) chars += long(taskColumnText(k, c).size());
    return chars;
}

long sqliteTaskRows(sqlite3 *db)
{
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db, "SELECT id, title, prio, day, month, year FROM task ORDER BY id DESC",
                       -1, &st, nullptr);
    std::vector<std::vector<std::string>> rows;
    while (sqlite3_step(st) == SQLITE_ROW) {
        char done[40];
        std::snprintf(done, sizeof done, "%d.%d.%4d", sqlite3_column_int(st, 3),
                      sqlite3_column_int(st, 4), sqlite3_column_int(st, 5));
        rows.push_back({column(st, 0), column(st, 1), column(st, 2), done});
    }
    sqlite3_finalize(st);
    return long(rows.size());
}

bool fill(tBenchDatabase &db)
{
    db.exec("CREATE TABLE project (id TEXT PRIMARY KEY, title TEXT);"
            "CREATE TABLE task (id TEXT PRIMARY KEY, title TEXT, project TEXT, parent TEXT, "
            "prio TEXT, day INT, month INT, year INT);"
            "CREATE INDEX task_project ON task (project, parent);");
    sqlite3_stmt *insProject = nullptr, *insTask = nullptr;
    sqlite3_prepare_v2(db.sqlite(), "INSERT INTO project VALUES (?, ?)", -1, &insProject, nullptr);
    sqlite3_prepare_v2(db.sqlite(), "INSERT INTO task VALUES (?, ?, ?, '', ?, ?, ?, ?)", -1,
                       &insTask, nullptr);
    db.exec("BEGIN");
    bool ok = true;
    for (long i = 0; i < gProjects && ok; i++) {
        tProject p = benchProject(i);
        ok = p.insert() == tStoreStatus::Stored;
        sqlite3_bind_text(insProject, 1, p.ID, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insProject, 2, p.TITLE, -1, SQLITE_TRANSIENT);
        sqlite3_step(insProject);
        sqlite3_reset(insProject);
    }
    for (long i = 0; i < gTasks && ok; i++) {
        tTask k = benchTask((i * 3001) % gTasks);
        ok = k.insert() == tStoreStatus::Stored;
        sqlite3_bind_text(insTask, 1, k.ID, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insTask, 2, k.TITLE, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insTask, 3, k.PROJECT, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insTask, 4, k.PRIO, -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(insTask, 5, k.ENDDATE.day);
        sqlite3_bind_int(insTask, 6, k.ENDDATE.month);
        sqlite3_bind_int(insTask, 7, k.ENDDATE.year);
        sqlite3_step(insTask);
        sqlite3_reset(insTask);
    }
    db.exec("COMMIT");
    sqlite3_finalize(insProject);
    sqlite3_finalize(insTask);
    if (!ok) std::fprintf(stderr, "projects: a record was not stored\n");
    return ok;
}

void runSize(long n)
{
    gTasks = n;
    gProjects = std::max(1L, n / 25);
    tBenchDatabase db("projects");
    if (!fill(db)) return;
    const long all = gProjects + gTasks;

    long shown = 0, read = 0;
    double ms = timeMs([&] { shown = long(projectListLines().size()); });
    double sqliteMs = timeMs([&] { read = sqliteProjectLines(db.sqlite()); });
    report({"project list fill", all, ms, sqliteMs, 50.0,
            shown == all && read == all ? "" : "LINE COUNT DIFFERS"});

    long rows = 0, chars = 0;
    ms = timeMs([&] {
        std::vector<tTask> tasks = taskListRows();
        rows = long(tasks.size());
        chars = taskListTexts(tasks);
    });
    sqliteMs = timeMs([&] { read = sqliteTaskRows(db.sqlite()); });
    report({"task list fill", gTasks, ms, sqliteMs, 50.0,
            rows == gTasks && read == gTasks && chars > 0 ? "" : "ROW COUNT DIFFERS"});
}

void runProjects(const std::vector<long> &sizes)
{
    for (long n : sizes) runSize(n);
}

} // namespace

VELK_BENCH_SECTION("projects", runProjects);

} // namespace velk::bench
