#include "widgets/exchange/sync_frame.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

#include "base/session.h"
#include "shell/core/commands.h"
#include "shell/core/help_keywords.h"
#include "shell/ui/dialog_help.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/mdi_client.h"
#include "shell/ui/shell_host.h"
#include "shell/ui/view.h"
#include "widgets/exchange/sync_progress.h"

namespace velk {

namespace {

const QString kError = QStringLiteral("Fehler");
const QString kPeriodKey = QStringLiteral("V.E.L.K/Synchronisieren");

bool gRunning = false;

// Marks a sync or set-up as running for as long as it lives.
class tRunningMark {
public:
    tRunningMark() { gRunning = true; }
    ~tRunningMark() { gRunning = false; }
    tRunningMark(const tRunningMark &) = delete;
    tRunningMark &operator=(const tRunningMark &) = delete;
};

QLineEdit *addField(QFormLayout *form, QWidget *parent, const char *name, const QString &label,
                    const std::string &text)
{
    auto *edit = new QLineEdit(QString::fromStdString(text), parent);
    edit->setObjectName(QLatin1String(name));
    form->addRow(label, edit);
    return edit;
}

QPushButton *addButton(QDialogButtonBox *box, const char *name, const QString &text,
                       QDialogButtonBox::ButtonRole role)
{
    QPushButton *b = box->addButton(text, role);
    b->setObjectName(QLatin1String(name));
    return b;
}

// What a set-up that went says, and where the password went.
QString setupDoneText(const tSyncServer &server, bool keyringWanted, const tSetupResult &r)
{
    QString text =
        QStringLiteral("Der Server ist eingerichtet:\n%1 (Benutzer %2)")
            .arg(QString::fromStdString(server.url), QString::fromStdString(server.user));
    if (r.secret == tSecret::Keyring)
        text += QStringLiteral("\nDas Kennwort liegt im Schlüsselbund.");
    else if (keyringWanted)
        text += QStringLiteral("\nDer Schlüsselbund antwortet nicht; das Kennwort liegt in einer "
                               "Datei, die nur Sie lesen können.");
    return text;
}

} // namespace

tDiaSyncServer::tDiaSyncServer(QWidget *parent, const tSyncServer &server, bool keyring)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("diaSyncServer"));
    setWindowTitle(QStringLiteral("Server einrichten"));
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    layout->addLayout(form);
    url_ = addField(form, this, "editUrl", QStringLiteral("&Adresse des Servers"), server.url);
    url_->setMinimumWidth(360);
    url_->setPlaceholderText(QStringLiteral("https://server/remote.php/dav/"));
    user_ = addField(form, this, "editUser", QStringLiteral("&Benutzer"), server.user);
    password_ = addField(form, this, "editPassword", QStringLiteral("&Kennwort"), {});
    password_->setEchoMode(QLineEdit::Password);
    keyring_ = new QCheckBox(QStringLiteral("Kennwort im &Schlüsselbund ablegen"), this);
    keyring_->setObjectName(QStringLiteral("checkKeyring"));
    keyring_->setEnabled(keyring);
    keyring_->setChecked(keyring);
    form->addRow(QString(), keyring_);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok =
        addButton(buttons, "buttonOk", QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    addButton(buttons, "buttonCancel", QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    addButton(buttons, "buttonHelp", QStringLiteral("&Hilfe"), QDialogButtonBox::HelpRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    installDialogHelp(this, QString::fromUtf8(help::Sync));
    // With a server already set up only the password is missing.
    if (!server.url.empty() && !server.user.empty()) password_->setFocus();
}

tSyncServer tDiaSyncServer::server() const
{
    return {url_->text().trimmed().toStdString(), user_->text().trimmed().toStdString()};
}

std::string tDiaSyncServer::password() const { return password_->text().toStdString(); }

bool tDiaSyncServer::keyringChosen() const
{
    return keyring_->isEnabled() && keyring_->isChecked();
}

void tDiaSyncServer::accept()
{
    tSetupCheck c = checkSyncSetup(server(), password());
    if (c.ok()) {
        QDialog::accept();
        return;
    }
    shellHost().message(this, QString::fromStdString(c.message), appName());
    QLineEdit *field = c.field == tSetupField::Url    ? url_
                       : c.field == tSetupField::User ? user_
                                                      : password_;
    field->setFocus();
    field->selectAll();
}

tSyncPlaces currentSyncPlaces() { return syncPlaces(defaultConfigHome(), currentUser()); }

bool syncRunning() { return gRunning; }

bool setUpServerFromMenu(QWidget *parent)
{
    if (gRunning) return false;
    tSyncPlaces places = currentSyncPlaces();
    tDiaSyncServer dialog(parent, loadSyncServer(places).value_or(tSyncServer{}), keyringAnswers());
    if (shellHost().runDialog(dialog) != QDialog::Accepted) return false;
    tSyncServer server = dialog.server();
    tSetupResult r;
    {
        tRunningMark mark;
        tSyncProgressDialog progress(parent, QStringLiteral("Einrichtung des Servers"),
                                     QStringLiteral("Der Server wird eingerichtet..."));
        r = setUpSyncServer(places, server, dialog.password(),
                            dialog.keyringChosen() ? tSecret::Keyring : tSecret::File,
                            progress.lineSink());
    }
    if (!r.ok) {
        shellHost().message(parent, QString::fromStdString(r.message), kError);
        return false;
    }
    shellHost().message(parent, setupDoneText(server, dialog.keyringChosen(), r), appName());
    return true;
}

bool syncFromMenu(QWidget *parent, TMyMDIClient *client)
{
    if (gRunning) return false;
    tSyncPlaces places = currentSyncPlaces();
    if (!loadSyncServer(places)) {
        if (shellHost().question(parent,
                                 QStringLiteral("Es ist noch kein Server eingerichtet.\n"
                                                "Jetzt einen Server einrichten?"),
                                 appName()))
            setUpServerFromMenu(parent);
        return false;
    }
    tUserSync u;
    {
        tRunningMark mark;
        tSyncProgressDialog progress(parent, QStringLiteral("Abgleich mit dem Server"),
                                     QStringLiteral("Abgleich mit dem Server..."));
        u = syncUser(places, databaseDirOf(databasePath()), progress.lineSink(),
                     progress.progress());
    }
    // What came in shows everywhere, also after a failure part way.
    if (client) sendNotice(client, NoticeAll);
    shellHost().message(parent, QString::fromStdString(syncEndMessage(u)),
                        u.ok ? appName() : kError);
    return u.ok;
}

int readSyncPeriod(const QString &iniPath)
{
    QSettings ini(iniPath, QSettings::IniFormat);
    QVariant value = ini.value(kPeriodKey);
    if (value.typeId() == QMetaType::QStringList) return 0; // "5,5" reads as a list
    return syncPeriodMinutes(value.toString().toStdString());
}

tBackgroundSync::tBackgroundSync(QWidget *frame, TMyMDIClient *client, int minutes)
    : QObject(frame), frame_(frame), client_(client), timer_(new QTimer(this)),
      minutes_(minutes > 0 ? minutes : 0)
{
    setObjectName(QStringLiteral("backgroundSync"));
    connect(timer_, &QTimer::timeout, this, [this] { tick(); });
    if (minutes_ > 0) timer_->start(minutes_ * 60 * 1000);
}

bool tBackgroundSync::active() const { return timer_->isActive(); }

bool tBackgroundSync::tick()
{
    if (gRunning || QApplication::activeModalWidget() || QApplication::activePopupWidget())
        return false;
    tUserSync u;
    {
        tRunningMark mark;
        // The frame is drawn meanwhile; what the user types waits for the end.
        auto keepDrawing = [](const std::string &) {
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        };
        u = syncUser(currentSyncPlaces(), databaseDirOf(databasePath()), keepDrawing);
    }
    QTime now = QTime::currentTime();
    shellHost().status(frame_, QString::fromStdString(syncStatusLine(u, now.hour(), now.minute())));
    if (client_) sendNotice(client_, NoticeAll);
    return true;
}

void syncFrameSetup(tMainFrame &frame, TMyMDIClient &client)
{
    frame.registerCommand(CmFileSync, [&frame, &client] { syncFromMenu(&frame, &client); });
    frame.registerCommand(CmFileSyncServer, [&frame] { setUpServerFromMenu(&frame); });
}

void syncLoginSetup(tMainFrame &frame, TMyMDIClient &client, const QString &iniPath)
{
    new tBackgroundSync(&frame, &client, readSyncPeriod(iniPath));
}

} // namespace velk
