// vCard files as their writers write them: phones (2.1, quoted-printable, BASE64 photos), Apple,
// Outlook, Google, Thunderbird, Nextcloud; the birthday forms; the IDs made from surnames; and
// the writer's output byte for byte.
#include "address/person.h"
#include "exchange/exchange.h"
#include "exchange/ical_uid.h"
#include "exchange/vcard.h"
#include "exchange/vcard_text.h"
#include "tests/calendar/calendar_support.h"

#include <fstream>
#include <string>
#include <tuple>
#include <vector>

using namespace velk;
using namespace velk::caltest;

namespace {

// A card as the test compares it: "name|chrname|tel|street|city|zip|country|d.m.y".
std::string row(const tVcfCard &c)
{
    return c.name + "|" + c.chrName + "|" + c.tel + "|" + c.street + "|" + c.city + "|" + c.zip +
           "|" + c.country + "|" + std::to_string(c.birth.day) + "." +
           std::to_string(c.birth.month) + "." + std::to_string(c.birth.year);
}

using VCardImport = CalendarTest;

} // namespace

TEST(VCardRead, CardsOfTheirWriters)
{
    struct {
        const char *writer;
        std::string text;
        std::vector<std::string> cards; // Windows-1252
    } cases[] = {
        {"phone 2.1: quoted-printable UTF-8 with soft line breaks, BASE64 photo, bare types",
         "BEGIN:VCARD\r\n"
         "VERSION:2.1\r\n"
         "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:M=C3=BCller;J=C3=BCrgen;;;\r\n"
         "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:J=C3=BCrgen M=C3=BCller\r\n"
         "TEL;CELL;PREF:+49 171 1234567\r\n"
         "TEL;HOME:0711 123456\r\n"
         "ADR;HOME;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:;;Hauptstra=C3=9Fe 1=0A=\r\n"
         "Hinterhaus;Stuttg=\r\n"
         "art;;70173;Deutschland\r\n"
         "BDAY:1961-07-03\r\n"
         "PHOTO;ENCODING=BASE64;JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD/"
         "2wBDAAgGBgcGBQgHBwcJCQgKDBQNDAsL\r\n"
         " DBkSEwwRHRQdHR0dHRkdHSwdHB0dHR0dHR0dHR0dHR0dHR0dHR0dHR0dHR0dHR0dHR0dHR0dHR0d\r\n"
         " HR0dHR0dHR0dHR0dHR0dHR0dHR0dHR0dHR0dHR0dHR0dHR0dHR0dHR0dHR0dHR0dHR0dHR0dHR0d\r\n"
         "\r\n"
         "END:VCARD\r\n",
         {"M\xFCller|J\xFCrgen|+49 171 1234567|Hauptstra\xDF"
          "e 1 Hinterhaus|Stuttgart|70173|Deutschland|3.7.1961"}},
        {"phone 2.1: an AGENT's card inside is not a person",
         "BEGIN:VCARD\r\n"
         "VERSION:2.1\r\n"
         "N:Chef;Carla\r\n"
         "AGENT:\r\n"
         "BEGIN:VCARD\r\n"
         "VERSION:2.1\r\n"
         "N:Assistent;Alex\r\n"
         "TEL:0711 2\r\n"
         "END:VCARD\r\n"
         "TEL;WORK;VOICE:0711 1\r\n"
         "NOTE;ENCODING=QUOTED-PRINTABLE:Zeile 1=0D=0A=\r\n"
         "Zeile 2\r\n"
         "END:VCARD\r\n",
         {"Chef|Carla|0711 1|||||0.0.0"}},
        {"Apple 3.0: grouped properties, type lists, a birthday without its year",
         "BEGIN:VCARD\r\n"
         "VERSION:3.0\r\n"
         "PRODID:-//Apple Inc.//macOS 14.5//EN\r\n"
         "N:Gr\xC3\xB6\xC3\x9F;Anna;;;\r\n"
         "FN:Anna Gr\xC3\xB6\xC3\x9F\r\n"
         "ORG:Beispiel GmbH;\r\n"
         "item1.TEL;type=pref:+49 30 1234567\r\n"
         "item1.X-ABLabel:_$!<Mobile>!$_\r\n"
         "item2.ADR;type=HOME;type=pref:;;Unter den Linden 5;Berlin;;10117;Deutschland\r\n"
         "item2.X-ABADR:de\r\n"
         "item3.URL;type=pref:http\\://www.example.com\r\n"
         "item3.X-ABLabel:_$!<HomePage>!$_\r\n"
         "BDAY;X-APPLE-OMIT-YEAR=1604:1604-12-24\r\n"
         "END:VCARD\r\n",
         {"Gr\xF6\xDF|Anna|+49 30 1234567|Unter den Linden 5|Berlin|10117|Deutschland|24.12.0"}},
        {"Outlook 2.1: Windows-1252 quoted-printable, the fax after the voice number",
         "BEGIN:VCARD\r\n"
         "VERSION:2.1\r\n"
         "N;LANGUAGE=de;CHARSET=Windows-1252:Sch\xE4"
         "fer;J\xF6rg\r\n"
         "FN;CHARSET=Windows-1252:J\xF6rg Sch\xE4"
         "fer\r\n"
         "ORG:M\xFCller & S\xF6hne\r\n"
         "TEL;WORK;FAX:(0711) 555-99\r\n"
         "TEL;WORK;VOICE:(0711) 555-0\r\n"
         "ADR;WORK;PREF;ENCODING=QUOTED-PRINTABLE;CHARSET=Windows-1252:;;K=F6nigstra=DFe 12=0D=\r\n"
         "=0A2. OG;Stuttgart;;70173;Deutschland\r\n"
         "LABEL;WORK;PREF;ENCODING=QUOTED-PRINTABLE;CHARSET=Windows-1252:K=F6nigstra=DFe "
         "12=0D=0A=\r\n"
         "Stuttgart 70173\r\n"
         "BDAY:19700131\r\n"
         "EMAIL;PREF;INTERNET:joerg@example.com\r\n"
         "REV:20260101T120000Z\r\n"
         "END:VCARD\r\n",
         {"Sch\xE4"
          "fer|J\xF6rg|(0711) 555-0|K\xF6nigstra\xDF"
          "e 12 2. OG|Stuttgart|70173|Deutschland|31.1.1970"}},
        {"Google 3.0",
         "BEGIN:VCARD\r\n"
         "VERSION:3.0\r\n"
         "FN:Pierre Dupont\r\n"
         "N:Dupont;Pierre;;;\r\n"
         "EMAIL;TYPE=INTERNET;TYPE=HOME:pierre@example.com\r\n"
         "TEL;TYPE=CELL:+33 6 12 34 56 78\r\n"
         "TEL;TYPE=HOME:+33 1 23 45 67 89\r\n"
         "ADR;TYPE=HOME:;;;;;;\r\n"
         "ADR;TYPE=WORK:;;12 Rue de l'\xC3\x89glise;Paris;;75001;France\r\n"
         "BDAY:1985-05-17\r\n"
         "item1.URL:http\\://example.com\r\n"
         "item1.X-ABLabel:\r\n"
         "CATEGORIES:myContacts\r\n"
         "END:VCARD\r\n",
         {"Dupont|Pierre|+33 6 12 34 56 78|12 Rue de l'\xC9glise|Paris|75001|France|17.5.1985"}},
        {"Thunderbird 4.0: the preferred address, a folded note",
         "BEGIN:VCARD\r\n"
         "VERSION:4.0\r\n"
         "PRODID:-//Thunderbird//EN\r\n"
         "N:Kowalski;Jan;;;\r\n"
         "FN:Jan Kowalski\r\n"
         "TEL;TYPE=work;VALUE=TEXT:+48 22 555 01 02\r\n"
         "ADR;TYPE=home:;;ul. Polna 5;Krak\xC3\xB3w;;31-001;Polska\r\n"
         "ADR;PREF=1;TYPE=work:;;Rynek 1;Warszawa;;00-001;Polska\r\n"
         "BDAY;VALUE=DATE:19780315\r\n"
         "NOTE:Eine lange Notiz\\, die Thunderbird auf mehrere Zeilen faltet\\, weil\r\n"
         "  sie l\xC3\xA4nger ist als 75 Zeichen.\r\n"
         "UID:7e1c4d1a-6b3e-4f6a-9c1e-0d2b3a4c5d6e\r\n"
         "END:VCARD\r\n",
         {"Kowalski|Jan|+48 22 555 01 02|Rynek 1|Warszawa|00-001|Polska|15.3.1978"}},
        {"Nextcloud 4.0: tel: URIs, a fax first, --MMDD, a folded name",
         "BEGIN:VCARD\r\n"
         "VERSION:4.0\r\n"
         "PRODID:-//Sabre//Sabre VObject 4.5.4//EN\r\n"
         "UID:0b0e5a4e-1f3c-4d8a-9d8e-3e2f1a0b9c8d\r\n"
         "FN:Zo\xC3\xAB Wei\xC3\x9F\r\n"
         "N:Wei\xC3\x9F;Zo\r\n"
         "\t\xC3\xAB;;;\r\n"
         "TEL;TYPE=fax;VALUE=uri:tel:+49-421-555-99\r\n"
         "TEL;TYPE=\"cell,voice\";VALUE=uri:tel:+49-170-555-1234;ext=12\r\n"
         "ADR;TYPE=home;LABEL=\"Alte Gasse 3\\nBremen\";GEO=\"geo:53.07,8.80\":;;Alte Gasse "
         "3;Bremen;;"
         "28195;Deutschland\r\n"
         "BDAY:--0229\r\n"
         "END:VCARD\r\n",
         {"Wei\xDF|Zo\xEB|+49-170-555-1234;ext=12|Alte Gasse 3|Bremen|28195|Deutschland|29.2.0"}},
        {"byte-order mark and CR CR LF line ends",
         "\xEF\xBB\xBF"
         "BEGIN:VCARD\r\r\nVERSION:3.0\r\r\nN:Bom;Bert;;;\r\r\nTEL:0611 1\r\r\n"
         "BDAY:1961-07-03T00:00:00Z\r\r\nEND:VCARD\r\r\n",
         {"Bom|Bert|0611 1|||||3.7.1961"}},
        {"lone CR and lone LF line ends, lower-case names",
         "begin:vcard\rversion:3.0\rn:Cr;Carl;;;\rend:vcard\r"
         "BEGIN:VCARD\nVERSION:3.0\nfn:Lf Lotte\nEnd:VCard\n",
         {"Cr|Carl||||||0.0.0", "Lotte|Lf||||||0.0.0"}},
        {"only an organisation",
         "BEGIN:VCARD\nVERSION:3.0\nORG:Stadtwerke Ulm;Kundendienst\nTEL;TYPE=WORK:0731 166-0\n"
         "END:VCARD\n",
         {"Stadtwerke Ulm||0731 166-0|||||0.0.0"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.writer);
        tVcfReadout in = readVCardText(c.text);
        std::vector<std::string> got;
        for (const tVcfCard &card : in.cards) got.push_back(row(card));
        EXPECT_EQ(got, c.cards);
        EXPECT_EQ(in.broken, 0);
        EXPECT_EQ(in.lost, 0);
    }
}

TEST(VCardRead, Utf16WithItsByteOrderMark)
{
    // As the Windows address book writes it: UTF-16, little or big end first.
    std::string text = "BEGIN:VCARD\r\nVERSION:2.1\r\nN:M\xFCller;Zo\xEB\r\nEND:VCARD\r\n";
    for (bool big : {false, true}) {
        std::string utf16 = big ? "\xFE\xFF" : "\xFF\xFE";
        for (char c : text) {
            utf16 += big ? std::string(1, '\0') + c : std::string(1, c) + '\0';
        }
        tVcfReadout in = readVCardText(utf16);
        ASSERT_EQ(in.cards.size(), 1u) << big;
        EXPECT_EQ(row(in.cards[0]), "M\xFCller|Zo\xEB||||||0.0.0") << big;
    }
}

TEST(VCardRead, BirthdaysInEveryForm)
{
    struct {
        const char *line;
        tDate birth; // day, month, year; 0.0.0 for none
    } cases[] = {
        {"BDAY:19610703", {3, 7, 1961}},
        {"BDAY:1961-07-03", {3, 7, 1961}},
        {"BDAY:--0703", {3, 7, 0}},
        {"BDAY:--07-03", {3, 7, 0}},
        {"BDAY:1961-07-03T00:00:00Z", {3, 7, 1961}},
        {"BDAY:19610703T000000", {3, 7, 1961}},
        {"BDAY:1961-07-03T10:00:00+01:00", {3, 7, 1961}},
        {"BDAY;VALUE=date-and-or-time:--0703T0900", {3, 7, 0}},
        {"BDAY:1961-7-3", {3, 7, 1961}},
        {"BDAY:03.07.1961", {3, 7, 1961}},
        {"BDAY;X-APPLE-OMIT-YEAR=1604:1604-07-03", {3, 7, 0}},
        {"BDAY;X-APPLE-OMIT-YEAR=1604;VALUE=date:1604-02-29", {29, 2, 0}},
        {"BDAY;X-APPLE-OMIT-YEAR=1604:1961-07-03", {3, 7, 1961}},
        {"BDAY:0000-12-24", {24, 12, 0}},
        {"BDAY:16040101", {1, 1, 0}}, // Thunderbird's CardBook, without X-APPLE-OMIT-YEAR
        {"BDAY;VALUE=text:circa 1800", {}},
        {"BDAY;VALUE=TEXT:19610703", {}},
        {"BDAY:1961", {}},     // year alone
        {"BDAY:1961-07", {}},  // year and month
        {"BDAY:--07", {}},     // month alone
        {"BDAY:---03", {}},    // day alone
        {"BDAY:19610230", {}}, // no such day
        {"BDAY:--1301", {}},
        {"BDAY:61-07-03", {}},
        {"BDAY:", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        tVcfReadout in = readVCardText(std::string("BEGIN:VCARD\r\nVERSION:4.0\r\nFN:X\r\n") +
                                       c.line + "\r\nEND:VCARD\r\n");
        ASSERT_EQ(in.cards.size(), 1u);
        const tDate &b = in.cards[0].birth;
        EXPECT_EQ(std::make_tuple(b.day, b.month, b.year),
                  std::make_tuple(c.birth.day, c.birth.month, c.birth.year));
    }
}

TEST(VCardRead, GrammarOfLinesParametersAndValues)
{
    // One card each; what its person's fields are: "name|chrname|tel|street|city|zip|country|date".
    struct {
        const char *what;
        std::string lines;
        const char *card;
    } cases[] = {
        {"escapes of 3.0", "VERSION:3.0\r\nN:O\\;Neil\\, Jr.\\\\x;Ann\\nMarie;;;\r\n",
         "O;Neil, Jr.\\x|Ann Marie||||||0.0.0"},
        {"2.1 escapes only the semicolon", "VERSION:2.1\r\nN:O\\;Neil\\, Jr.\\\\x;Ann\\nMarie\r\n",
         "O;Neil\\, Jr.\\\\x|Ann\\nMarie||||||0.0.0"},
        {"quoted parameter values with : ; , and a group",
         "VERSION:4.0\r\nN:A;B;;;\r\nwork.ADR;LABEL=\"x:y;z,w\";TYPE=work,pref:;;S 1;C;;Z;L\r\n",
         "A|B||S 1|C|Z|L|0.0.0"},
        {"a parameter value quoted to the end of the line is no content line",
         "VERSION:3.0\r\nN:A;B;;;\r\nTEL;X=\"offen:1\r\nTEL:2\r\n", "A|B|2|||||0.0.0"},
        {"lines that are no content lines are dropped, the card kept",
         "VERSION:3.0\r\nkaputt\r\n:leer\r\nN:A;B;;;\r\n.TEL:3\r\nTEL:4\r\n", "A|B|4|||||0.0.0"},
        {"ISO-8859-1, 8 bits without quoted-printable",
         "VERSION:2.1\r\nN;CHARSET=ISO-8859-1:M\xFCller;J\xFCrgen\r\n",
         "M\xFCller|J\xFCrgen||||||0.0.0"},
        {"no charset, valid UTF-8", "VERSION:2.1\r\nN:M\xC3\xBCller;J\xC3\xBCrgen\r\n",
         "M\xFCller|J\xFCrgen||||||0.0.0"},
        {"no charset, no UTF-8: Windows-1252", "VERSION:2.1\r\nN:M\xFCller;J\xFCrgen \x80\r\n",
         "M\xFCller|J\xFCrgen \x80||||||0.0.0"},
        {"an unknown charset, valid UTF-8",
         "VERSION:2.1\r\nN;CHARSET=X-UNBEKANNT;ENCODING=QUOTED-PRINTABLE:M=C3=BCller;Hans\r\n",
         "M\xFCller|Hans||||||0.0.0"},
        {"an unknown charset, no UTF-8",
         "VERSION:2.1\r\nN;CHARSET=ISO-8859-15;ENCODING=QUOTED-PRINTABLE:M=FCller;Hans\r\n",
         "M\xFCller|Hans||||||0.0.0"},
        {"quoted-printable in lower case, a soft break after the name",
         "VERSION:2.1\r\nN;encoding=quoted-printable:M=C3=BC=\r\nller;Hans\r\n",
         "M\xFCller|Hans||||||0.0.0"},
        {"a soft break at the card's end does not swallow END",
         "VERSION:2.1\r\nN:A;B\r\nNOTE;QUOTED-PRINTABLE:x=\r\n", "A|B||||||0.0.0"},
        {"BASE64 and b values are skipped whole, also over 64 KB",
         "VERSION:3.0\r\nN:A;B;;;\r\nTEL;ENCODING=b:MTIz\r\nPHOTO;ENCODING=b;TYPE=JPEG:" +
             std::string(70000, 'Q') + "\r\n " + std::string(100, 'Q') + "\r\nTEL:5\r\n",
         "A|B|5|||||0.0.0"},
        {"2.1 BASE64 block on unindented lines ending with an empty line",
         "VERSION:2.1\r\nN:A;B\r\nPHOTO;BASE64:\r\n/9j/4AAQSkZJRgABAQAAAQ\r\nABAAD/"
         "2wBDAAgGBgcGBQgH==\r\n"
         "\r\nTEL;VOICE:6\r\n",
         "A|B|6|||||0.0.0"},
        {"FN as \"Family, Given\"", "VERSION:3.0\r\nFN:Meier\\, Hans\r\n", "Meier|Hans||||||0.0.0"},
        {"FN of an organisation (4.0)", "VERSION:4.0\r\nKIND:org\r\nFN:ACME Inc.\r\n",
         "ACME Inc.|||||||0.0.0"},
        {"FN of a company (Apple)", "VERSION:3.0\r\nFN:Gebr. Meier\r\nX-ABShowAs:COMPANY\r\n",
         "Gebr. Meier|||||||0.0.0"},
        {"FN of one word", "VERSION:3.0\r\nFN:Cher\r\n", "Cher|||||||0.0.0"},
        {"an empty N falls back to FN", "VERSION:3.0\r\nN:;;;;\r\nFN:Eva Braun\r\n",
         "Braun|Eva||||||0.0.0"},
        {"only a pager and a fax: the first of them",
         "VERSION:3.0\r\nN:A;B;;;\r\nTEL;TYPE=PAGER:7\r\nTEL;TYPE=FAX:8\r\n", "A|B|7|||||0.0.0"},
        {"a fax that is also voice counts as voice",
         "VERSION:3.0\r\nN:A;B;;;\r\nTEL;TYPE=FAX:8\r\nTEL;TYPE=FAX,VOICE:9\r\n",
         "A|B|9|||||0.0.0"},
        {"PREF=1 before PREF=2 before none",
         "VERSION:4.0\r\nN:A;B;;;\r\nTEL:1\r\nTEL;PREF=2:2\r\nTEL;PREF=1:3\r\n", "A|B|3|||||0.0.0"},
        {"Apple's label names a fax",
         "VERSION:3.0\r\nN:A;B;;;\r\nitem1.TEL:1\r\n"
         "ITEM1.X-ABLabel:_$!<HomeFAX>!$_\r\nitem2.TEL:2\r\nitem2.X-ABLabel:Mobil\r\n",
         "A|B|2|||||0.0.0"},
        {"a quoted list of types",
         "VERSION:4.0\r\nN:A;B;;;\r\nTEL;TYPE=\"work,fax\";VALUE=uri:tel:1\r\nTEL:2\r\n",
         "A|B|2|||||0.0.0"},
        {"FN with a suffix after a comma", "VERSION:3.0\r\nFN:Hans Meier\\, Dr.\r\n",
         "Meier|Hans||||||0.0.0"},
        {"blanks before a line after an empty line", "VERSION:3.0\r\n\r\n  N:A;B;;;\r\n",
         "A|B||||||0.0.0"},
        {"a card of many lines keeps the first of each name",
         "VERSION:3.0\r\n" +
             [] {
                 std::string many;
                 for (int i = 0; i < 1200; i++)
                     many += "TEL;TYPE=FAX:" + std::to_string(i) + "\r\n";
                 return many;
             }() +
             "N:A;B;;;\r\nTEL:x\r\n",
         "A|B|0|||||0.0.0"},
        {"a street of several lines",
         "VERSION:3.0\r\nN:A;B;;;\r\nADR:;;Weg 1\\nHof\\n2. OG;C;;;\r\n",
         "A|B||Weg 1 Hof 2. OG|C|||0.0.0"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        tVcfReadout in = readVCardText("BEGIN:VCARD\r\n" + c.lines + "END:VCARD\r\n");
        ASSERT_EQ(in.cards.size(), 1u);
        EXPECT_EQ(row(in.cards[0]), c.card);
        EXPECT_EQ(in.broken + in.nameless, 0);
    }
}

TEST(VCardRead, CardsWithoutNameOrEndAreCountedAndTheOthersRead)
{
    tVcfReadout in = readVCardText(
        "BEGIN:VCARD\r\nVERSION:3.0\r\nTEL:1\r\nEMAIL:x@example.com\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:;;;;\r\nFN: \r\nORG:;\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Ohne;Ende;;;\r\n" // the next BEGIN ends it unfinished
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Gut;Gerd;;;\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Offen;Olga;;;\r\n");
    std::vector<std::string> got;
    for (const tVcfCard &card : in.cards) got.push_back(row(card));
    // Cards without END keep what they have, and are counted.
    EXPECT_EQ(got, (std::vector<std::string>{"Ohne|Ende||||||0.0.0", "Gut|Gerd||||||0.0.0",
                                             "Offen|Olga||||||0.0.0"}));
    EXPECT_EQ(in.nameless, 2);
    EXPECT_EQ(in.broken, 2);
    EXPECT_EQ(in.cardsFound, 5);
    EXPECT_EQ(readVCardText("BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n").cardsFound, 0);
}

TEST(VCardText, LinesOfACardAsTheGrammarReadsThem)
{
    std::vector<tVcfRaw> cards;
    long n = scanVCards("vor der Karte\r\nBEGIN:VCARD\r\nVERSION:2.1\r\nkaputt\r\n"
                        "item1.TEL;WORK;VOICE;X-A=\"a;b:c\":1\r\n"
                        "NOTE;ENCODING=QUOTED-PRINTABLE;CHARSET=ISO-8859-1:a=E4=\r\nb\r\n"
                        "PHOTO;TYPE=JPEG;ENCODING=BASE64:QUJD\r\n"
                        "X-LANG:" +
                            std::string(kVcfMaxLine, 'x') + "\r\nEND:VCARD\r\n",
                        [&](const tVcfRaw &raw) { cards.push_back(raw); });
    EXPECT_EQ(n, 1);
    ASSERT_EQ(cards.size(), 1u);
    const tVcfRaw &c = cards[0];
    EXPECT_TRUE(c.complete);
    EXPECT_TRUE(c.v21());
    EXPECT_EQ(c.dropped, 2); // "kaputt" and the line too long
    ASSERT_EQ(c.lines.size(), 4u);
    const tVcfLine &tel = c.lines[1];
    EXPECT_EQ(tel.group, "item1");
    EXPECT_EQ(tel.name, "TEL");
    EXPECT_TRUE(tel.has("TYPE", "work") && tel.has("TYPE", "VOICE"));
    EXPECT_EQ(tel.param("X-A"), "a;b:c");
    EXPECT_EQ(tel.value, "1");
    EXPECT_EQ(c.lines[2].value, "a\xC3\xA4"
                                "b");
    EXPECT_TRUE(c.lines[3].binary);
    EXPECT_EQ(c.lines[3].value, "");
}

TEST(VCardIdStem, SurnamesTransliterated)
{
    const struct {
        const char *surname, *stem; // Windows-1252
    } cases[] = {
        {"M\xFCller", "MUELLER"},
        {"Gr\xF6\xDF", "GROESS"},
        {"\xC4rger", "AERGER"},
        {"Sch\xF6nhagen", "SCHOENHA"}, // cut at 8 after transliterating
        {"Gro\xDFmann", "GROSSMAN"},
        {"\xC9lise", "ELISE"},
        {"Gar\xE7on", "GARCON"},
        {"\xC5ngstr\xF6m", "ANGSTROE"},
        {"\xD8stergaard", "OSTERGAA"},
        {"\xC6r\xF8", "AERO"},
        {"\xDE\xF3r", "THOR"},
        {"\x8Auvre \x8C", "SUVREOE"},
        {"Dvo?\xE1k", "DVOAK"}, // a character Windows-1252 lacks came in as "?"
        {"O'Neil-Smith 3", "ONEILSMI"},
        {"12 Affen", "12AFFEN"},
        {"\x96 \xB0", "PERSON"},
        {"", "PERSON"},
    };
    for (const auto &c : cases) EXPECT_EQ(idStemOf(c.surname), c.stem) << c.surname;
}

TEST_F(VCardImport, NamelessCardsAreSkippedAndSaidSo)
{
    std::string text =
        "BEGIN:VCARD\r\nVERSION:3.0\r\nTEL:1\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:M\xC3\xBCller;Hans;;;\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Gro\xC3\x9F;Eva;;;\r\nkaputt\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Abgeschnitten;Anna;;;\r\nTEL:2\r\n";
    std::ofstream(file("c.vcf"), std::ios::binary) << text;
    tExchangeResult r = importVCard(file("c.vcf"));
    ASSERT_TRUE(r.ok()) << describeImport(r);
    EXPECT_EQ(r.done, 3);
    EXPECT_EQ(r.skipped, 1);
    // What was skipped or read in part is said, each by its reason.
    for (const char *said : {"1 vCard ohne Namen \xFC"
                             "bersprungen",
                             "1 unlesbare Zeile einer vCard \xFC"
                             "bersprungen",
                             "1 unvollst\xE4ndige vCard (ohne END) gelesen"})
        EXPECT_NE(r.notes.find(said), std::string::npos) << said << " in " << r.notes;
    tPerson p;
    EXPECT_TRUE(p.find("MUELLER"));
    EXPECT_TRUE(p.find("GROSS"));
    EXPECT_TRUE(p.find("ABGESCHN"));
    std::ofstream(file("none.vcf"), std::ios::binary) << "BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n";
    EXPECT_EQ(importVCard(file("none.vcf")).outcome, tExchangeResult::NotStarted);
}

TEST_F(VCardImport, TheWriterKeepsItsOutputByteForByte)
{
    const std::string identity = "0123456789abcdef0123456789abcdef";
    tPerson p;
    p.setId("mue");
    p.setName("M\xFCller; Sohn");
    p.setChrName("J\xFCrgen");
    p.setTel("+49 711 12");
    p.BIRTH = {3, 7, 1961};
    p.setStreet("Gro\xDF"
                "e Stra\xDF"
                "e 5, Hinterhaus\\Aufgang B, dritter Stock links, bei Familie \xD6zt\xFCrk \x80");
    p.setCity("K\xF6ln");
    p.setZip("50667");
    p.setCountry("Deutschland");
    tPerson q;
    q.setId("ohne");
    q.setName("Ohnejahr");
    q.BIRTH = {29, 2, 0};
    tPerson r;
    r.setId("x");
    r.setCity("Ulm");
    r.setStreet(std::string(80, '\xE4')); // folded between characters, never inside one
    auto ae = [](int n) {
        std::string s;
        while (n-- > 0) s += "\xC3\xA4";
        return s;
    };
    std::string got = vcardOf(p, identity) + vcardOf(q, identity) + vcardOf(r, identity);
    // The UIDs as ical_uid.h makes them; the rest as it always was.
    EXPECT_EQ(got, "BEGIN:VCARD\r\nVERSION:3.0\r\n"
                   "UID:" +
                       ownUid("mue", identity) +
                       "\r\n"
                       "N:M\xC3\xBCller\\; Sohn;J\xC3\xBCrgen;;;\r\n"
                       "FN:J\xC3\xBCrgen M\xC3\xBCller\\; Sohn\r\n"
                       "TEL;TYPE=VOICE:+49 711 12\r\n"
                       "ADR;TYPE=HOME:;;Gro\xC3\x9F"
                       "e Stra\xC3\x9F"
                       "e 5\\, Hinterhaus\\\\Aufgang B\\, dritter Stock li\r\n"
                       " nks\\, bei Familie \xC3\x96zt\xC3\xBCrk "
                       "\xE2\x82\xAC;K\xC3\xB6ln;;50667;Deutschland\r\n"
                       "BDAY:19610703\r\n"
                       "END:VCARD\r\n"
                       "BEGIN:VCARD\r\nVERSION:3.0\r\n"
                       "UID:" +
                       ownUid("ohne", identity) +
                       "\r\n"
                       "N:Ohnejahr;;;;\r\n"
                       "FN:Ohnejahr\r\n"
                       "BDAY:--0229\r\n"
                       "END:VCARD\r\n"
                       "BEGIN:VCARD\r\nVERSION:3.0\r\n"
                       "UID:" +
                       ownUid("x", identity) +
                       "\r\n"
                       "N:;;;;\r\n"
                       "FN:x\r\n"
                       "ADR;TYPE=HOME:;;" +
                       ae(29) + "\r\n " + ae(37) + "\r\n " + ae(14) +
                       ";Ulm;;;\r\n"
                       "END:VCARD\r\n");
}
