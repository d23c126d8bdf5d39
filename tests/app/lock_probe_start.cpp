// lock_probe_start DIR INI: the program's start-up on the real data model, up to the running
// frame, as a process of its own, so that the tools' tests can put the fcntl shim in front of it.
// DIR becomes the configured database directory (written into INI); root logs in with the empty
// password.  Prints every message the start showed ("message: <text>", one a line) and exits
// with the start's exit code (0 when the frame runs).
#include <QApplication>
#include <QFile>

#include <cstdio>

#include "model/model_database.h"
#include "shell/core/runtime_dir.h"
#include "shell/ui/my_app.h"
#include "tests/app/login_dialog_helpers.h"
#include "tests/app/recorder_host.h"

using namespace velk;
using namespace velk::apptest;

int main(int argc, char **argv)
{
    if (argc != 3) return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ensureRuntimeDir();
    QApplication qt(argc, argv);
    const QString ini = QFile::decodeName(argv[2]);
    if (!writeConfiguredPath(ini, QFile::decodeName(argv[1]) + "/datadict")) return 2;
    RecorderHost host;
    host.dialogScripts.push_back(loginScript("root", ""));
    tModelDatabase database;
    int rc;
    {
        TMyApp app(database, ini);
        app.setQuitRequest([] {});
        rc = app.initMainWindow() ? 0 : app.exitCode();
        app.shutDown();
    }
    for (const RecorderHost::Message &m : host.messages)
        std::printf("message: %s\n", m.text.toUtf8().constData());
    return rc;
}
