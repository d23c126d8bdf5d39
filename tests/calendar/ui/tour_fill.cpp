// tour_fill DIR YEAR: what the week calendar's tour adds to the database in DIR beside the running
// program, as another copy would: appointments of root in the week of 28 December YEAR, one of
// them over several days, one today; a task due in that week and one due two weeks ago.  The
// persons with birthdays the tour types into the address book itself.
#include "base/session.h"
#include "calendar/termin_store.h"
#include "model/blob.h"
#include "projects/project.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace velk;

namespace {

bool termin(const char *title, tDateTime from, tDateTime till)
{
    tTermin t;
    t.setTitle(title);
    t.from = from;
    t.till = till;
    return tTerminStore::instance().insert(t).complete();
}

bool task(const char *id, const char *title, tDate due)
{
    tTask k;
    k.setId(id);
    k.setTitle(title);
    k.setProject("TOUR");
    k.ENDDATE = due;
    return k.insert() == tStoreStatus::Stored;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: tour_fill DIR YEAR\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    const int year = std::atoi(argv[2]);
    setProcessRegistry(dir);
    if (!openDatabase((dir + "datadict").c_str())) return 1;
    setCurrentUser("root");
    const tDate today = tDate::today(), monday{28, 12, year}, tuesday{29, 12, year},
                newYear{2, 1, year + 1};
    tDate overdue = today;
    for (int i = 0; i < 14; i++) overdue.prevDay();
    bool ok = termin("Jahresabschluss", tDateTime::at(monday, 9), tDateTime::at(monday, 11)) &&
              termin("Fr\xFChst\xFC"
                     "ck",
                     tDateTime::at(monday, 8, 30), tDateTime::at(monday, 9)) &&
              termin("Skiurlaub", tDateTime::at(tuesday, 14), tDateTime::at({31, 12, year}, 18)) &&
              termin("Neujahrsempfang", tDateTime::at(newYear, 10), tDateTime::at(newYear, 12)) &&
              termin("Zahnarzt", tDateTime::at(today, 11), tDateTime::at(today, 12)) &&
              task("INV", "Inventur", {30, 12, year}) &&
              task("STEUER", "Steuererkl\xE4rung", overdue);
    closeDatabase();
    return ok ? 0 : 1;
}
