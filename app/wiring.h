// wiring.h - how the subsystems reach each other: the frames each adds to the program, and who
// opens what a line of another subsystem stands for (a person or a task from a calendar line).
#ifndef VELK_APP_WIRING_H
#define VELK_APP_WIRING_H

namespace velk {

class TMyApp;

// The frame setups of the address book, the projects, the calendar, its views and plan, the
// exchange, undo and the search window, in the order of their menus.
void addSubsystems(TMyApp &app);

// The calendar windows' openers: a person in the person dialog, an appointment in the
// appointment dialog, a task in the projects' task dialog.
void wireOpeners();

} // namespace velk

#endif
