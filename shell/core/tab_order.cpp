#include "shell/core/tab_order.h"

#include <algorithm>

namespace velk {

// Orders the indexes `part` (all buttons or all others) by rows, then by left.
static void orderRows(const std::vector<tTabPlace> &places, std::vector<std::size_t> &part,
                      int rowTolerance)
{
    std::stable_sort(part.begin(), part.end(),
                     [&](std::size_t a, std::size_t b) { return places[a].top < places[b].top; });
    auto row = part.begin();
    while (row != part.end()) {
        const int rowTop = places[*row].top;
        auto end = std::find_if(
            row, part.end(), [&](std::size_t i) { return places[i].top - rowTop >= rowTolerance; });
        std::stable_sort(row, end, [&](std::size_t a, std::size_t b) {
            return places[a].left < places[b].left;
        });
        row = end;
    }
}

std::vector<std::size_t> tabOrder(const std::vector<tTabPlace> &places, int rowTolerance)
{
    std::vector<std::size_t> controls, buttons;
    for (std::size_t i = 0; i < places.size(); ++i)
        (places[i].button ? buttons : controls).push_back(i);
    orderRows(places, controls, rowTolerance);
    orderRows(places, buttons, rowTolerance);
    controls.insert(controls.end(), buttons.begin(), buttons.end());
    return controls;
}

} // namespace velk
