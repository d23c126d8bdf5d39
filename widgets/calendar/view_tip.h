// view_tip.h - how the calendar's windows answer a tooltip request (QEvent::ToolTip): the text
// comes from views/view_tips.h for what lies under the pointer, is shown at the pointer, and no
// text hides the tip that is up.
//
// tTipFilter answers the requests of a widget it watches (a list's viewport) from a function of
// the point, for windows whose list widget is not a class of their own.
#ifndef VELK_WIDGETS_CALENDAR_VIEW_TIP_H
#define VELK_WIDGETS_CALENDAR_VIEW_TIP_H

#include <QObject>

#include <functional>
#include <string>

class QHelpEvent;
class QWidget;

namespace velk {

// Shows `tip` (Windows-1252) for `event` over `widget`, or hides the tip when it is empty.
// Always answers true: the request is dealt with.
bool showViewTip(QWidget *widget, QHelpEvent *event, const std::string &tip);

class tTipFilter : public QObject {
    Q_OBJECT
public:
    using tTipAt = std::function<std::string(const QPoint &)>;

    // Watches `target`; the filter lives as long as the target.
    tTipFilter(QWidget *target, tTipAt tipAt);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *target_;
    tTipAt tipAt_;
};

} // namespace velk

#endif
