#include "widgets/calendar/month_planner_win.h"

#include <QMouseEvent>
#include <QPainter>

#include "shell/core/help_keywords.h"
#include "shell/ui/cp1252.h"
#include "views/view_zoom.h"
#include "widgets/calendar/shape_painter.h"

namespace velk {

tCalPlanerWin::tCalPlanerWin(const tDate &day, QWidget *parent)
    : tPlanView(parent), month_(planerMonth(day))
{
    makeBand(this);
    makeMenu(QStringLiteral("plannerMenu"));
    setObjectName(QStringLiteral("monthPlanner"));
    setWindowTitle(fromCp1252(planerOpenCaption(month_)));
    setAttribute(Qt::WA_OpaquePaintEvent);
    startZoom(QStringLiteral("ZoomMonatsplan"));
    measure();
    refill();
}

void tCalPlanerWin::measure() { measureOn(this); }

void tCalPlanerWin::refill()
{
    shapes_ = planerShapes(month_, metrics_, holidays_, todayMark());
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

QSize tCalPlanerWin::sizeHint() const
{
    tPoint extent = planerExtent(metrics_);
    return QSize(extent.x, extent.y);
}

QString tCalPlanerWin::deskState() const
{
    return QString::fromStdString(planerDeskLine(month_, zoom()));
}

void tCalPlanerWin::restoreDeskState(const QString &line)
{
    tDate month;
    int zoom = 0;
    if (!readPlanerDeskLine(line.toStdString(), month, zoom)) return;
    month_ = month;
    setWindowTitle(fromCp1252(planerCaption(month_)));
    applyZoom(zoom);
    refill();
}

void tCalPlanerWin::goToday()
{
    month_ = planerMonth(today());
    setWindowTitle(fromCp1252(planerCaption(month_)));
    refill();
}

int tCalPlanerWin::fittingZoom() const
{
    return fitZoom(ownMetrics(), width(), height(), planerExtent);
}

void tCalPlanerWin::wheelEvent(QWheelEvent *e)
{
    if (!wheelZoom(e)) tPlanView::wheelEvent(e);
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
