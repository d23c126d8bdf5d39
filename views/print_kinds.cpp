#include "views/print_kinds.h"

#include "address/lists.h"
#include "projects/project_list.h"
#include "views/month_planner.h"
#include "views/occupancy_plan.h"
#include "views/term_list.h"
#include "views/week_view.h"

#include <utility>

namespace velk {

namespace {

struct tKindName {
    tPrintKind kind;
    const char *name;
};

constexpr tKindName kKindNames[] = {
    {tPrintKind::Week, "woche-pdf"},        {tPrintKind::Month, "monat-pdf"},
    {tPrintKind::YearPlan, "belegung-pdf"}, {tPrintKind::TermList, "terminliste-pdf"},
    {tPrintKind::Persons, "personen-pdf"},  {tPrintKind::Tasks, "aufgaben-pdf"},
};

} // namespace

std::optional<tPrintKind> printKindNamed(const std::string &name)
{
    for (const tKindName &k : kKindNames)
        if (name == k.name) return k.kind;
    return std::nullopt;
}

const char *printKindName(tPrintKind kind)
{
    for (const tKindName &k : kKindNames)
        if (k.kind == kind) return k.name;
    return "";
}

std::vector<std::string> printKindNames()
{
    std::vector<std::string> names;
    for (const tKindName &k : kKindNames) names.emplace_back(k.name);
    return names;
}

tPrintDoc weekDocOf(const tDate &date, tPrintHeading heading, tHolidayCache &holidays,
                    const tTodayMark &today)
{
    return weekPrintDoc(weekContent(weekStart(date), holidays), std::move(heading), today);
}

tPrintDoc monthDocOf(const tDate &date, tPrintHeading heading, tHolidayCache &holidays,
                     const tTodayMark &today)
{
    return planerPrintDoc(planerMonth(date), std::move(heading), holidays, today);
}

tPrintDoc yearPlanDocOf(const tDate &date, tPrintHeading heading, tHolidayCache &holidays,
                        const tTodayMark &today)
{
    return jahrPlanPrintDoc(jahrPlanData(date.year), 1, 12, std::move(heading), holidays, today);
}

tPrintDoc termListDocFrom(const tDate &start, const tDate &today, tPrintHeading heading,
                          tHolidayCache &holidays)
{
    return termListPrintDoc(termListLines(start, today, holidays), start, std::move(heading));
}

tPrintDoc personListDoc(tPrintHeading heading)
{
    std::vector<std::string> lines;
    for (tListLine &line : personListLines()) lines.push_back(std::move(line.text));
    return personPrintDoc(lines, std::move(heading));
}

tPrintDoc taskListDoc(tPrintHeading heading)
{
    return taskPrintDoc(taskListRows(), std::move(heading));
}

tPrintDoc printKindDoc(tPrintKind kind, const tDate &date, const tPrintHeading &heading,
                       const tTodayMark &today)
{
    tHolidayCache holidays;
    switch (kind) {
    case tPrintKind::Week:
        return weekDocOf(date, heading, holidays, today);
    case tPrintKind::Month:
        return monthDocOf(date, heading, holidays, today);
    case tPrintKind::YearPlan:
        return yearPlanDocOf(date, heading, holidays, today);
    case tPrintKind::TermList:
        return termListDocFrom(date, today.day, heading, holidays);
    case tPrintKind::Persons:
        return personListDoc(heading);
    case tPrintKind::Tasks:
        return taskListDoc(heading);
    }
    return {};
}

} // namespace velk
