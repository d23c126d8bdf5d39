#include "shell/ui/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMdiSubWindow>
#include <QStatusBar>
#include <QToolBar>

#include "shell/core/commands.h"
#include "shell/ui/help_viewer.h"
#include "shell/ui/key_modes.h"
#include "shell/ui/mdi_client.h"
#include "shell/ui/screen_fit_ui.h"
#include "shell/ui/shell_host.h"

namespace velk {

static bool isWindowCommand(int id)
{
    return id == CmArrangeIcons || id == CmCascade || id == CmTileSideBySide ||
           id == CmTileStacked || id == CmCloseAll;
}

static bool isAlwaysOn(int id)
{
    return id == CmExit || id == CmHelpContents || id == CmHelpIndex || id == CmHelpSearch ||
           id == CmHelpInfo;
}

tMainFrame::tMainFrame(TMyMDIClient *client, QWidget *parent) : QMainWindow(parent), client_(client)
{
    initResources();
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(appName());
    setCentralWidget(client_);
    createActions();
    createToolBar();
    createStatusBar();
    createHelpKey();
    connect(client_, &QMdiArea::subWindowActivated, this, &tMainFrame::updateMenus);
    resize(900, 640);
    keepOnScreen(this); // at a large scale 900x640 is more than the screen
    updateMenus();
}

tMainFrame::~tMainFrame()
{
    // The client dies after this frame; its last activation signal must not reach us.
    disconnect(client_, nullptr, this, nullptr);
}

QAction *tMainFrame::action(int id) const
{
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void tMainFrame::createActions()
{
    for (const tMenuDef &menuDef : mainMenu()) {
        QMenu *menu = menuBar()->addMenu(QString::fromUtf8(menuDef.title));
        for (const tMenuEntry &entry : menuDef.entries) {
            auto *act = new QAction(QString::fromUtf8(entry.text), this);
            act->setObjectName(QStringLiteral("cmd%1").arg(entry.id));
            act->setProperty("commandId", entry.id);
            if (entry.shortcut) setShortcuts(act, entry);
            const int id = entry.id;
            connect(act, &QAction::triggered, this, [this, id] { execute(id); });
            menu->addAction(act);
            actions_[id] = act;
        }
    }
}

// The portable key of the entry; zoom in also answers Ctrl+= (the key under "+" elsewhere).
void tMainFrame::setShortcuts(QAction *act, const tMenuEntry &entry)
{
    QList<QKeySequence> keys{QKeySequence(QString::fromLatin1(entry.shortcut))};
    if (entry.id == CmZoomIn) keys.append(QKeySequence(QStringLiteral("Ctrl+=")));
    act->setShortcuts(keys);
    act->setShortcutContext(Qt::WindowShortcut);
}

void tMainFrame::createToolBar()
{
    toolBar_ = addToolBar(QStringLiteral("Werkzeuge"));
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    toolBar_->setMovable(false);
    toolBar_->setIconSize(QSize(19, 17));
    QFont gadgetFont = toolBar_->font();
    gadgetFont.setPointSize(10);
    toolBar_->setFont(gadgetFont);
    const struct {
        int id;
        const char *bitmap;
        const char *tip;
    } buttons[] = {{CmBack, ":/bitmaps/1001.xpm", "Zurück"},
                   {CmForward, ":/bitmaps/1002.xpm", "Vor"}};
    for (const auto &b : buttons) {
        auto *act = new QAction(QIcon(QLatin1String(b.bitmap)), QString::fromUtf8(b.tip), this);
        act->setObjectName(QStringLiteral("cmd%1").arg(b.id));
        act->setProperty("commandId", b.id);
        const int id = b.id;
        connect(act, &QAction::triggered, this, [this, id] { execute(id); });
        toolBar_->addAction(act);
        actions_[b.id] = act;
    }
    QWidget *gap = new QWidget(toolBar_);
    gap->setObjectName(QStringLiteral("toolBarSeparator"));
    gap->setFixedWidth(6);
    toolBar_->addWidget(gap);
    // "Heute" after the gap, shares the menu's action (its key and its enabling).
    if (QAction *today = action(CmToday)) {
        today->setToolTip(QStringLiteral("Heute (Alt+Pos1)"));
        toolBar_->addAction(today);
    }
}

void tMainFrame::createStatusBar()
{
    keyModes_ = new tKeyModeIndicators(this);
    statusBar()->setObjectName(QStringLiteral("statusBar"));
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("statusText"));
    statusBar()->addWidget(status_, 1);
    user_ = new QLabel(this);
    user_->setObjectName(QStringLiteral("currentUser"));
    statusBar()->addPermanentWidget(user_);
    statusBar()->addPermanentWidget(keyModes_);
}

void tMainFrame::showUser(const QString &name)
{
    userName_ = name;
    user_->setText(name.isEmpty() ? QString() : QStringLiteral("Benutzer: %1").arg(name));
}

void tMainFrame::showStatus(const QString &text) { status_->setText(text); }

QString tMainFrame::statusText() const { return status_->text(); }

void tMainFrame::createHelpKey()
{
    connect(addWindowKey(this, "helpKey", Qt::Key_F1), &QAction::triggered, this,
            &tMainFrame::helpKey);
}

// F1: the active view's keyword while the focus is inside it, else the contents.
void tMainFrame::helpKey()
{
    tView *view = client_->activeView();
    QWidget *focus = QApplication::focusWidget();
    if (view && focus && (focus == view || view->isAncestorOf(focus)) &&
        !view->helpKeyword().isEmpty())
        shellHost().helpKeyword(view->helpKeyword());
    else
        shellHost().helpContents();
}

void tMainFrame::registerCommand(int id, std::function<void()> handler)
{
    handlers_[id] = std::move(handler);
    updateMenus();
}

void tMainFrame::enableWhen(int id, std::function<bool()> on)
{
    enabledWhen_[id] = std::move(on);
    updateMenus();
}

void tMainFrame::registerViewCommand(int id, int type)
{
    viewTypes_[id] = type;
    registerCommand(id, [this, type] {
        client_->setNextViewType(type);
        client_->createView();
    });
}

void tMainFrame::registerDialogCommand(int id, std::function<bool(QWidget *)> run, tNotices mask)
{
    registerCommand(id, [this, run = std::move(run), mask] {
        if (run(this)) sendNotice(client_, mask);
    });
}

void tMainFrame::execute(int id)
{
    QAction *act = action(id);
    if (!act || !act->isEnabled()) return;
    if (isViewCommand(id)) {
        if (tView *view = client_->activeView(); view && view->handlesCommand(id))
            view->command(id);
    } else if (!runBuiltIn(id)) {
        auto it = handlers_.find(id);
        if (it != handlers_.end()) it->second();
    }
    updateMenus();
}

bool tMainFrame::runBuiltIn(int id)
{
    switch (id) {
    case CmExit:
        emit exitRequested();
        return true;
    case CmArrangeIcons:
        client_->arrangeIcons();
        return true;
    case CmCascade:
        client_->cascadeSubWindows();
        return true;
    case CmTileSideBySide:
        client_->tileSideBySide();
        return true;
    case CmTileStacked:
        client_->tileStacked();
        return true;
    case CmCloseAll:
        client_->closeAllSubWindows();
        return true;
    case CmPrint:
    case CmPrintPreview:
    case CmPrintPdf:
        printActive(id);
        return true;
    case CmHelpContents:
        shellHost().helpContents();
        return true;
    case CmHelpIndex:
        shellHost().helpKeyword(QString());
        return true;
    case CmHelpSearch:
        shellHost().helpContext(0);
        return true;
    case CmHelpInfo:
        shellHost().helpKeyword(QStringLiteral("Copyright"));
        return true;
    default:
        return false;
    }
}

void tMainFrame::closeEvent(QCloseEvent *event)
{
    emit closing();
    QMainWindow::closeEvent(event);
}

void tMainFrame::updateMenus()
{
    tView *view = client_->activeView();
    const bool anyView = !client_->subWindowList().isEmpty();
    for (auto &[id, act] : actions_) {
        bool on;
        if (isViewCommand(id))
            on = view && view->handlesCommand(id);
        else if (isPrintCommand(id))
            on = view && view->canPrint();
        else if (isWindowCommand(id))
            on = anyView;
        else if (auto type = viewTypes_.find(id); type != viewTypes_.end())
            on = client_->canCreate(type->second);
        else
            on = isAlwaysOn(id) || handlers_.count(id) != 0;
        if (auto when = enabledWhen_.find(id); on && when != enabledWhen_.end())
            on = when->second();
        act->setEnabled(on);
    }
}

} // namespace velk
