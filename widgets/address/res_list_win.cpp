#include "widgets/address/res_list_win.h"

#include "views/print_pages.h"
#include "address/lists.h"
#include "address/person.h"
#include "address/resource.h"
#include "widgets/address/dia_res.h"
#include "shell/ui/dialog_fields.h"
#include "shell/core/commands.h"
#include "shell/core/help_keywords.h"
#include "shell/ui/tab_list.h"
#include "views/undo_journal.h"

namespace velk {

static tListWin *gOpenList = nullptr;

// Every column of a line in view.
static const tListLook kLook("resourceList", "resourceLines", "Ressourcen", NoticeResources,
                             help::Resources, 420, 260);

tResListWin *tResListWin::openList() { return static_cast<tResListWin *>(gOpenList); }

tResListWin::tResListWin(QWidget *parent) : tTabListWin(kLook, {48}, true, &gOpenList, parent)
{
    fill();
}

void tResListWin::fill()
{
    std::vector<tTabLine> lines;
    for (tListLine &line : resourceListLines())
        lines.push_back({std::move(line.text), std::move(line.id)});
    list_->lines()->setLines(std::move(lines));
}

bool tResListWin::printDoc(tPrintDoc &doc) const
{
    doc = linesPrintDoc("Ressourcenliste", {{"ID", 250}, {"Bezeichnung", 0}}, lineTexts(),
                        doc.heading);
    return true;
}

bool tResListWin::handlesCommand(int id) const
{
    return id == CmNew || ((id == CmEdit || id == CmDelete) && list_->currentRow() >= 0);
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
    } else if (tUndoJournal::instance().deleting(
                   tUndoKind::Resource, r.ID, [&] { return r.remove() == tStoreStatus::Stored; })) {
        changed();
    } else {
        reportDeleteFailure(this);
    }
}

} // namespace velk
