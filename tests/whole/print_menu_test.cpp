// "Drucken...", "Druckvorschau..." and "Als PDF sichern..." in the whole frame on a real
// database: the commands follow the active view, the PDF of the week holds its days and the
// heading (read back with pdftotext), a name without an extension gets ".pdf", a cancelled file
// dialog writes nothing, a file that cannot be written says so, and the preview and the print
// dialog (the recorder's) get the person list's pages, its heading repeated on each.
#include <QAction>
#include <QDialog>
#include <QSpinBox>

#include "address/person.h"
#include "app/wiring.h"
#include "shell/core/commands.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/mdi_client.h"
#include "shell/ui/tab_list.h"
#include "views/print_pages.h"
#include "widgets/address/address_frame.h"
#include "widgets/address/pers_list_win.h"
#include "widgets/calendar/calendar_frame.h"
#include "widgets/calendar/plan_frame.h"
#include "widgets/calendar/views_frame.h"
#include "widgets/calendar/week_view_win.h"
#include "widgets/exchange/exchange_frame.h"
#include "widgets/projects/projects_frame.h"
#include "tests/address/address_ui_support.h"
#include "tests/calendar/calendar_support.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

using namespace velk;
using namespace velk::apptest;

namespace {

std::string run(const std::string &command)
{
    std::string out;
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    EXPECT_EQ(pclose(pipe), 0) << command;
    return out;
}

bool has(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

std::string dateText(const tDate &d)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d.%02d.%04d", d.day, d.month, d.year);
    return buffer;
}

class PrintMenuTest : public AddressUiTest {
protected:
    void SetUp() override
    {
        AddressUiTest::SetUp();
        setCurrentUser("root");
        client = new TMyMDIClient;
        frame = std::make_unique<tMainFrame>(client);
        for (auto setup : {addressFrameSetup, projectsFrameSetup, calendarFrameSetup,
                           calendarViewsFrameSetup, calendarPlanFrameSetup, exchangeFrameSetup})
            setup(*frame, *client);
        wireOpeners();
        frame->showUser(QStringLiteral("root"));
        frame->resize(1000, 700);
        frame->show();
    }
    void TearDown() override
    {
        frame.reset();
        setCurrentUser("");
        AddressUiTest::TearDown();
    }
    bool enabled(int id) const { return frame->action(id)->isEnabled(); }
    // The occupancy plan's choice of months: `first` to `last`, then OK (0: cancelled).
    static std::function<void(QDialog &)> chooseMonths(int first, int last)
    {
        return [first, last](QDialog &dialog) {
            auto *from = dialog.findChild<QSpinBox *>(QStringLiteral("firstMonth"));
            auto *to = dialog.findChild<QSpinBox *>(QStringLiteral("lastMonth"));
            ASSERT_TRUE(from && to);
            if (first == 0) {
                dialog.reject();
                return;
            }
            from->setValue(first);
            to->setValue(last);
            dialog.accept();
        };
    }
    static bool havePoppler() { return std::system("command -v pdftotext >/dev/null") == 0; }

    TMyMDIClient *client = nullptr;
    std::unique_ptr<tMainFrame> frame;
};

} // namespace

TEST_F(PrintMenuTest, PrintCommandsFollowTheActiveView)
{
    const int printIds[] = {CmPrint, CmPrintPreview, CmPrintPdf};
    for (int id : printIds) EXPECT_FALSE(enabled(id)) << "no view, command " << id;
    const struct {
        int command;
        bool prints;
    } rows[] = {{CmWeekCalendar, true},
                {CmPersonList, true},
                {CmMonthPlan, true},
                {CmOccupancy, true},
                {CmResourceList, true}};
    for (const auto &row : rows) {
        frame->execute(row.command);
        ASSERT_NE(client->activeView(), nullptr) << row.command;
        for (int id : printIds)
            EXPECT_EQ(enabled(id), row.prints) << "view " << row.command << ", command " << id;
    }
    client->closeAllSubWindows();
    frame->updateMenus();
    for (int id : printIds) EXPECT_FALSE(enabled(id)) << "all closed, command " << id;
}

