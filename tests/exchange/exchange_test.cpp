// The imports and exports over the stores: persons and appointments through dBASE files (read by
// dbfread, written by shapelib), Portfolio diary files and the person text file; round trips into
// a second, empty database; what a failure, a cancel and a damaged file leave behind.
#include "exchange/batch_hold.h"
#include "exchange/exchange.h"
#include "exchange/file_access.h"
#include "exchange/fullexport.h"
#include "exchange/person_exchange.h"
#include "exchange/termin_exchange.h"
#include "tests/btree/process_support.h"
#include "tests/calendar/calendar_support.h"
#include "tests/exchange/exchange_support.h"
#include "model/blob.h"

#include <csignal>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <tuple>

using namespace velk;
using namespace velk::caltest;
using namespace velk::exchangetest;
using velk::apptest::Bytes;
using velk::apptest::fileExists;
using velk::apptest::readFileBytes;

namespace {

// What a round trip keeps of an appointment.
using tRow = std::tuple<int, int, int, int, int, int, int, int, int, int, std::string, std::string,
                        std::string>;

tRow row(const tTermin &t)
{
    return {t.from.year, t.from.month, t.from.day, t.from.hour, t.from.minute,
            t.till.year, t.till.month, t.till.day, t.till.hour, t.till.minute,
            t.TITLE,     t.RESOURCE,   t.WITH};
}

std::vector<tRow> rows(const std::vector<tTermin> &list)
{
    std::vector<tRow> out;
    for (const tTermin &t : list) out.push_back(row(t));
    std::sort(out.begin(), out.end());
    return out;
}

using tPersonRow = std::tuple<std::string, std::string, std::string, std::string, int, int, int,
                              std::string, std::string, std::string, std::string>;

std::vector<tPersonRow> personRows()
{
    std::vector<tPersonRow> out;
    for (const tPerson &p : allPersons(PersonById))
        out.push_back({p.ID, p.CHRNAME, p.NAME, p.TEL, p.BIRTH.day, p.BIRTH.month, p.BIRTH.year,
                       p.STREET, p.CITY, p.ZIP, p.COUNTRY});
    return out;
}

std::string fileText(const std::string &path)
{
    Bytes b = readFileBytes(path);
    return std::string(b.begin(), b.end());
}

class ExchangeTest : public CalendarTest {
protected:
    // Closes this database and opens (creating) a second one in a directory of its own.
    void switchToSecondDatabase()
    {
        closeDatabase();
        ASSERT_TRUE(openDatabase((second_.path() + "/datadict").c_str()));
    }

    void addPersons()
    {
        tPerson p;
        p.setId("mue");
        p.setChrName("J\xFCrgen");
        p.setName("M\xFCller-\xC7"
                  "elik");
        p.setTel("0711 / 12 34");
        p.BIRTH = {3, 7, 1961};
        p.setStreet("Gro\xDF"
                    "e Stra\xDF"
                    "e 5");
        p.setCity("K\xF6ln");
        p.setZip("50667");
        p.setCountry("Deutschland");
        ASSERT_EQ(p.insert(), tStoreStatus::Stored);
        tPerson q;
        q.setId("ohne");
        q.setName("Ohnejahr");
        q.BIRTH = {24, 12, 0};
        ASSERT_EQ(q.insert(), tStoreStatus::Stored);
    }

    // Three visible appointments of carl and dora, a private one of anna, and one with a
    // resource and participants.
    void addAppointments()
    {
        add("carl", termin("Besprechung", at(5, 3, 2026, 9, 30), at(5, 3, 2026, 11, 0)));
        add("carl", termin("Heiligabend", at(24, 12, 2026), at(24, 12, 2026)));
        tTermin t = termin("\xDC"
                           "bergabe \xE4\xF6\xFC\xDF",
                           at(1, 2, 2027, 8, 5), at(3, 2, 2027, 17, 45), "", "Gteam");
        t.setResource("R1");
        add("dora", t);
        add("anna", termin("Arzt", at(6, 3, 2026, 10, 0), at(6, 3, 2026, 11, 0), "Panna"));
        setCurrentUser("carl");
    }

    velk::apptest::TempDir second_;
};

} // namespace

// ---- persons ----

