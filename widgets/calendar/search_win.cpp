#include "widgets/calendar/search_win.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "shell/core/help_keywords.h"
#include "shell/ui/cp1252.h"
#include "shell/ui/date_picker.h"
#include "shell/ui/dialog_base.h"
#include "widgets/calendar/view_openers.h"

namespace velk {

namespace {

tSearchWin *gOpenWindow = nullptr;

constexpr int kPauseMs = 250;

QLineEdit *dateField(const char *name, const char *hint, int digits, QHBoxLayout *row)
{
    auto *edit = new QLineEdit;
    edit->setObjectName(QString::fromLatin1(name));
    edit->setPlaceholderText(QString::fromLatin1(hint));
    edit->setMaxLength(digits);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * (digits + 1) +
                        12);
    digitsOnly(edit);
    row->addWidget(edit);
    return edit;
}

std::string fieldText(const QLineEdit *edit) { return edit->text().toStdString(); }

} // namespace

tSearchWin *tSearchWin::openWindow() { return gOpenWindow; }

tSearchWin::tSearchWin(QWidget *parent)
    : tView(parent), word_(new QLineEdit), results_(new QTreeWidget), status_(new QLabel),
      timer_(new QTimer(this))
{
    setObjectName(QStringLiteral("searchWindow"));
    setWindowTitle(QStringLiteral("Suchen"));
    gOpenWindow = this;

    word_->setObjectName(QStringLiteral("searchWord"));
    word_->setPlaceholderText(QStringLiteral("Suchbegriff"));
    word_->setClearButtonEnabled(true);
    word_->installEventFilter(this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(word_);
    auto *kindRow = new QHBoxLayout;
    buildKinds(kindRow);
    layout->addLayout(kindRow);
    auto *rangeRow = new QHBoxLayout;
    buildRange(rangeRow);
    layout->addLayout(rangeRow);

    results_->setObjectName(QStringLiteral("searchResults"));
    results_->setColumnCount(3);
    results_->setHeaderLabels(
        {QStringLiteral("Art"), QStringLiteral("Datum"), QStringLiteral("Eintrag")});
    results_->setRootIsDecorated(false);
    results_->setUniformRowHeights(true);
    results_->setSelectionMode(QAbstractItemView::SingleSelection);
    results_->setAllColumnsShowFocus(true);
    results_->header()->setStretchLastSection(true);
    results_->installEventFilter(this);
    layout->addWidget(results_, 1);
    status_->setObjectName(QStringLiteral("searchStatus"));
    layout->addWidget(status_);

    timer_->setSingleShot(true);
    timer_->setInterval(kPauseMs);
    connect(timer_, &QTimer::timeout, this, &tSearchWin::search);
    connect(word_, &QLineEdit::textEdited, timer_, qOverload<>(&QTimer::start));
    connect(word_, &QLineEdit::returnPressed, this, &tSearchWin::search);
    connect(results_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *item) {
        if (!item || item->data(0, Qt::UserRole).isNull()) return; // a heading
        selectRow(results_->indexOfTopLevelItem(item));
        openSelected();
    });
    setFocusProxy(word_);
}

tSearchWin::~tSearchWin()
{
    if (gOpenWindow == this) gOpenWindow = nullptr;
}

void tSearchWin::buildKinds(QHBoxLayout *row)
{
    for (int k = 0; k < kSearchKinds; ++k) {
        const auto kind = static_cast<tSearchKind>(k);
        auto *box = new QCheckBox(QString::fromLatin1(searchKindTitle(kind)));
        box->setObjectName(QStringLiteral("searchKind%1").arg(k));
        box->setChecked(true);
        connect(box, &QCheckBox::toggled, this, &tSearchWin::search);
        kinds_[std::size_t(k)] = box;
        row->addWidget(box);
    }
    row->addStretch(1);
}

