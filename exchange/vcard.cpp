#include "exchange/vcard.h"

#include "exchange/batch_hold.h"
#include "exchange/ical.h"
#include "exchange/text_out.h"
#include "exchange/uid_register.h"
#include "model/tables.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace velk {

namespace {

constexpr const char *kPersons = "Personen";

std::string text(std::string_view cp1252) { return escapeText(cp1252ToUtf8(cp1252)); }

std::string trimmed(std::string s)
{
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s.erase(0, std::min(s.size(), s.find_first_not_of(' ')));
}

// IDs of up to 8 letters and digits from the surname that no stored person has: the stem (the
// surname's first 8 letters and digits, upper case; "PERSON" when it has none), or else the stem
// cut short before the lowest free number.  Within one import the number last given for a stem is
// remembered: the numbers below it are taken, so the search goes on from there instead of from 1.
class tFreshIds {
public:
    std::string next(std::string_view name)
    {
        std::string base;
        for (char c : name)
            if (base.size() < 8 &&
                ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
                base += (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
        if (base.empty()) base = "PERSON";
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

private:
    std::map<std::string, int> last_;
};

} // namespace

std::string vcardOf(const tPerson &p, const std::string &identity)
{
    std::string out = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    out += foldLine("UID:" + escapeText(ownUid(p.ID, identity)));
    out += foldLine("N:" + text(p.NAME) + ";" + text(p.CHRNAME) + ";;;");
    std::string full = trimmed(std::string(p.CHRNAME) + " " + p.NAME);
    out += foldLine("FN:" + text(full.empty() ? p.ID : full));
    if (p.TEL[0]) out += foldLine("TEL;TYPE=VOICE:" + text(p.TEL));
    if (p.STREET[0] || p.CITY[0] || p.ZIP[0] || p.COUNTRY[0])
        out += foldLine("ADR;TYPE=HOME:;;" + text(p.STREET) + ";" + text(p.CITY) + ";;" +
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
    std::vector<tComponent> top;
    switch (readComponents(fileName, &top)) {
    case tReadStatus::CannotOpen:
        return notStarted(kPersons, "Fehler beim Lesen", "die Datei kann nicht gelesen werden");
    case tReadStatus::TooBig:
        return notStarted(kPersons, "Fehler beim Lesen",
                          "die Datei ist gr\xF6\xDF"
                          "er als 32 MB");
    case tReadStatus::Ok:
        break;
    }
    bool any = false;
    for (const tComponent &c : top) any |= c.name == "VCARD";
    if (!any)
        return notStarted(kPersons, "Fehler beim Lesen", "keine vCard-Datei (ohne BEGIN:VCARD)");
    tVcfReadout in = readVCards(top);
    tUidRegister reg;
    tFreshIds freshIds;
    tExchangeResult r;
    r.unit = kPersons;
    long known = 0, cut = 0;
    long total = (long)in.cards.size();
    tBatchHold hold(tPersTable::instance(), progress);
    for (long n = 0; n < total; n++) {
        if (!hold.before(n, total)) {
            r.outcome = tExchangeResult::Cancelled;
            return r;
        }
        tVcfCard &c = in.cards[n];
        tPerson stored, person;
        if (!personOfCard(c, &person)) cut++;
        if ((!c.uid.empty() && reg.known(c.uid)) || (person.ID[0] && stored.find(person.ID))) {
            known++;
            continue;
        }
        if (!person.ID[0]) person.setId(freshIds.next(person.NAME));
        if (!person.insert()) {
            r.outcome = tExchangeResult::Failed;
            r.message = "Fehler beim Speichern";
            r.detail = std::string("Person ") + person.ID;
            return r;
        }
        r.done++;
        if (!c.uid.empty()) reg.add(c.uid);
    }
    hold.release();
    r.skipped = in.broken + known;
    auto note = [&](long k, const char *one, const char *more) {
        if (k <= 0) return;
        r.notes += (r.notes.empty() ? "" : "; ") + std::to_string(k) + " " + (k == 1 ? one : more);
    };
    const char *lostChars = "Zeichen nicht \xFC"
                            "bernommen (nicht in Windows-1252, als ?)";
    note(in.lost, lostChars, lostChars);
    note(in.broken,
         "fehlerhafte oder unvollst\xE4ndige vCard \xFC"
         "bersprungen",
         "fehlerhafte oder unvollst\xE4ndige vCards \xFC"
         "bersprungen");
    note(known, "Person schon vorhanden", "Personen schon vorhanden");
    note(cut, "Person mit gek\xFCrzten Angaben", "Personen mit gek\xFCrzten Angaben");
    goOn(progress, total, total);
    return r;
}

} // namespace velk
