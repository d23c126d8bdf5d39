#include "shell/core/help_keywords.h"

namespace velk {

const std::vector<const char *> &helpKeywords()
{
    static const std::vector<const char *> all = {
        help::WeekCalendar,
        help::MonthPlan,
        help::Occupancy,
        help::AppointmentList,
        help::AlarmList,
        help::PersonList,
        help::Resources,
        help::ProjectList,
        help::TaskList,
        help::SelectionList,
        help::AppointmentDialog,
        help::Recurrence,
        help::AlarmDialog,
        help::PersonDialog,
        help::PersonSelection,
        help::Groups,
        help::ProjectDialog,
        help::TaskDialog,
        help::Sync,
        help::Everyday,
        help::Print,
        help::Search,
        help::Copyright,
    };
    return all;
}

} // namespace velk
