// pers_list_win.h - the person list tPersListWin (window "Person", help "Personenliste").
//
// One line a person in name order, "ID\tCHRNAME NAME\t%2d.%2d.%04d\tTEL", in columns at the tab
// stops 48, 198 and 252.  It refills on the persons bit (4) of the data-changed notice.  Neu,
// Ändern (and a double click) and Löschen work on persons; root alone gives passwords with
// "Anmelden...".  One window at most: while it is open, openList() answers it.
#ifndef VELK_WIDGETS_ADDRESS_PERS_LIST_WIN_H
#define VELK_WIDGETS_ADDRESS_PERS_LIST_WIN_H

#include "shell/ui/list_win.h"

namespace velk {

struct tPerson;

class tPersListWin : public tTabListWin {
    Q_OBJECT
public:
    explicit tPersListWin(QWidget *parent = nullptr);

    // The open person list, or null.
    static tPersListWin *openList();

    void fill() override;
    // A person the person dialog has just inserted: its line at the end.
    void appendPerson(const tPerson &person);

    bool handlesCommand(int id) const override;
    void command(int id) override;
    // The lines as shown, in a table of ID, Name, Geburtstag and Telefon.
    bool canPrint() const override { return true; }
    bool printDoc(tPrintDoc &doc) const override;

protected:
    void openLine() override { editPerson(); }

private:
    std::string selectedId() const;
    void newPerson();
    void editPerson();
    void deletePerson();
    void setPassword();
};

} // namespace velk

#endif
