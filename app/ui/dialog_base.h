// dialog_base.h - what every dialog of the program gets from the shell.
//
// installDialogBase, which installDialogHelp calls once after setupUi, gives a dialog:
// - edit fields that select their whole text when they get the focus by Tab, by a label's
//   shortcut, or when the dialog opens or comes back to the front, so that typing replaces what
//   the field held; a mouse click places the cursor as ever.
#ifndef VELK_APP_UI_DIALOG_BASE_H
#define VELK_APP_UI_DIALOG_BASE_H

class QDialog;

namespace velk {

void installDialogBase(QDialog *dialog);

} // namespace velk

#endif