TEST_F(ExchangeTest, PersonsRoundTripThroughDbaseIntoAnEmptyDatabase)
{
    addPersons();
    std::vector<tPersonRow> before = personRows();
    std::string path = file("p.dbf");
    tExchangeResult out = exportPersonsDbf(path);
    ASSERT_TRUE(out.ok()) << out.message;
    EXPECT_EQ(out.done, 6);

    // The file as dbfread sees it, text in code page 850.
    std::string dump = dbfreadDump(path, "cp850");
    EXPECT_NE(dump.find("records 6 deleted 0\n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("ID=mue|CHRNAME=Jürgen|NAME=Müller-Çelik|TEL=0711 / 12 34|BIRTHDAY=3|"
                        "BIRTHMONTH=7|BIRTHYEAR=1961|STREET=Große Straße 5|CITY=Köln|ZIP=50667|"
                        "COUNTRY=Deutschland\n"),
              std::string::npos)
        << dump;
    Bytes b = readFileBytes(path);
    ASSERT_EQ(b.size(), size_t(385 + 6 * 287 + 1));
    EXPECT_EQ(b.back(), 0x1A);

    switchToSecondDatabase();
    ASSERT_TRUE(personRows().empty());
    tExchangeResult in = importPersonsDbf(path);
    ASSERT_TRUE(in.ok()) << in.message << in.detail;
    EXPECT_EQ(in.done, 6);
    EXPECT_EQ(personRows(), before);

    // Again: every ID is taken now, nothing is stored twice.
    tExchangeResult again = importPersonsDbf(path);
    EXPECT_TRUE(again.ok());
    EXPECT_EQ(again.done, 0);
    EXPECT_EQ(again.skipped, 6);
    EXPECT_EQ(personRows(), before);
}

TEST_F(ExchangeTest, PersonImportSkipsDeletedRecordsAndReadsFilesOfOtherLayouts)
{
    // Three persons written, the second then marked deleted as another program does.
    tPersonDBF f;
    ASSERT_TRUE(f.createFile(file("del.dbf")));
    for (const char *id : {"x1", "x2", "x3"}) {
        ASSERT_TRUE(f.append());
        tPerson p;
        p.setId(id);
        p.setName(id);
        f.put(p);
    }
    ASSERT_TRUE(f.close());
    velk::apptest::setFileByte(file("del.dbf"), 385 + 287, '*');
    tExchangeResult r = importPersonsDbf(file("del.dbf"));
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.done, 2);
    EXPECT_EQ(r.skipped, 1);
    tPerson p;
    EXPECT_TRUE(p.find("x1"));
    EXPECT_FALSE(p.find("x2")) << "a deleted record comes back as a person";
    EXPECT_TRUE(p.find("x3"));

    // Records with a blank or empty ID are skipped and counted, not stored without a name.
    tCreateDBF blankLayout = tPersonDBF::layout();
    tDBF blanks;
    ASSERT_TRUE(blanks.openNew(blankLayout, file("blank.dbf")));
    for (const char *id : {"b1", "", "        ", "b4"}) {
        ASSERT_TRUE(blanks.append());
        blanks.setText(0, id);
        blanks.setText(2, std::string("Name ") + id);
    }
    ASSERT_TRUE(blanks.close());
    size_t before = allPersons().size();
    r = importPersonsDbf(file("blank.dbf"));
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.done, 2);
    EXPECT_EQ(r.skipped, 2);
    EXPECT_EQ(allPersons().size(), before + 2);
    EXPECT_FALSE(p.find(""));

    // Without ZIP and COUNTRY, with a field of its own: the others read, ZIP empty.
    tCreateDBF layout;
    layout.addField("ID", 'C', 8);
    layout.addField("NAME", 'C', 25);
    layout.addField("NOTE", 'C', 10);
    layout.addField("BIRTHYEAR", 'N', 4);
    tDBF other;
    ASSERT_TRUE(other.openNew(layout, file("nozip.dbf")));
    ASSERT_TRUE(other.append());
    other.setText(0, "nz");
    other.setText(1, "Zipless");
    other.setText(2, "whatever");
    other.setNumber(3, 1970);
    ASSERT_TRUE(other.append()); // a birthday no calendar has: read as none
    other.setText(0, "inv");
    other.setNumber(3, 12345);
    ASSERT_TRUE(other.close());
    ASSERT_TRUE(importPersonsDbf(file("nozip.dbf")).ok());
    ASSERT_TRUE(p.find("nz"));
    EXPECT_STREQ(p.NAME, "Zipless");
    EXPECT_STREQ(p.ZIP, "");
    EXPECT_EQ(p.BIRTH, (tDate{0, 0, 1970}));
    ASSERT_TRUE(p.find("inv"));
    EXPECT_EQ(p.BIRTH, tDate{});

    // A file without ID is no person file: nothing stored.
    tDBF noId;
    tCreateDBF l2;
    l2.addField("NAME", 'C', 10);
    ASSERT_TRUE(noId.openNew(l2, file("noid.dbf")));
    ASSERT_TRUE(noId.append());
    noId.setText(0, "Niemand");
    ASSERT_TRUE(noId.close());
    size_t count = allPersons().size();
    tExchangeResult bad = importPersonsDbf(file("noid.dbf"));
    EXPECT_EQ(bad.outcome, tExchangeResult::NotStarted);
    EXPECT_EQ(bad.message, "Fehler beim Lesen");
    EXPECT_EQ(allPersons().size(), count);
}

