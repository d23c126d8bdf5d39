// view_client.h - the client window a view lives in.
#ifndef VELK_SHELL_UI_VIEW_CLIENT_H
#define VELK_SHELL_UI_VIEW_CLIENT_H

#include <QWidget>

#include "shell/ui/mdi_client.h"

namespace velk {

// The client whose sub-window holds the view; null for a view shown on its own.
inline TMyMDIClient *clientOf(QWidget *view)
{
    for (QWidget *w = view->parentWidget(); w; w = w->parentWidget())
        if (auto *client = qobject_cast<TMyMDIClient *>(w)) return client;
    return nullptr;
}

} // namespace velk

#endif
