#include "base/fill_hold.h"

#include <algorithm>
#include <cstring>

namespace velk {

tFillHold::tFillHold(std::initializer_list<tTable *> tables)
{
    std::vector<tTable *> order;
    for (tTable *t : tables)
        if (t && std::find(order.begin(), order.end(), t) == order.end()) order.push_back(t);
    std::sort(order.begin(), order.end(), [](const tTable *a, const tTable *b) {
        return std::strcmp(a->name(), b->name()) < 0;
    });
    for (tTable *t : order) holds_.push_back(std::make_unique<tTableHold>(t, tTableHold::Read));
}

// Let go in the reverse order of taking.
tFillHold::~tFillHold()
{
    while (!holds_.empty()) holds_.pop_back();
}

} // namespace velk
