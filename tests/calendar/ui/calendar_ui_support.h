// calendar_ui_support.h - the calendar's widget tests: the persons, group and a resource of the
// calendar tests on a real database, the recorder as shell host, and what is stored.
#ifndef VELK_TESTS_CALENDAR_UI_CALENDAR_UI_SUPPORT_H
#define VELK_TESTS_CALENDAR_UI_CALENDAR_UI_SUPPORT_H

#include <QAbstractButton>
#include <QCheckBox>
#include <QListWidget>

#include "address/resource.h"
#include "calendar/alarm.h"
#include "tests/address/address_ui_support.h"
#include "tests/calendar/calendar_support.h"

namespace velk::caltest {

class CalendarUiTest : public CalendarTest {
protected:
    void SetUp() override
    {
        CalendarTest::SetUp();
        tResource r;
        r.setId("raum1");
        r.setTitle("Raum 1");
        ASSERT_EQ(r.insert(), tStoreStatus::Stored);
    }

    // Every stored appointment (the counter row left out), in start order.
    std::vector<tTermin> allTermine()
    {
        std::vector<tTermin> out;
        tTermin t;
        for (long p = store.first(tTerminStore::ByStart, t); p;
             p = store.next(tTerminStore::ByStart, p, t))
            if (!t.isCounter()) out.push_back(t);
        return out;
    }
    // Every alarm row addressed to `user`.
    std::vector<tAlarm> alarmsOf(const char *user)
    {
        std::string was = currentUser();
        setCurrentUser(user);
        std::vector<tAlarm> out;
        tAlarm a;
        tAlarmStore &alarms = tAlarmStore::instance();
        for (long p = alarms.firstOfUser(a); p; p = alarms.nextOfUser(p, a)) out.push_back(a);
        setCurrentUser(was);
        return out;
    }
    tAlarm alarmAt(tDateTime when, const char *message, const char *with = "")
    {
        tAlarm a;
        a.when = when;
        a.setMessage(message);
        a.setWith(with);
        EXPECT_EQ(tAlarmStore::instance().send(a).status, tStoreStatus::Stored);
        return a;
    }

    velk::apptest::RecorderHost host;
};

template <typename W = QWidget>
W *child(QWidget &dialog, const char *name)
{
    W *w = dialog.findChild<W *>(QString::fromLatin1(name));
    EXPECT_TRUE(w) << name;
    return w;
}

inline void click(QWidget &dialog, const char *name)
{
    auto *b = child<QAbstractButton>(dialog, name);
    ASSERT_TRUE(b);
    ASSERT_TRUE(b->isEnabled()) << name;
    b->click();
}

inline QString focusOf(QWidget &dialog)
{
    return dialog.focusWidget() ? dialog.focusWidget()->objectName() : QString();
}

} // namespace velk::caltest

#endif
