// velk-exchange's PDF kinds end to end: the binary run without a display on a database of two
// users, the PDF files read back with pdfinfo and pdftotext.  anna prints; bert has a public
// appointment and a private one in the week of Christmas 2026, whose title no kind may show.
#include "address/resource.h"
#include "model/login.h"
#include "model/tables.h"
#include "model/users.h"
#include "projects/project.h"
#include "tests/calendar/calendar_support.h"
#include "tests/tools/tool_users.h"
#include "views/print_pages.h"
#include "views/week_view.h"

#include <algorithm>
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

// A command through the shell with `input` on standard input, DISPLAY, WAYLAND_DISPLAY,
// QT_QPA_PLATFORM and XDG_RUNTIME_DIR taken away.
tRun shell(const std::string &command, const std::string &input = "")
{
    std::string cmd = "printf '%s\\n' '" + input +
                      "' | env -u PROCFILE -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "
                      "-u XDG_RUNTIME_DIR " +
                      command + " 2>&1";
    tRun r;
    FILE *p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[512];
    while (fgets(buf, sizeof buf, p)) r.output += buf;
    int status = pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

tRun printAsAnna(const std::string &args)
{
    return shell(VELK_EXCHANGE_BIN " --user anna --password-stdin " + args, "annapw");
}

// The pages of a PDF file as pdfinfo sees them: each page's width and height in points and
// whether pdfinfo names it A4.
struct tPdfPage {
    double width = 0, height = 0;
    bool a4 = false;
};

std::vector<tPdfPage> pdfPages(const std::string &file)
{
    std::vector<tPdfPage> pages;
    tRun r = shell("pdfinfo -f 1 -l 99 '" + file + "'");
    std::size_t at = 0;
    for (std::size_t end; at < r.output.size(); at = end + 1) {
        end = r.output.find('\n', at);
        if (end == std::string::npos) end = r.output.size();
        const std::string line = r.output.substr(at, end - at);
        int number = 0;
        tPdfPage page;
        if (std::sscanf(line.c_str(), "Page %d size: %lf x %lf", &number, &page.width,
                        &page.height) != 3)
            continue;
        page.a4 = line.find("(A4)") != std::string::npos;
        pages.push_back(page);
    }
    return pages;
}

std::string pdfText(const std::string &file) { return shell("pdftotext '" + file + "' -").output; }

// The body of a landscape page below its heading as pdftoppm renders it (grey, 40 dpi): the
// rows from 15 % of the height down, so that the time of the run in the heading does not count.
std::string pageBody(const std::string &file)
{
    const std::string prefix = file + "-grey";
    if (shell("pdftoppm -r 40 -gray -singlefile '" + file + "' '" + prefix + "'").code != 0)
        return {};
    FILE *f = std::fopen((prefix + ".pgm").c_str(), "rb");
    if (!f) return {};
    int width = 0, height = 0, maximum = 0;
    std::string pixels;
    if (std::fscanf(f, "P5 %d %d %d", &width, &height, &maximum) == 3 && std::fgetc(f) != EOF) {
        pixels.resize(std::size_t(width) * std::size_t(height));
        pixels.resize(std::fread(pixels.data(), 1, pixels.size(), f));
    }
    std::fclose(f);
    return pixels.substr(std::min(pixels.size(), std::size_t(width) * std::size_t(height / 7)));
}

class PrintToolTest : public CalendarTest {
protected:
    // anna and bert with passwords; resources Saal, Bus and Boot; appointments of both in the
    // week of 21.12.2026, a birthday and a task due in it.
    void SetUp() override
    {
        CalendarTest::SetUp();
        ASSERT_TRUE(openUserTable());
        setPassword("anna", "annapw");
        setPassword("bert", "bertpw");
        closeUserTable();
        for (const char *id : {"Saal", "Bus", "Boot"}) {
            tResource r;
            r.setId(id);
            r.setTitle(id);
            ASSERT_EQ(r.insert(), tStoreStatus::Stored);
        }
        add("anna", termin("Zahnarzt", at(24, 12, 2026, 10, 0), at(24, 12, 2026, 11, 0), "Panna"));
        tTermin klausur = termin("Klausur", at(21, 12, 2026, 8, 0), at(27, 12, 2026, 18, 0));
        klausur.setResource("Saal");
        add("anna", klausur);
        add("bert", termin("Kaffeerunde", at(24, 12, 2026, 15, 0), at(24, 12, 2026, 16, 0)));
        tTermin messe = termin("Messe", at(14, 12, 2026, 8, 0), at(20, 12, 2026, 18, 0));
        messe.setResource("Bus");
        add("bert", messe);
        tTermin secret =
            termin("Geheimtreff", at(21, 12, 2026, 8, 0), at(27, 12, 2026, 18, 0), "Pbert");
        secret.setResource("Boot");
        add("bert", secret);
        add("bert",
            termin("Geheimtreff", at(24, 12, 2026, 12, 0), at(24, 12, 2026, 13, 0), "Pbert"));
        tPerson emil;
        emil.setId("emil");
        emil.setName("Emilia");
        emil.BIRTH = at(23, 12, 1970);
        ASSERT_EQ(emil.insert(), tStoreStatus::Stored);
        tTask task;
        task.setId("T1");
        task.setTitle("Steuererklaerung");
        task.setProject("PRJ");
        task.ENDDATE = at(22, 12, 2026);
        ASSERT_EQ(task.insert(), tStoreStatus::Stored);
        closeDatabase(); // the tool works on the directory now
    }
    void TearDown() override { CalendarTest::TearDown(); }

    std::string dir() const { return dir_.path(); }
};

struct tKindCase {
    const char *kind;
    int pages;
    bool landscape;
    std::vector<std::string> shown; // besides "Benutzer: anna"
};

// Each kind for --datum 24.12.2026: the pages, their format, the heading and the content; bert's
// private title in none.
TEST_F(PrintToolTest, EveryKindWritesAnnasView)
{
    const std::vector<tKindCase> cases = {
        {"woche-pdf",
         1,
         true,
         {"Wochenkalender", "21.12.2026 - 27.12.2026", "Zahnarzt", "Kaffeerunde", "Klausur",
          "1. Weihnachtstag", "2. Weihnachtstag", "Emilia", "Steuererklaerung"}},
        {"monat-pdf", 1, true, {"Planer", "12/2026", "31"}},
        {"belegung-pdf",
         4,
         true,
         {"Belegung", "1. Quartal 2026", "4. Quartal 2026", "Saal", "Boot", "Klausur", "Messe"}},
        {"terminliste-pdf",
         1,
         false,
         {"Terminliste", "24.12.2026", "Zahnarzt", "Kaffeerunde", "1. Weihnachtstag", "Neujahr"}},
        {"personen-pdf", 1, false, {"Personenliste", "Emilia", "bert", "dora"}},
        {"aufgaben-pdf", 1, false, {"Aufgabenliste", "Steuererklaerung"}},
    };
    for (const tKindCase &c : cases) {
        SCOPED_TRACE(c.kind);
        const std::string pdf = file(std::string(c.kind) + ".pdf");
        tRun run = printAsAnna(dir() + " export " + c.kind + " " + pdf + " --datum 24.12.2026");
        ASSERT_EQ(run.code, 0) << run.output;
        EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
        EXPECT_NE(run.output.find(c.pages == 1 ? "1 Seite geschrieben" : "4 Seiten geschrieben"),
                  std::string::npos)
            << run.output;
        std::vector<tPdfPage> pages = pdfPages(pdf);
        ASSERT_EQ(int(pages.size()), c.pages);
        for (const tPdfPage &page : pages) {
            EXPECT_TRUE(page.a4);
            EXPECT_EQ(page.width > page.height, c.landscape) << page.width << "x" << page.height;
        }
        const std::string text = pdfText(pdf);
        EXPECT_NE(text.find("Benutzer: anna"), std::string::npos) << text;
        EXPECT_NE(text.find("gedruckt am "), std::string::npos) << text;
        for (const std::string &shown : c.shown)
            EXPECT_NE(text.find(shown), std::string::npos) << shown << " in\n" << text;
        EXPECT_EQ(text.find("Geheimtreff"), std::string::npos) << text;
    }
}

// bert sees his own private appointment in his week and the plan; anna's private one he does not.
TEST_F(PrintToolTest, TheWeekIsTheLoggedInUsers)
{
    for (const char *kind : {"woche-pdf", "belegung-pdf"}) {
        SCOPED_TRACE(kind);
        const std::string pdf = file("bert.pdf");
        tRun run = shell(VELK_EXCHANGE_BIN " --user bert --password-stdin " + dir() + " export " +
                             kind + " " + pdf + " --datum=21.12.2026",
                         "bertpw");
        ASSERT_EQ(run.code, 0) << run.output;
        const std::string text = pdfText(pdf);
        EXPECT_NE(text.find("Benutzer: bert"), std::string::npos) << text;
        EXPECT_NE(text.find("Geheimtreff"), std::string::npos) << text;
        EXPECT_EQ(text.find("Zahnarzt"), std::string::npos) << text;
    }
}

// The month planner draws bars without titles: bert's private appointments leave anna's page as
// it was, a public one of his changes it.
TEST_F(PrintToolTest, TheMonthShowsNoPrivateBarsOfOthers)
{
    const auto month = [this](const std::string &name) {
        const std::string pdf = file(name);
        tRun run = printAsAnna(dir() + " export monat-pdf " + pdf + " --datum 01.12.2026");
        EXPECT_EQ(run.code, 0) << run.output;
        return pageBody(pdf);
    };
    const auto addAsBert = [this](const char *read, int day) {
        ASSERT_TRUE(openDatabase(dictPath().c_str()));
        add("bert", termin("Sitzung", at(day, 12, 2026, 9, 0), at(day, 12, 2026, 17, 0), read));
        closeDatabase();
    };
    const std::string before = month("vorher.pdf");
    ASSERT_FALSE(before.empty());
    addAsBert("Pbert", 3);
    addAsBert("Pbert", 8);
    EXPECT_TRUE(month("privat.pdf") == before);
    addAsBert("", 15);
    const std::string shown = month("offen.pdf");
    ASSERT_EQ(shown.size(), before.size());
    EXPECT_FALSE(shown == before);
}

// Without --datum the week is today's; the file keeps today's date in its heading.
TEST_F(PrintToolTest, WithoutADateTodaysWeek)
{
    const std::string pdf = file("heute.pdf");
    tRun run = printAsAnna(dir() + " export woche-pdf " + pdf);
    ASSERT_EQ(run.code, 0) << run.output;
    const std::string text = pdfText(pdf);
    EXPECT_NE(text.find(printDate(weekStart(tDate::today()))), std::string::npos) << text;
}

// Bad dates, an import of a PDF kind, --datum with another kind, an unwritable target: exit 2,
// no file.
TEST_F(PrintToolTest, RefusedRuns)
{
    const std::string pdf = file("nie.pdf");
    for (const std::string &args : {
             " export woche-pdf " + pdf + " --datum 31.02.2026",
             " export woche-pdf " + pdf + " --datum 2026-12-24",
             " export woche-pdf " + pdf + " --datum",
             " import woche-pdf " + pdf,
             " import belegung-pdf " + pdf + " --datum 24.12.2026",
             " export termine-dbf " + pdf + " --datum 24.12.2026",
             " export monat-pdf " + dir() + "/fehlt/x.pdf",
             " export monat-pdf " + dir(),
         }) {
        SCOPED_TRACE(args);
        tRun run = printAsAnna(dir() + args);
        EXPECT_EQ(run.code, 2) << run.output;
        EXPECT_NE(run.output.find("velk-exchange: "), std::string::npos) << run.output;
        EXPECT_FALSE(velk::apptest::fileExists(pdf));
    }
    // A wrong password: refused before anything is written.
    tRun run = shell(VELK_EXCHANGE_BIN " --user anna --password-stdin " + dir() +
                         " export woche-pdf " + pdf,
                     "falsch");
    EXPECT_EQ(run.code, 2) << run.output;
    EXPECT_FALSE(velk::apptest::fileExists(pdf));
}

} // namespace
