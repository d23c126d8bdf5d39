// shell_host.h - the program's modal windows and help, behind one interface.
//
// Message boxes, the file dialogs, running a dialog modally and the help calls all go through
// tShellHost.  The program installs tQtShellHost (real Qt windows); the tests install a recorder
// with scripted answers, so that no test ever waits on a modal window.
#ifndef VELK_SHELL_UI_SHELL_HOST_H
#define VELK_SHELL_UI_SHELL_HOST_H

#include <QString>

#include <memory>
#include <optional>
#include <string>

class QDialog;
class QWidget;

namespace velk {

struct tPrintDoc;

class tHelpViewer;

// A file chosen in a file dialog and the filter it was chosen under (counting from 1).
struct tFileChoice {
    QString name;
    int filter = 1;
};

class tShellHost {
public:
    virtual ~tShellHost() = default;

    // A modal message with the single button OK.
    virtual void message(QWidget *parent, const QString &text, const QString &caption) = 0;
    // A modal question with "Ja" and "Nein"; true for "Ja".  A host that cannot ask answers no.
    virtual bool question(QWidget *parent, const QString &text, const QString &caption);
    // File dialogs; `filter` in the "Name|pattern|" form; nothing when cancelled.  The program's
    // dialogs preselect the filter chosen last under the same list, and a name saved without an
    // extension gets the chosen filter's (shell/core/save_name.h).
    virtual std::optional<QString> openFileName(QWidget *parent, const QString &filter,
                                                bool mustExist) = 0;
    virtual std::optional<QString> saveFileName(QWidget *parent, const QString &filter) = 0;
    // The same with the index of the chosen filter; a host that cannot tell answers filter 1.
    virtual std::optional<tFileChoice> openFile(QWidget *parent, const QString &filter,
                                                bool mustExist);
    virtual std::optional<tFileChoice> saveFile(QWidget *parent, const QString &filter);
    // A line in the status bar of the main frame that holds `parent` (the frame or a window in
    // it), until the next one; nothing without a frame.
    virtual void status(QWidget *parent, const QString &text);
    // Runs a dialog modally; answers its result (QDialog::Accepted or Rejected).
    virtual int runDialog(QDialog &dialog) = 0;
    // Printing: the print dialog, then the pages on the chosen printer; true when printed.  A
    // host that cannot print answers false.
    virtual bool print(QWidget *parent, const tPrintDoc &doc);
    // The print preview of the pages (it can print them as well).
    virtual void printPreview(QWidget *parent, const tPrintDoc &doc);

    virtual void helpContents() = 0;
    virtual void helpKeyword(const QString &keyword) = 0; // empty: the index of all keywords
    virtual void helpContext(int context) = 0;
    virtual void helpClose() = 0;
};

// What a host that does not paint keeps of a document (views/print_pages.h): its title
// (Windows-1252), its number of pages, a copy.
std::string printTitle(const tPrintDoc &doc);
int printPageCount(const tPrintDoc &doc);
std::shared_ptr<const tPrintDoc> copyPrintDoc(const tPrintDoc &doc);

// The page setup kept in VELK.INI, section [Drucken]: the printer last printed on, colour or
// grey, one or both sides, the copies.  The pages' size and orientation are the document's own.
struct tPrintSetup {
    QString printer; // empty: the system's default printer
    bool colour = true;
    int duplex = 0; // 0 one side, 1 both sides along the long edge, 2 along the short edge
    int copies = 1;
    friend bool operator==(const tPrintSetup &, const tPrintSetup &) = default;
};
// What is missing or unreadable in the file reads as the default.
tPrintSetup readPrintSetup(const QString &iniPath);
bool writePrintSetup(const QString &iniPath, const tPrintSetup &setup);
// The VELK.INI the program's print dialog reads its setup from and keeps it in (none: nothing
// kept).
void setPrintIniPath(const QString &iniPath);

// The host every window of the program uses; set once at start (tests set their recorder).
tShellHost &shellHost();
void setShellHost(tShellHost *host);

// Makes the bitmaps and the help document (resources/velk.qrc) reachable as ":/...".
void initResources();

// The application's name: the caption of the frame and of every message box without its own.
QString appName();

class tQtShellHost : public tShellHost {
public:
    tQtShellHost();
    ~tQtShellHost() override;

    void message(QWidget *parent, const QString &text, const QString &caption) override;
    bool question(QWidget *parent, const QString &text, const QString &caption) override;
    std::optional<QString> openFileName(QWidget *parent, const QString &filter,
                                        bool mustExist) override;
    std::optional<QString> saveFileName(QWidget *parent, const QString &filter) override;
    std::optional<tFileChoice> openFile(QWidget *parent, const QString &filter,
                                        bool mustExist) override;
    std::optional<tFileChoice> saveFile(QWidget *parent, const QString &filter) override;
    int runDialog(QDialog &dialog) override;
    bool print(QWidget *parent, const tPrintDoc &doc) override;
    void printPreview(QWidget *parent, const tPrintDoc &doc) override;
    void helpContents() override;
    void helpKeyword(const QString &keyword) override;
    void helpContext(int context) override;
    void helpClose() override;

private:
    tHelpViewer &viewer();
    std::unique_ptr<tHelpViewer> viewer_;
};

} // namespace velk

#endif
