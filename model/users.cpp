#include "model/users.h"

#include "model/tables.h"

#include <cstdio>
#include <cstring>

namespace velk {

namespace {

tUserTable *table() { return tUserTable::instance(); }

void copy(char *dst, size_t size, const char *src) { std::snprintf(dst, size, "%s", src); }

} // namespace

tUser newUser()
{
    table();
    tUser u;
    std::memset(&u, 0, sizeof u);
    return u;
}

bool openUserTable() { return table() != nullptr; }

void closeUserTable() { tTable::release("USERS"); }

bool readUser(const char *id, tUser *user)
{
    tUserTable *t = table();
    if (!t || !t->selectIndex(0)) return false;
    t->rec.clear();
    t->ID.setText(id);
    if (!t->rec.find()) return false;
    copy(user->ID, sizeof user->ID, t->ID.getText());
    copy(user->NAME, sizeof user->NAME, t->NAME.getText());
    copy(user->PASSWORD, sizeof user->PASSWORD, t->PASSWORD.getText());
    copy(user->PRIO, sizeof user->PRIO, t->PRIO.getText());
    return true;
}

bool writeUser(const tUser &user)
{
    tUserTable *t = table();
    if (!t || !t->selectIndex(0)) return false;
    t->rec.clear();
    t->ID.setText(user.ID);
    bool exists = t->rec.find();
    t->NAME.setText(user.NAME);
    t->PASSWORD.setText(user.PASSWORD);
    t->PRIO.setText(user.PRIO);
    if (exists) return t->rewrite(t->rec) > 0;
    return t->rec.insert();
}

long userCount()
{
    tUserTable *t = table();
    return t ? t->recordCount() : 0;
}

bool deleteUser(const char *id)
{
    tUserTable *t = table();
    if (!t || !t->selectIndex(0)) return false;
    t->rec.clear();
    t->ID.setText(id);
    return t->rec.remove();
}

} // namespace velk
