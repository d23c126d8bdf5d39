#include "shell/core/save_name.h"

namespace velk {

std::string filterExtension(const std::string &filterList, int index)
{
    // The list alternates names and patterns, each closed by "|".
    if (index < 1) return {};
    std::size_t pos = 0;
    for (int field = 0; field < 2 * index - 1; ++field) {
        std::size_t bar = filterList.find('|', pos);
        if (bar == std::string::npos) return {};
        pos = bar + 1;
    }
    std::size_t end = filterList.find_first_of("|;", pos);
    std::string pattern =
        filterList.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    std::size_t dot = pattern.rfind('.');
    if (dot == std::string::npos) return {};
    std::string ext = pattern.substr(dot);
    if (ext.size() < 2 || ext.find_first_of("*?") != std::string::npos) return {};
    return ext;
}

std::string withFilterExtension(const std::string &name, const std::string &filterList, int index)
{
    std::size_t base = name.find_last_of("/\\");
    base = base == std::string::npos ? 0 : base + 1;
    if (base == name.size() || name.find('.', base) != std::string::npos) return name;
    return name + filterExtension(filterList, index);
}

} // namespace velk
