// plan_view.h - what the two drawn calendar windows (the month planner, the occupancy plan)
// share: the shapes their view computes, the font metrics they are laid out by, the rubber band
// of a drag, the "Ändern"/"Löschen" menu of the right button, the tool bar arrows (1001 back,
// 1002 forward) and the carrying out of what a drag, a double click or the menu comes to.
//
// A window derives from it, creates the band over the widget it is clicked in (makeBand) and the
// menu (makeMenu), and says how it refills, steps and hit-tests for the menu.
#ifndef VELK_WIDGETS_CALENDAR_PLAN_VIEW_H
#define VELK_WIDGETS_CALENDAR_PLAN_VIEW_H

#include <vector>

#include "shell/ui/view.h"
#include "views/holiday_cache.h"
#include "views/view_types.h"

class QMenu;
class QMouseEvent;
class QRubberBand;

namespace velk {

class tPlanView : public tView {
    Q_OBJECT
public:
    explicit tPlanView(QWidget *parent = nullptr) : tView(parent) {}

    tViewMetrics metrics() const { return metrics_; }
    QMenu *contextMenu() const { return menu_; }
    QRubberBand *rubberBand() const { return band_; }
    const std::vector<tShape> &shapes() const { return shapes_; }

    // Computes the shapes afresh and repaints.
    virtual void refill() = 0;

    bool handlesCommand(int id) const override;
    void command(int id) override;

protected:
    // Moves by `steps` (-1 back, 1 forward): a month, a year.
    virtual void step(int steps) = 0;
    // What the menu entry of `mode` comes to at the point of the right click.
    virtual tViewAction menuAction(tPoint rightClick, int mode) const = 0;

    void dataChanged(tNotices bits) override;

    void makeBand(QWidget *host);
    void makeMenu(const QString &name);

    // The right button: the menu where it was pressed.
    void popUpMenu(const QMouseEvent *e);
    // A drag with the left button from `p`.
    void startDrag(tPoint p);
    // The band from where the drag began to `p`; false, showing nothing, when no drag is on.
    bool dragTo(tPoint p);
    // Ends the drag and hides the band; false when no drag was on.
    bool endDrag();
    // Forgets the drag, leaving the band as it is (the press before a double click).
    void forgetDrag() { dragging_ = false; }

    // Runs the dialog the action asks for; when it ends with OK, sends the action's notice and
    // refills where the action says so.
    void carryOut(const tViewAction &action);

    tHolidayCache holidays_;
    tViewMetrics metrics_;
    std::vector<tShape> shapes_;
    tPoint down_; // where the drag began

private:
    bool dragging_ = false;
    tPoint rightClick_;
    QRubberBand *band_ = nullptr;
    QMenu *menu_ = nullptr;
};

} // namespace velk

#endif
