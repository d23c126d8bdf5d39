#include "widgets/calendar/week_view_win.h"

#include <QLabel>
#include <QResizeEvent>

#include "views/print_pages.h"
#include "shell/core/commands.h"
#include "shell/core/help_keywords.h"
#include "shell/ui/cp1252.h"
#include "widgets/calendar/list_box.h"
#include "views/view_lines.h"
#include "views/view_tips.h"

namespace velk {

tWeekWin::tWeekWin(const tDate &date, QWidget *parent) : tView(parent)
{
    setObjectName(QStringLiteral("weekCalendar"));
    setWindowTitle(QString::fromLatin1(kWeekTitle));
    // An opened or clicked window holds the focus itself: no day is meant until a list gets it.
    setFocusPolicy(Qt::StrongFocus);
    for (int i = 0; i < kWeekDays; i++) {
        auto *pane = new QWidget(this);
        pane->setObjectName(QStringLiteral("day%1").arg(i));
        auto *heading = new QLabel(pane);
        heading->setObjectName(QStringLiteral("heading%1").arg(i));
        auto *list = new TMyListBox(pane);
        list->setObjectName(QStringLiteral("lines%1").arg(i));
        connect(list, &tLineList::lineActivated, this,
                [this](const tViewLine &line) { runLineAction(this, openLineAction(&line)); });
        panes_[std::size_t(i)] = pane;
        headings_[std::size_t(i)] = heading;
        lists_[std::size_t(i)] = list;
    }
    week_ = weekContent(weekStart(date), holidays_);
    showHeadings();
    showLines();
}

int tWeekWin::focusedDay() const
{
    for (int i = 0; i < kWeekDays; i++)
        if (lists_[std::size_t(i)]->focused()) return i;
    return -1;
}

void tWeekWin::showHeadings()
{
    for (int i = 0; i < kWeekDays; i++) {
        const tWeekDay &day = week_.days[std::size_t(i)];
        headings_[std::size_t(i)]->setText(fromCp1252(day.heading));
        headings_[std::size_t(i)]->setToolTip(fromCp1252(dayTip(day.date, holidays_)));
    }
    markToday();
}

bool tWeekWin::printDoc(tPrintDoc &doc) const
{
    const QColor c = palette().color(QPalette::Highlight);
    doc = weekPrintDoc(week_, doc.heading, {tDate::today(), {c.red(), c.green(), c.blue()}});
    return true;
}

// Today's heading in the highlight colours; the others as the window has them.
void tWeekWin::markToday()
{
    const int today = todayPane(week_.start, tDate::today());
    for (int i = 0; i < kWeekDays; i++) {
        QLabel *heading = headings_[std::size_t(i)];
        heading->setAutoFillBackground(i == today);
        QPalette colours;
        if (i == today) {
            colours = heading->palette();
            for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
                colours.setColor(group, QPalette::Window,
                                 colours.color(group, QPalette::Highlight));
                colours.setColor(group, QPalette::WindowText,
                                 colours.color(group, QPalette::HighlightedText));
            }
        }
        heading->setPalette(colours);
    }
}

void tWeekWin::showLines()
{
    for (int i = 0; i < kWeekDays; i++)
        lists_[std::size_t(i)]->setLines(week_.days[std::size_t(i)].lines);
}

void tWeekWin::move(int weeks) { showWeek(weekMoved(week_.start, weeks)); }

void tWeekWin::showWeek(const tDate &start)
{
    week_ = weekContent(start, holidays_);
    showHeadings();
    showLines();
    setWindowTitle(QString::fromLatin1(weekCaption(week_.start)));
}

QString tWeekWin::deskState() const { return QString::fromLatin1(deskDate(week_.start)); }

void tWeekWin::restoreDeskState(const QString &state)
{
    tDate date;
    if (readDeskDate(state.toStdString(), date)) showWeek(weekOf(date));
}

void tWeekWin::dataChanged(tNotices)
{
    refillWeekLines(week_);
    showLines();
}

bool tWeekWin::handlesCommand(int id) const
{
    switch (id) {
    case CmNew:
    case CmEdit:
    case CmDelete:
    case CmBack:
    case CmForward:
    case CmToday:
        return true;
    default:
        return false;
    }
}

void tWeekWin::command(int id)
{
    switch (id) {
    case CmNew:
        runLineAction(this, weekNewAction(week_.start, focusedDay(), tDate::today()));
        break;
    case CmEdit:
        openSelected();
        break;
    case CmDelete:
        deleteSelected();
        break;
    case CmBack:
        move(-1);
        break;
    case CmForward:
        move(1);
        break;
    case CmToday:
        showWeek(weekOf(tDate::today()));
        break;
    }
}

void tWeekWin::openSelected()
{
    int day = focusedDay();
    if (day >= 0) runLineAction(this, openLineAction(lists_[std::size_t(day)]->selectedLine()));
}

void tWeekWin::deleteSelected()
{
    int day = focusedDay();
    if (day >= 0) runLineAction(this, deleteLineAction(lists_[std::size_t(day)]->selectedLine()));
}

QString tWeekWin::helpKeyword() const { return QString::fromUtf8(help::WeekCalendar); }

QSize tWeekWin::sizeHint() const { return QSize(640, 480); }

void tWeekWin::resizeEvent(QResizeEvent *event)
{
    tView::resizeEvent(event);
    layOut();
}

// Two columns of width W/2: Monday to Thursday on the left, Friday to Sunday on the right, each
// pane H/4 high at (index modulo 4) quarters; the heading one text line, the list the rest.
void tWeekWin::layOut()
{
    const int w = width() / 2, h = height() / 4;
    for (int i = 0; i < kWeekDays; i++) {
        QWidget *pane = panes_[std::size_t(i)];
        pane->setGeometry((i / 4) * w, (i % 4) * h, w, h);
        QLabel *heading = headings_[std::size_t(i)];
        int line = heading->fontMetrics().height();
        heading->setGeometry(0, 0, w, line);
        lists_[std::size_t(i)]->setGeometry(0, line, w, h - line);
    }
}

} // namespace velk
