// velk-exchange end to end: the binary run as a separate process on database directories made
// here; its exit status, its one-line messages and what it leaves in files and tables.
#include "model/login.h"
#include "calendar/termin_store.h"
#include "exchange/termin_exchange.h"
#include "model/tables.h"
#include "model/users.h"
#include "tests/calendar/calendar_support.h"
#include "tests/tools/tool_users.h"

#include <cstdio>
#include <cstring>
#include <sys/wait.h>

using namespace velk;
using namespace velk::caltest;
using velk::apptest::fileExists;
using velk::tooltest::setPassword;

namespace {

std::string output; // stdout and stderr of the last run

// Runs the tool with the password on standard input; its exit status.
int runTool(const std::string &password, const std::string &args)
{
    std::string cmd = "printf '%s\\n' '" + password +
                      "' | env -u PROCFILE " VELK_EXCHANGE_BIN " --password-stdin " + args +
                      " 2>&1";
    output.clear();
    FILE *p = popen(cmd.c_str(), "r");
    if (!p) return -1;
    char buf[512];
    while (fgets(buf, sizeof buf, p)) output += buf;
    int status = pclose(p);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class ExchangeToolTest : public CalendarTest {
protected:
    // root, carl and anna with passwords; appointments of carl, and a private one of anna.
    void SetUp() override
    {
        CalendarTest::SetUp();
        ASSERT_TRUE(openUserTable());
        setPassword("root", "wurzel");
        setPassword("carl", "carlpw");
        setPassword("anna", "annapw");
        add("carl", termin("Besprechung M\xFCller", at(5, 3, 2026, 9, 30), at(5, 3, 2026, 11, 0)));
        add("carl", termin("Heiligabend", at(24, 12, 2026), at(24, 12, 2026)));
        add("anna", termin("Arzt", at(6, 3, 2026, 10, 0), at(6, 3, 2026, 11, 0), "Panna"));
        closeUserTable();
        closeDatabase(); // the tool works on the directory now
    }
    void TearDown() override { CalendarTest::TearDown(); }

    std::string dir() const { return dir_.path(); }
    velk::apptest::TempDir fresh_;
};

} // namespace

TEST_F(ExchangeToolTest, ExportAndImportIntoAFreshDirectory)
{
    // carl exports what he sees: his two appointments, not anna's private one.
    ASSERT_EQ(runTool("carlpw", "--user carl " + dir() + " export termine-dbf " + file("t.dbf")), 0)
        << output;
    EXPECT_EQ(output, "2 Termine geschrieben\n");
    ASSERT_EQ(runTool("carlpw", "--user carl " + dir() + " export portfolio " + file("t.dry")), 0)
        << output;
    ASSERT_EQ(runTool("wurzel", dir() + " export personen-dbf " + file("p.dbf")), 0) << output;
    ASSERT_EQ(runTool("wurzel", dir() + " export personen-txt " + file("p.txt")), 0) << output;
    ASSERT_EQ(runTool("wurzel", dir() + " export komplett " + fresh_.file("egal")), 0) << output;
    EXPECT_EQ(output, "8 Tabellen geschrieben\n");
    EXPECT_TRUE(fileExists(fresh_.file("TERMIN.DBF")));
    tTerminDBF f;
    ASSERT_TRUE(f.openFile(file("t.dbf")));
    EXPECT_EQ(f.recordCount(), 2);
    f.close();

    // Into a directory without a database: root makes one, as the first start does.
    velk::apptest::TempDir target;
    ASSERT_EQ(runTool("x", target.path() + " import termine-dbf " + file("t.dbf")), 0) << output;
    EXPECT_EQ(output, "2 Termine gespeichert\n");
    ASSERT_EQ(runTool("x", target.path() + " import personen-dbf " + file("p.dbf")), 0) << output;
    EXPECT_EQ(output, "4 Personen gespeichert\n");
    ASSERT_EQ(runTool("x", target.path() + " import portfolio " + file("t.dry")), 0) << output;
    EXPECT_EQ(output, "0 Termine gespeichert, 2 \xC3\xBC"
                      "bersprungen\n")
        << "the same appointments again: the store refuses them";

    ASSERT_TRUE(openDatabase((target.path() + "/datadict").c_str()));
    setCurrentUser("root");
    std::vector<std::string> titles;
    for (const tTermin &t : visibleAppointments()) {
        titles.push_back(t.TITLE);
        EXPECT_STREQ(t.OWNER, "root");
    }
    std::sort(titles.begin(), titles.end());
    EXPECT_EQ(titles, (std::vector<std::string>{"Besprechung M\xFCller", "Heiligabend"}));
    EXPECT_EQ(allPersons().size(), 4u);
}

TEST_F(ExchangeToolTest, RefusedLoginsWriteNothing)
{
    // A wrong password, a user without a record, anna's password for carl: exit 2, no file.
    for (const auto &[user, password] : std::vector<std::pair<std::string, std::string>>{
             {"carl", "falsch"}, {"root", ""}, {"niemand", "x"}, {"carl", "annapw"}}) {
        SCOPED_TRACE(user + "/" + password);
        EXPECT_EQ(runTool(password,
                          "--user " + user + " " + dir() + " export termine-dbf " + file("t.dbf")),
                  2);
        EXPECT_EQ(output, "velk-exchange: Zugriff verweigert\n");
        EXPECT_FALSE(fileExists(file("t.dbf")));
    }
    // Nor does an import: the table keeps its rows.
    velk::apptest::writeFileBytes(
        file("in.dry"), {' ', ' ', ' ', '1', '/', '1', '/', '2', '6', ' ', 'X', '\r', '\n'});
    EXPECT_EQ(runTool("falsch", "--user carl " + dir() + " import portfolio " + file("in.dry")), 2);
    // A user other than root gets no new database in an empty directory.
    velk::apptest::TempDir empty;
    EXPECT_EQ(
        runTool("carlpw", "--user carl " + empty.path() + " import portfolio " + file("in.dry")),
        2);
    EXPECT_FALSE(fileExists(empty.file("datadict.dat")));

    ASSERT_TRUE(openDatabase(dictPath().c_str()));
    EXPECT_EQ(tTermTable::instance()->recordCount(), 4) << "the counter row and three";
}

TEST_F(ExchangeToolTest, FailuresPartWayAndBadArguments)
{
    // One appointment stored, then a timed line without a date: exit 1 with the count.
    const char text[] = "   01/04/26 Erst\r\n    25:00 Kaputt\r\n";
    velk::apptest::writeFileBytes(file("bad.dry"), {text, text + sizeof text - 1});
    EXPECT_EQ(runTool("carlpw", "--user carl " + dir() + " import portfolio " + file("bad.dry")),
              1);
    EXPECT_NE(output.find("Fehler beim Lesen"), std::string::npos) << output;
    EXPECT_NE(output.find("(1 Termin gespeichert)"), std::string::npos) << output;

    const struct {
        std::string args;
        const char *says;
    } bad[] = {
        {dir() + " export termine-dbf", "falsche Zahl von Argumenten"},
        {dir() + " kopieren termine-dbf x", "import oder export erwartet"},
        {dir() + " export kalender x", "unbekannte Art kalender"},
        {dir() + " import komplett x", "kann nur exportiert werden"},
        {"--verbose " + dir() + " export portfolio x", "unbekannte Option --verbose"},
        {file("nodir") + " export portfolio x", "kein Verzeichnis"},
        {dir() + " import termine-dbf " + file("none.dbf"), "Fehler beim Lesen"},
        {dir() + " export portfolio " + file("no/such/dir.dry"), "kann nicht angelegt werden"},
    };
    for (const auto &b : bad) {
        SCOPED_TRACE(b.args);
        EXPECT_EQ(runTool("wurzel", b.args), 2);
        EXPECT_NE(output.find(b.says), std::string::npos) << output;
    }
}

TEST_F(ExchangeToolTest, ICalendarAndVCardBothWays)
{
    ASSERT_EQ(runTool("carlpw", "--user carl " + dir() + " export ical " + file("t.ics")), 0)
        << output;
    EXPECT_EQ(output, "2 Termine geschrieben\n");
    ASSERT_EQ(runTool("wurzel", dir() + " export vcard " + file("p.vcf")), 0) << output;
    EXPECT_EQ(output, "4 Personen geschrieben\n");

    velk::apptest::TempDir target;
    ASSERT_EQ(runTool("x", target.path() + " import vcard " + file("p.vcf")), 0) << output;
    EXPECT_EQ(output, "4 Personen gespeichert\n");
    ASSERT_EQ(runTool("x", target.path() + " import ical " + file("t.ics")), 0) << output;
    EXPECT_EQ(output, "2 Termine gespeichert\n");
    ASSERT_EQ(runTool("x", target.path() + " import ical " + file("t.ics")), 0) << output;
    EXPECT_EQ(output, "0 Termine gespeichert, 2 \xC3\xBC"
                      "bersprungen; 2 Termine schon fr\xC3\xBCher importiert\n");

    // A letter outside Windows-1252 is counted on the terminal (in UTF-8).
    FILE *f = fopen(file("l.ics").c_str(), "wb");
    ASSERT_TRUE(f);
    fputs("BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:l\r\nDTSTART;VALUE=DATE:20260801\r\n"
          "SUMMARY:Gda\xC5\x84sk\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n",
          f);
    fclose(f);
    ASSERT_EQ(runTool("x", target.path() + " import ical " + file("l.ics")), 0) << output;
    EXPECT_EQ(output, "1 Termin gespeichert; 1 Zeichen nicht \xC3\xBC"
                      "bernommen (nicht in Windows-1252, als ?)\n");
    EXPECT_EQ(runTool("x", target.path() + " import ical " + file("fehlt.ics")), 2);
    EXPECT_NE(output.find("Fehler beim Lesen"), std::string::npos) << output;

    ASSERT_TRUE(openDatabase((target.path() + "/datadict").c_str()));
    setCurrentUser("root");
    std::vector<std::string> titles;
    for (const tTermin &t : visibleAppointments()) titles.push_back(t.TITLE);
    std::sort(titles.begin(), titles.end());
    EXPECT_EQ(titles, (std::vector<std::string>{"Besprechung M\xFCller", "Gda?sk", "Heiligabend"}));
    EXPECT_EQ(allPersons().size(), 4u);
}
