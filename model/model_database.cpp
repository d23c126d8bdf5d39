#include "model/model_database.h"

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

long tModelUsers::count() { return userCount(); }

bool tModelUsers::read(const std::string &id, tLoginUser *user)
{
    tUser record = newUser();
    if (!readUser(id.c_str(), &record)) return false;
    *user = {record.ID, record.NAME, record.PASSWORD, record.PRIO};
    return true;
}

bool tModelUsers::write(const tLoginUser &user)
{
    tUser record = newUser();
    copyField(record.ID, user.id);
    copyField(record.NAME, user.name);
    copyField(record.PASSWORD, user.password);
    copyField(record.PRIO, user.prio);
    return writeUser(record);
}

// The directory is marked in use right after it opens and stays so until the process ends, so
// that velk-check does not repair files under a copy that waits at its login or between two
// operations.  A copy that cannot mark it (a repair is at work) does not start.
bool tModelDatabase::open(const std::string &dictPath)
{
    if (!openDatabase(dictPath.c_str())) return false;
    if (holdDatabaseInUse()) return true;
    closeDatabase();
    return false;
}
bool tModelDatabase::isOpen() const { return databaseOpen(); }
bool tModelDatabase::created() const { return databaseCreated(); }

void tModelDatabase::close()
{
    closeDatabase();
    usersOpen_ = false;
}

bool tModelDatabase::openUsers()
{
    usersOpen_ = openUserTable();
    return usersOpen_;
}

void tModelDatabase::closeUsers()
{
    closeUserTable();
    usersOpen_ = false;
}

} // namespace velk
