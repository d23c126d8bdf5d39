#include "base/dialog_number.h"

namespace velk {

int dialogNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && value < 1000000000L; ++i)
        value = value * 10 + (text[i] - '0');
    return int(negative ? -value : value);
}

} // namespace velk
