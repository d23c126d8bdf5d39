#include "projects/task_alarm.h"

#include <string>

namespace velk {

bool workerChanged(std::string_view loadedWorker, std::string_view workingWorker)
{
    return loadedWorker != workingWorker;
}

tSendResult sendTaskAlarm(const tTask &task, const tDateTime &now)
{
    tAlarm alarm;
    alarm.when = now;
    alarm.setMessage(task.TITLE);
    alarm.setSendTo(task.WORKER);
    alarm.setWith(std::string("J") + task.ID);
    return tAlarmStore::instance().send(alarm);
}

} // namespace velk
