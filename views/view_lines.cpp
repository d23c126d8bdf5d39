#include "views/view_lines.h"

#include <cstdarg>
#include <cstdio>

namespace velk {

std::vector<tPerson> birthdaysOn(const tDate &day)
{
    std::vector<tPerson> out;
    tPerson p;
    for (long c = p.findByBirthday(0, day.day, day.month, day.year); c;
         c = p.findByBirthday(c, day.day, day.month, day.year))
        out.push_back(p);
    return out;
}

std::vector<tTask> tasksDueOn(const tDate &day) { return tasksDue(day, day); }

std::string viewFormat(const char *format, ...)
{
    char text[256];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n < int(sizeof text)) return std::string(text, n < 0 ? 0 : n);
    std::string out(std::size_t(n) + 1, '\0');
    va_start(args, format);
    std::vsnprintf(out.data(), out.size(), format, args);
    va_end(args);
    out.pop_back();
    return out;
}

std::string deskDate(const tDate &date)
{
    return viewFormat("%02d.%02d.%04d", date.day, date.month, date.year);
}

namespace {

// Reads `min` to `max` digits at `pos` into `value`.
bool readNumber(std::string_view text, std::size_t &pos, std::size_t min, std::size_t max,
                int &value)
{
    std::size_t start = pos;
    value = 0;
    while (pos < text.size() && pos - start < max && text[pos] >= '0' && text[pos] <= '9')
        value = value * 10 + (text[pos++] - '0');
    return pos - start >= min;
}

bool readDot(std::string_view text, std::size_t &pos)
{
    return pos < text.size() && text[pos++] == '.';
}

} // namespace

bool readDeskDate(std::string_view text, tDate &date)
{
    std::size_t pos = 0;
    tDate d;
    if (!readNumber(text, pos, 1, 2, d.day) || !readDot(text, pos) ||
        !readNumber(text, pos, 1, 2, d.month) || !readDot(text, pos) ||
        !readNumber(text, pos, 4, 4, d.year) || pos != text.size() || !d.valid())
        return false;
    date = d;
    return true;
}

namespace {

tViewAction action(tViewAction::Kind kind, const tViewLine &line, int notice)
{
    tViewAction a;
    a.kind = kind;
    a.key = line.key;
    a.notice = notice;
    return a;
}

} // namespace

tViewAction openLineAction(const tViewLine *line)
{
    if (!line) return {};
    switch (line->kind) {
    case tLineKind::Task:
        return action(tViewAction::EditTask, *line, NoticeProjects);
    case tLineKind::Birthday:
        return action(tViewAction::EditPerson, *line, NoticePersons);
    case tLineKind::Termin:
        return action(tViewAction::EditTermin, *line, NoticeAppointments);
    case tLineKind::Holiday:
        break;
    }
    return {};
}

tViewAction deleteLineAction(const tViewLine *line)
{
    if (!line) return {};
    if (line->kind == tLineKind::Termin)
        return action(tViewAction::DeleteTermin, *line, NoticeAppointments);
    if (line->kind == tLineKind::Birthday) return openLineAction(line);
    return {};
}

} // namespace velk
