// term_list_win.h - the appointment list tTermListWin ("Terminlist %d.%d.%4d", help
// "Terminliste").
//
// Ten days from a start date, everything of each day one line (views/term_list.h): its
// holidays, birthdays, appointments and due tasks, the tasks up to today on today's entry.  The
// start date changes only by "Heute" (1003), which lists from today, and by the desk state (the
// start date, "%02d.%02d.%04d").  A line's tip tells its record (views/view_tips.h).  Ändern
// (125) and Löschen (126) are enabled while the selected line is a birthday or an appointment;
// a double click opens any line's record, a task's too.  Neu (124) opens a new appointment on
// today's date.  The notice bits 1 and 4 refill it; 8 alone does not.
#ifndef VELK_WIDGETS_CALENDAR_TERM_LIST_WIN_H
#define VELK_WIDGETS_CALENDAR_TERM_LIST_WIN_H

#include "shell/ui/view.h"
#include "views/holiday_cache.h"

namespace velk {

class tLineList;

class tTermListWin : public tView {
    Q_OBJECT
public:
    // The list from `start`; `today` gathers the overdue tasks and is the date "Neu" opens on.
    tTermListWin(const tDate &start, const tDate &today, QWidget *parent = nullptr);

    tLineList *list() const { return list_; }
    void fill();

    tNotices noticeMask() const override { return NoticeAppointments | NoticePersons; }
    bool handlesCommand(int id) const override;
    void command(int id) override;
    QString helpKeyword() const override;
    QSize sizeHint() const override;
    QString deskState() const override;
    void restoreDeskState(const QString &state) override;
    // The ten days' lines as a table of Datum, Art and Eintrag.
    bool canPrint() const override { return true; }
    bool printDoc(tPrintDoc &doc) const override;

    const tDate &start() const { return start_; }

protected:
    void dataChanged(tNotices bits) override;

private:
    void showFrom(const tDate &start);

    tDate start_;
    tDate today_;
    tHolidayCache holidays_;
    tLineList *list_;
};

} // namespace velk

#endif
