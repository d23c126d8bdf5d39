// The users who may log in: USERS records keyed by the person's ID.
#ifndef VELK_MODEL_USERS_H
#define VELK_MODEL_USERS_H

namespace velk {

// A user as exchanged with callers: terminated texts, trailing spaces removed.
struct tUser {
    char ID[9];
    char NAME[26];
    char PASSWORD[13];
    char PRIO[5];
};

// An empty value; opens the USERS table if it is not open yet.
tUser newUser();
// Opens (creating it when missing) the USERS table; false when unusable.
bool openUserTable();
void closeUserTable();
// True and the four fields when a record with that ID exists.
bool readUser(const char *id, tUser *user);
// Rewrites the record with that ID, else adds one; true when stored.
bool writeUser(const tUser &user);
// USERS records, 0 when the table is not open.
long userCount();
// True when a record with that ID was found and deleted.
bool deleteUser(const char *id);

} // namespace velk

#endif
