#include "shell/core/help_text.h"

#include <algorithm>
#include <sstream>

namespace velk {

namespace {

// The entities the document uses, as UTF-8.
const struct {
    const char *name;
    const char *text;
} kEntities[] = {{"amp", "&"},
                 {"lt", "<"},
                 {"gt", ">"},
                 {"quot", "\""},
                 {"nbsp", " "},
                 {"ndash", "\xE2\x80\x93"},
                 {"mdash", "\xE2\x80\x94"},
                 {"bdquo", "\xE2\x80\x9E"},
                 {"ldquo", "\xE2\x80\x9C"},
                 {"rdquo", "\xE2\x80\x9D"},
                 {"auml", "\xC3\xA4"},
                 {"ouml", "\xC3\xB6"},
                 {"uuml", "\xC3\xBC"},
                 {"Auml", "\xC3\x84"},
                 {"Ouml", "\xC3\x96"},
                 {"Uuml", "\xC3\x9C"},
                 {"szlig", "\xC3\x9F"},
                 {"copy", "\xC2\xA9"}};

// Tags dropped, entities decoded, runs of white space made one blank.
std::string plainText(std::string_view html)
{
    std::string out;
    bool blank = false;
    auto put = [&](std::string_view s) {
        for (char c : s) {
            const bool space = c == ' ' || c == '\n' || c == '\t' || c == '\r';
            if (space) {
                blank = !out.empty();
                continue;
            }
            if (blank) out += ' ';
            blank = false;
            out += c;
        }
    };
    for (size_t i = 0; i < html.size();) {
        if (html[i] == '<') {
            size_t end = html.find('>', i);
            if (end == std::string_view::npos) break;
            // Block ends part words; inline tags do not.
            std::string_view tag = html.substr(i + 1, end - i - 1);
            if (!tag.empty() && tag[0] == '/') tag.remove_prefix(1);
            if (tag.starts_with("p") || tag.starts_with("h") || tag.starts_with("li") ||
                tag.starts_with("br") || tag.starts_with("tr") || tag.starts_with("td"))
                put(" ");
            i = end + 1;
        } else if (html[i] == '&') {
            size_t end = html.find(';', i);
            std::string_view name = end == std::string_view::npos ? std::string_view()
                                                                  : html.substr(i + 1, end - i - 1);
            const char *text = nullptr;
            for (const auto &e : kEntities)
                if (name == e.name) text = e.text;
            put(text ? std::string_view(text) : std::string_view("&"));
            i = text ? end + 1 : i + 1;
        } else {
            put(html.substr(i, 1));
            ++i;
        }
    }
    return out;
}

} // namespace

std::string helpFold(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 'A' && c <= 'Z') {
            out += char(c - 'A' + 'a');
        } else if (c == 0xC3 && i + 1 < text.size()) {
            unsigned char d = static_cast<unsigned char>(text[i + 1]);
            // Ä Ö Ü (C3 84, 96, 9C) to ä ö ü (C3 A4, B6, BC).
            if (d == 0x84 || d == 0x96 || d == 0x9C) d += 0x20;
            out += char(c);
            out += char(d);
            ++i;
        } else {
            out += char(c);
        }
    }
    return out;
}

std::vector<tHelpSection> helpSections(std::string_view html)
{
    static constexpr std::string_view kAnchor = "<a name=\"";
    std::vector<size_t> starts;
    for (size_t at = html.find(kAnchor); at != std::string_view::npos;
         at = html.find(kAnchor, at + 1))
        starts.push_back(at);
    std::vector<tHelpSection> out;
    for (size_t n = 0; n < starts.size(); ++n) {
        size_t begin = starts[n] + kAnchor.size();
        size_t quote = html.find('"', begin);
        if (quote == std::string_view::npos) break;
        size_t end = n + 1 < starts.size() ? starts[n + 1] : html.size();
        // The section runs from its anchor to the next one; its heading ends at the first "</h".
        std::string_view body = html.substr(starts[n], end - starts[n]);
        tHelpSection s;
        s.anchor = std::string(html.substr(begin, quote - begin));
        size_t headEnd = body.find("</h");
        s.title = plainText(body.substr(0, headEnd == std::string_view::npos ? 0 : headEnd));
        s.text = plainText(body);
        out.push_back(std::move(s));
    }
    return out;
}

std::vector<std::string> searchHelp(const std::vector<tHelpSection> &sections,
                                    std::string_view query)
{
    std::vector<std::string> words;
    std::istringstream in{helpFold(query)};
    for (std::string w; in >> w;) words.push_back(w);
    std::vector<std::string> out;
    if (words.empty()) return out;
    for (const tHelpSection &s : sections) {
        const std::string text = helpFold(s.text);
        if (std::all_of(words.begin(), words.end(),
                        [&](const std::string &w) { return text.find(w) != std::string::npos; }))
            out.push_back(s.anchor);
    }
    return out;
}

tRect helpPlacement(const tRect &frame, const tRect &screen, int width, int height, int minWidth)
{
    const int screenRight = screen.x + screen.width;
    const int roomRight = std::max(0, screenRight - (frame.x + frame.width));
    const int roomLeft = std::max(0, frame.x - screen.x);
    tRect r;
    r.height = std::min(height, screen.height);
    r.width = std::min(width, screen.width);
    if (roomRight >= r.width) {
        r.x = frame.x + frame.width;
    } else if (roomLeft >= r.width) {
        r.x = frame.x - r.width;
    } else if (std::max(roomLeft, roomRight) >= minWidth) {
        r.width = std::max(roomLeft, roomRight);
        r.x = roomRight >= roomLeft ? frame.x + frame.width : screen.x;
    } else {
        r.x = screenRight - r.width;
    }
    r.y = std::clamp(frame.y, screen.y, screen.y + screen.height - r.height);
    return r;
}

} // namespace velk
