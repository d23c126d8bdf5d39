// dBASE files: the bytes written, numbers, the code page and accent escapes, records and field
// handles, and the peers dbfread (reads ours) and shapelib (writes what we read).
#include "exchange/codepage.h"
#include "exchange/dbf.h"
#include "tests/btree/files_support.h"
#include "tests/exchange/exchange_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <ctime>
#include <string>

using namespace velk;
using namespace velk::exchangetest;
using velk::apptest::Bytes;
using velk::apptest::readFileBytes;

namespace {

struct tPerson {
    const char *id, *chrName, *name, *tel;
    int day, month, year;
    const char *street, *city, *zip, *country;
};

// Windows-1252 text, as the system holds it.
const tPerson kPersons[] = {
    {"P1", "Anna", "M\xFCller", "0711 123", 3, 7, 1961, "Gro\xDFgasse 1", "Stuttgart", "70173",
     "Deutschland"},
    {"P2", "Bert", "Zeller", "", 24, 12, 2000, "", "", "", ""},
    {"P3", "Carla", "\xC7ubuk", "", 0, 0, 0, "", "K\xF6ln", "", ""},
};

// Writes the persons through the field handles, as the person export does.
bool writePersons(const std::string &path)
{
    tDBF file;
    if (!file.openNew(personLayout(), path)) return false;
    tCharField id("ID"), chrName("CHRNAME"), name("NAME"), tel("TEL"), street("STREET"),
        city("CITY"), zip("ZIP"), country("COUNTRY");
    tNumField day("BIRTHDAY"), month("BIRTHMONTH"), year("BIRTHYEAR");
    for (tFeld *f : std::initializer_list<tFeld *>{&id, &chrName, &name, &tel, &street, &city, &zip,
                                                   &country, &day, &month, &year})
        EXPECT_GE(f->bind(file), 0) << f->name();
    for (const tPerson &p : kPersons) {
        if (!file.append()) return false;
        id.set(p.id), chrName.set(p.chrName), name.set(p.name), tel.set(p.tel);
        street.set(p.street), city.set(p.city), zip.set(p.zip), country.set(p.country);
        day.set(p.day), month.set(p.month), year.set(p.year);
    }
    return file.close();
}

std::string bytesAt(const Bytes &b, size_t at, size_t n)
{
    return std::string(reinterpret_cast<const char *>(b.data()) + at, n);
}

unsigned word16(const Bytes &b, size_t at) { return b[at] | b[at + 1] << 8; }

class DbfTest : public ::testing::Test {
protected:
    std::string file(const std::string &name) const { return dir_.file(name); }
    velk::apptest::TempDir dir_;
};

} // namespace

