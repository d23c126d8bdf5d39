#include "app/ui/help_viewer.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "app/core/help_keywords.h"
#include "app/ui/shell_host.h"

namespace velk {

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
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    resize(560, 480);
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

void tHelpViewer::showContext(int) { showContents(); }

void tHelpViewer::present()
{
    if (!placed_) {
        // First shown at the right edge of the screen, beside the main frame on its left.
        if (QScreen *screen = QGuiApplication::primaryScreen()) {
            QRect area = screen->availableGeometry();
            move(area.right() + 1 - width(), area.top());
        }
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
}

} // namespace velk
