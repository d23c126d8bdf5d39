#include "exchange/vcard_text.h"

#include "exchange/ical_text.h"

#include <algorithm>

namespace velk {

namespace {

bool nameChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
}

char upperChar(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

std::string upper(std::string_view s)
{
    std::string out(s);
    for (char &c : out) c = upperChar(c);
    return out;
}

bool sameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); i++)
        if (upperChar(a[i]) != upperChar(b[i])) return false;
    return true;
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

void putUtf8(std::string &out, unsigned long cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

bool validUtf8(std::string_view s)
{
    for (size_t i = 0; i < s.size();) {
        unsigned char c = (unsigned char)s[i++];
        if (c < 0x80) continue;
        int more = c >= 0xF0 && c < 0xF5   ? 3
                   : c >= 0xE0 && c < 0xF0 ? 2
                   : c >= 0xC2 && c < 0xE0 ? 1
                                           : -1;
        if (more < 0) return false;
        unsigned long cp = c & (0x3F >> more);
        for (int k = 0; k < more; k++) {
            if (i >= s.size() || ((unsigned char)s[i] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | ((unsigned char)s[i++] & 0x3F);
        }
        static const unsigned long kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kLeast[more] || (cp >= 0xD800 && cp < 0xE000) || cp > 0x10FFFF) return false;
    }
    return true;
}

// UTF-16 text (after its byte-order mark) as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string utf8OfUtf16(std::string_view bytes, bool bigEndian)
{
    std::string out;
    out.reserve(bytes.size());
    auto unit = [&](size_t i) {
        unsigned a = (unsigned char)bytes[i], b = (unsigned char)bytes[i + 1];
        return bigEndian ? (a << 8) | b : (b << 8) | a;
    };
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        unsigned long u = unit(i);
        if (u >= 0xD800 && u < 0xDC00 && i + 3 < bytes.size()) {
            unsigned long low = unit(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                putUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        putUtf8(out, u >= 0xD800 && u < 0xE000 ? 0xFFFD : u);
    }
    return out;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// A bare parameter of 2.1 under its name.
const char *bareParamName(std::string_view v)
{
    for (const char *e : {"QUOTED-PRINTABLE", "BASE64", "B", "8BIT", "7BIT"})
        if (sameText(v, e)) return "ENCODING";
    for (const char *e : {"INLINE", "URL", "URI", "CONTENT-ID", "CID"})
        if (sameText(v, e)) return "VALUE";
    return "TYPE";
}

// The group and name of a line, and where what follows them begins; false when there is no name.
bool parseName(std::string_view l, std::string_view *group, std::string_view *name, size_t *at)
{
    size_t i = 0;
    while (i < l.size() && nameChar(l[i])) i++;
    *group = {};
    *name = l.substr(0, i);
    if (i < l.size() && l[i] == '.' && i > 0) {
        size_t start = ++i;
        while (i < l.size() && nameChar(l[i])) i++;
        *group = l.substr(0, start - 1);
        *name = l.substr(start, i - start);
    }
    *at = i;
    return !name->empty() && i < l.size() && (l[i] == ';' || l[i] == ':');
}

// The parameters from l[i] on (each ";..."); *i then at the ":" before the value.
bool parseParams(std::string_view l, size_t *at, std::vector<tVcfParam> *params)
{
    size_t i = *at;
    while (i < l.size() && l[i] == ';') {
        size_t start = ++i;
        while (i < l.size() && l[i] != '=' && l[i] != ';' && l[i] != ':' && l[i] != '"') i++;
        if (i >= l.size() || l[i] == '"') return false;
        std::string_view pname = trimmed(l.substr(start, i - start));
        if (l[i] != '=') {
            if (!pname.empty()) params->push_back({bareParamName(pname), std::string(pname)});
            continue;
        }
        std::string name = upper(pname);
        do {
            i++;
            std::string_view v;
            if (i < l.size() && l[i] == '"') {
                size_t close = l.find('"', i + 1);
                if (close == std::string_view::npos) return false;
                v = l.substr(i + 1, close - i - 1);
                i = close + 1;
                // TYPE="work,voice" is the list of 4.0 in quotes.
                for (size_t comma; name == "TYPE" && (comma = v.find(',')) != v.npos;) {
                    params->push_back({name, std::string(v.substr(0, comma))});
                    v.remove_prefix(comma + 1);
                }
            } else {
                size_t end = l.find_first_of(",;:", i);
                if (end == std::string_view::npos) return false;
                v = l.substr(i, end - i);
                i = end;
            }
            params->push_back({name, std::string(v)});
        } while (i < l.size() && l[i] == ',');
    }
    *at = i;
    return i < l.size() && l[i] == ':';
}

bool quotedPrintable(const std::vector<tVcfParam> &params)
{
    for (const tVcfParam &p : params)
        if (p.name == "ENCODING" &&
            (sameText(p.value, "QUOTED-PRINTABLE") || sameText(p.value, "QP")))
            return true;
    return false;
}

// Whether the logical line's value is QUOTED-PRINTABLE.
bool quotedPrintableLine(std::string_view l)
{
    std::string_view group, name;
    size_t at = 0;
    std::vector<tVcfParam> params;
    return parseName(l, &group, &name, &at) && parseParams(l, &at, &params) &&
           quotedPrintable(params);
}

class tScanner {
public:
    tScanner(const std::function<void(const tVcfRaw &)> &each,
             const std::function<bool(std::string_view)> &keep)
        : each_(each), keep_(keep)
    {}

    void line(std::string_view l)
    {
        while (!l.empty() && (l.front() == ' ' || l.front() == '\t')) l.remove_prefix(1);
        std::string_view group, name;
        size_t at = 0;
        bool agent = afterAgent_;
        afterAgent_ = false;
        if (!parseName(l, &group, &name, &at)) return dropped();
        if (group.empty() && (sameText(name, "BEGIN") || sameText(name, "END"))) {
            size_t colon = l.find(':', at);
            if (colon != std::string_view::npos && sameText(trimmed(l.substr(colon + 1)), "VCARD"))
                return sameText(name, "BEGIN") ? begin(agent) : end();
        }
        if (depth_ != 1) return;
        std::string upperName = upper(name);
        bool special = upperName == "VERSION" || upperName == "AGENT";
        if (!special && keep_ && !keep_(upperName)) return;
        if (card_.lines.size() >= kVcfMaxLines && !firstOfItsName(upperName)) return dropped();
        tVcfLine out;
        if (!parseParams(l, &at, &out.params)) return dropped();
        std::string_view raw = l.substr(at + 1);
        if (upperName == "VERSION") card_.version = std::string(trimmed(raw));
        if (upperName == "AGENT" && trimmed(raw).empty()) afterAgent_ = true;
        if (keep_ && !keep_(upperName)) return;
        std::string encoding = out.param("ENCODING");
        if (sameText(encoding, "B") || sameText(encoding, "BASE64")) {
            out.binary = true;
        } else {
            std::string bytes =
                quotedPrintable(out.params) ? decodeQuotedPrintable(raw) : std::string(raw);
            out.value = vcfCharset(bytes, out.param("CHARSET"));
        }
        out.group = std::string(group);
        out.name = std::move(upperName);
        card_.lines.push_back(std::move(out));
    }

    void dropped()
    {
        if (depth_ == 1) card_.dropped++;
    }

    long finish()
    {
        if (depth_ > 0) emit();
        return count_;
    }

private:
    // Whether the card has no line of that name yet (looked for among the first of each name).
    bool firstOfItsName(const std::string &name)
    {
        if (names_.empty())
            for (const tVcfLine &l : card_.lines)
                if (std::find(names_.begin(), names_.end(), l.name) == names_.end())
                    names_.push_back(l.name);
        if (names_.size() >= kVcfMaxLines ||
            std::find(names_.begin(), names_.end(), name) != names_.end())
            return false;
        names_.push_back(name);
        return true;
    }

    void begin(bool agent)
    {
        if (depth_ == 0 || (depth_ == 1 && !agent)) {
            if (depth_ == 1) emit(); // the card before had no END
            card_ = tVcfRaw{};
            names_.clear();
            depth_ = 1;
        } else {
            depth_++;
        }
    }
    void end()
    {
        if (depth_ == 0) return;
        if (--depth_ == 0) {
            card_.complete = true;
            emit();
        }
    }
    void emit()
    {
        depth_ = 0;
        count_++;
        each_(card_);
        card_ = tVcfRaw{};
        names_.clear();
    }

    const std::function<void(const tVcfRaw &)> &each_;
    const std::function<bool(std::string_view)> &keep_;
    tVcfRaw card_;
    std::vector<std::string> names_; // of the card's lines, once it holds kVcfMaxLines
    long depth_ = 0, count_ = 0;
    bool afterAgent_ = false;
};

} // namespace

std::string tVcfLine::param(std::string_view n) const
{
    for (const tVcfParam &p : params)
        if (p.name == n) return p.value;
    return {};
}

bool tVcfLine::has(std::string_view n, std::string_view v) const
{
    for (const tVcfParam &p : params)
        if (p.name == n && sameText(p.value, v)) return true;
    return false;
}

std::vector<const tVcfLine *> tVcfRaw::all(std::string_view n) const
{
    std::vector<const tVcfLine *> out;
    for (const tVcfLine &l : lines)
        if (l.name == n) out.push_back(&l);
    return out;
}

long scanVCards(std::string_view text, const std::function<void(const tVcfRaw &)> &each,
                const std::function<bool(std::string_view)> &keep)
{
    std::string converted;
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    } else if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) {
        converted = utf8OfUtf16(text.substr(2), text[0] == '\xFE');
        text = converted;
    }
    tScanner scanner(each, keep);
    std::string logical;
    bool have = false, tooLong = false;
    bool longEndsInEquals = false, longQuoted = false; // of a line too long to keep
    auto flush = [&] {
        if (have && tooLong) scanner.dropped();
        if (have && !tooLong) scanner.line(logical);
        logical.clear();
        have = tooLong = false;
    };
    auto append = [&](std::string_view piece) {
        if (tooLong) {
            longEndsInEquals = !piece.empty() && piece.back() == '=';
            return;
        }
        if (logical.size() + piece.size() > kVcfMaxLine) {
            longQuoted = quotedPrintableLine(logical);
            longEndsInEquals = !piece.empty() && piece.back() == '=';
            tooLong = true;
            logical.clear();
            return;
        }
        logical += piece;
    };
    for (size_t pos = 0; pos < text.size();) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view l = text.substr(pos, end - pos);
        // A line ends with LF, or with one or more CR and an optional LF.
        pos = end;
        if (pos < text.size() && text[pos] == '\r') {
            while (pos < text.size() && text[pos] == '\r') pos++;
            if (pos < text.size() && text[pos] == '\n') pos++;
        } else if (pos < text.size()) {
            pos++;
        }
        if (have) {
            // The soft line break of quoted-printable: the next line continues the value.
            bool equals = tooLong ? longEndsInEquals : !logical.empty() && logical.back() == '=';
            if (equals && !(l.size() >= 9 && sameText(l.substr(0, 9), "END:VCARD")) &&
                (tooLong ? longQuoted : quotedPrintableLine(logical))) {
                if (!tooLong) logical.pop_back();
                longEndsInEquals = false;
                append(l);
                continue;
            }
            if (!l.empty() && (l[0] == ' ' || l[0] == '\t')) {
                append(l.substr(1));
                continue;
            }
        }
        flush();
        if (l.empty()) continue;
        have = true;
        append(l);
    }
    flush();
    return scanner.finish();
}

