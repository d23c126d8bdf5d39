// views_ui_support.h - the calendar's listing windows in a main frame on a real database: the
// calendar's test records (views_support.h), the recorder as shell host, and recorders in place
// of the record openers.  Each opener writes what it was asked into `opened` and answers
// `answer`, after running `whileOpen` (what the user stores in the dialog).
#ifndef VELK_TESTS_CALENDAR_UI_VIEWS_UI_SUPPORT_H
#define VELK_TESTS_CALENDAR_UI_VIEWS_UI_SUPPORT_H

#include <QApplication>
#include <QFocusEvent>
#include <QMdiSubWindow>
#include <QTest>

#include <functional>
#include <memory>

#include "shell/core/commands.h"
#include "shell/ui/cp1252.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/mdi_client.h"
#include "widgets/calendar/list_box.h"
#include "widgets/calendar/view_openers.h"
#include "widgets/calendar/views_frame.h"
#include "tests/app/recorder_host.h"
#include "tests/views/views_support.h"

namespace velk::caltest {

inline QString dateText(const tDate &d)
{
    return QStringLiteral("%1.%2.%3").arg(d.day).arg(d.month).arg(d.year);
}

// A double click on the line of this row, after the press that picks it.
inline void doubleClick(tLineList *list, int row)
{
    QPoint at = list->visualItemRect(list->item(row)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

inline QStringList shown(const tLineList *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

class ViewsUiTest : public ViewsTest {
protected:
    void SetUp() override
    {
        ViewsTest::SetUp();
        saved_ = viewOpeners();
        tViewOpeners &o = viewOpeners();
        o.person = [this](QWidget *, const std::string &id) { return opening("person:" + id); };
        o.termin = [this](QWidget *, const std::string &id) { return opening("termin:" + id); };
        o.task = [this](QWidget *, const std::string &id) { return opening("task:" + id); };
        o.newTermin = [this](QWidget *, const tDateTime &from, const tDateTime &till,
                             const std::string &res) {
            newFrom = from;
            newTill = till;
            return opening("new:" + dateText(from).toStdString() + res);
        };
        client = new TMyMDIClient;
        frame = std::make_unique<tMainFrame>(client);
        calendarViewsFrameSetup(*frame, *client);
        frame->resize(1000, 700);
        frame->show();
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    }
    void TearDown() override
    {
        frame.reset();
        viewOpeners() = saved_;
        ViewsTest::TearDown();
    }

    // Opens a view as its menu entry would, on the given "today".
    template <class View>
    View *open(int type, const tDate &today)
    {
        tViewArgs args;
        args.today = today;
        args.year = today.year;
        auto *view = qobject_cast<View *>(client->createView(type, args));
        EXPECT_TRUE(view);
        return view;
    }
    bool enabled(int id) { return frame->action(id)->isEnabled(); }
    void run(int id)
    {
        frame->updateMenus();
        frame->execute(id);
    }
    // A menu opened over the list: the focus goes to the popup and comes back.
    static void menuTakesFocus(QWidget *list)
    {
        QFocusEvent out(QEvent::FocusOut, Qt::PopupFocusReason);
        QApplication::sendEvent(list, &out);
    }

    apptest::RecorderHost host;
    TMyMDIClient *client = nullptr;
    std::unique_ptr<tMainFrame> frame;
    std::vector<std::string> opened;
    bool answer = false;
    std::function<void()> whileOpen;
    tDateTime newFrom, newTill;

private:
    bool opening(std::string what)
    {
        opened.push_back(std::move(what));
        if (whileOpen) whileOpen();
        return answer;
    }
    tViewOpeners saved_;
};

} // namespace velk::caltest

#endif
