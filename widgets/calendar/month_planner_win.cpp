#include "widgets/calendar/month_planner_win.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>

#include "shell/core/commands.h"
#include "shell/core/help_keywords.h"
#include "shell/ui/cp1252.h"
#include "widgets/calendar/dia_list.h"
#include "widgets/calendar/shape_painter.h"

namespace velk {

tCalPlanerWin::tCalPlanerWin(const tDate &day, QWidget *parent)
    : tView(parent), month_(planerMonth(day)), band_(new QRubberBand(QRubberBand::Rectangle, this)),
      menu_(new QMenu(this))
{
    setObjectName(QStringLiteral("monthPlanner"));
    setWindowTitle(fromCp1252(planerOpenCaption(month_)));
    setAttribute(Qt::WA_OpaquePaintEvent);
    band_->setObjectName(QStringLiteral("rubberBand"));
    menu_->setObjectName(QStringLiteral("plannerMenu"));
    addPlanMenuActions(menu_, [this](int mode) { menuCommand(mode); });
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

QSize tCalPlanerWin::sizeHint() const
{
    // 31 columns and the triangles below the grid, with a cell to spare.
    return QSize((2 * 31 + 3) * metrics_.U + 2, 20 * metrics_.H);
}

QString tCalPlanerWin::helpKeyword() const { return QString::fromUtf8(help::MonthPlan); }

bool tCalPlanerWin::handlesCommand(int id) const { return id == CmBack || id == CmForward; }

void tCalPlanerWin::command(int id)
{
    if (!handlesCommand(id)) return;
    month_ = planerMonthMoved(month_, id == CmBack ? -1 : 1);
    setWindowTitle(fromCp1252(planerCaption(month_)));
    refill();
}

void tCalPlanerWin::dataChanged(tNotices) { refill(); }

void tCalPlanerWin::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    paintShapes(painter, shapes_);
}

void tCalPlanerWin::mousePressEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton) {
        down_ = pointOf(e);
        band_->hide();
        dragging_ = true;
    } else if (e->button() == Qt::RightButton) {
        rightClick_ = pointOf(e);
        menu_->popup(e->globalPosition().toPoint());
    }
}

void tCalPlanerWin::mouseMoveEvent(QMouseEvent *e)
{
    if (!dragging_) return;
    tPoint p = pointOf(e);
    band_->setGeometry(QRect(QPoint(down_.x, down_.y), QPoint(p.x, p.y)).normalized());
    band_->show();
}

void tCalPlanerWin::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton || !dragging_) return;
    dragging_ = false;
    band_->hide();
    carryOut(planerDragAction(metrics_, month_, down_, pointOf(e)));
}

void tCalPlanerWin::mouseDoubleClickEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton) return;
    // The press before the double click began no drag that the release could end.
    dragging_ = false;
    carryOut(planerDoubleClickAction(planerHit(metrics_, month_, pointOf(e))));
}

void tCalPlanerWin::menuCommand(int mode)
{
    carryOut(planerMenuAction(planerHit(metrics_, month_, rightClick_), mode));
}

void tCalPlanerWin::carryOut(const tViewAction &action)
{
    if (action.kind == tViewAction::Nothing) return;
    if (!runViewAction(this, action)) return;
    if (action.notice != 0) sendNotice(this, tNotices::fromInt(action.notice));
    if (action.redraw) refill();
}

} // namespace velk
