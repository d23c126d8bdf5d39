// dia_person.h - the person dialog tDiaPerson ("Person", help "Personendialog").
//
// It edits a copy of one person, or a new one.  OK checks the ID and the birthday and stores the
// person at once: a new one is inserted (and appended to the open person list), an existing one
// rewritten under its old ID, its memberships going with a changed ID.  A store the table refuses
// is reported and the dialog stays open.  A user's person keeps its ID: it is the login name.
#ifndef VELK_WIDGETS_ADDRESS_DIA_PERSON_H
#define VELK_WIDGETS_ADDRESS_DIA_PERSON_H

#include <QDialog>

#include <memory>
#include <string>

#include "address/person.h"

namespace Ui {
class tDiaPerson;
}

namespace velk {

class tDiaPerson : public QDialog {
    Q_OBJECT
public:
    // person null: a new person, every field empty.
    tDiaPerson(QWidget *parent, const tPerson *person);
    ~tDiaPerson() override;

    const tPerson &person() const { return person_; }

    // Runs the dialog on *person (null: a new person); true when OK stored it, and then *person
    // holds the stored value.
    static bool run(QWidget *parent, tPerson *person);

private:
    void okPressed();
    bool store();

    std::unique_ptr<Ui::tDiaPerson> ui_;
    bool isNew_;
    std::string oldId_;
    tPerson person_;
};

} // namespace velk

#endif
