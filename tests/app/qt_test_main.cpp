// Test entry for the Qt layer: one QApplication for all tests, on the offscreen platform unless
// the environment names another, with a runtime directory as the program gives it.
#include <QApplication>

#include <gtest/gtest.h>

#include "shell/core/runtime_dir.h"

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    velk::ensureRuntimeDir(); // as the program does: no warning from Qt in every test's output
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
