#include "calendar/repeat.h"

namespace velk {

namespace {

enum class tStep {
    None,
    Days,           // both dates `days` on
    Months,         // 'M'
    Years,          // 'Y'
    LastDayMonthly, // "letzten Tag jeden Monat"
    LastDayYearly,  // "letzten Tag immer diesen Monat"
    WeekdayMonthly, // the N-th or last weekday, each month
    WeekdayYearly,  // the last weekday of the month, each year
};

struct tPlan {
    tStep step = tStep::None;
    int days = 0;
};

tPlan planEvery(const tRepeat &r)
{
    int n = r.ordinal;
    if (n < 0 || n > 31) return {};
    bool last = n == tRepeat::Last;
    switch (r.scope) {
    case tRepeat::Always:
        if (last) return {};
        if (r.unit == tRepeat::Day) return {tStep::Days, n};
        if (r.unit == tRepeat::Weekday) return {tStep::Days, 7 * n};
        return {};
    case tRepeat::EveryMonth:
        if (r.unit == tRepeat::Weekday) return {tStep::WeekdayMonthly};
        if (r.unit == tRepeat::Day) return {last ? tStep::LastDayMonthly : tStep::Months};
        return {};
    case tRepeat::ThisMonth:
        if (!last) return {tStep::Years};
        return {r.unit == tRepeat::Weekday ? tStep::WeekdayYearly : tStep::LastDayYearly};
    default:
        return {};
    }
}

tPlan planOf(const tRepeat &r)
{
    switch (r.rhythm) {
    case tRepeat::Daily:
        return {tStep::Days, 1};
    case tRepeat::Weekly:
        return {tStep::Days, 7};
    case tRepeat::Monthly:
        return {tStep::Months};
    case tRepeat::Yearly:
        return {tStep::Years};
    case tRepeat::Every:
        return planEvery(r);
    default:
        return {};
    }
}

void addDays(tDate &d, int n) { d.setDayOfYear(d.dayOfYear() + n); }

void addMonth(tDate &d)
{
    if (++d.month > 12) {
        d.month = 1;
        d.year++;
    }
}

void toLastDay(tDate &d) { d.day = d.daysInMonth(); }

void clampDay(tDate &d)
{
    if (d.day > d.daysInMonth()) toLastDay(d);
}

// The weekday rules: S's month is already the new one; its day is chosen anew.
void placeWeekday(tDate &s, int ordinal, int weekday)
{
    if (ordinal == tRepeat::Last) {
        toLastDay(s);
        s.day -= (s.weekday() + 7 - weekday) % 7;
        return;
    }
    s.day = 1;
    int first = (weekday + 8 - s.weekday()) % 7;
    s.day = first == 0 ? 7 : first;
    addDays(s, (ordinal - 1) * 7);
}

void step(const tPlan &plan, const tRepeat &rule, int weekday, tDate &s, tDate &e)
{
    switch (plan.step) {
    case tStep::None:
        break;
    case tStep::Days:
        addDays(s, plan.days);
        addDays(e, plan.days);
        break;
    case tStep::Months:
        do {
            addMonth(s);
            addMonth(e);
        } while (s.day > s.daysInMonth());
        clampDay(e);
        break;
    case tStep::Years:
        do {
            s.year++;
            e.year++;
        } while (s.day > s.daysInMonth());
        clampDay(e);
        break;
    case tStep::LastDayMonthly:
        addMonth(s);
        addMonth(e);
        toLastDay(s);
        toLastDay(e);
        break;
    case tStep::LastDayYearly:
        s.year++;
        e.year++;
        toLastDay(s);
        toLastDay(e);
        break;
    case tStep::WeekdayMonthly:
    case tStep::WeekdayYearly:
        if (plan.step == tStep::WeekdayMonthly)
            addMonth(s);
        else
            s.year++;
        placeWeekday(s, rule.ordinal, weekday);
        e = s;
        break;
    }
}

} // namespace

void expandRepeat(const tRepeat &rule, const tDateTime &from, const tDateTime &till,
                  const std::function<bool(const tOccurrence &)> &emit)
{
    tPlan plan = planOf(rule);
    if (plan.step == tStep::None || rule.count <= 0 || !from.valid()) return;
    tOccurrence o{from, till};
    int weekday = from.weekday();
    for (int32_t i = 0; i < rule.count; i++) {
        tDate s = o.from, e = o.till;
        step(plan, rule, weekday, s, e);
        static_cast<tDate &>(o.from) = s;
        static_cast<tDate &>(o.till) = e;
        if (!emit(o)) return;
    }
}

std::vector<tOccurrence> repetitions(const tRepeat &rule, const tDateTime &from,
                                     const tDateTime &till)
{
    std::vector<tOccurrence> out;
    expandRepeat(rule, from, till, [&](const tOccurrence &o) {
        out.push_back(o);
        return true;
    });
    return out;
}

} // namespace velk
