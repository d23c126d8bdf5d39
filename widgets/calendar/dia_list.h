// dia_list.h - the selection list tDiaList ("Auswahlliste"): everything of one day, or of one
// time range, in one list; OK (or a double click) opens the line's person or appointment, or
// deletes the appointment in delete mode, and closes the dialog with OK whatever came of it.
// "Drucken..." shows the lines as a table in the print preview (selectionPrintDoc).
//
// Also here: how the calendar's views carry out what a click or a command comes to
// (runViewAction); they tell the other views through the shell's sendNotice.
#ifndef VELK_WIDGETS_CALENDAR_DIA_LIST_H
#define VELK_WIDGETS_CALENDAR_DIA_LIST_H

#include <QDialog>

class QMenu;

#include <functional>
#include <memory>

#include "views/selection_list.h"

namespace Ui {
class tDiaList;
}

namespace velk {

class tDiaList : public QDialog {
    Q_OBJECT
public:
    tDiaList(QWidget *parent, tSelection selection);
    ~tDiaList() override;

    const tSelection &selection() const { return selection_; }

    // Day mode: the holiday, the birthdays and the appointments of `day`.
    static bool run(QWidget *parent, const tDate &day);
    // Range mode (10 change, 11 delete) over range->from .. range->till; false at once without
    // a range.
    static bool run(QWidget *parent, const tTermin *range, int mode);

private:
    void confirm();
    void printLines();

    std::unique_ptr<Ui::tDiaList> ui_;
    tSelection selection_;
};

// Carries out `action` with the openers of the calendar's windows and the selection list.
// Answers whether something was stored or deleted; a failed deletion is reported ("Fehler beim
// Löschen").  An action whose opener is not set does nothing.
bool runViewAction(QWidget *parent, const tViewAction &action);

// The drawn views' context menu: "Ändern" (cmd112) and "Löschen" (cmd111), each calling `run`
// with its selection mode (SelectChange, SelectDelete).
void addPlanMenuActions(QMenu *menu, const std::function<void(int mode)> &run);

} // namespace velk

#endif
