// floor_div.h - integer division rounding towards minus infinity.
//
// The calendar formulas divide years by 4, 100, 400 and so on and expect the remainder to be
// 0 or positive; C++'s '/' and '%' truncate towards zero, which breaks them for years below 1.
// For non-negative operands both agree.
#ifndef VELK_BASE_FLOOR_DIV_H
#define VELK_BASE_FLOOR_DIV_H

namespace velk {

constexpr long long floorDiv(long long a, long long b)
{
    long long q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

constexpr long long floorMod(long long a, long long b) { return a - b * floorDiv(a, b); }

} // namespace velk

#endif
