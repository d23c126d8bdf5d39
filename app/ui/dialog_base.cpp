#include "app/ui/dialog_base.h"

#include <QDialog>
#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QValidator>

namespace velk {

namespace {

// Refuses any change that would put into the field a character other than a digit or a blank
// (the program shows some numbers right-aligned, " 9"; a blank is read as nothing by the OK rules).
class tDigitsValidator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString &input, int &) const override
    {
        for (QChar ch : input)
            if ((ch < QLatin1Char('0') || ch > QLatin1Char('9')) && ch != QLatin1Char(' '))
                return Invalid;
        return Acceptable;
    }
};

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

void digitsOnly(QLineEdit *edit) { edit->setValidator(new tDigitsValidator(edit)); }

void digitsOnly(std::initializer_list<QLineEdit *> edits)
{
    for (QLineEdit *edit : edits) digitsOnly(edit);
}

} // namespace velk
