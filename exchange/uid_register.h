// uid_register.h - the database's identity for iCalendar and vCard UIDs, and the UIDs of the
// events an import has stored.
//
// Both live in the file "ical.uid" of the database directory: its first line is the identity, 32
// hexadecimal digits drawn at random when the file is first made (so it travels with a copy or a
// backup of the directory and never changes); each further line is the UID of an event that an
// import stored, so that a second import of it stores nothing.  The file is read, given its
// identity and appended under an OFD lock on the whole file, held while the register is open, so
// that several copies of the program agree on one identity and do not interleave their lines.
//
// When the directory cannot take the file (read-only), the identity is a hash of the database
// directory's path and nothing is remembered; the import then counts on the appointment key
// (start, title, resource, owner), which also refuses an event stored before.
#ifndef VELK_EXCHANGE_UID_REGISTER_H
#define VELK_EXCHANGE_UID_REGISTER_H

#include <set>
#include <string>
#include <vector>

namespace velk {

class tUidRegister {
public:
    // Opens (making it where none exists) the register of the open database and locks it.
    tUidRegister();
    ~tUidRegister();
    tUidRegister(const tUidRegister &) = delete;
    tUidRegister &operator=(const tUidRegister &) = delete;

    const std::string &identity() const { return identity_; }
    // The identity alone, for an export: read without waiting on the lock once the file has
    // one (an import of another copy may hold the lock for long); else as the register makes it.
    static std::string databaseIdentity();
    bool known(const std::string &uid) const { return uids_.count(uid) != 0; }
    // Remembers uid (appended to the file at once); false when it could not be written.
    bool add(const std::string &uid);

private:
    int fd_ = -1;
    std::string identity_;
    std::set<std::string> uids_;
};

} // namespace velk

#endif
