// reference.h - the person-or-group reference and how it is shown.
//
// A reference names either one person or one group: "P" followed by a person's ID, "G"
// followed by a group's ID, or empty for nobody; at most 9 characters.  It is stored in
// TERMIN.WITH and TERMIN.READ, PROJECT.COSTUMER and TASK.WORKER.
#ifndef VELK_ADDRESS_REFERENCE_H
#define VELK_ADDRESS_REFERENCE_H

#include <string>
#include <string_view>
#include <vector>

namespace velk {

class tPersonOrGroup {
public:
    enum Kind { Nobody, Person, Group, Other };

    tPersonOrGroup() = default;
    static tPersonOrGroup parse(std::string_view stored);
    static tPersonOrGroup person(std::string_view id);
    static tPersonOrGroup group(std::string_view id);

    Kind kind() const { return kind_; }
    // The person's or group's ID (8 characters at most); empty for nobody.
    const std::string &id() const { return id_; }
    bool empty() const { return kind_ == Nobody; }
    // The stored form: "P" or "G" and the ID, "" for nobody; an unknown form as it was read.
    std::string format() const;

    friend bool operator==(const tPersonOrGroup &, const tPersonOrGroup &) = default;

private:
    Kind kind_ = Nobody;
    std::string id_;
    std::string raw_; // an unknown form, kept as read
};

// What a dialog shows for a reference: a label and one line per person.
struct tReferenceLine {
    std::string text;     // "CHRNAME NAME"
    std::string personId; // the person the line opens
};
struct tReferenceDisplay {
    bool setsLabel = false; // false: the label keeps what it showed before
    std::string label;      // "Person", the group's TITLE, or empty for nobody
    std::vector<tReferenceLine> lines;
};

// A person: "Person" and its line when the person exists.  A group that exists: its TITLE and
// a line for each member whose person exists.  Nobody: an empty label.  Anything else, or a
// group that does not exist, leaves the label and shows no line.
tReferenceDisplay describeReference(const tPersonOrGroup &ref);

// The user names a reference stands for: the person, or each member of the group whose person
// exists.  Empty for nobody and anything else.
std::vector<std::string> referencedPersons(const tPersonOrGroup &ref);

} // namespace velk

#endif
