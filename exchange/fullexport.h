// fullexport.h - the complete export ("Komplett-Export"): a dump of the database, every table
// but USERS into a dBASE file of its own.
//
// A table's file has one field per field row of the dictionary, in stored order, with the
// dictionary's name and length; the types map as
//
//   dictionary   C  T  B  D  U
//   dBASE        C  C  C  D  N
//
// and every value is the stored text as it stands (dates "%04d%02d%02d", times "%02d%02d", a
// number's digits with their zeros, a text field's text ID, not the text): no code page
// conversion, no right alignment.  Records come in the order of the primary index, the
// "########" counter record of TERMIN and ALARM included, as a dump must restore it.  A table
// without records gives a file of descriptors only.
#ifndef VELK_EXCHANGE_FULLEXPORT_H
#define VELK_EXCHANGE_FULLEXPORT_H

#include "exchange/dbf.h"
#include "model/schema.h"

#include <functional>
#include <string>
#include <vector>

namespace velk {

// The tables in the order they are written.
extern const char *const kExportTables[8];

// The dictionary rows of the table's fields, in stored order.
std::vector<tFieldDef> fieldRows(const char *table);

// The dBASE layout of a table from its dictionary rows; false when the dictionary holds none.
bool tableLayout(const char *table, tCreateDBF *layout);

// One table into fileName.  False, with no file of that name made, when the table cannot be
// opened, the file cannot be created or a write fails.
bool exportTable(const char *table, const std::string &fileName);

// Each of the eight tables into "<TABLE>.DBF" in the directory of chosenName (everything up to
// its last "/" or "\"); the name itself is not used.  A table that fails does not stop the
// others.  True when all eight were written; otherwise failed (if given) names the others.
// tableDone (if given) hears of each table written or failed with the number of tables done so
// far; when it answers false the export stops there, the files written so far staying (each is
// complete), and the answer is false.
bool exportAllTables(const std::string &chosenName, std::vector<std::string> *failed = nullptr,
                     const std::function<bool(int tablesDone)> &tableDone = {});

} // namespace velk

#endif
