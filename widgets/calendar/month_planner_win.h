// month_planner_win.h - the month planner tCalPlanerWin ("Planer %d %4d", help "Monatsplan").
//
// One month as a time grid (views/month_planner.h computes every shape; this window
// paints them).  Dragging with the left button over days and hours shows a rubber band and then
// opens a new appointment over the two corners; a double click opens the day's selection list,
// the birthday's person or the appointment under the hour; the right button shows "Ändern" and
// "Löschen" for the selection list of that hour.  1001/1002 step by a month, "Heute" goes to
// today's month, whose day is marked; the zoom (plan_view.h) scales the grid, "An Fenster
// anpassen" to the window's size, and scroll bars appear where the month grows larger than the
// window; the appointments and persons bits of the data-changed notice repaint it.  The desk
// keeps "Monat m/yyyy Zoom z".  The pointer resting on the grid shows the appointments under it,
// or the day (views/view_tips.h).
#ifndef VELK_WIDGETS_CALENDAR_MONTH_PLANNER_WIN_H
#define VELK_WIDGETS_CALENDAR_MONTH_PLANNER_WIN_H

#include "views/month_planner.h"
#include "widgets/calendar/plan_view.h"

class QScrollBar;

namespace velk {

class tCalPlanerWin : public tPlanView {
    Q_OBJECT
public:
    // The month `day` lies in.
    explicit tCalPlanerWin(const tDate &day, QWidget *parent = nullptr);

    const tDate &month() const { return month_; }

    // Reads the month's appointments and birthdays afresh and repaints.
    void refill() override;

    tNotices noticeMask() const override { return NoticeAppointments | NoticePersons; }
    QString helpKeyword() const override;
    QSize sizeHint() const override;
    QString deskState() const override;
    void restoreDeskState(const QString &line) override;
    // The month on one landscape page, laid out for paper.
    bool canPrint() const override { return true; }
    bool printDoc(tPrintDoc &doc) const override;

protected:
    void step(int steps) override;
    void goToday() override;
    int fittingZoom() const override;
    void wheelEvent(QWheelEvent *event) override;
    tViewAction menuAction(tPoint rightClick, int mode) const override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void measure();
    // The scroll bars for a month larger than the window, as the zoom and the size ask.
    void placeBars();
    // A point of the window in the drawing's pixels.
    tPoint scrolled(tPoint p) const;

    tDate month_;
    QScrollBar *acrossBar_ = nullptr;
    QScrollBar *downBar_ = nullptr;
};

} // namespace velk

#endif
