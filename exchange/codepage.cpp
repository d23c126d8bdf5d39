#include "exchange/codepage.h"

#include <array>
#include <iconv.h>
#include <vector>

namespace velk {

namespace {

// The characters converted between the two code pages, as UTF-8.
constexpr const char *kConverted =
    "ÇüéâäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜø£ØáíóúñÑ¿ÁÂÀ¢¥ãÃðÐÊËÈÍÎÏÌÓßÔÒõÕÚÛÙýÝ";

// A mnemonic: one of the signs, then one of the letters, gives the result of the same position
// (UTF-8); with no letters the sign alone is the whole mnemonic.  Tried in this order.
struct tMnemonicDef {
    const char *signs;
    const char *letters;
    const char *results;
};
constexpr tMnemonicDef kMnemonics[] = {
    {",", "Cc", "Çç"},
    {"\"", "aeiouyAEIOU", "äëïöüÿÄËÏÖÜ"},
    {"\"", "s", "ß"},
    {"\xB4\xEF", "aeiouyAEIOUY", "áéíóúýÁÉÍÓÚÝ"},
    {"`", "aeiouAEIOU", "àèìòùÀÈÌÒÙ"},
    {"^", "aeiouEIOU", "âêîôûÊÎÔÛ"},
    {"~", "anoANO", "ãñõÃÑÕ"},
    {"\xB0\xF8", "aA", "åÅ"},
    {"/", "oO", "øØ"},
    {"-", "dD", "ðÐ"},
    {"a", "e", "æ"},
    {"A", "E", "Æ"},
    {"L", "", "£"},
    {"?", "", "¿"},
    {"|", "c", "¢"},
    {"=", "Y", "¥"},
};

// The UTF-8 sequences of s, one a character.
std::vector<std::string> utf8Characters(std::string_view s)
{
    std::vector<std::string> out;
    for (size_t i = 0; i < s.size();) {
        size_t n = 1;
        while (i + n < s.size() && ((unsigned char)s[i + n] & 0xC0) == 0x80) n++;
        out.emplace_back(s.substr(i, n));
        i += n;
    }
    return out;
}

// One character from UTF-8 into a single-byte code page; -1 when iconv cannot.
int singleByte(iconv_t cd, const std::string &utf8)
{
    if (cd == (iconv_t)-1) return -1;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string in = utf8;
    char out[4];
    char *inp = in.data(), *outp = out;
    size_t inLeft = in.size(), outLeft = sizeof out;
    if (iconv(cd, &inp, &inLeft, &outp, &outLeft) == (size_t)-1 || inLeft != 0) return -1;
    return outp - out == 1 ? (unsigned char)out[0] : -1;
}

struct tMnemonic {
    std::string text; // what follows the backslash
    char result;      // code page 850
};

struct tTables {
    bool available = false;
    std::array<unsigned char, 256> to850{};
    std::array<unsigned char, 256> to1252{};
    std::array<unsigned char, 256> from437{}; // code page 437 to Windows-1252
    std::vector<tMnemonic> mnemonics;
};

void buildMnemonics(tTables &t, iconv_t to850)
{
    for (const tMnemonicDef &def : kMnemonics) {
        std::vector<std::string> results = utf8Characters(def.results);
        std::string_view letters = def.letters;
        for (const char *sign = def.signs; *sign; sign++) {
            for (size_t i = 0; i < results.size(); i++) {
                int b = singleByte(to850, results[i]);
                if (b < 0) continue;
                std::string text(1, *sign);
                if (!letters.empty()) text += letters[i];
                t.mnemonics.push_back({text, (char)b});
            }
        }
    }
}

tTables buildTables()
{
    tTables t;
    for (int b = 0; b < 256; b++) t.to850[b] = t.to1252[b] = t.from437[b] = (unsigned char)b;
    iconv_t to1252 = iconv_open("CP1252", "UTF-8");
    iconv_t to850 = iconv_open("CP850", "UTF-8");
    iconv_t to437 = iconv_open("CP437", "UTF-8");
    bool complete = to1252 != (iconv_t)-1 && to850 != (iconv_t)-1;
    if (complete) {
        for (const std::string &c : utf8Characters(kConverted)) {
            int a = singleByte(to1252, c), b = singleByte(to850, c);
            if (a < 128 || b < 128) {
                complete = false;
                continue;
            }
            t.to850[a] = (unsigned char)b;
            t.to1252[b] = (unsigned char)a;
            if (int d = to437 != (iconv_t)-1 ? singleByte(to437, c) : -1; d >= 128)
                t.from437[d] = (unsigned char)a;
        }
        buildMnemonics(t, to850);
    }
    if (to1252 != (iconv_t)-1) iconv_close(to1252);
    if (to850 != (iconv_t)-1) iconv_close(to850);
    if (to437 != (iconv_t)-1) iconv_close(to437);
    t.available = complete;
    if (!complete) {
        for (int b = 0; b < 256; b++) t.to850[b] = t.to1252[b] = (unsigned char)b;
        t.mnemonics.clear();
    }
    return t;
}

const tTables &tables()
{
    static const tTables t = buildTables();
    return t;
}

std::string mapBytes(std::string_view s, const std::array<unsigned char, 256> &map)
{
    std::string out(s);
    for (char &c : out) c = (char)map[(unsigned char)c];
    return out;
}

} // namespace

bool codePagesAvailable() { return tables().available; }

std::string toCp850(std::string_view cp1252) { return mapBytes(cp1252, tables().to850); }

std::string toCp1252(std::string_view cp850) { return mapBytes(cp850, tables().to1252); }

std::string cp437ToCp1252(std::string_view cp437) { return mapBytes(cp437, tables().from437); }

std::string applyAccentEscapes(std::string_view s)
{
    const std::vector<tMnemonic> &mnemonics = tables().mnemonics;
    std::string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        if (s[i] != '\\') {
            out += s[i++];
            continue;
        }
        std::string_view rest = s.substr(i + 1);
        if (!rest.empty() && rest[0] == '\\') {
            out += '\\';
            i += 2;
            continue;
        }
        const tMnemonic *hit = nullptr;
        for (const tMnemonic &m : mnemonics) {
            if (rest.substr(0, m.text.size()) == m.text) {
                hit = &m;
                break;
            }
        }
        if (hit) {
            out += hit->result;
            i += 1 + hit->text.size();
        } else {
            i += 1; // the backslash goes, the character after it stays as it is
            if (i < s.size()) out += s[i++];
        }
    }
    return out;
}

std::string toExchangeText(std::string_view cp1252) { return applyAccentEscapes(toCp850(cp1252)); }

} // namespace velk