TEST_F(PrintMenuTest, PdfOfTheWeekHoldsItsDaysAndTheHeading)
{
    if (!havePoppler()) GTEST_SKIP() << "pdftotext is not installed (poppler-utils)";
    const tDate today = tDate::today();
    tTermin t = caltest::termin("Zahnarzt", caltest::at(today.day, today.month, today.year, 9),
                                caltest::at(today.day, today.month, today.year, 10));
    ASSERT_TRUE(tTerminStore::instance().insert(t).complete());
    frame->execute(CmWeekCalendar);
    auto *week = qobject_cast<tWeekWin *>(client->activeView());
    ASSERT_NE(week, nullptr);

    const std::string typed = file("woche"); // no extension: ".pdf" is added
    host.fileAnswers.push_back(QString::fromStdString(typed));
    frame->execute(CmPrintPdf);
    ASSERT_EQ(host.eventsOf(QStringLiteral("save:")).size(), 1);
    const std::string pdf = typed + ".pdf";
    ASSERT_TRUE(std::filesystem::exists(pdf));
    EXPECT_FALSE(std::filesystem::exists(typed));
    EXPECT_EQ(host.eventsOf(QStringLiteral("status:")),
              QStringList{QStringLiteral("status:Gesichert: ") + QString::fromStdString(pdf)});

    const std::string text = run("pdftotext -layout '" + pdf + "' -");
    EXPECT_TRUE(has(text, "Wochenkalender")) << text;
    EXPECT_TRUE(has(text, "Benutzer: root")) << text;
    EXPECT_TRUE(has(text, "Seite 1 von 1")) << text;
    EXPECT_TRUE(has(text, "Zahnarzt")) << text;
    tDate day = week->start();
    for (int i = 0; i < 7; ++i, day.nextDay()) EXPECT_TRUE(has(text, dateText(day))) << i;
    EXPECT_EQ(run("pdfinfo '" + pdf + "' | grep -c '^Pages: *1$'"), "1\n");
}

TEST_F(PrintMenuTest, CancelledOrUnwritablePdfWritesNothing)
{
    frame->execute(CmWeekCalendar);
    host.fileAnswers.push_back(std::nullopt);
    frame->execute(CmPrintPdf);
    EXPECT_TRUE(host.eventsOf(QStringLiteral("status:")).isEmpty());
    EXPECT_TRUE(host.messages.empty());

    const std::string unwritable = file("fehlt") + "/woche.pdf"; // its directory does not exist
    host.fileAnswers.push_back(QString::fromStdString(unwritable));
    frame->execute(CmPrintPdf);
    EXPECT_FALSE(std::filesystem::exists(unwritable));
    EXPECT_TRUE(host.eventsOf(QStringLiteral("status:")).isEmpty());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_TRUE(host.messages[0].text.contains(QString::fromStdString(unwritable)));
}

TEST_F(PrintMenuTest, PreviewAndPrintGetThePersonListsPages)
{
    const int persons = 130;
    for (int i = 0; i < persons; ++i) {
        const std::string id = "p" + std::to_string(1000 + i);
        ASSERT_EQ(person(id.c_str(), "Muster", "Max").insert(), tStoreStatus::Stored);
    }
    frame->execute(CmPersonList);
    auto *list = qobject_cast<tPersListWin *>(client->activeView());
    ASSERT_NE(list, nullptr);
    const tTabLineModel *shown = list->list()->lines();
    ASSERT_GE(shown->count(), persons);
    const int rows = rowsPerPage(tPageFormat{});
    const int pages = (shown->count() + rows - 1) / rows;
    ASSERT_GT(pages, 1);

    frame->execute(CmPrintPreview);
    EXPECT_EQ(host.eventsOf(QStringLiteral("preview:")),
              QStringList{QStringLiteral("preview:Personenliste:%1").arg(pages)});
    ASSERT_EQ(host.printed.size(), 1u);
    const tPrintDoc &doc = *host.printed[0];
    EXPECT_EQ(doc.heading.user, "root");
    EXPECT_EQ(doc.heading.view, "Personenliste");
    EXPECT_FALSE(doc.heading.printedAt.empty());
    int lines = 0;
    for (const tPrintPage &page : doc.pages) {
        ASSERT_EQ(page.columns.size(), 4u);
        EXPECT_EQ(page.columns[0].title, "ID");
        lines += int(page.rows.size());
    }
    EXPECT_EQ(lines, shown->count());
    // In the list's order, the ID in the first column.
    const std::string &first = shown->line(0).text;
    EXPECT_EQ(doc.pages[0].rows[0][0], first.substr(0, first.find('\t')));
    const std::string &last = shown->line(shown->count() - 1).text;
    EXPECT_EQ(doc.pages.back().rows.back()[0], last.substr(0, last.find('\t')));

    // The print dialog cancelled: nothing said; printed: the status says so.
    host.printAnswers = {false, true};
    frame->execute(CmPrint);
    EXPECT_TRUE(host.eventsOf(QStringLiteral("status:")).isEmpty());
    frame->execute(CmPrint);
    EXPECT_EQ(host.eventsOf(QStringLiteral("print:")).size(), 2);
    EXPECT_EQ(host.eventsOf(QStringLiteral("status:")),
              QStringList{QStringLiteral("status:Gedruckt: Personenliste")});
}

