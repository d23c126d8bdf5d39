#include "exchange/vcard.h"

#include "exchange/batch_hold.h"
#include "exchange/ical.h"
#include "exchange/text_out.h"
#include "exchange/uid_register.h"
#include "model/tables.h"

#include <cstdio>
#include <cstdlib>

namespace velk {

namespace {

constexpr const char *kPersons = "Personen";

std::string text(std::string_view cp1252) { return escapeText(cp1252ToUtf8(cp1252)); }

std::string trimmed(std::string s)
{
    while (!s.empty() && s.back() == ' ') s.pop_back();
    while (!s.empty() && s.front() == ' ') s.erase(0, 1);
    return s;
}

// "19610703", "1961-07-03", "--0703", "--07-03" (a time after "T" ignored).
tDate birthday(std::string_view v)
{
    v = v.substr(0, v.find('T'));
    bool noYear = v.starts_with("--");
    std::string d;
    for (char c : v)
        if (c >= '0' && c <= '9') d += c;
    tDate b;
    if (noYear && d.size() == 4) {
        b.month = std::atoi(d.substr(0, 2).c_str());
        b.day = std::atoi(d.substr(2, 2).c_str());
    } else if (!noYear && d.size() == 8) {
        b.year = std::atoi(d.substr(0, 4).c_str());
        b.month = std::atoi(d.substr(4, 2).c_str());
        b.day = std::atoi(d.substr(6, 2).c_str());
    }
    if (!b.valid()) b = tDate{}; // year 0 counts as a leap year: --0229 is kept
    return b;
}

std::string part(const std::vector<std::string> &parts, size_t i)
{
    return i < parts.size() ? parts[i] : std::string();
}

// An ID of up to 8 letters and digits from the surname that no stored person has.
std::string freshId(std::string_view name)
{
    std::string base;
    for (char c : name)
        if (base.size() < 8 && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                                (c >= '0' && c <= '9')))
            base += (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
    if (base.empty()) base = "PERSON";
    tPerson p;
    if (!p.find(base)) return base;
    for (int n = 1; n < 10000000; n++) {
        std::string suffix = std::to_string(n);
        std::string id = base.substr(0, 8 - suffix.size()) + suffix;
        if (!p.find(id)) return id;
    }
    return {};
}

} // namespace

tVcfReadout readVCards(const std::vector<tComponent> &top)
{
    tVcfReadout out;
    for (const tComponent &c : top) {
        if (c.name != "VCARD") continue;
        if (!c.sound()) {
            out.broken++;
            continue;
        }
        tVcfCard card;
        tPerson &p = card.person;
        long *lost = &out.lost;
        auto keep = [&](bool whole) { out.cut += !whole; };
        std::string name, given;
        if (const tContentLine *n = c.prop("N")) {
            std::vector<std::string> parts = splitValue(n->value, ';');
            name = part(parts, 0);
            given = part(parts, 1);
        }
        if (name.empty() && given.empty())
            if (const tContentLine *fn = c.prop("FN")) {
                std::string full = trimmed(unescapeText(fn->value));
                size_t blank = full.rfind(' ');
                name = blank == std::string::npos ? full : full.substr(blank + 1);
                given = blank == std::string::npos ? "" : full.substr(0, blank);
            }
        if (name.empty() && given.empty()) {
            out.broken++;
            continue;
        }
        keep(p.setName(utf8ToCp1252(name, lost)));
        keep(p.setChrName(utf8ToCp1252(given, lost)));
        if (const tContentLine *tel = c.prop("TEL")) {
            std::string v = unescapeText(tel->value);
            if (v.starts_with("tel:")) v.erase(0, 4);
            keep(p.setTel(utf8ToCp1252(v, lost)));
        }
        if (const tContentLine *adr = c.prop("ADR")) {
            std::vector<std::string> parts = splitValue(adr->value, ';');
            std::string street = part(parts, 2);
            for (char &ch : street)
                if (ch == '\n') ch = ' ';
            keep(p.setStreet(utf8ToCp1252(street, lost)));
            keep(p.setCity(utf8ToCp1252(part(parts, 3), lost)));
            keep(p.setZip(utf8ToCp1252(part(parts, 5), lost)));
            keep(p.setCountry(utf8ToCp1252(part(parts, 6), lost)));
        }
        if (const tContentLine *b = c.prop("BDAY")) p.BIRTH = birthday(b->value);
        if (const tContentLine *u = c.prop("UID")) {
            card.uid = unescapeText(u->value);
            // This system's UIDs carry the ID: "<ID>-<32 hex digits>@velk".
            size_t at = card.uid.rfind("@velk");
            if (at != std::string::npos && at == card.uid.size() - 5 && at > 33 &&
                card.uid[at - 33] == '-') {
                std::string id;
                if (ownIdOfUid(card.uid, card.uid.substr(at - 32, 32), &id)) p.setId(id);
            }
        }
        out.cards.push_back(std::move(card));
    }
    return out;
}

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
    tExchangeResult r;
    r.unit = kPersons;
    if (persons.empty()) {
        r.fileWritten = false;
        return r;
    }
    std::string identity = tUidRegister().identity();
    tTextOut out;
    if (!out.open(fileName)) return notStarted(kPersons, "Die Datei kann nicht angelegt werden");
    long total = (long)persons.size();
    for (const tPerson &p : persons) {
        if (!goOn(progress, r.done, total)) {
            out.discard();
            r.outcome = tExchangeResult::Cancelled;
            return r;
        }
        if (!out.write(vcardOf(p, identity))) break;
        r.done++;
    }
    if (!out.commit() || r.done < total) {
        tExchangeResult f;
        f.outcome = tExchangeResult::Failed;
        f.unit = kPersons;
        f.message = "Fehler beim Schreiben, die Datei wurde nicht angelegt";
        return f;
    }
    goOn(progress, r.done, total);
    return r;
}

