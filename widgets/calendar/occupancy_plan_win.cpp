#include "widgets/calendar/occupancy_plan_win.h"

#include <QAbstractScrollArea>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRubberBand>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>

#include "views/print_pages.h"
#include "shell/core/help_keywords.h"
#include "shell/ui/cp1252.h"
#include "shell/ui/shell_host.h"
#include "views/view_tips.h"
#include "views/view_zoom.h"
#include "print/shape_painter.h"
#include "widgets/calendar/view_tip.h"

namespace velk {

tJahrPlanWin::tJahrPlanWin(int year, QWidget *parent)
    : tPlanView(parent), area_(new QAbstractScrollArea(this))
{
    data_.year = year;
    setObjectName(QStringLiteral("occupancyPlan"));
    setWindowTitle(fromCp1252(jahrPlanCaption(year)));
    area_->setObjectName(QStringLiteral("planArea"));
    area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    area_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    area_->viewport()->setObjectName(QStringLiteral("planCanvas"));
    area_->viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    area_->viewport()->installEventFilter(this);
    makeBand(area_->viewport());
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(area_);
    makeMenu(QStringLiteral("planMenu"));
    for (QScrollBar *bar : {area_->horizontalScrollBar(), area_->verticalScrollBar()}) {
        bar->setSingleStep(1);
        connect(bar, &QScrollBar::valueChanged, this, [this] {
            rubberBand()->hide();
            area_->viewport()->update();
        });
    }
    startZoom(QStringLiteral("ZoomBelegung"));
    measure();
    refill();
}

QWidget *tJahrPlanWin::canvas() const { return area_->viewport(); }

void tJahrPlanWin::measure() { measureOn(area_->viewport()); }

tPlanScroll tJahrPlanWin::scroll() const
{
    return {area_->horizontalScrollBar()->value(), area_->verticalScrollBar()->value()};
}

void tJahrPlanWin::setScroll(tPlanScroll position)
{
    area_->horizontalScrollBar()->setValue(position.x);
    area_->verticalScrollBar()->setValue(position.y);
}

void tJahrPlanWin::refill()
{
    int year = data_.year;
    data_ = jahrPlanData(year);
    shapes_ = jahrPlanShapes(data_, metrics_, holidays_, todayMark());
    // The ranges follow the resources as they are now, so that December stays in reach.
    scrollRanges();
    area_->viewport()->update();
}

QSize tJahrPlanWin::sizeHint() const
{
    return QSize(70 * metrics_.U, 3 * (int(data_.resources.size()) + 3) * metrics_.H);
}

QString tJahrPlanWin::helpKeyword() const { return QString::fromUtf8(help::Occupancy); }

bool tJahrPlanWin::printDoc(tPrintDoc &doc) const
{
    tHolidayCache holidays;
    doc = jahrPlanPrintDoc(data_, printFirst_, printLast_ - printFirst_ + 1, doc.heading, holidays,
                           todayMark());
    return true;
}

// "Von Monat" and "bis Monat"; the last month follows the first where it would lie before it.
bool tJahrPlanWin::preparePrint()
{
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("printMonths"));
    dialog.setWindowTitle(QStringLiteral("Belegung drucken"));
    auto *form = new QFormLayout(&dialog);
    auto *first = new QSpinBox(&dialog);
    auto *last = new QSpinBox(&dialog);
    first->setObjectName(QStringLiteral("firstMonth"));
    last->setObjectName(QStringLiteral("lastMonth"));
    for (QSpinBox *box : {first, last}) box->setRange(1, 12);
    first->setValue(printFirst_);
    last->setValue(printLast_);
    form->addRow(QStringLiteral("&Von Monat:"), first);
    form->addRow(QStringLiteral("&bis Monat:"), last);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (shellHost().runDialog(dialog) != QDialog::Accepted) return false;
    printFirst_ = first->value();
    printLast_ = std::max(first->value(), last->value());
    return true;
}

QString tJahrPlanWin::deskState() const
{
    return QString::fromStdString(jahrPlanDeskLine(data_.year, zoom()));
}

void tJahrPlanWin::restoreDeskState(const QString &line)
{
    int year = 0, zoom = 0;
    if (!readJahrPlanDeskLine(line.toStdString(), year, zoom)) return;
    data_.year = year;
    setWindowTitle(fromCp1252(jahrPlanCaption(year)));
    applyZoom(zoom);
    refill();
}