TEST_F(ExchangeTest, TheLanguageDriverByteChoosesTheCodePage)
{
    // 0x9B is "ø" in code page 850 and "¢" in 437; 0xFC "ü" in Windows-1252.
    const struct {
        unsigned char driver;
        const char *stored, *expected;
    } cases[] = {
        {0x03, "M\xFCller", "M\xFCller"}, {0x57, "M\xFCller", "M\xFCller"},
        {0x01, "\x81\x9B", "\xFC\xA2"},   {0x02, "\x81\x9B", "\xFC\xF8"},
        {0x00, "\x81\x9B", "\xFC\xF8"},
    };
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(int(c.driver));
        std::string id = "cp" + std::to_string(n++), path = file(id + ".dbf");
        tCreateDBF layout;
        layout.addField("ID", 'C', 8);
        layout.addField("NAME", 'C', 25);
        tDBF out;
        ASSERT_TRUE(out.openNew(layout, path));
        ASSERT_TRUE(out.append());
        out.setText(0, id);
        out.setText(1, c.stored);
        ASSERT_TRUE(out.close());
        velk::apptest::setFileByte(path, 29, c.driver);
        ASSERT_TRUE(importPersonsDbf(path).ok());
        tPerson p;
        ASSERT_TRUE(p.find(id));
        EXPECT_STREQ(p.NAME, c.expected);
    }
}

TEST_F(ExchangeTest, FilesWrittenByShapelibAreImported)
{
    std::string create = systemProgram("dbfcreate"), add = systemProgram("dbfadd");
    ASSERT_FALSE(create.empty() || add.empty()) << "shapelib (scripts/install-deps)";
    std::string path = file("shp.dbf");
    ASSERT_EQ(runProgram({create,       path,   "-s", "ID", "8",         "-s", "NAME", "25",
                          "-s",         "CITY", "40", "-n", "BIRTHDAY",  "2",  "0",    "-n",
                          "BIRTHMONTH", "2",    "0",  "-n", "BIRTHYEAR", "4",  "0"},
                         nullptr),
              0);
    // shapelib marks its files Windows ANSI (language driver 0x57): the text is Windows-1252.
    ASSERT_EQ(runProgram({add, path, "s1", "M\xFCller", "K\xF6ln", "3", "7", "1961"}, nullptr), 0);
    ASSERT_EQ(runProgram({add, path, "s2", "Zeller", "", "0", "0", "0"}, nullptr), 0);
    tExchangeResult r = importPersonsDbf(path);
    ASSERT_TRUE(r.ok()) << r.message << r.detail;
    EXPECT_EQ(r.done, 2);
    tPerson p;
    ASSERT_TRUE(p.find("s1"));
    EXPECT_STREQ(p.NAME, "M\xFCller");
    EXPECT_STREQ(p.CITY, "K\xF6ln");
    EXPECT_EQ(p.BIRTH, (tDate{3, 7, 1961}));
    ASSERT_TRUE(p.find("s2"));
    EXPECT_EQ(p.BIRTH, tDate{});

    // Appointments with the start fields and a title only: the end is the start's day.
    std::string termine = file("shp_t.dbf");
    ASSERT_EQ(runProgram({create,      termine,    "-n",    "FROMDAY", "2",        "0",       "-n",
                          "FROMMONTH", "2",        "0",     "-n",      "FROMYEAR", "4",       "0",
                          "-n",        "FROMHOUR", "2",     "0",       "-n",       "FROMMIN", "2",
                          "0",         "-s",       "TITLE", "40"},
                         nullptr),
              0);
    ASSERT_EQ(
        runProgram({add, termine, "5", "3", "2026", "9", "30", "Besprechung M\xFCller"}, nullptr),
        0);
    ASSERT_EQ(runProgram({add, termine, "24", "12", "2026", "0", "0", "Heiligabend"}, nullptr), 0);
    r = importTermineDbf(termine);
    ASSERT_TRUE(r.ok()) << r.message << r.detail;
    EXPECT_EQ(r.done, 2);
    EXPECT_EQ(
        rows(visibleAppointments()),
        (std::vector<tRow>{{2026, 3, 5, 9, 30, 2026, 3, 5, 0, 0, "Besprechung M\xFCller", "", ""},
                           {2026, 12, 24, 0, 0, 2026, 12, 24, 0, 0, "Heiligabend", "", ""}}));
}

