#include "shell/ui/help_viewer.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

#include "shell/core/help_keywords.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/my_app.h"
#include "shell/ui/screen_fit_ui.h"
#include "shell/ui/shell_host.h"

namespace velk {

QAction *addWindowKey(QWidget *owner, const char *name, Qt::Key key)
{
    auto *action = new QAction(owner);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(QKeySequence(key));
    action->setShortcutContext(Qt::WindowShortcut);
    owner->addAction(action);
    return action;
}

static const char *kHelpDocument = "qrc:/help/velk.html";

static bool isKeyword(const QString &keyword)
{
    for (const char *k : helpKeywords())
        if (keyword == QLatin1String(k)) return true;
    return false;
}

tHelpViewer::tHelpViewer(QWidget *parent) : QWidget(parent, Qt::Window)
{
    initResources();
    setObjectName(QStringLiteral("helpViewer"));
    setWindowTitle(appName() + QStringLiteral(" - Hilfe"));
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("helpBrowser"));
    browser_->setOpenLinks(true);
    search_ = new QLineEdit(this);
    search_->setObjectName(QStringLiteral("helpSearch"));
    search_->setPlaceholderText(QStringLiteral("Suchbegriff, dann Eingabetaste"));
    auto *label = new QLabel(QStringLiteral("&Suchen:"), this);
    label->setBuddy(search_);
    auto *bar = new QHBoxLayout;
    bar->setContentsMargins(6, 6, 6, 0);
    bar->addWidget(label);
    bar->addWidget(search_);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(bar);
    layout->addWidget(browser_);
    connect(search_, &QLineEdit::returnPressed, this, [this] { search(search_->text()); });
    connect(addWindowKey(this, "helpClose", Qt::Key_Escape), &QAction::triggered, this,
            &QWidget::close);

    QFile file(QStringLiteral(":/help/velk.html"));
    if (file.open(QIODevice::ReadOnly)) sections_ = helpSections(file.readAll().toStdString());
    resize(560, 480);
    keepOnScreen(this);
}

QString tHelpViewer::indexHtml()
{
    QString html = QStringLiteral("<html><body><h1>Index</h1><ul>");
    for (const char *k : helpKeywords()) {
        QString keyword = QLatin1String(k);
        html += QStringLiteral("<li><a href=\"%1#%2\">%2</a></li>")
                    .arg(QLatin1String(kHelpDocument), keyword);
    }
    return html + QStringLiteral("</ul></body></html>");
}

void tHelpViewer::showContents()
{
    browser_->setSource(QUrl(QLatin1String(kHelpDocument)));
    browser_->scrollToAnchor(QStringLiteral("Inhalt"));
    shown_.clear();
    present();
}

void tHelpViewer::showKeyword(const QString &keyword)
{
    if (!isKeyword(keyword)) {
        browser_->setHtml(indexHtml());
        shown_ = QStringLiteral("Index");
    } else {
        QUrl url{QLatin1String(kHelpDocument)};
        url.setFragment(keyword);
        browser_->setSource(url);
        shown_ = keyword;
    }
    present();
}

void tHelpViewer::showContext(int context)
{
    showContents();
    if (context == 0) {
        search_->setFocus();
        search_->selectAll();
    }
}

void tHelpViewer::search(const QString &query)
{
    const std::string words = query.toStdString();
    const std::vector<std::string> found = searchHelp(sections_, words);
    QString html = QStringLiteral("<html><body><h1>Suchen</h1>");
    const QString shownQuery = query.trimmed().toHtmlEscaped();
    if (found.empty()) {
        html += QStringLiteral("<p>Kein Abschnitt enthält &bdquo;%1&ldquo;.</p>").arg(shownQuery);
    } else {
        html += QStringLiteral("<p>Abschnitte mit &bdquo;%1&ldquo;:</p><ul>").arg(shownQuery);
        for (const std::string &anchor : found) {
            QString title = QString::fromStdString(anchor);
            for (const tHelpSection &s : sections_)
                if (s.anchor == anchor && !s.title.empty()) title = QString::fromStdString(s.title);
            html += QStringLiteral("<li><a href=\"%1#%2\">%3</a></li>")
                        .arg(QLatin1String(kHelpDocument), QString::fromStdString(anchor),
                             title.toHtmlEscaped());
        }
        html += QStringLiteral("</ul>");
    }
    browser_->setHtml(html + QStringLiteral("</body></html>"));
    shown_ = QStringLiteral("Suchen");
    present();
}

// Beside the main frame (of the running program) where the screen it is on has room; with
// the window manager's frame inside the free area.
void tHelpViewer::place()
{
    tMainFrame *f = mainFrame();
    const bool beside = f && f->isVisible();
    const QRect area = availableArea(beside ? static_cast<QWidget *>(f) : this);
    if (area.isEmpty()) return;
    tRect frame{area.x(), area.y(), 0, 0};
    if (beside) {
        const QRect g = f->frameGeometry();
        frame = {g.x(), g.y(), g.width(), g.height()};
    }
    const tMargins m = frameMargins(this);
    const tRect r = helpPlacement(frame, {area.x(), area.y(), area.width(), area.height()},
                                  width() + m.left + m.right, height() + m.top + m.bottom);
    resize(std::max(1, r.width - m.left - m.right), std::max(1, r.height - m.top - m.bottom));
    move(r.x, r.y);
}

// The window the help belongs to: the modal dialog it was asked from, else the main frame.
static QWidget *helpOwner(const QWidget *viewer)
{
    if (QWidget *modal = QApplication::activeModalWidget(); modal && modal != viewer) return modal;
    if (tMainFrame *f = mainFrame(); f && f->isVisible()) return f;
    QWidget *active = QApplication::activeWindow();
    return active != viewer ? active : nullptr;
}

// Kept above the owner by the window manager, as a transient of it: a window that a modal dialog
// blocks would stay behind it, and a window manager maps a window that did not get the focus
// below the focused one.  Once a dialog is gone the help belongs to the frame again.
void tHelpViewer::followOwner() { setOwner(helpOwner(this)); }

void tHelpViewer::ownerGone()
{
    tMainFrame *frame = mainFrame();
    setOwner(frame && frame->isVisible() ? frame : nullptr);
}

void tHelpViewer::setOwner(QWidget *owner)
{
    if (owner == owner_) return;
    if (owner_) disconnect(owner_, nullptr, this, nullptr);
    owner_ = owner;
    winId(); // the native window, to hang the transient on
    if (QWindow *w = windowHandle())
        w->setTransientParent(owner ? owner->window()->windowHandle() : nullptr);
    if (owner && owner != mainFrame()) {
        connect(owner, &QObject::destroyed, this, &tHelpViewer::ownerGone);
        if (auto *dialog = qobject_cast<QDialog *>(owner))
            connect(dialog, &QDialog::finished, this, &tHelpViewer::ownerGone);
    }
}

void tHelpViewer::present()
{
    if (!placed_) {
        place();
        placed_ = true;
    }
    followOwner();
    show();
    raise();
    activateWindow();
}

} // namespace velk
