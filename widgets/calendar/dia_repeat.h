// dia_repeat.h - the recurrence dialog tDiaRepeat ("Wiederholung", help "Wiederholung").
//
// It edits a rule in place for an appointment starting on a given date: the rhythm, for "jeden"
// the ordinal ("letzten" or "am" N), unit and scope, and the count.  OK applies the controls
// (applyRepeatFields); an N outside 1 to 31 shows "Falsche Eingabe" (caption "Fehler") and keeps
// the dialog open with the rhythm already taken over.
#ifndef VELK_WIDGETS_CALENDAR_DIA_REPEAT_H
#define VELK_WIDGETS_CALENDAR_DIA_REPEAT_H

#include <QDialog>

#include <memory>

#include "base/date.h"
#include "calendar/repeat.h"

namespace Ui {
class tDiaRepeat;
}

namespace velk {

class tDiaRepeat : public QDialog {
    Q_OBJECT
public:
    tDiaRepeat(QWidget *parent, const tDate &start, tRepeat &rule);
    ~tDiaRepeat() override;

    // True when the dialog ended with OK; rule is edited in place.
    static bool run(QWidget *parent, const tDate &start, tRepeat &rule);

private:
    void showRule();
    void enableEvery();
    void okPressed();

    std::unique_ptr<Ui::tDiaRepeat> ui_;
    tRepeat &rule_;
};

} // namespace velk

#endif
