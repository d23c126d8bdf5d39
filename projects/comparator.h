// comparator.h - the order of the task list's columns.
#ifndef VELK_PROJECTS_COMPARATOR_H
#define VELK_PROJECTS_COMPARATOR_H

#include "projects/project.h"

#include <string>

namespace velk {

// The task list's columns.
enum tTaskColumn : int { TaskColumnId = 0, TaskColumnTitle, TaskColumnPrio, TaskColumnDone };

// Compares two rows of the task list by a column; negative puts a before b.  ID and title in
// the locale's string order, ascending; the priority read as a number, higher first; the
// completion date ascending with every valid date before the invalid ones.  Any other column
// gives 0.
class TMyLwComparator {
public:
    int operator()(const tTask &a, const tTask &b, int column) const;
};

// The text a task list column shows: ID, TITLE, PRIO as stored, the date as "%d.%d.%4d".
std::string taskColumnText(const tTask &task, int column);

} // namespace velk

#endif
