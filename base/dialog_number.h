// dialog_number.h - the number a dialog field holds, read the same way by every dialog.
#ifndef VELK_BASE_DIALOG_NUMBER_H
#define VELK_BASE_DIALOG_NUMBER_H

#include <string_view>

namespace velk {

// A number typed into a dialog: leading blanks and a sign allowed, digits up to the first other
// character; anything that is no number reads as 0.
int dialogNumber(std::string_view text);

} // namespace velk

#endif
