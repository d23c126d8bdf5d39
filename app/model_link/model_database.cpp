#include "app/model_link/model_database.h"

#include <cstring>

#include "model/blob.h"
#include "model/users.h"

namespace velk {

// Copies into a fixed field, cut to its size and always terminated.
template <std::size_t N>
static void copyField(char (&field)[N], const std::string &value)
{
    std::size_t n = value.size() < N - 1 ? value.size() : N - 1;
    std::memcpy(field, value.data(), n);
    field[n] = '\0';
}

long tModelUsers::count() { return UserCount(); }

bool tModelUsers::read(const std::string &id, tLoginUser *user)
{
    tUser record = NewUser();
    if (!ReadUser(id.c_str(), &record)) return false;
    *user = {record.ID, record.NAME, record.PASSWORD, record.PRIO};
    return true;
}

bool tModelUsers::write(const tLoginUser &user)
{
    tUser record = NewUser();
    copyField(record.ID, user.id);
    copyField(record.NAME, user.name);
    copyField(record.PASSWORD, user.password);
    copyField(record.PRIO, user.prio);
    return WriteUser(record);
}

bool tModelDatabase::open(const std::string &dictPath) { return OpenDatabase(dictPath.c_str()); }
bool tModelDatabase::isOpen() const { return DatabaseOpen(); }
bool tModelDatabase::created() const { return DatabaseCreated(); }

void tModelDatabase::close()
{
    CloseDatabase();
    usersOpen_ = false;
}

bool tModelDatabase::openUsers()
{
    usersOpen_ = OpenUserTable();
    return usersOpen_;
}

void tModelDatabase::closeUsers()
{
    CloseUserTable();
    usersOpen_ = false;
}

} // namespace velk
