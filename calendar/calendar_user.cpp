#include "calendar/calendar_user.h"

namespace velk {

namespace {

char gUser[9] = "";

} // namespace

void setCalendarUser(std::string_view name)
{
    name = name.substr(0, 8);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    name.copy(gUser, name.size());
    gUser[name.size()] = 0;
}

const char *calendarUser() { return gUser; }

} // namespace velk
