#include "widgets/calendar/list_box.h"

#include <QFocusEvent>
#include <QHelpEvent>
#include <QKeyEvent>

#include "address/person.h"
#include "shell/ui/cp1252.h"
#include "shell/ui/tab_list.h"
#include "shell/ui/view.h"
#include "calendar/termin_store.h"
#include "views/view_tips.h"
#include "widgets/calendar/dia_list.h"
#include "widgets/calendar/view_tip.h"
#include "projects/project.h"

namespace velk {

tLineList::tLineList(QWidget *parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *item) {
        int r = row(item);
        if (r >= 0 && r < int(lines_.size())) emit lineActivated(lines_[std::size_t(r)]);
    });
    connect(this, &QListWidget::itemSelectionChanged, this, &tLineList::selectionChanged);
}

void tLineList::setLines(std::vector<tViewLine> lines)
{
    lines_ = std::move(lines);
    QStringList texts;
    texts.reserve(int(lines_.size()));
    for (const tViewLine &l : lines_) texts << fromCp1252(l.text);
    clear();
    addItems(texts);
    // A refill drops the selection without Qt saying so.
    emit selectionChanged();
}

void tLineList::keyPressEvent(QKeyEvent *event)
{
    if (isPlainReturn(event)) {
        if (const tViewLine *line = selectedLine()) {
            emit lineActivated(*line);
            return;
        }
    }
    QListWidget::keyPressEvent(event);
}

// The tip is computed when asked for: a refill reads no record for it.
bool tLineList::viewportEvent(QEvent *event)
{
    if (event->type() != QEvent::ToolTip) return QListWidget::viewportEvent(event);
    auto *help = static_cast<QHelpEvent *>(event);
    int r = indexAt(help->pos()).row();
    std::string tip;
    if (r >= 0 && r < int(lines_.size())) tip = lineTip(lines_[std::size_t(r)], tipHolidays_);
    return showViewTip(viewport(), help, tip);
}

const tViewLine *tLineList::selectedLine() const
{
    const QList<QListWidgetItem *> items = selectedItems();
    if (items.isEmpty()) return nullptr;
    int r = row(items.first());
    return r >= 0 && r < int(lines_.size()) ? &lines_[std::size_t(r)] : nullptr;
}

void tLineList::selectLine(int row)
{
    clearSelection();
    if (QListWidgetItem *line = item(row)) {
        setCurrentItem(line);
        line->setSelected(true);
    }
}

void TMyListBox::focusInEvent(QFocusEvent *event)
{
    focused_ = true;
    tLineList::focusInEvent(event);
}

// A menu takes the focus only while it is open (by mouse, or by Alt into the menu bar).
void TMyListBox::focusOutEvent(QFocusEvent *event)
{
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::MenuBarFocusReason) {
        focused_ = false;
        clearSelection();
        setCurrentIndex(QModelIndex());
    }
    tLineList::focusOutEvent(event);
}

bool runLineAction(QWidget *view, const tViewAction &action)
{
    // A line whose record has gone meanwhile opens nothing.
    bool found = true;
    switch (action.kind) {
    case tViewAction::EditPerson: {
        tPerson p;
        found = p.find(action.key);
        break;
    }
    case tViewAction::EditTermin: {
        tTermin t;
        found = tTerminStore::instance().find(action.key, t);
        break;
    }
    case tViewAction::EditTask: {
        tTask k;
        found = k.find(action.key);
        break;
    }
    default:
        break;
    }
    bool stored = found && runViewAction(view, action);
    if (stored && action.notice != 0) sendNotice(view, tNotices::fromInt(action.notice));
    return stored;
}

} // namespace velk
