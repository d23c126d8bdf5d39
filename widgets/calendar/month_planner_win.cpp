#include "widgets/calendar/month_planner_win.h"

#include <QHelpEvent>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include "views/print_pages.h"
#include "shell/core/help_keywords.h"
#include "shell/ui/cp1252.h"
#include "views/view_tips.h"
#include "views/view_zoom.h"
#include "print/shape_painter.h"
#include "widgets/calendar/view_tip.h"

namespace velk {

tCalPlanerWin::tCalPlanerWin(const tDate &day, QWidget *parent)
    : tPlanView(parent), month_(planerMonth(day))
{
    makeBand(this);
    makeMenu(QStringLiteral("plannerMenu"));
    // Shown only where the zoom makes the month larger than the window.
    for (QScrollBar **bar : {&acrossBar_, &downBar_}) {
        *bar = new QScrollBar(bar == &acrossBar_ ? Qt::Horizontal : Qt::Vertical, this);
        (*bar)->hide();
        connect(*bar, &QScrollBar::valueChanged, this, [this] {
            rubberBand()->hide();
            update();
        });
    }
    acrossBar_->setObjectName(QStringLiteral("plannerAcross"));
    downBar_->setObjectName(QStringLiteral("plannerDown"));
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
    placeBars();
    update();
}

void tCalPlanerWin::placeBars()
{
    const int thick = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const tScrollNeed need = scrollNeed(planerExtent(metrics_), width(), height(), thick);
    acrossBar_->setRange(0, need.rangeX);
    acrossBar_->setPageStep(std::max(1, need.width));
    acrossBar_->setSingleStep(std::max(1, metrics_.U));
    acrossBar_->setGeometry(0, need.height, need.width, thick);
    acrossBar_->setVisible(need.across);
    downBar_->setRange(0, need.rangeY);
    downBar_->setPageStep(std::max(1, need.height));
    downBar_->setSingleStep(std::max(1, metrics_.H));
    downBar_->setGeometry(need.width, 0, thick, need.height);
    downBar_->setVisible(need.down);
}

tPoint tCalPlanerWin::scrolled(tPoint p) const
{
    return {p.x + acrossBar_->value(), p.y + downBar_->value()};
}

void tCalPlanerWin::resizeEvent(QResizeEvent *event)
{
    tPlanView::resizeEvent(event);
    placeBars();
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
    const tPoint p = scrolled({help->pos().x(), help->pos().y()});
    return showViewTip(this, help, planerTip(shapes_, metrics_, month_, p, holidays_));
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

// Today's month, scrolled (where it scrolls) so that today's column stands in the middle.
void tCalPlanerWin::goToday()
{
    const tDate day = today();
    month_ = planerMonth(day);
    setWindowTitle(fromCp1252(planerCaption(month_)));
    refill();
    acrossBar_->setValue(planerColumnX(metrics_, day.day) + metrics_.U -
                         acrossBar_->pageStep() / 2);
}

int tCalPlanerWin::fittingZoom() const
{
    return fitZoom(ownMetrics(), width(), height(), planerExtent);
}

// Ctrl with the wheel zooms; the wheel alone scrolls where there is something to scroll.
void tCalPlanerWin::wheelEvent(QWheelEvent *e)
{
    if (wheelZoom(e)) return;
    QScrollBar *bar = e->modifiers() & Qt::ShiftModifier ? acrossBar_ : downBar_;
    if (bar->isVisible())
        QCoreApplication::sendEvent(bar, e);
    else
        tPlanView::wheelEvent(e);
}

QString tCalPlanerWin::helpKeyword() const { return QString::fromUtf8(help::MonthPlan); }

bool tCalPlanerWin::printDoc(tPrintDoc &doc) const
{
    tHolidayCache holidays; // the view's own is not to be moved to another year from here
    doc = planerPrintDoc(month_, doc.heading, holidays, todayMark());
    return true;
}

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
    paintShapes(painter, shapes_, QPoint(acrossBar_->value(), downBar_->value()));
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
    carryOut(planerDragAction(metrics_, month_, scrolled(down_), scrolled(pointOf(e))));
}

void tCalPlanerWin::mouseDoubleClickEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton) return;
    // The press before the double click began no drag that the release could end.
    forgetDrag();
    carryOut(planerDoubleClickAction(planerHit(metrics_, month_, scrolled(pointOf(e)))));
}

tViewAction tCalPlanerWin::menuAction(tPoint rightClick, int mode) const
{
    return planerMenuAction(planerHit(metrics_, month_, scrolled(rightClick)), mode);
}

} // namespace velk
