// dia_sel_pers.h - the person selection tDiaSelPers ("Personenauswahl").
//
// Lists every person as "* CHRNAME NAME Tel: TEL [ID]", sorted by that text; OK or a double
// click chooses the selected line's person.
#ifndef VELK_WIDGETS_ADDRESS_DIA_SEL_PERS_H
#define VELK_WIDGETS_ADDRESS_DIA_SEL_PERS_H

#include <QDialog>

#include <memory>
#include <string>

namespace Ui {
class tDiaSelPers;
}

namespace velk {

class tDiaSelPers : public QDialog {
    Q_OBJECT
public:
    explicit tDiaSelPers(QWidget *parent);
    ~tDiaSelPers() override;

    // The chosen person's ID; empty when no line was selected.
    const std::string &chosenId() const { return chosen_; }

    // True after OK, with the chosen ID (empty when no line was selected) in id; false after
    // cancel, id unchanged.
    static bool run(QWidget *parent, std::string &id);

private:
    void choose();

    std::unique_ptr<Ui::tDiaSelPers> ui_;
    std::string chosen_;
};

} // namespace velk

#endif
