#include "projects/dialog_rules.h"

#include "projects/codes.h"
#include "projects/task_alarm.h"

namespace velk {

namespace {

constexpr unsigned long kMaxCount = 99999999; // an 8-digit field

template <class Record>
tIdCheck checkId(bool isNew, std::string_view id)
{
    if (!isNew) return tIdCheck::Ok;
    if (!idAcceptable(id)) return tIdCheck::HasTab;
    Record existing;
    return existing.find(id) ? tIdCheck::Taken : tIdCheck::Ok;
}

} // namespace

tIdCheck checkProjectId(bool isNew, std::string_view id) { return checkId<tProject>(isNew, id); }
tIdCheck checkTaskId(bool isNew, std::string_view id) { return checkId<tTask>(isNew, id); }

unsigned long dialogCount(std::string_view text)
{
    long n = leadingNumber(text);
    if (n < 0) return 0;
    return static_cast<unsigned long>(n) > kMaxCount ? kMaxCount : static_cast<unsigned long>(n);
}

tDate dialogDate(std::string_view day, std::string_view month, std::string_view year)
{
    return tDate{int(leadingNumber(day.substr(0, 2))), int(leadingNumber(month.substr(0, 2))),
                 int(leadingNumber(year.substr(0, 4)))};
}

tProject projectFromDialog(const tProjectFields &f)
{
    tProject p;
    p.setId(f.id);
    p.setTitle(f.title);
    p.setCostumer(f.costumer);
    p.BILL = codeAt(billingCodes(), f.bill);
    p.STATUS = codeAt(projectStatusCodes(), f.status);
    p.ENDDATE = dialogDate(f.day, f.month, f.year);
    p.MAXTIME = dialogCount(f.maxTime);
    return p;
}

tTask taskFromDialog(const tTask &base, const tTaskFields &f)
{
    tTask k = base;
    k.setId(f.id);
    k.setTitle(f.title);
    k.setWorker(f.worker);
    k.STATUS = codeAt(taskStatusCodes(), f.status);
    k.TIME = dialogCount(f.time);
    if (f.commentModified) {
        k.setComment(f.comment);
    } else {
        k.COMMENT.modified = false;
    }
    k.ENDDATE = dialogDate(f.day, f.month, f.year);
    k.setPrio(f.prio);
    return k;
}

tStoreStatus storeProject(const tProject &project, bool isNew, std::string_view oldId)
{
    return isNew ? project.insert() : project.update(oldId);
}

tTaskStored storeTask(tTask &task, bool isNew, std::string_view loadedWorker, const tDateTime &now)
{
    tTaskStored result;
    result.stored = isNew ? task.insert() : task.update();
    if (result.stored != tStoreStatus::Stored || !workerChanged(loadedWorker, task.WORKER))
        return result;
    result.alarmSent = true;
    result.alarm = sendTaskAlarm(task, now);
    return result;
}

} // namespace velk
