// task_list_model.h - the rows of the task list and their order.
//
// tTaskListModel holds a copy of each task, one row each, in four columns "ID", "Bezeichnung",
// "Prio" and "Fertig".  tTaskSortProxy sorts them by a column with TMyLwComparator; sorting by
// column -1 gives back the model's own order.
#ifndef VELK_WIDGETS_PROJECTS_TASK_LIST_MODEL_H
#define VELK_WIDGETS_PROJECTS_TASK_LIST_MODEL_H

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>

#include <vector>

#include "projects/project.h"

namespace velk {

class tTaskListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumns = 4;

    explicit tTaskListModel(QObject *parent = nullptr);

    // Every task of the table, the last ID first.
    void refill();
    void setTasks(std::vector<tTask> tasks);
    void removeTask(int row);

    const tTask &task(int row) const { return tasks_[std::size_t(row)]; }
    int count() const { return int(tasks_.size()); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The initial width of a column in pixels.
    static int columnWidth(int column);

private:
    std::vector<tTask> tasks_;
};

class tTaskSortProxy : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit tTaskSortProxy(tTaskListModel *source, QObject *parent = nullptr);

protected:
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    tTaskListModel *source_;
};

} // namespace velk

#endif
