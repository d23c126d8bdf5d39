// search_win.h - the search window tSearchWin ("Suchen", help "Suchen"), opened by "Bearbeiten >
// Suchen..." (Ctrl+F); one at most: the command brings the open one to the front and puts the
// cursor into its field.
//
// A word typed into the field ("Suchbegriff") finds appointments, persons, groups, resources,
// projects and tasks (views/search.h); the results show 250 ms after the last key, at once on
// Return.  Six check boxes choose the kinds; "Zeitraum" switches on a date range ("von", "bis",
// each with the calendar button of the dialogs' date fields).  The list shows a heading per kind
// with results and the results under it (views/search_rows.h), the status line their number.
//
// Keys: Down in the field goes to the first result; in the list the arrows step over the
// headings, Up above the first result goes back to the field, Escape too; Return or a double
// click opens the result's dialog through viewOpeners(), and after OK the notice of that kind
// goes to every open view.  A notice that touches a shown kind makes the window search again;
// the selected result stays selected where it is still found.
#ifndef VELK_WIDGETS_CALENDAR_SEARCH_WIN_H
#define VELK_WIDGETS_CALENDAR_SEARCH_WIN_H

#include <array>
#include <vector>

#include "shell/ui/view.h"
#include "views/search.h"
#include "views/search_rows.h"

class QCheckBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QTimer;
class QToolButton;
class QTreeWidget;

namespace velk {

class tMainFrame;
class TMyMDIClient;

class tSearchWin : public tView {
    Q_OBJECT
public:
    explicit tSearchWin(QWidget *parent = nullptr);
    ~tSearchWin() override;

    // The open search window, or null.
    static tSearchWin *openWindow();

    // The cursor into the field, its text selected.
    void focusWord();
    // Searches now with what the window shows.
    void search();

    QLineEdit *word() const { return word_; }
    QTreeWidget *results() const { return results_; }
    QLabel *status() const { return status_; }
    QCheckBox *kindBox(tSearchKind kind) const { return kinds_[std::size_t(kind)]; }
    const std::vector<tSearchRow> &rows() const { return rows_; }
    const std::vector<tSearchHit> &hits() const { return hits_; }
    // The selected result, or null.
    const tSearchHit *selectedHit() const;
    tSearchFilter filter() const;

    tNotices noticeMask() const override;
    QString helpKeyword() const override;
    QSize sizeHint() const override;

protected:
    void dataChanged(tNotices bits) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildKinds(QHBoxLayout *row);
    void buildRange(QHBoxLayout *row);
    void showRows(int keepRow);
    void selectRow(int row);
    bool listKey(int key);
    void openSelected();

    tSearchIndex index_;
    QLineEdit *word_;
    std::array<QCheckBox *, kSearchKinds> kinds_{};
    QCheckBox *range_ = nullptr;
    std::array<QLineEdit *, 3> from_{};
    std::array<QLineEdit *, 3> till_{};
    std::array<QToolButton *, 2> pickers_{};
    QTreeWidget *results_;
    QLabel *status_;
    QTimer *timer_;
    std::vector<tSearchHit> hits_;
    std::vector<tSearchRow> rows_;
};

// "Suchen..." (Ctrl+F) in the frame, and the openers of groups, resources and projects where
// the program has not set its own.
void searchFrameSetup(tMainFrame &frame, TMyMDIClient &client);

} // namespace velk

#endif
