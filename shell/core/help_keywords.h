// help_keywords.h - the help keywords of the program's windows and dialogs.
//
// Each window and dialog opens the help at its own keyword (F1, and a dialog's "Hilfe" button);
// the help document has one section per keyword, plus "Copyright" for "Info...".
#ifndef VELK_SHELL_CORE_HELP_KEYWORDS_H
#define VELK_SHELL_CORE_HELP_KEYWORDS_H

#include <vector>

namespace velk {

namespace help {
constexpr const char *WeekCalendar = "Wochenkalender";
constexpr const char *MonthPlan = "Monatsplan";
constexpr const char *Occupancy = "Belegungsplan";
constexpr const char *AppointmentList = "Terminliste";
constexpr const char *AlarmList = "Alarmliste";
constexpr const char *PersonList = "Personenliste";
constexpr const char *Resources = "Ressourcen"; // resource list and resource dialog
constexpr const char *ProjectList = "Projektliste";
constexpr const char *TaskList = "Aufgabenliste";
constexpr const char *SelectionList = "Auswahlliste";
constexpr const char *AppointmentDialog = "Termindialog";
constexpr const char *Recurrence = "Wiederholung";
constexpr const char *AlarmDialog = "Alarmdialog";
constexpr const char *PersonDialog = "Personendialog";
constexpr const char *PersonSelection = "Personenauswahl";
constexpr const char *Groups = "Gruppen";
constexpr const char *ProjectDialog = "Projektdialog";
constexpr const char *TaskDialog = "Taskdialog";
constexpr const char *Sync = "Abgleich"; // "Synchronisieren" and "Server einrichten..."
// "Heute", the zoom, the tooltips, double bookings, the calendar button, "Rückgängig", the desk
constexpr const char *Everyday = "Alltag";
constexpr const char *Print = "Drucken"; // "Drucken...", "Druckvorschau...", "Als PDF sichern..."
constexpr const char *Search = "Suchen"; // the search window
constexpr const char *Copyright = "Copyright";
} // namespace help

// Every keyword above, in the order of the help's index.
const std::vector<const char *> &helpKeywords();

} // namespace velk

#endif
