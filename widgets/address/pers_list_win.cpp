#include "widgets/address/pers_list_win.h"

#include <QCloseEvent>
#include <QVBoxLayout>

#include "address/lists.h"
#include "address/person.h"
#include "widgets/address/dia_person.h"
#include "shell/ui/dialog_fields.h"
#include "shell/ui/view_client.h"
#include "shell/core/commands.h"
#include "shell/core/help_keywords.h"
#include "base/session.h"
#include "shell/ui/dia_login.h"
#include "shell/ui/mdi_client.h"
#include "shell/ui/shell_host.h"
#include "shell/ui/tab_list.h"

#include <cstring>

namespace velk {

static tPersListWin *gOpenList = nullptr;

tPersListWin *tPersListWin::openList() { return gOpenList; }

tPersListWin::tPersListWin(QWidget *parent)
    : tView(parent), list_(new tTabList({48, 198, 252}, false))
{
    setObjectName(QStringLiteral("personList"));
    setWindowTitle(QStringLiteral("Person"));
    list_->setObjectName(QStringLiteral("personLines"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);
    connect(list_, &tTabList::currentRowChanged, this, [this] { commandsChanged(); });
    list_->setReturnOpens(true);
    connect(list_, &tTabList::lineActivated, this, &tPersListWin::editPerson);
    gOpenList = this;
    fill();
}

tPersListWin::~tPersListWin()
{
    if (gOpenList == this) gOpenList = nullptr;
}

// A closed window is gone for the menu at once, though Qt deletes it only later.
void tPersListWin::closeEvent(QCloseEvent *event)
{
    if (gOpenList == this) gOpenList = nullptr;
    tView::closeEvent(event);
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

void tPersListWin::dataChanged(int) { fill(); }

// The sub-window opens at this size: every column of a line in view.
QSize tPersListWin::sizeHint() const { return QSize(620, 300); }

QString tPersListWin::helpKeyword() const { return QString::fromUtf8(help::PersonList); }

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

// Every view that shows persons (this list, birthdays in the calendars) refills.
void tPersListWin::changed()
{
    if (TMyMDIClient *client = clientOf(this))
        client->sendDataChanged(NoticePersons);
    else
        fill();
}

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
    tPersonDeleteResult done = deletePersonAs(selectedId(), currentUser());
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
