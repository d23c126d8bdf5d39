#include "shell/ui/shell_host.h"

#include <QDialog>
#include <QAbstractButton>
#include <QFileDialog>
#include <QMessageBox>

#include <map>
#include <utility>

#include "model/db_path.h"
#include "shell/core/save_name.h"
#include "shell/ui/cp1252.h"
#include "shell/ui/help_viewer.h"
#include "shell/ui/main_frame.h"

// Q_INIT_RESOURCE names a global symbol: it is called outside the namespace.
static void initVelkResources()
{
    Q_INIT_RESOURCE(velk);
    Q_INIT_RESOURCE(velk_help); // the help document, made with the version in it
}

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

bool tShellHost::question(QWidget *, const QString &, const QString &) { return false; }

bool tQtShellHost::question(QWidget *parent, const QString &text, const QString &caption)
{
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("&Ja"));
    box.button(QMessageBox::No)->setText(QStringLiteral("&Nein"));
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

std::optional<tFileChoice> tShellHost::openFile(QWidget *parent, const QString &filter,
                                                bool mustExist)
{
    std::optional<QString> name = openFileName(parent, filter, mustExist);
    if (!name) return std::nullopt;
    return tFileChoice{*name, 1};
}

std::optional<tFileChoice> tShellHost::saveFile(QWidget *parent, const QString &filter)
{
    std::optional<QString> name = saveFileName(parent, filter);
    if (!name) return std::nullopt;
    return tFileChoice{*name, 1};
}

void tShellHost::status(QWidget *parent, const QString &text)
{
    if (auto *frame = qobject_cast<tMainFrame *>(parent ? parent->window() : nullptr))
        frame->showStatus(text);
}

// The filter last chosen in a file dialog of that filter list, for opening and for saving, while
// the program runs: the next such dialog preselects it.
static std::map<std::pair<QString, bool>, int> &lastFilters()
{
    static std::map<std::pair<QString, bool>, int> chosen;
    return chosen;
}

// The dialog with the filter list; the chosen filter counted from 1 in the order of the list.  A
// name saved without an extension gets the chosen filter's.
static std::optional<tFileChoice> runFileDialog(QWidget *parent, const QString &filter, bool save,
                                                bool mustExist)
{
    QFileDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("fileDialog"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(!save && mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    const QStringList filters =
        QString::fromStdString(qtFileFilter(filter.toStdString())).split(QStringLiteral(";;"));
    dialog.setNameFilters(filters);
    auto last = lastFilters().find({filter, save});
    if (last != lastFilters().end() && last->second <= filters.size())
        dialog.selectNameFilter(filters[last->second - 1]);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    int index = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
    if (index < 1) index = 1;
    lastFilters()[{filter, save}] = index;
    QString name = dialog.selectedFiles().first();
    if (save) {
        name = QString::fromStdString(
            withFilterExtension(name.toStdString(), filter.toStdString(), index));
    }
    return tFileChoice{name, index};
}

std::optional<QString> tQtShellHost::openFileName(QWidget *parent, const QString &filter,
                                                  bool mustExist)
{
    std::optional<tFileChoice> chosen = runFileDialog(parent, filter, false, mustExist);
    return chosen ? std::optional<QString>(chosen->name) : std::nullopt;
}

std::optional<QString> tQtShellHost::saveFileName(QWidget *parent, const QString &filter)
{
    std::optional<tFileChoice> chosen = runFileDialog(parent, filter, true, false);
    return chosen ? std::optional<QString>(chosen->name) : std::nullopt;
}

std::optional<tFileChoice> tQtShellHost::openFile(QWidget *parent, const QString &filter,
                                                  bool mustExist)
{
    return runFileDialog(parent, filter, false, mustExist);
}

std::optional<tFileChoice> tQtShellHost::saveFile(QWidget *parent, const QString &filter)
{
    return runFileDialog(parent, filter, true, false);
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
