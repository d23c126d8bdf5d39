// exchange_progress.h - the progress dialog of a long import or export.
//
// An import or export reports its progress between records (exchange/exchange.h).  Once it
// knows it has more than kProgressThreshold records, a window-modal progress dialog
// ("exchangeProgress") shows how far it is, with "Abbrechen"; the events are handled every few
// milliseconds, so the window stays alive and the cancel button is heard between two records.
// Short work shows no window at all.
#ifndef VELK_WIDGETS_EXCHANGE_EXCHANGE_PROGRESS_H
#define VELK_WIDGETS_EXCHANGE_EXCHANGE_PROGRESS_H

#include "exchange/exchange.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

class QProgressDialog;
class QWidget;

namespace velk {

constexpr long kProgressThreshold = 300;

class tExchangeProgressDialog {
public:
    tExchangeProgressDialog(QWidget *parent, QString label);
    ~tExchangeProgressDialog();
    tExchangeProgressDialog(const tExchangeProgressDialog &) = delete;
    tExchangeProgressDialog &operator=(const tExchangeProgressDialog &) = delete;

    // The callback to hand to the import or export; valid while this object lives.
    tExchangeProgress callback();
    // Whether the dialog was shown (the work had more than kProgressThreshold records).
    bool wasShown() const { return shown_; }

private:
    bool step(long done, long total);

    QWidget *parent_;
    QString label_;
    QPointer<QProgressDialog> dialog_;
    QElapsedTimer sinceEvents_;
    bool shown_ = false;
    bool cancelled_ = false;
};

} // namespace velk

#endif
