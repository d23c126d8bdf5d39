#include "exchange/vcard.h"

#include "exchange/file_access.h"
#include "exchange/ical_text.h"
#include "exchange/ical_uid.h"
#include "exchange/text_out.h"
#include "exchange/uid_register.h"
#include "exchange/vcard_text.h"
#include "model/tables.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace velk {

namespace {

constexpr const char *kPersons = "Personen";

// The letters of Windows-1252's bytes 0x80 to 0xFF in A to Z ("" for signs that are none).
constexpr const char *kLatin[128] = {
    "",  "",  "",  "F", "",   "",  "",   "",  "",  "",  "S", "",  "OE", "",  "Z",  "",   // 80
    "",  "",  "",  "",  "",   "",  "",   "",  "",  "",  "S", "",  "OE", "",  "Z",  "Y",  // 90
    "",  "",  "",  "",  "",   "",  "",   "",  "",  "",  "A", "",  "",   "",  "",   "",   // A0
    "",  "",  "",  "",  "",   "",  "",   "",  "",  "",  "O", "",  "",   "",  "",   "",   // B0
    "A", "A", "A", "A", "AE", "A", "AE", "C", "E", "E", "E", "E", "I",  "I", "I",  "I",  // C0
    "D", "N", "O", "O", "O",  "O", "OE", "",  "O", "U", "U", "U", "UE", "Y", "TH", "SS", // D0
    "A", "A", "A", "A", "AE", "A", "AE", "C", "E", "E", "E", "E", "I",  "I", "I",  "I",  // E0
    "D", "N", "O", "O", "O",  "O", "OE", "",  "O", "U", "U", "U", "UE", "Y", "TH", "Y",  // F0
};

std::string text(std::string_view cp1252) { return vcfEscape(cp1252ToUtf8(cp1252)); }

std::string trimmed(std::string s)
{
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s.erase(0, std::min(s.size(), s.find_first_not_of(' ')));
}

} // namespace

// IDs of up to 8 letters and digits from the surname that no stored person has: the stem
// (idStemOf), or else the stem cut short before the lowest free number.  Within one import the
// number last given for a stem is remembered: the numbers below it are taken, so the search goes
// on from there instead of from 1.
std::string tFreshIds::next(std::string_view name)
{
    std::string base = idStemOf(name);
    tPerson p;
    if (!p.find(base)) return base;
    int &last = last_[base];
    for (int n = std::max(last, 1); n < 10000000; n++) {
        std::string suffix = std::to_string(n);
        std::string id = base.substr(0, 8 - suffix.size()) + suffix;
        if (!p.find(id)) {
            last = n;
            return id;
        }
    }
    return {};
}

std::string idStemOf(std::string_view surname)
{
    std::string stem;
    for (char ch : surname) {
        unsigned char c = (unsigned char)ch;
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            stem += ch;
        else if (c >= 'a' && c <= 'z')
            stem += char(c - 'a' + 'A');
        else if (c >= 0x80)
            stem += kLatin[c - 0x80];
        if (stem.size() >= 8) break;
    }
    stem.resize(std::min<size_t>(stem.size(), 8));
    return stem.empty() ? "PERSON" : stem;
}

std::string vcardOf(const tPerson &p, const std::string &identity)
{
    return vcardOfUid(p, ownUid(p.ID, identity));
}

std::string vcardOfUid(const tPerson &p, const std::string &uid)
{
    std::string out = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    out += vcfFold("UID:" + vcfEscape(uid));
    out += vcfFold("N:" + text(p.NAME) + ";" + text(p.CHRNAME) + ";;;");
    std::string full = trimmed(std::string(p.CHRNAME) + " " + p.NAME);
    out += vcfFold("FN:" + text(full.empty() ? p.ID : full));
    if (p.TEL[0]) out += vcfFold("TEL;TYPE=VOICE:" + text(p.TEL));
    if (p.STREET[0] || p.CITY[0] || p.ZIP[0] || p.COUNTRY[0])
        out += vcfFold("ADR;TYPE=HOME:;;" + text(p.STREET) + ";" + text(p.CITY) + ";;" +
                       text(p.ZIP) + ";" + text(p.COUNTRY));
    if (p.BIRTH.day && p.BIRTH.month && p.BIRTH.valid()) {
        char buf[16];
        if (p.BIRTH.year > 0 && p.BIRTH.year <= 9999)
            snprintf(buf, sizeof buf, "%04d%02d%02d", p.BIRTH.year, p.BIRTH.month, p.BIRTH.day);
        else
            snprintf(buf, sizeof buf, "--%02d%02d", p.BIRTH.month, p.BIRTH.day);
        out += std::string("BDAY:") + buf + "\r\n";
    }
    return out + "END:VCARD\r\n";
}

