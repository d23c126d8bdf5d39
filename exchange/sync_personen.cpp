// The person side of the sync: the persons of the address book as items of .vcf files.
#include "address/person.h"
#include "base/cp1252.h"
#include "exchange/ical_uid.h"
#include "exchange/sync_side.h"
#include "exchange/uid_register.h"
#include "exchange/vcard.h"
#include "exchange/vcard_text.h"
#include "exchange/vdir.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>

namespace velk {

namespace {

std::string contentOf(const tPerson &p)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "|%04d%02d%02d|", p.BIRTH.year, p.BIRTH.month, p.BIRTH.day);
    return std::string(p.NAME) + "|" + p.CHRNAME + "|" + p.TEL + buf + p.STREET + "|" + p.CITY +
           "|" + p.COUNTRY + "|" + p.ZIP;
}

// The logical lines of the first card of a text, each with its folds as written.
std::vector<std::string> rawLines(const std::string &text)
{
    std::vector<std::string> out;
    size_t at = 0;
    bool inCard = false;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        std::string line =
            text.substr(at, end == std::string::npos ? std::string::npos : end + 1 - at);
        at = end == std::string::npos ? text.size() : end + 1;
        if ((line[0] == ' ' || line[0] == '\t') && !out.empty()) {
            out.back() += line;
            continue;
        }
        std::string upper = line;
        for (char &c : upper) c = (char)std::toupper((unsigned char)c);
        if (upper.rfind("BEGIN:VCARD", 0) == 0) inCard = true;
        if (inCard) out.push_back(line);
        if (upper.rfind("END:VCARD", 0) == 0 && inCard) break;
    }
    return out;
}

// The property name of a line, upper case, without its group ("item1.TEL" is TEL).
std::string propertyName(const std::string &line)
{
    size_t end = line.find_first_of(";:");
    std::string name = line.substr(0, end);
    if (size_t dot = name.rfind('.'); dot != std::string::npos) name = name.substr(dot + 1);
    for (char &c : name) c = (char)std::toupper((unsigned char)c);
    return name;
}

// Our card, with the lines of the file's card that a person has no field for.  The first
// number (the one the person keeps) and the addresses are ours; further numbers stay.
std::string merged(const std::string &ours, const std::string &existing, const std::string &tel)
{
    static const std::set<std::string> mine{"BEGIN", "END", "VERSION", "PRODID", "REV",
                                            "UID",   "N",   "FN",      "ADR",    "BDAY"};
    std::string kept;
    bool telSkipped = false;
    for (const std::string &line : rawLines(existing)) {
        std::string name = propertyName(line);
        if (mine.count(name)) continue;
        if (name == "TEL" && !telSkipped) {
            size_t colon = line.find(':');
            std::string value = colon == std::string::npos ? "" : line.substr(colon + 1);
            while (!value.empty() && (value.back() == '\n' || value.back() == '\r'))
                value.pop_back();
            if (value.rfind("tel:", 0) == 0) value = value.substr(4);
            if (value == tel) {
                telSkipped = true;
                continue;
            }
        }
        kept += line;
        if (kept.back() != '\n') kept += "\r\n";
    }
    size_t end = ours.rfind("END:VCARD");
    return ours.substr(0, end) + kept + ours.substr(end);
}

class tPersonSide : public tSyncSide {
public:
    tPersonSide() : identity_(tUidRegister::databaseIdentity()) {}

    const char *extension() const override { return ".vcf"; }

    std::map<std::string, std::vector<tSyncRecord>>
    ours(const std::map<std::string, std::string> &uidOfId) override
    {
        std::map<std::string, std::vector<tSyncRecord>> out;
        for (const tPerson &p : allPersons(PersonById)) {
            auto known = uidOfId.find(p.ID);
            std::string uid = known != uidOfId.end() ? known->second : ownUid(p.ID, identity_);
            persons_[p.ID] = p;
            out[uid].push_back({p.ID, 0, syncHash(contentOf(p))});
        }
        return out;
    }

