// database.h - the database as start-up and shut-down see it.
//
// Start-up opens the dictionary at the configured path (creating a complete empty database where
// none can be opened), then the USERS table, and hands the table to the login; shut-down closes
// the table, then the database.  The program uses the data model behind this interface; the
// shell's tests can also put a fake behind it.
#ifndef VELK_MODEL_DATABASE_H
#define VELK_MODEL_DATABASE_H

#include <string>

#include "model/login.h"

namespace velk {

class tDatabase {
public:
    virtual ~tDatabase() = default;
    virtual bool open(const std::string &dictPath) = 0; // open, or create where none opens
    virtual bool isOpen() const = 0;
    virtual bool created() const = 0; // created in this run
    virtual void close() = 0;
    virtual bool openUsers() = 0;
    virtual bool usersOpen() const = 0;
    virtual void closeUsers() = 0;
    virtual tUserStore &users() = 0;
};

} // namespace velk

#endif
