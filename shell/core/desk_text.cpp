#include "shell/core/desk_text.h"

#include <charconv>
#include <map>
#include <sstream>

namespace velk {

static const char *stateName(tWindowState state)
{
    switch (state) {
    case tWindowState::Minimized:
        return "min";
    case tWindowState::Maximized:
        return "max";
    default:
        return "normal";
    }
}

static bool parseState(const std::string &text, tWindowState &state)
{
    if (text == "normal")
        state = tWindowState::Normal;
    else if (text == "min")
        state = tWindowState::Minimized;
    else if (text == "max")
        state = tWindowState::Maximized;
    else
        return false;
    return true;
}

static std::vector<std::string> words(const std::string &line)
{
    std::istringstream in(line);
    std::vector<std::string> list;
    for (std::string word; in >> word;) list.push_back(word);
    return list;
}

// A whole number and nothing else ("+5", "5x", "" are not).
static bool parseInt(const std::string &text, int &value)
{
    const char *end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}

// Four whole numbers from words[from]; width and height at least 1.
static bool parseRect(const std::vector<std::string> &list, std::size_t from, tRect &r)
{
    if (list.size() < from + 4) return false;
    return parseInt(list[from], r.x) && parseInt(list[from + 1], r.y) &&
           parseInt(list[from + 2], r.width) && parseInt(list[from + 3], r.height) && r.width > 0 &&
           r.height > 0;
}

static std::string rectText(const tRect &r)
{
    return std::to_string(r.x) + ' ' + std::to_string(r.y) + ' ' + std::to_string(r.width) + ' ' +
           std::to_string(r.height);
}

std::string formatDeskView(const tDeskView &view)
{
    return std::to_string(view.type) + ' ' + rectText(view.geometry) + ' ' + stateName(view.state);
}

bool parseDeskView(const std::string &line, tDeskView &view)
{
    const std::vector<std::string> list = words(line);
    tDeskView parsed;
    if (list.size() != 6 || !parseInt(list[0], parsed.type) ||
        !parseRect(list, 1, parsed.geometry) || !parseState(list[5], parsed.state))
        return false;
    view.type = parsed.type;
    view.geometry = parsed.geometry;
    view.state = parsed.state;
    return true;
}

tSettingsLines deskToSettings(const tDesk &desk)
{
    tSettingsLines lines;
    if (!desk.hasFrame && desk.views.empty()) return lines;
    if (desk.hasFrame)
        lines.emplace_back("Rahmen",
                           rectText(desk.frame) + (desk.frameMaximized ? " max" : " normal"));
    lines.emplace_back("Ansichten", std::to_string(desk.views.size()));
    int active = 0;
    for (std::size_t i = 0; i < desk.views.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        lines.emplace_back("Ansicht" + n, formatDeskView(desk.views[i]));
        lines.emplace_back("Inhalt" + n, desk.views[i].content);
        if (desk.views[i].active) active = int(i) + 1;
    }
    lines.emplace_back("Aktiv", std::to_string(active));
    return lines;
}

static void readFrame(const std::string &line, tDesk &desk)
{
    const std::vector<std::string> list = words(line);
    tRect r;
    if (list.size() != 5 || !parseRect(list, 0, r)) return;
    if (list[4] != "max" && list[4] != "normal") return;
    desk.hasFrame = true;
    desk.frame = r;
    desk.frameMaximized = list[4] == "max";
}

tDesk deskFromSettings(const tSettingsLines &lines)
{
    std::map<std::string, std::string> keys(lines.begin(), lines.end());
    tDesk desk;
    if (auto it = keys.find("Rahmen"); it != keys.end()) readFrame(it->second, desk);
    int count = 0, active = 0;
    if (auto it = keys.find("Ansichten"); it == keys.end() || !parseInt(it->second, count))
        count = 0;
    if (auto it = keys.find("Aktiv"); it == keys.end() || !parseInt(it->second, active)) active = 0;
    for (int i = 1; i <= std::min(count, kMaxDeskViews); ++i) {
        const std::string n = std::to_string(i);
        auto line = keys.find("Ansicht" + n);
        tDeskView view;
        if (line == keys.end() || !parseDeskView(line->second, view)) continue;
        if (auto content = keys.find("Inhalt" + n); content != keys.end())
            view.content = content->second;
        view.active = i == active;
        desk.views.push_back(view);
    }
    return desk;
}

void dropUnknownViews(tDesk &desk, const std::function<bool(int)> &known)
{
    std::erase_if(desk.views, [&](const tDeskView &v) { return !known(v.type); });
}

} // namespace velk