// Today's year, scrolled down to today's month.
void tJahrPlanWin::goToday()
{
    const tDate day = today();
    data_.year = day.year;
    setWindowTitle(fromCp1252(jahrPlanCaption(data_.year)));
    refill();
    setScroll({scroll().x, jahrPlanMonthRow(day.month, int(data_.resources.size()))});
}

int tJahrPlanWin::fittingZoom() const
{
    return fitZoom(ownMetrics(), area_->viewport()->width(), 0, jahrPlanExtent);
}

void tJahrPlanWin::zoomChanged()
{
    rubberBand()->hide();
    pageSteps();
    tPlanView::zoomChanged();
}

void tJahrPlanWin::scrollRanges()
{
    tPlanScroll range =
        jahrPlanScrollRange(int(data_.resources.size()), metrics_, area_->viewport()->width());
    area_->horizontalScrollBar()->setRange(0, range.x);
    area_->verticalScrollBar()->setRange(0, range.y);
}

// A page is what the window shows, in cells; the zoom and the width decide how far across.
void tJahrPlanWin::pageSteps()
{
    scrollRanges();
    QSize size = area_->viewport()->size();
    area_->horizontalScrollBar()->setPageStep(std::max(1, size.width() / metrics_.U));
    area_->verticalScrollBar()->setPageStep(std::max(1, size.height() / metrics_.H));
}

void tJahrPlanWin::step(int steps)
{
    data_.year += steps;
    setWindowTitle(fromCp1252(jahrPlanCaption(data_.year)));
    refill();
}

// Only what lies in the part to be painted: a year of many resources is tall.
void tJahrPlanWin::paintCanvas(const QRect &exposed)
{
    QPainter painter(area_->viewport());
    painter.fillRect(exposed, Qt::white);
    tPoint o = jahrPlanOffset(metrics_, scroll());
    const QPoint offset(o.x, o.y);
    const QRect visible = exposed.translated(offset);
    paintShapes(painter, shapes_, offset, &visible);
}

bool tJahrPlanWin::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != area_->viewport()) return tView::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Paint:
        paintCanvas(static_cast<QPaintEvent *>(event)->rect());
        return true;
    case QEvent::Resize:
        pageSteps();
        return false;
    case QEvent::Wheel:
        return wheelZoom(static_cast<QWheelEvent *>(event));
    case QEvent::FontChange:
    case QEvent::ScreenChangeInternal:
        measure();
        refill();
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return mouse(event->type(), static_cast<QMouseEvent *>(event));
    case QEvent::ToolTip:
        return showTip(static_cast<QHelpEvent *>(event));
    default:
        return false;
    }
}

bool tJahrPlanWin::mouse(QEvent::Type type, QMouseEvent *e)
{
    const tPoint p = pointOf(e);
    if (type == QEvent::MouseButtonPress && e->button() == Qt::RightButton) {
        popUpMenu(e);
    } else if (type == QEvent::MouseButtonPress && e->button() == Qt::LeftButton) {
        // Nothing to book without resources.
        if (data_.resources.empty()) return true;
        startDrag(p);
        banded_ = false;
    } else if (type == QEvent::MouseMove && dragTo(p)) {
        banded_ = true;
    } else if (type == QEvent::MouseButtonRelease && e->button() == Qt::LeftButton && endDrag()) {
        if (banded_) carryOut(jahrPlanDragAction(data_, metrics_, scroll(), down_, p));
    } else if (type == QEvent::MouseButtonDblClick && e->button() == Qt::LeftButton) {
        forgetDrag();
        carryOut(jahrPlanDoubleClickAction(jahrPlanHit(data_, metrics_, p, scroll())));
    }
    return true;
}

bool tJahrPlanWin::showTip(QHelpEvent *e)
{
    const tPoint p{e->pos().x(), e->pos().y()};
    return showViewTip(area_->viewport(), e,
                       jahrPlanTip(data_, shapes_, metrics_, p, scroll(), holidays_));
}

tViewAction tJahrPlanWin::menuAction(tPoint rightClick, int mode) const
{
    return jahrPlanMenuAction(jahrPlanHit(data_, metrics_, rightClick, scroll()), mode);
}

} // namespace velk
