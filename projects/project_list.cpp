#include "projects/project_list.h"

#include "projects/project.h"

namespace velk {

std::vector<tProjectLine> projectListLines()
{
    std::vector<tProjectLine> lines;
    for (const tProject &p : allProjects()) {
        lines.push_back({true, std::string("P ") + p.ID + '\t' + p.TITLE});
        for (const tTask &k : tasksOf(p.ID))
            lines.push_back({false, std::string("T ") + k.ID + '\t' + k.TITLE});
    }
    return lines;
}

bool isProjectLine(std::string_view line) { return !line.empty() && line[0] == 'P'; }

std::string projectLineKey(std::string_view line)
{
    if (line.size() <= 2) return {};
    line.remove_prefix(2);
    return std::string(line.substr(0, line.find('\t')));
}

} // namespace velk
