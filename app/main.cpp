// velk: the program.  Everything lives in the libraries; this file starts it.
//
//   velk [QT-OPTION...]   the program; the database directory comes from VELK.INI
//   velk --help | -h      the usage on standard output
//   velk --version | -V   "velk 0.1"
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
#include "velk_version.h"

#include <cstdio>
#include <cstring>

namespace {

const char *kUsage =
    "Aufruf: velk [QT-OPTION...]\n"
    "       velk --help | -h      diese Hilfe\n"
    "       velk --version | -V   die Version\n"
    "Das Datenbankverzeichnis fragt das Programm beim ersten Start ab; es steht danach in\n"
    "VELK.INI im Konfigurationsverzeichnis ($XDG_CONFIG_HOME, sonst ~/.config), Abschnitt\n"
    "V.E.L.K, Schl\xC3\xBCssel Path. Die Optionen von Qt (z. B. -platform, -display) gelten.\n";

// --help and --version, answered before Qt looks at the arguments or the display; -1 when
// neither is asked for, else the exit status.
int answerInfoOption(int argc, char **argv)
{
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-V") == 0) {
            std::printf("velk %s\n", VELK_VERSION);
            return 0;
        }
    }
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    if (int rc = answerInfoOption(argc, argv); rc >= 0) return rc;
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
