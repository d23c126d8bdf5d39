// project.h - projects and their tasks: the records of PROJECT and TASK.
//
// A task belongs to the project its PROJECT names; the TASK index on PROJECT then PARENT (PARENT
// always empty) walks one project's tasks.  COSTUMER and WORKER are person-or-group references.
#ifndef VELK_PROJECTS_PROJECT_H
#define VELK_PROJECTS_PROJECT_H

#include "base/date.h"
#include "base/store_status.h"
#include "model/textstore.h"

#include <string>
#include <string_view>
#include <vector>

namespace velk {

struct tProject {
    char ID[9] = "";
    char TITLE[41] = "";
    char COSTUMER[10] = "";
    char BILL = ' ';
    char STATUS = ' ';
    unsigned long MAXTIME = 0;
    tDate ENDDATE;

    bool setId(std::string_view text);
    bool setTitle(std::string_view text);
    bool setCostumer(std::string_view reference);

    bool find(std::string_view id);
    tStoreStatus insert() const;
    // Rewrites the project of oldId with this value.
    tStoreStatus update(std::string_view oldId) const;
    // Walks PROJECT in ID order; 0 at the end.
    long first();
    long next(long cursor);
    // Deletes the project of this ID and then every task of it.
    tStoreStatus removeWithTasks() const;
};

struct tTask {
    char ID[9] = "";
    char TITLE[41] = "";
    char PROJECT[9] = "";
    char WORKER[10] = "";
    char STATUS = ' ';
    unsigned long TIME = 0;
    // The comment in the text store; a modified, empty comment removes the stored text.
    tTextValue COMMENT;
    tDate ENDDATE;
    char PRIO[9] = "";

    bool setId(std::string_view text);
    bool setTitle(std::string_view text);
    bool setProject(std::string_view text);
    bool setWorker(std::string_view reference);
    bool setPrio(std::string_view text);
    void setComment(std::string_view text);

    bool find(std::string_view id);
    tStoreStatus insert();
    // Rewrites the task of its ID with this value.
    tStoreStatus update();
    tStoreStatus remove() const;
    // Walks TASK in ID order; 0 at the end.
    long first();
    long next(long cursor);
    // Walks the tasks of one project in the order of the project index; 0 at the end or at
    // the first task of another project.
    long firstOf(std::string_view project);
    long nextOf(std::string_view project, long cursor);
    // Walks the tasks whose ENDDATE lies from `from` to `till`, both included, in the order of
    // the TASK index on ENDDATE; 0 at the end.  A task without a possible date (a zero date, day
    // 0 of a month, month 13) is never met.
    long firstDue(const tDate &from, const tDate &till);
    long nextDue(const tDate &till, long cursor);
};

std::vector<tProject> allProjects();
std::vector<tTask> allTasks();
std::vector<tTask> tasksOf(std::string_view project);
std::vector<tTask> tasksDue(const tDate &from, const tDate &till);

// The numbers typed into the dialogs: a leading decimal number (blanks and a sign allowed),
// 0 when the text does not begin with one.
long leadingNumber(std::string_view text);

// IDs of projects and tasks are shown in lists that end a line's key at its first tab.
bool idAcceptable(std::string_view id);

} // namespace velk

#endif
