// appointments.cpp - the calendar's walks: N appointments over three years (2023 to 2025) by 20
// users, a few of them several days or two weeks long, a fifth private or for a group; and 1,000
// alarms.  Each walk against SQLite answering the same rows from an index on the start, with the
// same visibility rule applied to what it returns.
#include "bench/views/bench_views.h"

#include "address/group.h"
#include "calendar/alarm.h"
#include "base/session.h"
#include "calendar/termin_store.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <set>

namespace velk::bench {

namespace {

constexpr int kUsers = 20, kGroups = 4; // and as many alarms as appointments

std::string user(int i)
{
    char id[8];
    std::snprintf(id, sizeof id, "u%02d", i + 1);
    return id;
}

struct tBenchData {
    std::vector<tTermin> termine;
    std::vector<tAlarm> alarms;
    std::map<std::string, std::set<std::string>> members; // group -> users
};

tBenchData makeData(long n)
{
    tBenchData data;
    std::mt19937 rng(4711);
    for (int g = 0; g < kGroups; g++)
        for (int u = g * 5; u < g * 5 + 5; u++)
            data.members["g" + std::to_string(g)].insert(user(u));
    for (long i = 0; i < n; i++) {
        int owner = int(rng() % kUsers);
        int day = int(rng() % 1096);
        int start = 7 * 60 + int(rng() % (12 * 4)) * 15;
        int kind = int(rng() % 100);
        int days = kind < 90 ? 0 : kind < 99 ? 1 + int(rng() % 4) : 14;
        tTermin t;
        t.from = dayTime(day, start);
        t.till = dayTime(day + days, start + 60 + int(rng() % 4) * 30);
        t.setTitle("Termin " + std::to_string(i));
        int read = int(rng() % 100);
        if (read < 10)
            t.setRead("P" + user(owner));
        else if (read < 20)
            t.setRead("Gg" + std::to_string(rng() % kGroups));
        else if (read < 22)
            t.setRead("P" + user(int(rng() % kUsers)));
        std::snprintf(t.OWNER, sizeof t.OWNER, "%s", user(owner).c_str());
        data.termine.push_back(t);
    }
    for (long i = 0; i < n; i++) {
        tAlarm a;
        a.when = dayTime(int(rng() % 1096), 7 * 60 + int(rng() % 600));
        a.setMessage("Alarm " + std::to_string(i));
        a.setSendTo(user(int(rng() % kUsers)));
        data.alarms.push_back(a);
    }
    return data;
}

tGroupMembership membership(const tBenchData &data)
{
    return [&data](std::string_view gid, std::string_view u) {
        auto it = data.members.find(std::string(gid));
        return it != data.members.end() && it->second.count(std::string(u)) > 0;
    };
}

void fillVelk(const tBenchData &data)
{
    for (const auto &[gid, users] : data.members) {
        tGroup g;
        g.setId(gid);
        g.insert();
        for (const std::string &u : users) addMember(gid, u);
    }
    for (tTermin t : data.termine) {
        setCurrentUser(t.OWNER);
        if (tTerminStore::instance().insert(t).status != tStoreStatus::Stored) {
            std::fprintf(stderr, "appointment not stored\n");
            std::exit(2);
        }
    }
    for (tAlarm a : data.alarms) {
        setCurrentUser(a.SENDTO);
        a.setSendTo("");
        if (tAlarmStore::instance().send(a).status != tStoreStatus::Stored) std::exit(2);
    }
}

void fillSqlite(tBenchDatabase &db, const tBenchData &data)
{
    db.exec("CREATE TABLE termin (id INTEGER PRIMARY KEY, title TEXT, fromdate TEXT, fromtime "
            "TEXT, tilldate TEXT, tilltime TEXT, owner TEXT, read TEXT);"
            "CREATE INDEX termin_start ON termin (fromdate, fromtime);"
            "CREATE TABLE alarm (id INTEGER PRIMARY KEY, date TEXT, time TEXT, message TEXT, "
            "sendto TEXT);"
            "CREATE INDEX alarm_date ON alarm (date, time);"
            "BEGIN;");
    sqlite3_stmt *st;
    sqlite3_prepare_v2(db.sqlite(), "INSERT INTO termin VALUES (NULL, ?, ?, ?, ?, ?, ?, ?)", -1,
                       &st, nullptr);
    for (const tTermin &t : data.termine) {
        std::string v[] = {t.TITLE,       stamp(t.from), clock(t.from), stamp(t.till),
                           clock(t.till), t.OWNER,       t.READ};
        for (int i = 0; i < 7; i++)
            sqlite3_bind_text(st, i + 1, v[i].c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_prepare_v2(db.sqlite(), "INSERT INTO alarm VALUES (NULL, ?, ?, ?, ?)", -1, &st,
                       nullptr);
    for (const tAlarm &a : data.alarms) {
        std::string v[] = {stamp(a.when), clock(a.when), a.MESSAGE, a.SENDTO};
        for (int i = 0; i < 4; i++)
            sqlite3_bind_text(st, i + 1, v[i].c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    db.exec("COMMIT;");
}

// The rows SQLite returns for fromdate in [lo, hi] that end at or after `from`, start at or
// before `till`, and that the user may see.
long sqliteTouching(sqlite3 *db, const tBenchData &data, const std::string &me, const tDate &lo,
                    const tDateTime &from, const tDateTime &till)
{
    static const char *sql =
        "SELECT read, owner FROM termin WHERE fromdate >= ?1 AND fromdate <= ?2 AND "
        "(fromdate < ?2 OR fromtime <= ?3) AND (tilldate > ?4 OR (tilldate = ?4 AND tilltime >= "
        "?5)) ORDER BY fromdate, fromtime";
    sqlite3_stmt *st;
    sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    std::string v[] = {stamp(lo), stamp(till), clock(till), stamp(from), clock(from)};
    for (int i = 0; i < 5; i++) sqlite3_bind_text(st, i + 1, v[i].c_str(), -1, SQLITE_TRANSIENT);
    tGroupMembership inGroup = membership(data);
    long rows = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        const char *read = (const char *)sqlite3_column_text(st, 0);
        const char *owner = (const char *)sqlite3_column_text(st, 1);
        if (terminVisible(read, owner, me, inGroup)) rows++;
    }
    sqlite3_finalize(st);
    return rows;
}

long sqliteDay(sqlite3 *db, const tBenchData &data, const std::string &me, const tDate &day)
{
    sqlite3_stmt *st;
    sqlite3_prepare_v2(db, "SELECT read, owner FROM termin WHERE fromdate = ?1 ORDER BY fromtime",
                       -1, &st, nullptr);
    std::string v = stamp(day);
    sqlite3_bind_text(st, 1, v.c_str(), -1, SQLITE_TRANSIENT);
    long rows = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        const char *read = (const char *)sqlite3_column_text(st, 0);
        const char *owner = (const char *)sqlite3_column_text(st, 1);
        if (terminVisible(read, owner, me, membership(data))) rows++;
    }
    sqlite3_finalize(st);
    return rows;
}

long sqliteDue(sqlite3 *db, const std::string &me, const tDateTime &now)
{
    static const char *sql = "SELECT message FROM alarm WHERE (date < ?1 OR (date = ?1 AND time "
                             "< ?2)) AND sendto = ?3 ORDER BY date, time";
    sqlite3_stmt *st;
    sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    std::string v[] = {stamp(now), clock(now), me};
    for (int i = 0; i < 3; i++) sqlite3_bind_text(st, i + 1, v[i].c_str(), -1, SQLITE_TRANSIENT);
    long rows = 0;
    while (sqlite3_step(st) == SQLITE_ROW) rows++;
    sqlite3_finalize(st);
    return rows;
}

// The alarm list's lines: every alarm of `me`, in date order, formatted as the window shows them.
long sqliteAlarmList(sqlite3 *db, const std::string &me)
{
    static const char *sql =
        "SELECT date, time, message FROM alarm WHERE sendto = ?1 ORDER BY date, time";
    sqlite3_stmt *st;
    sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    sqlite3_bind_text(st, 1, me.c_str(), -1, SQLITE_TRANSIENT);
    std::vector<std::string> lines;
    while (sqlite3_step(st) == SQLITE_ROW) {
        const std::string date = (const char *)sqlite3_column_text(st, 0);
        const std::string time = (const char *)sqlite3_column_text(st, 1);
        char when[64];
        std::snprintf(when, sizeof when, "* %d.%d.%s %s:%s - ", std::atoi(date.substr(6).c_str()),
                      std::atoi(date.substr(4, 2).c_str()), date.substr(0, 4).c_str(),
                      time.substr(0, 2).c_str(), time.substr(2, 2).c_str());
        lines.push_back(when + std::string((const char *)sqlite3_column_text(st, 2)));
    }
    sqlite3_finalize(st);
    return long(lines.size());
}

tDateTime endOf(int d, int m, int y)
{
    tDateTime t;
    t.set(y, m, d);
    t.hour = 23;
    t.minute = 59;
    return t;
}

void runSize(long n)
{
    tBenchDatabase db("appointments");
    tBenchData data = makeData(n);
    fillVelk(data);
    fillSqlite(db, data);
    const std::string me = user(0);
    setCurrentUser(me);
    tTerminStore &store = tTerminStore::instance();
    char comment[128];

    // A month of day walks, as the week and month views ask for them; per day.
    long dayRows = 0;
    double ms = timeMs([&] {
        dayRows = 0;
        for (int d = 1; d <= 30; d++) dayRows += long(store.ofDay({d, 6, 2024}).size());
    });
    double sq = timeMs([&] {
        for (int d = 1; d <= 30; d++) sqliteDay(db.sqlite(), data, me, {d, 6, 2024});
    });
    std::snprintf(comment, sizeof comment, "per day over June 2024; %ld rows seen", dayRows);
    report({"appointments: first/next of day", n, ms / 30, sq / 30, 0, comment});

    struct Range {
        const char *name;
        tDateTime from, till;
        double goal;
    } ranges[] = {
        {"appointments: touching, month", dayTime(0, 0), endOf(30, 6, 2024), 20},
        {"appointments: touching, year", dayTime(0, 0), endOf(31, 12, 2024), 100},
    };
    ranges[0].from.set(2024, 6, 1);
    ranges[1].from.set(2024, 1, 1);
    for (const Range &r : ranges) {
        long rows = 0, sqlRows2 = 0;
        double v = timeMs([&] { rows = long(store.touching(r.from, r.till).size()); });
        tDate lo = r.from;
        lo.setDayOfYear(lo.dayOfYear() - 14); // the longest span in the data
        double s =
            timeMs([&] { sqlRows2 = sqliteTouching(db.sqlite(), data, me, lo, r.from, r.till); });
        std::snprintf(comment, sizeof comment, "%ld rows (SQLite %ld)", rows, sqlRows2);
        report({r.name, n, v, s, r.goal, comment});
    }

    tDateTime now = endOf(1, 7, 2024);
    now.hour = 12;
    now.minute = 0;
    long due = 0, sqlDue = 0;
    tAlarmStore &alarms = tAlarmStore::instance();
    double v = timeMs([&] {
        due = 0;
        tAlarm a;
        for (long p = alarms.firstDue(now, a); p; p = alarms.nextDue(now, p, a)) due++;
    });
    double s = timeMs([&] { sqlDue = sqliteDue(db.sqlite(), me, now); });
    std::snprintf(comment, sizeof comment, "%ld alarms, %ld due (SQLite %ld)", n, due, sqlDue);
    report({"alarms: due walk", n, v, s, 0, comment});

    long listed = 0, sqlListed = 0;
    v = timeMs([&] {
        std::vector<std::string> lines;
        for (const tAlarm &a : alarms.listed()) lines.push_back(alarmListLine(a));
        listed = long(lines.size());
    });
    s = timeMs([&] { sqlListed = sqliteAlarmList(db.sqlite(), me); });
    std::snprintf(comment, sizeof comment, "%ld alarms, %ld lines (SQLite %ld)", n, listed,
                  sqlListed);
    report({"alarm list: fill", n, v, s, 30, comment});
}

} // namespace

VELK_BENCH_SECTION("appointments", [](const std::vector<long> &sizes) {
    for (long n : sizes) runSize(n);
});

} // namespace velk::bench
