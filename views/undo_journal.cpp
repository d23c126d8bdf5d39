#include "views/undo_journal.h"

#include <cstdio>

#include "base/cp1252.h"
#include "base/row_store.h"
#include "calendar/termin_store.h"

namespace velk {

namespace {

constexpr std::size_t kTypedIdWidth = 8;

// A comment to be written anew with its record: the stored text's ID is gone with the delete.
void rewriteComment(tTextValue &comment)
{
    const std::string text = comment.text;
    comment = tTextValue();
    setCommentText(comment, text);
}

template <class Row>
std::string freeIdOf(std::string_view id)
{
    return freeTypedId(id, kTypedIdWidth, [](std::string_view candidate) {
        Row there;
        return there.find(candidate);
    });
}

tStoreStatus restorePerson(tDeleted &d)
{
    tPerson there;
    if (there.find(d.person.ID)) d.person.setId(freeIdOf<tPerson>(d.person.ID));
    tStoreStatus status = d.person.insert();
    if (status != tStoreStatus::Stored) return status;
    if (d.user) {
        // The login follows the person's ID; one made meanwhile under that ID stays.
        tUser there;
        copyText(d.user->ID, d.person.ID);
        if (!readUser(d.user->ID, &there) && !writeUser(*d.user)) status = tStoreStatus::Failed;
    }
    for (const std::string &gid : d.ids)
        if (!isMember(gid, d.person.ID) && !addMember(gid, d.person.ID))
            status = tStoreStatus::Failed;
    return status;
}

tStoreStatus restoreGroup(tDeleted &d)
{
    tGroup there;
    if (there.find(d.group.ID)) d.group.setId(freeIdOf<tGroup>(d.group.ID));
    rewriteComment(d.group.COMMENT);
    tStoreStatus status = d.group.insert();
    if (status != tStoreStatus::Stored) return status;
    for (const std::string &mid : d.ids)
        if (!isMember(d.group.ID, mid) && !addMember(d.group.ID, mid))
            status = tStoreStatus::Failed;
    return status;
}

tStoreStatus restoreTask(tTask &k)
{
    tTask there;
    if (there.find(k.ID)) k.setId(freeIdOf<tTask>(k.ID));
    rewriteComment(k.COMMENT);
    return k.insert();
}

tStoreStatus restoreProject(tDeleted &d)
{
    tProject there;
    if (there.find(d.project.ID)) d.project.setId(freeIdOf<tProject>(d.project.ID));
    tStoreStatus status = d.project.insert();
    if (status != tStoreStatus::Stored) return status;
    for (tTask &k : d.tasks) {
        k.setProject(d.project.ID);
        if (restoreTask(k) != tStoreStatus::Stored) status = tStoreStatus::Failed;
    }
    return status;
}

tStoreStatus restore(tDeleted &d)
{
    switch (d.kind) {
    case tUndoKind::Termin:
        return tTerminStore::instance().restore(d.termin);
    case tUndoKind::Alarm:
        return tAlarmStore::instance().restore(d.alarm);
    case tUndoKind::Person:
        return restorePerson(d);
    case tUndoKind::Group:
        return restoreGroup(d);
    case tUndoKind::Resource: {
        tResource there;
        if (there.find(d.resource.ID)) d.resource.setId(freeIdOf<tResource>(d.resource.ID));
        return d.resource.insert();
    }
    case tUndoKind::Project:
        return restoreProject(d);
    case tUndoKind::Task:
        return d.tasks.empty() ? tStoreStatus::NotFound : restoreTask(d.tasks.front());
    }
    return tStoreStatus::Failed;
}

int noticeOf(tUndoKind kind)
{
    switch (kind) {
    case tUndoKind::Termin:
        return NoticeAppointments;
    case tUndoKind::Alarm:
        return NoticeAlarms;
    case tUndoKind::Person:
    case tUndoKind::Group:
        return NoticePersons;
    case tUndoKind::Resource:
        return NoticeResources;
    case tUndoKind::Project:
    case tUndoKind::Task:
        return NoticeProjects;
    }
    return NoticeAll;
}

// What the status bar names the record by (UTF-8): its title or name, an appointment with its
// day.
std::string shownName(const tDeleted &d)
{
    auto quoted = [](std::string_view stored) {
        return "\u201e" + cp1252ToUtf8(stored) + "\u201c";
    };
    switch (d.kind) {
    case tUndoKind::Termin: {
        char day[32];
        std::snprintf(day, sizeof day, " (%d.%d.%d)", d.termin.from.day, d.termin.from.month,
                      d.termin.from.year);
        return quoted(d.termin.TITLE) + day;
    }
    case tUndoKind::Alarm:
        return quoted(d.alarm.MESSAGE);
    case tUndoKind::Person:
        return quoted(std::string(d.person.CHRNAME) + (d.person.CHRNAME[0] ? " " : "") +
                      d.person.NAME);
    case tUndoKind::Group:
        return quoted(d.group.TITLE);
    case tUndoKind::Resource:
        return quoted(d.resource.TITLE);
    case tUndoKind::Project:
        return quoted(d.project.TITLE);
    case tUndoKind::Task:
        return d.tasks.empty() ? std::string() : quoted(d.tasks.front().TITLE);
    }
    return {};
}

} // namespace

std::string tDeleted::id() const
{
    switch (kind) {
    case tUndoKind::Termin:
        return termin.ID;
    case tUndoKind::Alarm:
        return alarm.ID;
    case tUndoKind::Person:
        return person.ID;
    case tUndoKind::Group:
        return group.ID;
    case tUndoKind::Resource:
        return resource.ID;
    case tUndoKind::Project:
        return project.ID;
    case tUndoKind::Task:
        return tasks.empty() ? std::string() : std::string(tasks.front().ID);
    }
    return {};
}

std::optional<tDeleted> snapshotOf(tUndoKind kind, std::string_view id)
{
    tDeleted d;
    d.kind = kind;
    bool found = false;
    switch (kind) {
    case tUndoKind::Termin:
        found = tTerminStore::instance().find(id, d.termin);
        break;
    case tUndoKind::Alarm:
        found = tAlarmStore::instance().find(id, d.alarm);
        break;
    case tUndoKind::Person:
        found = d.person.find(id);
        if (found) d.ids = groupsOfMember(d.person.ID);
        if (tUser u; found && readUser(d.person.ID, &u)) d.user = u;
        break;
    case tUndoKind::Group:
        found = d.group.find(id);
        if (found) d.ids = membersOf(d.group.ID);
        break;
    case tUndoKind::Resource:
        found = d.resource.find(id);
        break;
    case tUndoKind::Project:
        found = d.project.find(id);
        // A walk brings a comment's ID only; a find brings its text.
        for (const tTask &walked : found ? tasksOf(d.project.ID) : std::vector<tTask>{}) {
            tTask k;
            if (k.find(walked.ID)) d.tasks.push_back(k);
        }
        break;
    case tUndoKind::Task: {
        tTask k;
        found = k.find(id);
        if (found) d.tasks.push_back(k);
        break;
    }
    }
    if (!found) return std::nullopt;
    return d;
}

tUndoJournal &tUndoJournal::instance()
{
    static tUndoJournal journal;
    return journal;
}

void tUndoJournal::record(tDeleted deleted)
{
    entries_.push_back(std::move(deleted));
    changed();
}

bool tUndoJournal::deleting(tUndoKind kind, std::string_view id,
                            const std::function<bool()> &remove)
{
    std::optional<tDeleted> before = snapshotOf(kind, id);
    return before && deleting(std::move(*before), remove);
}

bool tUndoJournal::deleting(tDeleted before, const std::function<bool()> &remove)
{
    const bool removed = remove();
    if (removed) record(std::move(before));
    return removed;
}

tUndone tUndoJournal::undo()
{
    tUndone done;
    if (entries_.empty()) return done;
    tDeleted d = std::move(entries_.back());
    entries_.pop_back();
    done.kind = d.kind;
    done.status = restore(d);
    done.id = d.id();
    done.notice = noticeOf(d.kind);
    const std::string what = std::string(undoKindName(d.kind)) + " " + shownName(d);
    done.text = done.status == tStoreStatus::Stored ? "Wiederhergestellt: " + what
                                                    : "Nicht wiederhergestellt: " + what;
    changed();
    return done;
}

void tUndoJournal::clear()
{
    entries_.clear();
    changed();
}

void tUndoJournal::changed()
{
    if (listener_) listener_();
}

std::string freeTypedId(std::string_view base, std::size_t width,
                        const std::function<bool(std::string_view)> &taken)
{
    for (int n = 2;; ++n) {
        const std::string suffix = std::to_string(n);
        std::string id(base.substr(0, width > suffix.size() ? width - suffix.size() : 0));
        id += suffix;
        if (!taken(id)) return id;
    }
}

const char *undoKindName(tUndoKind kind)
{
    switch (kind) {
    case tUndoKind::Termin:
        return "Termin";
    case tUndoKind::Alarm:
        return "Alarm";
    case tUndoKind::Person:
        return "Person";
    case tUndoKind::Group:
        return "Gruppe";
    case tUndoKind::Resource:
        return "Ressource";
    case tUndoKind::Project:
        return "Projekt";
    case tUndoKind::Task:
        return "Aufgabe";
    }
    return "";
}

} // namespace velk
