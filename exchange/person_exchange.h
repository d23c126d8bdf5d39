// person_exchange.h - persons to and from dBASE files, and to the person text file.
//
// Person exchange file (tPersonDBF), fields in file order:
//
//   name        type  length  PERSON
//   ID          C     8       ID
//   CHRNAME     C     25      CHRNAME
//   NAME        C     25      NAME
//   TEL         C     30      TEL
//   BIRTHDAY    N     2       day of BIRTH
//   BIRTHMONTH  N     2       month of BIRTH
//   BIRTHYEAR   N     4       year of BIRTH
//   STREET      C     80      STREET
//   CITY        C     40      CITY
//   ZIP         C     30      ZIP
//   COUNTRY     C     40      COUNTRY
//
// Text in code page 850 with the accent escapes (tCharField).  Reading binds the fields by name:
// a file of another program may lack some (they read as empty or 0) or carry more; without an ID
// field it is no person file.  Records marked deleted ("*") are skipped, as dBASE readers do.  A
// birthday that is no date (31.2., a month 13, a year beyond 9999) is read as none.
//
// Person text file ("Personen ASCII"): a line of the 19 PERSON field names in dictionary order,
// each followed by ";", then a line per person in ID order, each field's stored text (trailing
// blanks dropped) in double quotes followed by ";".  Lines end with CR LF; a quote inside a value
// is written as it stands.
#ifndef VELK_EXCHANGE_PERSON_EXCHANGE_H
#define VELK_EXCHANGE_PERSON_EXCHANGE_H

#include "address/person.h"
#include "exchange/dbf.h"
#include "exchange/exchange.h"

#include <string>

namespace velk {

class tPersonDBF : public tBoundDBF {
public:
    static tCreateDBF layout() { return tPersonDBF().handleLayout(); }

    bool hasId() const { return ID.index() >= 0; }

    // The current record from p, and p from the current record (a fresh value: fields the file
    // lacks stay empty).
    void put(const tPerson &p);
    tPerson get();

    tCharField ID{"ID", 8}, CHRNAME{"CHRNAME", 25}, NAME{"NAME", 25}, TEL{"TEL", 30};
    tNumField BIRTHDAY{"BIRTHDAY", 2}, BIRTHMONTH{"BIRTHMONTH", 2}, BIRTHYEAR{"BIRTHYEAR", 4};
    tCharField STREET{"STREET", 80}, CITY{"CITY", 40}, ZIP{"ZIP", 30}, COUNTRY{"COUNTRY", 40};

protected:
    std::vector<tFeld *> handles() override;
};

// Every person in ID order into a new dBASE file.  With no person no file is made (done 0).
tExchangeResult exportPersonsDbf(const std::string &fileName,
                                 const tExchangeProgress &progress = {});
// Every live record of the file as a new person.  A person whose ID is already stored is
// skipped (counted), as the insert refuses it; so is a record with a blank ID.
tExchangeResult importPersonsDbf(const std::string &fileName,
                                 const tExchangeProgress &progress = {});
// The person text file.
tExchangeResult exportPersonsText(const std::string &fileName,
                                  const tExchangeProgress &progress = {});

} // namespace velk

#endif