TEST_F(DbfTest, PersonFileOfThreeRecordsHasTheDocumentedBytes)
{
    ASSERT_TRUE(writePersons(file("p.dbf")));
    Bytes b = readFileBytes(file("p.dbf"));
    const int header = 32 * 12 + 1, record = 287;
    ASSERT_EQ(personLayout().headerLength(), header);
    ASSERT_EQ(personLayout().recordLength(), record);
    ASSERT_EQ(b.size(), size_t(header + 3 * record + 1));

    std::time_t now = std::time(nullptr);
    std::tm today{};
    localtime_r(&now, &today);
    EXPECT_EQ(b[0], 0x03);
    EXPECT_EQ(b[1], today.tm_year);
    EXPECT_EQ(b[2], today.tm_mon + 1);
    EXPECT_EQ(b[3], today.tm_mday);
    EXPECT_EQ(bytesAt(b, 4, 4), std::string("\3\0\0\0", 4));
    EXPECT_EQ(word16(b, 8), 385u);
    EXPECT_EQ(word16(b, 10), 287u);
    // Zero but for the language driver at 29: code page 850 (this byte was 0 before).
    EXPECT_EQ(bytesAt(b, 12, 20), std::string(17, '\0') + "\x02" + std::string(2, '\0'));

    const struct {
        const char *name;
        char type;
        int length;
    } fields[] = {{"ID", 'C', 8},        {"CHRNAME", 'C', 25}, {"NAME", 'C', 25},
                  {"TEL", 'C', 30},      {"BIRTHDAY", 'N', 2}, {"BIRTHMONTH", 'N', 2},
                  {"BIRTHYEAR", 'N', 4}, {"STREET", 'C', 80},  {"CITY", 'C', 40},
                  {"ZIP", 'C', 30},      {"COUNTRY", 'C', 40}};
    for (int i = 0; i < 11; i++) {
        size_t d = 32 * (i + 1);
        std::string name = fields[i].name;
        EXPECT_EQ(bytesAt(b, d, 11), name + std::string(11 - name.size(), '\0')) << name;
        EXPECT_EQ(b[d + 11], fields[i].type) << name;
        EXPECT_EQ(bytesAt(b, d + 12, 4), std::string(4, '\0')) << name;
        EXPECT_EQ(b[d + 16], fields[i].length) << name;
        EXPECT_EQ(b[d + 17], 0) << name;
        EXPECT_EQ(word16(b, d + 18), 0u) << name;
        EXPECT_EQ(b[d + 20], 1) << name;
        EXPECT_EQ(bytesAt(b, d + 21, 11), std::string(11, '\0')) << name;
    }
    EXPECT_EQ(b[header - 1], 0x0D);
    EXPECT_EQ(b.back(), 0x1A) << "0x1A right after the third record";

    // The first record: flag, ID, CHRNAME, NAME (ü as 0x81), TEL, then the birth date as three
    // right-aligned numbers.
    size_t r = header;
    EXPECT_EQ(b[r], ' ');
    EXPECT_EQ(bytesAt(b, r + 1, 8), "P1      ");
    EXPECT_EQ(bytesAt(b, r + 34, 25), "M\x81ller" + std::string(19, ' '));
    EXPECT_EQ(bytesAt(b, r + 89, 8), " 3 71961");
    EXPECT_EQ(bytesAt(b, r + 97, 12), "Gro\xE1gasse 1 ");
    EXPECT_EQ(bytesAt(b, header + 2 * record + 1, 8), "P3      ");
}

TEST_F(DbfTest, CreateWritesTheEmptyFileAndReplacesAnOldOne)
{
    velk::apptest::writeFileBytes(file("e.dbf"), Bytes(5000, 'x'));
    ASSERT_EQ(personLayout().create(file("e.dbf")), 0);
    Bytes b = readFileBytes(file("e.dbf"));
    ASSERT_EQ(b.size(), 386u);
    EXPECT_EQ(bytesAt(b, 4, 4), std::string(4, '\0'));
    EXPECT_EQ(b[384], 0x0D);
    EXPECT_EQ(b[385], 0x1A);

    tDBF dbf;
    ASSERT_TRUE(dbf.open(file("e.dbf")));
    EXPECT_EQ(dbf.recordCount(), 0);
    EXPECT_TRUE(dbf.eof());
    EXPECT_EQ(dbf.fieldCount(), 11);
    EXPECT_EQ(dbf.getText(0), "");
    EXPECT_EQ(dbf.lastError(), kDbfNoValue);
}

TEST_F(DbfTest, FieldNamesAreCutAndUpperCasedAndBadFieldsRefused)
{
    tCreateDBF layout;
    EXPECT_TRUE(layout.addField("verylongfieldname", 'c', 5));
    EXPECT_EQ(layout.fields()[0].name, "VERYLONGFI");
    EXPECT_EQ(layout.fields()[0].type, 'C');
    EXPECT_FALSE(layout.addField("", 'C', 5));
    EXPECT_FALSE(layout.addField("ZERO", 'C', 0));
    EXPECT_FALSE(layout.addField("WIDE", 'C', 255));
    EXPECT_EQ(tCreateDBF().create(file("none.dbf")), kDbfBadHeader);
    EXPECT_FALSE(velk::apptest::fileExists(file("none.dbf")));
    for (int i = 1; i < tCreateDBF::kMaxFields; i++) ASSERT_TRUE(layout.addField("F", 'C', 1));
    EXPECT_FALSE(layout.addField("ONEMORE", 'C', 1)) << "at most 256 fields";
}

