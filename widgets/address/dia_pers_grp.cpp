#include "widgets/address/dia_pers_grp.h"

#include <QLabel>
#include <QListWidget>

#include "widgets/address/dia_member.h"
#include "widgets/address/dia_sel_pers.h"
#include "shell/ui/cp1252.h"
#include "shell/ui/dialog_base.h"
#include "shell/ui/shell_host.h"
#include "ui_dia_pers_grp.h"

namespace velk {

tDiaPersGrp::tDiaPersGrp(QWidget *parent)
    : QDialog(parent), ui_(std::make_unique<Ui::tDiaPersGrp>())
{
    ui_->setupUi(this);
    installDialogBase(this); // no help of its own
    connect(ui_->buttonPerson, &QPushButton::clicked, this, [this] { done(Person); });
    connect(ui_->buttonGroup, &QPushButton::clicked, this, [this] { done(Group); });
    connect(ui_->buttonClear, &QPushButton::clicked, this, [this] { done(Clear); });
    connect(ui_->buttonCancel, &QPushButton::clicked, this, [this] { done(Cancel); });
}

tDiaPersGrp::~tDiaPersGrp() = default;

bool ChoosePersonOrGroup(QWidget *parent, tPersonOrGroup &ref, QLabel *label, QListWidget *list)
{
    int answer;
    {
        tDiaPersGrp ask(parent);
        answer = shellHost().runDialog(ask);
    }
    const tPersonOrGroup before = ref;
    switch (answer) {
    case tDiaPersGrp::Group: {
        tGroup g;
        ref = tDiaMember::choose(parent, g) ? tPersonOrGroup::group(g.ID) : tPersonOrGroup();
        break;
    }
    case tDiaPersGrp::Person: {
        std::string id;
        // Cancelled, or OK with no line selected: the reference stays as it was.
        if (!tDiaSelPers::run(parent, id) || id.empty()) return false;
        ref = tPersonOrGroup::person(id);
        break;
    }
    case tDiaPersGrp::Clear:
        ref = tPersonOrGroup();
        break;
    default:
        return false;
    }
    ShowPersonOrGroup(ref, label, list);
    return !(ref == before);
}

void ShowPersonOrGroup(const tPersonOrGroup &ref, QLabel *label, QListWidget *list)
{
    tReferenceDisplay shown = describeReference(ref);
    list->clear();
    if (shown.setsLabel) label->setText(fromCp1252(shown.label));
    for (const tReferenceLine &line : shown.lines) {
        auto *item = new QListWidgetItem(fromCp1252(line.text), list);
        item->setData(Qt::UserRole, QByteArray::fromStdString(line.personId));
    }
}

} // namespace velk
