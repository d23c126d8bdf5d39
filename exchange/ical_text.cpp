#include "exchange/ical_text.h"

#include "exchange/file_access.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velk {

namespace {

std::string upper(std::string_view s)
{
    std::string out(s);
    for (char &c : out)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return out;
}

bool nameChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
}

// The code points of Windows-1252's bytes 0x80 to 0x9F (0: no character).
constexpr char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void putUtf8(std::string &out, unsigned cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// The next UTF-8 character at text[i] (advancing i); -1 for a byte that begins none.
long nextCodePoint(std::string_view text, size_t &i)
{
    unsigned char c = (unsigned char)text[i++];
    if (c < 0x80) return c;
    int more = c >= 0xF0 && c < 0xF5 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 && c < 0xE0 ? 1 : -1;
    if (more < 0 || c >= 0xF5) return -1;
    long cp = c & (0x3F >> more);
    for (int k = 0; k < more; k++) {
        if (i >= text.size() || ((unsigned char)text[i] & 0xC0) != 0x80) return -1;
        cp = (cp << 6) | ((unsigned char)text[i++] & 0x3F);
    }
    static const long kLeast[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kLeast[more] || (cp >= 0xD800 && cp < 0xE000)) return -1;
    return cp;
}

} // namespace

std::string tContentLine::param(std::string_view name) const
{
    for (const auto &[n, v] : params)
        if (n == name) return v;
    return {};
}

bool parseContentLine(std::string_view line, tContentLine *out)
{
    size_t i = 0;
    while (i < line.size() && nameChar(line[i])) i++;
    if (i == 0 || i >= line.size()) return false;
    out->name = upper(line.substr(0, i));
    out->params.clear();
    while (line[i] == ';') {
        size_t start = ++i;
        while (i < line.size() && nameChar(line[i])) i++;
        if (i == start || i >= line.size() || line[i] != '=') return false;
        std::string pname = upper(line.substr(start, i - start));
        std::string pvalue;
        bool first = true;
        do { // a list of values: only the first is kept
            i++;
            std::string v;
            if (i < line.size() && line[i] == '"') {
                size_t close = line.find('"', i + 1);
                if (close == std::string_view::npos) return false;
                v = line.substr(i + 1, close - i - 1);
                i = close + 1;
            } else {
                size_t end = line.find_first_of(";:,\"", i);
                if (end == std::string_view::npos) return false;
                v = line.substr(i, end - i);
                i = end;
            }
            if (first) pvalue = v;
            first = false;
            if (i >= line.size()) return false;
        } while (line[i] == ',');
        out->params.emplace_back(std::move(pname), std::move(pvalue));
    }
    if (line[i] != ':') return false;
    out->value = line.substr(i + 1);
    return true;
}

void tComponent::addLine(std::string_view text)
{
    lines_.append(text);
    lines_ += '\n';
}

const tContentLine *tComponent::parsedAt(size_t offset) const
{
    auto it = parsed_.find(offset);
    if (it == parsed_.end()) {
        size_t end = lines_.find('\n', offset);
        tContentLine cl;
        parseContentLine(std::string_view(lines_).substr(offset, end - offset), &cl);
        it = parsed_.emplace(offset, std::move(cl)).first;
    }
    return &it->second;
}

const tContentLine *tComponent::prop(std::string_view n) const
{
    std::vector<const tContentLine *> found = all(n);
    return found.empty() ? nullptr : found.front();
}

std::vector<const tContentLine *> tComponent::all(std::string_view n) const
{
    std::vector<const tContentLine *> out;
    std::string_view text = lines_;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        // The name runs to the first character that is no name character; compared upper case.
        size_t i = at, k = 0;
        while (i < end && nameChar(text[i]) && k < n.size() &&
               (text[i] >= 'a' && text[i] <= 'z' ? char(text[i] - 'a' + 'A') : text[i]) == n[k])
            i++, k++;
        if (k == n.size() && i < end && !nameChar(text[i])) out.push_back(parsedAt(at));
        at = end + 1;
    }
    return out;
}

bool tComponent::sound() const
{
    if (!complete || malformed) return false;
    for (const tComponent &c : subs)
        if (!c.sound()) return false;
    return true;
}

