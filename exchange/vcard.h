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
// Import reads vCard 3.0 and 4.0 (2.1 as 3.0, without quoted-printable): N (else FN split at
// its last blank), the first TEL, the first ADR, BDAY ("19610703", "1961-07-03", "--0703",
// "--07-03"; a date that does not exist is no birthday).  The ID: the one in a UID of this
// system's form (another database's too, so a round trip keeps the IDs), else up to 8 letters
// and digits of the surname (or "PERSON") with a number at the end where that is taken.  A vCard
// whose UID an earlier import stored (uid_register.h), or that carries a stored ID, is skipped
// and counted; one without END or with a malformed line too.
#ifndef VELK_EXCHANGE_VCARD_H
#define VELK_EXCHANGE_VCARD_H

#include "address/person.h"
#include "exchange/exchange.h"
#include "exchange/ical_text.h"

#include <string>
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
    long broken = 0; // malformed or incomplete cards, cards without a name
    long lost = 0;   // characters that Windows-1252 cannot hold
};

// The person of a card (ID as given); false when a value was cut to its field.
bool personOfCard(const tVcfCard &c, tPerson *p);

tVcfReadout readVCards(const std::vector<tComponent> &top);
// The same on the text of a whole file.
tVcfReadout readVCardText(std::string_view text);

// The person's vCard 3.0, folded, with CR LF.
std::string vcardOf(const tPerson &p, const std::string &identity);

tExchangeResult exportVCard(const std::string &fileName, const tExchangeProgress &progress = {});
tExchangeResult importVCard(const std::string &fileName, const tExchangeProgress &progress = {});

} // namespace velk

#endif
