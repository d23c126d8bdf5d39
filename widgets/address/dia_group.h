// dia_group.h - the group dialog TDiaGroup ("Gruppe", help "Gruppen").
//
// Mode 1 makes a new group, mode 0 changes one whose ID stays fixed.  The comment ("Anmerkung")
// is taken over only when it was edited; an edited, emptied comment removes the stored text.
// OK stores at once; a store the table refuses is reported and the dialog stays open.
#ifndef VELK_WIDGETS_ADDRESS_DIA_GROUP_H
#define VELK_WIDGETS_ADDRESS_DIA_GROUP_H

#include <memory>

#include "address/group.h"
#include "widgets/address/row_dialog.h"

namespace Ui {
class TDiaGroup;
}

namespace velk {

class TDiaGroup : public tRowDialog<tGroup> {
    Q_OBJECT
public:
    enum Mode { Edit = 0, New = 1 };

    TDiaGroup(QWidget *parent, const tGroup &group, int mode);
    ~TDiaGroup() override;

    // True when OK stored the group; `group` then holds the stored value.
    static bool run(QWidget *parent, tGroup &group, int mode);

private:
    void okPressed() override;

    std::unique_ptr<Ui::TDiaGroup> ui_;
    int mode_;
    std::string oldId_;
};

} // namespace velk

#endif
