// cp1252.h - the one conversion between the interface's strings and stored text.
//
// Stored text is Windows-1252, one byte a character.  0x80..0x9F carry the code page's own
// characters (euro sign, typographic quotes, ...), every other byte is the Latin-1 character of
// the same number.  A character the code page lacks is stored as '?'; the five bytes without a
// character (0x81, 0x8D, 0x8F, 0x90, 0x9D) read back as the C1 control of their number.
// Every dialog and view converts through these two functions.
#ifndef VELK_SHELL_UI_CP1252_H
#define VELK_SHELL_UI_CP1252_H

#include <QString>

#include <string>

namespace velk {

std::string toCp1252(const QString &text);
QString fromCp1252(const std::string &bytes);
QString fromCp1252(const char *bytes); // NUL-terminated; null reads as empty

} // namespace velk

#endif