tExchangeResult importVCard(const std::string &fileName, const tExchangeProgress &progress)
{
    std::vector<tComponent> top;
    switch (readComponents(fileName, &top)) {
    case tReadStatus::CannotOpen:
        return notStarted(kPersons, "Fehler beim Lesen", "die Datei kann nicht gelesen werden");
    case tReadStatus::TooBig:
        return notStarted(kPersons, "Fehler beim Lesen", "die Datei ist gr\xF6\xDF"
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
    tExchangeResult r;
    r.unit = kPersons;
    long known = 0;
    long total = (long)in.cards.size();
    tBatchHold hold(tPersTable::instance(), progress);
    for (long n = 0; n < total; n++) {
        if (!hold.before(n, total)) {
            r.outcome = tExchangeResult::Cancelled;
            return r;
        }
        tVcfCard &c = in.cards[n];
        tPerson stored;
        if ((!c.uid.empty() && reg.known(c.uid)) ||
            (c.person.ID[0] && stored.find(c.person.ID))) {
            known++;
            continue;
        }
        if (!c.person.ID[0]) c.person.setId(freshId(c.person.NAME));
        if (!c.person.insert()) {
            r.outcome = tExchangeResult::Failed;
            r.message = "Fehler beim Speichern";
            r.detail = std::string("Person ") + c.person.ID;
            return r;
        }
        r.done++;
        if (!c.uid.empty()) reg.add(c.uid);
    }
    hold.release();
    r.skipped = in.broken + known;
    auto note = [&](long k, const char *what) {
        if (k <= 0) return;
        r.notes += (r.notes.empty() ? "" : "; ") + std::to_string(k) + " " + what;
    };
    note(in.lost, "Zeichen nicht \xFC"
                  "bernommen (nicht in Windows-1252, als ?)");
    note(in.broken, "fehlerhafte oder unvollst\xE4ndige vCards \xFC"
                    "bersprungen");
    note(known, "Personen schon vorhanden");
    note(in.cut, "Angaben gek\xFCrzt");
    goOn(progress, total, total);
    return r;
}

} // namespace velk
