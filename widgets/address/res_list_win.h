// res_list_win.h - the resource list tResListWin (window "Ressourcen", help "Ressourcen").
//
// One line a resource, "ID\tTITLE", sorted, in columns at the tab stop 48.  It refills on the
// resources bit (2) of the data-changed notice, which its own commands send after each change.
// One window at most: while it is open, openList() answers it.
#ifndef VELK_WIDGETS_ADDRESS_RES_LIST_WIN_H
#define VELK_WIDGETS_ADDRESS_RES_LIST_WIN_H

#include "shell/ui/list_win.h"

namespace velk {

class tResListWin : public tTabListWin {
    Q_OBJECT
public:
    explicit tResListWin(QWidget *parent = nullptr);

    static tResListWin *openList();

    void fill() override;

    bool handlesCommand(int id) const override;
    void command(int id) override;
    // Printed as a table: the lines as shown, columns ID and Bezeichnung.
    bool canPrint() const override { return true; }
    bool printDoc(tPrintDoc &doc) const override;
};

} // namespace velk

#endif
