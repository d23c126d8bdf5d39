// dialog_rules.h - what the address book's dialogs check before they store, without a window.
#ifndef VELK_ADDRESS_DIALOG_RULES_H
#define VELK_ADDRESS_DIALOG_RULES_H

#include <string>
#include <string_view>

#include "base/dialog_number.h"

namespace velk {

enum class tPersonCheck {
    Ok,
    IdTaken,         // "ID bereits vergeben", focus to the ID
    InvalidBirthday, // focus to the day, no message
};

// The person dialog's OK: a new person, or a person whose ID was changed from oldId, needs an ID
// no other person has (else the unique index would refuse it); the birthday must be acceptable.
tPersonCheck checkPersonDialog(bool isNew, std::string_view oldId, std::string_view id, int day,
                               int month, int year);

// Whether the person dialog lets the ID be changed: not for a user's person, whose ID is the
// user's login name.
bool personIdEditable(bool isNew, std::string_view id);

bool groupIdTaken(std::string_view id);
bool resourceIdTaken(std::string_view id);

// Multi-line fields are stored with the edit control's "\r\n" line ends; an edit shows "\n".
std::string storedLineEnds(std::string_view shown);
std::string shownLineEnds(std::string_view stored);

} // namespace velk

#endif
