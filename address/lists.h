// lists.h - the lines of the address book's lists, as the windows and dialogs show them.
//
// Every function walks its table once and answers the lines in the table's order; a list that
// sorts its lines does so itself (shell/core/tab_stops.h).  Each line carries the ID it stands for.
#ifndef VELK_ADDRESS_LISTS_H
#define VELK_ADDRESS_LISTS_H

#include <string>
#include <string_view>
#include <vector>

namespace velk {

struct tListLine {
    std::string text; // Windows-1252, columns separated by tabs where the list has tab stops
    std::string id;   // the person, group or resource of the line
};

// The person list: personListLine for every person by surname, then first name.
std::vector<tListLine> personListLines();
// The person selection: personSelectionLine for every person by surname, then first name.
std::vector<tListLine> personSelectionLines();
// The group choice: "ID: TITLE" for every group by ID.
std::vector<tListLine> groupChoiceLines();
// The members of a group: "ID\tCHRNAME NAME" for each member whose person exists.
std::vector<tListLine> memberListLines(std::string_view gid);
// The resource list: "ID\tTITLE" for every resource by ID.
std::vector<tListLine> resourceListLines();

} // namespace velk

#endif
