#include "widgets/calendar/month_planner_win.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>

#include "shell/core/help_keywords.h"
#include "shell/ui/cp1252.h"
#include "views/view_tips.h"
#include "widgets/calendar/shape_painter.h"
#include "widgets/calendar/view_tip.h"

namespace velk {

tCalPlanerWin::tCalPlanerWin(const tDate &day, QWidget *parent)
    : tPlanView(parent), month_(planerMonth(day))
{
    makeBand(this);
    makeMenu(QStringLiteral("plannerMenu"));
    setObjectName(QStringLiteral("monthPlanner"));
    setWindowTitle(fromCp1252(planerOpenCaption(month_)));
    setAttribute(Qt::WA_OpaquePaintEvent);
    measure();
    refill();
}

void tCalPlanerWin::measure() { metrics_ = planMetrics(this); }

void tCalPlanerWin::refill()
{
    shapes_ = planerShapes(month_, metrics_, holidays_);
    update();
}

// The font and the screen decide the grid; a new screen or font measures again.
void tCalPlanerWin::changeEvent(QEvent *event)
{
    tView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::ScreenChangeInternal) {
        measure();
        refill();
    }
}

bool tCalPlanerWin::event(QEvent *event)
{
    if (event->type() != QEvent::ToolTip) return tPlanView::event(event);
    auto *help = static_cast<QHelpEvent *>(event);
    const tPoint p{help->pos().x(), help->pos().y()};
    return showViewTip(this, help, planerTip(shapes_, metrics_, month_, p, holidays_));
}

QSize tCalPlanerWin::sizeHint() const
{
    // 31 columns and the triangles below the grid, with a cell to spare.
    return QSize((2 * 31 + 3) * metrics_.U + 2, 20 * metrics_.H);
}

QString tCalPlanerWin::helpKeyword() const { return QString::fromUtf8(help::MonthPlan); }

void tCalPlanerWin::step(int steps)
{
    month_ = planerMonthMoved(month_, steps);
    setWindowTitle(fromCp1252(planerCaption(month_)));
    refill();
}

void tCalPlanerWin::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    paintShapes(painter, shapes_);
}

void tCalPlanerWin::mousePressEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton)
        startDrag(pointOf(e));
    else if (e->button() == Qt::RightButton)
        popUpMenu(e);
}

void tCalPlanerWin::mouseMoveEvent(QMouseEvent *e) { dragTo(pointOf(e)); }

void tCalPlanerWin::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton || !endDrag()) return;
    carryOut(planerDragAction(metrics_, month_, down_, pointOf(e)));
}

void tCalPlanerWin::mouseDoubleClickEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton) return;
    // The press before the double click began no drag that the release could end.
    forgetDrag();
    carryOut(planerDoubleClickAction(planerHit(metrics_, month_, pointOf(e))));
}

tViewAction tCalPlanerWin::menuAction(tPoint rightClick, int mode) const
{
    return planerMenuAction(planerHit(metrics_, month_, rightClick), mode);
}

} // namespace velk
