#include "shell/ui/desk.h"

#include <QMdiSubWindow>
#include <QPointer>
#include <QSettings>

#include "shell/ui/main_frame.h"
#include "shell/ui/mdi_client.h"
#include "shell/ui/screen_fit_ui.h"

namespace velk {

static tRect toRect(const QRect &r) { return {r.x(), r.y(), r.width(), r.height()}; }
static QRect toQRect(const tRect &r) { return {r.x, r.y, r.width, r.height}; }

static QString deskGroup(const QString &user) { return QStringLiteral("Arbeitsplatz-") + user; }

tDesk captureDesk(tMainFrame &frame)
{
    tDesk desk;
    desk.hasFrame = true;
    // Where the window manager's frame begins, and the size inside it: what move() and resize()
    // take back (a window placed by its inside would have its title bar above the screen).
    const bool normal = !frame.isMaximized() && !frame.isMinimized();
    const QRect inside = normal ? frame.geometry() : frame.normalGeometry();
    const QPoint corner = normal ? frame.pos() : inside.topLeft();
    desk.frame = {corner.x(), corner.y(), inside.width(), inside.height()};
    desk.frameMaximized = frame.isMaximized();
    TMyMDIClient *client = frame.client();
    // The current one: the active sub-window also while another program has the focus.
    const QMdiSubWindow *current = client->currentSubWindow();
    for (tView *view : client->views()) {
        auto *sub = qobject_cast<QMdiSubWindow *>(view->parentWidget());
        const int type = client->viewType(view);
        if (!sub || type == ViewNone) continue;
        tDeskView v;
        v.type = type;
        v.state = sub->isMinimized()   ? tWindowState::Minimized
                  : sub->isMaximized() ? tWindowState::Maximized
                                       : tWindowState::Normal;
        // Where a minimised or maximised view goes back to; the client keeps it to itself.
        if (v.state != tWindowState::Normal) sub->showNormal();
        v.geometry = toRect(sub->geometry());
        v.content = view->deskState().toStdString();
        v.active = sub == current;
        desk.views.push_back(v);
    }
    return desk;
}

static void placeView(TMyMDIClient &client, tView *view, const tDeskView &v)
{
    QPointer<QMdiSubWindow> sub = qobject_cast<QMdiSubWindow *>(view->parentWidget());
    if (!sub) return;
    if (sub->isMinimized() || sub->isMaximized()) sub->showNormal();
    sub->setGeometry(toQRect(v.geometry));
    client.whenShown([&client, sub, state = v.state] {
        if (!sub) return;
        fitSubWindow(sub, client.viewport()->rect());
        if (state == tWindowState::Minimized)
            sub->showMinimized();
        else if (state == tWindowState::Maximized)
            sub->showMaximized();
    });
}

void restoreDesk(tMainFrame &frame, const tDesk &given)
{
    tDesk desk = given;
    TMyMDIClient &client = *frame.client();
    dropUnknownViews(desk, [&client](int type) { return client.canCreate(type); });
    if (desk.hasFrame) {
        frame.resize(desk.frame.width, desk.frame.height);
        frame.move(desk.frame.x, desk.frame.y);
        fitToScreen(&frame);
        if (desk.frameMaximized) frame.setWindowState(frame.windowState() | Qt::WindowMaximized);
    }
    QPointer<QMdiSubWindow> active;
    const int before = client.nextViewType();
    for (const tDeskView &v : desk.views) {
        client.setNextViewType(v.type);
        tView *view = client.createView();
        if (!view) continue;
        view->restoreDeskState(QString::fromStdString(v.content));
        placeView(client, view, v);
        if (v.active) active = qobject_cast<QMdiSubWindow *>(view->parentWidget());
    }
    client.setNextViewType(before);
    client.whenShown([&client, &frame, active] {
        if (active) client.setActiveSubWindow(active);
        frame.updateMenus();
    });
}

bool writeDesk(const QString &iniPath, const QString &user, const tDesk &desk)
{
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.remove(deskGroup(user));
    ini.beginGroup(deskGroup(user));
    for (const auto &[key, value] : deskToSettings(desk))
        ini.setValue(QString::fromStdString(key), QString::fromStdString(value));
    ini.endGroup();
    ini.sync();
    return ini.status() == QSettings::NoError;
}

tDesk readDesk(const QString &iniPath, const QString &user)
{
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.beginGroup(deskGroup(user));
    tSettingsLines lines;
    for (const QString &key : ini.childKeys()) {
        QVariant value = ini.value(key);
        // A hand-written value with a comma reads back as a list: it is still one line.
        const QString text = value.typeId() == QMetaType::QStringList
                                 ? value.toStringList().join(QLatin1Char(','))
                                 : value.toString();
        lines.emplace_back(key.toStdString(), text.toStdString());
    }
    return deskFromSettings(lines);
}

} // namespace velk