TEST_F(PrintMenuTest, PreviewOfEachViewHasItsPages)
{
    const struct {
        int command;
        const char *view;
        int pages; // 0: at least one
        bool landscape;
    } rows[] = {
        {CmWeekCalendar, "Wochenkalender", 1, true}, {CmMonthPlan, "Planer", 1, true},
        {CmOccupancy, "Belegung", 4, true},          {CmAppointmentList, "Terminliste", 0, false},
        {CmAlarmList, "Alarmliste", 1, false},       {CmResourceList, "Ressourcenliste", 1, false},
        {CmProjectList, "Projektliste", 1, false},   {CmTaskList, "Aufgabenliste", 1, false}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.view);
        host.printed.clear();
        frame->execute(row.command);
        if (row.command == CmOccupancy) host.dialogScripts.push_back(chooseMonths(1, 12));
        ASSERT_TRUE(enabled(CmPrintPreview));
        frame->execute(CmPrintPreview);
        ASSERT_EQ(host.printed.size(), 1u);
        const tPrintDoc &doc = *host.printed[0];
        EXPECT_EQ(doc.heading.user, "root");
        if (row.pages)
            EXPECT_EQ(int(doc.pages.size()), row.pages);
        else
            EXPECT_GE(doc.pages.size(), 1u);
        for (const tPrintPage &page : doc.pages) EXPECT_EQ(page.landscape, row.landscape);
        EXPECT_EQ(doc.heading.view, row.view);
    }
}

TEST_F(PrintMenuTest, OccupancyPrintsTheChosenMonthsByQuarters)
{
    frame->execute(CmOccupancy);
    const struct {
        int first, last; // 0: cancelled
        int pages;
    } rows[] = {{1, 12, 4}, {2, 2, 1}, {11, 3, 1}, {4, 9, 2}, {0, 0, 0}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.first);
        host.printed.clear();
        host.dialogScripts.push_back(chooseMonths(row.first, row.last));
        frame->execute(CmPrintPreview);
        EXPECT_TRUE(host.dialogScripts.empty());
        if (row.pages == 0) {
            EXPECT_TRUE(host.printed.empty());
            continue;
        }
        ASSERT_EQ(host.printed.size(), 1u);
        EXPECT_EQ(int(host.printed[0]->pages.size()), row.pages);
    }
    // The last choice made (not the cancelled one) is offered again.
    host.dialogScripts.push_back([](QDialog &dialog) {
        EXPECT_EQ(dialog.findChild<QSpinBox *>(QStringLiteral("firstMonth"))->value(), 4);
        EXPECT_EQ(dialog.findChild<QSpinBox *>(QStringLiteral("lastMonth"))->value(), 9);
        dialog.reject();
    });
    frame->execute(CmPrint);
    EXPECT_TRUE(host.eventsOf(QStringLiteral("print:")).isEmpty());
}
