// tab_list.h - a list box with tab stops as an item view: tTabList shows lines whose
// tab-separated parts are its columns.
//
// Each line keeps its stored text (Windows-1252), which the commands read back (the ID is the
// first column), and may carry a key of its own (the record it stands for).  The column widths
// come from the tab stops in dialog units of the view's font.  A sorting list keeps its lines in
// the list box order of shell/core/tab_stops.h; any other list keeps them as they were added.
#ifndef VELK_SHELL_UI_TAB_LIST_H
#define VELK_SHELL_UI_TAB_LIST_H

#include <QAbstractTableModel>
#include <QStringList>
#include <QTreeView>

#include <string>
#include <vector>

class QKeyEvent;

namespace velk {

struct tTabLine {
    std::string text; // stored text, tab-separated columns
    std::string key;  // what the line stands for; may be empty
};

// Return or Enter without a modifier: what opens the selected line of a list.
bool isPlainReturn(const QKeyEvent *event);

class tTabLineModel : public QAbstractTableModel {
    Q_OBJECT
public:
    tTabLineModel(int columns, bool sorted, QObject *parent = nullptr);

    void setLines(std::vector<tTabLine> lines);
    // Adds one line (at its sorted place, or at the end); answers its row.
    int addLine(tTabLine line);
    void removeLine(int row);
    void clear() { setLines({}); }

    int count() const { return int(lines_.size()); }
    const tTabLine &line(int row) const { return lines_[std::size_t(row)]; }
    // The row of the first line with this key, -1 for none.
    int rowOfKey(const std::string &key) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    int columns_;
    bool sorted_;
    std::vector<tTabLine> lines_;
    std::vector<QStringList> shown_; // the columns of each line, converted once
};

class tTabList : public QTreeView {
    Q_OBJECT
public:
    tTabList(std::vector<int> tabStops, bool sorted, QWidget *parent = nullptr);

    tTabLineModel *lines() const { return model_; }
    int currentRow() const; // the selected line, -1 for none
    const tTabLine *currentLine() const;
    void selectRow(int row);
    // Return or Enter on a selected line opens it as a double click does (the list windows; in a
    // dialog Return stays with the default button).
    void setReturnOpens(bool on) { returnOpens_ = on; }

signals:
    // The selected line changed (by mouse, keyboard, a refill or a removal); -1 for none.
    void currentRowChanged(int row);
    void lineActivated(int row); // a double click on a line, or Return where that opens it

protected:
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void applyTabStops();

    std::vector<int> tabStops_;
    tTabLineModel *model_;
    bool returnOpens_ = false;
};

} // namespace velk

#endif
