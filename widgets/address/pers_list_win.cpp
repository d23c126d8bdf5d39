#include "widgets/address/pers_list_win.h"

#include "views/print_pages.h"
#include "address/lists.h"
#include "address/person.h"
#include "widgets/address/dia_person.h"
#include "shell/ui/dialog_fields.h"
#include "shell/core/commands.h"
#include "shell/core/help_keywords.h"
#include "base/session.h"
#include "shell/ui/dia_login.h"
#include "shell/ui/shell_host.h"
#include "shell/ui/tab_list.h"
#include "views/undo_journal.h"

#include <cstring>

namespace velk {

static tListWin *gOpenList = nullptr;

// Every column of a line in view.
static const tListLook kLook("personList", "personLines", "Person", NoticePersons, help::PersonList,
                             620, 300);

tPersListWin *tPersListWin::openList() { return static_cast<tPersListWin *>(gOpenList); }

tPersListWin::tPersListWin(QWidget *parent)
    : tTabListWin(kLook, {48, 198, 252}, false, &gOpenList, parent)
{
    fill();
}

void tPersListWin::fill()
{
    std::vector<tTabLine> lines;
    for (tListLine &line : personListLines())
        lines.push_back({std::move(line.text), std::move(line.id)});
    list_->lines()->setLines(std::move(lines));
}

void tPersListWin::appendPerson(const tPerson &person)
{
    list_->lines()->addLine({personListLine(person), person.ID});
}

bool tPersListWin::printDoc(tPrintDoc &doc) const
{
    doc = personPrintDoc(lineTexts(), doc.heading);
    return true;
}

bool tPersListWin::handlesCommand(int id) const
{
    switch (id) {
    case CmNew:
        return true;
    case CmEdit:
    case CmDelete:
        return list_->currentRow() >= 0;
    case CmSetPassword:
        return std::strcmp(currentUser(), "root") == 0;
    default:
        return false;
    }
}

void tPersListWin::command(int id)
{
    if (!handlesCommand(id)) return;
    switch (id) {
    case CmNew:
        newPerson();
        break;
    case CmEdit:
        editPerson();
        break;
    case CmDelete:
        deletePerson();
        break;
    case CmSetPassword:
        setPassword();
        break;
    }
}

// The ID of the selected line: its text up to the first tab.
std::string tPersListWin::selectedId() const
{
    const tTabLine *line = list_->currentLine();
    return line ? lineId(line->text) : std::string();
}

// After each change every view that shows persons (this list, birthdays in the calendars)
// refills.
void tPersListWin::newPerson()
{
    if (tDiaPerson::run(this, nullptr)) changed();
}

void tPersListWin::editPerson()
{
    tPerson p;
    if (!list_->currentLine() || !p.find(selectedId())) return;
    if (tDiaPerson::run(this, &p)) changed();
}

void tPersListWin::deletePerson()
{
    if (!list_->currentLine()) return;
    int row = list_->currentRow();
    const std::string id = selectedId();
    tPersonDeleteResult done{};
    tUndoJournal::instance().deleting(tUndoKind::Person, id, [&] {
        done = deletePersonAs(id, currentUser());
        return done.stored && done.decision != tPersonDelete::Nothing &&
               done.decision != tPersonDelete::RefusedForUser;
    });
    switch (done.decision) {
    case tPersonDelete::Nothing:
        return;
    case tPersonDelete::RefusedForUser:
        shellHost().message(
            this, QStringLiteral("Diese Person ist Anwender und darf nur von root entfernt werden"),
            appName());
        return;
    case tPersonDelete::DeletePerson:
    case tPersonDelete::DeleteUserAndPerson:
        break;
    }
    if (!done.stored) {
        reportDeleteFailure(this);
        fill();
        return;
    }
    list_->lines()->removeLine(row);
    changed();
}

void tPersListWin::setPassword()
{
    tPerson p;
    if (!list_->currentLine() || !p.find(selectedId())) return;
    char scratch[9] = "";
    RunLogin(this, scratch, true);
}

} // namespace velk
