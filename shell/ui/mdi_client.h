// mdi_client.h - TMyMDIClient, the parent of all views.
//
// It creates views (from factories that the view subsystems register per view type), sends the
// data-changed notice to every open view, arranges the views for the "Fenster" commands and owns
// the due-alarm timer: every 60 s, counted from the end of the previous check, it runs the
// registered check with the main frame as parent; the timer is stopped for the whole check.
#ifndef VELK_SHELL_UI_MDI_CLIENT_H
#define VELK_SHELL_UI_MDI_CLIENT_H

#include <QMdiArea>

#include <functional>
#include <map>

#include "shell/ui/view.h"

namespace velk {

using tViewFactory = std::function<tView *(const tViewArgs &)>;
using tDueCheck = std::function<void(QWidget *parent)>;

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

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    // sendNotice: every open view in turn but `except`, synchronously.
    friend void sendNotice(QWidget *from, tNotices mask, tNoticeTo to);
    void sendDataChanged(tNotices mask, const QWidget *except);
    tView *addView(tView *view);
    void startAlarmTimer();
    void stopAlarmTimer();

    std::map<int, tViewFactory> factories_;
    int nextType_ = ViewNone;
    tDueCheck dueCheck_;
    int timerId_ = 0;
    int periodMs_ = kAlarmPeriodMs;
};

} // namespace velk

#endif
