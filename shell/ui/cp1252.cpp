#include "shell/ui/cp1252.h"

#include <QList>

namespace velk {

// Unicode of bytes 0x80..0x9F; the unassigned bytes map to the C1 control of their number.
static const char16_t kHighTable[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98..9F
};

static char encodeOne(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (int i = 0; i < 32; ++i)
        if (kHighTable[i] == c) return static_cast<char>(0x80 + i);
    return '?';
}

std::string toCp1252(const QString &text)
{
    std::string out;
    out.reserve(text.size());
    // One byte per code point: a surrogate pair is one character, a lone surrogate none of ours.
    for (uint c : text.toUcs4()) out.push_back(encodeOne(char32_t(c)));
    return out;
}

QString fromCp1252(const std::string &bytes)
{
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (unsigned char b : bytes) {
        if (b >= 0x80 && b <= 0x9F)
            out.append(QChar(kHighTable[b - 0x80]));
        else
            out.append(QChar(static_cast<char16_t>(b)));
    }
    return out;
}

QString fromCp1252(const char *bytes) { return bytes ? fromCp1252(std::string(bytes)) : QString(); }

} // namespace velk