    std::string uidOf(const std::string &text) override
    {
        const tVcfReadout &in = parsed(text);
        return in.cards.empty() ? std::string() : in.cards.front().uid;
    }

    std::string textOf(const std::string &uid, const std::vector<tSyncRecord> &records,
                       const std::vector<tSyncRecord> &, const std::string &existing) override
    {
        if (records.empty()) return {};
        const tPerson &p = persons_[records.front().id];
        std::string ours = vcardOfUid(p, uid);
        if (existing.empty()) return ours;
        std::string tel;
        if (!parsed(existing).cards.empty()) tel = cp1252ToUtf8(parsed(existing).cards[0].tel);
        return merged(ours, existing, tel);
    }

    bool store(const std::string &, const std::string &text, const std::vector<tSyncRecord> &before,
               std::vector<tSyncRecord> *after, tSyncReport &r) override
    {
        after->clear();
        const tVcfReadout &in = parsed(text);
        if (in.cards.empty()) return true; // a card without a name: nothing to keep
        tPerson p;
        personOfCard(in.cards.front(), &p);
        tPerson stored;
        std::string id = before.empty() ? std::string(p.ID) : before.front().id;
        if (!id.empty() && stored.find(id)) {
            p.setId(id);
            if (contentOf(p) != contentOf(stored) && p.update(id) != tStoreStatus::Stored)
                return failed(r, p);
        } else {
            if (!before.empty())
                r.remarks.push_back(std::string("Person ") + p.NAME +
                                    ": w\xE4hrend des Abgleichs anderswo gel\xF6scht, wieder "
                                    "gespeichert");
            // The ID its UID gives (a card of this database) where it is free.
            if (!p.ID[0] || stored.find(p.ID)) p.setId(fresh_.next(p.NAME));
            if (p.insert() != tStoreStatus::Stored) return failed(r, p);
        }
        persons_[p.ID] = p;
        after->push_back({p.ID, 0, syncHash(contentOf(p))});
        return true;
    }

    bool removeRecords(const std::vector<tSyncRecord> &records) override
    {
        bool ok = true;
        for (const tSyncRecord &rec : records) {
            tPerson p;
            if (p.find(rec.id)) ok = p.remove() == tStoreStatus::Stored && ok;
        }
        return ok;
    }

    bool sameContent(const std::string &text, const std::vector<tSyncRecord> &records) override
    {
        const tVcfReadout &in = parsed(text);
        if (in.cards.empty() || records.size() != 1) return false;
        tPerson p;
        personOfCard(in.cards.front(), &p);
        return contentOf(p) == contentOf(persons_[records.front().id]);
    }

    std::string withUid(const std::string &text, const std::string &,
                        const std::string &newUid) override
    {
        std::string out;
        for (const std::string &line : rawLines(text))
            out += propertyName(line) == "UID" ? vcfFold("UID:" + vcfEscape(newUid)) : line;
        return out;
    }

    std::string nameOf(const std::vector<tSyncRecord> &records) override
    {
        if (records.empty()) return "Person";
        const tPerson &p = persons_[records.front().id];
        return std::string("Person ") + p.CHRNAME + (p.CHRNAME[0] ? " " : "") + p.NAME;
    }

private:
    bool failed(tSyncReport &r, const tPerson &p)
    {
        r.message = "Fehler beim Speichern";
        r.detail = std::string("Person ") + p.ID;
        return false;
    }

    const tVcfReadout &parsed(const std::string &text)
    {
        if (text != parsedText_) {
            parsed_ = readVCardText(text);
            parsedText_ = text;
        }
        return parsed_;
    }

    std::string identity_;
    std::map<std::string, tPerson> persons_;
    tFreshIds fresh_;
    std::string parsedText_;
    tVcfReadout parsed_;
};

} // namespace

std::unique_ptr<tSyncSide> personSide() { return std::make_unique<tPersonSide>(); }

} // namespace velk
