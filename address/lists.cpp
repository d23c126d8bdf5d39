#include "address/lists.h"

#include "address/group.h"
#include "address/person.h"
#include "address/resource.h"

namespace velk {

std::vector<tListLine> personListLines()
{
    std::vector<tListLine> lines;
    tPerson p;
    for (long c = p.first(PersonByName); c; c = p.next(c))
        lines.push_back({personListLine(p), p.ID});
    return lines;
}

std::vector<tListLine> personSelectionLines()
{
    std::vector<tListLine> lines;
    tPerson p;
    for (long c = p.first(PersonByName); c; c = p.next(c))
        lines.push_back({personSelectionLine(p), p.ID});
    return lines;
}

std::vector<tListLine> groupChoiceLines()
{
    std::vector<tListLine> lines;
    tGroup g;
    for (long c = g.first(); c; c = g.next(c)) lines.push_back({groupChoiceLine(g), g.ID});
    return lines;
}

std::vector<tListLine> memberListLines(std::string_view gid)
{
    std::vector<tListLine> lines;
    for (const std::string &mid : membersOf(gid)) {
        tPerson p;
        if (p.find(mid))
            lines.push_back({std::string(p.ID) + '\t' + p.CHRNAME + ' ' + p.NAME, p.ID});
    }
    return lines;
}

std::vector<tListLine> resourceListLines()
{
    std::vector<tListLine> lines;
    tResource r;
    for (long c = r.first(); c; c = r.next(c)) lines.push_back({resourceListLine(r), r.ID});
    return lines;
}

} // namespace velk
