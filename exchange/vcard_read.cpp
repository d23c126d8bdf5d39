// The reading half of vcard.h: cards to values, without the stores.
#include "exchange/ical_text.h"
#include "exchange/ical_uid.h"
#include "exchange/vcard.h"
#include "exchange/vcard_text.h"

#include <climits>
#include <cstdlib>

namespace velk {

namespace {

std::string trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return std::string(s);
}

bool digits(std::string_view s)
{
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

std::string upper(std::string s)
{
    for (char &c : s) c = c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
    return s;
}

int number(std::string_view s) { return std::atoi(std::string(s).c_str()); }

// A birthday in the forms its writers use: "19610703", "1961-07-03", a date-time after it
// ("1961-07-03T00:00:00Z", "19610703T000000", "1961-07-03T00:00:00+01:00"; the date counts),
// "--0703" and "--07-03" without a year, "03.07.1961".  Truncated forms without day or month
// ("1961", "1961-07", "---03") and a text value are none; so is a date that does not exist.
tDate birthdayOf(const tVcfLine &line)
{
    tDate none;
    if (line.has("VALUE", "text") || line.binary) return none;
    std::string v = trimmed(line.value);
    v = v.substr(0, v.find_first_of("Tt"));
    tDate b;
    if (v.starts_with("--")) {
        std::string md;
        for (char c : std::string_view(v).substr(2))
            if (c != '-') md += c;
        if (v.starts_with("---") || md.size() != 4 || !digits(md)) return none;
        b.month = number(md.substr(0, 2));
        b.day = number(md.substr(2, 2));
    } else if (digits(v) && v.size() == 8) {
        b.year = number(v.substr(0, 4));
        b.month = number(v.substr(4, 2));
        b.day = number(v.substr(6, 2));
    } else {
        char sep = v.find('.') != std::string::npos ? '.' : '-';
        std::vector<std::string_view> p;
        std::string_view rest = v;
        for (size_t at; (at = rest.find(sep)) != std::string_view::npos;) {
            p.push_back(rest.substr(0, at));
            rest.remove_prefix(at + 1);
        }
        p.push_back(rest);
        if (p.size() != 3) return none;
        for (std::string_view x : p)
            if (!digits(x) || x.size() > 4) return none;
        if (sep == '-' && p[0].size() == 4 && p[1].size() <= 2 && p[2].size() <= 2) {
            b.year = number(p[0]);
            b.month = number(p[1]);
            b.day = number(p[2]);
        } else if (sep == '.' && p[2].size() == 4 && p[0].size() <= 2 && p[1].size() <= 2) {
            b.year = number(p[2]);
            b.month = number(p[1]);
            b.day = number(p[0]);
        } else {
            return none;
        }
    }
    // Apple writes a birthday without its year in the year it names ("1604"), and others in
    // 1604 without saying so.
    std::string omit = line.param("X-APPLE-OMIT-YEAR");
    if ((digits(omit) && number(omit) == b.year) || b.year == 1604) b.year = 0;
    if (!b.valid()) return none; // year 0 counts as a leap year: --0229 is kept
    return b;
}

std::string part(const std::vector<std::string> &parts, size_t i)
{
    return i < parts.size() ? trimmed(parts[i]) : std::string();
}

// Line breaks (CR LF, CR, LF) as one blank each.
std::string oneLine(std::string s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); i++) {
        if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') continue;
        out += s[i] == '\r' || s[i] == '\n' ? ' ' : s[i];
    }
    return out;
}

// How much the line is preferred: PREF=n (4.0), TYPE=pref as 1, else after all of them.
int preference(const tVcfLine &l)
{
    std::string pref = l.param("PREF");
    if (digits(pref) && pref.size() <= 3) return number(pref);
    return l.has("TYPE", "pref") ? 1 : INT_MAX;
}

// Whether Apple's label of the line's group (item1.X-ABLabel) holds that word (upper case).
bool labelled(const tVcfRaw &raw, const tVcfLine &line, std::string_view word)
{
    if (line.group.empty()) return false;
    for (const tVcfLine *label : raw.all("X-ABLABEL")) {
        if (upper(label->group) != upper(line.group)) continue;
        std::string text = upper(label->value);
        if (text.find(word) != std::string::npos) return true;
    }
    return false;
}

// The telephone number: a voice, cell, work or home number before a fax or pager, the preferred
// first, else in file order.  A "tel:" URI gives the rest as it stands ("+1-418-555;ext=102").
std::string telephoneOf(const tVcfRaw &raw, bool v21)
{
    const tVcfLine *best = nullptr;
    std::pair<bool, int> bestRank;
    for (const tVcfLine *l : raw.all("TEL")) {
        if (l->binary || trimmed(l->value).empty()) continue;
        bool notVoice = (l->has("TYPE", "fax") || l->has("TYPE", "pager") ||
                         labelled(raw, *l, "FAX") || labelled(raw, *l, "PAGER")) &&
                        !l->has("TYPE", "voice") && !l->has("TYPE", "cell");
        std::pair<bool, int> rank{notVoice, preference(*l)};
        if (!best || rank < bestRank) best = l, bestRank = rank;
    }
    if (!best) return {};
    std::string v = trimmed(best->value);
    if (v.size() >= 4 && (v[0] == 't' || v[0] == 'T') && (v[1] == 'e' || v[1] == 'E') &&
        (v[2] == 'l' || v[2] == 'L') && v[3] == ':')
        return trimmed(std::string_view(v).substr(4));
    return trimmed(vcfText(v, v21));
}

