// task_list_win.h - the task list tTaskListWin (window "Aufgaben", help "Aufgabenliste").
//
// Every task as one row of four columns, the last ID first until a column header is clicked,
// which sorts the rows by that column.  It refills on the projects bit (8) of the data-changed
// notice, which drops the order chosen.  Ändern (and a double click) opens the selected task in
// its dialog and then sends the notice; Löschen deletes the selected task.  One window at most:
// while it is open, openList() answers it.
#ifndef VELK_WIDGETS_PROJECTS_TASK_LIST_WIN_H
#define VELK_WIDGETS_PROJECTS_TASK_LIST_WIN_H

#include "shell/ui/list_win.h"

class QTableView;

namespace velk {

class tTaskListModel;
class tTaskSortProxy;

class tTaskListWin : public tListWin {
    Q_OBJECT
public:
    explicit tTaskListWin(QWidget *parent = nullptr);

    static tTaskListWin *openList();

    QTableView *table() const { return table_; }
    tTaskListModel *tasks() const { return model_; }
    tTaskSortProxy *sorted() const { return proxy_; }
    // Refills from the table; the rows lose their sort.
    void fill() override;
    // Sorts by a column as a click on its header does.
    void sortBy(int column);
    // The model row of the selected row, -1 for none.
    int selectedTask() const;

    bool handlesCommand(int id) const override;
    void command(int id) override;
    // The tasks in the order shown (the sort chosen), as a table.
    bool canPrint() const override { return true; }
    bool printDoc(tPrintDoc &doc) const override;

protected:
    // Return on a selected task opens it, as a double click does.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void editTask();
    void deleteTask();

    tTaskListModel *model_;
    tTaskSortProxy *proxy_;
    QTableView *table_;
};

} // namespace velk

#endif
