#include "projects/project_list.h"

#include "base/fill_hold.h"

#include <algorithm>

namespace velk {

std::vector<tProjectLine> projectListLines()
{
    std::vector<tProjectLine> lines;
    tFillHold hold{tPrjTable::instance(), tTaskTable::instance()};
    for (const tProject &p : allProjects()) {
        lines.push_back({true, std::string("P ") + p.ID + '\t' + p.TITLE});
        for (const tTask &k : tasksOf(p.ID))
            lines.push_back({false, std::string("T ") + k.ID + '\t' + k.TITLE});
    }
    return lines;
}

std::vector<tTask> taskListRows()
{
    std::vector<tTask> rows = allTasks();
    std::reverse(rows.begin(), rows.end());
    return rows;
}

bool isProjectLine(std::string_view line) { return !line.empty() && line[0] == 'P'; }

std::string projectLineKey(std::string_view line)
{
    if (line.size() <= 2) return {};
    line.remove_prefix(2);
    return std::string(line.substr(0, line.find('\t')));
}

} // namespace velk