// Numbers right-aligned, "-" before the first digit, "*" filling a field they do not fit.
TEST_F(DbfTest, NumbersAreRightAlignedOrStars)
{
    tCreateDBF layout;
    layout.addField("N2", 'N', 2);
    layout.addField("N4", 'N', 4);
    layout.addField("TEXT", 'C', 4);
    tDBF dbf;
    ASSERT_TRUE(dbf.openNew(layout, file("n.dbf")));
    const struct {
        int field;
        long value;
        const char *stored;
        long readBack;
    } cases[] = {
        {0, 3, " 3", 3},         {0, 0, " 0", 0},          {0, -5, "-5", -5},
        {0, 99, "99", 99},       {0, 100, "**", 0},        {0, -10, "**", 0},
        {1, 1961, "1961", 1961}, {1, 98, "  98", 98},      {1, -999, "-999", -999},
        {1, 12345, "****", 0},   {1, LONG_MIN, "****", 0},
    };
    for (const auto &c : cases) {
        ASSERT_TRUE(dbf.append());
        dbf.setNumber(c.field, c.value);
        EXPECT_EQ(dbf.getText(c.field), c.stored) << c.value;
        EXPECT_EQ(dbf.getNumber(c.field), c.readBack) << c.value;
    }
    dbf.clearError();
    dbf.setText(2, "12");
    dbf.setNumber(2, 7);
    EXPECT_EQ(dbf.lastError(), kDbfNotNumeric);
    EXPECT_EQ(dbf.getText(2), "12") << "a number is not set on a text field";
    EXPECT_EQ(dbf.getNumber(2), 0) << "a text field gives no number";
    dbf.setText(1, " -7");
    EXPECT_EQ(dbf.getNumber(1), -7) << "leading blanks and a sign";
    ASSERT_TRUE(dbf.close());
}

TEST(CodePage, ConvertsExactlyTheListedCharactersBothWays)
{
    ASSERT_TRUE(codePagesAvailable()) << "iconv knows CP1252 and CP850";
    // Pairs from the published tables of the two code pages.
    const unsigned char pairs[][2] = {
        {0xFC, 0x81}, {0xE9, 0x82}, {0xC7, 0x80}, {0xDF, 0xE1}, {0xA3, 0x9C}, {0xDD, 0xED},
        {0xFF, 0x98}, {0xC4, 0x8E}, {0xBF, 0xA8}, {0xA2, 0xBD}, {0xA5, 0xBE}, {0xE3, 0xC6},
        {0xC3, 0xC7}, {0xF0, 0xD0}, {0xD0, 0xD1}, {0xC6, 0x92}, {0xF8, 0x9B}, {0xD8, 0x9D}};
    for (const auto &p : pairs) {
        EXPECT_EQ(toCp850(std::string(1, (char)p[0])), std::string(1, (char)p[1])) << +p[0];
        EXPECT_EQ(toCp1252(std::string(1, (char)p[1])), std::string(1, (char)p[0])) << +p[1];
    }
    int converted = 0;
    for (int b = 0; b < 256; b++) {
        std::string one(1, (char)b);
        if (b < 128) {
            EXPECT_EQ(toCp850(one), one);
            EXPECT_EQ(toCp1252(one), one);
        }
        if (toCp850(one) != one) {
            converted++;
            EXPECT_EQ(toCp1252(toCp850(one)), one) << b;
        }
    }
    EXPECT_EQ(converted, 64) << "the 64 characters of the list, no more";
    EXPECT_EQ(toCp850("\xB5"), "\xB5") << "µ is not in the list";
    EXPECT_EQ(toCp1252("\xE6"), "\xE6") << "nor is its code page 850 byte";
}

TEST(CodePage, AccentEscapes)
{
    const std::string acute = "\xB4", degree = "\xB0"; // the signs in code page 1252
    const struct {
        std::string typed; // code page 1252
        std::string stored;
    } cases[] = {
        {"Caf\\" + acute + "e", "Caf\x82"},
        {"a\\\\b", "a\\b"},
        {"\\\\\\\\", "\\\\"},
        {"\\\"a\\\"U\\\"y", "\x84\x9A\x98"},
        {"Stra\\\"sl", "Stra\xE1l"},
        {"\\,C\\,c", "\x80\x87"},
        {"\\`A\\`u", "\xB7\x97"},
        {"\\^E\\^o", "\xD2\x93"},
        {"\\^A", "^A"},
        {"\\~n\\~O", "\xA4\xE5"},
        {"\\" + degree + "a\\" + degree + "A", "\x86\x8F"},
        {"\\/o\\-D", "\x9B\xD1"},
        {"\\ae\\AE\\L\\?\\|c\\=Y", "\x91\x92\x9C\xA8\xBD\xBE"},
        {"\\q", "q"},
        {"ende\\", "ende"},
        {"\xFC\\\"u", "\x81\x81"},
    };
    for (const auto &c : cases) EXPECT_EQ(toExchangeText(c.typed), c.stored) << c.typed;
    EXPECT_EQ(applyAccentEscapes("\\\xEF" + std::string("e")), "\x82")
        << "the code page 850 acute sign";
}

