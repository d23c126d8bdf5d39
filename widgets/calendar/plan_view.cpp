#include "widgets/calendar/plan_view.h"

#include <QMenu>
#include <QMouseEvent>
#include <QRubberBand>

#include "shell/core/commands.h"
#include "widgets/calendar/dia_list.h"
#include "widgets/calendar/shape_painter.h"

namespace velk {

bool tPlanView::handlesCommand(int id) const { return id == CmBack || id == CmForward; }

void tPlanView::command(int id)
{
    if (!handlesCommand(id)) return;
    step(id == CmBack ? -1 : 1);
}

void tPlanView::dataChanged(tNotices) { refill(); }

void tPlanView::makeBand(QWidget *host)
{
    band_ = new QRubberBand(QRubberBand::Rectangle, host);
    band_->setObjectName(QStringLiteral("rubberBand"));
}

void tPlanView::makeMenu(const QString &name)
{
    menu_ = new QMenu(this);
    menu_->setObjectName(name);
    addPlanMenuActions(menu_, [this](int mode) { carryOut(menuAction(rightClick_, mode)); });
}

void tPlanView::popUpMenu(const QMouseEvent *e)
{
    rightClick_ = pointOf(e);
    menu_->popup(e->globalPosition().toPoint());
}

void tPlanView::startDrag(tPoint p)
{
    down_ = p;
    band_->hide();
    dragging_ = true;
}

bool tPlanView::dragTo(tPoint p)
{
    if (!dragging_) return false;
    band_->setGeometry(QRect(QPoint(down_.x, down_.y), QPoint(p.x, p.y)).normalized());
    band_->show();
    return true;
}

bool tPlanView::endDrag()
{
    if (!dragging_) return false;
    dragging_ = false;
    band_->hide();
    return true;
}

void tPlanView::carryOut(const tViewAction &action)
{
    if (action.kind == tViewAction::Nothing) return;
    if (!runViewAction(this, action)) return;
    if (action.notice != 0) sendNotice(this, tNotices::fromInt(action.notice));
    if (action.redraw) refill();
}

} // namespace velk
