// codes.h - the one-letter codes of a project's billing kind and status and of a task's status,
// in the order of the dialogs' drop-down lists.
//
// Loading a code selects its position; any other code (a blank included) selects nothing.
// Storing takes the selected position's code; no selection, or a position outside the list,
// stores a blank.
#ifndef VELK_PROJECTS_CODES_H
#define VELK_PROJECTS_CODES_H

#include <span>

namespace velk {

struct tCode {
    char code;
    const char *text;
};

// Billing kinds (PROJECT.BILL): E, A, P, W.
std::span<const tCode> billingCodes();
// Project states (PROJECT.STATUS): P, V, G, A, B, R.
std::span<const tCode> projectStatusCodes();
// Task states (TASK.STATUS): P, V, A, M, R, E.
std::span<const tCode> taskStatusCodes();

// The position of code in the list, -1 when it is none of them.
int codePosition(std::span<const tCode> codes, char code);
// The code at position, a blank outside the list.
char codeAt(std::span<const tCode> codes, int position);

} // namespace velk

#endif
