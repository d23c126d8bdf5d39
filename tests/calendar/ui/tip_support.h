// tip_support.h - asking a widget for its tooltip as the pointer resting on it would.
#ifndef VELK_TESTS_CALENDAR_UI_TIP_SUPPORT_H
#define VELK_TESTS_CALENDAR_UI_TIP_SUPPORT_H

#include <QApplication>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>
#include <QWidget>

namespace velk::caltest {

// Sends a tooltip request at `pos` of `widget` and answers the tip then shown, empty for none.
// A tip still up from an earlier request is taken down first, so that it cannot answer.
inline QString tipAt(QWidget *widget, QPoint pos)
{
    QToolTip::hideText();
    if (!QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 2000))
        return QStringLiteral("(the earlier tip stays up)");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QHelpEvent request(QEvent::ToolTip, pos, widget->mapToGlobal(pos));
    QApplication::sendEvent(widget, &request);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

} // namespace velk::caltest

#endif
