#include "address/dialog_rules.h"

#include "address/group.h"
#include "address/person.h"
#include "address/resource.h"

namespace velk {

tPersonCheck checkPersonDialog(bool isNew, std::string_view oldId, std::string_view id, int day,
                               int month, int year)
{
    if (isNew || id != oldId) {
        tPerson other;
        if (other.find(id)) return tPersonCheck::IdTaken;
    }
    if (!birthdayAcceptable(day, month, year)) return tPersonCheck::InvalidBirthday;
    return tPersonCheck::Ok;
}

bool personIdEditable(bool isNew, std::string_view id) { return isNew || !personIsUser(id); }

bool groupIdTaken(std::string_view id)
{
    tGroup g;
    return g.find(id);
}

bool resourceIdTaken(std::string_view id)
{
    tResource r;
    return r.find(id);
}

std::string storedLineEnds(std::string_view shown)
{
    std::string out;
    out.reserve(shown.size());
    for (char c : shown) {
        if (c == '\n') out += '\r';
        if (c != '\r') out += c;
    }
    return out;
}

std::string shownLineEnds(std::string_view stored)
{
    std::string out;
    out.reserve(stored.size());
    for (std::size_t i = 0; i < stored.size(); ++i)
        if (!(stored[i] == '\r' && i + 1 < stored.size() && stored[i + 1] == '\n'))
            out += stored[i];
    return out;
}

} // namespace velk
