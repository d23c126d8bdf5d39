#include "widgets/exchange/exchange_progress.h"

#include <QApplication>
#include <QProgressDialog>

#include "shell/ui/shell_host.h"

#include <algorithm>

namespace velk {

namespace {

constexpr qint64 kEventInterval = 40; // milliseconds between two looks at the events

} // namespace

tExchangeProgressDialog::tExchangeProgressDialog(QWidget *parent, QString label)
    : parent_(parent), label_(std::move(label))
{}

tExchangeProgressDialog::~tExchangeProgressDialog() { delete dialog_.data(); }

tExchangeProgress tExchangeProgressDialog::callback()
{
    return [this](long done, long total) { return step(done, total); };
}

bool tExchangeProgressDialog::step(long done, long total)
{
    if (cancelled_) return false;
    if (!dialog_ && !shown_ && total > kProgressThreshold) {
        auto *dialog =
            new QProgressDialog(label_, QStringLiteral("Abbrechen"), 0, int(total), parent_);
        dialog->setObjectName(QStringLiteral("exchangeProgress"));
        dialog->setWindowTitle(appName());
        dialog->setWindowModality(Qt::WindowModal);
        dialog->setMinimumDuration(0);
        dialog->setAutoClose(false);
        dialog->setAutoReset(false);
        dialog_ = dialog;
        shown_ = true;
        dialog->show();
        sinceEvents_.invalidate();
    }
    if (!dialog_) return true;
    if (sinceEvents_.isValid() && sinceEvents_.elapsed() < kEventInterval && done < total)
        return true;
    dialog_->setMaximum(int(total));
    dialog_->setValue(int(std::min(done, total)));
    QApplication::processEvents();
    sinceEvents_.start();
    cancelled_ = dialog_ && dialog_->wasCanceled();
    return !cancelled_;
}

} // namespace velk
