// dia_pers_grp.h - choosing and showing a person-or-group reference in another dialog.
//
// The appointment, alarm, project and task dialogs keep a reference ("P" + person ID, "G" +
// group ID, or nobody) and show it in a label and a list of their own:
//   ChoosePersonOrGroup(this, ref, ui->labelWith, ui->listWith);   // the "..." button
//   ShowPersonOrGroup(ref, ui->labelWith, ui->listWith);           // on opening
// Each list line carries its person's ID in Qt::UserRole (a QByteArray).
#ifndef VELK_WIDGETS_ADDRESS_DIA_PERS_GRP_H
#define VELK_WIDGETS_ADDRESS_DIA_PERS_GRP_H

#include <QDialog>

#include <memory>

#include "address/reference.h"

class QLabel;
class QListWidget;

namespace Ui {
class tDiaPersGrp;
}

namespace velk {

// "Nur eine Einzelperson oder eine Gruppe?": each button closes the dialog with its number.
class tDiaPersGrp : public QDialog {
    Q_OBJECT
public:
    enum Answer { Cancel = 2, Group = 101, Person = 102, Clear = 103 };

    explicit tDiaPersGrp(QWidget *parent);
    ~tDiaPersGrp() override;

private:
    std::unique_ptr<Ui::tDiaPersGrp> ui_;
};

// Asks person or group, runs the person selection or the group chooser, and shows the result.
// "Gruppe" with no group chosen makes the reference empty; "Person" whose selection is
// cancelled keeps the reference; "Löschen" empties it; "Abbruch" changes nothing.  Answers
// whether the reference changed.
bool ChoosePersonOrGroup(QWidget *parent, tPersonOrGroup &ref, QLabel *label, QListWidget *list);

// Shows a reference: empties the list, then describeReference's label and lines.
void ShowPersonOrGroup(const tPersonOrGroup &ref, QLabel *label, QListWidget *list);

} // namespace velk

#endif
