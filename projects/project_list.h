// project_list.h - the lines of the project list (each project followed by its tasks) and the
// rows of the task list.
#ifndef VELK_PROJECTS_PROJECT_LIST_H
#define VELK_PROJECTS_PROJECT_LIST_H

#include "projects/project.h"

#include <string>
#include <string_view>
#include <vector>

namespace velk {

struct tProjectLine {
    bool project; // a project line ("P ID\tTITLE"), else a task line ("T ID\tTITLE")
    std::string text;
};

// Every project in ID order, each followed by its tasks in the order of the project index.
// Tasks of a project that does not exist are not listed.
std::vector<tProjectLine> projectListLines();

// The rows of the task list before it is sorted: every task, the last ID first (each row is
// put at the top of the list as the tasks are read in ID order).
std::vector<tTask> taskListRows();

// Reading a line back: "P" first is a project, anything else a task; the key runs from the
// third character to the first tab.
bool isProjectLine(std::string_view line);
std::string projectLineKey(std::string_view line);

} // namespace velk

#endif
