#include "widgets/exchange/exchange_frame.h"

#include <QFile>

#include "widgets/address/pers_list_win.h"
#include "shell/ui/view_client.h"
#include "shell/core/commands.h"
#include "base/session.h"
#include "shell/ui/cp1252.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/mdi_client.h"
#include "shell/ui/shell_host.h"
#include "exchange/exchange.h"
#include "exchange/person_exchange.h"
#include "exchange/termin_exchange.h"
#include "calendar/booking_check.h"
#include "calendar/termin_store.h"
#include "widgets/exchange/exchange_progress.h"
#include "widgets/exchange/exchange_status.h"
#include "widgets/exchange/sync_frame.h"

namespace velk {

namespace {

const QString kError = QStringLiteral("Fehler");

std::string localName(const QString &name) { return QFile::encodeName(name).toStdString(); }

QString progressLabel(tExchangeKind kind, bool import)
{
    bool persons = kind == tExchangeKind::PersonenDbf || kind == tExchangeKind::PersonenTxt ||
                   kind == tExchangeKind::VCard;
    QString what = kind == tExchangeKind::Komplett ? QStringLiteral("Tabellen")
                   : persons                       ? QStringLiteral("Personen")
                                                   : QStringLiteral("Termine");
    return (import ? QStringLiteral("%1 werden gelesen...")
                   : QStringLiteral("%1 werden geschrieben..."))
        .arg(what);
}

// What an import or export came to, in the status bar of the frame.
void showStatus(QWidget *parent, const tExchangeResult &r, bool import, tExchangeKind kind,
                const QString &file)
{
    std::string shown = shownFileName(file.toStdString(), kind);
    shellHost().status(parent, QString::fromStdString(exchangeStatus(r, import, shown)));
}

// Whether an import may go on as far as its bookings are concerned: a dry run of the file finds
// no resource booked twice, or the user answers "Ja" to the one question listing them.
bool bookingsAccepted(QWidget *parent, tExchangeKind kind, const QString &file)
{
    std::vector<tImportConflict> conflicts =
        importConflicts(tTerminStore::instance(), termineOfFile(kind, localName(file)));
    if (conflicts.empty()) return true;
    return shellHost().question(parent, fromCp1252(importQuestion(conflicts)), appName());
}

// The import of that kind with its progress dialog, the status line, and the message its end
// calls for: none when it was done, "Fehler beim Lesen" (with what was stored) when the file
// could not be read, the count when it was cancelled.  Where it would book a resource twice it
// asks first; "Nein" imports nothing.
void importWithProgress(QWidget *parent, tExchangeKind kind, const QString &file)
{
    if (!bookingsAccepted(parent, kind, file)) {
        shellHost().status(parent, QStringLiteral("Nichts importiert"));
        return;
    }
    tExchangeProgressDialog progress(parent, progressLabel(kind, true));
    tExchangeResult r = runImport(kind, localName(file), progress.callback());
    showStatus(parent, r, true, kind, file);
    switch (r.outcome) {
    case tExchangeResult::Done:
        // What the file held that could not be kept (iCalendar, vCard) is told.
        if (!r.notes.empty()) shellHost().message(parent, fromCp1252(describeImport(r)), appName());
        return;
    case tExchangeResult::Cancelled:
        shellHost().message(parent, fromCp1252(describeImport(r)), appName());
        return;
    case tExchangeResult::Failed:
        if (r.done > 0) {
            shellHost().message(parent, fromCp1252(r.message + "\n" + describeImport(r)), kError);
            return;
        }
        break;
    case tExchangeResult::NotStarted:
        break;
    }
    shellHost().message(parent, fromCp1252(r.message), kError);
}

void exportWithProgress(QWidget *parent, tExchangeKind kind, const QString &file)
{
    tExchangeProgressDialog progress(parent, progressLabel(kind, false));
    tExchangeResult r = runExport(kind, localName(file), progress.callback());
    showStatus(parent, r, false, kind, file);
    if (r.ok() && !r.fileWritten) {
        shellHost().message(parent, fromCp1252(describeExport(r)), appName());
        return;
    }
    if (r.ok()) return;
    shellHost().message(parent, fromCp1252(describeExport(r)),
                        r.outcome == tExchangeResult::Cancelled ? appName() : kError);
}

} // namespace

void importFromMenu(QWidget *parent, TMyMDIClient *client)
{
    if (client) {
        if (auto *list = qobject_cast<tPersListWin *>(client->activeView())) {
            importIntoPersonList(*list);
            return;
        }
    }
    std::optional<tFileChoice> chosen =
        shellHost().openFile(parent, QString::fromLatin1(kExchangeFilter), true);
    if (!chosen) return;
    std::optional<tExchangeKind> kind = importKindOfFilter(chosen->filter);
    if (!kind) return;
    importWithProgress(parent, *kind, chosen->name);
    sendNotice(client, NoticeAll);
}

void exportFromMenu(QWidget *parent)
{
    std::optional<tFileChoice> chosen =
        shellHost().saveFile(parent, QString::fromLatin1(kExchangeFilter));
    if (!chosen) return;
    if (std::optional<tExchangeKind> kind = exportKindOfFilter(chosen->filter))
        exportWithProgress(parent, *kind, chosen->name);
}

void importIntoPersonList(tPersListWin &list)
{
    std::optional<tFileChoice> chosen =
        shellHost().openFile(&list, QString::fromLatin1(kPersonListFilter), true);
    if (!chosen) return;
    if (chosen->filter != 1) {
        shellHost().message(&list, QStringLiteral("noch nicht implementiert"), appName());
        return;
    }
    importWithProgress(&list, tExchangeKind::PersonenDbf, chosen->name);
    // The list, and every view that shows persons, refills (also after an error).
    sendNotice(&list, NoticePersons);
}

void exchangeFrameSetup(tMainFrame &frame, TMyMDIClient &client)
{
    frame.registerCommand(CmFileOpen, [&frame, &client] { importFromMenu(&frame, &client); });
    frame.registerCommand(CmFileSaveAs, [&frame] { exportFromMenu(&frame); });
    syncFrameSetup(frame, client);
}

} // namespace velk