TEST_F(DbfTest, TextFieldsConvertOnTheWayInAndOut)
{
    tCreateDBF layout;
    layout.addField("TITLE", 'C', 6);
    tDBF dbf;
    ASSERT_TRUE(dbf.openNew(layout, file("t.dbf")));
    tCharField title("TITLE");
    ASSERT_EQ(title.bind(dbf), 0);
    ASSERT_TRUE(dbf.append());
    title.set("\\\xB4" + std::string("e\\\\x\xFCzu lang"));
    EXPECT_EQ(dbf.getText(0), "\x82\\x\x81zu") << "escaped, converted, cut at 6";
    EXPECT_EQ(title.get(), "\xE9\\x\xFCzu") << "reads back in code page 1252, no escapes";
    ASSERT_TRUE(dbf.close());
}

TEST_F(DbfTest, RecordsFieldsAndHandles)
{
    ASSERT_TRUE(writePersons(file("p.dbf")));
    // Record 1 deleted, as another program marks it.
    velk::apptest::setFileByte(file("p.dbf"), 385 + 287, '*');
    tDBF dbf;
    ASSERT_TRUE(dbf.open(file("p.dbf")));
    EXPECT_EQ(dbf.recordCount(), 3);
    EXPECT_EQ(dbf.recordNumber(), 0);
    EXPECT_FALSE(dbf.isDeleted());
    ASSERT_TRUE(dbf.goTo(1));
    EXPECT_TRUE(dbf.isDeleted());
    ASSERT_TRUE(dbf.goTo(2));
    EXPECT_FALSE(dbf.isDeleted());

    EXPECT_FALSE(dbf.goTo(3)) << "record n = count is past the end";
    EXPECT_EQ(dbf.lastError(), kDbfNoSuchRecord);
    EXPECT_EQ(dbf.recordNumber(), 2) << "the current record stays";
    EXPECT_FALSE(dbf.goTo(-1));

    // Error 6 only while no other error is stored.
    dbf.clearError();
    EXPECT_EQ(dbf.findField("BIRTHDAY"), 4);
    EXPECT_EQ(dbf.findField("birthday"), -1) << "names compare exactly";
    EXPECT_EQ(dbf.lastError(), kDbfNoSuchField);
    dbf.goTo(9);
    dbf.findField("NOPE");
    EXPECT_EQ(dbf.lastError(), kDbfNoSuchRecord);

    // A handle on an absent field reads as nothing and ignores writes.
    tCharField fax("FAX");
    tNumField missing("MISSING");
    EXPECT_EQ(fax.bind(dbf), -1);
    EXPECT_EQ(missing.bind(dbf), -1);
    dbf.clearError();
    EXPECT_EQ(fax.get(), "");
    EXPECT_EQ(dbf.lastError(), kDbfNoValue);
    fax.set("x");
    EXPECT_EQ(missing.get(), 0);
    missing.set(5);
    EXPECT_EQ(dbf.lastError(), kDbfNotNumeric);

    // A changed record is written back when another one is selected.
    tCharField city("CITY");
    city.bind(dbf);
    ASSERT_TRUE(dbf.goTo(2));
    city.set("Bonn");
    ASSERT_TRUE(dbf.goTo(0));
    EXPECT_EQ(city.get(), "Stuttgart");
    ASSERT_TRUE(dbf.goTo(2));
    EXPECT_EQ(city.get(), "Bonn");
    EXPECT_EQ(dbf.getText(dbf.findField("CHRNAME")), "Carla");
    EXPECT_TRUE(dbf.close());
    EXPECT_EQ(velk::apptest::fileSize(file("p.dbf")), 385 + 3 * 287 + 1);
}

