// dialog_help.h - F1 and the "Hilfe" button of a dialog open the help at the dialog's keyword.
//
// A dialog calls InstallDialogHelp once after setupUi; a push button named "buttonHelp" in its
// template, if there is one, is connected too.  It installs the dialog base (dialog_base.h) as
// well: the one call every dialog makes.
#ifndef VELK_SHELL_UI_DIALOG_HELP_H
#define VELK_SHELL_UI_DIALOG_HELP_H

#include <QString>

class QDialog;

namespace velk {

void installDialogHelp(QDialog *dialog, const QString &keyword);

} // namespace velk

#endif
