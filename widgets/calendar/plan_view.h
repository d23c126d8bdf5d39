// plan_view.h - what the two drawn calendar windows (the month planner, the occupancy plan)
// share: the shapes their view computes, the font metrics they are laid out by, the rubber band
// of a drag, the "Ändern"/"Löschen" menu of the right button, the tool bar arrows (1001 back,
// 1002 forward), "Heute", the zoom, and the carrying out of what a drag, a double click or the
// menu comes to.
//
// The zoom (view_zoom.h) multiplies the metrics; "Vergrößern", "Verkleinern" and Ctrl with the
// wheel go by its steps, "Originalgröße" back to 100 %, "An Fenster anpassen" to the largest
// zoom at which the drawing fits the window.  The zoom chosen is kept in VELK.INI (section
// "V.E.L.K", one key per kind of view) and the next window of that kind opens with it.
//
// A window derives from it, creates the band over the widget it is clicked in (makeBand) and the
// menu (makeMenu), and says how it refills, steps, goes to today, fits and hit-tests for the
// menu.
#ifndef VELK_WIDGETS_CALENDAR_PLAN_VIEW_H
#define VELK_WIDGETS_CALENDAR_PLAN_VIEW_H

#include <vector>

#include "shell/ui/view.h"
#include "views/holiday_cache.h"
#include "views/view_types.h"

#include <memory>

class QMenu;
class QMouseEvent;
class QPaintDevice;
class QRubberBand;
class QWheelEvent;

namespace velk {

class tPlanTextWidths;

// Where the drawn views keep their zoom: the program's VELK.INI, given at the login.  Until then
// (and in tests that give none) no zoom is read or kept, and every view opens at 100 %.
void setPlanZoomIni(const QString &iniPath);
// Key `key` of section "V.E.L.K" read as a zoom (zoomFromSetting); 100 without a file.
int rememberedZoom(const QString &key);
void rememberZoom(const QString &key, int zoom);

class tPlanView : public tView {
    Q_OBJECT
public:
    explicit tPlanView(QWidget *parent = nullptr);
    ~tPlanView() override;

    // The metrics at the current zoom.
    tViewMetrics metrics() const { return metrics_; }
    int zoom() const { return zoom_; }
    // Draws at `zoom` (kept within 50 to 400 %) and keeps it for the next window of this kind.
    void setZoom(int zoom);
    // The day marked as today: the system's date, or the one a test gives (an incomplete day
    // gives the system's date back).
    tDate today() const;
    void setToday(const tDate &day);
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
    // Shows today's month or year.
    virtual void goToday() = 0;
    // The largest zoom at which the drawing fits the window.
    virtual int fittingZoom() const = 0;
    // After the zoom changed: lays out again (refill) by default.
    virtual void zoomChanged();

    // The metrics at 100 %.
    tViewMetrics ownMetrics() const { return own_; }
    // Reads the zoom kept under `key` (in the constructor, before measuring).
    void startZoom(const QString &key);
    // Measures the font on `device` and takes the metrics at the zoom.
    void measureOn(QPaintDevice *device);
    // The zoom without keeping it (a restored desk).
    void applyZoom(int zoom);
    // Ctrl with the wheel: one zoom step per notch (120, also in parts); false (nothing done)
    // without Ctrl.
    bool wheelZoom(QWheelEvent *event);
    // Today and the palette's highlight colour, for the layout.
    tTodayMark todayMark() const;

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
    tViewMetrics own_; // at 100 %
    std::unique_ptr<tPlanTextWidths> textWidths_;
    int zoom_ = 100;
    int wheelRest_ = 0; // of the wheel's turn with Ctrl, less than a notch
    QString zoomKey_;
    tDate today_;
    bool dragging_ = false;
    tPoint rightClick_;
    QRubberBand *band_ = nullptr;
    QMenu *menu_ = nullptr;
};

} // namespace velk

#endif
