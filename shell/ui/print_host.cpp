// The host's print dialog and print preview (Qt Print Support), and what a recorder may keep of
// a document without knowing the page model.
#include "shell/ui/shell_host.h"

#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "print/print_painter.h"
#include "shell/ui/cp1252.h"

namespace velk {

bool tShellHost::print(QWidget *, const tPrintDoc &) { return false; }

void tShellHost::printPreview(QWidget *, const tPrintDoc &) {}

bool tQtShellHost::print(QWidget *parent, const tPrintDoc &doc)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(fromCp1252(doc.title));
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Drucken"));
    if (dialog.exec() != QDialog::Accepted) return false;
    return paintPrintDoc(printer, doc);
}

void tQtShellHost::printPreview(QWidget *parent, const tPrintDoc &doc)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(fromCp1252(doc.title));
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Druckvorschau"));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&doc](QPrinter *target) { paintPrintDoc(*target, doc); });
    dialog.exec();
}

std::string printTitle(const tPrintDoc &doc) { return doc.title; }

int printPageCount(const tPrintDoc &doc) { return int(doc.pages.size()); }

std::shared_ptr<const tPrintDoc> copyPrintDoc(const tPrintDoc &doc)
{
    return std::make_shared<const tPrintDoc>(doc);
}

} // namespace velk
