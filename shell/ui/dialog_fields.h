// dialog_fields.h - moving stored text (Windows-1252) into and out of a dialog's fields, and the
// messages the address book's dialogs share.
#ifndef VELK_SHELL_UI_DIALOG_FIELDS_H
#define VELK_SHELL_UI_DIALOG_FIELDS_H

#include <cstddef>
#include <string>
#include <string_view>

class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace velk {

std::string fieldText(const QLineEdit *edit);
void showField(QLineEdit *edit, std::string_view stored);

// A multi-line field: stored with "\r\n" line ends.
std::string multiLineText(const QPlainTextEdit *edit);
void showMultiLine(QPlainTextEdit *edit, std::string_view stored);
// Keeps the stored form of the field within maxStored bytes while the user types.
void limitMultiLine(QPlainTextEdit *edit, std::size_t maxStored);

// "ID bereits vergeben" with the caption "Fehler"; the focus goes to the ID field.
void reportIdTaken(QWidget *parent, QWidget *idField);
// A write the table refused: "Fehler beim Speichern" with the caption "Fehler".
void reportStoreFailure(QWidget *parent);
// A delete the table refused: "Fehler beim Löschen" with the caption "Fehler".
void reportDeleteFailure(QWidget *parent);

} // namespace velk

#endif
