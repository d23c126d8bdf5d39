#include "widgets/address/dia_sel_pers.h"

#include <QListWidget>

#include <algorithm>

#include "address/lists.h"
#include "shell/core/help_keywords.h"
#include "shell/core/tab_stops.h"
#include "shell/ui/cp1252.h"
#include "shell/ui/dialog_help.h"
#include "shell/ui/shell_host.h"
#include "ui_dia_sel_pers.h"

namespace velk {

tDiaSelPers::tDiaSelPers(QWidget *parent)
    : QDialog(parent), ui_(std::make_unique<Ui::tDiaSelPers>())
{
    ui_->setupUi(this);
    installDialogHelp(this, QString::fromUtf8(help::PersonSelection));
    std::vector<tListLine> lines = personSelectionLines();
    std::stable_sort(lines.begin(), lines.end(), [](const tListLine &a, const tListLine &b) {
        return listBoxLess(a.text, b.text);
    });
    for (const tListLine &line : lines) {
        auto *item = new QListWidgetItem(fromCp1252(line.text), ui_->listPersons);
        item->setData(Qt::UserRole, QByteArray::fromStdString(line.id));
    }
    connect(ui_->listPersons, &QListWidget::itemDoubleClicked, this, &tDiaSelPers::choose);
    connect(ui_->buttonOk, &QPushButton::clicked, this, &tDiaSelPers::choose);
    connect(ui_->buttonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

tDiaSelPers::~tDiaSelPers() = default;

void tDiaSelPers::choose()
{
    QList<QListWidgetItem *> selected = ui_->listPersons->selectedItems();
    chosen_ = selected.isEmpty() ? std::string()
                                 : selected.first()->data(Qt::UserRole).toByteArray().toStdString();
    accept();
}

bool tDiaSelPers::run(QWidget *parent, std::string &id)
{
    tDiaSelPers dialog(parent);
    if (shellHost().runDialog(dialog) != QDialog::Accepted) return false;
    id = dialog.chosenId();
    return true;
}

} // namespace velk