TEST_F(ExchangeTest, PersonTextFile)
{
    addPersons();
    tExchangeResult r = exportPersonsText(file("p.txt"));
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(r.done, 6);
    std::string text = fileText(file("p.txt"));
    std::string header;
    for (const tFieldDef &f : fieldRows("PERSON")) header += std::string(f.field) + ";";
    EXPECT_EQ(fieldRows("PERSON").size(), 19u);
    ASSERT_EQ(text.substr(0, header.size() + 2), header + "\r\n");
    // The person "mue": stored texts, the date as stored, in quotes.
    size_t at = text.find("\"mue\";");
    ASSERT_NE(at, std::string::npos) << text;
    std::string line = text.substr(at, text.find("\r\n", at) - at);
    EXPECT_NE(line.find("\"M\xFCller-\xC7"
                        "elik\";\"J\xFCrgen\";\"0711 / 12 34\";\"19610703\";"),
              std::string::npos)
        << line;
    EXPECT_EQ(std::count(line.begin(), line.end(), ';'), 19);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 7);
}

// ---- appointments ----

TEST_F(ExchangeTest, AppointmentsRoundTripWithoutTheCounterRowAndOthersPrivateOnes)
{
    addAppointments();
    std::vector<tTermin> visible = visibleAppointments();
    ASSERT_EQ(visible.size(), 3u) << "carl sees neither the counter row nor anna's private one";

    std::string path = file("t.dbf");
    tExchangeResult out = exportTermineDbf(path);
    ASSERT_TRUE(out.ok()) << out.message;
    EXPECT_EQ(out.done, 3);

    tTerminDBF f;
    ASSERT_TRUE(f.openFile(path));
    EXPECT_EQ(f.recordCount(), 3);
    EXPECT_EQ(f.headerLength(), 32 * 18 + 1);
    EXPECT_EQ(f.recordLength(), 1 + 2 + 2 + 4 + 2 + 2 + 2 + 2 + 4 + 2 + 2 + 40 + 1 + 8 + 9 + 27);
    for (long n = 0; n < f.recordCount(); n++) {
        ASSERT_TRUE(f.goTo(n));
        EXPECT_NE(f.FROMYEAR.get(), 0) << "a row without a date: the counter record";
        EXPECT_EQ(f.OWNER.get(), "");
        EXPECT_EQ(f.READ.get(), "");
    }
    f.close();
    std::string dump = dbfreadDump(path, "cp850");
    EXPECT_NE(dump.find("FROMDAY=1|FROMMONTH=2|FROMYEAR=2027|FROMHOUR=8|FROMMIN=5|TILLDAY=3|"
                        "TILLMONTH=2|TILLYEAR=2027|TILLHOUR=17|TILLMIN=45|TITLE=Übergabe äöüß|"
                        "TYPE=|RESOURCE=R1|WITH=Gteam|OWNER=|READ=|WRITE=\n"),
              std::string::npos)
        << dump;
    EXPECT_EQ(dump.find("Arzt"), std::string::npos);

    switchToSecondDatabase();
    setCurrentUser("bert");
    tExchangeResult in = importTermineDbf(path);
    ASSERT_TRUE(in.ok()) << in.message << in.detail;
    EXPECT_EQ(in.done, 3);
    std::vector<tTermin> imported = visibleAppointments();
    EXPECT_EQ(rows(imported), rows(visible));
    for (const tTermin &t : imported) EXPECT_STREQ(t.OWNER, "bert");
    // A second import is refused row by row by the store (same start, title, resource, owner).
    tExchangeResult again = importTermineDbf(path);
    EXPECT_EQ(again.done, 0);
    EXPECT_EQ(again.skipped, 3);
}