TEST_F(DbfTest, DbfreadReadsOurPersonFile)
{
    ASSERT_TRUE(writePersons(file("p.dbf")));
    velk::apptest::setFileByte(file("p.dbf"), 385 + 287, '*');
    // Told the code page, and left to find it in the header.
    for (const char *encoding : {"cp850", ""}) {
        SCOPED_TRACE(encoding);
        EXPECT_EQ(dbfreadDump(file("p.dbf"), encoding),
                  "fields ID:C:8 CHRNAME:C:25 NAME:C:25 TEL:C:30 BIRTHDAY:N:2 BIRTHMONTH:N:2 "
                  "BIRTHYEAR:N:4 STREET:C:80 CITY:C:40 ZIP:C:30 COUNTRY:C:40\n"
                  "records 2 deleted 1\n"
                  "ID=P1|CHRNAME=Anna|NAME=Müller|TEL=0711 123|BIRTHDAY=3|BIRTHMONTH=7|"
                  "BIRTHYEAR=1961|STREET=Großgasse 1|CITY=Stuttgart|ZIP=70173|COUNTRY=Deutschland\n"
                  "ID=P3|CHRNAME=Carla|NAME=Çubuk|TEL=|BIRTHDAY=0|BIRTHMONTH=0|BIRTHYEAR=0|STREET=|"
                  "CITY=Köln|ZIP=|COUNTRY=\n");
    }
    // shapelib reads it too: the fields and the stored code page 850 bytes.
    std::string dump = systemProgram("dbfdump"), out;
    ASSERT_FALSE(dump.empty()) << "shapelib (scripts/install-deps)";
    ASSERT_EQ(runProgram({dump, file("p.dbf")}, &out), 0);
    EXPECT_NE(out.find("M\x81ller"), std::string::npos) << out;
    EXPECT_NE(out.find("Stuttgart"), std::string::npos) << out;
}

TEST_F(DbfTest, ReadsWhatShapelibWrites)
{
    std::string create = systemProgram("dbfcreate"), add = systemProgram("dbfadd");
    ASSERT_FALSE(create.empty() || add.empty()) << "shapelib (scripts/install-deps)";
    std::string path = file("shp.dbf");
    ASSERT_EQ(runProgram({create, path, "-s", "NAME", "20", "-n", "COUNT", "6", "0", "-n", "PRICE",
                          "8", "2"},
                         nullptr),
              0);
    // shapelib marks its files Windows ANSI (language driver 0x57): the text is Windows-1252.
    ASSERT_EQ(runProgram({add, path, "M\xFCller", "42", "3.5"}, nullptr), 0);
    ASSERT_EQ(runProgram({add, path, "Zeller", "-7", "1250"}, nullptr), 0);

    tDBF dbf;
    ASSERT_TRUE(dbf.open(path));
    ASSERT_EQ(dbf.fieldCount(), 3);
    const char *names[] = {"NAME", "COUNT", "PRICE"};
    const char types[] = {'C', 'N', 'N'};
    const int lengths[] = {20, 6, 8}, decimals[] = {0, 0, 2};
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(dbf.field(i).name, names[i]);
        EXPECT_EQ(dbf.field(i).type, types[i]);
        EXPECT_EQ(dbf.field(i).length, lengths[i]);
        EXPECT_EQ(dbf.field(i).decimals, decimals[i]);
    }
    ASSERT_EQ(dbf.recordCount(), 2);
    tCharField name("NAME");
    tNumField count("COUNT");
    name.bind(dbf), count.bind(dbf);
    EXPECT_EQ(name.get(), "M\xFCller");
    EXPECT_EQ(count.get(), 42);
    EXPECT_EQ(dbf.getText(2), "    3.50");
    EXPECT_EQ(dbf.getNumber(2), 3) << "the integer part";
    ASSERT_TRUE(dbf.goTo(1));
    EXPECT_EQ(name.get(), "Zeller");
    EXPECT_EQ(count.get(), -7);
    EXPECT_EQ(dbf.getNumber(2), 1250);
    EXPECT_FALSE(dbf.isDeleted());
}
