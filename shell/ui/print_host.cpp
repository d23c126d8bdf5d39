// The host's print dialog and print preview (Qt Print Support), and what a recorder may keep of
// a document without knowing the page model.
#include "shell/ui/shell_host.h"

#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSettings>

#include "print/print_painter.h"
#include "shell/ui/cp1252.h"

namespace velk {

bool tShellHost::print(QWidget *, const tPrintDoc &) { return false; }

void tShellHost::printPreview(QWidget *, const tPrintDoc &) {}

static QString gPrintIni;

void setPrintIniPath(const QString &iniPath) { gPrintIni = iniPath; }

tPrintSetup readPrintSetup(const QString &iniPath)
{
    QSettings ini(iniPath, QSettings::IniFormat);
    tPrintSetup setup;
    setup.printer = ini.value(QStringLiteral("Drucken/Drucker")).toString();
    setup.colour = ini.value(QStringLiteral("Drucken/Farbe"), 1).toInt() != 0;
    const int duplex = ini.value(QStringLiteral("Drucken/Beidseitig"), 0).toInt();
    setup.duplex = duplex >= 0 && duplex <= 2 ? duplex : 0;
    const int copies = ini.value(QStringLiteral("Drucken/Kopien"), 1).toInt();
    setup.copies = copies >= 1 && copies <= 999 ? copies : 1;
    return setup;
}

bool writePrintSetup(const QString &iniPath, const tPrintSetup &setup)
{
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.setValue(QStringLiteral("Drucken/Drucker"), setup.printer);
    ini.setValue(QStringLiteral("Drucken/Farbe"), setup.colour ? 1 : 0);
    ini.setValue(QStringLiteral("Drucken/Beidseitig"), setup.duplex);
    ini.setValue(QStringLiteral("Drucken/Kopien"), setup.copies);
    ini.sync();
    return ini.status() == QSettings::NoError;
}

static const QPrinter::DuplexMode kDuplex[] = {QPrinter::DuplexNone, QPrinter::DuplexLongSide,
                                               QPrinter::DuplexShortSide};

static void applySetup(QPrinter &printer, const tPrintSetup &setup)
{
    if (!setup.printer.isEmpty()) printer.setPrinterName(setup.printer);
    printer.setColorMode(setup.colour ? QPrinter::Color : QPrinter::GrayScale);
    printer.setDuplex(kDuplex[setup.duplex]);
    printer.setCopyCount(setup.copies);
}

static tPrintSetup setupOf(const QPrinter &printer)
{
    tPrintSetup setup;
    setup.printer = printer.printerName();
    setup.colour = printer.colorMode() == QPrinter::Color;
    setup.duplex = printer.duplex() == QPrinter::DuplexLongSide    ? 1
                   : printer.duplex() == QPrinter::DuplexShortSide ? 2
                                                                   : 0;
    setup.copies = printer.copyCount();
    return setup;
}

bool tQtShellHost::print(QWidget *parent, const tPrintDoc &doc)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(fromCp1252(doc.title));
    if (!gPrintIni.isEmpty()) applySetup(printer, readPrintSetup(gPrintIni));
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Drucken"));
    if (dialog.exec() != QDialog::Accepted) return false;
    if (!gPrintIni.isEmpty()) writePrintSetup(gPrintIni, setupOf(printer));
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
