// codepage.h - text in dBASE exchange files: code page 850 there, Windows-1252 here.
//
// Only the accented letters and the few signs below are converted; every other byte, and every
// byte below 128, is copied as it stands:
//
//   Ç ü é â ä à å ç ê ë è ï î ì Ä Å É æ Æ ô ö ò û ù ÿ Ö Ü ø £ Ø á í ó ú ñ Ñ ¿ Á Â À ¢ ¥
//   ã Ã ð Ð Ê Ë È Í Î Ï Ì Ó ß Ô Ò õ Õ Ú Û Ù ý Ý
//
// The byte pairs are not typed in: they are built once, at first use, from the system's iconv
// ("CP1252" and "CP850"), so they follow the published correspondence of the two code pages.
//
// Accent escapes let a user type letters the keyboard lacks.  Applied to code page 850 text on
// its way into a file: a backslash and a mnemonic become the letter, two backslashes one, and a
// backslash before anything else is dropped (the character after it stays).
//
//   sign after "\"         letters                     gives
//   ,                      C c                         Ç ç
//   "                      a e i o u y A E I O U       the letter with diaeresis
//   "                      s                           ß
//   ´ (0xB4) or 0xEF       a e i o u y A E I O U Y     the letter with acute
//   `                      a e i o u A E I O U         the letter with grave
//   ^                      a e i o u E I O U           the letter with circumflex
//   ~                      a n o A N O                 ã ñ õ Ã Ñ Õ
//   ° (0xB0) or 0xF8       a A                         å Å
//   /                      o O                         ø Ø
//   -                      d D                         ð Ð
//   ae AE L ? |c =Y                                    æ Æ £ ¿ ¢ ¥
//
// Example: the Windows-1252 bytes 5C B4 65 ("\´e") are stored as the one byte 82 (é).
#ifndef VELK_EXCHANGE_CODEPAGE_H
#define VELK_EXCHANGE_CODEPAGE_H

#include <string>
#include <string_view>

namespace velk {

// False when the system's iconv knows one of the two code pages not; the conversions then copy
// every byte unchanged.
bool codePagesAvailable();

std::string toCp850(std::string_view cp1252);
std::string toCp1252(std::string_view cp850);
// The same letters and signs from code page 437 (files of other programs that say so).
std::string cp437ToCp1252(std::string_view cp437);

// The accent escapes on code page 850 text.
std::string applyAccentEscapes(std::string_view cp850);

// What a text field of an exchange file stores for a text of the system: the conversion to code
// page 850, then the accent escapes.
std::string toExchangeText(std::string_view cp1252);

} // namespace velk

#endif
