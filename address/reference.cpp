#include "address/reference.h"

#include "address/group.h"
#include "address/person.h"

namespace velk {

tPersonOrGroup tPersonOrGroup::parse(std::string_view stored)
{
    tPersonOrGroup ref;
    stored = stored.substr(0, 9);
    while (!stored.empty() && stored.back() == ' ') stored.remove_suffix(1);
    if (stored.empty()) return ref;
    if (stored[0] == 'P') return person(stored.substr(1));
    if (stored[0] == 'G') return group(stored.substr(1));
    ref.kind_ = Other;
    ref.raw_ = std::string(stored);
    return ref;
}

tPersonOrGroup tPersonOrGroup::person(std::string_view id)
{
    tPersonOrGroup ref;
    ref.kind_ = Person;
    ref.id_ = std::string(id.substr(0, 8));
    return ref;
}

tPersonOrGroup tPersonOrGroup::group(std::string_view id)
{
    tPersonOrGroup ref;
    ref.kind_ = Group;
    ref.id_ = std::string(id.substr(0, 8));
    return ref;
}

std::string tPersonOrGroup::format() const
{
    switch (kind_) {
    case Person:
        return "P" + id_;
    case Group:
        return "G" + id_;
    case Other:
        return raw_;
    case Nobody:
        break;
    }
    return {};
}

namespace {

tReferenceLine personLine(const tPerson &p)
{
    return {std::string(p.CHRNAME) + ' ' + p.NAME, p.ID};
}

} // namespace

tReferenceDisplay describeReference(const tPersonOrGroup &ref)
{
    tReferenceDisplay shown;
    switch (ref.kind()) {
    case tPersonOrGroup::Nobody:
        shown.setsLabel = true;
        break;
    case tPersonOrGroup::Person: {
        shown.setsLabel = true;
        shown.label = "Person";
        tPerson p;
        if (p.find(ref.id())) shown.lines.push_back(personLine(p));
        break;
    }
    case tPersonOrGroup::Group: {
        tGroup g;
        if (!g.find(ref.id())) break;
        shown.setsLabel = true;
        shown.label = g.TITLE;
        for (const std::string &mid : membersOf(ref.id())) {
            tPerson p;
            if (p.find(mid)) shown.lines.push_back(personLine(p));
        }
        break;
    }
    case tPersonOrGroup::Other:
        break;
    }
    return shown;
}

std::vector<std::string> referencedPersons(const tPersonOrGroup &ref)
{
    std::vector<std::string> ids;
    if (ref.kind() == tPersonOrGroup::Person) {
        tPerson p;
        if (p.find(ref.id())) ids.push_back(p.ID);
    } else if (ref.kind() == tPersonOrGroup::Group) {
        for (const std::string &mid : membersOf(ref.id())) {
            tPerson p;
            if (p.find(mid)) ids.push_back(p.ID);
        }
    }
    return ids;
}

} // namespace velk
