#include "shell/ui/view_notice.h"

#include <QCoreApplication>

#include "shell/ui/view_client.h"

namespace velk {

void noticeOtherViews(QWidget *self, int mask)
{
    TMyMDIClient *client = clientOf(self);
    if (!client) return;
    for (tView *view : client->views()) {
        if (view == self) continue;
        tDataChangedEvent notice(mask);
        QCoreApplication::sendEvent(view, &notice);
    }
}

} // namespace velk
