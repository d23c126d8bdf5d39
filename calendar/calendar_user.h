// calendar_user.h - the user the calendar works for.
//
// The appointment store and the alarm operations show, hide and address records for one user,
// the one logged in: the shell sets the name once after the login.  Tests set it to act as
// several users in turn.  At most 8 characters; "" is nobody.
#ifndef VELK_CALENDAR_CALENDAR_USER_H
#define VELK_CALENDAR_CALENDAR_USER_H

#include <string_view>

namespace velk {

void setCalendarUser(std::string_view name); // cut to 8 characters, trailing blanks removed
const char *calendarUser();

} // namespace velk

#endif
