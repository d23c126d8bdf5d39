// print_kinds.h - the printed documents of the views built straight from the database, without a
// window: the same data walk the view fills itself with, then the view's builder of
// print_pages.h.  velk-exchange writes them as PDF files; the benchmark times them.
//
//   kind              view (heading)       what of `date`
//   woche-pdf         Wochenkalender       its week, Monday to Sunday (one landscape page)
//   monat-pdf         Planer               its month (one landscape page)
//   belegung-pdf      Belegung             its whole year, one landscape page per quarter (4)
//   terminliste-pdf   Terminliste          the list's ten days from the date itself
//   personen-pdf      Personenliste        all persons, by surname (the date is not used)
//   aufgaben-pdf      Aufgabenliste        all tasks in the list's own order (neither)
//
// What is shown is what the current user (base/session.h) sees: others' private appointments
// never.  The tables must be open (an opened database).
#ifndef VELK_VIEWS_PRINT_KINDS_H
#define VELK_VIEWS_PRINT_KINDS_H

#include "views/holiday_cache.h"
#include "views/print_pages.h"

#include <optional>
#include <string>
#include <vector>

namespace velk {

enum class tPrintKind { Week, Month, YearPlan, TermList, Persons, Tasks };

// "woche-pdf" and so on; nullopt for any other name.
std::optional<tPrintKind> printKindNamed(const std::string &name);
const char *printKindName(tPrintKind kind);
// Every kind's name in the order of the table above.
std::vector<std::string> printKindNames();

// The week of `date`.
tPrintDoc weekDocOf(const tDate &date, tPrintHeading heading, tHolidayCache &holidays,
                    const tTodayMark &today);
// The month planner of `date`'s month.
tPrintDoc monthDocOf(const tDate &date, tPrintHeading heading, tHolidayCache &holidays,
                     const tTodayMark &today);
// The occupancy plan of `date`'s year, January to December.
tPrintDoc yearPlanDocOf(const tDate &date, tPrintHeading heading, tHolidayCache &holidays,
                        const tTodayMark &today);
// The appointment list from `start`; `today` gathers the overdue tasks as in the window.
tPrintDoc termListDocFrom(const tDate &start, const tDate &today, tPrintHeading heading,
                          tHolidayCache &holidays);
tPrintDoc personListDoc(tPrintHeading heading);
tPrintDoc taskListDoc(tPrintHeading heading);

// The document of `kind` for `date`, today marked as `today` says.
tPrintDoc printKindDoc(tPrintKind kind, const tDate &date, const tPrintHeading &heading,
                       const tTodayMark &today);

} // namespace velk

#endif
