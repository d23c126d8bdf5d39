// dia_proj.h - the project dialog tDiaProj ("Projekt", help "Projektdialog").
//
// Mode 1 makes a new project, mode 2 changes one whose ID stays fixed (mode 0 counts as 1).  The
// client ("Auftraggeber") is a person-or-group reference chosen with "Ändern".  OK checks a new
// ID and stores at once; a store the table refuses is reported and the dialog stays open.
#ifndef VELK_WIDGETS_PROJECTS_DIA_PROJ_H
#define VELK_WIDGETS_PROJECTS_DIA_PROJ_H

#include <memory>
#include <string>

#include "address/reference.h"
#include "projects/project.h"
#include "widgets/address/row_dialog.h"

namespace Ui {
class tDiaProj;
}

namespace velk {

class tDiaProj : public tRowDialog<tProject> {
    Q_OBJECT
public:
    enum Mode { New = 1, Edit = 2 };

    // project null: a new project, whatever the mode.
    tDiaProj(QWidget *parent, const tProject *project, int mode);
    ~tDiaProj() override;

    bool isNew() const { return isNew_; }

    // True when OK stored the project; *project (when given) then holds the stored value.
    static bool run(QWidget *parent, tProject *project, int mode);

private:
    void okPressed() override;

    std::unique_ptr<Ui::tDiaProj> ui_;
    bool isNew_;
    std::string oldId_;
    tPersonOrGroup costumer_;
};

} // namespace velk

#endif
