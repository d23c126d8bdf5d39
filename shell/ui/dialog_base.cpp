#include "shell/ui/dialog_base.h"

#include <QAbstractButton>
#include <QDialog>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QValidator>

#include <vector>

#include "shell/core/tab_order.h"
#include "shell/ui/screen_fit_ui.h"

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
        if (watched == dialog_) {
            if (event->type() == QEvent::Show && !ordered_) {
                ordered_ = true;
                orderTabsByLayout(dialog_);
            }
            return false;
        }
        if (event->type() == QEvent::FocusIn) {
            if (auto *edit = qobject_cast<QLineEdit *>(watched)) {
                Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
                if (reason != Qt::MouseFocusReason && reason != Qt::PopupFocusReason)
                    edit->selectAll();
            }
        } else if (event->type() == QEvent::KeyPress) {
            return newLine(watched, static_cast<QKeyEvent *>(event));
        }
        return false;
    }

private:
    // Enter in a multi-line field makes a new line there, never presses the default button;
    // Ctrl+Enter presses it, as Enter does in every other control.
    bool newLine(QObject *watched, QKeyEvent *key)
    {
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
        auto *plain = qobject_cast<QPlainTextEdit *>(watched);
        auto *rich = qobject_cast<QTextEdit *>(watched);
        if (!plain && !rich) return false;
        if (key->modifiers() & Qt::ControlModifier) {
            for (QPushButton *button : dialog_->findChildren<QPushButton *>()) {
                if (button->isDefault() && button->isVisible() && button->isEnabled()) {
                    button->click();
                    return true;
                }
            }
            return false;
        }
        if (plain && !plain->isReadOnly()) plain->insertPlainText(QStringLiteral("\n"));
        if (rich && !rich->isReadOnly()) rich->insertPlainText(QStringLiteral("\n"));
        return true;
    }

    QDialog *dialog_;
    bool ordered_ = false;
};

bool isDialogButton(const QWidget *w)
{
    // The buttons of the dialog's button row; buttons inside the fields ("Ändern") are fields.
    static const char *const names[] = {"buttonOk", "buttonCancel", "buttonHelp", "buttonClose"};
    if (!qobject_cast<const QPushButton *>(w)) return false;
    for (const char *name : names)
        if (w->objectName() == QLatin1String(name)) return true;
    return false;
}

} // namespace

void installDialogBase(QDialog *dialog)
{
    auto *base = new tDialogBase(dialog);
    dialog->installEventFilter(base);
    // Installed last, it sees the first show before the Tab order is set.
    keepDialogOnScreen(dialog);
    for (QLineEdit *edit : dialog->findChildren<QLineEdit *>()) edit->installEventFilter(base);
    for (QPlainTextEdit *edit : dialog->findChildren<QPlainTextEdit *>()) {
        edit->setTabChangesFocus(true);
        edit->installEventFilter(base);
    }
    for (QTextEdit *edit : dialog->findChildren<QTextEdit *>()) {
        edit->setTabChangesFocus(true);
        edit->installEventFilter(base);
    }
}

void digitsOnly(QLineEdit *edit) { edit->setValidator(new tDigitsValidator(edit)); }

void digitsOnly(std::initializer_list<QLineEdit *> edits)
{
    for (QLineEdit *edit : edits) digitsOnly(edit);
}

void orderTabsByLayout(QDialog *dialog)
{
    if (QLayout *layout = dialog->layout()) layout->activate();
    std::vector<QWidget *> controls;
    std::vector<tTabPlace> places;
    for (QWidget *w : dialog->findChildren<QWidget *>()) {
        if (!(w->focusPolicy() & Qt::TabFocus) || w->focusProxy() || !w->isVisibleTo(dialog))
            continue;
        // The parts of a compound control (a combo box's line edit) move with it.
        if (w->parentWidget() != dialog && !w->parentWidget()->inherits("QGroupBox") &&
            w->parentWidget()->focusPolicy() & Qt::TabFocus)
            continue;
        QPoint at = w->mapTo(dialog, QPoint(0, 0));
        controls.push_back(w);
        places.push_back({at.x(), at.y(), isDialogButton(w)});
    }
    const int tolerance = dialog->fontMetrics().height() / 2 + 1;
    std::vector<std::size_t> order = tabOrder(places, tolerance);
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(controls[order[i - 1]], controls[order[i]]);
    // The first control has the focus when the dialog opens, unless the dialog chose one.
    if (dialog->focusWidget()) return;
    for (std::size_t i : order) {
        if (controls[i]->isEnabled()) {
            controls[i]->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

} // namespace velk
