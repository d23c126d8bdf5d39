// cp1252.h - the interface's strings to stored text and back, through the table of base/cp1252.h.
//
// A character the code page lacks is stored as '?'; the five bytes without a character (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) read back as the C1 control of their number, and are stored as that
// byte again.  Every dialog and view converts through these functions.
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
