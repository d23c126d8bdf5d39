// dia_res.h - the resource dialog tDiaRes ("Ressource", help "Ressourcen").
//
// Mode 1 makes a new resource, mode 0 changes one.  A resource's ID cannot be changed: the
// appointments that book it name it by that ID.  OK stores at once; a store the table refuses
// is reported and the dialog stays open.
#ifndef VELK_WIDGETS_ADDRESS_DIA_RES_H
#define VELK_WIDGETS_ADDRESS_DIA_RES_H

#include <memory>

#include "address/resource.h"
#include "widgets/address/row_dialog.h"

namespace Ui {
class tDiaRes;
}

namespace velk {

class tDiaRes : public tRowDialog<tResource> {
    Q_OBJECT
public:
    enum Mode { Edit = 0, New = 1 };

    tDiaRes(QWidget *parent, const tResource &resource, int mode);
    ~tDiaRes() override;

    // True when OK stored the resource; `resource` then holds it.
    static bool run(QWidget *parent, tResource &resource, int mode);

private:
    void okPressed() override;

    std::unique_ptr<Ui::tDiaRes> ui_;
    int mode_;
    tResource old_;
};

} // namespace velk

#endif
