#include "widgets/calendar/view_tip.h"

#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

#include "shell/ui/cp1252.h"

namespace velk {

bool showViewTip(QWidget *widget, QHelpEvent *event, const std::string &tip)
{
    if (tip.empty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(event->globalPos(), fromCp1252(tip), widget);
    }
    return true;
}

tTipFilter::tTipFilter(QWidget *target, tTipAt tipAt)
    : QObject(target), target_(target), tipAt_(std::move(tipAt))
{
    target->installEventFilter(this);
}

bool tTipFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != target_ || event->type() != QEvent::ToolTip) return false;
    auto *help = static_cast<QHelpEvent *>(event);
    return showViewTip(target_, help, tipAt_(help->pos()));
}

} // namespace velk