// The address: the preferred one, else the first that is not empty.
const tVcfLine *addressOf(const tVcfRaw &raw)
{
    const tVcfLine *best = nullptr;
    int bestRank = 0;
    for (const tVcfLine *l : raw.all("ADR")) {
        bool empty = true;
        for (char c : l->value) empty &= c == ';' || c == ' ' || c == ',';
        if (l->binary || empty) continue;
        if (!best || preference(*l) < bestRank) best = l, bestRank = preference(*l);
    }
    return best;
}

bool wanted(std::string_view name)
{
    for (const char *n :
         {"N", "FN", "ORG", "TEL", "ADR", "BDAY", "UID", "X-ABLABEL", "KIND", "X-ABSHOWAS"})
        if (name == n) return true;
    return false;
}

bool organisation(const tVcfRaw &raw)
{
    for (const char *kind : {"KIND", "X-ABSHOWAS"})
        for (const tVcfLine *l : raw.all(kind))
            for (const char *what : {"ORG", "COMPANY", "GROUP"})
                if (upper(trimmed(l->value)) == what) return true;
    return false;
}

void readCard(const tVcfRaw &raw, tVcfReadout *out)
{
    bool v21 = raw.v21();
    auto first = [&](const char *name) -> const tVcfLine * {
        std::vector<const tVcfLine *> all = raw.all(name);
        return all.empty() ? nullptr : all.front();
    };
    std::string name, given;
    if (const tVcfLine *n = first("N")) {
        std::vector<std::string> parts = vcfSplit(n->value, ';', v21);
        name = part(parts, 0);
        given = part(parts, 1);
    }
    if (name.empty() && given.empty())
        if (const tVcfLine *fn = first("FN")) {
            // "Given Family", "Family, Given"; "Given Family, Suffix" without the suffix.
            // The name of an organisation (KIND:org; Apple's X-ABShowAs:COMPANY) whole.
            std::string full = trimmed(vcfText(fn->value, v21));
            size_t comma = full.find(',');
            if (organisation(raw)) {
                name = full;
            } else if (comma != std::string::npos && full.find(' ') > comma) {
                name = trimmed(full.substr(0, comma));
                given = trimmed(full.substr(comma + 1));
            } else {
                full = trimmed(full.substr(0, comma));
                size_t blank = full.rfind(' ');
                name = blank == std::string::npos ? full : full.substr(blank + 1);
                given = blank == std::string::npos ? "" : trimmed(full.substr(0, blank));
            }
        }
    if (name.empty() && given.empty())
        if (const tVcfLine *org = first("ORG")) name = part(vcfSplit(org->value, ';', v21), 0);
    if (name.empty() && given.empty()) {
        out->nameless++;
        return;
    }
    tVcfCard card;
    long *lost = &out->lost;
    card.name = utf8ToCp1252(name, lost);
    card.chrName = utf8ToCp1252(given, lost);
    card.tel = utf8ToCp1252(telephoneOf(raw, v21), lost);
    if (const tVcfLine *adr = addressOf(raw)) {
        std::vector<std::string> parts = vcfSplit(adr->value, ';', v21);
        card.street = utf8ToCp1252(oneLine(part(parts, 2)), lost);
        card.city = utf8ToCp1252(oneLine(part(parts, 3)), lost);
        card.zip = utf8ToCp1252(oneLine(part(parts, 5)), lost);
        card.country = utf8ToCp1252(oneLine(part(parts, 6)), lost);
    }
    if (const tVcfLine *b = first("BDAY")) card.birth = birthdayOf(*b);
    if (const tVcfLine *u = first("UID")) {
        card.uid = trimmed(vcfText(u->value, v21));
        // This system's UIDs carry the ID: "<ID>-<32 hex digits>@velk".
        size_t at = card.uid.rfind("@velk");
        if (at != std::string::npos && at == card.uid.size() - 5 && at > 33 &&
            card.uid[at - 33] == '-') {
            std::string id;
            if (ownIdOfUid(card.uid, card.uid.substr(at - 32, 32), &id)) card.id = id;
        }
    }
    // A card cut off before its END (a file that ends early, a BEGIN within it) keeps what it
    // has; the notes say how many were.
    if (!raw.complete) out->broken++;
    out->linesDropped += raw.dropped;
    out->cards.push_back(std::move(card));
}

} // namespace

tVcfReadout readVCardText(std::string_view text)
{
    tVcfReadout out;
    out.cardsFound = scanVCards(
        text, [&](const tVcfRaw &raw) { readCard(raw, &out); }, wanted);
    return out;
}

} // namespace velk