tExchangeResult exportVCard(const std::string &fileName, const tExchangeProgress &progress)
{
    std::vector<tPerson> persons = allPersons(PersonById);
    if (persons.empty()) return nothingToWrite(kPersons);
    std::string identity = tUidRegister::databaseIdentity();
    tTextOut out;
    if (!out.open(fileName)) return notStarted(kPersons, "Die Datei kann nicht angelegt werden");
    return writeEach(
        kPersons, (long)persons.size(), progress,
        [&](long i) {
            return out.write(vcardOf(persons[i], identity)) ? tWritten::Yes : tWritten::Failed;
        },
        [&] { out.discard(); }, [&] { return out.commit(); });
}

bool personOfCard(const tVcfCard &c, tPerson *p)
{
    bool whole = p->setId(c.id) & p->setName(c.name) & p->setChrName(c.chrName) & p->setTel(c.tel) &
                 p->setStreet(c.street) & p->setCity(c.city) & p->setZip(c.zip) &
                 p->setCountry(c.country);
    p->BIRTH = c.birth;
    return whole;
}

tExchangeResult importVCard(const std::string &fileName, const tExchangeProgress &progress)
{
    std::string fileText;
    switch (readForImport(fileName, kVcfMaxFile, &fileText)) {
    case tFileStatus::CannotOpen:
    case tFileStatus::NotRegular:
        return notStarted(kPersons, "Fehler beim Lesen", "die Datei kann nicht gelesen werden");
    case tFileStatus::TooBig:
        return notStarted(kPersons, "Fehler beim Lesen",
                          "die Datei ist gr\xF6\xDF"
                          "er als 32 MB");
    case tFileStatus::Ok:
        break;
    }
    tVcfReadout in = readVCardText(fileText);
    fileText = std::string();
    if (in.cardsFound == 0)
        return notStarted(kPersons, "Fehler beim Lesen", "keine vCard-Datei (ohne BEGIN:VCARD)");
    tUidRegister reg;
    tFreshIds freshIds;
    long known = 0, cut = 0;
    tExchangeResult r = readEach(kPersons, tPersTable::instance(), (long)in.cards.size(), progress,
                                 [&](long n, tExchangeResult &r) {
                                     tVcfCard &c = in.cards[n];
                                     tPerson stored, person;
                                     if (!personOfCard(c, &person)) cut++;
                                     if ((!c.uid.empty() && reg.known(c.uid)) ||
                                         (person.ID[0] && stored.find(person.ID))) {
                                         known++;
                                         return tRead::Passed;
                                     }
                                     if (!person.ID[0]) person.setId(freshIds.next(person.NAME));
                                     if (person.insert() != tStoreStatus::Stored) {
                                         r.message = "Fehler beim Speichern";
                                         r.detail = std::string("Person ") + person.ID;
                                         return tRead::Failed;
                                     }
                                     if (!c.uid.empty()) reg.add(c.uid);
                                     return tRead::Stored;
                                 });
    if (!r.ok()) return r;
    r.skipped = in.nameless + known;
    const char *lostChars = "Zeichen nicht \xFC"
                            "bernommen (nicht in Windows-1252, als ?)";
    addNotes(r.notes,
             {
                 {in.lost, lostChars, lostChars},
                 {in.broken, "unvollst\xE4ndige vCard (ohne END) gelesen",
                  "unvollst\xE4ndige vCards (ohne END) gelesen"},
                 {in.linesDropped,
                  "unlesbare Zeile einer vCard \xFC"
                  "bersprungen",
                  "unlesbare Zeilen von vCards \xFC"
                  "bersprungen"},
                 {in.nameless,
                  "vCard ohne Namen \xFC"
                  "bersprungen",
                  "vCards ohne Namen \xFC"
                  "bersprungen"},
                 {known, "Person schon vorhanden", "Personen schon vorhanden"},
                 {cut, "Person mit gek\xFCrzten Angaben", "Personen mit gek\xFCrzten Angaben"},
             });
    return r;
}

} // namespace velk
