// vcard.h - persons to and from vCard files (".vcf"), read by today's address books.
//
// Export: one vCard 3.0 for each person in ID order:
//
//   UID    "<ID>-<identity>@velk" (the ID encoded as in ical.h)
//   N      NAME;CHRNAME;;;      FN  CHRNAME NAME
//   TEL    TEL (when set)
//   ADR    ;;STREET;CITY;;ZIP;COUNTRY (when any is set; line breaks of STREET as "\n")
//   BDAY   YYYYMMDD, or --MMDD for a birthday without a year (when set)
//
// Import reads vCard 2.1, 3.0 and 4.0 as their writers write them (the grammar in
// vcard_text.h): the name from N (family;given), else FN ("Given Family" split at its last blank,
// or "Family, Given"; whole for an organisation, KIND:org), else the first part of ORG (a card of
// an organisation is a person of that name); the first TEL, a voice, cell, work or home number
// before a fax or pager and a preferred one (TYPE=pref, PREF=1) first, a "tel:" URI as its number;
// the preferred ADR, else the first that is not empty; BDAY in its forms (birthdayOf in
// vcard_read.cpp; Apple's X-APPLE-OMIT-YEAR, and the year 1604, is a birthday without a year; a
// date that does not exist, or a text, is none).  NOTE and the other properties have no field in a
// person and are not read.  The ID: the one in a UID of this system's form (another database's too,
// so a round trip keeps the IDs), else the surname transliterated (idStemOf) with a number at the
// end where that is taken.  A card with no name at all is skipped and counted; so is one whose UID
// an earlier import stored (uid_register.h) or that carries a stored ID.  A card without END (a
// file cut off, a BEGIN inside it) is read as far as it goes and counted in the notes.
#ifndef VELK_EXCHANGE_VCARD_H
#define VELK_EXCHANGE_VCARD_H

#include "address/person.h"
#include "exchange/exchange.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace velk {

// One card's values, Windows-1252, not yet cut to the fields' widths.
struct tVcfCard {
    std::string id; // empty unless the UID gave one
    std::string uid, name, chrName, tel, street, city, zip, country;
    tDate birth;
};

struct tVcfReadout {
    std::vector<tVcfCard> cards;
    long broken = 0;       // cards without END, read as far as they go
    long nameless = 0;     // cards without N, FN and ORG
    long lost = 0;         // characters that Windows-1252 cannot hold
    long linesDropped = 0; // lines of read cards that are no content lines or too long
    long cardsFound = 0;   // every BEGIN:VCARD at the top, read or not
};

// The person of a card (ID as given); false when a value was cut to its field.
bool personOfCard(const tVcfCard &c, tPerson *p);

// The cards of the text of a whole file.
tVcfReadout readVCardText(std::string_view text);

// The stem of an ID made from a surname (Windows-1252): its letters transliterated to A to Z
// ("\xE4" as "AE", "\xDF" as "SS", "\xE9" as "E"), upper case, with its digits, at most 8;
// "PERSON" when none is left.
std::string idStemOf(std::string_view surname);

// IDs for new persons: the stem of the surname, with a number at the end where that is taken.
class tFreshIds {
public:
    std::string next(std::string_view surname);

private:
    std::map<std::string, int> last_;
};

// The person's vCard 3.0, folded, with CR LF.
std::string vcardOf(const tPerson &p, const std::string &identity);
// The same with the given UID.
std::string vcardOfUid(const tPerson &p, const std::string &uid);

tExchangeResult exportVCard(const std::string &fileName, const tExchangeProgress &progress = {});
tExchangeResult importVCard(const std::string &fileName, const tExchangeProgress &progress = {});

} // namespace velk

#endif
