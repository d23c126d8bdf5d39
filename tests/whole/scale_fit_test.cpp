// The program at twice the pixels on a 1280x900 screen (640x450 left at QT_SCALE_FACTOR=2):
// the frame, the week calendar's last day and the largest dialogs lie inside the screen's free
// area, and every field of a dialog can be reached (the help window: scale_help_test.cpp).  The
// test runs on the offscreen platform with a screen of its own (configfile), set up before the
// application.
#include <QAbstractScrollArea>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QScreen>
#include <QScrollArea>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "address/person.h"
#include "app/wiring.h"
#include "projects/project.h"
#include "shell/core/commands.h"
#include "shell/core/runtime_dir.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/mdi_client.h"
#include "widgets/address/address_frame.h"
#include "widgets/address/dia_person.h"
#include "widgets/calendar/calendar_frame.h"
#include "widgets/calendar/dia_termin.h"
#include "widgets/calendar/plan_frame.h"
#include "widgets/calendar/views_frame.h"
#include "widgets/calendar/week_view_win.h"
#include "widgets/projects/dia_task.h"
#include "widgets/projects/projects_frame.h"
#include "tests/address/address_ui_support.h"

using namespace velk;
using namespace velk::apptest;

namespace {

// Where `w` lies in the coordinates of `outer`.
QRect rectIn(const QWidget *w, const QWidget *outer)
{
    return QRect(w->mapTo(outer, QPoint(0, 0)), w->size());
}

class ScaleFitTest : public AddressUiTest {
protected:
    void SetUp() override
    {
        AddressUiTest::SetUp();
        setCurrentUser("root");
        client = new TMyMDIClient;
        frame = std::make_unique<tMainFrame>(client);
        for (auto setup : {addressFrameSetup, projectsFrameSetup, calendarFrameSetup,
                           calendarViewsFrameSetup, calendarPlanFrameSetup})
            setup(*frame, *client);
        wireOpeners();
        frame->show();
        QApplication::processEvents();
        area = frame->screen()->availableGeometry();
    }
    void TearDown() override
    {
        frame.reset();
        setCurrentUser("");
        AddressUiTest::TearDown();
    }

    TMyMDIClient *client = nullptr;
    std::unique_ptr<tMainFrame> frame;
    QRect area;
};

} // namespace

TEST_F(ScaleFitTest, TheScreenIsSmallAtTwiceThePixels)
{
    EXPECT_EQ(area, QRect(0, 0, 640, 450));
    EXPECT_DOUBLE_EQ(frame->devicePixelRatioF(), 2.0);
}

TEST_F(ScaleFitTest, FrameAndWeekCalendarFit)
{
    EXPECT_TRUE(area.contains(frame->frameGeometry()))
        << frame->frameGeometry().width() << "x" << frame->frameGeometry().height();
    frame->execute(CmWeekCalendar);
    auto *week = qobject_cast<tWeekWin *>(client->activeView());
    ASSERT_NE(week, nullptr);
    QApplication::processEvents();
    const QRect inside = client->viewport()->rect();
    EXPECT_TRUE(inside.contains(week->parentWidget()->geometry()));
    // Every day, Sunday too, is on the screen with room for its heading.
    for (int day = 0; day < kWeekDays; ++day) {
        QWidget *pane = week->findChild<QWidget *>(QStringLiteral("day%1").arg(day));
        ASSERT_NE(pane, nullptr);
        const QRect r = rectIn(pane, client->viewport());
        EXPECT_TRUE(inside.contains(r)) << "day " << day << " at " << r.x() << "," << r.y();
        EXPECT_GE(r.height(), week->heading(day)->height()) << day;
    }
}

// Each dialog lies inside the area; where it had to scroll, each field can be scrolled to.
TEST_F(ScaleFitTest, DialogsFitAndEveryFieldCanBeReached)
{
    tTask task;
    std::vector<std::unique_ptr<QDialog>> dialogs;
    dialogs.push_back(std::make_unique<tDiaTermin>(frame.get(), tTermin{}, nullptr));
    dialogs.push_back(std::make_unique<tDiaPerson>(frame.get(), nullptr));
    dialogs.push_back(std::make_unique<tDiaTask>(frame.get(), &task, tDiaTask::New));
    int largest = 0;
    for (auto &dialog : dialogs) {
        const QSize want = dialog->sizeHint();
        largest = std::max(largest, want.height());
        dialog->show();
        QApplication::processEvents();
        const char *name = dialog->metaObject()->className();
        EXPECT_TRUE(area.contains(dialog->frameGeometry()))
            << name << " " << dialog->frameGeometry().width() << "x"
            << dialog->frameGeometry().height();
        auto *scroll = dialog->findChild<QScrollArea *>(QStringLiteral("dialogScroll"));
        for (QLineEdit *field : dialog->findChildren<QLineEdit *>()) {
            if (!field->isVisibleTo(dialog.get())) continue;
            if (scroll) scroll->ensureWidgetVisible(field, 0, 0);
            const QRect r = rectIn(field, dialog.get());
            EXPECT_TRUE(dialog->rect().intersects(r))
                << name << " " << field->objectName().toStdString();
            if (!scroll) continue;
            EXPECT_TRUE(scroll->viewport()->rect().intersects(rectIn(field, scroll->viewport())))
                << name << " " << field->objectName().toStdString();
        }
        dialog->hide();
    }
    // The appointment dialog asks for more than the screen's height at this scale.
    EXPECT_GT(largest + 20, area.height());
}
