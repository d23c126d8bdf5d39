// list_box.h - the line lists of the calendar's listing views and what their lines open.
//
// tLineList shows view lines (views/view_types.h) one a row, in the order given, and
// keeps each line's kind and key beside its text; a double click on a line, or Return on the
// selected one, reports it.  The pointer resting on a line shows its tip (views/view_tips.h).
// TMyListBox, the list of one day of the week calendar, also remembers whether it has the
// keyboard focus: set when it gets the focus, cleared when it loses it, and losing it clears the
// selection.  The focus that goes to a menu (opened by mouse or by Alt) is not lost: the command
// chosen there still knows the day.
//
// runLineAction carries out what a command or a double click comes to: the record is looked up
// first (a line whose record is gone does nothing), then opened through viewOpeners(), or the
// appointment deleted at once ("Fehler beim Löschen" when that fails).  When something was stored
// the data-changed notice goes to every open view.
#ifndef VELK_WIDGETS_CALENDAR_LIST_BOX_H
#define VELK_WIDGETS_CALENDAR_LIST_BOX_H

#include <QListWidget>

#include <vector>

#include "views/holiday_cache.h"
#include "views/view_types.h"

namespace velk {

class tLineList : public QListWidget {
    Q_OBJECT
public:
    explicit tLineList(QWidget *parent = nullptr);

    void setLines(std::vector<tViewLine> lines);
    const std::vector<tViewLine> &lines() const { return lines_; }
    // The selected line, or null.
    const tViewLine *selectedLine() const;
    void selectLine(int row);

signals:
    void lineActivated(const velk::tViewLine &line); // a double click on a line, or Return
    void selectionChanged();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    std::vector<tViewLine> lines_;
    tHolidayCache tipHolidays_;
};

class TMyListBox : public tLineList {
    Q_OBJECT
public:
    explicit TMyListBox(QWidget *parent = nullptr) : tLineList(parent) {}

    // Whether this list has the focus (the last day list that got it).
    bool focused() const { return focused_; }

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    bool focused_ = false;
};

// Carries out `action` for the view `view`; answers whether something was stored (and the
// notice `action.notice` sent).
bool runLineAction(QWidget *view, const tViewAction &action);

} // namespace velk

#endif
