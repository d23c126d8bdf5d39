#include "shell/ui/dialog_help.h"

#include <QAction>
#include <QDialog>
#include <QPushButton>

#include "shell/ui/dialog_base.h"
#include "shell/ui/shell_host.h"

namespace velk {

void installDialogHelp(QDialog *dialog, const QString &keyword)
{
    installDialogBase(dialog);
    auto showHelp = [keyword] { shellHost().helpKeyword(keyword); };
    auto *f1 = new QAction(dialog);
    f1->setObjectName(QStringLiteral("helpKey"));
    f1->setShortcut(QKeySequence(Qt::Key_F1));
    f1->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(f1, &QAction::triggered, dialog, showHelp);
    dialog->addAction(f1);
    if (auto *button = dialog->findChild<QPushButton *>(QStringLiteral("buttonHelp"))) {
        button->setAutoDefault(false);
        QObject::connect(button, &QPushButton::clicked, dialog, showHelp);
    }
}

} // namespace velk
