#include "calendar/ui/list_box.h"

#include <QCoreApplication>
#include <QFocusEvent>

#include "address/person.h"
#include "address/ui/dialog_fields.h"
#include "address/ui/view_client.h"
#include "app/ui/cp1252.h"
#include "app/ui/view.h"
#include "calendar/termin_store.h"
#include "calendar/ui/view_openers.h"
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

namespace {

bool deleteTermin(QWidget *view, const std::string &id)
{
    tTerminStore &store = tTerminStore::instance();
    tTermin t;
    if (!store.find(id, t)) return false;
    // The store answers 0 also when a failed read kept it from finding the row again, and a
    // failure after the row went answers -1: what counts is whether the row is still there.
    int rc = store.remove(t);
    bool gone = !store.find(id, t);
    if (rc != 0 || !gone) reportDeleteFailure(view);
    return gone;
}

} // namespace

bool runLineAction(QWidget *view, const tViewAction &action)
{
    const tViewOpeners &open = viewOpeners();
    bool stored = false;
    switch (action.kind) {
    case tViewAction::EditPerson: {
        tPerson p;
        stored = p.find(action.key) && open.person && open.person(view, action.key);
        break;
    }
    case tViewAction::EditTermin: {
        tTermin t;
        stored = tTerminStore::instance().find(action.key, t) && open.termin &&
                 open.termin(view, action.key);
        break;
    }
    case tViewAction::EditTask: {
        tTask k;
        stored = k.find(action.key) && open.task && open.task(view, action.key);
        break;
    }
    case tViewAction::DeleteTermin:
        stored = deleteTermin(view, action.key);
        break;
    case tViewAction::NewOnDate: {
        tDateTime from; // the day at 00:00, start and end alike
        static_cast<tDate &>(from) = action.date;
        stored = open.newTermin && open.newTermin(view, from, from, std::string());
        break;
    }
    default:
        break;
    }
    if (stored && action.notice != 0) sendNotice(view, action.notice);
    return stored;
}

} // namespace velk
