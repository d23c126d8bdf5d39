// res_list_win.h - the resource list tResListWin (window "Ressourcen", help "Ressourcen").
//
// One line a resource, "ID\tTITLE", sorted, in columns at the tab stop 48.  It refills on the
// resources bit (2) of the data-changed notice, which its own commands send after each change.
// One window at most: while it is open, openList() answers it.
#ifndef VELK_WIDGETS_ADDRESS_RES_LIST_WIN_H
#define VELK_WIDGETS_ADDRESS_RES_LIST_WIN_H

#include "shell/ui/view.h"

namespace velk {

class tTabList;

class tResListWin : public tView {
    Q_OBJECT
public:
    explicit tResListWin(QWidget *parent = nullptr);
    ~tResListWin() override;

    static tResListWin *openList();

    tTabList *list() const { return list_; }
    void fill();

    int noticeMask() const override { return NoticeResources; }
    bool handlesCommand(int id) const override;
    void command(int id) override;
    QString helpKeyword() const override;
    QSize sizeHint() const override;

protected:
    void dataChanged(int bits) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void changed();

    tTabList *list_;
};

} // namespace velk

#endif
