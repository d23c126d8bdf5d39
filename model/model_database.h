// model_database.h - the shell's database interfaces on the data model: the dictionary with its
// text store and tables (model/blob.h) and the USERS table (model/users.h).
#ifndef VELK_MODEL_MODEL_DATABASE_H
#define VELK_MODEL_MODEL_DATABASE_H

#include "model/database.h"

namespace velk {

// The USERS table of the process (there is one; it needs no state here).
class tModelUsers : public tUserStore {
public:
    long count() override;
    bool read(const std::string &id, tLoginUser *user) override;
    bool write(const tLoginUser &user) override;
};

class tModelDatabase : public tDatabase {
public:
    bool open(const std::string &dictPath) override;
    bool isOpen() const override;
    bool created() const override;
    void close() override;
    bool openUsers() override;
    bool usersOpen() const override { return usersOpen_; }
    void closeUsers() override;
    tUserStore &users() override { return users_; }

private:
    tModelUsers users_;
    bool usersOpen_ = false;
};

} // namespace velk

#endif
