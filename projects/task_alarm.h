// task_alarm.h - the alarm a task raises when its worker changes.
#ifndef VELK_PROJECTS_TASK_ALARM_H
#define VELK_PROJECTS_TASK_ALARM_H

#include "calendar/alarm.h"
#include "projects/project.h"

#include <string_view>

namespace velk {

// A change of worker is any byte-wise difference of the references (a new task with a worker
// counts, as its loaded worker is empty).
bool workerChanged(std::string_view loadedWorker, std::string_view workingWorker);

// Sends the alarm of a task whose worker changed: due at `now`, the task's TITLE as message,
// "J" + its ID as link, to the calendar user and to the task's worker (the person, or each
// member of the group, other than the calendar user).  Raised only once the task is stored, so
// that it never points to a task that is not there.
tSendResult sendTaskAlarm(const tTask &task, const tDateTime &now);

} // namespace velk

#endif
