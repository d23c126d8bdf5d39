// How the calendar's windows open the records their lines and shapes stand for (a person, an
// appointment, a new appointment over a range, a task; a group, a resource, a project).  The
// program's wiring (app/wiring.h) fills these in with the dialogs; tests put their own recorders in
// their place.  Each answers whether the user stored something (so the caller knows whether to
// refresh).
#ifndef VELK_WIDGETS_CALENDAR_VIEW_OPENERS_H
#define VELK_WIDGETS_CALENDAR_VIEW_OPENERS_H

#include <functional>
#include <string>

#include "base/date.h"

class QWidget;

namespace velk {

struct tViewOpeners {
    std::function<bool(QWidget *parent, const std::string &personId)> person;
    std::function<bool(QWidget *parent, const std::string &terminId)> termin;
    // A new appointment from `from` till `till`; `resource` empty or the resource to book.
    std::function<bool(QWidget *parent, const tDateTime &from, const tDateTime &till,
                       const std::string &resource)>
        newTermin;
    std::function<bool(QWidget *parent, const std::string &taskId)> task;
    // The search window's results of the other kinds, each in its dialog in change mode.
    std::function<bool(QWidget *parent, const std::string &groupId)> group;
    std::function<bool(QWidget *parent, const std::string &resourceId)> resource;
    std::function<bool(QWidget *parent, const std::string &projectId)> project;
};

// The one set of openers of this program.
inline tViewOpeners &viewOpeners()
{
    static tViewOpeners openers;
    return openers;
}

} // namespace velk

#endif
