#include "widgets/exchange/sync_progress.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velk {

tSyncProgressDialog::tSyncProgressDialog(QWidget *parent, const QString &title,
                                         const QString &label)
{
    auto *dialog = new QDialog(parent);
    dialog->setObjectName(QStringLiteral("syncProgress"));
    dialog->setWindowTitle(title);
    dialog->setWindowModality(Qt::WindowModal);
    auto *layout = new QVBoxLayout(dialog);
    layout->addWidget(new QLabel(label, dialog));
    text_ = new QPlainTextEdit(dialog);
    text_->setObjectName(QStringLiteral("syncLines"));
    text_->setReadOnly(true);
    text_->setMinimumSize(520, 220);
    layout->addWidget(text_);
    auto *buttons = new QDialogButtonBox(dialog);
    QPushButton *cancel =
        buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("buttonCancel"));
    layout->addWidget(buttons);
    // Closing the window is a cancel too; the dialog stays until the work has stopped.
    QObject::connect(dialog, &QDialog::rejected, dialog, [this, cancel] {
        cancelled_ = true;
        cancel->setEnabled(false);
        if (dialog_) dialog_->show();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    dialog_ = dialog;
    dialog->show();
    QApplication::processEvents();
}

tSyncProgressDialog::~tSyncProgressDialog() { delete dialog_.data(); }

tLineSink tSyncProgressDialog::lineSink()
{
    return [this](const std::string &line) { addLine(line); };
}

tExchangeProgress tSyncProgressDialog::progress()
{
    return [this](long, long) {
        QApplication::processEvents();
        return !cancelled_;
    };
}

void tSyncProgressDialog::addLine(const std::string &line)
{
    QString shown = QString::fromUtf8(line);
    lines_ << shown;
    if (text_) text_->appendPlainText(shown);
    QApplication::processEvents();
}

} // namespace velk