namespace {

class tTreeBuilder {
public:
    void line(std::string_view text, bool tooLong, long lineNo)
    {
        if (tooLong) return markTop();
        tContentLine cl;
        if (!parseContentLine(text, &cl)) return markTop();
        if (cl.name == "BEGIN") {
            if (stack_.size() >= (size_t)kMaxDepth) {
                ignored_++;
                return markTop();
            }
            tComponent c;
            c.name = upper(cl.value);
            c.line = lineNo;
            stack_.push_back(std::move(c));
        } else if (cl.name == "END") {
            if (ignored_ > 0) {
                ignored_--;
                return;
            }
            std::string name = upper(cl.value);
            size_t k = stack_.size();
            while (k > 0 && stack_[k - 1].name != name) k--;
            if (k == 0) return markTop();    // an END without its BEGIN
            while (stack_.size() > k) pop(); // unclosed inner components stay incomplete
            stack_.back().complete = true;
            pop();
        } else if (!stack_.empty()) {
            stack_.back().addLine(text);
        }
    }

    std::vector<tComponent> finish()
    {
        while (!stack_.empty()) pop();
        return std::move(top_);
    }

private:
    void markTop()
    {
        if (!stack_.empty()) stack_.back().malformed = true;
    }
    void pop()
    {
        tComponent c = std::move(stack_.back());
        stack_.pop_back();
        c.compact();
        if (!c.complete && !stack_.empty()) stack_.back().malformed = true;
        (stack_.empty() ? top_ : stack_.back().subs).push_back(std::move(c));
    }

    std::vector<tComponent> stack_, top_;
    int ignored_ = 0;
};

} // namespace

std::vector<tComponent> parseComponents(std::string_view text)
{
    tTreeBuilder tree;
    std::string logical;
    bool tooLong = false, have = false;
    long lineNo = 0, physical = 0;
    auto flush = [&] {
        if (have) tree.line(logical, tooLong, lineNo);
        logical.clear();
        tooLong = false;
        have = false;
    };
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view l = text.substr(pos, end - pos);
        pos = end + 1;
        physical++;
        if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
        if (!l.empty() && (l[0] == ' ' || l[0] == '\t') && have) {
            l.remove_prefix(1);
        } else {
            flush();
            if (l.empty()) continue;
            have = true;
            lineNo = physical;
        }
        if (tooLong) continue;
        if (logical.size() + l.size() > kMaxLine) {
            tooLong = true;
            logical.clear();
            continue;
        }
        logical += l;
    }
    flush();
    return tree.finish();
}

tReadStatus readComponents(const std::string &fileName, std::vector<tComponent> *out)
{
    std::string text;
    switch (readForImport(fileName, kMaxFile, &text)) {
    case tFileStatus::Ok:
        break;
    case tFileStatus::TooBig:
        return tReadStatus::TooBig;
    case tFileStatus::CannotOpen:
    case tFileStatus::NotRegular:
        return tReadStatus::CannotOpen;
    }
    *out = parseComponents(text);
    return tReadStatus::Ok;
}

std::string escapeText(std::string_view utf8)
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

std::string unescapeText(std::string_view value)
{
    std::string out;
    for (size_t i = 0; i < value.size(); i++) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        char c = value[++i];
        out += (c == 'n' || c == 'N') ? '\n' : c;
    }
    return out;
}

std::vector<std::string> splitValue(std::string_view value, char sep)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t i = 0; i <= value.size(); i++) {
        if (i < value.size() && value[i] == '\\') {
            i++;
            continue;
        }
        if (i == value.size() || value[i] == sep) {
            parts.push_back(unescapeText(value.substr(start, std::min(i, value.size()) - start)));
            start = i + 1;
        }
    }
    return parts;
}

std::string foldLine(std::string_view line)
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

std::string cp1252ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 8);
    for (char ch : text) {
        unsigned char c = (unsigned char)ch;
        if (c >= 0x80 && c < 0xA0)
            putUtf8(out, kHigh[c - 0x80] ? kHigh[c - 0x80] : '?');
        else
            putUtf8(out, c);
    }
    return out;
}

std::string utf8ToCp1252(std::string_view text, long *lost)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        long cp = nextCodePoint(text, i);
        if (cp >= 0 && cp < 0x20) {
            out += ' ';
        } else if ((cp >= 0x20 && cp < 0x7F) || (cp >= 0xA0 && cp <= 0xFF)) {
            out += char(cp);
        } else {
            char byte = 0;
            for (int k = 0; k < 32 && cp > 0xFF; k++)
                if (kHigh[k] == cp) byte = char(0x80 + k);
            if (byte) {
                out += byte;
            } else {
                out += '?';
                if (lost) ++*lost;
            }
        }
    }
    return out;
}

} // namespace velk
