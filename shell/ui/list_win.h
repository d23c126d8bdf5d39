// list_win.h - what the list windows share.
//
// tListWin is a view that shows one list of records: it listens to its bits of the data-changed
// notice and refills on them, sends them after a change of its own, opens at a fixed size and has
// its help keyword.  A kind of which one window at most exists keeps the open one in a slot of its
// own, which a closed window leaves at once (Qt deletes it only later).  tTabListWin is the list
// window whose list is a tTabList: a new selection asks for the menus anew, and Return or a
// double click opens the selected line.
#ifndef VELK_SHELL_UI_LIST_WIN_H
#define VELK_SHELL_UI_LIST_WIN_H

#include <string>
#include <vector>

#include "shell/ui/view.h"

namespace velk {

class tTabList;

// What tells one list window from another.
struct tListLook {
    const char *name;     // the window's object name
    const char *bodyName; // the list's object name
    const char *title;    // the window title
    tNotices notice;      // the bits it refills on and sends after a change
    const char *help;     // the help keyword (UTF-8)
    int width;            // the size the sub-window opens at
    int height;
};

class tListWin : public tView {
    Q_OBJECT
public:
    // The records anew; the derived window calls it last in its constructor.
    virtual void fill() = 0;

    tNotices noticeMask() const override { return look_.notice; }
    QString helpKeyword() const override;
    QSize sizeHint() const override;

protected:
    // `openSlot` keeps the one open window of its kind; null for a kind with any number.
    tListWin(const tListLook &look, tListWin **openSlot, QWidget *parent);
    ~tListWin() override;

    // The list widget, the window's only child, without margins.
    void setBody(QWidget *body);
    void dataChanged(tNotices) override { fill(); }
    void closeEvent(QCloseEvent *event) override;
    // After a change of the window's own: every view of its bits refills, this one included.
    void changed() { sendNotice(this, noticeMask()); }
    // After a change that the window shows already: the other views of its bits refill.
    void changedElsewhere() { sendNotice(this, noticeMask(), tNoticeTo::Others); }

private:
    void leaveSlot();

    tListLook look_;
    tListWin **openSlot_;
};

class tTabListWin : public tListWin {
    Q_OBJECT
public:
    tTabList *list() const { return list_; }
    // The stored text of every line (Windows-1252, tab-separated), in the order shown.
    std::vector<std::string> lineTexts() const;

protected:
    tTabListWin(const tListLook &look, std::vector<int> tabStops, bool sorted, tListWin **openSlot,
                QWidget *parent);

    // What Return or a double click on a line does: Ändern.
    virtual void openLine();

    tTabList *list_;
};

} // namespace velk

#endif
