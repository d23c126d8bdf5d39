// jahr_plan_win.h - the occupancy plan tJahrPlanWin ("Belegung %4d", help "Belegungsplan").
//
// One year for all resources (views/occupancy_plan.h computes every shape; this window
// paints them).  Both scroll bars move by whole cells: U across, H down.  Dragging with the left
// button over days books the resource of the row where it began; a double click opens the day's
// selection list or the one booking of that resource on that day; the right button shows
// "Ändern" and "Löschen" for the selection list of the day.  1001/1002 step by a year; the
// appointments and resources bits of the data-changed notice redraw it.
#ifndef VELK_WIDGETS_CALENDAR_OCCUPANCY_PLAN_WIN_H
#define VELK_WIDGETS_CALENDAR_OCCUPANCY_PLAN_WIN_H

#include <vector>

#include "shell/ui/view.h"
#include "views/occupancy_plan.h"

class QAbstractScrollArea;
class QMenu;
class QMouseEvent;
class QRubberBand;

namespace velk {

class tJahrPlanWin : public tView {
    Q_OBJECT
public:
    explicit tJahrPlanWin(int year, QWidget *parent = nullptr);

    int year() const { return data_.year; }
    tViewMetrics metrics() const { return metrics_; }
    const tJahrPlanData &data() const { return data_; }
    const std::vector<tShape> &shapes() const { return shapes_; }
    QAbstractScrollArea *area() const { return area_; }
    QWidget *canvas() const; // the widget the plan is drawn on and clicked in
    QMenu *contextMenu() const { return menu_; }
    QRubberBand *rubberBand() const { return band_; }
    tPlanScroll scroll() const;
    void setScroll(tPlanScroll position);

    // Counts the resources and walks the year's bookings afresh, then redraws.
    void refill();

    tNotices noticeMask() const override { return NoticeAppointments | NoticeResources; }
    bool handlesCommand(int id) const override;
    void command(int id) override;
    QString helpKeyword() const override;
    QSize sizeHint() const override;

protected:
    void dataChanged(tNotices bits) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void measure();
    void paintCanvas(const QRect &exposed);
    bool mouse(QEvent::Type type, QMouseEvent *e);
    void menuCommand(int mode);
    void carryOut(const tViewAction &action);

    tJahrPlanData data_;
    tHolidayCache holidays_;
    tViewMetrics metrics_;
    std::vector<tShape> shapes_;
    QAbstractScrollArea *area_;
    bool dragging_ = false;
    bool banded_ = false; // a rubber band was drawn during this drag
    tPoint down_;
    tPoint rightClick_;
    QRubberBand *band_;
    QMenu *menu_;
};

} // namespace velk

#endif