void tSearchWin::buildRange(QHBoxLayout *row)
{
    range_ = new QCheckBox(QStringLiteral("Zeitraum"));
    range_->setObjectName(QStringLiteral("searchRange"));
    row->addWidget(range_);
    const char *names[2][3] = {{"fromDay", "fromMonth", "fromYear"},
                               {"tillDay", "tillMonth", "tillYear"}};
    std::array<QLineEdit *, 3> *fields[2] = {&from_, &till_};
    for (int side = 0; side < 2; ++side) {
        row->addWidget(new QLabel(side == 0 ? QStringLiteral("von") : QStringLiteral("bis")));
        std::array<QLineEdit *, 3> &f = *fields[side];
        f[0] = dateField(names[side][0], "TT", 2, row);
        f[1] = dateField(names[side][1], "MM", 2, row);
        f[2] = dateField(names[side][2], "JJJJ", 4, row);
        auto *pick = new QToolButton;
        pick->setObjectName(side == 0 ? QStringLiteral("pickFrom") : QStringLiteral("pickTill"));
        row->addWidget(pick);
        attachDatePicker(pick, f[0], f[1], f[2]);
        pickers_[std::size_t(side)] = pick;
        for (QLineEdit *e : f) {
            e->setEnabled(false);
            connect(e, &QLineEdit::textChanged, timer_, qOverload<>(&QTimer::start));
        }
        pick->setEnabled(false);
    }
    row->addStretch(1);
    connect(range_, &QCheckBox::toggled, this, [this](bool on) {
        for (auto *f : {&from_, &till_})
            for (QLineEdit *e : *f) e->setEnabled(on);
        for (QToolButton *b : pickers_) b->setEnabled(on);
        search();
    });
}

tSearchFilter tSearchWin::filter() const
{
    tSearchFilter f;
    f.kinds = 0;
    for (int k = 0; k < kSearchKinds; ++k)
        if (kinds_[std::size_t(k)]->isChecked())
            f.kinds |= searchKindBit(static_cast<tSearchKind>(k));
    if (range_->isChecked()) {
        f.from = searchFieldDate(fieldText(from_[0]), fieldText(from_[1]), fieldText(from_[2]));
        f.till = searchFieldDate(fieldText(till_[0]), fieldText(till_[1]), fieldText(till_[2]));
    }
    return f;
}

void tSearchWin::focusWord()
{
    word_->setFocus(Qt::OtherFocusReason);
    word_->selectAll();
}

void tSearchWin::search()
{
    timer_->stop();
    // The selected result stays selected where the new results still hold it.
    int keep = -1;
    const tSearchHit *was = selectedHit();
    const std::string word = toCp1252(word_->text());
    const tSearchFilter wanted = filter();
    std::vector<tSearchHit> hits = index_.find(word, wanted);
    if (was) {
        const std::vector<tSearchRow> rows = searchRows(hits);
        keep = searchRowOf(rows, hits, was->kind, was->id);
    }
    hits_ = std::move(hits);
    rows_ = searchRows(hits_);
    showRows(keep);
    const bool rangeIgnored = range_->isChecked() && !wanted.hasRange();
    status_->setText(fromCp1252(searchStatus(word, hits_.size(), rangeIgnored)));
}

void tSearchWin::showRows(int keepRow)
{
    const bool listFocused = results_->hasFocus();
    results_->clear();
    QList<QTreeWidgetItem *> items;
    for (const tSearchRow &row : rows_) {
        auto *item = new QTreeWidgetItem;
        item->setText(0, fromCp1252(row.art));
        if (row.heading) {
            item->setFlags(Qt::ItemIsEnabled);
            QFont bold = item->font(0);
            bold.setBold(true);
            item->setFont(0, bold);
        } else {
            item->setText(1, fromCp1252(row.date));
            item->setText(2, fromCp1252(row.text));
            item->setData(0, Qt::UserRole, row.hit);
        }
        items << item;
    }
    results_->addTopLevelItems(items);
    for (int r = 0; r < int(rows_.size()); ++r)
        if (rows_[std::size_t(r)].heading) items[r]->setFirstColumnSpanned(true);
    results_->resizeColumnToContents(0);
    results_->resizeColumnToContents(1);
    if (keepRow >= 0)
        selectRow(keepRow);
    else if (listFocused)
        selectRow(searchStepRow(rows_, -1, 1));
}

