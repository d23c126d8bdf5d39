#include "widgets/calendar/dia_list.h"

#include <QCoreApplication>
#include <QMenu>

#include "shell/ui/dialog_fields.h"
#include "shell/ui/view_client.h"
#include "shell/core/help_keywords.h"
#include "shell/ui/cp1252.h"
#include "shell/ui/dialog_help.h"
#include "shell/ui/shell_host.h"
#include "shell/ui/view.h"
#include "base/session.h"
#include "calendar/termin_store.h"
#include "views/print_pages.h"
#include "views/view_tips.h"
#include "widgets/calendar/view_openers.h"
#include "widgets/calendar/view_tip.h"
#include "ui_dia_list.h"
#include "views/undo_journal.h"

namespace velk {

tDiaList::tDiaList(QWidget *parent, tSelection selection)
    : QDialog(parent), ui_(std::make_unique<Ui::tDiaList>()), selection_(std::move(selection))
{
    ui_->setupUi(this);
    setWindowTitle(fromCp1252(selection_.title));
    installDialogHelp(this, QString::fromUtf8(help::SelectionList));
    for (const tViewLine &line : selection_.lines) ui_->listLines->addItem(fromCp1252(line.text));
    ui_->listLines->setCurrentRow(-1);
    new tTipFilter(ui_->listLines->viewport(),
                   [this, holidays = std::make_shared<tHolidayCache>()](const QPoint &p) {
                       int row = ui_->listLines->indexAt(p).row();
                       if (row < 0 || row >= int(selection_.lines.size())) return std::string();
                       return lineTip(selection_.lines[std::size_t(row)], *holidays);
                   });
    connect(ui_->buttonOk, &QPushButton::clicked, this, &tDiaList::confirm);
    connect(ui_->listLines, &QListWidget::itemDoubleClicked, this, &tDiaList::confirm);
    connect(ui_->buttonCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->buttonPrint, &QPushButton::clicked, this, &tDiaList::printLines);
}

tDiaList::~tDiaList() = default;

void tDiaList::confirm()
{
    int row = ui_->listLines->currentRow();
    const bool selected = row >= 0 && ui_->listLines->item(row)->isSelected();
    const tViewLine *line = selected && row < int(selection_.lines.size())
                                ? &selection_.lines[std::size_t(row)]
                                : nullptr;
    tViewAction action = selectionAction(line, selection_.mode);
    if (runViewAction(this, action) && action.notice != 0)
        sendNotice(parentWidget(), tNotices::fromInt(action.notice));
    accept();
}

// The dialog is modal, so the frame's print commands cannot reach it: its own button shows its
// lines in the print preview, whose printer button prints them.
void tDiaList::printLines()
{
    tPrintHeading heading;
    heading.user = currentUser();
    heading.printedAt = printStamp(tDateTime::now());
    shellHost().printPreview(this, selectionPrintDoc(selection_, std::move(heading)));
}

bool tDiaList::run(QWidget *parent, const tDate &day)
{
    tHolidayCache holidays;
    tDiaList dialog(parent, selectionOfDay(day, holidays));
    return shellHost().runDialog(dialog) == QDialog::Accepted;
}

bool tDiaList::run(QWidget *parent, const tTermin *range, int mode)
{
    if (!range) return false;
    tDiaList dialog(parent, selectionOfRange(range->from, range->till, mode));
    return shellHost().runDialog(dialog) == QDialog::Accepted;
}

namespace {

// An appointment that has vanished meanwhile is nothing to delete.  The store answers 0 also
// when a failed read kept it from finding the row again, and a failure after the row went
// answers -1: what counts is whether the row is still there.
bool deleteTermin(QWidget *parent, const std::string &id)
{
    tTerminStore &store = tTerminStore::instance();
    tTermin t;
    if (!store.find(id, t)) return false;
    bool gone = false;
    tDeleted before;
    before.kind = tUndoKind::Termin;
    before.termin = t;
    tUndoJournal::instance().deleting(before, [&] {
        int rc = store.remove(t);
        gone = !store.find(id, t);
        if (rc != 0 || !gone) reportDeleteFailure(parent);
        return gone;
    });
    return gone;
}

} // namespace

bool runViewAction(QWidget *parent, const tViewAction &a)
{
    tViewOpeners &open = viewOpeners();
    switch (a.kind) {
    case tViewAction::Nothing:
        return false;
    case tViewAction::EditPerson:
        return open.person && open.person(parent, a.key);
    case tViewAction::EditTermin:
        return open.termin && open.termin(parent, a.key);
    case tViewAction::EditTask:
        return open.task && open.task(parent, a.key);
    case tViewAction::DeleteTermin:
        return deleteTermin(parent, a.key);
    case tViewAction::NewOnDate: {
        const tDateTime day = tDateTime::at(a.date); // 00:00, start and end alike
        return open.newTermin && open.newTermin(parent, day, day, std::string());
    }
    case tViewAction::NewTermin:
        return open.newTermin &&
               open.newTermin(parent, a.termin.from, a.termin.till, a.termin.RESOURCE);
    case tViewAction::SelectDay:
        return tDiaList::run(parent, a.date);
    case tViewAction::SelectRange:
        return tDiaList::run(parent, &a.termin, a.mode);
    }
    return false;
}

void addPlanMenuActions(QMenu *menu, const std::function<void(int mode)> &run)
{
    constexpr int kCmdChange = 112, kCmdDelete = 111;
    QAction *change = menu->addAction(QStringLiteral("\u00c4ndern"));
    change->setObjectName(QStringLiteral("cmd%1").arg(kCmdChange));
    QObject::connect(change, &QAction::triggered, menu, [run] { run(SelectChange); });
    QAction *remove = menu->addAction(QStringLiteral("L\u00f6schen"));
    remove->setObjectName(QStringLiteral("cmd%1").arg(kCmdDelete));
    QObject::connect(remove, &QAction::triggered, menu, [run] { run(SelectDelete); });
}

} // namespace velk
