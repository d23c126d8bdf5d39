// exchange_support.h - helpers of the data exchange tests: the peer programs (dbfread under
// Debian's own python3, shapelib's dbf tools), run from the system's standard PATH, and the
// person exchange layout built from the PERSON rows of the schema.
#ifndef VELK_TESTS_EXCHANGE_EXCHANGE_SUPPORT_H
#define VELK_TESTS_EXCHANGE_EXCHANGE_SUPPORT_H

#include "exchange/dbf.h"

#include <string>
#include <vector>

namespace velk::exchangetest {

// The program in the system's standard PATH (confstr _CS_PATH, as `getconf PATH` prints it),
// so that a python3 of a user's own installation is not taken; "" when absent.
std::string systemProgram(const std::string &name);

// Runs argv[0] (a full path) with the arguments, stdout into *out; the exit status, or -1.
int runProgram(const std::vector<std::string> &argv, std::string *out);

// What dbf_dump.py prints for the file (see there); "" and a test failure when it cannot run.
std::string dbfreadDump(const std::string &path, const std::string &encoding);

// The length of a field of the built-in schema; 0 when unknown.
int schemaLength(const char *table, const char *field);

// The person exchange layout: ID, CHRNAME, NAME, TEL as in PERSON; BIRTHDAY, BIRTHMONTH,
// BIRTHYEAR as numbers of 2, 2 and 4; STREET, CITY, ZIP, COUNTRY as in PERSON.
tCreateDBF personLayout();

} // namespace velk::exchangetest

#endif
