// week_view_win.h - the week calendar tWeekWin (help "Wochenkalender").
//
// One week, Monday to Sunday, as seven day panes, each a heading (the date and that day's
// holidays) over a TMyListBox of the day's birthdays, appointments and due tasks
// (views/week_view.h computes both).  Monday to Thursday form the left column, Friday to
// Sunday the right one, each pane a quarter of the height; the lower right quarter stays empty.
//
// The caption is "Wochenkalender" until the tool bar arrows move the week (1001 back, 1002
// forward); then "Wochenkalender %d.%d.%4d" of the new Monday.  Neu (124) opens a new appointment
// on the focused day (no day focused: today), Ändern (125) and a double click open the selected
// line's record, Löschen (126) deletes the selected appointment at once.  The notice bits 1 and
// 4 refill the lists.
//
// "Heute" (1003) shows the week today lies in; today's heading is tinted in the palette's
// highlight colour whenever the week shown holds today.  It prints as one page of seven panes
// (views/print_pages.h).  A heading's tip names the day, a line's
// its record (views/view_tips.h).  The desk state is the Monday shown ("%02d.%02d.%04d").
#ifndef VELK_WIDGETS_CALENDAR_WEEK_VIEW_WIN_H
#define VELK_WIDGETS_CALENDAR_WEEK_VIEW_WIN_H

#include "shell/ui/view.h"
#include "views/week_view.h"

#include <array>

class QLabel;

namespace velk {

class TMyListBox;

class tWeekWin : public tView {
    Q_OBJECT
public:
    // The week that `date` opens (a Sunday opens the following week).
    explicit tWeekWin(const tDate &date, QWidget *parent = nullptr);

    const tDate &start() const { return week_.start; }
    QLabel *heading(int day) const { return headings_[std::size_t(day)]; }
    TMyListBox *dayList(int day) const { return lists_[std::size_t(day)]; }
    // The day whose list has the focus, -1 for none.
    int focusedDay() const;

    tNotices noticeMask() const override { return NoticeAppointments | NoticePersons; }
    bool handlesCommand(int id) const override;
    void command(int id) override;
    QString helpKeyword() const override;
    QSize sizeHint() const override;
    QString deskState() const override;
    void restoreDeskState(const QString &state) override;
    // The week shown on one landscape page, today's heading tinted as on the screen.
    bool canPrint() const override { return true; }
    bool printDoc(tPrintDoc &doc) const override;

protected:
    void dataChanged(tNotices bits) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void move(int weeks);
    void showWeek(const tDate &start);
    void markToday();
    void showHeadings();
    void showLines();
    void layOut();
    void openSelected();
    void deleteSelected();

    tHolidayCache holidays_;
    tWeek week_;
    std::array<QWidget *, kWeekDays> panes_{};
    std::array<QLabel *, kWeekDays> headings_{};
    std::array<TMyListBox *, kWeekDays> lists_{};
};

} // namespace velk

#endif
