// view.h - what every document window of the frame is.
//
// A view lives in a sub-window of the client (TMyMDIClient).  It says which bits of the
// data-changed notice it listens to (1 appointments, 2 resources, 4 persons, 8 projects and
// tasks, 16 alarms), which of the view-dependent commands it handles (124, 125, 126, 51691, 1001,
// 1002) and its help keyword.  Whoever changes data says so with sendNotice; the notice arrives
// as a tDataChangedEvent, delivered synchronously; a view whose bits are not in the mask ignores
// it.
#ifndef VELK_SHELL_UI_VIEW_H
#define VELK_SHELL_UI_VIEW_H

#include <QEvent>
#include <QWidget>

#include "base/date.h"
#include "base/notice_bits.h"

namespace velk {

struct tPrintDoc;

// The notice bits (base/notice_bits.h) as flags.
Q_DECLARE_FLAGS(tNotices, tNoticeBit)
Q_DECLARE_OPERATORS_FOR_FLAGS(tNotices)

// The view types the client creates ("create view of type t").  The week calendar and the task
// list have no type number of their own among 1 to 7; they are registered under keys above them.
enum tViewType : int {
    ViewNone = 0,
    ViewMonthPlan = 1,
    ViewOccupancy = 2,
    ViewPersonList = 3,
    ViewResourceList = 4,
    ViewAppointmentList = 5,
    ViewAlarmList = 6,
    ViewProjectList = 7,
    ViewWeekCalendar = 101,
    ViewTaskList = 102,
    ViewSearch = 103,
};

// The data-changed notice: QEvent::User + 1 carrying the mask of what changed.
class tDataChangedEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 1);
    explicit tDataChangedEvent(tNotices mask) : QEvent(kType), mask_(mask) {}
    tNotices mask() const { return mask_; }

private:
    tNotices mask_;
};

// What a new view is given: types 1 and 5 and the week calendar use today's date, type 2 the
// year; every view is given both.
struct tViewArgs {
    tDate today;
    int year = 0;
};

class tView : public QWidget {
    Q_OBJECT
public:
    explicit tView(QWidget *parent = nullptr) : QWidget(parent) {}

    virtual tNotices noticeMask() const { return {}; }
    virtual bool handlesCommand(int) const { return false; }
    virtual void command(int) {}
    virtual QString helpKeyword() const { return QString(); }
    // The desk saved at "Beenden" and restored at the next start: what the view shows as one
    // line of text (the date shown, the zoom), empty for a view with nothing to keep, and taking
    // such a line back (a line it cannot read leaves the view as it opened).
    virtual QString deskState() const { return QString(); }
    virtual void restoreDeskState(const QString &) {}
    // Printing ("Drucken...", "Druckvorschau...", "Als PDF sichern..."): whether the view has
    // pages to print, and those pages of what it shows (views/print_pages.h).  `doc` arrives
    // with the heading's user and time; the view replaces it by its builder's document under
    // that heading.  False (doc untouched) for a view that does not print.
    virtual bool canPrint() const { return false; }
    // Asked before the pages are built: a view with a choice to make (which months) asks for it
    // here; false (cancelled) prints nothing.
    virtual bool preparePrint() { return true; }
    virtual bool printDoc(tPrintDoc &) const { return false; }

protected:
    // Asks the main frame to enable its menu entries anew: what the view handles changed (a line
    // selected, the lines refilled or removed).
    void commandsChanged();
    // Called with the bits of a notice that this view listens to (never 0).
    virtual void dataChanged(tNotices) {}
    bool event(QEvent *e) override;
};

// Who of the views is told: all of them, or all but the sender (which has shown the change
// already).
enum class tNoticeTo { All, Others };

// The data-changed notice with `mask` to every open view of the client that `from` is or lives in,
// in the order they were opened; a view that closes while it refills is not told afterwards.  A
// view shown on its own, outside a client, is told alone (nobody with tNoticeTo::Others).  No
// notice for a null `from` or an empty mask.
void sendNotice(QWidget *from, tNotices mask, tNoticeTo to = tNoticeTo::All);

} // namespace velk

#endif
