// project_fields.h - what the project and task dialogs share: code lists, numbers and dates in
// their fields, and the answer to an ID check.
#ifndef VELK_WIDGETS_PROJECTS_PROJECT_FIELDS_H
#define VELK_WIDGETS_PROJECTS_PROJECT_FIELDS_H

#include <QString>

#include <span>

#include "base/date.h"
#include "projects/codes.h"
#include "projects/dialog_rules.h"

class QComboBox;
class QLineEdit;
class QWidget;

namespace velk {

// The texts of a code table into a drop-down list, with the position of `selected` chosen (none
// for a code that is not in the table).
void fillCodes(QComboBox *combo, std::span<const tCode> codes, char selected);

QString numberText(const char *format, long value);
// A date into its three fields, each with "%d".
void showDate(const tDate &date, QLineEdit *day, QLineEdit *month, QLineEdit *year);

// Shows what is wrong with an ID ("ID bereits vergeben", or a tab in it), caption "Fehler", and
// puts the focus on the ID field; true when the ID is acceptable.
bool acceptId(QWidget *dialog, QLineEdit *idField, tIdCheck check);

} // namespace velk

#endif
