#include "exchange/sync_choice.h"

#include <charconv>
#include <cstdio>

namespace velk {

tSetupCheck checkSyncSetup(const tSyncServer &server, const std::string &password)
{
    tSetupCheck c;
    if (std::string problem = syncServerProblem(server); !problem.empty()) {
        // syncServerProblem looks at the URL first; what it says about the user names "Benutzer".
        tSyncServer urlOnly{server.url, "x"};
        c.field = syncServerProblem(urlOnly).empty() ? tSetupField::User : tSetupField::Url;
        c.message = problem;
        return c;
    }
    if (password.empty()) {
        c.field = tSetupField::Password;
        c.message = "Bitte das Kennwort f\xC3\xBCr den Server eingeben.";
    }
    return c;
}

int syncPeriodMinutes(std::string_view value)
{
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
        value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
    if (!value.empty() && value.front() == '+') value.remove_prefix(1);
    if (value.empty()) return 0;
    for (char c : value)
        if (c < '0' || c > '9') return 0;
    // Digits only: too many of them is a large number, which the cap takes.
    if (value.size() > 9) return kMaxSyncMinutes;
    int minutes = 0;
    std::from_chars(value.data(), value.data() + value.size(), minutes);
    return minutes > kMaxSyncMinutes ? kMaxSyncMinutes : minutes;
}

std::string databaseDirOf(const std::string &dictPath)
{
    size_t slash = dictPath.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return dictPath.substr(0, slash);
}

std::string syncEndMessage(const tUserSync &sync)
{
    std::string out;
    if (!sync.ok) out = sync.message;
    for (const std::string &line : sync.summary) {
        if (!out.empty()) out += '\n';
        out += line;
    }
    return out;
}

std::string syncStatusLine(const tUserSync &sync, int hour, int minute)
{
    char when[32];
    std::snprintf(when, sizeof when, "Abgleich um %02d:%02d: ", hour, minute);
    if (!sync.ok) return when + sync.message;
    long added = 0, changed = 0, deleted = 0, conflicts = 0;
    for (const tSyncReport *r : {&sync.termine, &sync.team, &sync.personen}) {
        added += r->in.added;
        changed += r->in.changed;
        deleted += r->in.deleted;
        conflicts += r->in.conflicts + r->out.conflicts;
    }
    std::string line = when + std::to_string(added) + " neu, " + std::to_string(changed) +
                       " ge\xC3\xA4ndert, " + std::to_string(deleted) + " gel\xC3\xB6scht";
    if (conflicts > 0) line += ", " + std::to_string(conflicts) + " Konflikte";
    return line;
}

} // namespace velk
