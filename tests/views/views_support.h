// views_support.h - the calendar's test database (calendar_support.h) with helpers for the
// records the views show: persons with birthdays, tasks, resources.
#ifndef VELK_TESTS_VIEWS_VIEWS_SUPPORT_H
#define VELK_TESTS_VIEWS_VIEWS_SUPPORT_H

#include "address/resource.h"
#include "views/view_types.h"
#include "projects/project.h"
#include "tests/calendar/calendar_support.h"

#include <string>
#include <vector>

namespace velk {

inline void PrintTo(const tViewLine &l, std::ostream *os)
{
    *os << "'" << l.text << "' [" << l.key << "]";
}

} // namespace velk

namespace velk::caltest {

inline std::vector<std::string> texts(const std::vector<tViewLine> &lines)
{
    std::vector<std::string> out;
    for (const tViewLine &l : lines) out.push_back(l.text);
    return out;
}

class ViewsTest : public CalendarTest {
protected:
    void person(const char *id, const char *chrName, const char *name, tDate birth,
                const char *tel = "")
    {
        tPerson p;
        p.setId(id);
        p.setChrName(chrName);
        p.setName(name);
        p.setTel(tel);
        p.BIRTH = birth;
        ASSERT_EQ(p.insert(), tStoreStatus::Stored) << id;
    }
    void task(const char *id, const char *title, tDate due)
    {
        tTask k;
        k.setId(id);
        k.setTitle(title);
        k.setProject("P1");
        k.ENDDATE = due;
        ASSERT_EQ(k.insert(), tStoreStatus::Stored) << id;
    }
    void resource(const char *id)
    {
        tResource r;
        r.setId(id);
        r.setTitle(id);
        ASSERT_EQ(r.insert(), tStoreStatus::Stored) << id;
    }
    // Stores as `user` an appointment that books `res`.
    tTermin booking(const char *user, const char *title, tDateTime from, tDateTime till,
                    const char *res, const char *read = "")
    {
        tTermin t = termin(title, from, till, read);
        t.setResource(res);
        return add(user, t);
    }
};

} // namespace velk::caltest

#endif
