/* The users who may log in: USERS records keyed by the person's ID. */
#pragma once

/* A user as exchanged with callers: terminated texts, trailing spaces removed. */
struct tUser {
    char ID[9];
    char NAME[26];
    char PASSWORD[13];
    char PRIO[5];
};

/* An empty value; opens the USERS table if it is not open yet. */
tUser NewUser();
/* Opens (creating it when missing) the USERS table; false when unusable. */
bool OpenUserTable();
void CloseUserTable();
/* True and the four fields when a record with that ID exists. */
bool ReadUser(const char *id, tUser *user);
/* Rewrites the record with that ID, else adds one; true when stored. */
bool WriteUser(const tUser &user);
/* USERS records, 0 when the table is not open. */
long UserCount();
/* True when a record with that ID was found and deleted. */
bool DeleteUser(const char *id);
