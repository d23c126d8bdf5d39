// dialog_rules.h - what the project and task dialogs check and store, without a window.
//
// The dialogs read their fields into a tProjectFields or tTaskFields and leave the rest here:
// the ID checks, the numbers and dates as typed, the comment, and the store with the task's
// alarm.  A store the table refuses is answered as such, so that the dialog can say so and stay
// open; the alarm of a changed worker goes out only once the task is stored.
#ifndef VELK_PROJECTS_DIALOG_RULES_H
#define VELK_PROJECTS_DIALOG_RULES_H

#include "calendar/alarm.h"
#include "projects/project.h"

#include <string>
#include <string_view>

namespace velk {

enum class tIdCheck {
    Ok,
    HasTab, // the lists end a key at its first tab: such a record could not be opened again
    Taken,  // "ID bereits vergeben"
};

// A new record needs an ID without a tab that no other record has; a changed record keeps its
// ID and is not checked.
tIdCheck checkProjectId(bool isNew, std::string_view id);
tIdCheck checkTaskId(bool isNew, std::string_view id);

// A count typed into "Zeitvorgabe" or "Arbeits-Einheiten": its leading decimal number (12
// followed by letters is 12, letters alone 0), kept within what the 8-digit field can hold;
// a negative count is 0.
unsigned long dialogCount(std::string_view text);

// A date typed into three fields, each its leading number; not checked.
tDate dialogDate(std::string_view day, std::string_view month, std::string_view year);

// The project dialog's fields as typed (Windows-1252); positions -1 for no selection.
struct tProjectFields {
    std::string id, title, costumer;
    int bill = -1, status = -1;
    std::string maxTime, day, month, year;
};

tProject projectFromDialog(const tProjectFields &fields);

// The task dialog's fields; the comment is taken only when it was modified.
struct tTaskFields {
    std::string id, title, worker;
    int status = -1;
    std::string time;
    bool commentModified = false;
    std::string comment;
    std::string day, month, year, prio;
};

// The task the dialog stores: `base` (the record it was opened on, with its PROJECT and stored
// comment) with the fields applied.  An unmodified comment stays; a modified one replaces it,
// and a modified empty one removes the stored text.
tTask taskFromDialog(const tTask &base, const tTaskFields &fields);

// Inserts a new project or rewrites the project of oldId.
tStoreStatus storeProject(const tProject &project, bool isNew, std::string_view oldId);

struct tTaskStored {
    tStoreStatus stored = tStoreStatus::NoTable; // Stored: the table took the task
    bool alarmSent = false;                      // the worker changed and its alarm went out
    tSendResult alarm;                           // what the alarm's send came to, when sent
};

// Inserts a new task or rewrites the task of its ID; then, only when that worked and the worker
// differs from loadedWorker, sends the task's alarm due at `now`.
tTaskStored storeTask(tTask &task, bool isNew, std::string_view loadedWorker, const tDateTime &now);

} // namespace velk

#endif
