#include "app/ui/view.h"

namespace velk {

bool tView::event(QEvent *e)
{
    if (e->type() == tDataChangedEvent::kType) {
        int bits = static_cast<tDataChangedEvent *>(e)->mask() & noticeMask();
        if (bits != 0) dataChanged(bits);
        return true;
    }
    return QWidget::event(e);
}

} // namespace velk
