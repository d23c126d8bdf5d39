#include "widgets/address/res_list_win.h"

#include <QCloseEvent>
#include <QVBoxLayout>

#include "address/lists.h"
#include "address/person.h"
#include "address/resource.h"
#include "widgets/address/dia_res.h"
#include "shell/ui/dialog_fields.h"
#include "shell/ui/view_client.h"
#include "shell/core/commands.h"
#include "shell/core/help_keywords.h"
#include "shell/ui/mdi_client.h"
#include "shell/ui/tab_list.h"

namespace velk {

static tResListWin *gOpenList = nullptr;

tResListWin *tResListWin::openList() { return gOpenList; }

tResListWin::tResListWin(QWidget *parent) : tView(parent), list_(new tTabList({48}, true))
{
    setObjectName(QStringLiteral("resourceList"));
    setWindowTitle(QStringLiteral("Ressourcen"));
    list_->setObjectName(QStringLiteral("resourceLines"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);
    connect(list_, &tTabList::currentRowChanged, this, [this] { commandsChanged(); });
    list_->setReturnOpens(true);
    connect(list_, &tTabList::lineActivated, this, [this] { command(CmEdit); });
    gOpenList = this;
    fill();
}

tResListWin::~tResListWin()
{
    if (gOpenList == this) gOpenList = nullptr;
}

// A closed window is gone for the menu at once, though Qt deletes it only later.
void tResListWin::closeEvent(QCloseEvent *event)
{
    if (gOpenList == this) gOpenList = nullptr;
    tView::closeEvent(event);
}

void tResListWin::fill()
{
    std::vector<tTabLine> lines;
    for (tListLine &line : resourceListLines())
        lines.push_back({std::move(line.text), std::move(line.id)});
    list_->lines()->setLines(std::move(lines));
}

void tResListWin::dataChanged(int) { fill(); }

// The sub-window opens at this size: every column of a line in view.
QSize tResListWin::sizeHint() const { return QSize(420, 260); }

QString tResListWin::helpKeyword() const { return QString::fromUtf8(help::Resources); }

bool tResListWin::handlesCommand(int id) const
{
    return id == CmNew || ((id == CmEdit || id == CmDelete) && list_->currentRow() >= 0);
}

void tResListWin::changed()
{
    if (TMyMDIClient *client = clientOf(this))
        client->sendDataChanged(NoticeResources);
    else
        fill();
}

void tResListWin::command(int id)
{
    if (!handlesCommand(id)) return;
    tResource r;
    if (id == CmNew) {
        if (tDiaRes::run(this, r, tDiaRes::New)) changed();
        return;
    }
    // A line whose resource has vanished does nothing.
    if (!r.find(lineId(list_->currentLine()->text))) return;
    if (id == CmEdit) {
        if (tDiaRes::run(this, r, tDiaRes::Edit)) changed();
    } else if (r.remove() == tStoreStatus::Stored) {
        changed();
    } else {
        reportDeleteFailure(this);
    }
}

} // namespace velk
