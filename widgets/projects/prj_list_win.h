// prj_list_win.h - the project list tPrjListWin (window "Projekte", help "Projektliste").
//
// Each project as "P ID\tTITLE" followed by its tasks as "T ID\tTITLE", in columns at the tab
// stop 48, in the order they were read.  It refills on the projects bit (8) of the
// data-changed notice.  Neu makes a new task of the selected line's project (a new project when
// no line is selected), Ändern (and a double click) opens the line's project or task, Löschen
// deletes a project with its tasks or a single task.  One window at most: while it is open,
// openList() answers it.
#ifndef VELK_WIDGETS_PROJECTS_PRJ_LIST_WIN_H
#define VELK_WIDGETS_PROJECTS_PRJ_LIST_WIN_H

#include <string>

#include "shell/ui/list_win.h"

namespace velk {

class tPrjListWin : public tTabListWin {
    Q_OBJECT
public:
    explicit tPrjListWin(QWidget *parent = nullptr);

    static tPrjListWin *openList();

    void fill() override;

    bool handlesCommand(int id) const override;
    void command(int id) override;
    // Printed as a table: the lines as shown, columns ID ("P" or "T" before it) and Bezeichnung.
    bool canPrint() const override { return true; }
    bool printDoc(tPrintDoc &doc) const override;

protected:
    void openLine() override { editLine(); }

private:
    std::string selectedText() const;
    void newTask();
    void editLine();
    void deleteLine();
    // After a change of this window's own: it refills, and so do the other views of projects.
    void refillAll();
};

} // namespace velk

#endif
