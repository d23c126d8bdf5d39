// person.h - persons of the address book and their records in PERSON.
//
// A person is a user exactly when USERS holds a record with the person's ID.  Its memberships are
// the MEMBER pairs whose MID is its ID (group.h).
#ifndef VELK_ADDRESS_PERSON_H
#define VELK_ADDRESS_PERSON_H

#include "base/date.h"
#include "base/store_status.h"

#include <string>
#include <string_view>
#include <vector>

namespace velk {

// The indices of PERSON.
enum tPersonKey : int {
    PersonById = 0,
    PersonByName = 1,     // surname, then first name: the order of every person list
    PersonByBirthday = 2, // month and day of the birthday
};

struct tPerson {
    char ID[9] = "";
    char NAME[26] = "";
    char CHRNAME[26] = "";
    char TEL[31] = "";
    tDate BIRTH; // 0.0. when unknown; year 0 when only day and month are known
    char STREET[81] = "";
    char CITY[41] = "";
    char COUNTRY[41] = "";
    char ZIP[31] = "";

    // Each setter keeps at most the field's width; false when the text was cut.
    bool setId(std::string_view text);
    bool setName(std::string_view text);
    bool setChrName(std::string_view text);
    bool setTel(std::string_view text);
    bool setStreet(std::string_view text);
    bool setCity(std::string_view text);
    bool setCountry(std::string_view text);
    bool setZip(std::string_view text);

    // Walks PERSON in the order of `key`: first answers a cursor (0: no person), next the cursor
    // of the following person (0 at the end).  Each fills this value.
    long first(int key);
    long next(long cursor);
    // Exact search by ID.
    bool find(std::string_view id);
    // The persons with this day and month of birth (any year), walked from cursor 0 in key
    // order; 0 when the next person has another birthday.
    long findByBirthday(long cursor, int day, int month, int year);

    tStoreStatus insert() const;
    // Rewrites the record of oldId with this value (its ID may change); memberships move to the
    // new ID with it.  NotFound when oldId is not stored; Failed when a membership did not move.
    tStoreStatus update(std::string_view oldId) const;
    // Deletes the record of this ID and every membership of the person (Failed when a
    // membership stays).
    tStoreStatus remove() const;

    int walkKey = PersonByName; // the index of the walk that filled this value
};

// Every person in the order of `key`.
std::vector<tPerson> allPersons(int key = PersonByName);

// A person list line: "ID\tCHRNAME NAME\t%2d.%2d.%04d\tTEL".
std::string personListLine(const tPerson &p);
// A line of the person selection: "* CHRNAME NAME Tel: TEL [ID]".
std::string personSelectionLine(const tPerson &p);
// The ID a list line begins with: the text up to its first tab, at most 80 characters.
std::string lineId(std::string_view line);

// Whether a birthday as typed into the person dialog may be stored: 0.0. (none) with any year,
// else a valid date, year 0 counting as a leap year.
bool birthdayAcceptable(int day, int month, int year);

// Whether USERS has a record with this ID.
bool personIsUser(std::string_view id);

// What deleting a person means for the current user.
enum class tPersonDelete {
    Nothing,             // the person does not exist
    RefusedForUser,      // a user's person, and the current user is not root
    DeleteUserAndPerson, // root deletes a user's person: USERS record first
    DeletePerson,
};
tPersonDelete decidePersonDelete(bool personExists, bool isUser, std::string_view currentUser);

// Carries out the decision for the person with this ID; Nothing or RefusedForUser change
// nothing.  `stored` is false when a deletion failed.
struct tPersonDeleteResult {
    tPersonDelete decision;
    bool stored;
};
tPersonDeleteResult deletePersonAs(std::string_view id, std::string_view currentUser);

} // namespace velk

#endif
