// velk: the program.  Everything lives in the libraries; this file starts it.
#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/wiring.h"
#include "shell/core/runtime_dir.h"
#include "model/model_database.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/my_app.h"
#include "shell/ui/shell_host.h"

int main(int argc, char **argv)
{
    velk::ensureRuntimeDir(); // before Qt looks for it
    QApplication qtApp(argc, argv);
    velk::initResources();
    // Qt's own dialogs (file dialog, message box buttons) speak German like the rest.
    QTranslator qtGerman;
    if (qtGerman.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"),
                      QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtGerman);
    QApplication::setApplicationName(QStringLiteral("velk"));
    QApplication::setDesktopFileName(QStringLiteral("velk"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/velk.xpm")));

    velk::tQtShellHost host;
    velk::setShellHost(&host);
    velk::tModelDatabase database;
    int rc;
    {
        velk::TMyApp app(database, velk::defaultIniPath());
        velk::addSubsystems(app);
        if (!app.initMainWindow()) {
            rc = app.exitCode();
        } else {
            app.frame()->show();
            rc = QApplication::exec();
            app.shutDown();
        }
    }
    velk::setShellHost(nullptr);
    return rc;
}
