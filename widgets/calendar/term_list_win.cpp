#include "widgets/calendar/term_list_win.h"

#include <QVBoxLayout>

#include "views/print_pages.h"
#include "shell/core/commands.h"
#include "shell/core/help_keywords.h"
#include "widgets/calendar/list_box.h"
#include "views/term_list.h"
#include "views/view_lines.h"

namespace velk {

tTermListWin::tTermListWin(const tDate &start, const tDate &today, QWidget *parent)
    : tView(parent), start_(start), today_(today), list_(new tLineList)
{
    setObjectName(QStringLiteral("appointmentList"));
    setWindowTitle(QString::fromLatin1(termListCaption(start_)));
    list_->setObjectName(QStringLiteral("list101"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);
    connect(list_, &tLineList::lineActivated, this,
            [this](const tViewLine &line) { runLineAction(this, openLineAction(&line)); });
    connect(list_, &tLineList::selectionChanged, this, [this] { commandsChanged(); });
    fill();
}

void tTermListWin::fill() { list_->setLines(termListLines(start_, today_, holidays_)); }

void tTermListWin::dataChanged(tNotices) { fill(); }

void tTermListWin::showFrom(const tDate &start)
{
    start_ = start;
    setWindowTitle(QString::fromLatin1(termListCaption(start_)));
    fill();
}

QString tTermListWin::deskState() const { return QString::fromLatin1(deskDate(start_)); }

void tTermListWin::restoreDeskState(const QString &state)
{
    tDate date;
    if (readDeskDate(state.toStdString(), date)) showFrom(date);
}

bool tTermListWin::printDoc(tPrintDoc &doc) const
{
    doc = termListPrintDoc(list_->lines(), start_, doc.heading);
    return true;
}

bool tTermListWin::handlesCommand(int id) const
{
    switch (id) {
    case CmNew:
    case CmToday:
        return true;
    case CmEdit:
    case CmDelete:
        return termListCommandEnabled(list_->selectedLine());
    default:
        return false;
    }
}

void tTermListWin::command(int id)
{
    if (!handlesCommand(id)) return;
    switch (id) {
    case CmNew:
        runLineAction(this, termListNewAction(today_));
        break;
    case CmEdit:
        runLineAction(this, openLineAction(list_->selectedLine()));
        break;
    case CmDelete:
        runLineAction(this, deleteLineAction(list_->selectedLine()));
        break;
    case CmToday:
        today_ = tDate::today();
        showFrom(today_);
        break;
    }
}

QString tTermListWin::helpKeyword() const { return QString::fromUtf8(help::AppointmentList); }

QSize tTermListWin::sizeHint() const { return QSize(420, 360); }

} // namespace velk
