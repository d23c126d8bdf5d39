// row_dialog.h - what the dialogs of one stored row share (group, resource, person, project,
// task): OK stores the row and closes the dialog, a store the table refuses is reported ("Fehler
// beim Speichern") and the dialog stays open; Cancel closes it; run hands the stored row back.
#ifndef VELK_WIDGETS_ADDRESS_ROW_DIALOG_H
#define VELK_WIDGETS_ADDRESS_ROW_DIALOG_H

#include <QDialog>
#include <QPushButton>

#include "base/store_status.h"
#include "shell/ui/dialog_fields.h"
#include "shell/ui/shell_host.h"

namespace velk {

template <class Row>
class tRowDialog : public QDialog {
public:
    // The row the dialog works on; once OK stored it, the stored value.
    const Row &row() const { return row_; }

protected:
    explicit tRowDialog(QWidget *parent) : QDialog(parent) {}

    // OK calls okPressed, Cancel rejects.
    void connectButtons(QPushButton *ok, QPushButton *cancel)
    {
        connect(ok, &QPushButton::clicked, this, &tRowDialog::okPressed);
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    }

    virtual void okPressed() = 0;

    // The end of OK: keeps `stored` and closes the dialog when the table took it, else reports
    // the failure and stays open.
    void finish(tStoreStatus status, const Row &stored)
    {
        if (status != tStoreStatus::Stored) {
            reportStoreFailure(this);
            return;
        }
        row_ = stored;
        accept();
    }

    // Runs the dialog modal; true when OK stored its row, which then goes to *out (when given).
    static bool runModal(tRowDialog &dialog, Row *out)
    {
        if (shellHost().runDialog(dialog) != QDialog::Accepted) return false;
        if (out) *out = dialog.row();
        return true;
    }

    Row row_;
};

} // namespace velk

#endif
