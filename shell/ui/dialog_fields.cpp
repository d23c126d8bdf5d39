#include "shell/ui/dialog_fields.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>

#include <algorithm>

#include "address/dialog_rules.h"
#include "shell/ui/cp1252.h"
#include "shell/ui/shell_host.h"

namespace velk {

std::string fieldText(const QLineEdit *edit) { return toCp1252(edit->text()); }

void showField(QLineEdit *edit, std::string_view stored)
{
    edit->setText(fromCp1252(std::string(stored)));
}

std::string multiLineText(const QPlainTextEdit *edit)
{
    return storedLineEnds(toCp1252(edit->toPlainText()));
}

void showMultiLine(QPlainTextEdit *edit, std::string_view stored)
{
    edit->setPlainText(fromCp1252(shownLineEnds(stored)));
}

void limitMultiLine(QPlainTextEdit *edit, std::size_t maxStored)
{
    QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [edit, maxStored] {
        std::string stored = multiLineText(edit);
        if (stored.size() <= maxStored) return;
        // Cut at the end; a line end counts two bytes and never stays half.
        stored.resize(maxStored);
        if (!stored.empty() && stored.back() == '\r') stored.pop_back();
        QTextCursor cursor = edit->textCursor();
        int position = cursor.position();
        showMultiLine(edit, stored);
        edit->document()->setModified(true);
        cursor = edit->textCursor();
        cursor.setPosition(std::min(position, int(edit->document()->characterCount()) - 1));
        edit->setTextCursor(cursor);
    });
}

void reportIdTaken(QWidget *parent, QWidget *idField)
{
    shellHost().message(parent, QStringLiteral("ID bereits vergeben"), QStringLiteral("Fehler"));
    idField->setFocus();
}

void reportStoreFailure(QWidget *parent)
{
    shellHost().message(parent, QStringLiteral("Fehler beim Speichern"), QStringLiteral("Fehler"));
}

void reportDeleteFailure(QWidget *parent)
{
    shellHost().message(parent, QStringLiteral("Fehler beim Löschen"), QStringLiteral("Fehler"));
}

} // namespace velk
