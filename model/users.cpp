#include "model/users.h"

#include "model/tables.h"

#include <cstdio>
#include <cstring>

namespace {

tUserTable *table() { return tUserTable::Instance(); }

void copy(char *dst, size_t size, const char *src) { std::snprintf(dst, size, "%s", src); }

} // namespace

tUser NewUser()
{
    table();
    tUser u;
    std::memset(&u, 0, sizeof u);
    return u;
}

bool OpenUserTable() { return table() != nullptr; }

void CloseUserTable() { tTable::Release("USERS"); }

bool ReadUser(const char *id, tUser *user)
{
    tUserTable *t = table();
    if (!t || !t->SelectIndex(0)) return false;
    t->rec.Clear();
    t->ID.SetText(id);
    if (!t->rec.Find()) return false;
    copy(user->ID, sizeof user->ID, t->ID.GetText());
    copy(user->NAME, sizeof user->NAME, t->NAME.GetText());
    copy(user->PASSWORD, sizeof user->PASSWORD, t->PASSWORD.GetText());
    copy(user->PRIO, sizeof user->PRIO, t->PRIO.GetText());
    return true;
}

bool WriteUser(const tUser &user)
{
    tUserTable *t = table();
    if (!t || !t->SelectIndex(0)) return false;
    t->rec.Clear();
    t->ID.SetText(user.ID);
    bool exists = t->rec.Find();
    t->NAME.SetText(user.NAME);
    t->PASSWORD.SetText(user.PASSWORD);
    t->PRIO.SetText(user.PRIO);
    if (exists) return t->Rewrite(t->rec) > 0;
    return t->rec.Insert();
}

long UserCount()
{
    tUserTable *t = table();
    return t ? t->RecordCount() : 0;
}

bool DeleteUser(const char *id)
{
    tUserTable *t = table();
    if (!t || !t->SelectIndex(0)) return false;
    t->rec.Clear();
    t->ID.SetText(id);
    return t->rec.Delete();
}
