#include "widgets/calendar/plan_view.h"

#include <QMenu>
#include <QMouseEvent>
#include <QRubberBand>
#include <QSettings>
#include <QWheelEvent>

#include "shell/core/commands.h"
#include "views/view_zoom.h"
#include "widgets/calendar/dia_list.h"
#include "print/shape_painter.h"

namespace velk {

namespace {

QString &zoomIni()
{
    static QString path;
    return path;
}

QString settingsKey(const QString &key) { return QStringLiteral("V.E.L.K/") + key; }

} // namespace

void setPlanZoomIni(const QString &iniPath) { zoomIni() = iniPath; }

int rememberedZoom(const QString &key)
{
    if (zoomIni().isEmpty()) return kOwnZoom;
    QSettings ini(zoomIni(), QSettings::IniFormat);
    return zoomFromSetting(ini.value(settingsKey(key)).toString().toStdString());
}

void rememberZoom(const QString &key, int zoom)
{
    if (zoomIni().isEmpty() || key.isEmpty()) return;
    QSettings ini(zoomIni(), QSettings::IniFormat);
    ini.setValue(settingsKey(key), clampZoom(zoom));
}

tPlanView::tPlanView(QWidget *parent) : tView(parent) {}

tPlanView::~tPlanView() = default;

bool tPlanView::handlesCommand(int id) const
{
    switch (id) {
    case CmBack:
    case CmForward:
    case CmToday:
    case CmZoomIn:
    case CmZoomOut:
    case CmZoomReset:
    case CmZoomFit:
        return true;
    default:
        return false;
    }
}

void tPlanView::command(int id)
{
    switch (id) {
    case CmBack:
    case CmForward:
        step(id == CmBack ? -1 : 1);
        break;
    case CmToday:
        goToday();
        break;
    case CmZoomIn:
        setZoom(zoomedIn(zoom_));
        break;
    case CmZoomOut:
        setZoom(zoomedOut(zoom_));
        break;
    case CmZoomReset:
        setZoom(kOwnZoom);
        break;
    case CmZoomFit:
        setZoom(fittingZoom());
        break;
    default:
        break;
    }
}

void tPlanView::setZoom(int zoom)
{
    applyZoom(zoom);
    rememberZoom(zoomKey_, zoom_);
}

void tPlanView::applyZoom(int zoom)
{
    zoom = clampZoom(zoom);
    if (zoom == zoom_) return;
    zoom_ = zoom;
    metrics_ = zoomedMetrics(own_, zoom_);
    metrics_.text = textWidths_.get();
    zoomChanged();
}

void tPlanView::zoomChanged()
{
    updateGeometry();
    refill();
}

void tPlanView::startZoom(const QString &key)
{
    zoomKey_ = key;
    zoom_ = rememberedZoom(key);
}

void tPlanView::measureOn(QPaintDevice *device)
{
    own_ = planMetrics(device);
    textWidths_ = std::make_unique<tPlanTextWidths>(device);
    metrics_ = zoomedMetrics(own_, zoom_);
    metrics_.text = textWidths_.get();
}

bool tPlanView::wheelZoom(QWheelEvent *e)
{
    if (!(e->modifiers() & Qt::ControlModifier)) return false;
    // A notch is 120; a touchpad sends it in small parts, which add up to a step.
    wheelRest_ += e->angleDelta().y();
    int zoom = zoom_;
    for (; wheelRest_ >= 120; wheelRest_ -= 120) zoom = zoomedIn(zoom);
    for (; wheelRest_ <= -120; wheelRest_ += 120) zoom = zoomedOut(zoom);
    if (zoom != zoom_) setZoom(zoom);
    e->accept();
    return true;
}

tDate tPlanView::today() const { return today_.valid() ? today_ : tDate::today(); }

void tPlanView::setToday(const tDate &day)
{
    today_ = day;
    refill();
}

tTodayMark tPlanView::todayMark() const
{
    const QColor c = palette().color(QPalette::Highlight);
    return {today(), {c.red(), c.green(), c.blue()}};
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
