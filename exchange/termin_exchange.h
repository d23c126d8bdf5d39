// termin_exchange.h - appointments to and from dBASE files and Portfolio diary files.
//
// Appointment exchange file (tTerminDBF), fields in file order:
//
//   name                           type  length   TERMIN
//   FROMDAY, FROMMONTH, FROMYEAR   N     2, 2, 4  day, month, year of FROMDATE
//   FROMHOUR, FROMMIN              N     2, 2     hour, minute of FROMTIME
//   TILLDAY, TILLMONTH, TILLYEAR   N     2, 2, 4  day, month, year of TILLDATE
//   TILLHOUR, TILLMIN              N     2, 2     hour, minute of TILLTIME
//   TITLE                          C     40       TITLE
//   TYPE                           C     1        left blank
//   RESOURCE                       C     8        RESOURCE (blank when none)
//   WITH                           C     9        WITH
//   OWNER, READ, WRITE             C     9 each   left blank
//
// Both exports walk the appointments the calendar user may see in ID order and leave out the
// table's ID counter row, which is no appointment.  Both imports store each entry through the
// appointment store: a new ID, the calendar user as OWNER, visible to everybody.  The dBASE
// import skips records marked deleted and records whose start is no date and time of the years 0
// to 9999 (the counter row an older export wrote, for one); an end that is no such date is the
// start's day; an entry equal to a stored one (start, title, resource,
// owner) is refused by the store and counted as skipped.
#ifndef VELK_EXCHANGE_TERMIN_EXCHANGE_H
#define VELK_EXCHANGE_TERMIN_EXCHANGE_H

#include "calendar/termin.h"
#include "exchange/dbf.h"
#include "exchange/exchange.h"

#include <string>
#include <vector>

namespace velk {

class tTerminDBF : public tBoundDBF {
public:
    static tCreateDBF layout() { return tTerminDBF().handleLayout(); }

    // Whether the file carries the start date (without it no record is an appointment).
    bool hasStart() const;

    void put(const tTermin &t);
    // Dates, times, TITLE, RESOURCE and WITH of the current record into t; the rest of t stays.
    void get(tTermin &t);

    tNumField FROMDAY{"FROMDAY", 2}, FROMMONTH{"FROMMONTH", 2}, FROMYEAR{"FROMYEAR", 4};
    tNumField FROMHOUR{"FROMHOUR", 2}, FROMMIN{"FROMMIN", 2};
    tNumField TILLDAY{"TILLDAY", 2}, TILLMONTH{"TILLMONTH", 2}, TILLYEAR{"TILLYEAR", 4};
    tNumField TILLHOUR{"TILLHOUR", 2}, TILLMIN{"TILLMIN", 2};
    tCharField TITLE{"TITLE", 40}, TYPE{"TYPE", 1}, RESOURCE{"RESOURCE", 8}, WITH{"WITH", 9};
    tCharField OWNER{"OWNER", 9}, READ{"READ", 9}, WRITE{"WRITE", 9};

protected:
    std::vector<tFeld *> handles() override;
};

// The appointments the calendar user may see, in ID order, without the counter row.
std::vector<tTermin> visibleAppointments();

// With no appointment to write no file is made (done 0).
tExchangeResult exportTermineDbf(const std::string &fileName,
                                 const tExchangeProgress &progress = {});
tExchangeResult importTermineDbf(const std::string &fileName,
                                 const tExchangeProgress &progress = {});

// The appointments an import of that kind would store, read without storing (for a check
// before the import); for a file that cannot be read, and for the kinds whose entries book no
// resource (Portfolio), nothing.
std::vector<tTermin> termineOfDbf(const std::string &fileName);
std::vector<tTermin> termineOfFile(tExchangeKind kind, const std::string &fileName);

// A timed entry before the first date line, or a line that holds no date or time, stops the
// import with "Fehler beim Lesen"; what was stored before stays.  currentYear decides the
// century of the two-digit years (0: this year).
tExchangeResult importPortfolio(const std::string &fileName, const tExchangeProgress &progress = {},
                                int currentYear = 0);
tExchangeResult exportPortfolio(const std::string &fileName,
                                const tExchangeProgress &progress = {});

} // namespace velk

#endif
