#include "projects/project.h"

#include "base/row_store.h"
#include "model/tables.h"

#include <cstdlib>

namespace velk {

namespace {

constexpr int kTaskByProject = 1; // the index position of the PROJECT, PARENT key
constexpr int kTaskByEndDate = 3; // the index position of the ENDDATE key

// The order of stored dates: their text "%04d%02d%02d" compares year, month, day in turn, also
// for the impossible dates the task dialog lets through.
bool storedBefore(const tDate &a, const tDate &b)
{
    if (a.year != b.year) return a.year < b.year;
    if (a.month != b.month) return a.month < b.month;
    return a.day < b.day;
}

struct tProjectRow : tRowOf<tProject, tPrjTable> {
    static constexpr std::tuple columns{
        VELK_COLUMNS(ID, TITLE, COSTUMER, BILL, STATUS, MAXTIME, ENDDATE)};
};
using tProjects = tRowStore<tProjectRow>;

// A walk leaves a task's comment in the store: its ID comes along, its text only with a find.  A
// task the table refused leaves no text behind; the comment stays to be stored again.
struct tTaskRow : tRowOf<tTask, tTaskTable> {
    static tTextValue &comment(tTask &k) { return k.COMMENT; }
    static constexpr bool kWalksSkipCommentText = true;
    static constexpr bool kRefusalDropsText = true;
    static constexpr std::tuple columns{
        VELK_COLUMNS(ID, TITLE, PROJECT, WORKER, STATUS, TIME, ENDDATE, PRIO)};
};
using tTasks = tRowStore<tTaskRow>;

// From the record at `cur` on in ENDDATE order: the first task up to `till` with a possible date.
long dueStep(tTaskTable &t, const tDate &till, long cur, tTask &k)
{
    for (; cur; cur = walkNext(t, t.rec, kTaskByEndDate, cur)) {
        tDate end;
        t.ENDDATE.getDate(&end.day, &end.month, &end.year);
        if (storedBefore(till, end)) return 0;
        if (end.valid()) {
            tTasks::get(t, k);
            return cur;
        }
    }
    return 0;
}

// The first task of a project by the project index into the working record.
long seekFirstTask(tTaskTable &t, std::string_view project)
{
    if (!t.selectIndex(kTaskByProject)) return 0;
    t.rec.clear();
    t.PROJECT.setText(std::string(project).c_str());
    long cur = t.seek(t.rec, 4);
    return cur && project == t.PROJECT.getText() ? cur : 0;
}

} // namespace

bool tProject::setId(std::string_view text) { return copyText(ID, text); }
bool tProject::setTitle(std::string_view text) { return copyText(TITLE, text); }
bool tProject::setCostumer(std::string_view reference) { return copyText(COSTUMER, reference); }

bool tProject::find(std::string_view id) { return tProjects::find(*this, id); }
tStoreStatus tProject::insert() const { return tProjects::insert(*this); }
tStoreStatus tProject::update(std::string_view oldId) const
{
    return tProjects::update(oldId, *this);
}
long tProject::first() { return tProjects::first(*this); }
long tProject::next(long cursor) { return tProjects::next(*this, cursor); }

tStoreStatus tProject::removeWithTasks() const
{
    tStoreStatus status = tProjects::remove(ID);
    if (status != tStoreStatus::Stored) return status;
    tTaskTable *k = tTaskRow::table();
    if (!k) return tStoreStatus::NoTable;
    while (seekFirstTask(*k, ID))
        if (!k->rec.remove()) return tStoreStatus::Failed;
    return tStoreStatus::Stored;
}

bool tTask::setId(std::string_view text) { return copyText(ID, text); }
bool tTask::setTitle(std::string_view text) { return copyText(TITLE, text); }
bool tTask::setProject(std::string_view text) { return copyText(PROJECT, text); }
bool tTask::setWorker(std::string_view reference) { return copyText(WORKER, reference); }
bool tTask::setPrio(std::string_view text) { return copyText(PRIO, text); }

void tTask::setComment(std::string_view text) { setCommentText(COMMENT, text); }

bool tTask::find(std::string_view id) { return tTasks::find(*this, id); }
tStoreStatus tTask::insert() { return tTasks::insert(*this); }
tStoreStatus tTask::update() { return tTasks::update(ID, *this); }
tStoreStatus tTask::remove() const { return tTasks::remove(ID); }
long tTask::first() { return tTasks::first(*this); }
long tTask::next(long cursor) { return tTasks::next(*this, cursor); }

long tTask::firstOf(std::string_view project)
{
    tTaskTable *t = tTaskRow::table();
    long cur = t ? seekFirstTask(*t, project) : 0;
    if (cur) tTasks::get(*t, *this);
    return cur;
}

long tTask::nextOf(std::string_view project, long cursor)
{
    tTaskTable *t = tTaskRow::table();
    long cur = t ? tTasks::resume(*t, *this, kTaskByProject, cursor) : 0;
    if (!cur || project != t->PROJECT.getText()) return 0;
    tTasks::get(*t, *this);
    return cur;
}

long tTask::firstDue(const tDate &from, const tDate &till)
{
    tTaskTable *t = tTaskRow::table();
    if (!t || !t->selectIndex(kTaskByEndDate)) return 0;
    t->rec.clear();
    t->ENDDATE.setDate(from.day, from.month, from.year);
    return dueStep(*t, till, t->seek(t->rec, 4), *this);
}

long tTask::nextDue(const tDate &till, long cursor)
{
    tTaskTable *t = tTaskRow::table();
    return t ? dueStep(*t, till, tTasks::resume(*t, *this, kTaskByEndDate, cursor), *this) : 0;
}

std::vector<tProject> allProjects() { return tProjects::all(); }
std::vector<tTask> allTasks() { return tTasks::all(); }

std::vector<tTask> tasksOf(std::string_view project)
{
    std::vector<tTask> out;
    tTableHold hold(tTaskRow::table(), tTableHold::Read);
    tTask k;
    for (long c = k.firstOf(project); c; c = k.nextOf(project, c)) out.push_back(k);
    return out;
}

std::vector<tTask> tasksDue(const tDate &from, const tDate &till)
{
    std::vector<tTask> out;
    tTableHold hold(tTaskRow::table(), tTableHold::Read);
    tTask k;
    for (long c = k.firstDue(from, till); c; c = k.nextDue(till, c)) out.push_back(k);
    return out;
}

long leadingNumber(std::string_view text)
{
    std::string s(text.substr(0, 40));
    return std::strtol(s.c_str(), nullptr, 10);
}

bool idAcceptable(std::string_view id) { return id.find('\t') == std::string_view::npos; }

} // namespace velk
