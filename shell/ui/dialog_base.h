// dialog_base.h - what every dialog of the program gets from the shell.
//
// installDialogBase, which installDialogHelp calls once after setupUi, gives a dialog:
// - edit fields that select their whole text when they get the focus by Tab, by a label's
//   shortcut, or when the dialog opens or comes back to the front, so that typing replaces what
//   the field held; a mouse click places the cursor as ever;
// - multi-line fields in which Enter starts a new line (Ctrl+Enter still presses the default
//   button) and Tab goes on to the next control;
// - a Tab order that follows the layout (shell/core/tab_order.h), set when the dialog is first
//   shown, when the layout has placed every control; the buttons come last, and the first
//   control has the focus unless the dialog gives it to another;
// - a place and size inside the free area of its screen, its fields in a scroll area where even
//   its smallest size would run past it (shell/ui/screen_fit_ui.h).
//
// digitsOnly makes a field that holds a number take digits only.
#ifndef VELK_SHELL_UI_DIALOG_BASE_H
#define VELK_SHELL_UI_DIALOG_BASE_H

#include <initializer_list>

class QDialog;
class QLineEdit;

namespace velk {

void installDialogBase(QDialog *dialog);

// A key or a paste that would put anything but digits (or blanks) into the field is refused;
// what the program itself shows there is not checked.  The field's maximum length stays.
void digitsOnly(QLineEdit *edit);
void digitsOnly(std::initializer_list<QLineEdit *> edits);

// Orders the focus chain of the dialog's visible controls by their places and gives the first
// enabled one the focus when the dialog has chosen none; installDialogBase does it at the first
// show.
void orderTabsByLayout(QDialog *dialog);

} // namespace velk

#endif
