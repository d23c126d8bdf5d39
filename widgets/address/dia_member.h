// dia_member.h - the group membership dialog tDiaMember ("Gruppenzuordnung", help "Gruppen").
//
// The groups in a combo box ("ID: TITLE", sorted), each with its members in a list ("ID\tCHRNAME
// NAME", sorted, tab stop at 48 dialog units).  Groups are made, changed and deleted through the
// group dialog; members are added through the person selection, opened in the person dialog and
// removed.  Run with a group to fill it is the group chooser: "Schließen" chooses the selected
// group.
#ifndef VELK_WIDGETS_ADDRESS_DIA_MEMBER_H
#define VELK_WIDGETS_ADDRESS_DIA_MEMBER_H

#include <QDialog>

#include <memory>
#include <string>

#include "address/group.h"

namespace Ui {
class tDiaMember;
}

namespace velk {

class tTabList;
struct tTabLine;

class tDiaMember : public QDialog {
    Q_OBJECT
public:
    explicit tDiaMember(QWidget *parent);
    ~tDiaMember() override;

    tTabList *memberList() const { return members_; }
    // The group chosen by "Schließen"; its ID is empty when none was selected or found.
    const tGroup &chosenGroup() const { return chosen_; }

    // The management dialog of the menu command "Gruppen ...".
    static void run(QWidget *parent);
    // The group chooser: true with the chosen group in `group` when one was selected at
    // "Schließen"; false when none was, or the dialog was cancelled.
    static bool choose(QWidget *parent, tGroup &group);

private:
    std::string selectedGroupId() const;
    bool selectedGroup(tGroup &group) const;
    void fillGroups();
    void selectGroup(const std::string &id);
    void groupSelected();
    void showMembers(const std::string &gid);
    // The member line the buttons work on: the selected one, else the current one; null for none.
    const tTabLine *chosenMember() const;
    void enableGroupButtons(bool on);
    void newGroup();
    void editGroup();
    void deleteGroup();
    void newMember();
    void editMember();
    void deleteMember();
    void closePressed();

    std::unique_ptr<Ui::tDiaMember> ui_;
    tTabList *members_;
    tGroup chosen_;
};

} // namespace velk

#endif
