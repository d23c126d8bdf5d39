#include "widgets/address/dia_member.h"

#include <QComboBox>

#include <algorithm>

#include "address/lists.h"
#include "address/person.h"
#include "widgets/address/dia_group.h"
#include "widgets/address/dia_person.h"
#include "widgets/address/dia_sel_pers.h"
#include "shell/ui/dialog_fields.h"
#include "shell/core/help_keywords.h"
#include "shell/core/tab_stops.h"
#include "shell/ui/cp1252.h"
#include "shell/ui/dialog_help.h"
#include "shell/ui/shell_host.h"
#include "shell/ui/tab_list.h"
#include "ui_dia_member.h"
#include "views/undo_journal.h"

namespace velk {

tDiaMember::tDiaMember(QWidget *parent)
    : QDialog(parent), ui_(std::make_unique<Ui::tDiaMember>()), members_(new tTabList({48}, true))
{
    ui_->setupUi(this);
    installDialogHelp(this, QString::fromUtf8(help::Groups));
    members_->setObjectName(QStringLiteral("listMembers"));
    members_->setProperty("controlId", 105);
    members_->setMinimumSize(ui_->memberListPlace->minimumSize());
    delete ui_->fieldLayout->replaceWidget(ui_->memberListPlace, members_);
    delete ui_->memberListPlace;
    ui_->memberListPlace = nullptr;
    ui_->labelMembers->setBuddy(members_);
    setTabOrder(ui_->buttonGroupDelete, members_);
    setTabOrder(members_, ui_->buttonMemberNew);

    fillGroups();
    enableGroupButtons(false);
    connect(ui_->comboGroup, &QComboBox::currentIndexChanged, this, &tDiaMember::groupSelected);
    // The line the list shows as chosen is the selected one, also where the list made a line
    // current without selecting it (the first line when Tab enters it, an arrow key that could
    // not move): the member buttons work on that line.
    connect(members_, &tTabList::currentRowChanged, this, [this](int row) {
        if (row >= 0 && members_->currentRow() != row) members_->selectRow(row);
        ui_->buttonMemberEdit->setEnabled(row >= 0);
        ui_->buttonMemberDelete->setEnabled(row >= 0);
    });
    connect(members_, &tTabList::lineActivated, this, &tDiaMember::editMember);
    connect(ui_->buttonGroupNew, &QPushButton::clicked, this, &tDiaMember::newGroup);
    connect(ui_->buttonGroupEdit, &QPushButton::clicked, this, &tDiaMember::editGroup);
    connect(ui_->buttonGroupDelete, &QPushButton::clicked, this, &tDiaMember::deleteGroup);
    connect(ui_->buttonMemberNew, &QPushButton::clicked, this, &tDiaMember::newMember);
    connect(ui_->buttonMemberEdit, &QPushButton::clicked, this, &tDiaMember::editMember);
    connect(ui_->buttonMemberDelete, &QPushButton::clicked, this, &tDiaMember::deleteMember);
    connect(ui_->buttonClose, &QPushButton::clicked, this, &tDiaMember::closePressed);
}

tDiaMember::~tDiaMember() = default;

// The combo box keeps its lines in list box order; nothing is selected at first.
void tDiaMember::fillGroups()
{
    QSignalBlocker quiet(ui_->comboGroup);
    std::vector<tListLine> lines = groupChoiceLines();
    std::stable_sort(lines.begin(), lines.end(), [](const tListLine &a, const tListLine &b) {
        return listBoxLess(a.text, b.text);
    });
    for (const tListLine &line : lines)
        ui_->comboGroup->addItem(fromCp1252(line.text), QByteArray::fromStdString(line.id));
    ui_->comboGroup->setCurrentIndex(-1);
}

std::string tDiaMember::selectedGroupId() const
{
    int at = ui_->comboGroup->currentIndex();
    return at < 0 ? std::string() : ui_->comboGroup->itemData(at).toByteArray().toStdString();
}

bool tDiaMember::selectedGroup(tGroup &group) const
{
    return ui_->comboGroup->currentIndex() >= 0 && group.find(selectedGroupId());
}

void tDiaMember::selectGroup(const std::string &id)
{
    QSignalBlocker quiet(ui_->comboGroup);
    ui_->comboGroup->setCurrentIndex(
        id.empty() ? -1 : ui_->comboGroup->findData(QByteArray::fromStdString(id)));
}

void tDiaMember::enableGroupButtons(bool on)
{
    ui_->buttonGroupEdit->setEnabled(on);
    ui_->buttonGroupDelete->setEnabled(on);
    ui_->buttonMemberNew->setEnabled(on);
    ui_->buttonMemberEdit->setEnabled(on && members_->currentRow() >= 0);
    ui_->buttonMemberDelete->setEnabled(on && members_->currentRow() >= 0);
}

void tDiaMember::groupSelected()
{
    if (ui_->comboGroup->currentIndex() < 0) return;
    tGroup g;
    if (!selectedGroup(g)) {
        shellHost().message(this, QStringLiteral("Gruppe nicht in der Datenbank"), appName());
        return;
    }
    showMembers(g.ID);
    enableGroupButtons(true);
}

void tDiaMember::showMembers(const std::string &gid)
{
    std::vector<tTabLine> lines;
    for (tListLine &line : memberListLines(gid))
        lines.push_back({std::move(line.text), std::move(line.id)});
    members_->lines()->setLines(std::move(lines));
}

void tDiaMember::newGroup()
{
    tGroup g;
    if (!TDiaGroup::run(this, g, TDiaGroup::New)) return;
    std::string keep = selectedGroupId();
    std::vector<std::string> texts;
    for (int i = 0; i < ui_->comboGroup->count(); ++i)
        texts.push_back(toCp1252(ui_->comboGroup->itemText(i)));
    std::string text = groupChoiceLine(g);
    QSignalBlocker quiet(ui_->comboGroup);
    ui_->comboGroup->insertItem(int(sortedPosition(texts, text)), fromCp1252(text),
                                QByteArray::fromStdString(g.ID));
    selectGroup(keep);
}

void tDiaMember::editGroup()
{
    tGroup g;
    if (!selectedGroup(g)) return;
    if (!TDiaGroup::run(this, g, TDiaGroup::Edit)) return;
    // The line shows the new name at once.
    QSignalBlocker quiet(ui_->comboGroup);
    ui_->comboGroup->setItemText(ui_->comboGroup->currentIndex(), fromCp1252(groupChoiceLine(g)));
}

void tDiaMember::deleteGroup()
{
    tGroup g;
    if (!selectedGroup(g)) return;
    if (!tUndoJournal::instance().deleting(tUndoKind::Group, g.ID,
                                           [&] { return g.remove() == tStoreStatus::Stored; })) {
        reportDeleteFailure(this);
        return;
    }
    {
        QSignalBlocker quiet(ui_->comboGroup);
        ui_->comboGroup->removeItem(ui_->comboGroup->currentIndex());
        ui_->comboGroup->setCurrentIndex(-1);
    }
    members_->lines()->clear();
    enableGroupButtons(false);
}

void tDiaMember::newMember()
{
    tGroup g;
    if (!selectedGroup(g)) return;
    std::string id;
    if (!tDiaSelPers::run(this, id)) return;
    tPerson p;
    if (id.empty() || !p.find(id)) return;
    if (isMember(g.ID, p.ID)) return; // already a member: nothing to add
    if (!addMember(g.ID, p.ID)) {
        reportStoreFailure(this);
        return;
    }
    members_->lines()->addLine({std::string(p.ID) + '\t' + p.CHRNAME + ' ' + p.NAME, p.ID});
}

const tTabLine *tDiaMember::chosenMember() const
{
    if (const tTabLine *line = members_->currentLine()) return line;
    int row = members_->currentIndex().row();
    return row >= 0 && row < members_->lines()->count() ? &members_->lines()->line(row) : nullptr;
}

void tDiaMember::editMember()
{
    const tTabLine *line = chosenMember();
    tPerson p;
    if (!line || !p.find(line->key)) return;
    if (!tDiaPerson::run(this, &p)) return;
    tGroup g;
    if (selectedGroup(g)) showMembers(g.ID); // the person's line as it now reads
}

void tDiaMember::deleteMember()
{
    const tTabLine *line = chosenMember();
    tGroup g;
    if (!line || !selectedGroup(g) || !isMember(g.ID, line->key)) return;
    if (!removeMember(g.ID, line->key)) {
        reportDeleteFailure(this);
        return;
    }
    members_->lines()->removeLine(members_->lines()->rowOfKey(line->key));
    members_->selectRow(-1);
    ui_->buttonMemberEdit->setEnabled(false);
    ui_->buttonMemberDelete->setEnabled(false);
}

void tDiaMember::closePressed()
{
    tGroup g;
    chosen_ = selectedGroup(g) ? g : tGroup();
    accept();
}

void tDiaMember::run(QWidget *parent)
{
    tDiaMember dialog(parent);
    shellHost().runDialog(dialog);
}

bool tDiaMember::choose(QWidget *parent, tGroup &group)
{
    tDiaMember dialog(parent);
    if (shellHost().runDialog(dialog) != QDialog::Accepted || !dialog.chosenGroup().ID[0])
        return false;
    group = dialog.chosenGroup();
    return true;
}

} // namespace velk
