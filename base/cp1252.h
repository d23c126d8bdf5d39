// cp1252.h - the one table of Windows-1252, the character set of stored text.
//
// One byte a character: 0x80..0x9F carry the code page's own characters (euro sign, typographic
// quotes, ...), every other byte is the Latin-1 character of the same number.  Five bytes (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) have no character.  The interface's strings convert through the Qt
// adapter in shell/ui/cp1252.h, files and terminals through the UTF-8 adapters here; both read
// this table.
#ifndef VELK_BASE_CP1252_H
#define VELK_BASE_CP1252_H

#include <string>
#include <string_view>

namespace velk {

// The Unicode character of a byte; a byte without one gives the C1 control of its number.
char16_t cp1252Char(unsigned char byte);
bool cp1252Defined(unsigned char byte);
// The byte of a Unicode character (the C1 control of a byte without a character gives that byte
// back); 0 where the code page lacks it, and for U+0000.
char cp1252Byte(char32_t c);

// Windows-1252 to UTF-8 (the five bytes without a character become "?").
std::string cp1252ToUtf8(std::string_view text);
// UTF-8 to Windows-1252: every character without a place there, and every byte that is no UTF-8,
// becomes "?" and is counted in *lost; control characters become blanks.
std::string utf8ToCp1252(std::string_view text, long *lost);

} // namespace velk

#endif
