#include "shell/ui/mdi_client.h"

#include <QApplication>
#include <QMdiSubWindow>
#include <QTimerEvent>

#include "shell/core/window_layout.h"
#include "shell/ui/screen_fit_ui.h"

namespace velk {

TMyMDIClient::TMyMDIClient(QWidget *parent) : QMdiArea(parent)
{
    setObjectName(QStringLiteral("mdiClient"));
    startAlarmTimer();
}

void TMyMDIClient::registerView(int type, tViewFactory factory)
{
    factories_[type] = std::move(factory);
}

tView *TMyMDIClient::createView()
{
    tViewArgs args;
    args.today = tDate::today();
    args.year = args.today.year;
    return createView(nextType_, args);
}

tView *TMyMDIClient::createView(int type, const tViewArgs &args)
{
    auto it = factories_.find(type);
    if (it == factories_.end()) return nullptr;
    tView *view = it->second(args);
    return view ? addView(view, type) : nullptr;
}

// The sub-window's property "viewType" keeps the type, for the desk saved at "Beenden".
tView *TMyMDIClient::addView(tView *view, int type)
{
    // A view of which one window at most exists: its factory answers the open one.
    if (auto *open = qobject_cast<QMdiSubWindow *>(view->parentWidget());
        open && subWindowList().contains(open)) {
        if (open->isMinimized()) open->showNormal();
        setActiveSubWindow(open);
        return view;
    }
    QMdiSubWindow *sub = addSubWindow(view);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setProperty("viewType", type);
    view->show();
    sub->show();
    if (isVisible()) fitSubWindow(sub, viewport()->rect());
    return view;
}

int TMyMDIClient::viewType(const tView *view) const
{
    auto *sub = qobject_cast<QMdiSubWindow *>(view->parentWidget());
    if (!sub || !subWindowList().contains(sub)) return ViewNone;
    bool ok = false;
    const int type = sub->property("viewType").toInt(&ok);
    return ok ? type : ViewNone;
}

void TMyMDIClient::fitSubWindows()
{
    for (QMdiSubWindow *sub : subWindowList()) fitSubWindow(sub, viewport()->rect());
}

void TMyMDIClient::whenShown(std::function<void()> step)
{
    if (isVisible())
        step();
    else
        whenShown_.push_back(std::move(step));
}

void TMyMDIClient::showEvent(QShowEvent *event)
{
    QMdiArea::showEvent(event);
    fitSubWindows();
    const std::vector<std::function<void()>> steps = std::move(whenShown_);
    whenShown_.clear();
    for (const auto &step : steps) step();
}

QList<tView *> TMyMDIClient::views() const
{
    QList<tView *> list;
    for (QMdiSubWindow *sub : subWindowList(QMdiArea::CreationOrder))
        if (auto *view = qobject_cast<tView *>(sub->widget())) list.append(view);
    return list;
}

tView *TMyMDIClient::activeView() const
{
    QMdiSubWindow *sub = activeSubWindow();
    return sub ? qobject_cast<tView *>(sub->widget()) : nullptr;
}

void TMyMDIClient::sendDataChanged(tNotices mask, const QWidget *except)
{
    // A view may close itself while it refills; QPointer-free: take the list first and check
    // membership before each delivery.
    const QList<tView *> list = views();
    for (tView *view : list) {
        if (view == except || !views().contains(view)) continue;
        tDataChangedEvent notice(mask);
        QCoreApplication::sendEvent(view, &notice);
    }
}

static QList<QMdiSubWindow *> shownSubWindows(const QMdiArea &area, bool minimized)
{
    QList<QMdiSubWindow *> list;
    for (QMdiSubWindow *sub : area.subWindowList(QMdiArea::CreationOrder))
        if (sub->isVisible() && sub->isMinimized() == minimized) list.append(sub);
    return list;
}

template <typename Layout>
static void placeAll(QMdiArea &area, Layout layout)
{
    const QList<QMdiSubWindow *> subs = shownSubWindows(area, false);
    QSize size = area.viewport()->size();
    std::vector<tRect> rects = layout(size.width(), size.height(), int(subs.size()));
    for (int i = 0; i < subs.size(); ++i) {
        if (subs[i]->isMaximized()) subs[i]->showNormal();
        subs[i]->setGeometry(rects[i].x, rects[i].y, rects[i].width, rects[i].height);
    }
}

void TMyMDIClient::tileSideBySide() { placeAll(*this, sideBySideLayout); }
void TMyMDIClient::tileStacked() { placeAll(*this, stackedLayout); }

void TMyMDIClient::arrangeIcons()
{
    const QList<QMdiSubWindow *> icons = shownSubWindows(*this, true);
    if (icons.isEmpty()) return;
    QSize icon = icons.first()->size();
    QSize area = viewport()->size();
    std::vector<tRect> rects =
        iconLayout(area.width(), area.height(), int(icons.size()), icon.width(), icon.height());
    for (int i = 0; i < icons.size(); ++i) icons[i]->move(rects[i].x, rects[i].y);
}

void TMyMDIClient::startAlarmTimer() { timerId_ = startTimer(periodMs_); }

void TMyMDIClient::setAlarmPeriod(int ms)
{
    if (ms <= 0) return;
    periodMs_ = ms;
    if (timerId_ != 0) {
        stopAlarmTimer();
        startAlarmTimer();
    }
}

void TMyMDIClient::stopAlarmTimer()
{
    if (timerId_ != 0) killTimer(timerId_);
    timerId_ = 0;
}

void TMyMDIClient::alarmTick()
{
    stopAlarmTimer();
    if (dueCheck_) dueCheck_(window());
    startAlarmTimer();
}

void TMyMDIClient::setChangeCheck(tChangeCheck check)
{
    changeCheck_ = std::move(check);
    restartFollowTimer();
}

void TMyMDIClient::setFollowPeriod(int ms)
{
    followMs_ = ms > 0 ? ms : 0;
    restartFollowTimer();
}

void TMyMDIClient::restartFollowTimer()
{
    if (followId_ != 0) killTimer(followId_);
    followId_ = changeCheck_ && followMs_ > 0 ? startTimer(followMs_) : 0;
}

void TMyMDIClient::followTick()
{
    if (!changeCheck_ || QApplication::activeModalWidget()) return;
    if (followId_ != 0) killTimer(followId_);
    followId_ = 0;
    int bits = changeCheck_();
    if (bits) sendDataChanged(tNotices::fromInt(bits), nullptr);
    restartFollowTimer();
}

void TMyMDIClient::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == followId_ && followId_ != 0) {
        followTick();
        return;
    }
    if (event->timerId() == timerId_ && timerId_ != 0) {
        alarmTick();
        return;
    }
    QMdiArea::timerEvent(event);
}

} // namespace velk
