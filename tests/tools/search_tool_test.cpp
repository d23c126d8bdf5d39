// velk-exchange's suche end to end, and a search kept open in this process while that program,
// a process of its own, changes the database.  anna and bert log in with passwords; bert has a
// private appointment with Mueller, whose title nobody else may find.
#include "model/login.h"
#include "model/users.h"
#include "projects/project.h"
#include "tests/calendar/calendar_support.h"
#include "tests/tools/tool_users.h"
#include "views/search.h"

#include <cstdio>
#include <cstring>
#include <sys/wait.h>

using namespace velk;
using namespace velk::caltest;
using velk::tooltest::setPassword;

namespace {

struct tRun {
    int code = -1;
    std::string output; // standard output and error
};

tRun tool(const std::string &user, const std::string &args)
{
    std::string cmd = "printf '%s\\n' '" + user +
                      "pw' | env -u PROCFILE " VELK_EXCHANGE_BIN " --user " + user +
                      " --password-stdin " + args + " 2>&1";
    tRun r;
    FILE *p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[512];
    while (fgets(buf, sizeof buf, p)) r.output += buf;
    int status = pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

class SearchToolTest : public CalendarTest {
protected:
    void SetUp() override
    {
        CalendarTest::SetUp();
        ASSERT_TRUE(openUserTable());
        setPassword("anna", "annapw");
        setPassword("bert", "bertpw");
        closeUserTable();
        tPerson p;
        p.setId("mue");
        p.setName("M\xFCller");
        p.setChrName("J\xFCrgen");
        p.setCity("M\xFCnchen");
        ASSERT_EQ(p.insert(), tStoreStatus::Stored);
        tTermin open = termin("Besprechung", at(3, 2, 2026, 9, 30), at(3, 2, 2026, 10, 0));
        open.setWith("Pmue");
        openId = add("anna", open).ID;
        secretId = add("bert", termin("Geheimtreff M\xFC"
                                      "ller",
                                      at(5, 2, 2026, 8), at(5, 2, 2026, 9), "Pbert"))
                       .ID;
        tTask k;
        k.setId("T1");
        k.setTitle("Angebot M\xFCller");
        k.setProject("P");
        k.ENDDATE = at(1, 7, 2026);
        ASSERT_EQ(k.insert(), tStoreStatus::Stored);
        closeDatabase(); // the tool works on the directory now
    }
    void TearDown() override { CalendarTest::TearDown(); }

    std::string dir() const { return dir_.path(); }
    std::string openId, secretId;
};

struct tToolCase {
    const char *user;
    std::string args;
    int code;
    std::string output;
};

// What each user finds, as UTF-8 lines; the options; the refusals.
TEST_F(SearchToolTest, LinesExitCodesAndOptions)
{
    const std::string besprechung = "termin\t" + openId +
                                    "\t03.02.2026\t09:30 Besprechung (Teilnehmer: J\xC3\xBCrgen "
                                    "M\xC3\xBCller)\n";
    const std::string geheim =
        "termin\t" + secretId + "\t05.02.2026\t08:00 Geheimtreff M\xC3\xBCller\n";
    const std::string person = "person\tmue\t\tJ\xC3\xBCrgen M\xC3\xBCller\n";
    const std::string task = "aufgabe\tT1\t01.07.2026\tAngebot M\xC3\xBCller\n";
    const tToolCase cases[] = {
        {"anna", "suche mueller", 0, besprechung + person + task},
        {"bert", "suche M\xC3\x9CLLER", 0, geheim + besprechung + person + task},
        {"anna", "suche geheimtreff", 1, ""},
        {"anna", "suche 'muenchen'", 0,
         "person\tmue\t\tJ\xC3\xBCrgen M\xC3\xBCller (Ort: M\xC3\xBCnchen)\n"},
        {"bert", "suche mueller --art termin,aufgabe", 0, geheim + besprechung + task},
        {"bert", "suche mueller --art=person", 0, person},
        {"bert", "suche mueller --von 04.02.2026 --bis=30.06.2026", 0, geheim + person},
    };
    for (const tToolCase &c : cases) {
        SCOPED_TRACE(std::string(c.user) + " " + c.args);
        tRun run = tool(c.user, dir() + " " + c.args);
        EXPECT_EQ(run.code, c.code);
        EXPECT_EQ(run.output, c.output);
    }
    const char *refused[] = {
        "suche mueller --art leute",
        "suche mueller --von 01.02.2026",
        "suche mueller --von 01.02.2026 --bis 01.01.2026",
        "suche mueller --datum 01.02.2026",
        "export personen-txt x.txt --art person",
        "suche",
    };
    for (const char *args : refused) {
        tRun run = tool("anna", dir() + " " + args);
        EXPECT_EQ(run.code, 2) << args;
        EXPECT_NE(run.output.find("Aufruf:"), std::string::npos) << args << run.output;
    }
}

// An index kept open here finds what another process stored and stops finding what it removed,
// reading again only the kinds whose tables changed.
TEST_F(SearchToolTest, ChangesOfAnotherProcess)
{
    ASSERT_TRUE(openDatabase(dictPath().c_str()));
    setCurrentUser("anna");
    tSearchIndex index;
    EXPECT_TRUE(index.find("gruenwald").empty());
    EXPECT_EQ(index.find("mueller").size(), 3u);

    const std::string vcf = file("gruenwald.vcf");
    FILE *f = std::fopen(vcf.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Gr\xC3\xBCnwald;Ida;;;\r\nFN:Ida "
               "Gr\xC3\xBCnwald\r\nEND:VCARD\r\n",
               f);
    std::fclose(f);
    tRun run = tool("anna", dir() + " import vcard " + vcf);
    ASSERT_EQ(run.code, 0) << run.output;

    std::vector<tSearchHit> hits = index.find("gruenwald");
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].kind, tSearchKind::Person);
    EXPECT_EQ(hits[0].title, "Ida Gr\xFCnwald");
    EXPECT_EQ(index.reads(tSearchKind::Person), 2);
    EXPECT_EQ(index.reads(tSearchKind::Termin), 2); // participants' names come from PERSON
    EXPECT_EQ(index.reads(tSearchKind::Task), 1);
    EXPECT_EQ(index.reads(tSearchKind::Resource), 1);
}

} // namespace
