// The reading half of vcard.h: cards to values, without the stores.
#include "exchange/ical.h"
#include "exchange/vcard.h"

#include <cstdlib>

namespace velk {

namespace {

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
        long *lost = &out.lost;
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
        card.name = utf8ToCp1252(name, lost);
        card.chrName = utf8ToCp1252(given, lost);
        if (const tContentLine *tel = c.prop("TEL")) {
            std::string v = unescapeText(tel->value);
            if (v.starts_with("tel:")) v.erase(0, 4);
            card.tel = utf8ToCp1252(v, lost);
        }
        if (const tContentLine *adr = c.prop("ADR")) {
            std::vector<std::string> parts = splitValue(adr->value, ';');
            std::string street = part(parts, 2);
            for (char &ch : street)
                if (ch == '\n') ch = ' ';
            card.street = utf8ToCp1252(street, lost);
            card.city = utf8ToCp1252(part(parts, 3), lost);
            card.zip = utf8ToCp1252(part(parts, 5), lost);
            card.country = utf8ToCp1252(part(parts, 6), lost);
        }
        if (const tContentLine *b = c.prop("BDAY")) card.birth = birthday(b->value);
        if (const tContentLine *u = c.prop("UID")) {
            card.uid = unescapeText(u->value);
            // This system's UIDs carry the ID: "<ID>-<32 hex digits>@velk".
            size_t at = card.uid.rfind("@velk");
            if (at != std::string::npos && at == card.uid.size() - 5 && at > 33 &&
                card.uid[at - 33] == '-') {
                std::string id;
                if (ownIdOfUid(card.uid, card.uid.substr(at - 32, 32), &id)) card.id = id;
            }
        }
        out.cards.push_back(std::move(card));
    }
    return out;
}

tVcfReadout readVCardText(std::string_view text) { return readVCards(parseComponents(text)); }

} // namespace velk
