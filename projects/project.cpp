#include "projects/project.h"

#include "base/walk.h"
#include "model/blob.h"
#include "model/tables.h"

#include <cstdlib>

namespace velk {

namespace {

tPrjTable *projects() { return tPrjTable::instance(); }
tTaskTable *tasks() { return tTaskTable::instance(); }

constexpr int kTaskByEndDate = 3; // the index position of the ENDDATE key

// The order of stored dates: their text "%04d%02d%02d" compares year, month, day in turn, also
// for the impossible dates the task dialog lets through.
bool storedBefore(const tDate &a, const tDate &b)
{
    if (a.year != b.year) return a.year < b.year;
    if (a.month != b.month) return a.month < b.month;
    return a.day < b.day;
}

void put(tPrjTable &t, const tProject &p)
{
    t.ID.setText(p.ID);
    t.TITLE.setText(p.TITLE);
    t.COSTUMER.setText(p.COSTUMER);
    const char bill[2] = {p.BILL, 0}, status[2] = {p.STATUS, 0};
    t.BILL.setText(bill);
    t.STATUS.setText(status);
    t.MAXTIME.setNumber(p.MAXTIME);
    t.ENDDATE.setDate(p.ENDDATE.day, p.ENDDATE.month, p.ENDDATE.year);
}

// A stored one-letter code; a blank when the field is empty.
char codeOf(tDBField &field)
{
    const char *text = field.getText();
    return text[0] ? text[0] : ' ';
}

void get(tPrjTable &t, tProject &p)
{
    copyText(p.ID, t.ID.getText());
    copyText(p.TITLE, t.TITLE.getText());
    copyText(p.COSTUMER, t.COSTUMER.getText());
    p.BILL = codeOf(t.BILL);
    p.STATUS = codeOf(t.STATUS);
    p.MAXTIME = t.MAXTIME.getNumber();
    t.ENDDATE.getDate(&p.ENDDATE.day, &p.ENDDATE.month, &p.ENDDATE.year);
}

// Puts a task's fields but its comment into the working record.
void put(tTaskTable &t, const tTask &k)
{
    t.ID.setText(k.ID);
    t.TITLE.setText(k.TITLE);
    t.PROJECT.setText(k.PROJECT);
    t.WORKER.setText(k.WORKER);
    const char status[2] = {k.STATUS, 0};
    t.STATUS.setText(status);
    t.TIME.setNumber(k.TIME);
    t.ENDDATE.setDate(k.ENDDATE.day, k.ENDDATE.month, k.ENDDATE.year);
    t.PRIO.setText(k.PRIO);
}

// A walk leaves the comment in the store: its ID comes along, its text only with a find.
void get(tTaskTable &t, tTask &k, bool withComment)
{
    copyText(k.ID, t.ID.getText());
    copyText(k.TITLE, t.TITLE.getText());
    copyText(k.PROJECT, t.PROJECT.getText());
    copyText(k.WORKER, t.WORKER.getText());
    k.STATUS = codeOf(t.STATUS);
    k.TIME = t.TIME.getNumber();
    if (withComment) {
        k.COMMENT = t.COMMENT.getValue();
    } else {
        k.COMMENT = tTextValue();
        copyText(k.COMMENT.id, t.COMMENT.getText());
    }
    t.ENDDATE.getDate(&k.ENDDATE.day, &k.ENDDATE.month, &k.ENDDATE.year);
    copyText(k.PRIO, t.PRIO.getText());
}

// A modified, empty comment deletes its stored text; any other goes through the text field.
bool putComment(tTaskTable &t, tTextValue &comment)
{
    if (comment.modified && comment.text.empty()) {
        if (comment.id[0]) {
            tTextStore *store = tBlob::instance().textStore();
            if (store) store->deleteText(comment.id);
            comment.id[0] = 0;
        }
        comment.hasText = false;
        comment.modified = false;
        t.COMMENT.setEmpty();
        return true;
    }
    t.COMMENT.setValue(comment);
    return !comment.modified;
}

// From the record at `cur` on in ENDDATE order: the first task up to `till` with a possible date.
long dueStep(tTaskTable &t, const tDate &till, long cur, tTask &k)
{
    for (; cur; cur = walkNext(t, t.rec, kTaskByEndDate, cur)) {
        tDate end;
        t.ENDDATE.getDate(&end.day, &end.month, &end.year);
        if (storedBefore(till, end)) return 0;
        if (end.valid()) {
            get(t, k, false);
            return cur;
        }
    }
    return 0;
}

template <class Table>
bool findById(Table &t, std::string_view id)
{
    if (!t.selectIndex(0)) return false;
    t.rec.clear();
    t.ID.setText(std::string(id).c_str());
    return t.rec.find();
}

// The first task of a project by the project index into the working record.
long seekFirstTask(tTaskTable &t, std::string_view project)
{
    if (!t.selectIndex(1)) return 0;
    t.rec.clear();
    t.PROJECT.setText(std::string(project).c_str());
    long cur = t.seek(t.rec, 4);
    return cur && project == t.PROJECT.getText() ? cur : 0;
}

} // namespace

bool tProject::setId(std::string_view text) { return copyText(ID, text); }
bool tProject::setTitle(std::string_view text) { return copyText(TITLE, text); }
bool tProject::setCostumer(std::string_view reference) { return copyText(COSTUMER, reference); }

bool tProject::find(std::string_view id)
{
    tPrjTable *t = projects();
    if (!t || !findById(*t, id)) return false;
    get(*t, *this);
    return true;
}

bool tProject::insert() const
{
    tPrjTable *t = projects();
    if (!t) return false;
    t->rec.clear();
    put(*t, *this);
    return t->rec.insert();
}

bool tProject::update(std::string_view oldId) const
{
    tPrjTable *t = projects();
    if (!t || !findById(*t, oldId)) return false;
    put(*t, *this);
    return t->rewrite(t->rec) > 0;
}

long tProject::first()
{
    tPrjTable *t = projects();
    long cur = t ? walkFirst(*t, t->rec, 0) : 0;
    if (cur) get(*t, *this);
    return cur;
}

long tProject::next(long cursor)
{
    tPrjTable *t = projects();
    if (!t) return 0;
    t->rec.clear();
    t->ID.setText(ID);
    long cur = walkNext(*t, t->rec, 0, cursor);
    if (cur) get(*t, *this);
    return cur;
}

bool tProject::removeWithTasks() const
{
    tPrjTable *t = projects();
    if (!t || !findById(*t, ID) || !t->rec.remove()) return false;
    tTaskTable *k = tasks();
    if (!k) return false;
    while (seekFirstTask(*k, ID))
        if (!k->rec.remove()) return false;
    return true;
}

bool tTask::setId(std::string_view text) { return copyText(ID, text); }
bool tTask::setTitle(std::string_view text) { return copyText(TITLE, text); }
bool tTask::setProject(std::string_view text) { return copyText(PROJECT, text); }
bool tTask::setWorker(std::string_view reference) { return copyText(WORKER, reference); }
bool tTask::setPrio(std::string_view text) { return copyText(PRIO, text); }

void tTask::setComment(std::string_view text)
{
    COMMENT.text = std::string(text);
    COMMENT.hasText = !text.empty();
    COMMENT.modified = true;
}

bool tTask::find(std::string_view id)
{
    tTaskTable *t = tasks();
    if (!t || !findById(*t, id)) return false;
    get(*t, *this, true);
    return true;
}

bool tTask::insert()
{
    tTaskTable *t = tasks();
    if (!t) return false;
    t->rec.clear();
    put(*t, *this);
    const bool newText = COMMENT.modified && !COMMENT.id[0];
    if (!putComment(*t, COMMENT)) return false;
    if (t->rec.insert()) return true;
    // A task the table refused leaves no text behind; the comment stays to be stored again.
    if (newText && COMMENT.id[0]) {
        if (tTextStore *store = tBlob::instance().textStore()) store->deleteText(COMMENT.id);
        COMMENT.id[0] = 0;
        COMMENT.modified = true;
    }
    return false;
}

bool tTask::update()
{
    tTaskTable *t = tasks();
    if (!t || !findById(*t, ID)) return false;
    put(*t, *this);
    if (!putComment(*t, COMMENT)) return false;
    return t->rewrite(t->rec) > 0;
}

bool tTask::remove() const
{
    tTaskTable *t = tasks();
    return t && findById(*t, ID) && t->rec.remove();
}

long tTask::first()
{
    tTaskTable *t = tasks();
    long cur = t ? walkFirst(*t, t->rec, 0) : 0;
    if (cur) get(*t, *this, false);
    return cur;
}

long tTask::next(long cursor)
{
    tTaskTable *t = tasks();
    if (!t) return 0;
    t->rec.clear();
    t->ID.setText(ID);
    long cur = walkNext(*t, t->rec, 0, cursor);
    if (cur) get(*t, *this, false);
    return cur;
}

long tTask::firstOf(std::string_view project)
{
    tTaskTable *t = tasks();
    long cur = t ? seekFirstTask(*t, project) : 0;
    if (cur) get(*t, *this, false);
    return cur;
}

long tTask::nextOf(std::string_view project, long cursor)
{
    tTaskTable *t = tasks();
    if (!t) return 0;
    t->rec.clear();
    put(*t, *this);
    long cur = walkNext(*t, t->rec, 1, cursor);
    if (!cur || project != t->PROJECT.getText()) return 0;
    get(*t, *this, false);
    return cur;
}

long tTask::firstDue(const tDate &from, const tDate &till)
{
    tTaskTable *t = tasks();
    if (!t || !t->selectIndex(kTaskByEndDate)) return 0;
    t->rec.clear();
    t->ENDDATE.setDate(from.day, from.month, from.year);
    return dueStep(*t, till, t->seek(t->rec, 4), *this);
}

long tTask::nextDue(const tDate &till, long cursor)
{
    tTaskTable *t = tasks();
    if (!t) return 0;
    t->rec.clear();
    put(*t, *this);
    return dueStep(*t, till, walkNext(*t, t->rec, kTaskByEndDate, cursor), *this);
}

std::vector<tProject> allProjects()
{
    std::vector<tProject> out;
    tTableHold hold(projects());
    tProject p;
    for (long c = p.first(); c; c = p.next(c)) out.push_back(p);
    return out;
}

std::vector<tTask> allTasks()
{
    std::vector<tTask> out;
    tTableHold hold(tasks());
    tTask k;
    for (long c = k.first(); c; c = k.next(c)) out.push_back(k);
    return out;
}

std::vector<tTask> tasksOf(std::string_view project)
{
    std::vector<tTask> out;
    tTableHold hold(tasks());
    tTask k;
    for (long c = k.firstOf(project); c; c = k.nextOf(project, c)) out.push_back(k);
    return out;
}

std::vector<tTask> tasksDue(const tDate &from, const tDate &till)
{
    std::vector<tTask> out;
    tTableHold hold(tasks());
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