TEST_F(ExchangeTest, AppointmentImportOfForeignRecords)
{
    // Nothing to export: no file at all, and the result says so.
    tExchangeResult none = exportTermineDbf(file("none.dbf"));
    EXPECT_TRUE(none.ok());
    EXPECT_FALSE(none.fileWritten);
    EXPECT_FALSE(fileExists(file("none.dbf")));
    EXPECT_EQ(describeExport(none), "Keine Termine vorhanden, keine Datei angelegt");

    // FROMYEAR "  98" is the year 98; a row without a date (as an older export wrote the
    // counter) and a deleted row are skipped; no end date means the start date.
    tTerminDBF f;
    ASSERT_TRUE(f.createFile(file("in.dbf")));
    ASSERT_TRUE(f.append());
    f.FROMDAY.set(2), f.FROMMONTH.set(1), f.FROMYEAR.set(98), f.FROMHOUR.set(7);
    f.TITLE.set("Alt");
    ASSERT_TRUE(f.append());
    f.TITLE.set("Z\xE4hler");
    f.RESOURCE.set("0000002A");
    ASSERT_TRUE(f.append());
    f.FROMDAY.set(9), f.FROMMONTH.set(9), f.FROMYEAR.set(2026), f.TITLE.set("Weg");
    ASSERT_TRUE(f.append());
    f.FROMDAY.set(10), f.FROMMONTH.set(9), f.FROMYEAR.set(2026), f.FROMHOUR.set(25);
    ASSERT_TRUE(f.close());
    // A wider year field of another program: 12345 does not fit "%04d".
    tCreateDBF wide;
    wide.addField("FROMDAY", 'N', 2);
    wide.addField("FROMMONTH", 'N', 2);
    wide.addField("FROMYEAR", 'N', 6);
    tDBF w;
    ASSERT_TRUE(w.openNew(wide, file("wide.dbf")));
    ASSERT_TRUE(w.append());
    w.setNumber(0, 1), w.setNumber(1, 1), w.setNumber(2, 12345);
    ASSERT_TRUE(w.close());
    tExchangeResult wr = importTermineDbf(file("wide.dbf"));
    EXPECT_EQ(wr.done, 0);
    EXPECT_EQ(wr.skipped, 1);
    Bytes b = readFileBytes(file("in.dbf"));
    EXPECT_EQ(std::string(b.begin() + 32 * 18 + 1 + 5, b.begin() + 32 * 18 + 1 + 9), "  98");
    velk::apptest::setFileByte(file("in.dbf"),
                               32 * 18 + 1 + 2 * tTerminDBF::layout().recordLength(), '*');

    tExchangeResult r = importTermineDbf(file("in.dbf"));
    ASSERT_TRUE(r.ok()) << r.message << r.detail;
    EXPECT_EQ(r.done, 1);
    EXPECT_EQ(r.skipped, 3);
    std::vector<tTermin> list = visibleAppointments();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].from, at(2, 1, 98, 7, 0));
    EXPECT_EQ(static_cast<tDate>(list[0].till), (tDate{2, 1, 98}));
    EXPECT_STREQ(list[0].TITLE, "Alt");
}

TEST_F(ExchangeTest, PortfolioRoundTripAndLines)
{
    addAppointments();
    std::string path = file("t.dry");
    tExchangeResult out = exportPortfolio(path);
    ASSERT_TRUE(out.ok());
    EXPECT_EQ(out.done, 3);
    std::string text = fileText(path);
    EXPECT_NE(text.find("   05/03/26\r\n    09:30 - 11:00 Besprechung\r\n"), std::string::npos);
    EXPECT_NE(text.find("   24/12/26 Heiligabend\r\n"), std::string::npos);
    EXPECT_NE(text.find("    08:05 - 17:45 \xDC"
                        "bergabe \xE4\xF6\xFC\xDF\r\n"),
              std::string::npos)
        << "umlauts as the system holds them";
    EXPECT_EQ(text.find("Arzt"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 5) << "no line for the counter row";

    switchToSecondDatabase();
    setCurrentUser("bert");
    tExchangeResult in = importPortfolio(path, {}, 2026);
    ASSERT_TRUE(in.ok()) << in.message << in.detail;
    EXPECT_EQ(in.done, 3);
    std::vector<std::string> got;
    for (const tTermin &t : visibleAppointments()) got.push_back(t.TITLE);
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, (std::vector<std::string>{"Besprechung", "Heiligabend",
                                             "\xDC"
                                             "bergabe \xE4\xF6\xFC\xDF"}));
}

