// mdi_client.h - TMyMDIClient, the parent of all views.
//
// It creates views (from factories that the view subsystems register per view type), sends the
// data-changed notice to every open view, arranges the views for the "Fenster" commands and owns
// the due-alarm timer: every 60 s, counted from the end of the previous check, it runs the
// registered check with the main frame as parent; the timer is stopped for the whole check.
// It also owns the follow timer, which shows other copies' changes: every followPeriod() ms,
// counted from the end of the previous check, it runs the registered change check and sends the
// bits it answers to every open view as a data-changed notice.  While a modal dialog is open the
// check waits for the next tick after it (a refill must not pull the lines from under a dialog
// opened on one of them); what changed meanwhile is answered then.  Each sub-window keeps the
// type its view was created with (the desk kept at "Beenden", shell/ui/desk.h), and a new view
// larger than the client area is shrunk into it, so that all of it can be reached.
#ifndef VELK_SHELL_UI_MDI_CLIENT_H
#define VELK_SHELL_UI_MDI_CLIENT_H

#include <QMdiArea>

#include <functional>
#include <map>
#include <vector>

#include "shell/ui/view.h"

namespace velk {

using tViewFactory = std::function<tView *(const tViewArgs &)>;
using tDueCheck = std::function<void(QWidget *parent)>;
// The notice bits of what other copies changed since the last call (base/change_watch.h).
using tChangeCheck = std::function<int()>;

class TMyMDIClient : public QMdiArea {
    Q_OBJECT
public:
    static constexpr int kAlarmPeriodMs = 60000;

    explicit TMyMDIClient(QWidget *parent = nullptr);

    // A factory may answer a view that is open already (one window at most): it is activated.
    void registerView(int type, tViewFactory factory);
    bool canCreate(int type) const { return factories_.count(type) != 0; }

    // "Create view of type t": stores t as the next type, then creates it.
    void setNextViewType(int type) { nextType_ = type; }
    int nextViewType() const { return nextType_; }
    tView *createView();
    tView *createView(int type, const tViewArgs &args); // for views opened without a type number

    QList<tView *> views() const; // in the order they were opened
    // The type the view was created with (ViewNone for a view added some other way).
    int viewType(const tView *view) const;
    tView *activeView() const;

    void tileSideBySide();
    void tileStacked();
    void arrangeIcons();

    void setDueCheck(tDueCheck check) { dueCheck_ = std::move(check); }
    bool alarmTimerActive() const { return timerId_ != 0; }
    // The timer's period: kAlarmPeriodMs, shorter only for trying the program out.
    void setAlarmPeriod(int ms);
    int alarmPeriod() const { return periodMs_; }
    int alarmTimerId() const { return timerId_; }
    // One tick of the due-alarm timer (the timer event calls it).
    void alarmTick();

    // The follow timer runs while a check is set and the period is above 0 (0: off).
    void setChangeCheck(tChangeCheck check);
    void setFollowPeriod(int ms);
    int followPeriod() const { return followMs_; }
    bool followTimerActive() const { return followId_ != 0; }
    // One tick of the follow timer (the timer event calls it).
    void followTick();

    // Moves and shrinks every sub-window that runs past the client area into it (a new view
    // larger than the area, views restored while the frame was hidden).
    void fitSubWindows();
    // Runs `step` now when the client is shown, else at the end of its next show (minimising,
    // maximising and activating a sub-window take effect only on a shown client).
    void whenShown(std::function<void()> step);

protected:
    void timerEvent(QTimerEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // sendNotice: every open view in turn but `except`, synchronously.
    friend void sendNotice(QWidget *from, tNotices mask, tNoticeTo to);
    void sendDataChanged(tNotices mask, const QWidget *except);
    tView *addView(tView *view, int type);
    void startAlarmTimer();
    void stopAlarmTimer();
    void restartFollowTimer();

    std::map<int, tViewFactory> factories_;
    int nextType_ = ViewNone;
    tDueCheck dueCheck_;
    int timerId_ = 0;
    int periodMs_ = kAlarmPeriodMs;
    tChangeCheck changeCheck_;
    int followId_ = 0;
    int followMs_ = 0;
    std::vector<std::function<void()>> whenShown_;
};

} // namespace velk

#endif
