#include "shell/ui/view.h"

#include <QCoreApplication>

#include "shell/ui/main_frame.h"
#include "shell/ui/mdi_client.h"

namespace velk {

bool tView::event(QEvent *e)
{
    if (e->type() == tDataChangedEvent::kType) {
        tNotices bits = static_cast<tDataChangedEvent *>(e)->mask() & noticeMask();
        if (bits) dataChanged(bits);
        return true;
    }
    return QWidget::event(e);
}

void sendNotice(QWidget *from, tNotices mask, tNoticeTo to)
{
    if (!from || !mask) return;
    for (QWidget *w = from; w; w = w->parentWidget())
        if (auto *client = qobject_cast<TMyMDIClient *>(w)) {
            client->sendDataChanged(mask, to == tNoticeTo::Others ? from : nullptr);
            return;
        }
    if (to == tNoticeTo::Others) return;
    for (QWidget *w = from; w; w = w->parentWidget())
        if (qobject_cast<tView *>(w)) {
            tDataChangedEvent notice(mask);
            QCoreApplication::sendEvent(w, &notice);
            return;
        }
}

void tView::commandsChanged()
{
    if (auto *frame = qobject_cast<tMainFrame *>(window())) frame->updateMenus();
}

} // namespace velk
