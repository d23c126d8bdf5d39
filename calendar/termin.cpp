#include "calendar/termin.h"

#include "address/group.h"
#include "base/walk.h"

#include <cstring>

namespace velk {

namespace {

std::string_view trimRight(std::string_view s)
{
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// Days since 1 March of year 0, for differences between dates.
long dayNumber(const tDate &d)
{
    long y = d.year - (d.month <= 2);
    long era = (y >= 0 ? y : y - 399) / 400;
    long yoe = y - era * 400;
    long m = d.month;
    long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d.day - 1;
    long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe;
}

} // namespace

bool tTermin::setTitle(std::string_view text) { return copyText(TITLE, text); }

bool tTermin::setResource(std::string_view id) { return copyText(RESOURCE, trimRight(id)); }

bool tTermin::setWith(std::string_view reference) { return copyText(WITH, reference); }

bool tTermin::setRead(std::string_view read) { return copyText(READ, read); }

bool tTermin::setType(std::string_view type) { return copyText(TYPE, type); }

void tTermin::attachRepeat(const tRepeat &rule)
{
    repeat = rule;
    repeatCount = rule.count;
}

bool tTermin::isCounter() const { return std::strcmp(ID, "########") == 0; }

long terminSpanDays(const tTermin &t)
{
    if (!t.from.valid() || !t.till.valid()) return 0;
    long days = dayNumber(t.till) - dayNumber(t.from);
    return days > 0 ? days : 0;
}

bool terminVisible(std::string_view read, std::string_view owner, std::string_view user,
                   const tGroupMembership &inGroup)
{
    read = trimRight(read);
    owner = trimRight(owner);
    if (!user.empty() && owner == user) return true;
    if (read.empty() || read[0] == ' ') return true;
    switch (read[0]) {
    case 'G':
        return inGroup && inGroup(read.substr(1), user);
    case 'P':
        return read.substr(1) == user;
    default:
        return true;
    }
}

bool storedGroupMembership(std::string_view gid, std::string_view user)
{
    tGroup group;
    return group.find(gid) && isMember(gid, user);
}

std::string readForVisibility(tVisibility choice, std::string_view with, std::string_view user)
{
    switch (choice) {
    case tVisibility::All:
        return {};
    case tVisibility::Involved:
        return std::string(trimRight(with));
    case tVisibility::Private:
        return "P" + std::string(user);
    }
    return {};
}

std::optional<tVisibility> visibilityOfRead(std::string_view read, std::string_view with,
                                            std::string_view user)
{
    read = trimRight(read);
    with = trimRight(with);
    if (!read.empty() && read[0] == 'G') {
        if (read == with) return tVisibility::Involved;
        return std::nullopt;
    }
    if (!read.empty() && read[0] == 'P') {
        if (read.substr(1) == user) return tVisibility::Private;
        if (read == with) return tVisibility::Involved;
    }
    return tVisibility::All;
}

} // namespace velk
