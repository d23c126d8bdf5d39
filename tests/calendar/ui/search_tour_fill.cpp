// search_tour_fill DIR YEAR: what the search window's tour finds, stored beside the program as
// another copy would: persons (two of them named Müller, one written "Mueller" in a comment), a
// group, a resource, appointments of root in YEAR (one with Hans Müller, two breakfasts), a
// project and a task.
#include "address/group.h"
#include "address/person.h"
#include "address/resource.h"
#include "base/session.h"
#include "calendar/termin_store.h"
#include "model/blob.h"
#include "projects/project.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace velk;

namespace {

bool person(const char *id, const char *chr, const char *name, const char *city, tDate birth)
{
    tPerson p;
    p.setId(id);
    p.setChrName(chr);
    p.setName(name);
    p.setCity(city);
    p.BIRTH = birth;
    return p.insert() == tStoreStatus::Stored;
}

bool termin(const char *title, tDateTime from, tDateTime till, const char *with = "",
            const char *resource = "")
{
    tTermin t;
    t.setTitle(title);
    t.from = from;
    t.till = till;
    t.setWith(with);
    t.setResource(resource);
    return tTerminStore::instance().insert(t).complete();
}

bool others(int year)
{
    tGroup g;
    g.setId("chor");
    g.setTitle("Kirchenchor");
    g.setCity("K\xF6ln");
    tResource r;
    r.setId("RAUM1");
    r.setTitle("Besprechungsraum");
    tProject p;
    p.setId("UMZUG");
    p.setTitle("B\xFCroumzug");
    p.ENDDATE = {30, 9, year};
    tTask k;
    k.setId("KARTONS");
    k.setTitle("Kartons packen");
    k.setProject("UMZUG");
    k.setComment("Bei Familie M\xFCller abholen");
    k.ENDDATE = {15, 9, year};
    return g.insert() == tStoreStatus::Stored && addMember("chor", "hans") &&
           addMember("chor", "erika") && r.insert() == tStoreStatus::Stored &&
           p.insert() == tStoreStatus::Stored && k.insert() == tStoreStatus::Stored;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: search_tour_fill DIR YEAR\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    const int y = std::atoi(argv[2]);
    setProcessRegistry(dir);
    if (!openDatabase((dir + "datadict").c_str())) return 1;
    setCurrentUser("root");
    auto at = [y](int d, int m, int hour, int minute = 0) {
        return tDateTime::at({d, m, y}, hour, minute);
    };
    bool ok = person("hans", "Hans",
                     "M\xFC"
                     "ller",
                     "K\xF6ln", {3, 4, 1970}) &&
              person("gerda", "Gerda",
                     "M\xFC"
                     "ller-Ohm",
                     "D\xFCsseldorf", {21, 11, 1958}) &&
              person("erika", "Erika", "Mustermann", "Bonn", {}) &&
              person("juergen", "J\xFCrgen",
                     "Sch\xE4"
                     "fer",
                     "Stra\xDF"
                     "burg",
                     {}) &&
              others(y) &&
              termin("Planungsrunde", at(12, 3, 10), at(12, 3, 11, 30), "Phans", "RAUM1") &&
              termin("Fr\xFChst\xFC"
                     "ck mit Erika",
                     at(7, 5, 8), at(7, 5, 9)) &&
              termin("Fr\xFChst\xFC"
                     "cksbuffet",
                     at(18, 6, 7, 30), at(18, 6, 9)) &&
              termin("Chorprobe", at(24, 6, 19), at(24, 6, 21), "Gchor") &&
              termin("Umzugsplanung", at(2, 9, 14), at(2, 9, 15));
    closeDatabase();
    return ok ? 0 : 1;
}
