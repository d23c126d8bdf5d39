// help_viewer.h - the program's help window.
//
// Shows the help document (resources/help/velk.html, one section per help keyword) in a window
// of its own beside the main frame.  Contents is the document's start; a keyword jumps to its
// section, an empty or unknown keyword shows the index of all keywords; context 0 ("Suchen")
// shows the contents with the cursor in the search field, other context numbers the contents.
// Return in the search field lists the sections that contain every word typed; Escape closes
// the window.  It opens and comes to the front above the window it was asked from, also from a
// modal dialog, which would otherwise keep it behind and block it.
#ifndef VELK_SHELL_UI_HELP_VIEWER_H
#define VELK_SHELL_UI_HELP_VIEWER_H

#include <QPointer>
#include <QWidget>

#include <string>
#include <vector>

#include "shell/core/help_text.h"

class QAction;
class QLineEdit;
class QTextBrowser;

namespace velk {

// A key that works anywhere in `owner`'s window (F1 in the frame, Escape in the help): the action
// named `name`, added to `owner`, for the caller to connect.
QAction *addWindowKey(QWidget *owner, const char *name, Qt::Key key);

class tHelpViewer : public QWidget {
    Q_OBJECT
public:
    explicit tHelpViewer(QWidget *parent = nullptr);

    void showContents();
    void showKeyword(const QString &keyword);
    void showContext(int context);
    // Lists the sections that contain every word of `query` as links.
    void search(const QString &query);

    // What the window shows: "" for the contents, "Index" for the index, "Suchen" for a search
    // result, else the keyword.
    QString shownSection() const { return shown_; }
    QTextBrowser *browser() const { return browser_; }
    QLineEdit *searchField() const { return search_; }

    // The index page: one link per keyword.
    static QString indexHtml();

    // The window the help is kept above (a transient of it): the modal dialog it was asked
    // from, else the main frame.
    QWidget *owner() const { return owner_; }

private:
    void present();
    void place();
    void followOwner();
    void ownerGone();
    void setOwner(QWidget *owner);

    QTextBrowser *browser_;
    QLineEdit *search_;
    QString shown_;
    std::vector<tHelpSection> sections_;
    bool placed_ = false;
    QPointer<QWidget> owner_;
};

} // namespace velk

#endif
