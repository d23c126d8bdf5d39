#include "widgets/projects/task_list_win.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QTableView>

#include "views/print_pages.h"
#include "shell/ui/dialog_fields.h"
#include "shell/core/commands.h"
#include "shell/core/help_keywords.h"
#include "shell/ui/tab_list.h"
#include "widgets/projects/dia_task.h"
#include "widgets/projects/task_list_model.h"
#include "views/undo_journal.h"

namespace velk {

static tListWin *gOpenList = nullptr;

// The four columns in view.
static const tListLook kLook("taskList", "taskRows", "Aufgaben", NoticeProjects, help::TaskList,
                             440, 300);

tTaskListWin *tTaskListWin::openList() { return static_cast<tTaskListWin *>(gOpenList); }

tTaskListWin::tTaskListWin(QWidget *parent)
    : tListWin(kLook, &gOpenList, parent), model_(new tTaskListModel(this)),
      proxy_(new tTaskSortProxy(model_, this)), table_(new QTableView)
{
    table_->setModel(proxy_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setShowGrid(false);
    table_->setWordWrap(false);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
    table_->horizontalHeader()->setSectionsClickable(true);
    table_->horizontalHeader()->setHighlightSections(false);
    table_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int c = 0; c < tTaskListModel::kColumns; ++c)
        table_->setColumnWidth(c, tTaskListModel::columnWidth(c));
    setBody(table_);
    connect(table_->horizontalHeader(), &QHeaderView::sectionClicked, this, &tTaskListWin::sortBy);
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { commandsChanged(); });
    connect(table_, &QTableView::doubleClicked, this, [this] { command(CmEdit); });
    // A refill drops the selection without a selection signal.
    connect(proxy_, &QAbstractItemModel::modelReset, this, [this] { commandsChanged(); });
    table_->installEventFilter(this);
    fill();
}

// Return on a selected task opens it, as a double click does.
bool tTaskListWin::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == table_ && event->type() == QEvent::KeyPress) {
        if (isPlainReturn(static_cast<QKeyEvent *>(event)) && selectedTask() >= 0) {
            command(CmEdit);
            return true;
        }
    }
    return tView::eventFilter(watched, event);
}

void tTaskListWin::fill()
{
    table_->horizontalHeader()->setSortIndicatorShown(false);
    proxy_->sort(-1);
    model_->refill();
}

void tTaskListWin::sortBy(int column)
{
    proxy_->sort(column, Qt::AscendingOrder);
    // The indicator marks the column; each column has its one order (the priority highest first).
    table_->horizontalHeader()->setSortIndicator(column, Qt::AscendingOrder);
    table_->horizontalHeader()->setSortIndicatorShown(true);
}

int tTaskListWin::selectedTask() const
{
    const QModelIndexList rows = table_->selectionModel()->selectedRows();
    if (rows.isEmpty()) return -1;
    return proxy_->mapToSource(rows.first()).row();
}

bool tTaskListWin::printDoc(tPrintDoc &doc) const
{
    std::vector<tTask> shown;
    shown.reserve(std::size_t(proxy_->rowCount()));
    for (int row = 0; row < proxy_->rowCount(); ++row)
        shown.push_back(model_->task(proxy_->mapToSource(proxy_->index(row, 0)).row()));
    doc = taskPrintDoc(shown, doc.heading);
    return true;
}

bool tTaskListWin::handlesCommand(int id) const
{
    return (id == CmEdit || id == CmDelete) && selectedTask() >= 0;
}

void tTaskListWin::command(int id)
{
    if (!handlesCommand(id)) return;
    if (id == CmEdit)
        editTask();
    else
        deleteTask();
}

// The selected task in its dialog; afterwards every view of tasks refills, this one included,
// whether the dialog stored anything or not.  A task that has vanished opens nothing.
void tTaskListWin::editTask()
{
    tTask k;
    if (!k.find(model_->task(selectedTask()).ID)) return;
    tDiaTask::run(this, &k, tDiaTask::Edit);
    changed();
}

// The selected task leaves the table and its row the list, which keeps its order; the other
// views of tasks refill.
void tTaskListWin::deleteTask()
{
    int row = selectedTask();
    tTask k;
    if (!k.find(model_->task(row).ID)) return;
    if (!tUndoJournal::instance().deleting(tUndoKind::Task, k.ID,
                                           [&] { return k.remove() == tStoreStatus::Stored; })) {
        reportDeleteFailure(this);
        return;
    }
    model_->removeTask(row);
    commandsChanged();
    changedElsewhere();
}

} // namespace velk
