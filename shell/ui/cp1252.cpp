#include "shell/ui/cp1252.h"

#include <QList>

#include "base/cp1252.h"

namespace velk {

static char encodeOne(char32_t c)
{
    char byte = cp1252Byte(c);
    return byte != 0 || c == 0 ? byte : '?';
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
    for (unsigned char b : bytes) out.append(QChar(cp1252Char(b)));
    return out;
}

QString fromCp1252(const char *bytes) { return bytes ? fromCp1252(std::string(bytes)) : QString(); }

} // namespace velk
