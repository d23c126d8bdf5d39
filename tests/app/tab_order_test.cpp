// The Tab order of a dialog's controls from their places: rows top to bottom with a tolerance,
// left to right in a row, the dialog's buttons last.
#include <gtest/gtest.h>

#include "shell/core/tab_order.h"

using namespace velk;

namespace {

struct OrderCase {
    const char *what;
    std::vector<tTabPlace> places;
    int tolerance;
    std::vector<std::size_t> order;
};

} // namespace

TEST(TabOrder, RowsThenColumnsThenButtons)
{
    const OrderCase cases[] = {
        {"one column", {{10, 60}, {10, 10}, {10, 35}}, 5, {1, 2, 0}},
        {"a row left to right", {{200, 10}, {10, 10}, {100, 10}}, 5, {1, 2, 0}},
        {"a centred check box beside a taller list is one row",
         {{100, 10}, {10, 13}, {10, 40}},
         5,
         {1, 0, 2}},
        {"a top just beyond the tolerance opens a row", {{100, 10}, {10, 15}}, 5, {0, 1}},
        {"the row is measured from its first control, not its last",
         {{10, 10}, {20, 14}, {30, 18}},
         5,
         {0, 1, 2}},
        {"buttons last, even above the fields",
         {{10, 100, true}, {10, 10, true}, {50, 10}, {10, 200}},
         5,
         {2, 3, 1, 0}},
        {"a button row left to right",
         {{300, 200, true}, {100, 200, true}, {200, 201, true}, {10, 10}},
         5,
         {3, 1, 2, 0}},
        {"equal places keep their order", {{10, 10}, {10, 10}}, 5, {0, 1}},
        {"nothing", {}, 5, {}},
    };
    for (const OrderCase &c : cases) EXPECT_EQ(tabOrder(c.places, c.tolerance), c.order) << c.what;
}
