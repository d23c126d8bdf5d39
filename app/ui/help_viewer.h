// help_viewer.h - the program's help window.
//
// Shows the help document (resources/help/velk.html, one section per help keyword) in a window
// of its own beside the main frame.  Contents is the document's start; a keyword jumps to its
// section, an empty or unknown keyword shows the index of all keywords; context numbers have no
// sections of their own and show the contents.
#ifndef VELK_APP_UI_HELP_VIEWER_H
#define VELK_APP_UI_HELP_VIEWER_H

#include <QWidget>

class QTextBrowser;

namespace velk {

class tHelpViewer : public QWidget {
    Q_OBJECT
public:
    explicit tHelpViewer(QWidget *parent = nullptr);

    void showContents();
    void showKeyword(const QString &keyword);
    void showContext(int context);

    // What the window shows: "" for the contents, "Index" for the index, else the keyword.
    QString shownSection() const { return shown_; }
    QTextBrowser *browser() const { return browser_; }

    // The index page: one link per keyword.
    static QString indexHtml();

private:
    void present();

    QTextBrowser *browser_;
    QString shown_;
    bool placed_ = false;
};

} // namespace velk

#endif