std::string vcfText(std::string_view value, bool v21)
{
    std::string out;
    out.reserve(value.size());
    for (size_t i = 0; i < value.size(); i++) {
        char c = value[i];
        if (c != '\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        char n = value[i + 1];
        if (v21 ? n == ';' : (n == '\\' || n == ';' || n == ',' || n == ':')) {
            out += n;
            i++;
        } else if (!v21 && (n == 'n' || n == 'N')) {
            out += '\n';
            i++;
        } else {
            out += c;
        }
    }
    return out;
}

std::vector<std::string> vcfSplit(std::string_view value, char sep, bool v21)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t i = 0; i <= value.size(); i++) {
        if (i < value.size() && value[i] == '\\') {
            i++;
            continue;
        }
        if (i >= value.size() || value[i] == sep) {
            size_t stop = std::min(i, value.size());
            parts.push_back(vcfText(value.substr(start, stop - start), v21));
            start = i + 1;
        }
    }
    return parts;
}

std::string vcfCharset(std::string_view bytes, std::string_view charset)
{
    bool ascii = true;
    for (char c : bytes) ascii &= (unsigned char)c < 0x80;
    if (ascii) return std::string(bytes);
    for (const char *latin : {"ISO-8859-1", "ISO8859-1", "ISO_8859-1", "LATIN1", "LATIN-1", "L1",
                              "WINDOWS-1252", "CP1252", "X-CP1252", "MS-ANSI"})
        if (sameText(charset, latin)) return cp1252ToUtf8(bytes);
    return validUtf8(bytes) ? std::string(bytes) : cp1252ToUtf8(bytes);
}

std::string decodeQuotedPrintable(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); i++) {
        int hi, lo;
        if (text[i] == '=' && i + 2 < text.size() && (hi = hexDigit(text[i + 1])) >= 0 &&
            (lo = hexDigit(text[i + 2])) >= 0) {
            out += char(hi * 16 + lo);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string vcfEscape(std::string_view utf8)
{
    std::string out;
    for (char c : utf8) {
        if (c == '\\' || c == ';' || c == ',') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c != '\r') {
            out += c;
        }
    }
    return out;
}

std::string vcfFold(std::string_view line)
{
    std::string out;
    size_t limit = 75, used = 0;
    for (size_t i = 0; i < line.size();) {
        size_t len = 1;
        unsigned char c = (unsigned char)line[i];
        if (c >= 0xF0)
            len = 4;
        else if (c >= 0xE0)
            len = 3;
        else if (c >= 0xC0)
            len = 2;
        len = std::min(len, line.size() - i);
        if (used + len > limit) {
            out += "\r\n ";
            used = 1;
        }
        out.append(line.substr(i, len));
        used += len;
        i += len;
    }
    return out + "\r\n";
}

} // namespace velk
