// The frame's print commands: the active view's pages to the printer, the preview or a PDF file.
#include "shell/ui/main_frame.h"

#include <memory>

#include "print/print_painter.h"
#include "shell/core/commands.h"
#include "shell/core/save_name.h"
#include "shell/ui/cp1252.h"
#include "shell/ui/mdi_client.h"
#include "shell/ui/shell_host.h"

namespace velk {

static const char *const kPdfFilter = "PDF-Dateien (*.pdf)|*.pdf|";

void tMainFrame::printActive(int id)
{
    tView *view = client_->activeView();
    if (!view || !view->canPrint() || !view->preparePrint()) return;
    auto doc = std::make_unique<tPrintDoc>();
    doc->heading.user = toCp1252(userName_);
    doc->heading.printedAt = printStamp(tDateTime::now());
    if (!view->printDoc(*doc)) return;
    if (id == CmPrint) {
        if (shellHost().print(this, *doc))
            shellHost().status(this, QStringLiteral("Gedruckt: %1").arg(fromCp1252(doc->title)));
        return;
    }
    if (id == CmPrintPreview) {
        shellHost().printPreview(this, *doc);
        return;
    }
    const QString filter = QString::fromLatin1(kPdfFilter);
    std::optional<tFileChoice> choice = shellHost().saveFile(this, filter);
    if (!choice) return;
    const std::string name =
        withFilterExtension(choice->name.toStdString(), kPdfFilter, choice->filter);
    const QString shown = QString::fromStdString(name);
    if (writePdf(*doc, name, doc->title))
        shellHost().status(this, QStringLiteral("Gesichert: %1").arg(shown));
    else
        shellHost().message(
            this, QStringLiteral("Die Datei %1 kann nicht geschrieben werden.").arg(shown),
            appName());
}

} // namespace velk
