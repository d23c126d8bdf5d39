// occupancy_plan_win.h - the occupancy plan tJahrPlanWin ("Belegung %4d", help "Belegungsplan").
//
// One year for all resources (views/occupancy_plan.h computes every shape; this window
// paints them).  Both scroll bars move by whole cells: U across, H down.  Dragging with the left
// button over days books the resource of the row where it began; a double click opens the day's
// selection list or the one booking of that resource on that day; the right button shows
// "Ändern" and "Löschen" for the selection list of the day.  1001/1002 step by a year, "Heute"
// goes to today's year and month, whose day is marked; the zoom (plan_view.h) scales the cells,
// "An Fenster anpassen" so that a month fills the window's width; the appointments and
// resources bits of the data-changed notice redraw it.  The desk keeps "Jahr yyyy Zoom z".  The
// pointer resting on the plan shows the bookings under it, the resource or the day
// (views/view_tips.h).
#ifndef VELK_WIDGETS_CALENDAR_OCCUPANCY_PLAN_WIN_H
#define VELK_WIDGETS_CALENDAR_OCCUPANCY_PLAN_WIN_H

#include "views/occupancy_plan.h"
#include "widgets/calendar/plan_view.h"

class QAbstractScrollArea;
class QHelpEvent;
class QMouseEvent;

namespace velk {

class tJahrPlanWin : public tPlanView {
    Q_OBJECT
public:
    explicit tJahrPlanWin(int year, QWidget *parent = nullptr);

    int year() const { return data_.year; }
    const tJahrPlanData &data() const { return data_; }
    QAbstractScrollArea *area() const { return area_; }
    QWidget *canvas() const; // the widget the plan is drawn on and clicked in
    tPlanScroll scroll() const;
    void setScroll(tPlanScroll position);

    // Counts the resources and walks the year's bookings afresh, then redraws.
    void refill() override;

    tNotices noticeMask() const override { return NoticeAppointments | NoticeResources; }
    QString helpKeyword() const override;
    // The months chosen in the dialog "printMonths" (spin boxes "firstMonth" and "lastMonth",
    // the whole year at first, the last choice after), one landscape page a quarter of them.
    bool canPrint() const override { return true; }
    bool preparePrint() override;
    bool printDoc(tPrintDoc &doc) const override;
    QSize sizeHint() const override;
    QString deskState() const override;
    void restoreDeskState(const QString &line) override;

protected:
    void step(int steps) override;
    void goToday() override;
    int fittingZoom() const override;
    void zoomChanged() override;
    tViewAction menuAction(tPoint rightClick, int mode) const override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int printFirst_ = 1; // the months to print, 1 to 12
    int printLast_ = 12;

    void measure();
    void pageSteps();
    void scrollRanges();
    void paintCanvas(const QRect &exposed);
    bool mouse(QEvent::Type type, QMouseEvent *e);
    bool showTip(QHelpEvent *e);

    tJahrPlanData data_;
    QAbstractScrollArea *area_;
    bool banded_ = false; // a rubber band was drawn during this drag
};

} // namespace velk

#endif
