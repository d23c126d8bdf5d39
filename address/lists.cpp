#include "address/lists.h"

#include "address/group.h"
#include "address/person.h"
#include "address/resource.h"
#include "base/fill_hold.h"

namespace velk {

namespace {

// The line lineOf makes of each row of the walk that first(row) begins, with the row's ID; the
// walked table held for the whole walk.
template <class Row, class First>
std::vector<tListLine> walkLines(tTable *table, First first, std::string (*lineOf)(const Row &))
{
    std::vector<tListLine> lines;
    tFillHold hold{table};
    Row r;
    for (long c = first(r); c; c = r.next(c)) lines.push_back({lineOf(r), r.ID});
    return lines;
}

long byName(tPerson &p) { return p.first(PersonByName); }

} // namespace

std::vector<tListLine> personListLines()
{
    return walkLines(tPersTable::instance(), byName, personListLine);
}

std::vector<tListLine> personSelectionLines()
{
    return walkLines(tPersTable::instance(), byName, personSelectionLine);
}

std::vector<tListLine> groupChoiceLines()
{
    return walkLines(
        tGrpTable::instance(), [](tGroup &g) { return g.first(); }, groupChoiceLine);
}

std::vector<tListLine> memberListLines(std::string_view gid)
{
    std::vector<tListLine> lines;
    std::vector<std::string> members = membersOf(gid);
    tFillHold hold{tPersTable::instance()};
    for (const std::string &mid : members) {
        tPerson p;
        if (p.find(mid))
            lines.push_back({std::string(p.ID) + '\t' + p.CHRNAME + ' ' + p.NAME, p.ID});
    }
    return lines;
}

std::vector<tListLine> resourceListLines()
{
    return walkLines(
        tResTable::instance(), [](tResource &r) { return r.first(); }, resourceListLine);
}

} // namespace velk