TEST_F(ExchangeTest, PortfolioImportEdgeCases)
{
    struct tCase {
        const char *content;
        tExchangeResult::Outcome outcome;
        long stored;
        std::vector<tRow> rows; // of the appointments stored
    };
    const tCase cases[] = {
        {"   01/02/05\r\n    9:5 Fr\xFCh\r\n    10:00 - 11:30 Zwei\r\n",
         tExchangeResult::Done,
         2,
         {{2105, 2, 1, 9, 5, 2105, 2, 1, 0, 0, "Fr\xFCh", "", ""},
          {2105, 2, 1, 10, 0, 2105, 2, 1, 11, 30, "Zwei", "", ""}}},
        {"   01/02/06 Ganztags\n    12:00 Mittag\n",
         tExchangeResult::Done,
         2,
         {{2006, 2, 1, 0, 0, 2006, 2, 1, 0, 0, "Ganztags", "", ""},
          {2006, 2, 1, 12, 0, 2006, 2, 1, 0, 0, "Mittag", "", ""}}},
        {"    09:00 Zu fr\xFCh\r\n   01/02/06 Danach\r\n", tExchangeResult::Failed, 0, {}},
        {"   03/03/26 Erst\r\n    99:00 Kaputt\r\n   04/03/26 Nie\r\n",
         tExchangeResult::Failed,
         1,
         {{2026, 3, 3, 0, 0, 2026, 3, 3, 0, 0, "Erst", "", ""}}},
        {"ab\r\n\r\n   07/07/26 Kurz\r\n",
         tExchangeResult::Done,
         1,
         {{2026, 7, 7, 0, 0, 2026, 7, 7, 0, 0, "Kurz", "", ""}}},
    };
    int n = 0;
    for (const tCase &c : cases) {
        SCOPED_TRACE(c.content);
        closeDatabase(); // an empty database of its own per case
        velk::apptest::TempDir dir;
        ASSERT_TRUE(openDatabase((dir.path() + "/datadict").c_str()));
        std::string path = dir.file("in" + std::to_string(n++) + ".dry");
        velk::apptest::writeFileBytes(path, Bytes(c.content, c.content + strlen(c.content)));
        tExchangeResult r = importPortfolio(path, {}, 2026);
        EXPECT_EQ(r.outcome, c.outcome);
        EXPECT_EQ(r.done, c.stored);
        if (c.outcome == tExchangeResult::Failed) {
            EXPECT_EQ(r.message, "Fehler beim Lesen");
        }
        EXPECT_EQ(rows(visibleAppointments()), c.rows);
        closeDatabase();
    }
    ASSERT_TRUE(openDatabase(dictPath().c_str()));
    tExchangeResult missing = importPortfolio(file("none.dry"));
    EXPECT_EQ(missing.outcome, tExchangeResult::NotStarted);
    EXPECT_EQ(missing.message, "Fehler beim Lesen");
}

// ---- failures and cancels ----

TEST_F(ExchangeTest, ExportsThatFailOrAreCancelledLeaveNoFile)
{
    addPersons();
    addAppointments();
    // Enough that every file outgrows the size limit below.
    for (int i = 0; i < 300; i++) {
        tPerson p;
        p.setId("q" + std::to_string(i));
        p.setName("Name " + std::to_string(i));
        ASSERT_EQ(p.insert(), tStoreStatus::Stored);
        add("carl", termin(("T" + std::to_string(i)).c_str(), at(1 + i % 28, 1, 2026, 8, 0),
                           at(1 + i % 28, 1, 2026, 9, 0)));
    }
    using tExport = tExchangeResult (*)(const std::string &, const tExchangeProgress &);
    const struct {
        const char *name;
        tExport run;
    } exports[] = {{"p.dbf", exportPersonsDbf},
                   {"t.dbf", exportTermineDbf},
                   {"t.dry", exportPortfolio},
                   {"p.txt", exportPersonsText}};
    for (const auto &e : exports) {
        SCOPED_TRACE(e.name);
        // A directory that does not exist.
        tExchangeResult r = e.run(file("nowhere/") + e.name, {});
        EXPECT_EQ(r.outcome, tExchangeResult::NotStarted);
        EXPECT_FALSE(r.message.empty());
        // Cancelled after the first record: no file, and an old file of that name stays.
        velk::apptest::writeFileBytes(file(e.name), Bytes{'o', 'l', 'd'});
        r = e.run(file(e.name), [](long done, long) { return done < 1; });
        EXPECT_EQ(r.outcome, tExchangeResult::Cancelled);
        EXPECT_EQ(fileText(file(e.name)), "old");
        // Out of space part-way: Failed, and still no new file under the name.
        pid_t child = velk::apptest::spawn([&] {
            signal(SIGXFSZ, SIG_IGN);
            struct rlimit limit = {8192, 8192}; // above what the engine writes to
            setrlimit(RLIMIT_FSIZE, &limit);
            tExchangeResult w = e.run(file(e.name), {});
            return w.outcome == tExchangeResult::Failed ? 0 : 1;
        });
        EXPECT_EQ(velk::apptest::waitFor(child), 0);
        EXPECT_EQ(fileText(file(e.name)), "old");
        // Nothing left beside it.
        for (const auto &entry : std::filesystem::directory_iterator(dir_.path()))
            EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
    }
}

