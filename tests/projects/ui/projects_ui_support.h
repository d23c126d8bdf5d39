// projects_ui_support.h - the projects' widget tests: the address book's test set-up (database,
// recorder, current user root) with persons anna and bert in a group "team", and records.
#ifndef VELK_TESTS_PROJECTS_UI_PROJECTS_UI_SUPPORT_H
#define VELK_TESTS_PROJECTS_UI_PROJECTS_UI_SUPPORT_H

#include "address/group.h"
#include "calendar/alarm.h"
#include "base/session.h"
#include "projects/project.h"
#include "tests/address/address_ui_support.h"

#include <string>
#include <vector>

namespace velk::apptest {

class ProjectsUiTest : public AddressUiTest {
public:
    void SetUp() override
    {
        AddressUiTest::SetUp();
        ASSERT_EQ(person("anna", "Arm", "Anna").insert(), tStoreStatus::Stored);
        ASSERT_EQ(person("bert", "Berg", "Bert").insert(), tStoreStatus::Stored);
        tGroup team;
        team.setId("team");
        team.setTitle("Team");
        ASSERT_EQ(team.insert(), tStoreStatus::Stored);
        ASSERT_TRUE(addMember("team", "anna"));
        ASSERT_TRUE(addMember("team", "bert"));
    }
    void TearDown() override
    {
        setCurrentUser("");
        AddressUiTest::TearDown();
    }

    static tProject project(const char *id, const char *title)
    {
        tProject p;
        p.setId(id);
        p.setTitle(title);
        return p;
    }
    static tTask task(const char *id, const char *projectId, const char *title = "",
                      const char *prio = "", tDate done = {})
    {
        tTask k;
        k.setId(id);
        k.setTitle(*title ? title : (std::string("Aufgabe ") + id).c_str());
        k.setProject(projectId);
        k.setPrio(prio);
        k.ENDDATE = done;
        return k;
    }
    // The alarms of a user: "MESSAGE WITH" each.
    static std::vector<std::string> alarmsOf(const char *user)
    {
        setCurrentUser(user);
        std::vector<std::string> rows;
        for (const tAlarm &a : tAlarmStore::instance().listed())
            rows.push_back(std::string(a.MESSAGE) + " " + a.WITH);
        return rows;
    }
};

} // namespace velk::apptest

#endif
