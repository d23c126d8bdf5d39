// The help window at twice the pixels on a 1280x900 screen: beside no frame, it lies inside the
// screen's free area with its frame; the same beside a frame that fills the screen.
#include <QApplication>
#include <QMainWindow>
#include <QScreen>

#include <gtest/gtest.h>

#include "shell/ui/help_viewer.h"

using namespace velk;

namespace {

std::string text(const QRect &r)
{
    return std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) +
           "x" + std::to_string(r.height());
}

} // namespace

TEST(ScaleHelp, HelpWindowFits)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    tHelpViewer viewer;
    viewer.showContents();
    QApplication::processEvents();
    EXPECT_TRUE(area.contains(viewer.frameGeometry())) << text(viewer.frameGeometry());
    viewer.showKeyword(QStringLiteral("Wochenkalender"));
    QApplication::processEvents();
    EXPECT_TRUE(area.contains(viewer.frameGeometry())) << text(viewer.frameGeometry());
}
