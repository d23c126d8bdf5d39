#include "app/ui/dialog_base.h"

#include <QDialog>
#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>

namespace velk {

namespace {

class tDialogBase : public QObject {
public:
    explicit tDialogBase(QDialog *dialog) : QObject(dialog), dialog_(dialog) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusIn) {
            if (auto *edit = qobject_cast<QLineEdit *>(watched)) {
                Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
                if (reason != Qt::MouseFocusReason && reason != Qt::PopupFocusReason)
                    edit->selectAll();
            }
        }
        return false;
    }

private:
    QDialog *dialog_;
};

} // namespace

void installDialogBase(QDialog *dialog)
{
    auto *base = new tDialogBase(dialog);
    for (QLineEdit *edit : dialog->findChildren<QLineEdit *>()) edit->installEventFilter(base);
}

} // namespace velk
