// Test entry for the program at twice the pixels: one offscreen screen of 1280x900 (a file for
// the offscreen platform's configfile option) and QT_SCALE_FACTOR=2, set before the application.
#include <QApplication>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include "shell/core/runtime_dir.h"

int main(int argc, char **argv)
{
    QTemporaryFile screens;
    if (!screens.open()) return 2;
    screens.write(R"({"screens": [{"name": "velk", "x": 0, "y": 0, "width": 1280, "height": 900,
                     "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    screens.flush();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.fileName().toLocal8Bit());
    qputenv("QT_SCALE_FACTOR", "2");
    velk::ensureRuntimeDir();
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
