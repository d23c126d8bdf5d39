#include "base/cp1252.h"

namespace velk {

namespace {

// The code points of bytes 0x80..0x9F; the five bytes without a character carry the C1 control
// of their number.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98..9F
};

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

char16_t cp1252Char(unsigned char byte)
{
    return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte;
}

bool cp1252Defined(unsigned char byte)
{
    return cp1252Char(byte) < 0x80 || cp1252Char(byte) >= 0xA0;
}

char cp1252Byte(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == c) return static_cast<char>(0x80 + i);
    return 0;
}

std::string cp1252ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 8);
    for (char ch : text) {
        unsigned char c = (unsigned char)ch;
        if (c >= 0x80 && c < 0xA0)
            putUtf8(out, cp1252Defined(c) ? kHigh[c - 0x80] : '?');
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
            char byte = cp > 0xFF ? cp1252Byte(char32_t(cp)) : 0;
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
