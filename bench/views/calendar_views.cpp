// calendar_views.cpp - the calendar's views filled from a database of N appointments over three
// years (2023 to 2025) by 20 users, a third of them booking one of 50 resources; N / 10 persons
// with birthdays; N / 2 tasks with end dates (a few without).  Each view against SQLite answering
// the same lines with indexed queries, the same visibility rule applied to what it returns.
#include "bench/views/bench_views.h"

#include "address/resource.h"
#include "base/session.h"
#include "calendar/termin_store.h"
#include "views/month_planner.h"
#include "views/occupancy_plan.h"
#include "views/selection_list.h"
#include "views/term_list.h"
#include "views/view_lines.h"
#include "views/week_view.h"

#include <cstdio>
#include <random>

namespace velk::bench {

namespace {

constexpr int kUsers = 20, kResources = 50;
const tViewMetrics kMetrics{6, 13};

struct tData {
    std::vector<tTermin> termine;
    std::vector<tPerson> persons;
    std::vector<tTask> tasks;
    std::vector<tResource> resources;
};

tData makeData(long n)
{
    tData data;
    std::mt19937 rng(815);
    for (int i = 0; i < kResources; i++) {
        tResource r;
        r.setId(numbered("R", i));
        r.setTitle("Raum " + std::to_string(i));
        data.resources.push_back(r);
    }
    for (long i = 0; i < n / 10; i++) {
        tPerson p;
        p.setId(numbered("P", i));
        p.setName("Name" + std::to_string(i));
        p.setChrName("Vor" + std::to_string(i));
        p.BIRTH = dayTime(int(rng() % 365), 0);
        p.BIRTH.year = 1940 + int(rng() % 60);
        data.persons.push_back(p);
    }
    for (long i = 0; i < n; i++) {
        int owner = 0;
        tTermin t = mixedTermin(rng, i, kUsers, owner);
        if (rng() % 3 == 0) t.setResource(data.resources[rng() % kResources].ID);
        if (rng() % 10 == 0) t.setRead(numbered("Pu", owner));
        std::snprintf(t.OWNER, sizeof t.OWNER, "%s", numbered("u", owner).c_str());
        data.termine.push_back(t);
    }
    for (long i = 0; i < n / 2; i++) {
        tTask k;
        k.setId(numbered("T", i));
        k.setTitle("Aufgabe " + std::to_string(i));
        k.setProject("PRJ");
        if (rng() % 20) k.ENDDATE = dayTime(int(rng() % 1096), 0);
        data.tasks.push_back(k);
    }
    return data;
}

void fillVelk(const tData &data)
{
    bool ok = true;
    for (const tResource &r : data.resources) ok = r.insert() == tStoreStatus::Stored && ok;
    for (const tPerson &p : data.persons) ok = p.insert() == tStoreStatus::Stored && ok;
    for (tTask k : data.tasks) ok = k.insert() == tStoreStatus::Stored && ok;
    for (tTermin t : data.termine) {
        setCurrentUser(t.OWNER);
        ok = tTerminStore::instance().insert(t).status == tStoreStatus::Stored && ok;
    }
    if (!ok) {
        std::fprintf(stderr, "calendar views: a record was not stored\n");
        std::exit(2);
    }
}

void fillSqlite(tBenchDatabase &db, const tData &data)
{
    db.exec("CREATE TABLE termin (id TEXT PRIMARY KEY, title TEXT, fromdate TEXT, fromtime TEXT,"
            " tilldate TEXT, tilltime TEXT, resource TEXT, owner TEXT, read TEXT);"
            "CREATE INDEX termin_start ON termin (fromdate, fromtime, title);"
            "CREATE TABLE person (id TEXT PRIMARY KEY, name TEXT, chrname TEXT, birth TEXT,"
            " birthmd TEXT);"
            "CREATE INDEX person_birth ON person (birthmd);"
            "CREATE TABLE task (id TEXT PRIMARY KEY, title TEXT, enddate TEXT);"
            "CREATE INDEX task_end ON task (enddate);"
            "CREATE TABLE resource (id TEXT PRIMARY KEY, title TEXT);"
            "BEGIN;");
    sqlite3_stmt *st;
    sqlite3_prepare_v2(db.sqlite(), "INSERT INTO termin VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)", -1,
                       &st, nullptr);
    long id = 0;
    for (const tTermin &t : data.termine) {
        std::string v[] = {numbered("", id++), t.TITLE,       stamp(t.from),
                           clock(t.from),      stamp(t.till), clock(t.till),
                           t.RESOURCE,         t.OWNER,       t.READ};
        for (int i = 0; i < 9; i++)
            sqlite3_bind_text(st, i + 1, v[i].c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_prepare_v2(db.sqlite(), "INSERT INTO person VALUES (?, ?, ?, ?, ?)", -1, &st, nullptr);
    for (const tPerson &p : data.persons) {
        std::string birth = stamp(p.BIRTH);
        std::string v[] = {p.ID, p.NAME, p.CHRNAME, birth, birth.substr(4)};
        for (int i = 0; i < 5; i++)
            sqlite3_bind_text(st, i + 1, v[i].c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_prepare_v2(db.sqlite(), "INSERT INTO task VALUES (?, ?, ?)", -1, &st, nullptr);
    for (const tTask &k : data.tasks) {
        std::string v[] = {k.ID, k.TITLE, stamp(k.ENDDATE)};
        for (int i = 0; i < 3; i++)
            sqlite3_bind_text(st, i + 1, v[i].c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_prepare_v2(db.sqlite(), "INSERT INTO resource VALUES (?, ?)", -1, &st, nullptr);
    for (const tResource &r : data.resources) {
        sqlite3_bind_text(st, 1, r.ID, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, r.TITLE, -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    db.exec("COMMIT;");
}

// SQLite answering the views' questions, each with one prepared statement.
class tSqliteViews {
public:
    tSqliteViews(sqlite3 *db, std::string me) : me_(std::move(me))
    {
        prepare(db, &birthdays_, "SELECT id, chrname, name, birth FROM person WHERE birthmd = ?1");
        prepare(db, &ofDay_,
                "SELECT id, fromtime, title, owner, read FROM termin WHERE fromdate = ?1 "
                "ORDER BY fromdate, fromtime, title");
        prepare(db, &tasks_,
                "SELECT id, title FROM task WHERE enddate >= ?1 AND enddate <= ?2 AND enddate <> "
                "'00000000' ORDER BY enddate");
        prepare(db, &touching_,
                "SELECT id, fromdate, fromtime, tilldate, tilltime, resource, owner, read, title "
                "FROM termin WHERE fromdate >= ?1 AND fromdate <= ?2 AND (fromdate < ?2 OR "
                "fromtime <= ?3) AND (tilldate > ?4 OR (tilldate = ?4 AND tilltime >= ?5)) "
                "ORDER BY fromdate, fromtime, title");
        prepare(db, &resources_, "SELECT id FROM resource ORDER BY id");
    }
    ~tSqliteViews()
    {
        for (sqlite3_stmt *s : {birthdays_, ofDay_, tasks_, touching_, resources_})
            sqlite3_finalize(s);
    }

    // The birthdays and appointments of one day as the week calendar (or the appointment list)
    // shows them.
    void dayLines(const tDate &day, bool list, std::vector<std::string> &out)
    {
        bind(birthdays_, {stamp(day).substr(4)});
        while (sqlite3_step(birthdays_) == SQLITE_ROW) {
            const char *chr = text(birthdays_, 1), *name = text(birthdays_, 2);
            if (!list) {
                out.push_back(viewFormat("* %s %s", chr, name));
                continue;
            }
            tDateTime birth;
            readDate(text(birthdays_, 3), "0000", birth);
            out.push_back(
                viewFormat("* %d.%d.%04d: %s %s", birth.day, birth.month, birth.year, chr, name));
        }
        bind(ofDay_, {stamp(day)});
        while (sqlite3_step(ofDay_) == SQLITE_ROW) {
            if (!visible(text(ofDay_, 4), text(ofDay_, 3))) continue;
            const char *time = text(ofDay_, 1), *title = text(ofDay_, 2);
            if (list)
                out.push_back(viewFormat("> %d.%d.%04d %.2s:%.2s - %s", day.day, day.month,
                                         day.year, time, time + 2, title));
            else
                out.push_back(viewFormat("> %.2s:%.2s - %s", time, time + 2, title));
        }
    }

    // The selection list's birthday lines (the telephone left out: not in this table).
    void selectionBirthdays(const tDate &day, std::vector<std::string> &out)
    {
        bind(birthdays_, {stamp(day).substr(4)});
        while (sqlite3_step(birthdays_) == SQLITE_ROW)
            out.push_back(viewFormat("* %d.%d %s %s [%s]", day.day, day.month, text(birthdays_, 1),
                                     text(birthdays_, 2), text(birthdays_, 0)));
    }

    void weekDay(const tDate &day, std::vector<std::string> &out)
    {
        dayLines(day, false, out);
        dueTasks(day, day, out);
    }

    void dueTasks(const tDate &from, const tDate &till, std::vector<std::string> &out)
    {
        bind(tasks_, {stamp(from), stamp(till)});
        while (sqlite3_step(tasks_) == SQLITE_ROW)
            out.push_back(viewFormat("# %s", text(tasks_, 1)));
    }

    // The appointments touching from..till, as (id, from, till, resource, title).
    std::vector<tTermin> touching(const tDateTime &from, const tDateTime &till, long lookBack)
    {
        tDate lo = from;
        lo.setDayOfYear(lo.dayOfYear() - int(lookBack));
        bind(touching_, {stamp(lo), stamp(till), clock(till), stamp(from), clock(from)});
        std::vector<tTermin> out;
        while (sqlite3_step(touching_) == SQLITE_ROW) {
            if (!visible(text(touching_, 7), text(touching_, 6))) continue;
            tTermin t;
            std::snprintf(t.ID, sizeof t.ID, "%s", text(touching_, 0));
            readDate(text(touching_, 1), text(touching_, 2), t.from);
            readDate(text(touching_, 3), text(touching_, 4), t.till);
            t.setResource(text(touching_, 5));
            t.setTitle(text(touching_, 8));
            out.push_back(t);
        }
        return out;
    }

    std::vector<std::string> resources()
    {
        std::vector<std::string> out;
        sqlite3_reset(resources_);
        while (sqlite3_step(resources_) == SQLITE_ROW) out.push_back(text(resources_, 0));
        return out;
    }

    long birthdayCount(const tDate &day)
    {
        long n = 0;
        bind(birthdays_, {stamp(day).substr(4)});
        while (sqlite3_step(birthdays_) == SQLITE_ROW) n++;
        return n;
    }

private:
    static void prepare(sqlite3 *db, sqlite3_stmt **st, const char *sql)
    {
        if (sqlite3_prepare_v2(db, sql, -1, st, nullptr) != SQLITE_OK) std::exit(2);
    }
    static void bind(sqlite3_stmt *st, std::initializer_list<std::string> values)
    {
        sqlite3_reset(st);
        int i = 1;
        for (const std::string &v : values)
            sqlite3_bind_text(st, i++, v.c_str(), -1, SQLITE_TRANSIENT);
    }
    static const char *text(sqlite3_stmt *st, int column)
    {
        const char *t = reinterpret_cast<const char *>(sqlite3_column_text(st, column));
        return t ? t : "";
    }
    static void readDate(const char *date, const char *time, tDateTime &t)
    {
        std::sscanf(date, "%4d%2d%2d", &t.year, &t.month, &t.day);
        std::sscanf(time, "%2d%2d", &t.hour, &t.minute);
    }
    bool visible(const char *read, const char *owner)
    {
        return terminVisible(read, owner, me_,
                             [](std::string_view, std::string_view) { return false; });
    }

    std::string me_;
    sqlite3_stmt *birthdays_ = nullptr, *ofDay_ = nullptr, *tasks_ = nullptr, *touching_ = nullptr,
                 *resources_ = nullptr;
};

long lineCount(const tWeek &week)
{
    long n = 0;
    for (const tWeekDay &d : week.days) n += long(d.lines.size());
    return n;
}

void runSize(long n)
{
    tBenchDatabase db("calendar-views");
    tData data = makeData(n);
    fillVelk(data);
    fillSqlite(db, data);
    const std::string me = numbered("u", 0);
    setCurrentUser(me);
    tSqliteViews sql(db.sqlite(), me);
    const long span = 14; // the longest appointment in the data
    char comment[160];

    const tDate monday = weekStart({12, 6, 2024}), today = {12, 6, 2024};
    tHolidayCache holidays;
    long lines = 0, sqlLines = 0;
    double v = timeMs([&] { lines = lineCount(weekContent(monday, holidays)); });
    double s = timeMs([&] {
        std::vector<std::string> out;
        tDate d = monday;
        for (int i = 0; i < kWeekDays; i++, d.nextDay()) sql.weekDay(d, out);
        sqlLines = long(out.size());
    });
    std::snprintf(comment, sizeof comment, "%ld lines (SQLite %ld)", lines, sqlLines);
    report({"week calendar: fill", n, v, s, 30, comment});

    v = timeMs([&] { lines = long(termListLines(today, today, holidays).size()); });
    s = timeMs([&] {
        std::vector<std::string> out;
        tDate d = today;
        for (int i = 0; i < kTermListDays; i++, d.nextDay()) {
            sql.dayLines(d, true, out);
            sql.dueTasks(i == 0 ? tDate{1, 1, 0} : d, d, out);
        }
        sqlLines = long(out.size());
    });
    std::snprintf(comment, sizeof comment, "%ld lines (SQLite %ld, no holidays)", lines, sqlLines);
    report({"appointment list: fill", n, v, s, 30, comment});

    // The same ten days from tomorrow: without today's entry, which lists every task due up to
    // today (about half of them here), each one a step of the ENDDATE walk.
    tDate tomorrow = today;
    tomorrow.nextDay();
    v = timeMs([&] { lines = long(termListLines(tomorrow, today, holidays).size()); });
    s = timeMs([&] {
        std::vector<std::string> out;
        tDate d = tomorrow;
        for (int i = 0; i < kTermListDays; i++, d.nextDay()) {
            sql.dayLines(d, true, out);
            sql.dueTasks(d, d, out);
        }
        sqlLines = long(out.size());
    });
    std::snprintf(comment, sizeof comment, "%ld lines (SQLite %ld, no holidays)", lines, sqlLines);
    report({"appointment list: without today", n, v, s, 30, comment});

    // The selection list of one day: its birthdays and the appointments touching it.
    v = timeMs([&] { lines = long(selectionOfDay(today, holidays).lines.size()); });
    s = timeMs([&] {
        std::vector<std::string> out;
        sql.selectionBirthdays(today, out);
        tDateTime from, till;
        from.set(today.year, today.month, today.day);
        till = from;
        till.hour = 23;
        till.minute = 59;
        for (const tTermin &t : sql.touching(from, till, span))
            out.push_back(viewFormat("> %d.%d.%04d %02d:%02d-%02d:%02d %s", t.from.day,
                                     t.from.month, t.from.year, t.from.hour, t.from.minute,
                                     t.till.hour, t.till.minute, t.TITLE));
        sqlLines = long(out.size());
    });
    std::snprintf(comment, sizeof comment, "%ld lines (SQLite %ld, no holidays)", lines, sqlLines);
    report({"selection list: one day", n, v, s, 30, comment});

    v = timeMs(
        [&] {
            lines = 0;
            tDate start = weekStart({1, 1, 2024});
            for (int i = 0; i < 52; i++) {
                start = weekMoved(start, 1);
                lines += lineCount(weekContent(start, holidays));
            }
        },
        3);
    s = timeMs(
        [&] {
            std::vector<std::string> out;
            tDate d = weekMoved(weekStart({1, 1, 2024}), 1);
            for (int i = 0; i < 52 * kWeekDays; i++, d.nextDay()) sql.weekDay(d, out);
            sqlLines = long(out.size());
        },
        3);
    std::snprintf(comment, sizeof comment, "per move; 52 moves %.0f ms, %ld lines (SQLite %ld)", v,
                  lines, sqlLines);
    report({"week calendar: 52 moves forward", n, v / 52, s / 52, 30, comment});

    const tDate june{1, 6, 2024};
    long shapes = 0, sqlRows = 0;
    v = timeMs([&] { shapes = long(planerShapes(june, kMetrics, holidays).size()); });
    s = timeMs([&] {
        sqlRows = 0;
        for (const tTermin &t :
             sql.touching(tDateTime::at(june, 0, 0), tDateTime::at({30, 6, 2024}, 23, 59), span))
            sqlRows += !t.RESOURCE[0];
        for (int d = 1; d <= 30; d++) sqlRows += sql.birthdayCount({d, 6, 2024});
    });
    std::snprintf(comment, sizeof comment, "%ld shapes (SQLite: %ld rows)", shapes, sqlRows);
    report({"month planner: shapes", n, v, s, 30, comment});

    v = timeMs(
        [&] { shapes = long(jahrPlanShapes(jahrPlanData(2024), kMetrics, holidays).size()); }, 3);
    s = timeMs(
        [&] {
            std::vector<std::string> res = sql.resources();
            sqlRows = long(res.size());
            for (const tTermin &t : sql.touching(tDateTime::at({1, 1, 2024}, 0, 0),
                                                 tDateTime::at({31, 12, 2024}, 23, 59), span))
                sqlRows += t.RESOURCE[0] && resourceRow(res, t.RESOURCE) > 0;
        },
        3);
    std::snprintf(comment, sizeof comment, "%ld shapes (SQLite: %ld rows)", shapes, sqlRows);
    report({"occupancy plan: year of shapes", n, v, s, 150, comment});
}

} // namespace

VELK_BENCH_SECTION("calendar views", [](const std::vector<long> &sizes) {
    for (long n : sizes) runSize(n);
});

} // namespace velk::bench
