// desk.h - the remembered desk of the logged-in user (shell/core/desk_text.h).
//
// captureDesk reads it from the frame: the frame's normal geometry and whether it is maximised,
// and every view of the client in the order it was opened, with the type the client created it
// with, its sub-window's geometry and state, its own line (tView::deskState) and which one is
// active (a minimised or maximised view is shown normal for a moment to read where it goes back
// to: the desk is taken as the views close).  restoreDesk opens those views again through the
// client's factories, skipping a type the client cannot create; a view of which one window at most
// exists is not doubled (its factory answers the open one).  Sizes and places are fitted to the
// screen and the client area.
#ifndef VELK_SHELL_UI_DESK_H
#define VELK_SHELL_UI_DESK_H

#include <QString>

#include "shell/core/desk_text.h"

namespace velk {

class tMainFrame;

tDesk captureDesk(tMainFrame &frame);
void restoreDesk(tMainFrame &frame, const tDesk &desk);

// Section "Arbeitsplatz-<user>" of the configuration file `iniPath`: written anew (the old keys
// go), and read (an empty desk when there is none).
bool writeDesk(const QString &iniPath, const QString &user, const tDesk &desk);
tDesk readDesk(const QString &iniPath, const QString &user);

} // namespace velk

#endif
