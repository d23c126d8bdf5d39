// dia_person.h - the person dialog tDiaPerson ("Person", help "Personendialog").
//
// It edits a copy of one person, or a new one.  OK checks the ID and the birthday and stores the
// person at once: a new one is inserted (and appended to the open person list), an existing one
// rewritten under its old ID, its memberships going with a changed ID.  A store the table refuses
// is reported and the dialog stays open.  A user's person keeps its ID: it is the login name.
#ifndef VELK_WIDGETS_ADDRESS_DIA_PERSON_H
#define VELK_WIDGETS_ADDRESS_DIA_PERSON_H

#include <memory>
#include <string>

#include "address/person.h"
#include "widgets/address/row_dialog.h"

namespace Ui {
class tDiaPerson;
}

namespace velk {

class tDiaPerson : public tRowDialog<tPerson> {
    Q_OBJECT
public:
    // person null: a new person, every field empty.
    tDiaPerson(QWidget *parent, const tPerson *person);
    ~tDiaPerson() override;

    // Runs the dialog on *person (null: a new person); true when OK stored it, and then *person
    // holds the stored value.
    static bool run(QWidget *parent, tPerson *person);

private:
    void okPressed() override;
    tStoreStatus store();

    std::unique_ptr<Ui::tDiaPerson> ui_;
    bool isNew_;
    std::string oldId_;
};

} // namespace velk

#endif
