#include "widgets/projects/project_fields.h"

#include <QComboBox>
#include <QLineEdit>

#include <cstdio>

#include "shell/ui/dialog_fields.h"
#include "shell/ui/cp1252.h"
#include "shell/ui/shell_host.h"

namespace velk {

void fillCodes(QComboBox *combo, std::span<const tCode> codes, char selected)
{
    combo->clear();
    for (const tCode &c : codes) combo->addItem(fromCp1252(c.text));
    combo->setCurrentIndex(codePosition(codes, selected));
}

QString numberText(const char *format, long value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return QString::fromLatin1(text);
}

void showDate(const tDate &date, QLineEdit *day, QLineEdit *month, QLineEdit *year)
{
    day->setText(QString::number(date.day));
    month->setText(QString::number(date.month));
    year->setText(QString::number(date.year));
}

bool acceptId(QWidget *dialog, QLineEdit *idField, tIdCheck check)
{
    switch (check) {
    case tIdCheck::Ok:
        return true;
    case tIdCheck::Taken:
        reportIdTaken(dialog, idField);
        return false;
    case tIdCheck::HasTab:
        shellHost().message(dialog, QStringLiteral("Die ID darf keinen Tabulator enthalten"),
                            QStringLiteral("Fehler"));
        idField->setFocus();
        return false;
    }
    return false;
}

} // namespace velk