void tSearchWin::selectRow(int row)
{
    results_->clearSelection();
    QTreeWidgetItem *item = row >= 0 ? results_->topLevelItem(row) : nullptr;
    if (!item) {
        results_->setCurrentItem(nullptr);
        return;
    }
    results_->setCurrentItem(item);
    item->setSelected(true);
    results_->scrollToItem(item);
}

const tSearchHit *tSearchWin::selectedHit() const
{
    const QList<QTreeWidgetItem *> items = results_->selectedItems();
    if (items.isEmpty()) return nullptr;
    const int row = results_->indexOfTopLevelItem(items.first());
    if (row < 0 || row >= int(rows_.size())) return nullptr;
    const int hit = rows_[std::size_t(row)].hit;
    return hit >= 0 && hit < int(hits_.size()) ? &hits_[std::size_t(hit)] : nullptr;
}

bool tSearchWin::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress) return tView::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->modifiers() & ~Qt::KeypadModifier) return tView::eventFilter(watched, event);
    if (watched == word_ && key->key() == Qt::Key_Down) {
        if (timer_->isActive()) search();
        const int first = searchStepRow(rows_, -1, 1);
        if (first < 0) return true;
        results_->setFocus(Qt::TabFocusReason);
        selectRow(first);
        return true;
    }
    if (watched == results_) return listKey(key->key()) || tView::eventFilter(watched, event);
    return tView::eventFilter(watched, event);
}

// The list's keys: the arrows over the results only, Up from the first back to the field,
// Return opens, Escape goes back to the field.
bool tSearchWin::listKey(int key)
{
    const int current =
        results_->currentItem() ? results_->indexOfTopLevelItem(results_->currentItem()) : -1;
    switch (key) {
    case Qt::Key_Down:
    case Qt::Key_Up: {
        const int step = key == Qt::Key_Down ? 1 : -1;
        const int next = searchStepRow(rows_, current, step);
        if (next >= 0)
            selectRow(next);
        else if (step < 0)
            focusWord();
        return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        openSelected();
        return true;
    case Qt::Key_Escape:
        focusWord();
        return true;
    default:
        return false;
    }
}

void tSearchWin::openSelected()
{
    const tSearchHit *hit = selectedHit();
    if (!hit) return;
    // The dialog may change what the results are: work on a copy.
    const tSearchHit h = *hit;
    const tViewOpeners &open = viewOpeners();
    std::function<bool(QWidget *, const std::string &)> opener;
    switch (h.kind) {
    case tSearchKind::Termin:
        opener = open.termin;
        break;
    case tSearchKind::Person:
        opener = open.person;
        break;
    case tSearchKind::Group:
        opener = open.group;
        break;
    case tSearchKind::Resource:
        opener = open.resource;
        break;
    case tSearchKind::Project:
        opener = open.project;
        break;
    case tSearchKind::Task:
        opener = open.task;
        break;
    }
    if (opener && opener(this, h.id)) sendNotice(this, tNotices::fromInt(searchEditNotice(h.kind)));
}

tNotices tSearchWin::noticeMask() const
{
    return tNotices::fromInt(searchNoticesOfKinds(filter().kinds));
}

void tSearchWin::dataChanged(tNotices bits)
{
    const int b = bits.toInt();
    if (searchKindsHitBy(filter().kinds, b) == 0) return;
    index_.forget(b);
    search();
}

QString tSearchWin::helpKeyword() const { return QString::fromUtf8(help::Search); }

QSize tSearchWin::sizeHint() const { return QSize(640, 420); }

} // namespace velk
