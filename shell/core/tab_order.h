// tab_order.h - the order in which Tab walks through a dialog's controls, from their places.
//
// Top to bottom, and left to right within a row; the dialog's buttons (OK, Abbruch, Hilfe, ...)
// come after every other control, in their own rows and columns.  Controls whose tops differ by
// less than the tolerance stand in one row: a check box beside a taller drop-down list is one
// row, though the layout centres the smaller one.
#ifndef VELK_SHELL_CORE_TAB_ORDER_H
#define VELK_SHELL_CORE_TAB_ORDER_H

#include <cstddef>
#include <vector>

namespace velk {

struct tTabPlace {
    int left = 0;
    int top = 0;
    bool button = false; // one of the dialog's buttons: last
};

// The indexes of `places` in Tab order.  A row is opened by its topmost control; a control joins
// it while its top lies less than `rowTolerance` below that control's top.
std::vector<std::size_t> tabOrder(const std::vector<tTabPlace> &places, int rowTolerance);

} // namespace velk

#endif
