// vcard_text.h - the text of vCard files of versions 2.1, 3.0 and 4.0: cards, content lines,
// their unfolding, groups, parameters, encodings and character sets; and the writer's folding
// and escaping.
//
// A logical line is
//
//   [group "."] name *(";" param) ":" value
//   param = pname "=" pvalue *("," pvalue)    a pvalue plain or in double quotes (then it may
//                                             hold ":", ";" and ",")
//         | pvalue                            a bare parameter of 2.1 ("WORK", "BASE64"): an
//                                             ENCODING for the names of encodings, a VALUE for
//                                             INLINE, URL, CONTENT-ID and CID, else a TYPE
//
// Names of properties and parameters compare without case.  Physical lines end with CR, LF,
// CR LF or CR CR LF; a UTF-8 (or UTF-16) byte-order mark at the start is taken off (UTF-16 text
// becomes UTF-8).  A line that begins with a blank or a tab continues the one before without
// that character; a QUOTED-PRINTABLE value that ends in "=" continues on the next line as it
// stands (the soft line break of 2.1).  Blanks before a line that continues none are ignored.
// A logical line longer than kVcfMaxLine is dropped (the
// BASE64 photos of 2.1, whose block ends with an empty line, are such lines or lines that are no
// content lines); a line that is no content line is dropped too, and so is a line of a card
// that holds kVcfMaxLines already, unless it is the first of its name.
//
// Values: QUOTED-PRINTABLE is decoded, then the CHARSET applied: UTF-8, ISO-8859-1 (read as its
// superset Windows-1252) and Windows-1252; without a CHARSET or with another one the bytes are
// UTF-8 where they are valid UTF-8, else Windows-1252.  BASE64 and "b" values are binary, and are
// not kept.  Escapes stay in the value: vcfText and vcfSplit take them off as the card's version
// has them.
//
// Cards: BEGIN:VCARD ... END:VCARD.  A card begun within a card after an AGENT property with no
// value (2.1) is the agent's and is skipped with its lines; another BEGIN:VCARD within a card
// ends that card as incomplete.  Lines outside cards are ignored.
#ifndef VELK_EXCHANGE_VCARD_TEXT_H
#define VELK_EXCHANGE_VCARD_TEXT_H

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velk {

constexpr long kVcfMaxFile = 32L * 1024 * 1024;
constexpr size_t kVcfMaxLine = 64 * 1024;
constexpr size_t kVcfMaxLines = 1000; // of one card, see above

struct tVcfParam {
    std::string name;  // upper case
    std::string value; // one value of a list, unquoted
};

struct tVcfLine {
    std::string group; // as written, "" when none
    std::string name;  // upper case
    std::vector<tVcfParam> params;
    std::string value;   // UTF-8, still escaped; "" when binary
    bool binary = false; // BASE64 or "b": its value is not kept

    // The parameter's first value ("" when absent); whether it has that value (without case).
    std::string param(std::string_view name) const;
    bool has(std::string_view name, std::string_view value) const;
};

struct tVcfRaw {
    std::string version; // the VERSION's value ("2.1", "3.0", "4.0"), "" when none
    std::vector<tVcfLine> lines;
    bool complete = false; // its END was read
    long dropped = 0;      // lines that are no content lines or too long

    // The card's lines of that name (upper case), in file order.
    std::vector<const tVcfLine *> all(std::string_view name) const;
    bool v21() const { return version == "2.1" || version == "2.0"; }
};

// Each top-level card of the text in file order; a card keeps only the lines whose name `keep`
// accepts (all when keep is empty).  The number of cards.
long scanVCards(std::string_view text, const std::function<void(const tVcfRaw &)> &each,
                const std::function<bool(std::string_view name)> &keep = {});

// A TEXT value without its escapes: "\\", "\;", "\,", "\:" and "\n" or "\N" (a line break) in
// 3.0 and 4.0; only "\;" in 2.1.  Another backslash stays.
std::string vcfText(std::string_view value, bool v21);
// A structured value split at unescaped `sep`, each part as vcfText.
std::vector<std::string> vcfSplit(std::string_view value, char sep, bool v21);

// Bytes of that CHARSET to UTF-8, as above.
std::string vcfCharset(std::string_view bytes, std::string_view charset);
std::string decodeQuotedPrintable(std::string_view text);

// The writer: TEXT escaped ("\\", "\;", "\,", "\n"; CR dropped), and a content line folded at
// 75 octets (never inside a UTF-8 sequence) with CR LF after each piece.
std::string vcfEscape(std::string_view utf8);
std::string vcfFold(std::string_view line);

} // namespace velk

#endif
