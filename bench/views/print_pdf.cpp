// print_pdf.cpp - the views' printed pages written as PDF files through the functions
// velk-exchange's PDF kinds call (views/print_kinds.h, print/print_painter.h): the week of
// 14.6.2024 and the occupancy plan of 2024 (four landscape pages), each read from the database,
// laid out and written.  The database holds N appointments over three years (2023 to 2025) by
// 20 users, a third of them booking one of 50 resources; N / 10 persons with birthdays; N / 20
// tasks due in those years.
#include "bench/views/bench_views.h"

#include "address/person.h"
#include "address/resource.h"
#include "base/session.h"
#include "calendar/termin_store.h"
#include "print/print_painter.h"
#include "projects/project.h"
#include "views/print_kinds.h"

#include <QGuiApplication>

#include <cstdio>
#include <filesystem>
#include <random>

namespace velk::bench {

namespace {

constexpr int kUsers = 20, kResources = 50;

void fill(long n)
{
    std::mt19937 rng(2612);
    bool ok = true;
    std::vector<std::string> resources;
    for (int i = 0; i < kResources; i++) {
        tResource r;
        r.setId(numbered("R", i));
        r.setTitle("Raum " + std::to_string(i));
        ok = r.insert() == tStoreStatus::Stored && ok;
        resources.push_back(r.ID);
    }
    for (long i = 0; i < n / 10; i++) {
        tPerson p;
        p.setId(numbered("P", i));
        p.setName("Name" + std::to_string(i));
        p.BIRTH = dayTime(int(rng() % 365), 0);
        p.BIRTH.year = 1940 + int(rng() % 60);
        ok = p.insert() == tStoreStatus::Stored && ok;
    }
    for (long i = 0; i < n / 20; i++) {
        tTask k;
        k.setId(numbered("T", i));
        k.setTitle("Aufgabe " + std::to_string(i));
        k.setProject("PRJ");
        k.ENDDATE = dayTime(int(rng() % 1096), 0);
        ok = k.insert() == tStoreStatus::Stored && ok;
    }
    for (long i = 0; i < n; i++) {
        int owner = 0;
        tTermin t = mixedTermin(rng, i, kUsers, owner);
        if (rng() % 3 == 0) t.setResource(resources[rng() % kResources]);
        setCurrentUser(numbered("u", owner));
        ok = tTerminStore::instance().insert(t).status == tStoreStatus::Stored && ok;
    }
    if (!ok) {
        std::fprintf(stderr, "print pdf: a record was not stored\n");
        std::exit(2);
    }
}

// The platform the PDF files are painted on: offscreen unless the environment names one.
void ensureGui()
{
    if (QGuiApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "bench_views";
    static char *argv[] = {name, nullptr};
    static auto *app = new QGuiApplication(argc, argv);
    (void)app;
}

// One kind to a PDF file: the whole (read, lay out, write) and the document alone, in ms.
void timeKind(const tBenchDatabase &db, tPrintKind kind, const char *view, long n, double goal)
{
    const tPrintHeading heading{"", numbered("u", 0), "14.06.2024 09:00"};
    const tTodayMark today{{14, 6, 2024}, {48, 140, 198}};
    const tDate date{14, 6, 2024};
    const std::string file = db.dir() + "/" + printKindName(kind) + ".pdf";
    std::size_t pages = 0;
    bool written = true;
    double whole = timeMs(
        [&] {
            tPrintDoc doc = printKindDoc(kind, date, heading, today);
            written = writePdf(doc, file, doc.title) && written;
            pages = doc.pages.size();
        },
        3);
    std::size_t shapes = 0;
    double built = timeMs(
        [&] {
            tPrintDoc doc = printKindDoc(kind, date, heading, today);
            shapes = 0;
            for (const tPrintPage &page : doc.pages) shapes += page.shapes.size();
        },
        3);
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(file, ec);
    char comment[200];
    std::snprintf(comment, sizeof comment,
                  "%zu pages, %zu shapes, %ld KB%s; read and lay out alone %.1f ms", pages, shapes,
                  ec ? 0L : long(bytes / 1024), written ? "" : " NOT WRITTEN", built);
    report({view, n, whole, 0, goal, comment});
}

void runSize(long n)
{
    tBenchDatabase db("print-pdf");
    fill(n);
    setCurrentUser(numbered("u", 0));
    timeKind(db, tPrintKind::Week, "week to PDF (woche-pdf)", n, 500);
    timeKind(db, tPrintKind::YearPlan, "occupancy plan to PDF (belegung-pdf)", n, 2000);
}

} // namespace

VELK_BENCH_SECTION("print pdf", [](const std::vector<long> &sizes) {
    ensureGui();
    for (long n : sizes) runSize(n);
});

} // namespace velk::bench
