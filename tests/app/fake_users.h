// fake_users.h - an in-memory USERS table and database for the shell's tests.
#ifndef VELK_TESTS_APP_FAKE_USERS_H
#define VELK_TESTS_APP_FAKE_USERS_H

#include <map>
#include <string>
#include <vector>

#include "model/database.h"
#include "model/login.h"

namespace velk::apptest {

class FakeUsers : public velk::tUserStore {
public:
    long count() override { return open ? long(records.size()) : 0; }
    bool read(const std::string &id, velk::tLoginUser *user) override
    {
        ++reads;
        auto it = records.find(id);
        if (!open || it == records.end()) return false;
        *user = it->second;
        return true;
    }
    bool write(const velk::tLoginUser &user) override
    {
        if (!open || refuseWrites) return false;
        writes.push_back(user);
        records[user.id] = user;
        return true;
    }
    void add(const std::string &id, const std::string &password, const std::string &name = "",
             const std::string &prio = "")
    {
        records[id] = {id, name, velk::storedPassword(password), prio};
    }

    bool open = true;
    bool refuseWrites = false;
    int reads = 0;
    std::map<std::string, velk::tLoginUser> records;
    std::vector<velk::tLoginUser> writes;
};

// The database as start-up sees it, with a log of what was asked of it.
class FakeDatabase : public velk::tDatabase {
public:
    FakeDatabase() { users_.open = false; }
    bool open(const std::string &dictPath) override
    {
        log.push_back("open " + dictPath);
        isOpen_ = openSucceeds;
        return isOpen_;
    }
    bool isOpen() const override { return isOpen_; }
    bool created() const override { return false; }
    void close() override
    {
        log.push_back("close");
        isOpen_ = false;
    }
    bool openUsers() override
    {
        log.push_back("openUsers");
        users_.open = usersSucceed;
        return usersSucceed;
    }
    bool usersOpen() const override { return users_.open; }
    void closeUsers() override
    {
        log.push_back("closeUsers");
        users_.open = false;
    }
    velk::tUserStore &users() override { return users_; }
    FakeUsers &fakeUsers() { return users_; }

    bool openSucceeds = true;
    bool usersSucceed = true;
    std::vector<std::string> log;

private:
    bool isOpen_ = false;
    FakeUsers users_;
};

} // namespace velk::apptest

#endif
