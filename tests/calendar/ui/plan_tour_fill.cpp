// plan_tour_fill DATADICT YEAR MONTH: fills the database of the plan's tour as a user would
// have: three resources, bookings of them in YEAR (one across its end into the next year),
// appointments without a resource in MONTH of YEAR, and two persons with a birthday in that
// month.  Everything is owned by root.
#include "address/person.h"
#include "address/resource.h"
#include "base/session.h"
#include "calendar/termin_store.h"
#include "model/blob.h"

#include <cstdio>
#include <cstdlib>

using namespace velk;

namespace {

tDateTime at(int d, int m, int y, int hour = 0, int minute = 0)
{
    tDateTime t;
    t.set(y, m, d);
    t.hour = hour;
    t.minute = minute;
    return t;
}

bool add(const char *title, tDateTime from, tDateTime till, const char *resource = "")
{
    tTermin t;
    t.setTitle(title);
    t.from = from;
    t.till = till;
    t.setResource(resource);
    return tTerminStore::instance().insert(t).complete();
}

bool person(const char *id, const char *chr, const char *name, tDate birth)
{
    tPerson p;
    p.setId(id);
    p.setChrName(chr);
    p.setName(name);
    p.BIRTH = birth;
    return p.insert() == tStoreStatus::Stored;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: plan_tour_fill DATADICT YEAR MONTH\n");
        return 2;
    }
    const int y = std::atoi(argv[2]), m = std::atoi(argv[3]);
    if (!openDatabase(argv[1])) return 1;
    setCurrentUser("root");
    bool ok = true;
    for (const char *id : {"BEAMER", "BUS", "SAAL"}) {
        tResource r;
        r.setId(id);
        r.setTitle(id);
        ok = r.insert() == tStoreStatus::Stored && ok;
    }
    ok = add("Messe", at(30, 1, y, 10), at(2, 3, y, 12), "SAAL") && ok;
    ok = add("Schulung", at(14, 5, y, 8), at(16, 5, y, 17), "BEAMER") && ok;
    ok = add("Ausflug", at(3, m, y, 7), at(4, m, y, 20), "BUS") && ok;
    ok = add("Jahreswechsel", at(30, 12, y, 18), at(2, 1, y + 1, 9), "SAAL") && ok;
    ok = add("Besprechung", at(2, m, y, 9), at(2, m, y, 11, 30), "") && ok;
    ok = add("Fruehstueck", at(5, m, y, 6), at(5, m, y, 8, 30), "") && ok;
    ok = add("Abendessen", at(9, m, y, 21), at(9, m, y, 23), "") && ok;
    ok = add("Reise", at(16, m, y, 14), at(18, m, y, 10), "") && ok;
    ok = person("mm", "Maria", "Mueller", {11, m, 1960}) && ok;
    ok = person("ab", "Anna", "Berg", {20, m, 1985}) && ok;
    closeDatabase();
    return ok ? 0 : 1;
}
