// sync_progress.h - the window of a sync or a server set-up while it runs.
//
// A window-modal dialog ("syncProgress", titled by `title`) shows each line the work reports as it
// comes (the steps and vdirsyncer's output) and has "Abbrechen", which a sync hears between two
// steps. Every line lets the events run, so the window is drawn and the button heard while the work
// goes on in the same thread.
#ifndef VELK_WIDGETS_EXCHANGE_SYNC_PROGRESS_H
#define VELK_WIDGETS_EXCHANGE_SYNC_PROGRESS_H

#include "exchange/exchange.h"
#include "exchange/sync_server.h"

#include <QPointer>
#include <QString>
#include <QStringList>

class QDialog;
class QPlainTextEdit;
class QWidget;

namespace velk {

class tSyncProgressDialog {
public:
    tSyncProgressDialog(QWidget *parent, const QString &title, const QString &label);
    ~tSyncProgressDialog();
    tSyncProgressDialog(const tSyncProgressDialog &) = delete;
    tSyncProgressDialog &operator=(const tSyncProgressDialog &) = delete;

    // Both valid while this object lives.
    tLineSink lineSink();
    tExchangeProgress progress();

    bool cancelled() const { return cancelled_; }
    QStringList lines() const { return lines_; }

private:
    void addLine(const std::string &line);

    QPointer<QDialog> dialog_;
    QPlainTextEdit *text_ = nullptr;
    QStringList lines_;
    bool cancelled_ = false;
};

} // namespace velk

#endif