TEST_F(ExchangeTest, ACancelledImportKeepsWhatItStored)
{
    // The import asks whether to go on between its batches of records.
    const long kBatch = tBatchHold::kBatch, kCount = 3 * kBatch + 5;
    tTerminDBF f;
    ASSERT_TRUE(f.createFile(file("many.dbf")));
    for (int i = 1; i <= kCount; i++) {
        ASSERT_TRUE(f.append());
        f.FROMDAY.set(1 + i % 28), f.FROMMONTH.set(1 + i / 28 % 12), f.FROMYEAR.set(2026);
        f.TITLE.set("T" + std::to_string(i));
    }
    ASSERT_TRUE(f.close());
    std::vector<long> asked;
    tExchangeResult r = importTermineDbf(file("many.dbf"), [&](long done, long total) {
        EXPECT_EQ(total, kCount);
        asked.push_back(done);
        return done < 2 * kBatch;
    });
    EXPECT_EQ(asked, (std::vector<long>{0, kBatch, 2 * kBatch}));
    EXPECT_EQ(r.outcome, tExchangeResult::Cancelled);
    EXPECT_EQ(r.done, 2 * kBatch);
    EXPECT_EQ((long)visibleAppointments().size(), 2 * kBatch);
    EXPECT_EQ(describeImport(r),
              "Import abgebrochen, " + std::to_string(2 * kBatch) + " Termine gespeichert");

    // Not cancelled: the last report says everything is done.
    asked.clear();
    tExchangeResult all = importPersonsDbf(file("none.dbf"), [&](long done, long) {
        asked.push_back(done);
        return true;
    });
    EXPECT_EQ(all.outcome, tExchangeResult::NotStarted);
    EXPECT_TRUE(asked.empty());
}

