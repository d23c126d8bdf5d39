#include "shell/ui/tab_list.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>

#include <algorithm>

#include "shell/core/tab_stops.h"
#include "shell/ui/cp1252.h"

namespace velk {

static QStringList shownColumns(const std::string &text)
{
    QStringList columns;
    for (const std::string &part : splitTabs(text)) columns << fromCp1252(part);
    return columns;
}

static bool isMovingKey(int key)
{
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return true;
    default:
        return false;
    }
}

bool isPlainReturn(const QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    return enter && event->modifiers() == Qt::NoModifier;
}

static bool lineLess(const tTabLine &a, const tTabLine &b) { return listBoxLess(a.text, b.text); }

tTabLineModel::tTabLineModel(int columns, bool sorted, QObject *parent)
    : QAbstractTableModel(parent), columns_(columns), sorted_(sorted)
{}

void tTabLineModel::setLines(std::vector<tTabLine> lines)
{
    beginResetModel();
    if (sorted_) std::stable_sort(lines.begin(), lines.end(), lineLess);
    lines_ = std::move(lines);
    shown_.clear();
    shown_.reserve(lines_.size());
    for (const tTabLine &l : lines_) shown_.push_back(shownColumns(l.text));
    endResetModel();
}

int tTabLineModel::addLine(tTabLine line)
{
    auto at =
        sorted_ ? std::upper_bound(lines_.begin(), lines_.end(), line, lineLess) : lines_.end();
    int row = int(at - lines_.begin());
    beginInsertRows(QModelIndex(), row, row);
    shown_.insert(shown_.begin() + row, shownColumns(line.text));
    lines_.insert(at, std::move(line));
    endInsertRows();
    return row;
}

void tTabLineModel::removeLine(int row)
{
    if (row < 0 || row >= count()) return;
    beginRemoveRows(QModelIndex(), row, row);
    lines_.erase(lines_.begin() + row);
    shown_.erase(shown_.begin() + row);
    endRemoveRows();
}

int tTabLineModel::rowOfKey(const std::string &key) const
{
    for (int row = 0; row < count(); ++row)
        if (lines_[std::size_t(row)].key == key) return row;
    return -1;
}

int tTabLineModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

int tTabLineModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : columns_;
}

QVariant tTabLineModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count()) return {};
    const QStringList &columns = shown_[std::size_t(index.row())];
    if (role == Qt::DisplayRole) {
        // Parts beyond the last column stay in the last one, as a list box would show them.
        if (index.column() < columns_ - 1)
            return index.column() < columns.size() ? columns[index.column()] : QString();
        return columns.mid(columns_ - 1).join(QLatin1Char(' '));
    }
    if (role == Qt::ToolTipRole) return columns.join(QLatin1String("  "));
    return {};
}

tTabList::tTabList(std::vector<int> tabStops, bool sorted, QWidget *parent)
    : QTreeView(parent), tabStops_(std::move(tabStops)),
      model_(new tTabLineModel(int(tabStops_.size()) + 1, sorted, this))
{
    setModel(model_);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    header()->setStretchLastSection(true);
    applyTabStops();
    // The commands follow the selection, not Qt's current index: a click on the line that was
    // current already (the first one, after the list got the focus) selects without moving it.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { emit currentRowChanged(currentRow()); });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] { emit currentRowChanged(-1); });
    connect(model_, &QAbstractItemModel::rowsRemoved, this,
            [this] { emit currentRowChanged(currentRow()); });
    // A double click, not "activated": some styles activate on a single click.
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &at) { emit lineActivated(at.row()); });
}

int tTabList::currentRow() const
{
    QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

const tTabLine *tTabList::currentLine() const
{
    int row = currentRow();
    return row < 0 ? nullptr : &model_->line(row);
}

void tTabList::selectRow(int row)
{
    if (row < 0 || row >= model_->count()) {
        selectionModel()->clear();
        return;
    }
    setCurrentIndex(model_->index(row, 0));
}

void tTabList::keyPressEvent(QKeyEvent *event)
{
    if (returnOpens_ && isPlainReturn(event)) {
        if (int row = currentRow(); row >= 0) {
            emit lineActivated(row);
            return;
        }
    }
    QTreeView::keyPressEvent(event);
    // An arrow key that could not move (Up on the first line, which the list made current without
    // selecting it when it got the focus) still chooses the line shown as current.
    if (isMovingKey(event->key()) && currentRow() < 0 && currentIndex().isValid())
        selectRow(currentIndex().row());
}

void tTabList::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange) applyTabStops();
    QTreeView::changeEvent(event);
}

void tTabList::applyTabStops()
{
    std::vector<int> widths = tabColumnWidths(tabStops_, fontMetrics().averageCharWidth());
    for (std::size_t i = 0; i < widths.size(); ++i) header()->resizeSection(int(i), widths[i]);
}

} // namespace velk
