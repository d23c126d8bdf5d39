// Fuzz target of the vCard reader: any bytes as a file.  Every card read has a name, a birthday
// that is none or exists, an ID of at most 8 characters, and only Windows-1252 text without
// control characters; no more cards are read than were found.  Violations abort.
#include "exchange/vcard.h"
#include "exchange/vcard_text.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace velk;

namespace {

void check(bool ok)
{
    if (!ok) abort();
}

bool plain(const std::string &s)
{
    for (char c : s)
        if ((unsigned char)c < 0x20) return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string_view text(reinterpret_cast<const char *>(data), size);
    tVcfReadout vcf = readVCardText(text);
    check((long)vcf.cards.size() + vcf.nameless == vcf.cardsFound && vcf.broken <= vcf.cardsFound);
    for (const tVcfCard &c : vcf.cards) {
        const tDate &b = c.birth;
        check((b.day == 0 && b.month == 0 && b.year == 0) || b.valid());
        check(c.id.size() <= 8 && (!c.name.empty() || !c.chrName.empty()));
        for (const std::string *s :
             {&c.name, &c.chrName, &c.tel, &c.street, &c.city, &c.zip, &c.country})
            check(plain(*s));
    }
    // The grammar alone, every line kept.
    long lines = 0;
    scanVCards(text, [&](const tVcfRaw &raw) {
        for (const tVcfLine &l : raw.lines)
            check(!l.name.empty() && (!l.binary || l.value.empty()));
        lines += (long)raw.lines.size();
    });
    check(lines <= (long)size);
    return 0;
}
