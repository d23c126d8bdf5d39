#include "app/ui/shell_host.h"

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

#include "app/core/db_path.h"
#include "app/ui/help_viewer.h"

// Q_INIT_RESOURCE names a global symbol: it is called outside the namespace.
static void initVelkResources() { Q_INIT_RESOURCE(velk); }

namespace velk {

void initResources()
{
    static bool done = false;
    if (!done) initVelkResources();
    done = true;
}

static tShellHost *gHost = nullptr;

tShellHost &shellHost()
{
    // Kept to the end of the process: its help window must not outlive the application object.
    static tQtShellHost *fallback = new tQtShellHost;
    return gHost ? *gHost : *fallback;
}

void setShellHost(tShellHost *host) { gHost = host; }

QString appName() { return QStringLiteral("V.E.L.K. Terminplaner"); }

tQtShellHost::tQtShellHost() = default;
tQtShellHost::~tQtShellHost() = default;

void tQtShellHost::message(QWidget *parent, const QString &text, const QString &caption)
{
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

std::optional<QString> tQtShellHost::openFileName(QWidget *parent, const QString &filter,
                                                  bool mustExist)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilter(QString::fromStdString(qtFileFilter(filter.toStdString())));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first();
}

std::optional<QString> tQtShellHost::saveFileName(QWidget *parent, const QString &filter)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QString::fromStdString(qtFileFilter(filter.toStdString())));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first();
}

int tQtShellHost::runDialog(QDialog &dialog) { return dialog.exec(); }

tHelpViewer &tQtShellHost::viewer()
{
    if (!viewer_) viewer_ = std::make_unique<tHelpViewer>();
    return *viewer_;
}

void tQtShellHost::helpContents() { viewer().showContents(); }
void tQtShellHost::helpKeyword(const QString &keyword) { viewer().showKeyword(keyword); }
void tQtShellHost::helpContext(int context) { viewer().showContext(context); }

void tQtShellHost::helpClose()
{
    if (viewer_) viewer_->close();
}

} // namespace velk
