#include "widgets/projects/task_list_model.h"

#include "shell/ui/cp1252.h"
#include "projects/comparator.h"
#include "projects/project_list.h"

namespace velk {

namespace {

struct tColumn {
    const char *header;
    int width;
};
constexpr tColumn kColumnDefs[tTaskListModel::kColumns] = {
    {"ID", 64}, {"Bezeichnung", 200}, {"Prio", 64}, {"Fertig", 80}};

} // namespace

tTaskListModel::tTaskListModel(QObject *parent) : QAbstractTableModel(parent) {}

void tTaskListModel::refill() { setTasks(taskListRows()); }

void tTaskListModel::setTasks(std::vector<tTask> tasks)
{
    beginResetModel();
    tasks_ = std::move(tasks);
    endResetModel();
}

void tTaskListModel::removeTask(int row)
{
    if (row < 0 || row >= count()) return;
    beginRemoveRows(QModelIndex(), row, row);
    tasks_.erase(tasks_.begin() + row);
    endRemoveRows();
}

int tTaskListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

int tTaskListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QVariant tTaskListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count() || index.column() >= kColumns) return {};
    if (role == Qt::DisplayRole)
        return fromCp1252(taskColumnText(task(index.row()), index.column()));
    if (role == Qt::UserRole) return QByteArray(task(index.row()).ID);
    return {};
}

QVariant tTaskListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumns) return {};
    if (role == Qt::DisplayRole) return QString::fromLatin1(kColumnDefs[section].header);
    return {};
}

int tTaskListModel::columnWidth(int column)
{
    return column >= 0 && column < kColumns ? kColumnDefs[column].width : 0;
}

tTaskSortProxy::tTaskSortProxy(tTaskListModel *source, QObject *parent)
    : QSortFilterProxyModel(parent), source_(source)
{
    setSourceModel(source);
    // The rows are sorted when a header is clicked, not again after a change.
    setDynamicSortFilter(false);
}

bool tTaskSortProxy::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    return TMyLwComparator()(source_->task(left.row()), source_->task(right.row()), left.column()) <
           0;
}

} // namespace velk
