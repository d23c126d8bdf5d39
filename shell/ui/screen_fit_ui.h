// screen_fit_ui.h - windows of the program kept inside the screen they are on.
//
// The frame, the help window and every dialog are fitted into QScreen::availableGeometry of
// their screen (shell/core/screen_fit.h) when they are shown, and once more when the window
// manager has told the real size of its frame.  A dialog whose smallest size does not fit is
// given a scroll area around its fields, so that each of them can still be reached.  A
// sub-window of the client is kept inside the client area.
#ifndef VELK_SHELL_UI_SCREEN_FIT_UI_H
#define VELK_SHELL_UI_SCREEN_FIT_UI_H

#include <QRect>

#include "shell/core/screen_fit.h"

class QDialog;
class QMdiSubWindow;
class QWidget;

namespace velk {

// The free area of the screen the window is on (the primary screen before it has one).
QRect availableArea(const QWidget *window);
// What the window manager draws around the window: the real margins once it is shown, else an
// estimate (a title bar and thin borders).
tMargins frameMargins(const QWidget *window);

// Moves and shrinks the top-level window into the free area of its screen (a maximised or
// full-screen window is left alone).
void fitToScreen(QWidget *window);
// fitToScreen at every show of the window, and once more when the frame's real size is known.
void keepOnScreen(QWidget *window);
// keepOnScreen for a dialog; at its first show, a dialog that does not fit even at its smallest
// size gets its fields inside a scroll area.
void keepDialogOnScreen(QDialog *dialog);
// Whether the dialog's fields were put into a scroll area.
bool dialogScrolls(const QDialog *dialog);

// Moves and shrinks the sub-window into the client area `area` (viewport coordinates); a
// minimised or maximised one is left alone.
void fitSubWindow(QMdiSubWindow *sub, const QRect &area);

} // namespace velk

#endif
