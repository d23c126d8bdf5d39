#include "model/db_path.h"

namespace velk {

static bool isSeparator(char c) { return c == '/' || c == '\\'; }

std::string deriveDictPath(const std::string &chosen)
{
    std::size_t keep = chosen.size();
    while (keep > 0 && !isSeparator(chosen[keep - 1])) --keep;
    std::string path = chosen.substr(0, keep) + kDictFileName;
    if (path.size() > kMaxDbPath) return std::string();
    return path;
}

std::string databaseDirectory(const std::string &dictPath)
{
    std::size_t keep = dictPath.size();
    while (keep > 0 && !isSeparator(dictPath[keep - 1])) --keep;
    return dictPath.substr(0, keep);
}

std::string configFilePath(const char *xdgConfigHome, const char *home)
{
    std::string dir;
    if (xdgConfigHome && xdgConfigHome[0] == '/')
        dir = xdgConfigHome;
    else if (home && home[0] != '\0')
        dir = std::string(home) + "/.config";
    else
        return std::string();
    if (dir.back() != '/') dir += '/';
    return dir + kIniFileName;
}

static std::string qtPattern(const std::string &pattern)
{
    std::string out;
    std::size_t start = 0;
    while (start <= pattern.size()) {
        std::size_t end = pattern.find(';', start);
        if (end == std::string::npos) end = pattern.size();
        std::string one = pattern.substr(start, end - start);
        if (one == "*.*") one = "*";
        if (!one.empty()) out += (out.empty() ? "" : " ") + one;
        start = end + 1;
    }
    return out;
}

std::string qtFileFilter(const std::string &filterList)
{
    std::string out;
    std::size_t pos = 0;
    while (pos < filterList.size()) {
        std::size_t bar = filterList.find('|', pos);
        if (bar == std::string::npos) break;
        std::string name = filterList.substr(pos, bar - pos);
        std::size_t end = filterList.find('|', bar + 1);
        if (end == std::string::npos) end = filterList.size();
        std::string pattern = qtPattern(filterList.substr(bar + 1, end - bar - 1));
        if (!out.empty()) out += ";;";
        // A name that already ends with its pattern in parentheses is shown once.
        std::string shown = "(" + (pattern.empty() ? "*" : pattern) + ")";
        bool named = name.size() >= shown.size() &&
                     name.compare(name.size() - shown.size(), shown.size(), shown) == 0;
        out += named ? name : name + " " + shown;
        pos = end + 1;
    }
    return out;
}

} // namespace velk