TEST_F(ExchangeTest, DamagedDbaseFilesStoreNothing)
{
    // The person file of two persons, then damaged in the ways a foreign file can be.
    tPersonDBF f;
    ASSERT_TRUE(f.createFile(file("ok.dbf")));
    for (const char *id : {"d1", "d2"}) {
        ASSERT_TRUE(f.append());
        f.ID.set(id);
    }
    ASSERT_TRUE(f.close());
    const Bytes good = readFileBytes(file("ok.dbf"));
    const struct {
        const char *what;
        std::function<void(Bytes &)> damage;
    } cases[] = {
        {"empty", [](Bytes &b) { b.clear(); }},
        {"truncated header", [](Bytes &b) { b.resize(100); }},
        {"not dBASE", [](Bytes &b) { b.assign(2000, 'x'); }},
        {"count beyond the file", [](Bytes &b) { b[4] = 200; }},
        {"header longer than the file", [](Bytes &b) { b[9] = 0x7F; }},
        {"field length 0", [](Bytes &b) { b[32 + 16] = 0; }},
        {"field length 255", [](Bytes &b) { b[32 + 16] = 255; }},
        {"truncated record", [](Bytes &b) { b.resize(385 + 287 + 100); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Bytes b = good;
        c.damage(b);
        velk::apptest::writeFileBytes(file("bad.dbf"), b);
        size_t persons = allPersons().size();
        tExchangeResult r = importPersonsDbf(file("bad.dbf"));
        EXPECT_EQ(r.outcome, tExchangeResult::NotStarted);
        EXPECT_EQ(r.message, "Fehler beim Lesen");
        EXPECT_FALSE(r.detail.empty());
        EXPECT_EQ(allPersons().size(), persons);
        EXPECT_EQ(importTermineDbf(file("bad.dbf")).outcome, tExchangeResult::NotStarted);
    }
}

TEST_F(ExchangeTest, CompleteExportThroughTheDispatcher)
{
    addAppointments();
    ASSERT_EQ(mkdir(file("dump").c_str(), 0777), 0);
    tExchangeResult r = runExport(tExchangeKind::Komplett, file("dump/egal.dbf"));
    ASSERT_TRUE(r.ok()) << r.message << r.detail;
    EXPECT_EQ(r.done, 8);
    EXPECT_FALSE(fileExists(file("dump/egal.dbf")));
    tDBF termin;
    ASSERT_TRUE(termin.open(file("dump/TERMIN.DBF")));
    EXPECT_EQ(termin.recordCount(), 5) << "the counter row and all four appointments";
    EXPECT_EQ(termin.getText(termin.findField("ID")), "########");

    EXPECT_EQ(runImport(tExchangeKind::PersonenTxt, file("x.txt")).outcome,
              tExchangeResult::NotStarted);
    EXPECT_EQ(kindNamed("termine-dbf"), tExchangeKind::TermineDbf);
    EXPECT_EQ(kindNamed("Termine-dbf"), std::nullopt);
    EXPECT_STREQ(kindName(tExchangeKind::Komplett), "komplett");
}

TEST_F(ExchangeTest, TwoCopiesImportIntoOneDatabaseAtOnce)
{
    // Two processes import the same kind of file at the same time: the batches let each other
    // in, and the counter gives every appointment its own ID.
    const long kCount = 3 * tBatchHold::kBatch + 7;
    for (const char *name : {"a.dbf", "b.dbf"}) {
        tTerminDBF f;
        ASSERT_TRUE(f.createFile(file(name)));
        for (long i = 0; i < kCount; i++) {
            ASSERT_TRUE(f.append());
            f.FROMDAY.set(1 + i % 28), f.FROMMONTH.set(1 + i / 28 % 12), f.FROMYEAR.set(2026);
            f.TITLE.set(std::string(name) + std::to_string(i));
        }
        ASSERT_TRUE(f.close());
    }
    closeDatabase();
    velk::apptest::Signal go;
    std::vector<pid_t> children;
    for (const char *name : {"a.dbf", "b.dbf"}) {
        children.push_back(velk::apptest::spawn([&, name] {
            if (!openDatabase(dictPath().c_str())) return 1;
            setCurrentUser("carl");
            if (!go.wait()) return 3;
            tExchangeResult r = importTermineDbf(file(name));
            closeDatabase();
            return r.ok() && r.done == kCount ? 0 : 2;
        }));
    }
    go.post(); // one byte for each child
    go.post();
    for (pid_t child : children) EXPECT_EQ(velk::apptest::waitFor(child), 0);

    ASSERT_TRUE(openDatabase(dictPath().c_str()));
    std::vector<tTermin> all = visibleAppointments();
    ASSERT_EQ((long)all.size(), 2 * kCount);
    std::set<std::string> ids;
    for (const tTermin &t : all) ids.insert(t.ID);
    EXPECT_EQ((long)ids.size(), 2 * kCount);
}

// An import into a database this process may not write is refused before its first record, with
// a message that says so, instead of "Fehler beim Speichern" at each record.  Run as nobody in a
// child on this test's database (made by root); and the check itself over a table of directories.
TEST_F(ExchangeTest, AnImportIntoADatabaseThatCannotBeWrittenIsRefused)
{
    if (geteuid() != 0) GTEST_SKIP() << "needs root to run a child as nobody";
    addAppointments();
    const std::string source = "/tmp/velk-unwritable-" + std::to_string(getpid()) + ".dry";
    ASSERT_TRUE(exportPortfolio(source).ok());
    ASSERT_EQ(chmod(source.c_str(), 0644), 0);
    const std::string open = "/tmp/velk-open-" + std::to_string(getpid()) + "/";
    const std::string locked = "/tmp/velk-locked-" + std::to_string(getpid()) + "/";
    std::filesystem::create_directory(open);
    std::filesystem::create_directory(locked);
    chmod(open.c_str(), 0777);
    chmod(locked.c_str(), 0777);
    std::FILE *dict = std::fopen((locked + "datadict.dat").c_str(), "w");
    ASSERT_TRUE(dict);
    std::fclose(dict);
    chmod((locked + "datadict.dat").c_str(), 0644);
    const struct {
        std::string dir;
        bool writable;
    } dirs[] = {{open, true},
                {open.substr(0, open.size() - 1), true},
                {locked, false},
                {"/", false},
                {tBlob::instance().directory(), false}};
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(100);
        int wrong = 0;
        for (std::size_t i = 0; i < std::size(dirs); ++i)
            if (databaseWritable(dirs[i].dir) != dirs[i].writable) wrong |= 1 << i;
        tExchangeResult r = runImport(tExchangeKind::Portfolio, source);
        if (r.outcome != tExchangeResult::NotStarted ||
            r.message != "Die Datenbank kann nicht beschrieben werden" ||
            r.detail != tBlob::instance().directory())
            wrong |= 64;
        _exit(wrong);
    }
    int status = 0;
    waitpid(child, &status, 0);
    std::filesystem::remove(source);
    std::filesystem::remove_all(open);
    std::filesystem::remove_all(locked);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "bits: the directories checked wrongly, 64 the import";
    // As root the same import goes on (every row was there already: skipped).
    EXPECT_NE(runImport(tExchangeKind::Portfolio, file("none.dry")).message,
              "Die Datenbank kann nicht beschrieben werden");
}
