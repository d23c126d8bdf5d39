#include "widgets/projects/prj_list_win.h"

#include "views/print_pages.h"
#include "shell/ui/dialog_fields.h"
#include "shell/core/commands.h"
#include "shell/core/help_keywords.h"
#include "shell/ui/shell_host.h"
#include "shell/ui/tab_list.h"
#include "projects/project_list.h"
#include "widgets/projects/dia_proj.h"
#include "widgets/projects/dia_task.h"
#include "views/undo_journal.h"

namespace velk {

static tListWin *gOpenList = nullptr;

// ID and title of a line in view.
static const tListLook kLook("projectList", "projectLines", "Projekte", NoticeProjects,
                             help::ProjectList, 360, 300);

tPrjListWin *tPrjListWin::openList() { return static_cast<tPrjListWin *>(gOpenList); }

tPrjListWin::tPrjListWin(QWidget *parent) : tTabListWin(kLook, {48}, false, &gOpenList, parent)
{
    fill();
}

void tPrjListWin::fill()
{
    std::vector<tTabLine> lines;
    for (tProjectLine &line : projectListLines()) {
        std::string key = projectLineKey(line.text);
        lines.push_back({std::move(line.text), std::move(key)});
    }
    list_->lines()->setLines(std::move(lines));
    commandsChanged();
}

bool tPrjListWin::printDoc(tPrintDoc &doc) const
{
    doc =
        linesPrintDoc("Projektliste", {{"ID", 300}, {"Bezeichnung", 0}}, lineTexts(), doc.heading);
    return true;
}

bool tPrjListWin::handlesCommand(int id) const
{
    return id == CmNew || ((id == CmEdit || id == CmDelete) && list_->currentRow() >= 0);
}

void tPrjListWin::command(int id)
{
    if (!handlesCommand(id)) return;
    switch (id) {
    case CmNew:
        newTask();
        break;
    case CmEdit:
        editLine();
        break;
    case CmDelete:
        deleteLine();
        break;
    }
}

std::string tPrjListWin::selectedText() const
{
    const tTabLine *line = list_->currentLine();
    return line ? line->text : std::string();
}

void tPrjListWin::refillAll()
{
    fill();
    changedElsewhere();
}

// A new task of the selected line's project; with no line selected, a new project.
void tPrjListWin::newTask()
{
    if (list_->currentRow() < 0) {
        if (tDiaProj::run(this, nullptr, tDiaProj::New)) refillAll();
        return;
    }
    std::string line = selectedText();
    tTask k;
    if (isProjectLine(line)) {
        k.setProject(projectLineKey(line));
    } else {
        tTask of;
        if (!of.find(projectLineKey(line))) {
            shellHost().message(this, QStringLiteral("Task nicht gefunden"), appName());
            return;
        }
        k.setProject(of.PROJECT);
    }
    if (tDiaTask::run(this, &k, tDiaTask::New)) refillAll();
}

// The line's project or task in its dialog; a line whose record has vanished opens nothing.
void tPrjListWin::editLine()
{
    if (list_->currentRow() < 0) return;
    std::string line = selectedText();
    std::string key = projectLineKey(line);
    bool stored = false;
    if (isProjectLine(line)) {
        tProject p;
        if (!p.find(key)) return;
        stored = tDiaProj::run(this, &p, tDiaProj::Edit);
    } else {
        tTask k;
        if (!k.find(key)) return;
        stored = tDiaTask::run(this, &k, tDiaTask::Edit);
    }
    if (stored) refillAll();
}

// A project line: the project with all its tasks, then the list refills.  A task line: the
// task, and just its line goes.  A record that has vanished: nothing.
void tPrjListWin::deleteLine()
{
    int row = list_->currentRow();
    if (row < 0) return;
    std::string line = selectedText();
    std::string key = projectLineKey(line);
    if (isProjectLine(line)) {
        tProject p;
        if (!p.find(key)) return;
        if (!tUndoJournal::instance().deleting(tUndoKind::Project, p.ID, [&] {
                return p.removeWithTasks() == tStoreStatus::Stored;
            }))
            reportDeleteFailure(this);
        refillAll();
        return;
    }
    tTask k;
    if (!k.find(key)) return;
    if (!tUndoJournal::instance().deleting(tUndoKind::Task, k.ID,
                                           [&] { return k.remove() == tStoreStatus::Stored; })) {
        reportDeleteFailure(this);
        return;
    }
    list_->lines()->removeLine(row);
    commandsChanged();
    changedElsewhere();
}

} // namespace velk
